// The sheet window's own procedure: Apply, OK, Cancel and the close box, the system menu,
// and the choice of how the shell is told about applied icons.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <string>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "app/frame.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "app/sheetwindow.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "support/testing.h"

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

const ContentPage kQuietPages[TAB_COUNT] = {
    {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
    {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
};

void StartApp(const std::string &dir)
{
    CopyText(App.SettingsPath, (dir + "\\tilefox.INI").c_str(), MAX_PATH);
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    char system[MAX_PATH + 1];
    GetSystemDirectoryA(system, MAX_PATH);
    Facts.SystemDirPath = DupString(AddBackslash(system));
    ClearCopiedIcon();
    App.DefaultBrowseLocation = nullptr;
    App.InstanceWindow = nullptr;
    Facts.PlusMode = 0;
    ResetSettings();
}

void EndApp(const std::string &dir)
{
    FreeAppText(&Facts.SystemDirPath);
    RemoveTree(dir);
}

class SheetWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("sheetwin");
        StartApp(dir_);
        sheet_ = reinterpret_cast<HWND>(RunPropertySheet(0, PSH_MODELESS, kQuietPages));
        PumpMessages(200);
    }
    void TearDown() override
    {
        if (sheet_ != nullptr && IsWindow(sheet_))
            DestroyWindow(sheet_);
        PumpMessages(50);
        EndApp(dir_);
    }

    HWND Apply() const { return GetDlgItem(sheet_, IDC_SHEET_APPLY); }
    std::string Settings() const { return ReadFileText(App.SettingsPath); }
    UINT MenuState(UINT command) const
    {
        return GetMenuState(GetSystemMenu(sheet_, FALSE), command, MF_BYCOMMAND);
    }

    std::string dir_;
    HWND sheet_ = nullptr;
};

TEST_F(SheetWindowTest, ApplyButtonFollowsPendingChanges)
{
    ASSERT_NE(nullptr, sheet_);
    EXPECT_FALSE(IsWindowEnabled(Apply()));
    EXPECT_EQ(0, SendMessageA(sheet_, UM_SETCHANGED, 0, 1));
    EXPECT_TRUE(IsWindowEnabled(Apply()));
    EXPECT_EQ(1, Sheet.ChangesPending);

    SendMessageA(sheet_, WM_COMMAND, IDC_SHEET_APPLY, reinterpret_cast<LPARAM>(Apply()));
    EXPECT_FALSE(IsWindowEnabled(Apply()));
    EXPECT_EQ(0, Sheet.ChangesPending);
    EXPECT_TRUE(IsWindowVisible(sheet_));

    // Nothing pending: Apply only greys itself.
    EnableWindow(Apply(), TRUE);
    SendMessageA(sheet_, WM_COMMAND, IDC_SHEET_APPLY, reinterpret_cast<LPARAM>(Apply()));
    EXPECT_FALSE(IsWindowEnabled(Apply()));

    SendMessageA(sheet_, UM_SETCHANGED, 0, 1);
    SendMessageA(sheet_, UM_SETCHANGED, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(Apply()));
    EXPECT_EQ(0, Sheet.ChangesPending);
}

TEST_F(SheetWindowTest, CloseBoxIsCancelAndSavesTheSettings)
{
    ASSERT_NE(nullptr, sheet_);
    SendMessageA(sheet_, UM_SETCHANGED, 0, 1);
    RECT box;
    GetWindowRect(sheet_, &box);
    EXPECT_EQ(0, SendMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0));
    PumpMessages(200);
    EXPECT_FALSE(IsWindowVisible(sheet_));
    // Cancel drops what was pending.
    EXPECT_EQ(1, Sheet.ChangesPending);

    std::string text = Settings();
    char position[64];
    wsprintfA(position, "PosX%d=%d", GetSystemMetrics(SM_CXSCREEN), int(box.left));
    EXPECT_NE(std::string::npos, text.find(position)) << text;
    const char *order[] = {"IconViewMode=1", "IconSizeL=32", "IconSizeS=16", "AutoRefresh=1", "DriveIconMsg=1",
                           "StartupTab=0", "DialogRows=4", "DialogAnimation=12", "HookComDlg=0"};
    size_t at = 0;
    for (const char *key : order) {
        size_t found = text.find(key, at);
        EXPECT_NE(std::string::npos, found) << key << " after offset " << at << " in\n" << text;
        if (found != std::string::npos)
            at = found;
    }
}

TEST_F(SheetWindowTest, OkAppliesWhatIsPendingAndSaves)
{
    ASSERT_NE(nullptr, sheet_);
    SendMessageA(sheet_, UM_SETCHANGED, 0, 1);
    PostMessageA(sheet_, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(sheet_, IDOK)));
    PumpMessages(200);
    EXPECT_EQ(0, Sheet.ChangesPending);
    EXPECT_NE(std::string::npos, Settings().find("HookComDlg=0"));
}

TEST_F(SheetWindowTest, SystemMenuFollowsMinimiseAndRestore)
{
    ASSERT_NE(nullptr, sheet_);
    ShowWindow(sheet_, SW_MINIMIZE);
    PumpMessages(100);
    EXPECT_TRUE(MenuState(SC_MINIMIZE) & MF_GRAYED);
    EXPECT_FALSE(MenuState(SC_RESTORE) & MF_GRAYED);

    // Closed while minimised: the stored position stays as it was.
    SendMessageA(sheet_, WM_COMMAND, IDCANCEL, 0);
    PumpMessages(100);
    std::string text = Settings();
    EXPECT_EQ(std::string::npos, text.find("PosX")) << text;
    EXPECT_NE(std::string::npos, text.find("IconViewMode"));

    ShowWindow(sheet_, SW_RESTORE);
    PumpMessages(100);
    EXPECT_TRUE(MenuState(SC_RESTORE) & MF_GRAYED);
    EXPECT_FALSE(MenuState(SC_MINIMIZE) & MF_GRAYED);
}

// --- Apply commits the rows ---------------------------------------------------------------------

int g_driveApplies;

INT_PTR CALLBACK DriveRecordingPage(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == UM_APPLYDRIVEICONS)
        ++g_driveApplies;
    return message == WM_INITDIALOG;
}

const ContentPage kDrivePages[TAB_COUNT] = {
    {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
    {IDD_SHEETPAGE, DriveRecordingPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
};

const char kClassKey[] = "Software\\Classes\\CLSID\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
const char kUnchangedKey[] = "Software\\Classes\\CLSID\\{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F1}";
const char kShellIcons[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";

IconEntry *NewEntry(BYTE state, const char *key, const char *current, const char *saved)
{
    auto *entry = static_cast<IconEntry *>(GlobalAlloc(GPTR, sizeof(IconEntry)));
    entry->ChangeState = state;
    entry->DisplayName = DupString("row");
    entry->CurrentLocation = DupString(current);
    entry->SavedLocation = saved != nullptr ? DupString(saved) : nullptr;
    entry->RegistryKey = DupString(key);
    return entry;
}

void FreeEntries(HWND list)
{
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr)
            continue;
        for (char *text : {entry->DisplayName, entry->CurrentLocation, entry->SavedLocation, entry->RegistryKey})
            if (text != nullptr)
                GlobalFree(text);
        GlobalFree(entry);
    }
}

HWND AddList(int tab, std::initializer_list<IconEntry *> entries)
{
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 50, 50, Sheet.TabDialogs[tab], nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    for (IconEntry *entry : entries) {
        int row = int(SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row")));
        SendMessageA(list, LB_SETITEMDATA, row, reinterpret_cast<LPARAM>(entry));
    }
    Lists.TabLists[tab] = list;
    return list;
}

TEST(ApplyTest, ChangedRowsAreWrittenAndMarkedUnchanged)
{
    std::string dir = MakeTempDir("apply");
    StartApp(dir);
    HWND sheet = reinterpret_cast<HWND>(RunPropertySheet(0, PSH_MODELESS, kDrivePages));
    ASSERT_NE(nullptr, sheet);
    PumpMessages(200);
    // Nothing may reach the shell from this test.
    Settings.AutoRefresh = 0;
    Settings.RefreshLevel = 0;
    g_driveApplies = 0;

    IconEntry *desktopRow = NewEntry(STATE_CHANGED, kClassKey + 23, "c:\\new.ico,0", "c:\\old.ico,0");
    IconEntry *quietRow = NewEntry(STATE_UNCHANGED, kUnchangedKey + 23, "c:\\same.ico,0", "c:\\same.ico,0");
    IconEntry *generalRow = NewEntry(STATE_THEME, "99", "c:\\theme.icl,3", nullptr);
    HWND desktop = AddList(0, {quietRow, desktopRow});
    HWND general = AddList(1, {generalRow});
    HWND drive = AddList(4, {});

    SendMessageA(sheet, UM_SETCHANGED, 0, 1);
    SendMessageA(sheet, WM_COMMAND, IDC_SHEET_APPLY, 0);
    PumpMessages(100);

    EXPECT_EQ("c:\\new.ico,0", GetRegString(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\DefaultIcon").c_str(), ""));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, (std::string(kUnchangedKey) + "\\DefaultIcon").c_str(), ""));
    EXPECT_EQ("c:\\theme.icl,3", GetRegString(HKEY_LOCAL_MACHINE, kShellIcons, "99"));
    for (IconEntry *entry : {desktopRow, generalRow}) {
        EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
        ASSERT_NE(nullptr, entry->SavedLocation);
        EXPECT_STREQ(entry->CurrentLocation, entry->SavedLocation);
    }
    EXPECT_EQ(1, g_driveApplies);
    EXPECT_TRUE(IsWindowEnabled(sheet));
    EXPECT_EQ(0, Sheet.ChangesPending);

    // OK afterwards has nothing left to commit.
    DeleteRegTree(HKEY_LOCAL_MACHINE, kClassKey);
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    PumpMessages(150);
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\DefaultIcon").c_str(), ""));

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kShellIcons, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "99");
        RegCloseKey(key);
    }
    DeleteRegTree(HKEY_LOCAL_MACHINE, kClassKey);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kUnchangedKey);
    for (HWND list : {desktop, general, drive})
        FreeEntries(list);
    DestroyWindow(sheet);
    PumpMessages(50);
    EndApp(dir);
}

// --- telling the shell ------------------------------------------------------------------------

const UINT kNotifyMessage = WM_APP + 7;
int g_iniChanges;
int g_notifications;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WININICHANGE)
        ++g_iniChanges;
    if (message == kNotifyMessage)
        ++g_notifications;
    return DefWindowProcA(window, message, wParam, lParam);
}

typedef ULONG(WINAPI *NotifyRegisterProc)(HWND, int, LONG, UINT, int, const SHChangeNotifyEntry *);
typedef BOOL(WINAPI *NotifyDeregisterProc)(ULONG);

class ShellRefreshTest : public testing::Test {
protected:
    static constexpr const char *kMetrics = "Control Panel\\desktop\\windowmetrics";

    void SetUp() override
    {
        hadIconSize_ = RegValueExists(HKEY_CURRENT_USER, kMetrics, "Shell Icon Size");
        iconSize_ = GetRegString(HKEY_CURRENT_USER, kMetrics, "Shell Icon Size");

        listener_ = CreateHelperWindow("TilefoxTestListener", ListenerProc);

        HMODULE shell = GetModuleHandleA("shell32.dll");
        auto registerProc = reinterpret_cast<NotifyRegisterProc>(GetProcAddress(shell, MAKEINTRESOURCEA(2)));
        SHChangeNotifyEntry entry = {nullptr, TRUE};
        if (registerProc != nullptr)
            registration_ = registerProc(listener_, 0x0001 | 0x0002 | 0x1000, SHCNE_ASSOCCHANGED, kNotifyMessage, 1,
                                         &entry);

        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        std::string tool = TestBinDir() + "progman_standin.exe";
        if (CreateProcessA(tool.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &tool_)) {
            for (int i = 0; i < 100 && desktop_ == nullptr; ++i) {
                PumpMessages(50);
                HWND found = FindWindowA("Progman", nullptr);
                DWORD process = 0;
                if (found != nullptr)
                    GetWindowThreadProcessId(found, &process);
                if (process == tool_.dwProcessId)
                    desktop_ = found;
            }
        }
    }

    void TearDown() override
    {
        if (registration_ != 0) {
            auto deregister = reinterpret_cast<NotifyDeregisterProc>(
                GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(4)));
            if (deregister != nullptr)
                deregister(registration_);
        }
        DestroyWindow(listener_);
        if (tool_.hProcess != nullptr) {
            if (desktop_ != nullptr)
                PostMessageA(desktop_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(tool_.hProcess, 5000) != WAIT_OBJECT_0)
                TerminateProcess(tool_.hProcess, 0);
            CloseHandle(tool_.hProcess);
            CloseHandle(tool_.hThread);
        }
        if (hadIconSize_)
            SetRegString(HKEY_CURRENT_USER, kMetrics, "Shell Icon Size", iconSize_.c_str());
        else
            RegDeleteValueKey();
        Facts.NewShell = 0;
        ResetSettings();
    }

    void RegDeleteValueKey()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kMetrics, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Shell Icon Size");
            RegCloseKey(key);
        }
    }

    std::string DesktopLog() const
    {
        char text[1024] = "";
        GetWindowTextA(desktop_, text, sizeof text);
        return text;
    }

    bool hadIconSize_ = false;
    std::string iconSize_;
    HWND listener_ = nullptr;
    ULONG registration_ = 0;
    PROCESS_INFORMATION tool_ = {};
    HWND desktop_ = nullptr;
};

TEST_F(ShellRefreshTest, EachKindOfChangeReachesTheShellItsOwnWay)
{
    ASSERT_NE(nullptr, desktop_);
    ASSERT_NE(0u, registration_);
    struct Case {
        BYTE desktopRefresh, iconRedraw, autoRefresh, refreshLevel, newShell;
        bool redrawn, keyed, notified;
    } cases[] = {
        {0, 1, 1, 2, 0, true, false, false},   // a general picture: the icon redraw
        {1, 1, 1, 1, 0, true, false, false},   // redraw wins over F5
        {0, 1, 0, 1, 0, false, false, false},  // no redraw wanted, no desktop item changed
        {1, 0, 1, 0, 1, false, false, false},  // level 0: the shell is not told
        {1, 0, 1, 1, 1, false, true, false},   // F5 to the desktop window
        {1, 0, 1, 1, 0, false, true, false},   // F5 to the list inside it
        {1, 0, 1, 2, 0, false, false, true},
        {1, 1, 0, 7, 0, false, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "desktop " << int(c.desktopRefresh) << " redraw " << int(c.iconRedraw)
                                        << " auto " << int(c.autoRefresh) << " level " << int(c.refreshLevel)
                                        << " new shell " << int(c.newShell));
        Settings.AutoRefresh = c.autoRefresh;
        Settings.RefreshLevel = c.refreshLevel;
        Facts.NewShell = c.newShell;
        g_iniChanges = 0;
        g_notifications = 0;
        SetWindowTextA(desktop_, "");
        RefreshShell(listener_, c.desktopRefresh, c.iconRedraw);
        PumpMessages(300);
        EXPECT_EQ(c.redrawn ? 2 : 0, g_iniChanges);
        EXPECT_EQ(c.notified, g_notifications > 0);
        std::string log = DesktopLog();
        EXPECT_EQ(c.keyed, log.find("list:down:116;list:up:116;") != std::string::npos) << log;
    }
}

}  // namespace
