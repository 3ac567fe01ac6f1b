// Theme-file import into the five lists: sections, tokens, resolution, counts, marks, tabs.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "common/sheetgdi.h"
#include "shellglue/startfacts.h"
#include "lists/listcommands.h"
#include "lists/themeimport.h"
#include "support/testing.h"
#include "support/listrows.h"
#include "themehost.h"

using namespace themehost;

namespace {

const char kMyComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";

// The folders of one test: a theme folder whose name has a 0x5C trail byte, and an installed
// themes folder registered (or not) under App Paths.
class ThemeImportTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = MakeTempDir("theme");
        themeDir_ = root_ + "\\" + Ansi("ソフト");
        themesDir_ = root_ + "\\themes";
        CreateDirectoryA(themeDir_.c_str(), nullptr);
        CreateDirectoryA(themesDir_.c_str(), nullptr);
        CreateDirectoryA((themesDir_ + "\\icons").c_str(), nullptr);
        CopyFileA(FixturePath("icons12.dll").c_str(), (themeDir_ + "\\lib.dll").c_str(), FALSE);
        CopyFileA(FixturePath("icons12.dll").c_str(), (themeDir_ + "\\only.dll").c_str(), FALSE);
        CopyFileA(FixturePath("icons12.dll").c_str(), (themesDir_ + "\\icons\\lib.dll").c_str(), FALSE);
        CopyFileA(FixturePath("one.ico").c_str(), (themeDir_ + "\\a.ico").c_str(), FALSE);
        CopyFileA(FixturePath("noicons.txt").c_str(), (themeDir_ + "\\noicons.txt").c_str(), FALSE);
        saved_.Value(HKEY_LOCAL_MACHINE, kThemesKey, "Path");
        SetThemesFolder(themesDir_ + "\\;");
        GetCurrentDirectoryA(MAX_PATH, previousDir_);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previousDir_);
        SetEnvironmentVariableA("TFTHEMEFOLDER", nullptr);
        RemoveTree(root_);
    }

    void SetThemesFolder(const std::string &path)
    {
        SetRegString(HKEY_LOCAL_MACHINE, kThemesKey, "Path", path.c_str());
    }
    std::string WriteTheme(const char *name, const std::string &text)
    {
        std::string path = themeDir_ + "\\" + name;
        WriteFileText(path, text);
        return path;
    }

    std::string root_, themeDir_, themesDir_;
    char previousDir_[MAX_PATH] = "";
    SavedRegistry saved_;
};

struct TokenCase {
    const char *key;        // Shell Icons index of the row
    std::string value;      // as the theme file writes it
    std::string expected;   // the row's new location; "" when the value fails
};

TEST_F(ThemeImportTest, TokensAndResolutionWithAndWithoutThemesFolder)
{
    std::string sysdir = SystemDir();
    // The system folder as seen from the Windows folder ("system" on Windows 98).
    std::string systemUnderWindows = sysdir.substr(WindowsDir().size() + 1);
    // An ASCII folder: Wine cuts double-byte environment values short.
    SetEnvironmentVariableA("TFTHEMEFOLDER", themesDir_.c_str());
    // "%%a.ico" is searched as "a.ico": from the current folder.
    SetCurrentDirectoryA(themeDir_.c_str());

    for (int withThemes = 1; withThemes >= 0; --withThemes) {
        SCOPED_TRACE(withThemes ? "themes folder present" : "themes folder absent");
        SetThemesFolder(withThemes ? themesDir_ + "\\;" : root_ + "\\missing");
        std::string viaThemedir = (withThemes ? themesDir_ + "\\icons" : themeDir_ + "\\icons") + "\\lib.dll,2";
        const TokenCase cases[] = {
            {"10", "%themedir%\\icons\\lib.dll,2", withThemes ? viaThemedir : ""},
            {"11", "%THEMEDIR%only.dll,3", themeDir_ + "\\only.dll,3"},
            {"12", "%folder%\\lib.dll,-154", themeDir_ + "\\lib.dll,-154"},
            {"13", "%folder%lib.dll,12", ""},
            {"14", "%UNDEFINED%\\a.ico", ""},
            {"15", "%%a.ico", themeDir_ + "\\a.ico"},
            {"16", "%TFTHEMEFOLDER%icons\\lib.dll,1", themesDir_ + "\\icons\\lib.dll,1"},
            {"17", "%sysdir%shell32.dll,4", sysdir + "shell32.dll,4"},
            {"18", "  %folder%a.ico  ", themeDir_ + "\\a.ico"},
            {"19", "%folder%noicons.txt", ""},
            {"20", "%folder%missing.ico", ""},
            {"21", "   ", "<unchanged>"},
            {"22", "%windir%" + systemUnderWindows + "shell32.dll,-154", sysdir + "shell32.dll,-154"},
            {"23", themeDir_ + "\\a.ico" + std::string(300, ' ') + "x", ""},
        };
        std::string text = "[" SHELL_ICONS_KEY "]\r\n";
        for (const TokenCase &c : cases)
            text += std::string(c.key) + "=" + c.value + "\r\n";
        std::string theme = WriteTheme("tokens.theme", text);

        ThemeSheet sheet;
        HWND list = sheet.List(TAB_GENERAL);
        for (const TokenCase &c : cases)
            AddRow(list, c.key, "old.ico,0", "old.ico,0", nullptr, c.key);

        DWORD result = ImportThemeFile(theme.c_str());
        int loaded = 0, failed = 0;
        for (int i = 0; i < int(sizeof cases / sizeof cases[0]); ++i) {
            const TokenCase &c = cases[i];
            SCOPED_TRACE(c.value.c_str());
            IconEntry *entry = GetEntry(list, i);
            if (c.expected == "<unchanged>") {
                EXPECT_STREQ("old.ico,0", entry->CurrentLocation);
                continue;
            }
            if (c.expected.empty()) {
                ++failed;
                EXPECT_STREQ("old.ico,0", entry->CurrentLocation);
                EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
            } else {
                ++loaded;
                EXPECT_EQ(0, lstrcmpiA(c.expected.c_str(), entry->CurrentLocation)) << entry->CurrentLocation;
                EXPECT_EQ(STATE_THEME, entry->ChangeState);
            }
        }
        EXPECT_EQ(DWORD(failed) << 16 | DWORD(loaded), result);
    }
}

TEST_F(ThemeImportTest, ClassSectionsInBothFormsAndTheClassIdLength)
{
    std::string lib = themeDir_ + "\\lib.dll";
    std::string earlier =
        "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\nDefaultValue=%folder%lib.dll,1\r\n"
        "[CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]\r\nempty=%folder%lib.dll,2\r\n"
        "full=%folder%lib.dll,3\r\nDefaultValue=%folder%lib.dll,9\r\n"
        "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B3030}\\DefaultIcon]\r\nDefaultValue=%folder%lib.dll,4\r\n"
        "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D0}\\DefaultIcon]\r\nDefaultValue=%folder%lib.dll,5\r\n";
    std::string later =
        "[Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\n"
        "DefaultValue=%folder%lib.dll,6\r\n"
        "[Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]\r\n"
        "empty=%folder%lib.dll,7\r\nfull=%folder%lib.dll,8\r\n";
    struct FormCase {
        const char *name;
        std::string text;
        const char *computer, *empty, *full;   // indexes expected in lib.dll
    } forms[] = {
        {"earlier", earlier, "1", "2", "3"},
        {"later", later, "6", "7", "8"},
        {"both", later + earlier, "1", "2", "3"},
    };
    for (const FormCase &form : forms) {
        SCOPED_TRACE(form.name);
        std::string theme = WriteTheme("classes.theme", form.text);
        ThemeSheet sheet;
        HWND list = sheet.List(TAB_DESKTOP);
        AddRow(list, "computer", "", nullptr, nullptr, kMyComputer);
        AddRow(list, "empty", "", nullptr, nullptr, kRecycleBin, KIND_RECYCLE_EMPTY);
        AddRow(list, "full", "", nullptr, nullptr, kRecycleBin, KIND_RECYCLE_FULL);
        AddRow(list, "37", "", nullptr, nullptr, "{20D04FE0-3AEA-1069-A2D8-08002B3030}");
        AddRow(list, "39", "", nullptr, nullptr, "{20D04FE0-3AEA-1069-A2D8-08002B30309D0}");

        EXPECT_EQ(3u, ImportThemeFile(theme.c_str()));
        const char *expected[] = {form.computer, form.empty, form.full};
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(lib + "," + expected[row], Text(GetEntry(list, row)->CurrentLocation)) << row;
        EXPECT_STREQ("", GetEntry(list, 3)->CurrentLocation);
        EXPECT_STREQ("", GetEntry(list, 4)->CurrentLocation);
    }
}

// Apply commits a theme's rows; the same theme again loads them all, changing nothing.
TEST_F(ThemeImportTest, ReimportAfterApplyCountsButLeavesRowsUnchanged)
{
    const char fakeClass[] = "{7F3E51A0-0D1C-4B5E-9A77-0000000000A1}";
    std::string fakeKey = ClassKey(fakeClass);
    SavedRegistry saved;
    saved.Value(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "97");
    std::string theme = WriteTheme(
        "again.theme", std::string("[CLSID\\") + fakeClass + "\\DefaultIcon]\r\nDefaultValue=%folder%lib.dll,3\r\n"
                           "[" SHELL_ICONS_KEY "]\r\n"
                           "97=%folder%a.ico\r\n");
    ThemeSheet sheet;
    HWND desktop = sheet.List(TAB_DESKTOP);
    HWND general = sheet.List(TAB_GENERAL);
    AddRow(desktop, "fake", "x.ico,0", "x.ico,0", nullptr, fakeClass);
    AddRow(general, "97", "y.ico,0", "y.ico,0", nullptr, "97");

    EXPECT_EQ(2u, ImportThemeFile(theme.c_str()));
    EXPECT_EQ(STATE_THEME, GetEntry(desktop, 0)->ChangeState);
    EXPECT_EQ(STATE_THEME, GetEntry(general, 0)->ChangeState);
    EXPECT_EQ(1, CommitChangedRows(desktop));
    EXPECT_EQ(1, CommitChangedRows(general));

    // Saved locations differing only in case still count as the same icon.
    IconEntry upper = {};
    std::string shouted = Text(GetEntry(general, 0)->SavedLocation);
    CharUpperA(&shouted[0]);
    upper.SavedLocation = &shouted[0];
    UpdateEntry(general, 0, &upper, EF_SAVEDLOCATION);

    EXPECT_EQ(2u, ImportThemeFile(theme.c_str()));
    EXPECT_EQ(STATE_UNCHANGED, GetEntry(desktop, 0)->ChangeState);
    EXPECT_EQ(STATE_UNCHANGED, GetEntry(general, 0)->ChangeState);
    DeleteRegTree(HKEY_LOCAL_MACHINE, fakeKey.c_str());
}

// The first row loaded switches the sheet once; each list selects its first loaded row.
TEST_F(ThemeImportTest, SwitchesToTheFirstLoadedTabOnlyAndSelectsFirstRows)
{
    std::string theme = WriteTheme(
        "tabs.theme", "[" SHELL_ICONS_KEY "]\r\n"
                      "3=%folder%lib.dll,1\r\n5=%folder%lib.dll,2\r\n8=%folder%missing.ico\r\n"
                      "9=%folder%lib.dll,4\r\n");
    struct TabCase {
        int shownTab;
        std::vector<int> switches;
    } cases[] = {{TAB_DESKTOP, {TAB_GENERAL}}, {TAB_GENERAL, {}}, {TAB_SETTINGS2, {TAB_GENERAL}}};
    for (const TabCase &c : cases) {
        SCOPED_TRACE(c.shownTab);
        ThemeSheet sheet;
        sheet.ShowTab(c.shownTab);
        HWND general = sheet.List(TAB_GENERAL);
        HWND drive = sheet.List(TAB_DRIVE);
        const char *generalKeys[] = {"0", "1", "8", "3", "2", "4", "6", "7", "10", "5", "11", "12"};
        for (const char *key : generalKeys)
            AddRow(general, key, "", nullptr, nullptr, key);
        AddRow(drive, "0", "", nullptr, nullptr, "0");
        AddRow(drive, "9", "", nullptr, nullptr, "9");

        EXPECT_EQ(DWORD(1) << 16 | 3, ImportThemeFile(theme.c_str()));
        EXPECT_EQ(c.switches, sheet.Switches());
        EXPECT_EQ(3, SendMessageA(general, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(3, SendMessageA(general, LB_GETTOPINDEX, 0, 0));
        EXPECT_EQ(1, SendMessageA(drive, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(LB_ERR, SendMessageA(sheet.List(TAB_DESKTOP), LB_GETCURSEL, 0, 0));
    }
}

TEST_F(ThemeImportTest, MissingThemeFileLoadsNothing)
{
    ThemeSheet sheet;
    AddRow(sheet.List(TAB_GENERAL), "3", "x.ico,0", "x.ico,0", nullptr, "3");
    EXPECT_EQ(0u, ImportThemeFile((themeDir_ + "\\none.theme").c_str()));
    EXPECT_TRUE(sheet.Switches().empty());
}

// An expansion that would not fit the work text fails and writes nothing past the buffer.
TEST_F(ThemeImportTest, ExpansionThatDoesNotFitFails)
{
    std::string longFolder(250, 'x');
    SetEnvironmentVariableA("TFTHEMEFOLDER", longFolder.c_str());
    struct OverflowCase {
        const char *value;
        const char *themeFolder;
    } cases[] = {
        {"%TFTHEMEFOLDER%%TFTHEMEFOLDER%", "C:"},
        {"%folder%%folder%a.ico", longFolder.c_str()},
        {"%windir%%TFTHEMEFOLDER%", "C:"},
        {"%TFTHEMEFOLDER%%sysdir%", "C:"},
    };
    for (const OverflowCase &c : cases) {
        SCOPED_TRACE(c.value);
        char buffer[LOCATION_BUFFER + 40];
        FillMemory(buffer, sizeof buffer, 0x7E);
        lstrcpyA(buffer, c.value);
        EXPECT_EQ(0, ExpandThemePath(buffer, c.themeFolder, nullptr));
        for (int i = LOCATION_BUFFER; i < int(sizeof buffer); ++i)
            ASSERT_EQ(0x7E, BYTE(buffer[i])) << i;
    }
}

}  // namespace
