// Taking back an Apply of the whole real sheet: the registry (whole-registry snapshot) and the
// drive's AUTORUN.INF are as before, the sheet shows what is in force, changes made by hand
// since stay, and nothing is applied without a restore point unless the user says so. The
// shell is never told (AutoRefresh off, RefreshLevel 0).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/restoreapply.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listcommands.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/regsnapshot.h"
#include "support/testing.h"

namespace {

const char kMetrics[] = "Control Panel\\desktop\\windowmetrics";
const char kAutorun[] = "X:\\AUTORUN.INF";
// As a drive may already have one: another key, another section, hidden.
const char kAutorunBefore[] = "[autorun]\r\nopen=setup.exe\r\n\r\n[Other]\r\nx=1\r\n";

std::vector<RegistryScope> WatchedKeys()
{
    std::vector<RegistryScope> scope = {
        {HKEY_CURRENT_USER, "", true},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer", true},
        {HKEY_LOCAL_MACHINE, "Software\\Classes", true},
    };
    return scope;
}

std::string Join(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

std::string AutorunState()
{
    DWORD attributes = GetFileAttributesA(kAutorun);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "absent";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kAutorun);
    return std::to_string(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) + " " +
           ReadFileText(kAutorun);
}

class RestoreApplyTest : public testing::Test {
protected:
    void SetUp() override
    {
        app_.reset(new AppSetup("restoreapply"));
        WriteFileText(App.SettingsPath, "[Options]\r\nAutoRefresh=0\r\nRefreshLevel=0\r\nDriveIconMsg=0\r\n");
        // X: is the test prefix's throwaway drive (README).
        haveDrive_ = GetFileAttributesA("X:\\TILEFOX.TST") != INVALID_FILE_ATTRIBUTES;
        if (haveDrive_) {
            SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
            WriteFileText(kAutorun, kAutorunBefore);
            SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_HIDDEN);
        }
        SetRegString(HKEY_CURRENT_USER, kMetrics, "Shell Icon Size", "32");
        SetRegString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", "");
        SetRegString(HKEY_CLASSES_ROOT, "piffile", "IsShortcut", "");
        snapshot_.Take();
        autorun_ = AutorunState();
    }

    void TearDown() override
    {
        app_.reset();
        snapshot_.Restore();
        if (haveDrive_) {
            SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(kAutorun);
        }
    }

    void Open()
    {
        sheet_ = app_->OpenSheet(0);
        ASSERT_NE(nullptr, sheet_);
        for (int i = 0; i < 40 && !AllListsFilled(true); ++i)
            PumpMessages(100);
        PumpMessages(300);
        ASSERT_TRUE(AllListsFilled(true));
    }

    // The first ordinary row of each list, as the registry-diff test picks them.
    static int RowOf(HWND list)
    {
        int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            if (GetEntry(list, row)->Kind == KIND_ORDINARY)
                return row;
        }
        return -1;
    }

    // A location of its own pasted onto a row of every list, the icon size and the arrow on
    // Settings 1, and X:'s own icon.
    void ChangeEveryTab(int variant)
    {
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            int row = RowOf(list);
            if (row < 0)
                continue;
            std::string location = FixturePath("icons12.dll") + "," + std::to_string(tab + variant);
            ASSERT_TRUE(CopyToClipboard(location.c_str()));
            SendMessageA(list, LB_SETCURSEL, row, 0);
            RunListCommand(list, IDM_PASTE, FALSE);
        }
        HWND settings = Sheet.TabDialogs[TAB_SETTINGS1];
        SetDlgItemTextA(settings, IDC_IS_SIZE, std::to_string(40 + variant).c_str());
        SendDlgItemMessageA(settings, IDC_IS_NOARROW, BM_CLICK, 0, 0);
        if (haveDrive_) {
            HWND page = Sheet.TabDialogs[TAB_DRIVE];
            HWND panel = FindWindowExA(page, nullptr, "#32770", nullptr);
            while (panel != nullptr && GetDlgItem(panel, IDC_DP_DRIVES) == nullptr)
                panel = FindWindowExA(page, panel, "#32770", nullptr);
            ASSERT_NE(nullptr, panel);
            int index = int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
            ASSERT_GE(index, 0);
            std::string location = FixturePath("icons12.dll") + "," + std::to_string(variant);
            EXPECT_EQ(1, SetDriveIcon(panel, index, location.c_str()));
        }
        EXPECT_TRUE(ApplyEnabled());
    }

    bool ApplyEnabled() { return IsWindowEnabled(GetDlgItem(sheet_, IDC_SHEET_APPLY)) != FALSE; }

    void Apply()
    {
        PostMessageA(sheet_, WM_COMMAND, IDC_SHEET_APPLY, reinterpret_cast<LPARAM>(GetDlgItem(sheet_, IDC_SHEET_APPLY)));
        PumpMessages(300);
    }

    void TakeBack(BoxRecorder *boxes)
    {
        SendMessageA(sheet_, WM_SYSCOMMAND, IDM_SYS_TAKEBACK, 0);
        PumpMessages(300);
        EXPECT_LE(1u, boxes->Texts.size());
    }

    // The take-back item, last in the system menu; grey while there is nothing to take back.
    bool TakeBackOffered()
    {
        HMENU menu = GetSystemMenu(sheet_, FALSE);
        SendMessageA(sheet_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
        int count = GetMenuItemCount(menu);
        EXPECT_EQ(UINT(IDM_SYS_TAKEBACK), GetMenuItemID(menu, count - 1));
        EXPECT_EQ(UINT(IDM_SYS_ALLSTANDARD), GetMenuItemID(menu, count - 2));
        return !(GetMenuState(menu, IDM_SYS_TAKEBACK, MF_BYCOMMAND) & MF_GRAYED);
    }

    // Every changed row shows what the registry holds again, unchanged.
    void ExpectListsShowTheRegistry()
    {
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            int row = RowOf(list);
            if (row < 0)
                continue;
            const IconEntry *entry = GetEntry(list, row);
            EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState) << "tab " << tab;
            EXPECT_EQ(std::string::npos, std::string(entry->CurrentLocation).find("icons12.dll")) << "tab " << tab;
        }
        EXPECT_EQ("32", DlgItemText(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_SIZE));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_NOARROW));
        EXPECT_FALSE(ApplyEnabled());
    }

    static std::string DlgItemText(HWND dialog, int id)
    {
        char text[64] = "";
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }

    std::unique_ptr<AppSetup> app_;
    HWND sheet_ = nullptr;
    bool haveDrive_ = false;
    std::string autorun_;
    RegistrySnapshot snapshot_{WatchedKeys(), {"HKCU\\Software\\Wine"}};
};

TEST_F(RestoreApplyTest, EveryTabAppliedTwiceIsTakenBackTwice)
{
    Open();
    EXPECT_FALSE(TakeBackOffered());
    ChangeEveryTab(1);
    Apply();
    std::vector<std::string> first = snapshot_.ChangesSince();
    std::string firstAutorun = AutorunState();
    ASSERT_GE(first.size(), 7u);
    EXPECT_TRUE(TakeBackOffered());

    ChangeEveryTab(2);
    Apply();
    ASSERT_NE(Join(first), Join(snapshot_.ChangesSince()));

    BoxRecorder boxes;
    TakeBack(&boxes);
    EXPECT_EQ(Join(first), Join(snapshot_.ChangesSince()));
    EXPECT_EQ(firstAutorun, AutorunState());
    TakeBack(&boxes);
    EXPECT_EQ("", Join(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, AutorunState());
    ExpectListsShowTheRegistry();
    EXPECT_FALSE(TakeBackOffered());
    EXPECT_EQ(2u, boxes.Texts.size()) << boxes.All();
}

TEST_F(RestoreApplyTest, AValueChangedByHandSinceIsLeftAndNamed)
{
    Open();
    ChangeEveryTab(1);
    Apply();
    // The General list writes a Shell Icons value; someone sets it by hand afterwards.
    HWND general = ListOfTab(TAB_GENERAL);
    std::string index = GetEntry(general, RowOf(general))->RegistryKey;
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), "by hand");
    std::string line = RegistrySnapshot::Line('+', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, "by hand");
    std::string changed = RegistrySnapshot::Line('~', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, "by hand");

    BoxRecorder boxes;
    TakeBack(&boxes);
    // Only that value is left, with its key when the Apply made it.
    std::string left = Join(snapshot_.ChangesSince());
    std::string key = RegistrySnapshot::KeyLine('+', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY) + "\n";
    EXPECT_TRUE(left == changed + "\n" || left == line + "\n" + key || left == key + line + "\n") << left;
    EXPECT_EQ(autorun_, AutorunState());
    ASSERT_EQ(1u, boxes.Texts.size());
    EXPECT_NE(std::string::npos, boxes.Texts[0].find(std::string(SHELL_ICONS_KEY) + "\\" + index)) << boxes.All();
}

TEST_F(RestoreApplyTest, PendingChangesAreDroppedOnlyWhenTheUserAgrees)
{
    Open();
    ChangeEveryTab(1);
    Apply();
    std::string applied = Join(snapshot_.ChangesSince());
    ChangeEveryTab(2);
    {
        BoxRecorder no(IDNO);
        TakeBack(&no);
        EXPECT_EQ(applied, Join(snapshot_.ChangesSince()));
        EXPECT_TRUE(ApplyEnabled());
    }
    BoxRecorder yes(IDYES);
    TakeBack(&yes);
    EXPECT_EQ("", Join(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, AutorunState());
    ExpectListsShowTheRegistry();
}

TEST_F(RestoreApplyTest, WithoutARecordNothingIsAppliedUnlessTheUserSaysSo)
{
    Open();
    ChangeEveryTab(1);
    // The settings file's folder is gone: no record can be written beside it.
    std::string settings = App.SettingsPath;
    CopyText(App.SettingsPath, (app_->Dir() + "\\gone\\tilefox.INI").c_str(), MAX_PATH);
    {
        BoxRecorder no(IDNO);
        Apply();
        EXPECT_EQ(1u, no.Texts.size());
        EXPECT_EQ("", Join(snapshot_.ChangesSince()));
        EXPECT_EQ(autorun_, AutorunState());
        EXPECT_TRUE(ApplyEnabled());
    }
    BoxRecorder yes(IDYES);
    Apply();
    EXPECT_NE("", Join(snapshot_.ChangesSince()));
    EXPECT_FALSE(ApplyEnabled());
    CopyText(App.SettingsPath, settings.c_str(), MAX_PATH);
}

TEST_F(RestoreApplyTest, TheCommandLineTakesBackAfterTheSheetHasGone)
{
    {
        BoxRecorder none;
        TakeBackFromCommandLine();
        EXPECT_EQ(1u, none.Texts.size()) << "no restore point is said";
    }
    Open();
    ChangeEveryTab(1);
    Apply();
    DestroyWindow(sheet_);
    PumpMessages(100);
    ASSERT_NE("", Join(snapshot_.ChangesSince()));

    BoxRecorder boxes;
    TakeBackFromCommandLine();
    EXPECT_EQ("", Join(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, AutorunState());
    EXPECT_EQ(1u, boxes.Texts.size());
}

}  // namespace
