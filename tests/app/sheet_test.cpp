// The sheet window's own procedure: Apply, OK, Cancel and the close box, the system menu,
// and the choice of how the shell is told about applied icons.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <string>

#include "app/frame.h"
#include "app/sheetstate.h"
#include "app/applychanges.h"
#include "app/sheetwindow.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/dialogsteps.h"
#include "support/listhost.h"
#include "support/probes.h"
#include "support/listrows.h"

namespace {

class SheetWindowTest : public testing::Test {
protected:
    void SetUp() override { sheet_ = app_.OpenSheet(0, QuietPages()); }

    HWND Apply() const { return GetDlgItem(sheet_, IDC_SHEET_APPLY); }
    std::string Settings() const { return ReadFileText(App.SettingsPath); }
    UINT MenuState(UINT command) const
    {
        return GetMenuState(GetSystemMenu(sheet_, FALSE), command, MF_BYCOMMAND);
    }

    AppSetup app_{"sheetwin"};
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

const char kClassId[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
const char kUnchangedId[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F1}";
const std::string kClassIcon = ClassKey(kClassId, "\\DefaultIcon");

IconEntry Changed(BYTE state, const char *key, const char *current, const char *saved)
{
    IconEntry entry = {};
    entry.ChangeState = state;
    entry.DisplayName = const_cast<char *>("row");
    entry.CurrentLocation = const_cast<char *>(current);
    entry.SavedLocation = const_cast<char *>(saved);
    entry.RegistryKey = const_cast<char *>(key);
    return entry;
}

// A hidden list of the tab, on the given parent, holding the rows as AddEntry makes them.
HWND AddList(int tab, HWND parent, std::initializer_list<IconEntry> rows)
{
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED, 0, 0, 50, 50, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    for (const IconEntry &row : rows)
        EXPECT_EQ(1, AddEntry(list, &row));
    Lists.TabLists[tab] = list;
    return list;
}

TEST(ApplyTest, ChangedRowsAreWrittenAndMarkedUnchanged)
{
    SavedRegistry saved;
    saved.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    saved.Tree(HKEY_LOCAL_MACHINE, ClassKey(kClassId));
    saved.Tree(HKEY_LOCAL_MACHINE, ClassKey(kUnchangedId));
    AppSetup app("apply");
    HWND sheet = app.OpenSheet(0, kDrivePages);
    ASSERT_NE(nullptr, sheet);
    // Nothing may reach the shell from this test.
    Settings.AutoRefresh = 0;
    Settings.RefreshLevel = 0;
    g_driveApplies = 0;

    HWND desktop = AddList(0, Sheet.TabDialogs[0],
                           {Changed(STATE_UNCHANGED, kUnchangedId, "c:\\same.ico,0", "c:\\same.ico,0"),
                            Changed(STATE_CHANGED, kClassId, "c:\\new.ico,0", "c:\\old.ico,0")});
    HWND general = AddList(1, Sheet.TabDialogs[1], {Changed(STATE_THEME, "99", "c:\\theme.icl,3", nullptr)});
    AddList(4, Sheet.TabDialogs[4], {});

    SendMessageA(sheet, UM_SETCHANGED, 0, 1);
    SendMessageA(sheet, WM_COMMAND, IDC_SHEET_APPLY, 0);
    PumpMessages(100);

    EXPECT_EQ("c:\\new.ico,0", GetRegString(HKEY_LOCAL_MACHINE, kClassIcon.c_str(), ""));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, ClassKey(kUnchangedId, "\\DefaultIcon").c_str(), ""));
    EXPECT_EQ("c:\\theme.icl,3", GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "99"));
    for (IconEntry *entry : {GetEntry(desktop, 1), GetEntry(general, 0)}) {
        EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
        ASSERT_NE(nullptr, entry->SavedLocation);
        EXPECT_STREQ(entry->CurrentLocation, entry->SavedLocation);
    }
    EXPECT_EQ(1, g_driveApplies);
    EXPECT_TRUE(IsWindowEnabled(sheet));
    EXPECT_EQ(0, Sheet.ChangesPending);

    // OK afterwards has nothing left to commit.
    DeleteRegTree(HKEY_LOCAL_MACHINE, ClassKey(kClassId).c_str());
    PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    PumpMessages(150);
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kClassIcon.c_str(), ""));
    for (int tab : {0, 1, 4})
        FreeList(Lists.TabLists[tab]);
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

enum Refresh { NOTHING, REDRAW, F5, NOTIFY };

typedef ULONG(WINAPI *NotifyRegisterProc)(HWND, int, LONG, UINT, int, const SHChangeNotifyEntry *);
typedef BOOL(WINAPI *NotifyDeregisterProc)(ULONG);

// Nothing reaches the real shell: a stand-in "Progman" notes the keys it gets, and this
// process listens for the metrics broadcast of the icon redraw and for change notifications.
class ShellRefreshTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved_.Value(HKEY_CURRENT_USER, kMetricsKey, kIconSize);
        listener_ = CreateHelperWindow("TilefoxTestListener", ListenerProc);

        HMODULE shell = GetModuleHandleA("shell32.dll");
        auto registerProc = reinterpret_cast<NotifyRegisterProc>(GetProcAddress(shell, MAKEINTRESOURCEA(2)));
        SHChangeNotifyEntry entry = {nullptr, TRUE};
        if (registerProc != nullptr)
            registration_ = registerProc(listener_, 0x0001 | 0x0002 | 0x1000, SHCNE_ASSOCCHANGED, kNotifyMessage, 1,
                                         &entry);

        standIn_.Start();
        desktop_ = standIn_.Desktop();
    }

    void TearDown() override
    {
        LearnSystem();
        if (registration_ != 0) {
            auto deregister = reinterpret_cast<NotifyDeregisterProc>(
                GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(4)));
            if (deregister != nullptr)
                deregister(registration_);
        }
        DestroyWindow(listener_);
    }

    Refresh Observed()
    {
        std::string log = WindowText(desktop_);
        bool keyed = log.find("list:down:116;list:up:116;") != std::string::npos ||
                     log.find("top:down:116;top:up:116;") != std::string::npos;
        return g_iniChanges > 0 ? REDRAW : keyed ? F5 : g_notifications > 0 ? NOTIFY : NOTHING;
    }

    // What reaches the shell comes within a moment; the moment is waited for in full only
    // where nothing comes.
    void WaitForShell()
    {
        for (int wait = 0; wait < 15 && Observed() == NOTHING; ++wait)
            PumpMessages(20);
        PumpUntilIdle();
    }

    // What reached the shell since the last call.
    Refresh Seen()
    {
        WaitForShell();
        EXPECT_TRUE(g_iniChanges == 0 || g_iniChanges == 2) << g_iniChanges;
        Refresh seen = Observed();
        g_iniChanges = 0;
        g_notifications = 0;
        SetWindowTextA(desktop_, "");
        return seen;
    }

    AppSetup app_{"refresh"};
    SavedRegistry saved_;
    HWND listener_ = nullptr;
    ULONG registration_ = 0;
    StandInDesktop standIn_;
    HWND desktop_ = nullptr;
};

TEST_F(ShellRefreshTest, EachKindOfChangeReachesTheShellItsOwnWay)
{
    ASSERT_NE(nullptr, desktop_);
    ASSERT_NE(0u, registration_);
    struct Case {
        BYTE desktopRefresh, iconRedraw, autoRefresh, refreshLevel, newShell;
        bool redrawn, keyed, notified;
        SystemLine line = LINE_9X;
    } cases[] = {
        {0, 1, 1, 2, 0, true, false, false},   // a general picture: the icon redraw
        {1, 1, 1, 1, 0, true, false, false},   // redraw wins over F5
        {0, 1, 0, 1, 0, false, false, false},  // no redraw wanted, no desktop item changed
        {1, 0, 1, 0, 1, false, false, false},  // level 0: the shell is not told
        {1, 0, 1, 1, 1, false, true, false},   // F5 to the desktop window
        {1, 0, 1, 1, 0, false, true, false},   // F5 to the list inside it
        {1, 0, 1, 2, 0, false, false, true},
        {1, 1, 0, 7, 0, false, false, true},
        {0, 1, 1, 2, 0, true, false, true, LINE_NT6},   // later Explorers also empty their icon cache
        {1, 0, 1, 1, 0, false, true, true, LINE_NT5},
        {1, 0, 1, 0, 0, false, false, false, LINE_NT62},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(&c - cases);
        Settings.AutoRefresh = c.autoRefresh;
        Settings.RefreshLevel = c.refreshLevel;
        Facts.NewShell = c.newShell;
        PretendSystem(c.line, false);
        g_iniChanges = 0;
        g_notifications = 0;
        SetWindowTextA(desktop_, "");
        RefreshShell(listener_, c.desktopRefresh, c.iconRedraw);
        WaitForShell();
        EXPECT_EQ(c.redrawn ? 2 : 0, g_iniChanges);
        EXPECT_EQ(c.notified, g_notifications > 0);
        std::string log = WindowText(desktop_);
        EXPECT_EQ(c.keyed, log.find("list:down:116;list:up:116;") != std::string::npos) << log;
    }
}

// Apply asks for a desktop refresh when it wrote Desktop or Special rows, and for the icon
// redraw when it wrote General, Start menu or Drive rows.
TEST_F(ShellRefreshTest, ApplyChoosesTheRefreshByTheTabsItWrote)
{
    ASSERT_NE(nullptr, desktop_);
    ASSERT_NE(0u, registration_);
    SavedRegistry saved;
    saved.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    saved.Tree(HKEY_LOCAL_MACHINE, ClassKey(kClassId));
    HWND sheet = CreateHelperWindow("TilefoxTestApplySheet", DefWindowProcA);
    Facts.NewShell = 0;
    Lists = ListsState();
    struct Case {
        int tab;
        Refresh byLevel[2][3];  // [AutoRefresh][RefreshLevel]
    } cases[] = {
        {TAB_DESKTOP, {{NOTHING, F5, NOTIFY}, {NOTHING, F5, NOTIFY}}},
        {TAB_GENERAL, {{NOTHING, NOTHING, NOTHING}, {REDRAW, REDRAW, REDRAW}}},
        {TAB_SPECIAL, {{NOTHING, F5, NOTIFY}, {NOTHING, F5, NOTIFY}}},
        {TAB_STARTMENU, {{NOTHING, NOTHING, NOTHING}, {REDRAW, REDRAW, REDRAW}}},
        {TAB_DRIVE, {{NOTHING, NOTHING, NOTHING}, {REDRAW, REDRAW, REDRAW}}},
    };
    Seen();
    for (const Case &c : cases) {
        for (BYTE autoRefresh : {0, 1}) {
            for (BYTE level : {0, 1, 2}) {
                Settings.AutoRefresh = autoRefresh;
                Settings.RefreshLevel = level;
                bool desktopRow = c.tab == TAB_DESKTOP || c.tab == TAB_SPECIAL;
                HWND list = AddList(c.tab, sheet, {Changed(STATE_CHANGED, desktopRow ? kClassId : "901", "c:\\new.ico,0",
                                                           "c:\\old.ico,0")});
                ApplyAllChanges(sheet);
                EXPECT_EQ(c.byLevel[autoRefresh][level], Seen())
                    << "tab " << c.tab << " auto " << int(autoRefresh) << " level " << int(level);
                EXPECT_EQ(STATE_UNCHANGED, GetEntry(list, 0)->ChangeState);
                EXPECT_TRUE(IsWindowEnabled(sheet));
                FreeList(list);
                DestroyWindow(list);
                Lists.TabLists[c.tab] = nullptr;
            }
        }
    }
    DestroyWindow(sheet);
}

// A size the shell cannot take stops Apply and OK before anything is written: the user reads
// the range on the Settings 1 tab, the focus waits in the field, and every change stays pending.
TEST(IconSizeApply, SizeOutsideTheRangeStopsTheWholeApply)
{
    const char metrics[] = "Control Panel\\desktop\\windowmetrics";
    SavedRegistry saved;
    saved.Value(HKEY_CURRENT_USER, metrics, "Shell Icon Size");
    saved.Value(HKEY_CURRENT_USER, metrics, "Shell Icon BPP");
    SetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size", "32");
    DeleteRegValue(HKEY_CURRENT_USER, metrics, "Shell Icon BPP");
    AppSetup app("sizeapply");
    Settings.AutoRefresh = 0;
    Settings.RefreshLevel = 0;
    HWND sheet = app.OpenFilledSheet(TAB_DESKTOP);
    ASSERT_NE(nullptr, sheet);
    HWND page = Sheet.TabDialogs[TAB_SETTINGS1];
    ASSERT_NE(nullptr, page);
    HWND field = GetDlgItem(page, IDC_IS_SIZE);
    HWND apply = GetDlgItem(sheet, IDC_SHEET_APPLY);
    HWND tabs = PropSheet_GetTabControl(sheet);
    char range[200];
    wsprintfA(range, LoadText(IDS_ICONSIZERANGE), 8, 96);

    auto press = [&](int button) {
        std::string box;
        DialogScript script({AnswerThisBox(IDOK, &box)}, DialogWith(0xFFFF));
        SendMessageA(sheet, WM_COMMAND, button, reinterpret_cast<LPARAM>(GetDlgItem(sheet, button)));
        PumpMessages(100);
        return box;
    };
    const struct {
        const char *typed;
        bool otherChange;   // the all-colours box too
        bool refused;
    } cases[] = {
        {"7", false, true},  {"7", true, true},   {"8", false, false},  {"8", true, false},
        {"96", false, false}, {"96", true, false}, {"97", false, true}, {"97", true, true},
        {"", false, true},   {"", true, true},    {"abc", false, true}, {"abc", true, true},
    };
    for (const auto &c : cases) {
        std::string label = std::string("\"") + c.typed + (c.otherChange ? "\" and colours" : "\"");
        SetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size", "32");
        DeleteRegValue(HKEY_CURRENT_USER, metrics, "Shell Icon BPP");
        // Apply pressed from another tab, and from the Settings 1 tab itself.
        PropSheet_SetCurSel(sheet, nullptr, c.otherChange ? TAB_SETTINGS1 : TAB_GENERAL);
        PumpMessages(50);
        SetWindowTextA(field, c.typed);
        if (c.otherChange)
            SendDlgItemMessageA(page, IDC_IS_ALLCOLOURS, BM_CLICK, 0, 0);

        std::string box = press(IDC_SHEET_APPLY);
        std::string size = c.refused ? "32" : c.typed;
        EXPECT_EQ(size, GetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size")) << label;
        EXPECT_EQ(c.otherChange && !c.refused, RegValueExists(HKEY_CURRENT_USER, metrics, "Shell Icon BPP")) << label;
        EXPECT_EQ(c.refused ? std::string(range) : "", box) << label;
        EXPECT_EQ(c.refused, IsWindowEnabled(apply) != FALSE) << label;
        if (c.refused) {
            EXPECT_EQ(TAB_SETTINGS1, TabCtrl_GetCurSel(tabs)) << label;
            EXPECT_EQ(field, GetFocus()) << label;
            EXPECT_EQ(c.typed, WindowText(field)) << label;
            // Put right, the same changes are applied at last.
            SetWindowTextA(field, "40");
            EXPECT_EQ("", press(IDC_SHEET_APPLY)) << label;
            EXPECT_EQ("40", GetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size")) << label;
            EXPECT_EQ(c.otherChange, RegValueExists(HKEY_CURRENT_USER, metrics, "Shell Icon BPP")) << label;
        }
        if (IsDlgButtonChecked(page, IDC_IS_ALLCOLOURS) == BST_CHECKED) {
            SendDlgItemMessageA(page, IDC_IS_ALLCOLOURS, BM_CLICK, 0, 0);
            press(IDC_SHEET_APPLY);
        }
    }

    // OK with such a size keeps the sheet open with its changes.
    SetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size", "32");
    PropSheet_SetCurSel(sheet, nullptr, TAB_DESKTOP);
    PumpMessages(50);
    SetWindowTextA(field, "200");
    EXPECT_EQ(std::string(range), press(IDOK));
    EXPECT_TRUE(IsWindowVisible(sheet));
    EXPECT_NE(nullptr, PropSheet_GetCurrentPageHwnd(sheet));
    EXPECT_TRUE(IsWindowEnabled(apply));
    EXPECT_EQ(field, GetFocus());
    EXPECT_EQ("32", GetRegString(HKEY_CURRENT_USER, metrics, "Shell Icon Size"));
}

}  // namespace
