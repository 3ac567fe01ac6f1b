#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/listhost.h"
#include "support/probes.h"

namespace {

TEST(ListPage, EveryTabBuildsItsPageFromTheTemplate)
{
    ListHost host;
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND page = host.CreatePage(tab);
        ASSERT_NE(nullptr, page) << tab;
        LONG style = GetWindowLongA(page, GWL_STYLE);
        EXPECT_EQ(0, style & (WS_CAPTION | WS_DISABLED)) << tab;

        HWND list = ListOf(page);
        EXPECT_EQ(list, Lists.TabLists[tab]);
        EXPECT_EQ(tab, ListTab(list));
        LONG listStyle = GetWindowLongA(list, GWL_STYLE);
        EXPECT_EQ(LONG(LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT),
                  listStyle & (LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT));
        EXPECT_EQ(0, listStyle & (LBS_SORT | LBS_HASSTRINGS));

        HWND preview = GetDlgItem(page, IDC_PREVIEW);
        EXPECT_EQ(SS_BITMAP, GetWindowLongA(preview, GWL_STYLE) & SS_TYPEMASK);
        EXPECT_NE(0, GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
        EXPECT_EQ(Ansi(u8"ｱｲｺﾝの変更(&I)..."), WindowText(GetDlgItem(page, IDC_LIST_CHANGE)));
        EXPECT_EQ(Ansi(u8"標準に戻す(&M)"), WindowText(GetDlgItem(page, IDC_LIST_DEFAULT)));

        // Empty until the frame asks for the rows: nothing to change yet.
        EXPECT_EQ(0, Rows(list));
        EXPECT_FALSE(IsWindowEnabled(preview));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LIST_CHANGE)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LIST_DEFAULT)));
    }
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        DestroyWindow(GetParent(Lists.TabLists[tab]));
        EXPECT_EQ(nullptr, Lists.TabLists[tab]);
        EXPECT_EQ(nullptr, Lists.PreviousListProc[tab]);
    }
}

TEST(ListPage, RowHeightFollowsTheViewMode)
{
    struct Case {
        BYTE mode;
        int large, small;
        int height;
        int switched;   // after switching between large and small
    } cases[] = {
        {1, 32, 16, 35, 19},
        {2, 32, 16, 35, 19},
        {0, 32, 16, 19, 35},
        {1, 48, 24, 51, 27},
        {0, 48, 24, 27, 51},
    };
    for (const Case &c : cases) {
        ListHost host;
        Settings.IconViewMode = c.mode;
        Settings.IconSizeL = c.large;
        Settings.IconSizeS = c.small;
        HWND page = host.CreatePage(TAB_GENERAL);
        HWND list = ListOf(page);
        EXPECT_EQ(c.height, SendMessageA(list, LB_GETITEMHEIGHT, 0, 0)) << int(c.mode);

        // Switching the mode later re-lays the list out.
        Settings.IconViewMode = c.mode == 0 ? 1 : 0;
        ApplyViewMode(list, TRUE);
        EXPECT_EQ(c.switched, SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    }
}

// Draws one row into a memory bitmap and reads pixels back.
class RowPainter {
public:
    RowPainter(int width, int height) : rect_{0, 0, width, height}
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        HBRUSH grey = CreateSolidBrush(RGB(1, 2, 3));
        FillRect(dc_, &rect_, grey);
        DeleteObject(grey);
    }
    ~RowPainter()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }

    void Draw(const IconEntry *entry, UINT action, UINT state, UINT itemId = 0)
    {
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = IDC_ICONLIST;
        item.itemID = itemId;
        item.itemAction = action;
        item.itemState = state;
        item.hDC = dc_;
        item.rcItem = rect_;
        item.itemData = reinterpret_cast<ULONG_PTR>(entry);
        DrawListItem(&item);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    RECT rect_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0), kYellow = RGB(255, 255, 0);

class RowDrawing : public testing::Test {
protected:
    RowDrawing()
    {
        entry_.LargeIcon = SolidIcon(32, kRed);
        entry_.SmallIcon = SolidIcon(16, kBlue);
        entry_.DisplayName = const_cast<char *>("");
        DestroyIcon(Gdi.ChangedMarkIcon);
        Gdi.ChangedMarkIcon = SolidIcon(16, kGreen, 8);   // a one-pixel line at x = 8
        window_ = GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
        highlight_ = GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF;
    }
    ~RowDrawing() override
    {
        DestroyIcon(entry_.LargeIcon);
        DestroyIcon(entry_.SmallIcon);
    }

    ListHost host_;
    IconEntry entry_ = {};
    COLORREF window_, highlight_;
};

TEST_F(RowDrawing, BothIconsSideBySideAndTheTitleAfterThem)
{
    Settings.IconViewMode = 2;
    RowPainter row(200, 35);
    row.Draw(&entry_, ODA_DRAWENTIRE, ODS_SELECTED);
    struct Probe {
        int x, y;
        COLORREF colour;
    } probes[] = {
        {10, 17, window_}, {11, 1, kRed}, {42, 32, kRed}, {43, 17, window_}, {11, 0, window_},
        {44, 17, window_}, {45, 9, kBlue}, {60, 24, kBlue}, {45, 8, window_}, {61, 17, window_},
        {61, 1, window_}, {62, 1, highlight_}, {199, 34, highlight_}, {0, 0, window_},
    };
    for (const Probe &p : probes)
        EXPECT_EQ(p.colour, row.At(p.x, p.y)) << p.x << "," << p.y;
}

TEST_F(RowDrawing, TitleStartsTwoPixelsIntoTheTextArea)
{
    Settings.IconViewMode = 2;
    entry_.DisplayName = const_cast<char *>("&WWW");   // the ampersand is drawn, not a mnemonic
    RowPainter row(200, 35);
    row.Draw(&entry_, ODA_DRAWENTIRE, ODS_SELECTED);
    int firstInk = -1;
    for (int x = 62; x < 200 && firstInk < 0; ++x) {
        for (int y = 0; y < 35; ++y) {
            if (row.At(x, y) != highlight_) {
                firstInk = x;
                break;
            }
        }
    }
    EXPECT_GE(firstInk, 64);
    EXPECT_LE(firstInk, 66);
}

TEST_F(RowDrawing, TextAreaStartsAfterTheRowIconInEachMode)
{
    struct Case {
        BYTE mode;
        int height;
        int iconTop;
        COLORREF icon;
        int textLeft;
    } cases[] = {
        {1, 35, 1, kRed, 44},
        {0, 19, 1, kBlue, 28},
        {2, 35, 1, kRed, 62},
    };
    for (const Case &c : cases) {
        Settings.IconViewMode = c.mode;
        RowPainter row(200, c.height);
        row.Draw(&entry_, ODA_DRAWENTIRE, ODS_SELECTED);
        EXPECT_EQ(c.icon, row.At(11, c.iconTop)) << int(c.mode);
        EXPECT_EQ(window_, row.At(11, c.iconTop - 1)) << int(c.mode);
        EXPECT_EQ(window_, row.At(c.textLeft - 1, c.height - 1)) << int(c.mode);
        EXPECT_EQ(highlight_, row.At(c.textLeft, c.height - 1)) << int(c.mode);

        // Unselected rows have no highlight at all.
        row.Draw(&entry_, ODA_SELECT, 0);
        EXPECT_EQ(window_, row.At(c.textLeft, c.height - 1)) << int(c.mode);
    }
}

TEST_F(RowDrawing, MissingIconsFallBackAndTheMarkSitsAtTheLeftEdge)
{
    DestroyIcon(Gdi.FallbackIconLarge);
    Gdi.FallbackIconLarge = SolidIcon(32, kYellow);
    IconEntry bare = entry_;
    bare.LargeIcon = nullptr;
    Settings.IconLeftMargin = 4;   // the mark then overlaps the icon

    struct Case {
        BYTE state;
        COLORREF at7, at8;
    } cases[] = {
        {STATE_UNCHANGED, kYellow, kYellow},
        {STATE_CHANGED, kYellow, kGreen},
        {STATE_THEME, kGreen, kGreen},   // drawn again one pixel to the left
    };
    for (const Case &c : cases) {
        bare.ChangeState = c.state;
        RowPainter row(200, 35);
        row.Draw(&bare, ODA_DRAWENTIRE, 0);
        int markTop = 35 / 2 - 8;
        EXPECT_EQ(c.at7, row.At(7, markTop)) << int(c.state);
        EXPECT_EQ(c.at8, row.At(8, markTop + 15)) << int(c.state);
        EXPECT_EQ(kYellow, row.At(8, markTop - 1)) << int(c.state);
        EXPECT_EQ(kYellow, row.At(9, markTop)) << int(c.state);
    }
}

TEST_F(RowDrawing, FocusRectangleCoversTheTitleOrTheWholeEmptyRow)
{
    auto column = [](RowPainter &row, int x) {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 35; ++y)
            pixels.push_back(row.At(x, y));
        return pixels;
    };
    RowPainter row(200, 35);
    row.Draw(&entry_, ODA_DRAWENTIRE, 0);
    std::vector<COLORREF> edge = column(row, 0), icon = column(row, 20), title = column(row, 44);
    row.Draw(&entry_, ODA_FOCUS, ODS_FOCUS);
    EXPECT_EQ(edge, column(row, 0));
    EXPECT_EQ(icon, column(row, 20));
    EXPECT_NE(title, column(row, 44));

    // Repainting a focused row keeps its focus rectangle, so the next focus change (drawn by
    // inversion) takes it away instead of putting one on an unfocused list.
    row.Draw(&entry_, ODA_DRAWENTIRE, ODS_FOCUS);
    row.Draw(&entry_, ODA_FOCUS, 0);
    EXPECT_EQ(title, column(row, 44));

    // An empty list: item -1, nothing drawn but the focus around the whole row.
    RowPainter empty(200, 35);
    empty.Draw(nullptr, ODA_DRAWENTIRE, 0, static_cast<UINT>(-1));
    std::vector<COLORREF> blank = column(empty, 0);
    EXPECT_EQ(std::vector<COLORREF>(35, window_), blank);
    empty.Draw(nullptr, ODA_FOCUS, ODS_FOCUS, static_cast<UINT>(-1));
    EXPECT_NE(blank, column(empty, 0));
}

// Bytes in use in the process heap, which holds the global-heap blocks.
size_t HeapBusyBytes()
{
    HANDLE heap = GetProcessHeap();
    size_t busy = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            busy += entry.cbData;
    }
    HeapUnlock(heap);
    return busy;
}

class PageTest : public GeneralPageTest {
protected:
    void Select(int row)
    {
        SendMessageA(list_, LB_SETCURSEL, row, 0);
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_ICONLIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list_));
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(page_, id)) != FALSE; }
    HGDIOBJ PreviewBitmap()
    {
        return reinterpret_cast<HGDIOBJ>(SendMessageA(GetDlgItem(page_, IDC_PREVIEW), STM_GETIMAGE, IMAGE_BITMAP, 0));
    }

    std::string lib_ = FixturePath("icons12.dll");
};

TEST_F(PageTest, ButtonsFollowTheSelection)
{
    AddRow(list_, "with default", (lib_ + ",1").c_str(), nullptr, (lib_ + ",0").c_str(), "3");
    AddRow(list_, "without", (lib_ + ",2").c_str(), nullptr, nullptr, "4");
    struct Case {
        int row;
        bool change, restore;
    } cases[] = {{0, true, true}, {1, true, false}, {-1, false, false}};
    for (const Case &c : cases) {
        Select(c.row);
        EXPECT_EQ(c.change, Enabled(IDC_LIST_CHANGE)) << c.row;
        EXPECT_EQ(c.change, Enabled(IDC_PREVIEW)) << c.row;
        EXPECT_EQ(c.restore, Enabled(IDC_LIST_DEFAULT)) << c.row;
    }
}

TEST_F(PageTest, PreviewShowsTheLargeIconAndReleasesTheBitmapItReplaces)
{
    AddRow(list_, "a", (lib_ + ",1").c_str(), nullptr, nullptr, "3");
    IconEntry *entry = GetEntry(list_, 0);
    DestroyIcon(entry->LargeIcon);
    entry->LargeIcon = SolidIcon(32, kRed);
    Settings.IconViewMode = 0;   // the preview is large whatever the view
    Select(0);

    HGDIOBJ first = PreviewBitmap();
    BITMAP info = {};
    ASSERT_EQ(int(sizeof info), GetObjectA(first, sizeof info, &info));
    EXPECT_EQ(36, info.bmWidth);
    EXPECT_EQ(36, info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, first);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW) & 0xFFFFFF, GetPixel(dc, 1, 1));
    EXPECT_EQ(kRed, GetPixel(dc, 2, 2));
    EXPECT_EQ(kRed, GetPixel(dc, 33, 33));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW) & 0xFFFFFF, GetPixel(dc, 34, 34));
    SelectObject(dc, old);
    DeleteDC(dc);

    std::vector<HGDIOBJ> replaced;
    for (int i = 0; i < 300; ++i) {
        replaced.push_back(PreviewBitmap());
        RefreshPreview(list_);
    }
    int alive = 0;
    for (HGDIOBJ bitmap : replaced)
        alive += GetObjectType(bitmap) != 0 && bitmap != PreviewBitmap();
    EXPECT_EQ(0, alive);
}

TEST_F(PageTest, RightClickSelectsTheRowUnderThePointer)
{
    for (int i = 0; i < 3; ++i)
        AddRow(list_, "row", (lib_ + ",1").c_str(), nullptr, nullptr, "3");
    RECT rowRect;
    SendMessageA(list_, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rowRect));
    SendMessageA(list_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(rowRect.left + 50, rowRect.top + 5));
    EXPECT_EQ(2, SendMessageA(list_, LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Enabled(IDC_LIST_CHANGE));
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(PageTest, FreeListReleasesEveryIconAndText)
{
    std::vector<HICON> icons;
    for (int i = 0; i < 10; ++i) {
        AddRow(list_, "row", (lib_ + "," + std::to_string(i)).c_str(), "saved", "default", "3");
        icons.push_back(GetEntry(list_, i)->LargeIcon);
        icons.push_back(GetEntry(list_, i)->SmallIcon);
    }
    FreeList(list_);
    EXPECT_EQ(0, Rows(list_));
    for (HICON icon : icons) {
        ICONINFO info;
        EXPECT_FALSE(GetIconInfo(icon, &info)) << icon;
    }


    // The records and their five texts: a thousand refills leave the heap as it was.
    std::string text(200, 'x');
    auto refill = [&] {
        FreeList(list_);
        for (int i = 0; i < 20; ++i)
            AddRow(list_, text.c_str(), "", text.c_str(), text.c_str(), text.c_str());
    };
    refill();
    size_t before = HeapBusyBytes();
    for (int i = 0; i < 1000; ++i)
        refill();
    size_t after = HeapBusyBytes();
    EXPECT_LT(after, before + 64 * 1024) << before << " -> " << after;
    EXPECT_EQ(20, Rows(list_));
}

TEST_F(PageTest, DrivePanelStaysAtTheBottomWithTheListAbove)
{
    RECT before;
    GetWindowRect(list_, &before);
    SendMessageA(page_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 420));
    RECT unchanged;
    GetWindowRect(list_, &unchanged);
    EXPECT_TRUE(EqualRect(&before, &unchanged)) << "no panel, no layout";

    // A stand-in for the drive panel: a child dialog of the page.
    HWND panel = CreateWindowExA(0, "#32770", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 80, page_, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, panel);
    for (int height : {420, 300}) {
        SendMessageA(page_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, height));
        RECT panelRect, listRect;
        GetWindowRect(panel, &panelRect);
        GetWindowRect(list_, &listRect);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT *>(&panelRect), 2);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT *>(&listRect), 2);
        EXPECT_EQ(0, panelRect.left);
        EXPECT_EQ(height - 80, panelRect.top);
        EXPECT_EQ(80, panelRect.bottom - panelRect.top);
        EXPECT_EQ(panelRect.top - 1, listRect.bottom) << height;
        EXPECT_EQ(before.right - before.left, listRect.right - listRect.left);
    }
}

}  // namespace
