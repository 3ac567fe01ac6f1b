#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/sheetstate.h"
#include "app/applychanges.h"
#include "common/appstate.h"
#include "common/options.h"
#include "restore/restorepoint.h"
#include "common/tabs.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "shellsettings/iconsettings.h"
#include "shellsettings/redraw.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/listhost.h"
#include "support/probes.h"
#include "support/regsnapshot.h"

namespace {

char kSystemDir[] = "C:\\windows\\system\\";
const char kTestBmpClass[] = "TilefoxTest.Bitmap";
const char kTestBmpIcon[] = "TilefoxTest.Bitmap\\DefaultIcon";
const char kPaintServer[] = "CLSID\\{D3E34B21-9D75-101A-8C3D-00AA001A1652}\\LocalServer32";
const char kCommandKey[] = "Directory\\shell\\tfChangeIcon\\command";
const char kVerbKey[] = "Directory\\shell\\tfChangeIcon";

class IconSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitCommonControls();
        // Every key the page reads or writes comes back as it was.
        saved_.Tree(HKEY_CURRENT_USER, kMetricsKey);
        for (const char *key : {"lnkfile", "piffile", ".bmp", ".cpl", "cplfile\\DefaultIcon", kPaintServer, kTestBmpClass,
                                kVerbKey, "Directory"})
            saved_.Tree(HKEY_CLASSES_ROOT, key);
        // A prefix fresh from its first boot may not have registered the folder class yet.
        if (!RegKeyExists(HKEY_CLASSES_ROOT, "Directory"))
            SetRegString(HKEY_CLASSES_ROOT, "Directory", nullptr, "Folder");
        CopyText(App.Caption, "Tilefox", sizeof App.Caption);
        host_.SetFacts(false, false, false, false, kSystemDir);
    }

    void TearDown() override
    {
        LearnSystem();
        ClosePage();
        Sheet.TabDialogs[TAB_SETTINGS1] = nullptr;
    }

    HWND OpenPage()
    {
        ClosePage();
        page_ = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONSETTINGS), host_.Host(),
                                   IconSettingsPage, TAB_SETTINGS1);
        // As the sheet does once its lists are filled.
        SendMessageA(page_, UM_READSETTINGS, 0, 0);
        ListHost::SetChangedCount() = 0;
        ListHost::Pending() = 0;
        return page_;
    }
    void ClosePage()
    {
        if (page_ != nullptr)
            DestroyWindow(page_);
        page_ = nullptr;
    }

    // A click as the user makes it: the box toggles itself and tells the page.
    void Click(int control) { SendDlgItemMessageA(page_, control, BM_CLICK, 0, 0); }
    UINT State(int control) { return IsDlgButtonChecked(page_, control); }
    bool Enabled(int control) { return IsWindowEnabled(GetDlgItem(page_, control)) != FALSE; }
    std::string SizeText() { return DlgItemText(page_, IDC_IS_SIZE); }
    BOOL Apply()
    {
        BOOL refresh = 12345;
        ApplyIconSettings(page_, &refresh);
        return refresh;
    }

    SavedRegistry saved_;
    AppSetup app_{"iconsettings"};
    ListHost host_;
    HWND page_ = nullptr;
};

TEST_F(IconSettingsTest, StoredSizeSetsTheFieldAndTheLargeBox)
{
    const struct {
        const char *stored;     // null: no value
        const char *shown;
        UINT large;
    } cases[] = {
        {nullptr, "32", BST_UNCHECKED}, {"32", "32", BST_UNCHECKED},      {"48", "48", BST_CHECKED},
        {"40", "40", BST_INDETERMINATE}, {"250", "32", BST_UNCHECKED},     {"0", "32", BST_UNCHECKED},
        {" 16", "16", BST_INDETERMINATE}, {"x", "32", BST_UNCHECKED},
    };
    for (const auto &c : cases) {
        if (c.stored == nullptr)
            DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size");
        else
            SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", c.stored);
        ASSERT_NE(nullptr, OpenPage());
        const char *label = c.stored != nullptr ? c.stored : "(absent)";
        EXPECT_EQ(c.shown, SizeText()) << label;
        EXPECT_EQ(c.large, State(IDC_IS_LARGE)) << label;
        EXPECT_TRUE(Enabled(IDC_IS_TRANSPARENT)) << "Wine's COMCTL32 is new enough";
    }
}

// Size and depth as some tools store them: shown as their number, and "all to the standard"
// sets them back.
TEST_F(IconSettingsTest, SizeAndDepthStoredAsNumbersAreShownAndPutToTheStandard)
{
    const DWORD numbers[] = {48, 16};
    const struct {
        DWORD type;
        const void *size, *bpp;
        DWORD bytes;
        const char *shown;
    } cases[] = {{REG_DWORD, &numbers[0], &numbers[1], 4, "48"}, {REG_BINARY, "40", "16", 2, "40"}};
    for (const auto &c : cases) {
        SetRegBinary(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", c.size, c.bytes, c.type);
        SetRegBinary(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP", c.bpp, c.bytes, c.type);
        ASSERT_NE(nullptr, OpenPage());
        EXPECT_EQ(c.shown, SizeText());
        EXPECT_EQ(BST_CHECKED, State(IDC_IS_ALLCOLOURS)) << c.shown;
        IconSettingsToStandard(page_);
        Apply();
        EXPECT_EQ("32", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size")) << c.shown;
        EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP")) << c.shown;
    }
}

// A backup too long for the settings file greys its box: a click could never be applied.
TEST_F(IconSettingsTest, BoxWithoutItsWholeBackupIsGreyed)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "C:\\Paint\\pbrush.exe,3");
    SetRegString(HKEY_CLASSES_ROOT, ".cpl", nullptr, "cplfile");
    SetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr, "C:\\Panel\\main.cpl,2");
    for (BYTE bmpUnreadable : {1, 0}) {
        Settings.BmpBackupUnreadable = bmpUnreadable;
        Settings.CplBackupUnreadable = !bmpUnreadable;
        ASSERT_NE(nullptr, OpenPage());
        EXPECT_EQ(!bmpUnreadable, Enabled(IDC_IS_BMPIMAGE)) << int(bmpUnreadable);
        EXPECT_EQ(bool(bmpUnreadable), Enabled(IDC_IS_CPLICONS)) << int(bmpUnreadable);
    }
    ResetSettings();
}

TEST_F(IconSettingsTest, TypingAndClickingKeepSizeAndLargeBoxTogether)
{
    const struct {
        const char *stored;
        const char *typed;
        UINT large;
    } typing[] = {
        {"32", "48", BST_CHECKED},       {"48", "32", BST_UNCHECKED},      {"32", "40", BST_CHECKED},
        {"40", "48", BST_INDETERMINATE}, {"40", "32", BST_INDETERMINATE},
    };
    for (const auto &c : typing) {
        SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", c.stored);
        ASSERT_NE(nullptr, OpenPage());
        SetDlgItemTextA(page_, IDC_IS_SIZE, c.typed);
        EXPECT_EQ(c.large, State(IDC_IS_LARGE)) << c.stored << " -> " << c.typed;
        EXPECT_EQ(1, ListHost::SetChangedCount()) << c.stored << " -> " << c.typed;
    }

    // A checked box steps to the indeterminate state first (its own toggling), keeping 48;
    // the next click unchecks it and the size follows to 32.
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "48");
    ASSERT_NE(nullptr, OpenPage());
    Click(IDC_IS_LARGE);
    EXPECT_EQ(BST_INDETERMINATE, State(IDC_IS_LARGE));
    EXPECT_EQ("48", SizeText());
    Click(IDC_IS_LARGE);
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_LARGE));
    EXPECT_EQ("32", SizeText());

    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "32");
    ASSERT_NE(nullptr, OpenPage());
    ListHost::Pending() = 1;
    Click(IDC_IS_LARGE);
    EXPECT_EQ(BST_CHECKED, State(IDC_IS_LARGE));
    EXPECT_EQ("48", SizeText());
    // The new size's edit change tells the sheet; the click itself does not while pending.
    EXPECT_EQ(1, ListHost::SetChangedCount());
}

TEST_F(IconSettingsTest, ApplyWritesTouchedSettingsOnce)
{
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "32");
    DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP");
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_ALLCOLOURS));
    EXPECT_FALSE(Apply()) << "nothing touched";
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP"));

    SetDlgItemTextA(page_, IDC_IS_SIZE, "40");
    Click(IDC_IS_ALLCOLOURS);
    EXPECT_EQ(2, ListHost::SetChangedCount());
    EXPECT_FALSE(Apply());
    EXPECT_EQ("40", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size"));
    EXPECT_EQ("16", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP"));

    // A second Apply without changes writes nothing.
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "32");
    DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP");
    Apply();
    EXPECT_EQ("32", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size"));
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP"));

    // Text that is no size is not written.
    SetDlgItemTextA(page_, IDC_IS_SIZE, "abc");
    Apply();
    EXPECT_EQ("32", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size"));

    Click(IDC_IS_ALLCOLOURS);
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP", "16");
    Apply();
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP"));
}

TEST_F(IconSettingsTest, ArrowSettingReachesShortcutsAndDosPrograms)
{
    SetRegString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", "");
    SetRegString(HKEY_CLASSES_ROOT, "piffile", "IsShortcut", "");
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_NOARROW));

    // The sheet's Apply lets the page write before the lists.
    Click(IDC_IS_NOARROW);
    Sheet.TabDialogs[TAB_SETTINGS1] = page_;
    Settings.RefreshLevel = 0;
    ApplyAllChanges(host_.Host());
    EXPECT_FALSE(RegValueExists(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut"));
    EXPECT_FALSE(RegValueExists(HKEY_CLASSES_ROOT, "piffile", "IsShortcut"));

    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_CHECKED, State(IDC_IS_NOARROW));
    Click(IDC_IS_NOARROW);
    EXPECT_TRUE(Apply());
    EXPECT_EQ("", GetRegString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut"));
    EXPECT_EQ("", GetRegString(HKEY_CLASSES_ROOT, "piffile", "IsShortcut"));
}

TEST_F(IconSettingsTest, BitmapIconBackupSurvivesTheNextRun)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "C:\\Paint\\pbrush.exe,3");
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_TRUE(Enabled(IDC_IS_BMPIMAGE));
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_BMPIMAGE));
    Click(IDC_IS_BMPIMAGE);
    EXPECT_TRUE(Apply());
    EXPECT_EQ("%1", GetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr));
    SaveSettings(host_.Host());
    ClosePage();

    // Next run: the backup comes back from the settings file only.
    ResetSettings();
    ReadSheetSettings(host_.Host());
    ASSERT_NE(nullptr, Settings.BmpIconBackup);
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_CHECKED, State(IDC_IS_BMPIMAGE));
    Click(IDC_IS_BMPIMAGE);
    EXPECT_TRUE(Apply());
    EXPECT_EQ("C:\\Paint\\pbrush.exe,3", GetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr));
}

TEST_F(IconSettingsTest, ImagesOffWithoutBackupFallBackToStandardIcons)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, ".cpl", nullptr, "cplfile");
    const struct {
        BYTE cool;
        const char *server;     // null: no paint server registered
        const char *expected;
    } cases[] = {
        {1, "C:\\Paint\\mspaint.exe", "C:\\windows\\system\\cool.dll,41"},
        {0, "C:\\Paint\\mspaint.exe", "C:\\Paint\\mspaint.exe,1"},
        {0, nullptr, "MSPAINT.EXE,1"},
    };
    for (const auto &c : cases) {
        Facts.CoolIconsAvailable = c.cool;
        if (c.server != nullptr)
            SetRegString(HKEY_CLASSES_ROOT, kPaintServer, nullptr, c.server);
        else
            DeleteRegValue(HKEY_CLASSES_ROOT, kPaintServer, nullptr);
        SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "\"%1\"");
        SetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr, "%1");
        ResetSettings();
        ASSERT_NE(nullptr, OpenPage());
        EXPECT_EQ(BST_CHECKED, State(IDC_IS_BMPIMAGE));
        EXPECT_EQ(BST_CHECKED, State(IDC_IS_CPLICONS));
        Click(IDC_IS_BMPIMAGE);
        Click(IDC_IS_CPLICONS);
        EXPECT_TRUE(Apply());
        EXPECT_EQ(c.expected, GetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr)) << c.expected;
        EXPECT_EQ("C:\\windows\\system\\shell32.dll,-154",
                  GetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr));
        EXPECT_EQ(nullptr, Settings.BmpIconBackup) << "\"%1\" is never a backup";
        ASSERT_NE(nullptr, Settings.BmpClassBackup);
        EXPECT_STREQ(kTestBmpClass, Settings.BmpClassBackup);
    }
}

TEST_F(IconSettingsTest, EmptyBitmapIconWritesNothingYetAsksForRefresh)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "");
    ASSERT_NE(nullptr, OpenPage());
    Click(IDC_IS_BMPIMAGE);
    EXPECT_TRUE(Apply());
    EXPECT_EQ("", GetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr));
    EXPECT_EQ(nullptr, Settings.BmpIconBackup);

    // Without any .bmp class the box is off and disabled.
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, "");
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_FALSE(Enabled(IDC_IS_BMPIMAGE));
}

// Each box alone: the shell draws its icons anew after the arrow, bitmap and control-panel
// settings; the folder verb changes a menu only, whose text is the program's own.
TEST_F(IconSettingsTest, EachSettingAloneAsksForTheRefreshItNeeds)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "C:\\Paint\\pbrush.exe,3");
    SetRegString(HKEY_CLASSES_ROOT, ".cpl", nullptr, "cplfile");
    SetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr, "C:\\Panel\\main.cpl,2");
    Facts.IntegratedShell = 1;
    const struct {
        int box;
        BOOL refresh;
    } cases[] = {{IDC_IS_NOARROW, TRUE}, {IDC_IS_BMPIMAGE, TRUE}, {IDC_IS_CPLICONS, TRUE}, {IDC_IS_FOLDERVERB, FALSE}};
    for (const auto &c : cases) {
        ASSERT_NE(nullptr, OpenPage());
        ASSERT_TRUE(Enabled(c.box)) << c.box;
        Click(c.box);
        EXPECT_EQ(c.refresh, Apply()) << c.box;
    }
    char verb[80] = "";
    int length = LoadStringA(AppInstance(), IDS_FOLDERVERB, verb, sizeof verb);
    EXPECT_EQ(std::string(verb, length), GetRegString(HKEY_CLASSES_ROOT, kVerbKey, nullptr));
}

// What a later Windows no longer reads is greyed there, and neither "all to the standard" nor a
// typed change reaches the registry; the rest of the page stays as on 9x.
TEST_F(IconSettingsTest, SettingsALaterWindowsIgnoresAreGreyedAndLeftAlone)
{
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "C:\\Paint\\pbrush.exe,3");
    SetRegString(HKEY_CLASSES_ROOT, ".cpl", nullptr, "cplfile");
    SetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr, "C:\\Panel\\main.cpl,2");
    SetRegString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", "");
    DeleteRegTree(HKEY_CLASSES_ROOT, kVerbKey);
    Facts.IntegratedShell = 1;
    const int controls[] = {IDC_IS_SIZE,    IDC_IS_SIZESPIN, IDC_IS_LARGE,    IDC_IS_ALLCOLOURS, IDC_IS_TRANSPARENT,
                            IDC_IS_NOARROW, IDC_IS_BMPIMAGE, IDC_IS_CPLICONS, IDC_IS_FOLDERVERB};
    const struct { SystemLine line; const char *enabled; } cases[] = {    // enabled: each control above
        {LINE_9X, "111111111"}, {LINE_NT50, "111111111"}, {LINE_NT5, "111101111"}, {LINE_NT6, "000001111"},
        {LINE_NT62, "000001111"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.line));
        PretendSystem(c.line, false);
        SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "48");
        SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP", "16");
        ASSERT_NE(nullptr, OpenPage());
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(c.enabled[i] == '1', Enabled(controls[i])) << controls[i];
        IconSettingsToStandard(page_);
        const bool sized = c.enabled[0] == '1';
        EXPECT_EQ(sized ? 3 : 0, ListHost::SetChangedCount());
        SetDlgItemTextA(page_, IDC_IS_SIZE, "40");
        Apply();
        EXPECT_EQ(sized ? "40/(absent)" : "48/16", GetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size") + "/" +
                                                    RegValueOrAbsent(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP"));
    }
}

TEST(FolderVerb, CommandQuotesAProgramPathWithBlanksAndIsKnownAgain)
{
    const struct {
        const char *program;
        const char *command;
    } cases[] = {
        {"C:\\Program Files\\Tilefox\\TILEFOX.EXE", "\"C:\\Program Files\\Tilefox\\TILEFOX.EXE\" /ChgIcon %1"},
        {"  C:\\TOOLS\\TILEFOX.EXE ", "C:\\TOOLS\\TILEFOX.EXE /ChgIcon %1"},
    };
    char command[COMMAND_BUFFER];
    for (const auto &c : cases) {
        ASSERT_TRUE(FormFolderVerbCommand(c.program, command)) << c.program;
        EXPECT_STREQ(c.command, command);
    }
    EXPECT_FALSE(FormFolderVerbCommand("   ", command));

    const char program[] = "C:\\Program Files\\Tilefox\\TILEFOX.EXE";
    const struct {
        const char *command;
        BOOL own;
    } reads[] = {
        {"\"C:\\Program Files\\Tilefox\\TILEFOX.EXE\" /ChgIcon %1", TRUE},
        {"c:\\program files\\tilefox\\tilefox.exe /ChgIcon %1", TRUE},
        {"C:\\Program Files\\Tilefox\\TILEFOX.EXE2 /ChgIcon %1", FALSE},
        {"C:\\Program Files\\Tilefox\\TILEFOX.EXE", FALSE},     // no longer than the path + 1
    };
    for (const auto &r : reads)
        EXPECT_EQ(r.own, IsOwnFolderVerb(r.command, program)) << r.command;
}

TEST_F(IconSettingsTest, FolderVerbIsRegisteredOnlyUnderTheIntegratedShell)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    char expected[COMMAND_BUFFER];
    ASSERT_TRUE(FormFolderVerbCommand(program, expected));

    Facts.IntegratedShell = 1;
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_TRUE(Enabled(IDC_IS_FOLDERVERB));
    EXPECT_FALSE(Enabled(IDC_IS_BROWSESETTING));
    Click(IDC_IS_FOLDERVERB);
    EXPECT_TRUE(Enabled(IDC_IS_BROWSESETTING));
    EXPECT_FALSE(Apply());
    EXPECT_EQ(expected, GetRegString(HKEY_CLASSES_ROOT, kCommandKey, nullptr));

    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_CHECKED, State(IDC_IS_FOLDERVERB));
    EXPECT_TRUE(Enabled(IDC_IS_BROWSESETTING));

    // Without the integrated shell the page removes the program's own verb at once.
    Facts.IntegratedShell = 0;
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_FALSE(Enabled(IDC_IS_FOLDERVERB));
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_FOLDERVERB));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kVerbKey));

    // Another program's verb stays.
    SetRegString(HKEY_CLASSES_ROOT, kCommandKey, nullptr, "C:\\Other\\OTHER.EXE /ChgIcon %1");
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ("C:\\Other\\OTHER.EXE /ChgIcon %1", GetRegString(HKEY_CLASSES_ROOT, kCommandKey, nullptr));
}

TEST_F(IconSettingsTest, TransparentLabelsComeBackAtLogOnThroughAStartupShortcut)
{
    std::string link = StartupShortcutPath();
    if (link.empty() || GetFileAttributesA(link.substr(0, link.rfind('\\')).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no Startup folder in this prefix";
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << "left over from an earlier run";

    ASSERT_NE(nullptr, OpenPage());
    EXPECT_EQ(BST_UNCHECKED, State(IDC_IS_TRANSPARENT)) << "no desktop list view here";
    Click(IDC_IS_TRANSPARENT);
    EXPECT_FALSE(Apply());
    DWORD attributes = GetFileAttributesA(link.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);

    Click(IDC_IS_TRANSPARENT);
    Apply();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str()));
    DeleteFileA(link.c_str());
}

// Both texts written for the shell to show come in the language shown, and a later run in the
// other language still finds them to take them away.
TEST_F(IconSettingsTest, VerbAndStartupShortcutAreNamedInTheLanguageShownAndGoInEither)
{
    Facts.IntegratedShell = 1;
    const char *orders[][2] = {{"ja", "en"}, {"en", "ja"}};
    for (const auto &order : orders) {
        ChooseLanguage(order[0]);
        std::string link = StartupShortcutPath();
        if (link.empty() || GetFileAttributesA(link.substr(0, link.rfind('\\')).c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "no Startup folder in this prefix";
        ASSERT_NE(nullptr, OpenPage());
        Click(IDC_IS_FOLDERVERB);
        Click(IDC_IS_TRANSPARENT);
        Apply();
        char verb[TEXT_BUFFER];
        ASSERT_TRUE(LoadTextIn(ShownLanguage(), IDS_FOLDERVERB, verb, sizeof verb));
        EXPECT_EQ(verb, GetRegString(HKEY_CLASSES_ROOT, kVerbKey, nullptr)) << order[0];
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << order[0];

        ChooseLanguage(order[1]);
        ASSERT_NE(link, StartupShortcutPath());
        // Ticked again in the other language: the first language's shortcut goes.
        ASSERT_NE(nullptr, OpenPage());
        Click(IDC_IS_TRANSPARENT);
        Apply();
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << order[1];
        MakeShortcut(link, link.substr(0, link.rfind('\\')));
        ASSERT_NE(nullptr, OpenPage());
        EXPECT_EQ(BST_CHECKED, State(IDC_IS_FOLDERVERB)) << order[1];
        Click(IDC_IS_FOLDERVERB);
        Click(IDC_IS_TRANSPARENT);
        Click(IDC_IS_TRANSPARENT);
        Apply();
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(StartupShortcutPath().c_str())) << order[1];
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kVerbKey)) << order[1];
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << order[1];
        DeleteFileA(link.c_str());
    }
    ChooseLanguage("");
}

TEST(LabelGate, OldCommonControlsDisableTransparency)
{
    const struct {
        DWORD high;
        DWORD low;
        BOOL supported;
    } cases[] = {
        {0x00030032, 0x00000000, FALSE}, {0x00040000, 0x03B60000, FALSE},    // 4.00.950
        {0x00040000, 0x03B80000, TRUE},  {0x00040046, 0x00000000, TRUE},     // 4.00.952, 4.70
        {0, 0, FALSE},                                                     // no version record
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.supported, LabelTransparencySupported(c.high, c.low)) << std::hex << c.high << "." << c.low;
}

TEST_F(IconSettingsTest, CacheDeletionAsksFirst)
{
    char path[MAX_PATH];
    ASSERT_TRUE(FormIconCachePath(path));
    DeleteFileA(path);
    ASSERT_NE(nullptr, OpenPage());
    EXPECT_FALSE(Enabled(IDC_IS_DELETECACHE)) << "no cache file";

    WriteFileText(path, "cache");
    SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(nullptr, OpenPage());
    ASSERT_TRUE(Enabled(IDC_IS_DELETECACHE));

    BoxRecorder boxes(IDCANCEL);
    Click(IDC_IS_DELETECACHE);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path)) << "Cancel deletes nothing";
    EXPECT_TRUE(Enabled(IDC_IS_DELETECACHE));
    ASSERT_EQ(1u, boxes.Texts.size());
    EXPECT_NE(std::string::npos, boxes.Texts[0].find(path));

    // The question, then the report.
    boxes.Answer = IDOK;
    Click(IDC_IS_DELETECACHE);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path));
    EXPECT_FALSE(Enabled(IDC_IS_DELETECACHE));
    EXPECT_EQ(3u, boxes.Texts.size()) << "the question, then the report";
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

// Whatever the page writes, in either direction, its restore point takes back: the keys and
// values as they were, the verb's keys gone again, the Startup shortcut as before.
TEST_F(IconSettingsTest, EverySettingAppliedIsTakenBack)
{
    std::string link = StartupShortcutPath();
    SetRegString(HKEY_CLASSES_ROOT, ".bmp", nullptr, kTestBmpClass);
    SetRegString(HKEY_CLASSES_ROOT, kTestBmpIcon, nullptr, "C:\\Paint\\pbrush.exe,3");
    SetRegString(HKEY_CLASSES_ROOT, ".cpl", nullptr, "cplfile");
    SetRegString(HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", nullptr, "%1");
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size", "32");
    DeleteRegTree(HKEY_CLASSES_ROOT, kVerbKey);
    Facts.IntegratedShell = 1;
    RegistrySnapshot snapshot({{HKEY_CURRENT_USER, "Control Panel", true},
                               {HKEY_LOCAL_MACHINE, "Software\\Classes\\lnkfile", false},
                               {HKEY_LOCAL_MACHINE, "Software\\Classes\\piffile", false},
                               {HKEY_LOCAL_MACHINE, "Software\\Classes\\TilefoxTest.Bitmap", true},
                               {HKEY_LOCAL_MACHINE, "Software\\Classes\\cplfile", true},
                               {HKEY_LOCAL_MACHINE, "Software\\Classes\\Directory", true}});
    snapshot.Take();
    std::string linkBefore = link.empty() ? "" : ReadFileText(link);

    ASSERT_NE(nullptr, OpenPage());
    SetDlgItemTextA(page_, IDC_IS_SIZE, "48");
    for (int control : {IDC_IS_ALLCOLOURS, IDC_IS_NOARROW, IDC_IS_BMPIMAGE, IDC_IS_CPLICONS, IDC_IS_TRANSPARENT,
                        IDC_IS_FOLDERVERB})
        Click(control);
    {
        RestorePoint point;
        ASSERT_TRUE(point.Begin());
        RecordIconSettings(page_, &point);
        ASSERT_TRUE(point.Seal());
        Apply();
        point.Finish();
    }
    ASSERT_LE(6u, snapshot.ChangesSince().size());
    ASSERT_NE(linkBefore, link.empty() ? "" : ReadFileText(link));

    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_DONE, TakeBackRestorePoint(nullptr, nullptr));
    EXPECT_EQ("", JoinLines(snapshot.ChangesSince()));
    EXPECT_EQ(linkBefore, link.empty() ? "" : ReadFileText(link));
    EXPECT_EQ(1u, boxes.Texts.size()) << boxes.All();
    Facts.IntegratedShell = 0;
    if (linkBefore.empty() && !link.empty())
        DeleteFileA(link.c_str());
}

}  // namespace
