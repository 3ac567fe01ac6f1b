// The property-sheet frame, driven as a modeless sheet: its look, the content dialogs laid
// over the pages, the lazy fill, tab switching, the start-up file and the clean-up.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/texts.h"
#include "app/settings.h"
#include "common/iconclipboard.h"
#include "app/frame.h"
#include "app/instance.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "picker/changeicon.h"
#include "app/sheetstate.h"
#include "common/sheetgdi.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "support/appsetup.h"
#include "support/probes.h"
#include "support/dialogsteps.h"

namespace {

struct Fill {
    int tab;
    bool sheetVisible;
    bool operator==(const Fill &other) const { return tab == other.tab && sheetVisible == other.sheetVisible; }
};

std::vector<Fill> g_fills;
std::vector<int> g_erased;   // tabs whose content dialog erased its background

int TabOf(HWND dialog)
{
    return int(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

// A content dialog that records what the frame asks of it; it learns its tab from its
// creation parameter, as every content dialog does.
INT_PTR CALLBACK RecordingPage(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, GWLP_USERDATA, LONG_PTR(lParam));
        return TRUE;
    case UM_FILLLIST:
        g_fills.push_back({TabOf(dialog), IsWindowVisible(GetParent(dialog)) != FALSE});
        return TRUE;
    case WM_ERASEBKGND:
        g_erased.push_back(TabOf(dialog));
        return FALSE;
    default:
        return FALSE;
    }
}

const ContentPage kRecordingPages[TAB_COUNT] = {
    {IDD_SHEETPAGE, RecordingPage}, {IDD_SHEETPAGE, RecordingPage}, {IDD_SHEETPAGE, RecordingPage},
    {IDD_SHEETPAGE, RecordingPage}, {IDD_SHEETPAGE, RecordingPage}, {IDD_SHEETPAGE, RecordingPage},
    {IDD_SHEETPAGE, RecordingPage},
};

class FrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_fills.clear();
        g_erased.clear();
    }

    HWND Open(int startTab, const ContentPage *pages = kRecordingPages)
    {
        sheet_ = app_.OpenSheet(startTab, pages);
        return sheet_;
    }

    void SelectTab(int tab)
    {
        SendMessageA(sheet_, PSM_SETCURSEL, tab, 0);
        PumpMessages(150);
    }

    AppSetup app_{"frame"};
    HWND sheet_ = nullptr;
};

TEST_F(FrameTest, SheetLooksAsTheProgramShowsIt)
{
    HWND sheet = Open(0);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ("Tilefox", WindowText(sheet));
    EXPECT_TRUE(IsWindowVisible(sheet));

    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    ASSERT_EQ(TAB_COUNT, SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    const char *titles[TAB_COUNT] = {u8"ﾃﾞｽｸﾄｯﾌﾟ", u8" 一般 ", u8" 特殊 ", u8"ｽﾀｰﾄﾒﾆｭｰ", u8"ﾄﾞﾗｲﾌﾞ", u8"設定1", u8"設定2"};
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        char text[80] = "";
        TCITEMA item;
        ZeroMemory(&item, sizeof item);
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(Ansi(titles[tab]), text) << "tab " << tab;
    }

    HWND apply = GetDlgItem(sheet, IDC_SHEET_APPLY);
    ASSERT_NE(nullptr, apply);
    EXPECT_FALSE(IsWindowEnabled(apply));
    HWND help = GetDlgItem(sheet, IDHELP);
    EXPECT_TRUE(help == nullptr || !IsWindowVisible(help));

    LONG style = GetWindowLongA(sheet, GWL_STYLE);
    LONG exStyle = GetWindowLongA(sheet, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & DS_CONTEXTHELP);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_FALSE(exStyle & WS_EX_CONTEXTHELP);

    HMENU systemMenu = GetSystemMenu(sheet, FALSE);
    EXPECT_EQ(UINT(-1), GetMenuState(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND));
    EXPECT_EQ(UINT(-1), GetMenuState(systemMenu, SC_SIZE, MF_BYCOMMAND));
    EXPECT_TRUE(GetMenuState(systemMenu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(systemMenu, SC_MINIMIZE, MF_BYCOMMAND) & MF_GRAYED);

    ASSERT_NE(nullptr, Gdi.ListFont);
    ASSERT_NE(nullptr, Gdi.ListFontLarge);
    ASSERT_NE(nullptr, Gdi.MenuFontBold);
    LOGFONTA menu, bold;
    GetObjectA(Gdi.MenuFont, sizeof menu, &menu);
    GetObjectA(Gdi.MenuFontBold, sizeof bold, &bold);
    LONG expected = menu.lfWeight == 0 ? 700 : menu.lfWeight < 600 ? menu.lfWeight + 300 : 900;
    EXPECT_EQ(expected, bold.lfWeight);
    EXPECT_NE(nullptr, Gdi.ChangedMarkIcon);
    EXPECT_NE(nullptr, Gdi.PasteIcon);
}

TEST_F(FrameTest, ContentDialogsLieOverThePageAndOnlyTheCurrentShows)
{
    HWND sheet = Open(2);
    ASSERT_NE(nullptr, sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_NE(nullptr, page);
    EXPECT_FALSE(IsWindowVisible(page));
    RECT pageBox;
    GetWindowRect(page, &pageBox);
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        HWND content = Sheet.TabDialogs[tab];
        ASSERT_NE(nullptr, content) << tab;
        EXPECT_EQ(sheet, GetParent(content));
        EXPECT_EQ(tab == 2, IsWindowVisible(content) != FALSE) << tab;
        EXPECT_FALSE(GetWindowLongA(content, GWL_STYLE) & WS_DISABLED) << tab;
        RECT box;
        GetWindowRect(content, &box);
        EXPECT_TRUE(EqualRect(&box, &pageBox)) << tab;
    }

    SelectTab(5);
    EXPECT_EQ(5, Sheet.CurrentTab);
    EXPECT_TRUE(IsWindowVisible(Sheet.TabDialogs[5]));
    EXPECT_FALSE(IsWindowVisible(Sheet.TabDialogs[2]));
    EXPECT_EQ(5, Sheet.PreviousTab);
}

TEST_F(FrameTest, OnlyTheStartTabIsFilledBeforeTheSheetShows)
{
    struct Case {
        int startTab;
        std::vector<Fill> expected;
    } cases[] = {
        {3, {{3, false}, {0, true}, {1, true}, {2, true}, {4, true}}},
        {6, {{0, true}, {1, true}, {2, true}, {3, true}, {4, true}}},
        {0, {{0, false}, {1, true}, {2, true}, {3, true}, {4, true}}},
    };
    for (const Case &c : cases) {
        g_fills.clear();
        ASSERT_NE(nullptr, Open(c.startTab));
        EXPECT_EQ(c.expected, g_fills) << "start tab " << c.startTab;
        // Later tab changes fill nothing again.
        SelectTab(c.startTab == 0 ? 1 : 0);
        EXPECT_EQ(c.expected.size(), g_fills.size());
        DestroyWindow(sheet_);
        PumpMessages(50);
        app_.UseSystemDir(nullptr);
    }
}

TEST_F(FrameTest, TabSwitchErasesOnlyWhereTheLayoutChanges)
{
    ASSERT_NE(nullptr, Open(1));
    struct Case {
        int to;
        bool erases;
    } cases[] = {
        {2, false},  // icon tab to icon tab: same layout
        {4, true},   // the drive tab has its panel below the list
        {3, true},   // and leaving it uncovers that part again
        {0, false},
        {5, true},   // the settings tabs look nothing like a list
        {6, true},
        {1, true},
    };
    for (const Case &c : cases) {
        g_erased.clear();
        SelectTab(c.to);
        bool erased = false;
        for (int tab : g_erased)
            erased = erased || tab == c.to;
        EXPECT_EQ(c.erases, erased) << "to tab " << c.to;
    }
}

TEST_F(FrameTest, ProgramSheetToleratesMissingSettingsPages)
{
    HWND sheet = Open(0, nullptr);
    ASSERT_NE(nullptr, sheet);
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab)
        EXPECT_NE(nullptr, Sheet.TabDialogs[tab]) << tab;
    SelectTab(6);
    SelectTab(5);
    SelectTab(4);
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(4, Sheet.CurrentTab);
    EXPECT_TRUE(IsWindowVisible(Sheet.TabDialogs[4]));
}

TEST_F(FrameTest, PlusCaptionOnlyWithTheCoolIcons)
{
    struct Case {
        const char *library;
        BYTE plusAfter;
        const char *caption;
    } cases[] = {{"cool.dll", 1, "Tilefox Plus!"}, {"icons12.dll", 0, "Tilefox"}};
    for (const Case &c : cases) {
        std::string system = MakeTempDir("plus");
        CopyFileA(FixturePath(c.library).c_str(), (system + "\\cool.dll").c_str(), FALSE);
        app_.UseSystemDir(system.c_str());
        Facts.PlusMode = 1;
        ASSERT_NE(nullptr, Open(0));
        EXPECT_EQ(c.plusAfter, Facts.PlusMode) << c.library;
        EXPECT_EQ(c.plusAfter, Facts.CoolIconsAvailable) << c.library;
        EXPECT_EQ(c.caption, WindowText(sheet_)) << c.library;
        DestroyWindow(sheet_);
        PumpMessages(50);
        RemoveTree(system);
        app_.UseSystemDir(nullptr);
    }
}

TEST_F(FrameTest, DestroyReleasesTheProgramWideTexts)
{
    AdoptCopiedIcon(DupString("c:\\x.ico,0"));
    App.DefaultBrowseLocation = DupString("c:\\");
    ASSERT_NE(nullptr, CreateInstanceWindow());
    App.InstanceWindow = FindWindowA(INSTANCE_CLASS, App.Caption);
    ASSERT_NE(nullptr, App.InstanceWindow);
    HWND sheet = Open(6);
    ASSERT_NE(nullptr, sheet);
    EXPECT_EQ(LONG_PTR(sheet), GetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA));

    DestroyWindow(sheet);
    EXPECT_EQ(nullptr, CopiedIcon());
    EXPECT_EQ(nullptr, Facts.SystemDirPath);
    EXPECT_EQ(nullptr, App.DefaultBrowseLocation);
    EXPECT_EQ(nullptr, Gdi.MenuFont);
    EXPECT_EQ(nullptr, Gdi.FallbackIconLarge);
    EXPECT_EQ(0, GetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA));

    DestroyWindow(App.InstanceWindow);
    App.InstanceWindow = nullptr;
    // The instance window ends the message loop; this test has none to end.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST(PumpOneMessage, DispatchesOneAndKeepsTheQuitForTheMainLoop)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
    PumpOneMessage();   // nothing waiting: returns at once

    PostQuitMessage(3);
    PumpOneMessage();
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

// --- the file named on the command line ---------------------------------------------------------

// A message box carries the program caption and is answered; it notes how many lists were
// filled by then.
std::string g_boxText;
int g_fillsAtBox = -1;

HWND FindProgramBox()
{
    HWND box = FindThreadDialog(0xFFFF);
    return box != nullptr && WindowText(box) == App.Caption ? box : nullptr;
}

using StartupFileTest = FrameTest;

TEST_F(StartupFileTest, ThemeFileIsImportedAfterAllListsAreFilled)
{
    std::string theme = app_.Dir() + "\\desk.Theme";
    WriteFileText(theme, "[Control Panel\\Desktop]\r\nWallpaper=\r\n");
    AdoptCopiedIcon(DupString(theme.c_str()));
    DialogScript script({Check([](HWND) { g_fillsAtBox = int(g_fills.size()); }), AnswerThisBox(IDOK, &g_boxText)},
                        FindProgramBox);
    ASSERT_NE(nullptr, Open(0));
    PumpMessages(300);
    EXPECT_EQ(nullptr, CopiedIcon());
    EXPECT_EQ(5, g_fillsAtBox);
    EXPECT_EQ(Ansi(u8"ﾃｰﾏﾌｧｲﾙから、0個のｱｲｺﾝを読み込みました。\n(読み込みに失敗したｱｲｺﾝ数: 0)"), g_boxText);
}

// With the real pages: the icons reach the lists and the sheet shows the first loaded row's tab.
TEST_F(StartupFileTest, StartupThemeLoadsIntoTheLists)
{
    std::string theme = app_.Dir() + "\\desk.theme";
    std::string icon = FixturePath("icons12.dll") + ",3";
    WriteFileText(theme, "[" SHELL_ICONS_KEY "]\r\n4=" + icon + "\r\n5=" + app_.Dir() + "\\none.ico\r\n");
    AdoptCopiedIcon(DupString(theme.c_str()));
    DialogScript script({AnswerThisBox(IDOK, &g_boxText)}, FindProgramBox);
    ASSERT_NE(nullptr, Open(0, ProgramContentPages));
    PumpMessages(500);
    EXPECT_EQ(Ansi(u8"ﾃｰﾏﾌｧｲﾙから、1個のｱｲｺﾝを読み込みました。\n(読み込みに失敗したｱｲｺﾝ数: 1)"), g_boxText);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETTABCONTROL, 0, 0));
    EXPECT_EQ(TAB_GENERAL, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    HWND general = ListOfTab(TAB_GENERAL);
    IconEntry *entry = GetEntry(general, int(SendMessageA(general, LB_GETCURSEL, 0, 0)));
    ASSERT_NE(nullptr, entry);
    EXPECT_STREQ("4", entry->RegistryKey);
    EXPECT_EQ(0, lstrcmpiA(icon.c_str(), entry->CurrentLocation)) << entry->CurrentLocation;
    EXPECT_EQ(STATE_THEME, entry->ChangeState);
}

TEST_F(StartupFileTest, SingleIconFileBecomesTheCopiedIcon)
{
    std::string icon = FixturePath("one.ico");
    AdoptCopiedIcon(DupString(icon.c_str()));
    g_boxText.clear();
    DialogScript script({AnswerThisBox(IDOK, &g_boxText)}, FindProgramBox);
    ASSERT_NE(nullptr, Open(1));
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(0, lstrcmpiA((icon + ",0").c_str(), CopiedIcon())) << CopiedIcon();
    EXPECT_TRUE(g_boxText.empty());
}

TEST_F(StartupFileTest, CancelledPickOfSeveralIconsDropsTheFile)
{
    AdoptCopiedIcon(DupString(FixturePath("icons12.dll").c_str()));
    BYTE pickMode = 255;
    DialogScript script({Check([&](HWND dialog) { pickMode = ChangeIconRequestOf(dialog)->Mode; }), Press(IDCANCEL)},
                        FindChangeIconDialog);
    ASSERT_NE(nullptr, Open(1));
    PumpMessages(300);
    EXPECT_EQ(1, pickMode);
    EXPECT_EQ(nullptr, FindThreadDialog(IDC_CI_GRID));
    EXPECT_EQ(nullptr, CopiedIcon()) << CopiedIcon();
}

}  // namespace

namespace {

// Records paints of the tab strip after a switch.
WNDPROC g_tabProc;
int g_tabPaints;

LRESULT CALLBACK CountTabPaints(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        ++g_tabPaints;
    return CallWindowProcA(g_tabProc, tabs, message, wParam, lParam);
}

// The loop a modal sheet runs: the dialog manager sees every message first, or the sheet's own
// message check does.
void PumpSheet(HWND sheet, DWORD milliseconds, bool sheetCheck)
{
    DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            BOOL taken = sheetCheck ? BOOL(SendMessageA(sheet, PSM_ISDIALOGMESSAGE, 0, LPARAM(&msg)))
                                    : IsDialogMessageA(sheet, &msg);
            if (!taken) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        Sleep(5);
    } while (int(end - GetTickCount()) > 0);
}

void PressWithControl(HWND target, WPARAM key, bool shift)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(target, WM_KEYDOWN, key, 0);
}

void ReleaseControl()
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0;
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST_F(FrameTest, TabStripShowsTheSelectedTabAfterEverySwitch)
{
    HWND sheet = Open(0, nullptr);
    ASSERT_NE(nullptr, sheet);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    g_tabProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(tabs, GWLP_WNDPROC, LONG_PTR(CountTabPaints)));

    // By message.
    g_tabPaints = 0;
    SelectTab(TAB_GENERAL);
    EXPECT_EQ(TAB_GENERAL, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_GT(g_tabPaints, 0);
    EXPECT_TRUE(IsWindowVisible(ListOfTab(TAB_GENERAL)));

    // By a click on a drawn tab: that tab opens.
    RECT item;
    SendMessageA(tabs, TCM_GETITEMRECT, TAB_STARTMENU, LPARAM(&item));
    LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    g_tabPaints = 0;
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(tabs, WM_LBUTTONUP, 0, point);
    PumpMessages(150);
    EXPECT_EQ(TAB_STARTMENU, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_GT(g_tabPaints, 0);
    EXPECT_TRUE(IsWindowVisible(ListOfTab(TAB_STARTMENU)));
    SetWindowLongPtrA(tabs, GWLP_WNDPROC, LONG_PTR(g_tabProc));
}

TEST_F(FrameTest, ControlTabAndItsCompanionsChangeTheTabFromAnyControl)
{
    HWND sheet = Open(0, nullptr);
    ASSERT_NE(nullptr, sheet);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    struct Case {
        WPARAM key;
        bool shift;
        int expected;
    } cases[] = {
        {VK_TAB, false, 1}, {VK_NEXT, false, 2}, {VK_TAB, true, 1}, {VK_PRIOR, false, 0},
        {VK_PRIOR, false, TAB_SETTINGS2}, {VK_TAB, false, 0},
    };
    // Both kinds of modal loop must give exactly one step per key.
    for (bool sheetCheck : {false, true}) {
        SelectTab(0);
        for (const Case &c : cases) {
            int current = int(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
            // From the current tab's list, or from the first control of a settings page.
            HWND target = current < LIST_TAB_COUNT ? ListOfTab(current)
                                                   : GetNextDlgTabItem(Sheet.TabDialogs[current], nullptr, FALSE);
            ASSERT_NE(nullptr, target) << current;
            SetFocus(target);
            PressWithControl(target, c.key, c.shift);
            PumpSheet(sheet, 200, sheetCheck);
            ReleaseControl();
            EXPECT_EQ(c.expected, SendMessageA(tabs, TCM_GETCURSEL, 0, 0))
                << "key " << c.key << (c.shift ? " with Shift" : "") << (sheetCheck ? ", sheet loop" : "");
        }
    }
    // The focus follows into the shown tab rather than staying on a hidden list.
    SelectTab(TAB_GENERAL);
    SetFocus(ListOfTab(TAB_GENERAL));
    PressWithControl(ListOfTab(TAB_GENERAL), VK_TAB, false);
    PumpSheet(sheet, 200, false);
    ReleaseControl();
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == nullptr || IsWindowVisible(focus));
}

namespace {

// What the user does while a list fills: the Special list walking the classes, or a list of
// the shell's own icons loading them.
enum DuringFill { SWITCH_TAB, CLOSE_SHEET };
DuringFill g_during;
int g_duringTab;
HWND g_fillSheet;
int g_actedDuringFill;

void CALLBACK ActDuringFill(HWND, UINT, UINT_PTR, DWORD)
{
    g_fillSheet = Sheet.Window;
    if (g_actedDuringFill || !Lists.Filling[g_duringTab] || !IsWindow(g_fillSheet))
        return;
    ++g_actedDuringFill;
    if (g_during == SWITCH_TAB) {
        SendMessageA(g_fillSheet, PSM_SETCURSEL, TAB_SPECIAL, 0);
        SendMessageA(g_fillSheet, PSM_SETCURSEL, TAB_GENERAL, 0);
    } else {
        DestroyWindow(g_fillSheet);
    }
}

const char kSeedRoot[] = "Software\\Classes\\CLSID\\";

}  // namespace

TEST_F(FrameTest, FillsServeTheSheetAndSurviveWhatTheUserDoes)
{
    // Enough shell folders that the walk serves the queue several times.
    enum { CLASSES = 1200, EVERY = 40 };
    for (int i = 0; i < CLASSES; ++i) {
        char key[96];
        wsprintfA(key, "%s{5EED%04X-0000-4000-8000-000000000000}", kSeedRoot, i);
        SetRegString(HKEY_LOCAL_MACHINE, key, "", i % EVERY == 0 ? "Seed Folder" : "Seed Class");
        std::string sub = std::string(key) + "\\InProcServer32";
        SetRegString(HKEY_LOCAL_MACHINE, sub.c_str(), "", "shell32.dll");
        if (i % EVERY == 0)
            SetRegString(HKEY_LOCAL_MACHINE, (std::string(key) + "\\DefaultIcon").c_str(), "", "seed.dll,1");
    }
    int expectedRows = -1;
    struct Case {
        DuringFill during;
        int tab;
    } cases[] = {{SWITCH_TAB, TAB_SPECIAL}, {CLOSE_SHEET, TAB_SPECIAL}, {CLOSE_SHEET, TAB_GENERAL}};
    for (const Case &c : cases) {
        DuringFill during = c.during;
        g_during = during;
        g_duringTab = c.tab;
        g_actedDuringFill = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 1, ActDuringFill);
        g_fillSheet = reinterpret_cast<HWND>(RunPropertySheet(0, PSH_MODELESS, nullptr));
        ASSERT_NE(nullptr, g_fillSheet);
        for (int wait = 0; wait < 200 && IsWindow(g_fillSheet) && (Lists.Filling[TAB_SPECIAL] ||
             SendMessageA(ListOfTab(TAB_SPECIAL), LB_GETCOUNT, 0, 0) <= 0); ++wait)
            PumpMessages(50);
        KillTimer(nullptr, timer);
        EXPECT_EQ(1, g_actedDuringFill) << during << " on tab " << c.tab;
        EXPECT_EQ(0, Lists.Filling[c.tab]) << during << " on tab " << c.tab;
        if (during == SWITCH_TAB) {
            // Shown while it filled, and filled once: every seeded folder appears exactly once.
            HWND list = ListOfTab(TAB_SPECIAL);
            int seeded = 0;
            for (int row = 0; row < int(SendMessageA(list, LB_GETCOUNT, 0, 0)); ++row)
                seeded += lstrcmpA(GetEntry(list, row)->DisplayName, "Seed Folder") == 0;
            EXPECT_EQ(CLASSES / EVERY, seeded);
            expectedRows = seeded;
            HWND tabs = reinterpret_cast<HWND>(SendMessageA(g_fillSheet, PSM_GETTABCONTROL, 0, 0));
            EXPECT_EQ(TAB_GENERAL, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
            DestroyWindow(g_fillSheet);
        } else {
            EXPECT_FALSE(IsWindow(g_fillSheet));
            for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
                EXPECT_EQ(nullptr, ListOfTab(tab)) << "closed during tab " << c.tab;
                EXPECT_EQ(0, Lists.Filling[tab]) << "closed during tab " << c.tab;
            }
        }
        sheet_ = nullptr;
        PumpMessages(50);
    }
    EXPECT_EQ(CLASSES / EVERY, expectedRows);
    for (int i = 0; i < CLASSES; ++i) {
        char key[96];
        wsprintfA(key, "%s{5EED%04X-0000-4000-8000-000000000000}", kSeedRoot, i);
        DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    }
}

namespace {

BOOL CALLBACK CollectTexts(HWND window, LPARAM texts)
{
    auto *found = reinterpret_cast<std::vector<std::string> *>(texts);
    found->push_back(WindowText(window));
    char kind[32] = "";
    GetClassNameA(window, kind, sizeof kind);
    if (lstrcmpiA(kind, "ComboBox") == 0 && (GetWindowLongA(window, GWL_STYLE) & CBS_HASSTRINGS)) {
        for (LRESULT i = 0; i < SendMessageA(window, CB_GETCOUNT, 0, 0); ++i) {
            char item[256] = "";
            if (SendMessageA(window, CB_GETLBTEXTLEN, i, 0) < LRESULT(sizeof item))
                SendMessageA(window, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            found->push_back(item);
        }
    }
    return TRUE;
}

}  // namespace

// Where English is chosen, the running sheet shows it: no tab title, control, list of choices or
// button of the sheet's own shows a Japanese text, and none is cut.
TEST(EnglishSheet, EveryTabShowsEnglish)
{
    AppSetup app("english");
    WritePrivateProfileStringA("Options", "Language", "en", App.SettingsPath);
    ReadStartSettings();
    HWND sheet = app.OpenFilledSheet(TAB_DESKTOP);
    ASSERT_NE(nullptr, sheet);
    for (int button : {IDOK, IDCANCEL, IDC_SHEET_APPLY}) {
        std::string text = DlgItemText(sheet, button);
        EXPECT_TRUE(!text.empty() && IsPlainAscii(text)) << button << ": " << Utf8(text);
    }
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        char title[80] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = sizeof title;
        SendMessageA(tabs, TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&item));
        char english[80];
        ASSERT_TRUE(LoadTextIn(LANGUAGE_ENGLISH, IDS_TAB_DESKTOP + tab, english, sizeof english));
        EXPECT_STREQ(english, title);

        HWND content = Sheet.TabDialogs[tab];
        ASSERT_NE(nullptr, content) << tab;
        std::vector<std::string> texts;
        EnumChildWindows(content, CollectTexts, reinterpret_cast<LPARAM>(&texts));
        for (const std::string &text : texts)
            EXPECT_TRUE(IsPlainAscii(text)) << "tab " << tab << ": " << Utf8(text);
        EXPECT_GE(texts.size() - std::count(texts.begin(), texts.end(), std::string()), 2u) << "tab " << tab;
        EXPECT_EQ(std::vector<std::string>(), CutTexts(content)) << "tab " << tab;
    }
    ChooseLanguage("");
}
