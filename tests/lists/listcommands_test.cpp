#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/texts.h"
#include "lists/listcommands.h"
#include "picker/changeicon.h"
#include "picker/pickerstate.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/dialogsteps.h"
#include "support/listhost.h"

namespace {

// The sheet is a dialog too: the Change Icon dialog is the one with a file name field.
const DialogFinder kChangeIcon = DialogWith(IDC_CI_FILENAME);

// The Change Icon dialog: type a file, pick an icon, OK.
Step Pick(const std::string &file, int index)
{
    return [file, index](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_CI_FILENAME, file.c_str());
        SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, index, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return true;
    };
}

ChangeIconRequest g_lastRequest;

Step Cancel()
{
    return [](HWND dialog) {
        // The request lives only while the dialog runs: keep what the test reads afterwards.
        if (const ChangeIconRequest *call = ChangeIconRequestOf(dialog))
            g_lastRequest = *call;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    };
}

// ---- fixture: a stand-in sheet with real list pages ----

struct Row {
    const char *name;
    std::string saved;      // "" for none
    std::string standard;   // "" for none
    const char *key;
};

class ListCommandsTest : public testing::Test {
protected:
    ListCommandsTest() { saved_.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY); }
    void SetUp() override { ASSERT_NE(nullptr, host_.Host()); }

    HWND CreatePage(int tab) { return host_.CreateList(tab); }

    static void SetCopied(const char *text) { AdoptCopiedIcon(text != nullptr ? DupString(text) : nullptr); }

    static void AddRow(HWND list, const Row &row)
    {
        const char *saved = row.saved.empty() ? nullptr : row.saved.c_str();
        ASSERT_EQ(1, ::AddRow(list, row.name, saved, saved, row.standard.empty() ? nullptr : row.standard.c_str(),
                              row.key));
    }

    // A General list with three Shell Icons rows; row 0 selected.
    HWND GeneralList()
    {
        HWND list = CreatePage(TAB_GENERAL);
        AddRow(list, {"Folder", lib_ + ",1", Shell32(901), "901"});
        AddRow(list, {"Open", lib_ + ",2", Shell32(902), "902"});
        AddRow(list, {"Share", lib_ + ",3", "", "903"});
        Select(list, 0);
        return list;
    }

    std::string Shell32(int index) const
    {
        return std::string(Facts.SystemDirPath) + "shell32.dll," + std::to_string(index);
    }

    // Change Icon from the row or the preview, its dialog answered by step; shown or not.
    static void ChangeIconWith(HWND list, Step step, int source = CHANGE_FROM_ROW, bool shown = true)
    {
        DialogScript script({step}, kChangeIcon);
        ChangeIcon(GetParent(list), source);
        if (!shown)
            PumpMessages(100);
        EXPECT_EQ(shown, script.Seen());
    }

    static void Select(HWND list, int row) { SendMessageA(list, LB_SETCURSEL, row, 0); }
    static IconEntry *Entry(HWND list, int row) { return GetEntry(list, row); }

    // The lParam of the UM_ICONSCHANGED posted to the page, or -2 when none was posted.
    static LPARAM TakeIconsChanged(HWND list)
    {
        MSG msg;
        LPARAM last = -2;
        while (PeekMessageA(&msg, GetParent(list), UM_ICONSCHANGED, UM_ICONSCHANGED, PM_REMOVE))
            last = msg.lParam;
        return last;
    }

    static bool TakeFocusRequest(HWND list)
    {
        MSG msg;
        bool found = false;
        while (PeekMessageA(&msg, GetParent(list), WM_NEXTDLGCTL, WM_NEXTDLGCTL, PM_REMOVE))
            found = found || (reinterpret_cast<HWND>(msg.wParam) == list && msg.lParam == 1);
        return found;
    }

    static std::string ShellIconsValue(const char *name)
    {
        return RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, name);
    }

    SavedRegistry saved_;
    ListHost host_;
    std::string lib_ = FixturePath("icons12.dll");
};

// ---- change icon ----

TEST_F(ListCommandsTest, ChangeIconThenApplyWritesTheShellIconsValue)
{
    HWND list = GeneralList();
    ChangeIconWith(list, Pick(lib_, 7));
    IconEntry *entry = Entry(list, 0);
    EXPECT_EQ(lib_ + ",7", entry->CurrentLocation);
    EXPECT_EQ(STATE_CHANGED, entry->ChangeState);
    EXPECT_NE(nullptr, entry->LargeIcon);
    EXPECT_EQ(1, ListHost::SetChangedCount());
    EXPECT_TRUE(ListHost::Pending());
    EXPECT_EQ(0, TakeIconsChanged(list));
    EXPECT_TRUE(TakeFocusRequest(list));

    CommitChangedRows(list);
    EXPECT_EQ(lib_ + ",7", ShellIconsValue("901"));
    EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);

    // Back to the shell's own icon: the value goes away.
    RevertRows(list, REVERT_DEFAULT, FALSE);
    EXPECT_EQ(STATE_CHANGED, entry->ChangeState);
    CommitChangedRows(list);
    EXPECT_EQ("(absent)", ShellIconsValue("901"));
}

TEST_F(ListCommandsTest, ChangeIconCancelledOrSameLocationChangesNothing)
{
    HWND list = GeneralList();
    // Cancel: nothing changes and the focus stays where it was.
    ChangeIconWith(list, Cancel(), CHANGE_FROM_PREVIEW);
    EXPECT_EQ(lib_ + ",1", Entry(list, 0)->CurrentLocation);
    EXPECT_FALSE(TakeFocusRequest(list));

    // The present location again, typed in other case: no change, but the list gets the focus.
    std::string upper = lib_;
    CharUpperA(&upper[0]);
    ChangeIconWith(list, Pick(upper, 1));
    EXPECT_EQ(lib_ + ",1", Entry(list, 0)->CurrentLocation);
    EXPECT_EQ(STATE_UNCHANGED, Entry(list, 0)->ChangeState);
    EXPECT_EQ(0, ListHost::SetChangedCount());
    EXPECT_EQ(-2, TakeIconsChanged(list));
    EXPECT_TRUE(TakeFocusRequest(list));

    // Without a selection there is no dialog at all.
    Select(list, -1);
    ChangeIconWith(list, Cancel(), CHANGE_FROM_ROW, false);
}

TEST_F(ListCommandsTest, ChangeIconAnchorsAtTheRowOrThePreview)
{
    HWND list = CreatePage(TAB_GENERAL);
    for (int row = 0; row < 40; ++row)
        AddRow(list, {"row", lib_ + "," + std::to_string(row % 12), "", "901"});
    RECT client;
    GetClientRect(list, &client);
    RECT preview;
    GetWindowRect(GetDlgItem(GetParent(list), IDC_PREVIEW), &preview);
    POINT previewCentre = {(preview.left + preview.right) / 2, (preview.top + preview.bottom) / 2};
    ScreenToClient(list, &previewCentre);

    struct Case {
        int source;
        int row;
        int top;
        POINT expected;     // list client coordinates
    } cases[] = {
        {CHANGE_FROM_ROW, 1, 0, {11 + 35 / 2, 35 + 35 / 2}},
        {CHANGE_FROM_ROW, 0, 20, {11 + 35 / 2, -16}},                   // above the visible rows
        {CHANGE_FROM_ROW, 39, 0, {11 + 35 / 2, client.bottom + 8}},     // below them
        {CHANGE_FROM_PREVIEW, 3, 0, previewCentre},
    };
    for (const Case &c : cases) {
        Select(list, c.row);
        SendMessageA(list, LB_SETTOPINDEX, c.top, 0);
        ChangeIconWith(list, Cancel(), c.source);
        ASSERT_TRUE(g_lastRequest.HasAnchor);
        POINT anchor = g_lastRequest.Anchor;
        ScreenToClient(list, &anchor);
        EXPECT_EQ(c.expected.x, anchor.x) << "row " << c.row;
        EXPECT_EQ(c.expected.y, anchor.y) << "row " << c.row;
    }
}

// ---- copy and paste ----

TEST_F(ListCommandsTest, PasteMarksTheRowAgainstItsSavedLocation)
{
    HWND list = GeneralList();
    struct Case {
        std::string copied;
        BYTE state;
    } cases[] = {
        {lib_ + ",9", STATE_CHANGED},
        {lib_ + ",1", STATE_UNCHANGED},      // the saved location itself
        {lib_ + ",11", STATE_CHANGED},
    };
    CharUpperA(&cases[1].copied[0]);        // compared without regard to case
    for (const Case &c : cases) {
        SetCopied(c.copied.c_str());
        RunListCommand(list, IDM_PASTE, FALSE);
        EXPECT_EQ(c.copied, Entry(list, 0)->CurrentLocation);
        EXPECT_EQ(c.state, Entry(list, 0)->ChangeState) << c.copied;
        EXPECT_EQ(0, TakeIconsChanged(list));
    }
    // The flag, once set, stays set until Apply.
    EXPECT_EQ(1, ListHost::SetChangedCount());
}

TEST_F(ListCommandsTest, PasteNeedsAClipboardAndASelection)
{
    HWND list = GeneralList();
    RunListCommand(list, IDM_PASTE, FALSE);
    EXPECT_EQ(lib_ + ",1", Entry(list, 0)->CurrentLocation);

    SetCopied("x.dll,1");
    Select(list, -1);
    RunListCommand(list, IDM_PASTE, FALSE);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(STATE_UNCHANGED, Entry(list, row)->ChangeState);
    EXPECT_EQ(-2, TakeIconsChanged(list));
    EXPECT_EQ(0, ListHost::SetChangedCount());
}

TEST_F(ListCommandsTest, CopyThenPasteBetweenRowsAndAnEmptyLocation)
{
    HWND list = GeneralList();
    Select(list, 1);
    RunListCommand(list, IDM_COPY, FALSE);
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(lib_ + ",2", CopiedIcon());
    Select(list, 2);
    RunListCommand(list, IDM_PASTE, FALSE);
    EXPECT_EQ(lib_ + ",2", Entry(list, 2)->CurrentLocation);
    EXPECT_EQ(2, TakeIconsChanged(list));

    // A row without a location copies as an empty text, and pasting it empties the row;
    // Apply then writes nothing.
    AddRow(list, {"Empty", "", "", "902"});
    Select(list, 3);
    RunListCommand(list, IDM_COPY, FALSE);
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_STREQ("", CopiedIcon());
    Select(list, 1);
    RunListCommand(list, IDM_PASTE, FALSE);
    EXPECT_STREQ("", Entry(list, 1)->CurrentLocation);
    EXPECT_EQ(STATE_CHANGED, Entry(list, 1)->ChangeState);
    CommitChangedRows(list);
    EXPECT_EQ("(absent)", ShellIconsValue("902"));
    EXPECT_EQ(lib_ + ",2", ShellIconsValue("903"));
}

// ---- restore default and undo ----

TEST_F(ListCommandsTest, UndoBeforeApplyWritesNothing)
{
    HWND list = GeneralList();
    SetCopied((lib_ + ",5").c_str());
    RunListCommand(list, IDM_PASTE, FALSE);
    ASSERT_EQ(STATE_CHANGED, Entry(list, 0)->ChangeState);
    TakeIconsChanged(list);

    RunListCommand(list, IDM_UNDO, FALSE);
    EXPECT_EQ(lib_ + ",1", Entry(list, 0)->CurrentLocation);
    EXPECT_EQ(STATE_UNCHANGED, Entry(list, 0)->ChangeState);
    EXPECT_EQ(0, TakeIconsChanged(list));
    CommitChangedRows(list);
    EXPECT_EQ("(absent)", ShellIconsValue("901"));

    // Pending elsewhere: undo on an unchanged row does nothing.
    Select(list, 1);
    RunListCommand(list, IDM_PASTE, FALSE);
    Select(list, 2);
    TakeIconsChanged(list);
    RunListCommand(list, IDM_UNDO, FALSE);
    EXPECT_EQ(-2, TakeIconsChanged(list));
    EXPECT_EQ(STATE_CHANGED, Entry(list, 1)->ChangeState);
}

TEST_F(ListCommandsTest, RestoreDefaultNeedsADefault)
{
    HWND list = GeneralList();
    Select(list, 2);
    RevertRows(list, REVERT_DEFAULT, FALSE);
    EXPECT_EQ(lib_ + ",3", Entry(list, 2)->CurrentLocation);
    EXPECT_EQ(-2, TakeIconsChanged(list));

    // A default equal to the saved location leaves the row unchanged.
    AddRow(list, {"Same", lib_ + ",4", lib_ + ",4", "903"});
    Select(list, 3);
    RevertRows(list, REVERT_DEFAULT, FALSE);
    EXPECT_EQ(STATE_UNCHANGED, Entry(list, 3)->ChangeState);
    EXPECT_EQ(3, TakeIconsChanged(list));
}

TEST_F(ListCommandsTest, WholeListAsksFirst)
{
    struct Case {
        int mode;
        int answer;
        bool withDefaults;
        unsigned question;
        const char *expected[3];    // locations afterwards, by row; "s" saved, "d" default, "p" pasted
        LPARAM posted;
    } cases[] = {
        {REVERT_DEFAULT, IDYES, false, IDS_ASKDEFAULTALL, {"p", "s", "s"}, -1},
        {REVERT_DEFAULT, IDNO, true, IDS_ASKDEFAULTALL, {"p", "s", "s"}, -2},
        {REVERT_DEFAULT, IDYES, true, IDS_ASKDEFAULTALL, {"d", "d", "s"}, -1},
        {REVERT_UNDO, IDYES, true, IDS_ASKUNDOALL, {"s", "s", "s"}, -1},
        {REVERT_UNDO, IDNO, true, IDS_ASKUNDOALL, {"p", "s", "s"}, -2},
    };
    for (const Case &c : cases) {
        HWND list = CreatePage(TAB_STARTMENU);
        std::string saved[3] = {lib_ + ",1", lib_ + ",2", lib_ + ",3"};
        std::string standard[3] = {c.withDefaults ? Shell32(901) : "", c.withDefaults ? Shell32(902) : "", ""};
        const char *keys[3] = {"901", "902", "903"};
        for (int row = 0; row < 3; ++row)
            AddRow(list, {"row", saved[row], standard[row], keys[row]});
        Select(list, 0);
        SetCopied((lib_ + ",8").c_str());
        RunListCommand(list, IDM_PASTE, FALSE);
        TakeIconsChanged(list);

        BoxRecorder boxes(c.answer);
        RevertRows(list, c.mode, TRUE);
        EXPECT_EQ(std::vector<std::string>{LoadText(c.question)}, boxes.Texts);
        for (int row = 0; row < 3; ++row) {
            std::string expected = c.expected[row][0] == 'p'   ? lib_ + ",8"
                                   : c.expected[row][0] == 'd' ? standard[row]
                                                               : saved[row];
            EXPECT_EQ(expected, Entry(list, row)->CurrentLocation) << "mode " << c.mode << " row " << row;
        }
        EXPECT_EQ(c.posted, TakeIconsChanged(list));
        DestroyWindow(GetParent(list));
    }

    // An empty list asks nothing.
    HWND list = CreatePage(TAB_STARTMENU);
    BoxRecorder boxes(IDYES);
    RevertRows(list, REVERT_DEFAULT, TRUE);
    EXPECT_EQ(0u, boxes.Texts.size());
}

// ---- view modes ----

TEST_F(ListCommandsTest, ViewModesKeepOrResetTheScrollPosition)
{
    HWND lists[2] = {CreatePage(TAB_GENERAL), CreatePage(TAB_STARTMENU)};
    for (HWND list : lists) {
        g_lastRequest = ChangeIconRequest();
        for (int row = 0; row < 40; ++row)
            AddRow(list, {"row", lib_ + "," + std::to_string(row % 12), "", "901"});
        Select(list, 25);
        SendMessageA(list, LB_SETTOPINDEX, 10, 0);
    }
    struct Step {
        int command;
        int mode;
        int rowHeight;
        int top;            // expected top index of both lists
    } steps[] = {
        {IDM_VIEW_BOTH, 2, 35, 10},     // same row height: scroll position kept
        {IDM_VIEW_BOTH, 2, 35, 10},
        {IDM_VIEW_SMALL, 0, 19, 25},    // height changes: the selection becomes the top row
        {IDM_VIEW_LARGE, 1, 35, 25},
    };
    for (const Step &s : steps) {
        for (HWND list : lists)
            SendMessageA(list, LB_SETTOPINDEX, 10, 0);
        RunListCommand(lists[0], s.command, FALSE);
        EXPECT_EQ(s.mode, Settings.IconViewMode);
        for (HWND list : lists) {
            EXPECT_EQ(s.rowHeight, SendMessageA(list, LB_GETITEMHEIGHT, 0, 0)) << s.command;
            EXPECT_EQ(s.top, SendMessageA(list, LB_GETTOPINDEX, 0, 0)) << s.command;
        }
    }
}

// ---- the menu itself ----

struct MenuSeen {
    bool opened = false;
    int itemCount = 0;
    std::vector<UINT> greyed;
    std::vector<UINT> ownerDrawn;
    UINT defaultItem = 0;
    UINT radio = 0;
    RECT window = {};
    std::string changeText;
    HFONT changeFont = nullptr;
    bool defaultHasIcon = false;
    int measured = 0;
    int drawn = 0;
    std::vector<UINT> keys;     // posted when the menu is idle
};
MenuSeen g_menu;
WNDPROC g_listProc;

void ReadMenu(HMENU menu)
{
    g_menu.opened = true;
    g_menu.itemCount = GetMenuItemCount(menu);
    for (UINT id = IDM_VIEW_LARGE; id <= IDM_PROPERTIES; ++id) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_STATE;
        if (!GetMenuItemInfoA(menu, id, FALSE, &info))
            continue;
        if (info.fState & MFS_GRAYED)
            g_menu.greyed.push_back(id);
        if (info.fType & MFT_OWNERDRAW)
            g_menu.ownerDrawn.push_back(id);
        if ((info.fState & MFS_CHECKED) && (info.fType & MFT_RADIOCHECK))
            g_menu.radio = id;
        info.fMask = MIIM_DATA;
        GetMenuItemInfoA(menu, id, FALSE, &info);
        const MenuItemRecord *record = reinterpret_cast<const MenuItemRecord *>(info.dwItemData);
        if (record != nullptr && id == IDM_CHANGEICON) {
            g_menu.changeText = record->Text;
            g_menu.changeFont = record->Font;
        }
        if (record != nullptr && id == IDM_DEFAULT)
            g_menu.defaultHasIcon = record->Icon != nullptr;
    }
    g_menu.defaultItem = GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED);
}

void CALLBACK CloseStrayMenu(HWND window, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(window, timer);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Sits on top of the page's own subclass: looks at the menu, then lets it go on.
LRESULT CALLBACK MenuWatcher(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITMENUPOPUP:
        if (!g_menu.opened)
            ReadMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_MEASUREITEM:
        ++g_menu.measured;
        break;
    case WM_DRAWITEM:
        ++g_menu.drawn;
        break;
    case WM_ENTERIDLE:
        if (!g_menu.keys.empty()) {
            HWND menu = FindPopupMenu();
            if (menu != nullptr)
                GetWindowRect(menu, &g_menu.window);
            for (UINT key : g_menu.keys)
                PostMessageA(list, WM_KEYDOWN, key, 0);
            g_menu.keys.clear();
        }
        break;
    }
    return CallWindowProcA(g_listProc, list, message, wParam, lParam);
}

class ListMenuTest : public ListCommandsTest {
protected:
    void Open(HWND list, POINT point, BOOL fromPreview, std::vector<UINT> keys)
    {
        g_menu = MenuSeen();
        g_menu.keys = keys;
        g_listProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWatcher)));
        SetTimer(list, 77, 3000, CloseStrayMenu);
        ShowListMenu(list, point, fromPreview);
        KillTimer(list, 77);
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    }
};

bool Has(const std::vector<UINT> &ids, UINT id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST_F(ListMenuTest, ItemsFollowSelectionClipboardAndPendingState)
{
    HWND list = GeneralList();
    POINT keyboard = {-1, -1};
    struct Case {
        BOOL fromPreview;
        int selection;
        bool copied;
        int changedRow;     // -1: nothing pending
        int viewMode;
        int itemCount;
        std::vector<UINT> greyed;
        std::vector<UINT> ownerDrawn;
        UINT radio;
    } cases[] = {
        {FALSE, 0, false, -1, 1, 10, {IDM_PASTE, IDM_UNDO},
         {IDM_COPY, IDM_CHANGEICON, IDM_DEFAULT}, IDM_VIEW_LARGE},
        {FALSE, 0, true, 0, 0, 10, {}, {IDM_COPY, IDM_PASTE, IDM_CHANGEICON, IDM_DEFAULT, IDM_UNDO},
         IDM_VIEW_SMALL},
        {FALSE, 1, true, 0, 0, 10, {IDM_UNDO}, {IDM_COPY, IDM_PASTE, IDM_CHANGEICON, IDM_DEFAULT}, IDM_VIEW_SMALL},
        {FALSE, 2, true, -1, 2, 10, {IDM_DEFAULT, IDM_UNDO}, {IDM_COPY, IDM_PASTE, IDM_CHANGEICON},
         IDM_VIEW_BOTH},
        {FALSE, -1, true, 0, 1, 10, {IDM_COPY, IDM_PASTE, IDM_CHANGEICON, IDM_DEFAULT, IDM_PROPERTIES, IDM_UNDO},
         {}, IDM_VIEW_LARGE},
        {TRUE, 0, false, -1, 1, 8, {IDM_PASTE, IDM_UNDO}, {IDM_COPY, IDM_CHANGEICON, IDM_DEFAULT}, 0},
    };
    for (const Case &c : cases) {
        Select(list, c.selection);
        SetCopied(c.copied ? "x.dll,1" : nullptr);
        for (int row = 0; row < 3; ++row)
            Entry(list, row)->ChangeState = row == c.changedRow ? STATE_CHANGED : STATE_UNCHANGED;
        ListHost::Pending() = c.changedRow >= 0;
        Settings.IconViewMode = static_cast<BYTE>(c.viewMode);
        Open(list, keyboard, c.fromPreview, {VK_ESCAPE});
        ASSERT_TRUE(g_menu.opened);
        EXPECT_EQ(c.itemCount, g_menu.itemCount);
        for (UINT id = IDM_COPY; id <= IDM_PROPERTIES; ++id) {
            EXPECT_EQ(Has(c.greyed, id), Has(g_menu.greyed, id)) << "greyed " << id << " case sel " << c.selection;
            EXPECT_EQ(Has(c.ownerDrawn, id), Has(g_menu.ownerDrawn, id)) << "owner-drawn " << id;
        }
        EXPECT_EQ(static_cast<UINT>(IDM_CHANGEICON), g_menu.defaultItem);
        if (!c.fromPreview)
            EXPECT_EQ(c.radio, g_menu.radio);
        EXPECT_EQ(c.viewMode, Settings.IconViewMode);   // Escape chose nothing
    }
}

TEST_F(ListMenuTest, ItemsKeepTheirTextsAndRestoreDefaultShowsItsIcon)
{
    HWND list = CreatePage(TAB_GENERAL);
    AddRow(list, {"Found", lib_ + ",1", lib_ + ",3", "901"});
    AddRow(list, {"Missing", lib_ + ",1", "missing.dll,3", "902"});
    POINT point = {40, 40};
    struct Case {
        int row;
        bool icon;
    } cases[] = {{0, true}, {1, false}};
    for (const Case &c : cases) {
        Select(list, c.row);
        Open(list, point, FALSE, {VK_ESCAPE});
        ASSERT_TRUE(g_menu.opened);
        EXPECT_TRUE(Has(g_menu.ownerDrawn, IDM_DEFAULT));
        EXPECT_EQ(c.icon, g_menu.defaultHasIcon) << c.row;
        EXPECT_EQ(Ansi(u8"アイコンの変更(&I)"), g_menu.changeText);
        EXPECT_EQ(Gdi.MenuFontBold, g_menu.changeFont);
    }
}

TEST_F(ListMenuTest, KeyboardOpensAtTheListCornerAndCopyRunsFromTheMenu)
{
    HWND list = GeneralList();
    Select(list, 1);
    POINT keyboard = {-1, -1};
    // The preview's menu starts with Copy.
    Open(list, keyboard, TRUE, {VK_DOWN, VK_RETURN});
    ASSERT_TRUE(g_menu.opened);
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(lib_ + ",2", CopiedIcon());
    EXPECT_GT(g_menu.measured, 0);
    EXPECT_GT(g_menu.drawn, 0);
    POINT corner = {0, 10};
    ClientToScreen(list, &corner);
    EXPECT_EQ(corner.x, g_menu.window.left);
    EXPECT_EQ(corner.y, g_menu.window.top);
}

// The whole road: the real sheet, a right click on a General row, Change icon from the menu,
// the Change Icon dialog, the mark, Apply, and the value under Shell Icons.
TEST(ListCommandsEndToEnd, RightClickChangeIconAndApply)
{
    SavedRegistry saved;
    saved.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    AppSetup app("commands");
    HWND sheet = app.OpenSheet(TAB_GENERAL);
    ASSERT_NE(nullptr, sheet);
    HWND list = Lists.TabLists[TAB_GENERAL];
    ASSERT_GT(Rows(list), 0);
    Settings.AutoRefresh = 0;
    Settings.RefreshLevel = 0;

    // Right click selects the row under the pointer.
    RECT row;
    SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT click = {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(click.x, click.y));
    ASSERT_EQ(1, SendMessageA(list, LB_GETCURSEL, 0, 0));
    IconEntry *entry = GetEntry(list, 1);
    ASSERT_NE(nullptr, entry);
    ASSERT_NE(nullptr, entry->RegistryKey);
    std::string key = entry->RegistryKey;
    std::string lib = FixturePath("icons12.dll");
    ASSERT_NE(lib + ",7", entry->CurrentLocation);

    // View, Copy, Paste, Change icon: none greyed with a copied icon waiting.
    AdoptCopiedIcon(DupString("x.dll,1"));
    g_menu = MenuSeen();
    g_menu.keys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWatcher)));
    SetTimer(list, 77, 5000, CloseStrayMenu);
    {
        DialogScript script({Pick(lib, 7)}, kChangeIcon);
        // Releasing the button asks for the context menu.
        SendMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(click.x, click.y));
        if (!g_menu.opened) {
            ClientToScreen(list, &click);
            SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(click.x, click.y));
        }
        EXPECT_TRUE(script.Seen());
    }
    KillTimer(list, 77);
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    PumpMessages(100);

    EXPECT_TRUE(g_menu.opened);
    EXPECT_EQ(lib + ",7", entry->CurrentLocation);
    EXPECT_EQ(STATE_CHANGED, entry->ChangeState);
    HWND apply = GetDlgItem(sheet, IDC_SHEET_APPLY);
    EXPECT_TRUE(SendMessageA(sheet, UM_QUERYCHANGED, 0, 0));
    EXPECT_TRUE(IsWindowEnabled(apply));

    SendMessageA(sheet, WM_COMMAND, IDC_SHEET_APPLY, reinterpret_cast<LPARAM>(apply));
    PumpMessages(200);
    EXPECT_EQ(lib + ",7", GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, key.c_str()));
    EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
    EXPECT_FALSE(IsWindowEnabled(apply));
}

// ---- measuring and drawing the owner-drawn items ----

TEST_F(ListCommandsTest, MeasureUsesTheRecordFontAndMenuHeight)
{
    HWND list = CreatePage(TAB_GENERAL);
    MenuItemRecord record = {nullptr, Gdi.MenuFontBold, "Change icon"};
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&record);
    ASSERT_TRUE(MeasureMenuItem(list, &measure));

    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Gdi.MenuFontBold);
    SIZE extent;
    GetTextExtentPoint32A(dc, record.Text, lstrlenA(record.Text), &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(static_cast<UINT>(extent.cx - 1), measure.itemWidth);
    int menuHeight = GetSystemMetrics(SM_CYMENU);
    EXPECT_EQ(static_cast<UINT>((menuHeight > 17 ? menuHeight : 17) + 1), measure.itemHeight);

    MEASUREITEMSTRUCT none = {};
    none.CtlType = ODT_MENU;
    EXPECT_FALSE(MeasureMenuItem(list, &none));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    EXPECT_FALSE(DrawMenuItem(&draw));
}

// Draws one item on a fresh memory bitmap and returns its pixels.
std::vector<COLORREF> PaintToPixels(const RECT &item, BOOL selected, const MenuItemRecord &record)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, item.right, item.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, item.right, item.bottom};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    PaintMenuItem(dc, &item, selected, &record);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < item.bottom; ++y)
        for (int x = 0; x < item.right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

TEST_F(ListCommandsTest, PaintPlacesIconButtonAndText)
{
    const RECT item = {0, 0, 160, 30};
    int column = GetSystemMetrics(SM_CXMENUCHECK);
    if (column < 18)
        column = 18;
    const int textLeft = column + 3;
    const int iconX = textLeft / 2 - 8;     // (text left + item.left - 16) / 2
    const int iconY = 7;                    // (0 + 30 - 16) / 2
    auto at = [&](const std::vector<COLORREF> &pixels, int x, int y) { return pixels[y * item.right + x]; };

    HDC screen = GetDC(nullptr);
    auto nearest = [&](int index) { return GetNearestColor(screen, GetSysColor(index)); };

    MenuItemRecord blank = {nullptr, Gdi.MenuFont, ""};
    MenuItemRecord iconOnly = {Gdi.CopyIcon, Gdi.MenuFont, ""};
    MenuItemRecord textOnly = {nullptr, Gdi.MenuFont, "Copy"};

    // Background: menu colour, or highlight when selected, over the whole item.
    auto plain = PaintToPixels(item, FALSE, blank);
    auto lit = PaintToPixels(item, TRUE, blank);
    EXPECT_EQ(nearest(COLOR_MENU), at(plain, 2, 2));
    EXPECT_EQ(nearest(COLOR_MENU), at(plain, 150, 28));
    EXPECT_EQ(nearest(COLOR_HIGHLIGHT), at(lit, 2, 2));
    EXPECT_EQ(nearest(COLOR_HIGHLIGHT), at(lit, 150, 28));

    // A selected item with an icon sits on a raised button left of the text.
    auto button = PaintToPixels(item, TRUE, iconOnly);
    EXPECT_EQ(nearest(COLOR_BTNFACE), at(button, 3, 3));
    EXPECT_EQ(nearest(COLOR_HIGHLIGHT), at(button, textLeft + 2, 3));

    // The icon changes pixels only inside its 16 x 16 square.
    auto withIcon = PaintToPixels(item, FALSE, iconOnly);
    bool inside = false, outside = false;
    for (int y = 0; y < item.bottom; ++y)
        for (int x = 0; x < item.right; ++x)
            if (at(withIcon, x, y) != at(plain, x, y)) {
                bool in = x >= iconX && x < iconX + 16 && y >= iconY && y < iconY + 16;
                (in ? inside : outside) = true;
            }
    EXPECT_TRUE(inside);
    EXPECT_FALSE(outside);

    // The text stays right of the icon column.
    auto withText = PaintToPixels(item, FALSE, textOnly);
    int leftmost = item.right;
    for (int y = 0; y < item.bottom; ++y)
        for (int x = 0; x < item.right; ++x)
            if (at(withText, x, y) != at(plain, x, y) && x < leftmost)
                leftmost = x;
    EXPECT_LT(leftmost, item.right);
    EXPECT_GE(leftmost, textLeft);
    ReleaseDC(nullptr, screen);
}

}  // namespace
