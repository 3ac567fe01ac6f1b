#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/catalogues.h"
#include "lists/classids.h"
#include "support/listhost.h"
#include "support/listrows.h"
#include "shellglue/paths.h"

namespace {

char kSystemDir[] = "X:\\SYS\\";

const char kMyComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kNetwork[] = "{208D2C60-3AEA-1069-A2D7-08002B30309D}";
const char kMyDocuments[] = "{450D8FBA-AD25-11D0-98A8-0800361B1103}";
const char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";
const char kInbox[] = "{00020D75-0000-0000-C000-000000000046}";
const char kMsn[] = "{00028B00-0000-0000-C000-000000000046}";
const char kControlPanel[] = "{21EC2020-3AEA-1069-A2DD-08002B30309D}";
const char kDialUp[] = "{992CFFA0-F557-101A-88EC-00DD010CCC48}";
const char kPrinters[] = "{2227A280-3AEA-1069-A2DE-08002B30309D}";
const char kBriefcase[] = "{85BBD920-42A0-1069-A2E4-08002B30309D}";
const char kInternet[] = "{FBF23B42-E3F0-101B-8488-00AA003E56F8}";
const char kBrowser[] = "{871C5380-42A0-1069-A2EA-08002B30309D}";

const char *const kAllClasses[] = {kMyComputer, kNetwork, kMyDocuments, kRecycleBin, kInbox,   kMsn,
                                   kControlPanel, kDialUp, kPrinters,   kBriefcase,  kInternet, kBrowser};

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// Every desktop class and the App Paths entries that feed the standard icons start out
// absent; each test seeds what it needs and the originals come back afterwards.
class DesktopCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto clear = [this](HKEY root, const std::string &key) {
            saved_.Tree(root, key);
            DeleteRegTree(root, key.c_str());
        };
        for (const char *c : kAllClasses) {
            clear(HKEY_LOCAL_MACHINE, ClassKey(c));
            clear(HKEY_CURRENT_USER, ClassKey(c));
        }
        clear(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "IEXPLORE.EXE");
        clear(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + "EXCHNG32.EXE");
        Lists.RecycleBinShowsFull = 1;
    }

    static void Install(const char *classText, const char *title = nullptr, const char *icon = nullptr,
                        HKEY root = HKEY_LOCAL_MACHINE)
    {
        ASSERT_FALSE(InstallClass(classText, title, icon, root).empty()) << classText;
    }
    static void InstallAll()
    {
        for (const char *c : kAllClasses)
            Install(c);
    }

    std::vector<RowText> Fill(bool newShell, bool integrated, bool plus, bool cool)
    {
        host_.SetFacts(newShell, integrated, plus, cool, kSystemDir);
        return FillRows(host_, TAB_DESKTOP, FillDesktopList);
    }

    static std::vector<std::string> Keys(const std::vector<RowText> &rows)
    {
        std::vector<std::string> keys;
        for (const RowText &row : rows)
            keys.push_back(row.Key);
        return keys;
    }

    SavedRegistry saved_;
    ListHost host_;
};

TEST_F(DesktopCatalogue, RowsInCatalogueOrderAndOnlyForMachineClasses)
{
    InstallAll();
    // Per user only: not installed.
    DeleteRegTree(HKEY_LOCAL_MACHINE, ClassKey(kInbox).c_str());
    Install(kInbox, "Inbox", "inbox.dll,0", HKEY_CURRENT_USER);

    std::vector<std::string> plain = {kMyComputer, kNetwork, kMyDocuments, kRecycleBin, kRecycleBin, kMsn,
                                      kControlPanel, kDialUp, kPrinters, kBriefcase, kInternet};
    EXPECT_EQ(plain, Keys(Fill(false, false, false, false)));

    // The integrated shell drops the Internet row and adds its browser last.
    std::vector<std::string> integrated = plain;
    integrated.pop_back();
    integrated.push_back(kBrowser);
    EXPECT_EQ(integrated, Keys(Fill(true, true, false, false)));

    std::vector<RowText> rows = Fill(false, false, false, false);
    int kinds[] = {0, 0, 0, 3, 4, 0, 0, 0, 0, 10, 0};
    ASSERT_EQ(11u, rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(kinds[i], rows[i].Kind) << i;
}

TEST_F(DesktopCatalogue, TitlesFromTheClassOrFallback)
{
    InstallAll();
    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kMyComputer).c_str(), "", Ansi(u8"マイ コンピュータ").c_str());
    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kNetwork).c_str(), "", "");
    // Per user titles count only under the integrated shell.
    SetRegString(HKEY_CURRENT_USER, ClassKey(kControlPanel).c_str(), "", "User Panel");
    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kControlPanel).c_str(), "", "Machine Panel");

    const std::vector<std::string> titles = {
        Ansi(u8"マイ コンピュータ"), Ansi(u8"ﾈｯﾄﾜｰｸ ｺﾝﾋﾟｭｰﾀ") /* empty title */, Ansi(u8"ﾏｲ ﾄﾞｷｭﾒﾝﾄ"),
        Ansi(u8"ごみ箱 (空)"), Ansi(u8"ごみ箱 (一杯)"), Ansi(u8"受信ﾄﾚｲ"), "The Microsoft Network",
        "Machine Panel", Ansi(u8"ﾀﾞｲﾔﾙｱｯﾌﾟ ﾈｯﾄﾜｰｸ"), Ansi(u8"ﾌﾟﾘﾝﾀ"), Ansi(u8"ﾌﾞﾘｰﾌｹｰｽ"), Ansi(u8"ｲﾝﾀｰﾈｯﾄ"),
    };
    std::vector<RowText> rows = Fill(false, false, false, false);
    ASSERT_EQ(titles.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(titles[i], rows[i].Name) << i;

    rows = Fill(true, true, false, false);
    ASSERT_EQ(titles.size(), rows.size());
    EXPECT_EQ("User Panel", rows[7].Name);
    EXPECT_EQ("Internet Explorer", rows[11].Name);
}

TEST_F(DesktopCatalogue, RecycleBinRowsAndWhetherItShowsFull)
{
    Install(kRecycleBin, Ansi(u8"ごみ箱").c_str());
    std::string icon = ClassKey(kRecycleBin, "\\DefaultIcon");

    struct Case {
        const char *shown, *empty, *full;
        BYTE showsFull;
    } cases[] = {
        {"shell32.dll,31", "shell32.dll,31", "shell32.dll,32", 0},
        {"shell32.dll,32", "shell32.dll,31", "shell32.dll,32", 1},
        {"SHELL32.DLL,31", "shell32.dll,31", "shell32.dll,32", 1},  // compared with case
        {nullptr, "shell32.dll,31", "shell32.dll,32", 0},            // undecided: stays clear
        {"shell32.dll,32", nullptr, nullptr, 0},
    };
    for (const Case &c : cases) {
        DeleteRegTree(HKEY_LOCAL_MACHINE, icon.c_str());
        if (c.shown)
            SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "", c.shown);
        if (c.empty)
            SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Empty", c.empty);
        if (c.full)
            SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Full", c.full);
        Lists.RecycleBinShowsFull = 1;
        std::vector<RowText> rows = Fill(false, false, false, false);
        ASSERT_EQ(2u, rows.size());
        EXPECT_EQ(c.showsFull, Lists.RecycleBinShowsFull) << (c.shown ? c.shown : "no default value");
        EXPECT_EQ(Ansi(u8"ごみ箱 (空)"), rows[0].Name);
        EXPECT_EQ(Ansi(u8"ごみ箱 (一杯)"), rows[1].Name);
        EXPECT_EQ(c.empty ? c.empty : "", rows[0].Current);
        EXPECT_EQ(c.empty ? c.empty : "<null>", rows[0].Saved);
        EXPECT_EQ(c.full ? c.full : "", rows[1].Current);
        EXPECT_EQ(3, rows[0].Kind);
        EXPECT_EQ(4, rows[1].Kind);
    }

    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kRecycleBin).c_str(), "", "Trash");
    std::vector<RowText> rows = Fill(false, false, false, false);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("Trash" + Ansi(u8" (空)"), rows[0].Name);
    EXPECT_EQ("Trash" + Ansi(u8" (一杯)"), rows[1].Name);
}

TEST_F(DesktopCatalogue, CurrentIconFromDefaultIcon)
{
    Install(kMyComputer, nullptr, "explorer.exe,0");
    Install(kNetwork);  // no icon: the row starts empty
    Install(kPrinters, nullptr, "machine.dll,1");
    SetRegString(HKEY_CURRENT_USER, ClassKey(kPrinters, "\\DefaultIcon").c_str(), "", "user.dll,2");

    std::vector<RowText> rows = Fill(false, false, false, false);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("explorer.exe,0", rows[0].Current);
    EXPECT_EQ("explorer.exe,0", rows[0].Saved);
    EXPECT_EQ("", rows[1].Current);
    EXPECT_EQ("<null>", rows[1].Saved);
    EXPECT_EQ("machine.dll,1", rows[2].Current);

    rows = Fill(true, true, false, false);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("user.dll,2", rows[2].Current);
}

// Standard icons by situation: base set, cool.dll set, integrated shell on top.
TEST_F(DesktopCatalogue, StandardIconsBySituation)
{
    InstallAll();
    SetRegString(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "IEXPLORE.EXE").c_str(), "",
                 "Q:\\nowhere\\IEXPLORE.EXE");
    SetRegString(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "EXCHNG32.EXE").c_str(), "",
                 "C:\\Exchange\\EXCHNG32.EXE");
    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kMsn, "\\InProcServer32").c_str(), "", "C:\\MSN\\MSNSP32.DLL");

    const std::string explorer = WindowsDir() + "\\Explorer.exe,0";
    const std::vector<std::string> base = {
        explorer, "X:\\SYS\\shell32.dll,17", "mydocs.dll,0", "X:\\SYS\\shell32.dll,31", "X:\\SYS\\shell32.dll,32",
        "C:\\Exchange\\EXCHNG32.EXE", "C:\\MSN\\MSNSP32.DLL,0", "X:\\SYS\\shell32.dll,-137", "X:\\SYS\\rnaui.dll,0",
        "X:\\SYS\\shell32.dll,-138", "X:\\SYS\\syncui.dll,0", "Q:\\nowhere\\IEXPLORE.EXE,0"};
    const std::vector<std::string> cool = {
        "X:\\SYS\\cool.dll,16", "X:\\SYS\\cool.dll,17", "mydocs.dll,0", "X:\\SYS\\cool.dll,20",
        "X:\\SYS\\cool.dll,21", "X:\\SYS\\cool.dll,30", "X:\\SYS\\cool.dll,31", "X:\\SYS\\cool.dll,12",
        "X:\\SYS\\cool.dll,27", "X:\\SYS\\cool.dll,19", "X:\\SYS\\cool.dll,35", "Q:\\nowhere\\IEXPLORE.EXE,0"};
    // The same rows with another browser row.
    auto browser = [](std::vector<std::string> rows, const char *location) {
        rows.back() = location;
        return rows;
    };
    struct Situation {
        const char *name;
        bool newShell, integrated, plus, cool;
        std::vector<std::string> defaults;  // one per row, in list order
    } situations[] = {
        {"base", false, false, false, false, base},
        {"cool.dll", false, false, false, true, cool},
        // The new shell without integration: only the browser row changes, to its resource id.
        {"new shell", true, false, false, false, browser(base, "Q:\\nowhere\\IEXPLORE.EXE,-32528")},
        {"integrated", true, true, false, false,
         {"explorer.exe,0", "shell32.dll,17", "mydocs.dll,0", "shell32.dll,31", "shell32.dll,32",
          "C:\\Exchange\\EXCHNG32.EXE", "C:\\MSN\\MSNSP32.DLL,0", "shell32.dll,-137", "rnaui.dll,0",
          "shell32.dll,-138", "X:\\SYS\\syncui.dll,0", "MSHtml.dll,0"}},
        {"integrated with cool.dll", true, true, false, true,
         {"explorer.exe,0", "shell32.dll,17", "mydocs.dll,0", "shell32.dll,31", "shell32.dll,32",
          "X:\\SYS\\cool.dll,30", "X:\\SYS\\cool.dll,31", "shell32.dll,-137", "rnaui.dll,0", "shell32.dll,-138",
          "X:\\SYS\\cool.dll,35", "MSHtml.dll,0"}},
        {"integrated with /PLUS", true, true, true, true, browser(cool, "MSHtml.dll,0")},
    };
    for (const Situation &s : situations) {
        std::vector<RowText> rows = Fill(s.newShell, s.integrated, s.plus, s.cool);
        ASSERT_EQ(s.defaults.size(), rows.size()) << s.name;
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(s.defaults[i], rows[i].Default) << s.name << ", row " << i;
    }
}

TEST_F(DesktopCatalogue, RowsWithoutTheirSourcesHaveNoStandardIcon)
{
    InstallAll();
    SetRegString(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "EXCHNG32.EXE").c_str(), "", "");

    std::vector<RowText> rows = Fill(false, false, false, false);
    ASSERT_EQ(12u, rows.size());
    EXPECT_EQ("<null>", rows[5].Default) << "Inbox with an empty App Paths value";
    EXPECT_EQ("<null>", rows[6].Default) << "The Microsoft Network without its server";
    EXPECT_EQ("<null>", rows[11].Default) << "Internet without its App Paths entry";

    // The browser row of the integrated shell always has one, and shows it when it has no icon.
    rows = Fill(true, true, false, false);
    ASSERT_EQ(12u, rows.size());
    const RowText &browser = rows.back();
    EXPECT_EQ(kBrowser, browser.Key);
    EXPECT_EQ(12, browser.Kind);
    EXPECT_EQ("Internet Explorer", browser.Name);
    EXPECT_EQ("MSHtml.dll,0", browser.Current);
    EXPECT_EQ("MSHtml.dll,0", browser.Saved);
    EXPECT_EQ("MSHtml.dll,0", browser.Default);

    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kBrowser, "\\DefaultIcon").c_str(), "", "ie.ico");
    SetRegString(HKEY_LOCAL_MACHINE, ClassKey(kBrowser).c_str(), "", "Browser");
    rows = Fill(true, true, false, false);
    ASSERT_EQ(12u, rows.size());
    EXPECT_EQ("Browser", rows.back().Name);
    EXPECT_EQ("ie.ico", rows.back().Current);
    EXPECT_EQ("ie.ico", rows.back().Saved);
    EXPECT_EQ("MSHtml.dll,0", rows.back().Default);
}

TEST_F(DesktopCatalogue, BrowserPathTakesItsLongFormOnTheNewShell)
{
    std::string made = MakeTempDir("desktopbrowser");
    char longDir[MAX_PATH];
    ASSERT_NE(0u, GetLongPathNameA(made.c_str(), longDir, MAX_PATH));
    std::string dir = std::string(longDir) + "\\";
    CreateDirectoryA((dir + "Internet Browser").c_str(), nullptr);
    WriteFileText(dir + "Internet Browser\\IExplore.exe", "MZ");
    std::string asWritten = dir + "INTERNET BROWSER\\iexplore.exe";
    Install(kInternet);
    SetRegString(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "IEXPLORE.EXE").c_str(), "", asWritten.c_str());

    struct Case {
        bool newShell;
        std::string expected;
    } cases[] = {
        {false, asWritten + ",0"},
        {true, dir + "Internet Browser\\IExplore.exe,-32528"},
    };
    for (const Case &c : cases) {
        std::vector<RowText> rows = Fill(c.newShell, false, false, false);
        ASSERT_EQ(1u, rows.size());
        EXPECT_EQ(c.expected, rows[0].Default);
    }
    RemoveTree(made);
}

}  // namespace

namespace {

// A filled row, changed and applied, reaches the keys the shell reads.
TEST_F(DesktopCatalogue, AppliedChangesReachTheRecycleBinValuesItShows)
{
    Install(kRecycleBin, Ansi(u8"ごみ箱").c_str());
    std::string icon = ClassKey(kRecycleBin, "\\DefaultIcon");

    struct Case {
        const char *shown;
        const char *expectDefault;  // after changing both rows
    } cases[] = {
        {"empty.ico", "new-empty.ico"},  // showing empty: the empty row writes the default value
        {"full.ico", "new-full.ico"},    // showing full: the full row does
    };
    for (const Case &c : cases) {
        DeleteRegTree(HKEY_LOCAL_MACHINE, icon.c_str());
        SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "", c.shown);
        SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Empty", "empty.ico");
        SetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Full", "full.ico");

        host_.SetFacts(false, false, false, false, kSystemDir);
        HWND list = host_.CreateList(TAB_DESKTOP);
        FillDesktopList(list);
        ASSERT_EQ(2, Rows(list));
        const char *locations[] = {"new-empty.ico", "new-full.ico"};
        for (int row = 0; row < 2; ++row) {
            ASSERT_EQ(1, ChangeRow(list, row, locations[row]));
            CommitEntry(GetEntry(list, row));
        }
        EXPECT_EQ(c.expectDefault, GetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), ""));
        EXPECT_EQ("new-empty.ico", GetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Empty"));
        EXPECT_EQ("new-full.ico", GetRegString(HKEY_LOCAL_MACHINE, icon.c_str(), "Full"));
    }
}

}  // namespace
