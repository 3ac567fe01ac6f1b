#include "lists/listpage.h"

#include <windowsx.h>

#include "common/options.h"
#include "common/sheetgdi.h"
#include "ids.h"
#include "lists/catalogues.h"
#include "lists/dropfiles.h"
#include "lists/listcommands.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"

enum { PREVIEW_BORDER = 2, ROW_SPACE = 3, STANDARD_LARGE = 32, STANDARD_SMALL = 16 };

// The icon sizes of the settings file are what the standard sizes (32 and 16) were: the lists
// grow with the system's icons at higher DPI.
static int SmallRowIconSize()
{
    return MulDiv(Settings.IconSizeS, SmallIconSize(), STANDARD_SMALL);
}

int RowIconSize()
{
    if (Settings.IconViewMode == 0)
        return SmallRowIconSize();
    return MulDiv(Settings.IconSizeL, LargeIconSize(), STANDARD_LARGE);
}

static HFONT RowFont()
{
    return Settings.IconViewMode != 0 ? Gdi.ListFontLarge : Gdi.ListFont;
}

// Tall enough for the icon, and for the title however small the icons are set.
int RowHeight()
{
    int icon = RowIconSize() + ROW_SPACE;
    int text = TextLineHeight(RowFont()) + ROW_SPACE;
    return text > icon ? text : icon;
}

int ListTab(HWND list)
{
    return static_cast<int>(GetWindowLongPtrA(list, GWLP_USERDATA));
}

static HWND PageList(HWND page)
{
    return GetDlgItem(page, IDC_ICONLIST);
}

// The drive panel is the one child dialog a page may host.
static HWND DrivePanelOf(HWND page)
{
    return page != nullptr ? FindWindowExA(page, nullptr, "#32770", nullptr) : nullptr;
}

void FillList(HWND list)
{
    int tab = ListTab(list);
    if (tab < 0 || tab >= LIST_TAB_COUNT || Lists.Filling[tab])
        return;
    // Fills serve the queue while they run: nothing may start the same fill again meanwhile.
    Lists.Filling[tab] = 1;
    BeginSearchMemo();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    FreeList(list);

    switch (tab) {
    case TAB_DESKTOP: {
        // Desktop icon templates name libraries by bare file name, found from the system folder.
        char previous[MAX_PATH];
        DWORD length = GetCurrentDirectoryA(MAX_PATH, previous);
        bool restore = length != 0 && length < MAX_PATH;
        if (Facts.SystemDirPath != nullptr)
            SetCurrentDirectoryA(Facts.SystemDirPath);
        FillDesktopList(list);
        if (restore)
            SetCurrentDirectoryA(previous);
        break;
    }
    case TAB_SPECIAL:
        FillShellFolderList(list);
        break;
    case TAB_GENERAL:
    case TAB_STARTMENU:
    case TAB_DRIVE:
        FillShellIconsList(list, tab);
        break;
    default:
        break;
    }

    EndSearchMemo();
    Lists.Filling[tab] = 0;
    if (!IsWindow(list))
        return;
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void RefreshPreview(HWND list)
{
    HWND page = GetParent(list);
    HWND preview = GetDlgItem(page, IDC_PREVIEW);
    int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    IconEntry *entry = selected >= 0 ? GetEntry(list, selected) : nullptr;

    if (preview != nullptr) {
        HDC windowDc = GetDC(preview);
        int iconSize = LargeIconSize();
        int previewSize = iconSize + 2 * PREVIEW_BORDER;
        HBITMAP bitmap = CreateCompatibleBitmap(windowDc, previewSize, previewSize);
        if (bitmap != nullptr) {
            HDC memoryDc = CreateCompatibleDC(windowDc);
            HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
            RECT all = {0, 0, previewSize, previewSize};
            FillRect(memoryDc, &all, GetSysColorBrush(COLOR_WINDOW));
            if (selected >= 0) {
                HICON icon = entry != nullptr && entry->LargeIcon != nullptr ? entry->LargeIcon
                                                                              : Gdi.FallbackIconLarge;
                if (icon != nullptr)
                    DrawIconEx(memoryDc, PREVIEW_BORDER, PREVIEW_BORDER, icon, iconSize, iconSize, 0, nullptr,
                               DI_NORMAL);
            }
            SelectObject(memoryDc, oldBitmap);
            DeleteDC(memoryDc);
            HGDIOBJ replaced = reinterpret_cast<HGDIOBJ>(
                SendMessageA(preview, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
            if (replaced != nullptr && replaced != bitmap)
                DeleteObject(replaced);
        }
        ReleaseDC(preview, windowDc);
        EnableWindow(preview, selected >= 0);
    }

    EnableWindow(GetDlgItem(page, IDC_LIST_CHANGE), selected >= 0);
    EnableWindow(GetDlgItem(page, IDC_LIST_DEFAULT), entry != nullptr && entry->DefaultLocation != nullptr);
    if (preview != nullptr)
        UpdateWindow(preview);
}

void ApplyViewMode(HWND list, BOOL scrollToSelection)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(RowHeight(), 0));
    if (scrollToSelection) {
        LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR)
            SendMessageA(list, LB_SETTOPINDEX, selected, 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
}

// Where the title starts: right of the row icon, and right of the small icon as well in mode 2.
static RECT TextArea(const RECT &row)
{
    RECT text = row;
    text.left = row.left + RowLeftMargin() + RowIconSize() + 1;
    if (Settings.IconViewMode == 2)
        text.left += SmallRowIconSize() + 2;
    return text;
}

static void DrawRowIcons(HDC dc, const RECT &row, const IconEntry *entry)
{
    int size = RowIconSize();
    bool large = Settings.IconViewMode != 0;
    HICON main = large ? entry->LargeIcon : entry->SmallIcon;
    if (main == nullptr)
        main = large ? Gdi.FallbackIconLarge : Gdi.FallbackIconSmall;
    int left = row.left + RowLeftMargin();
    if (main != nullptr)
        DrawIconEx(dc, left, (row.top + row.bottom - size) / 2, main, size, size, 0, nullptr, DI_NORMAL);

    if (Settings.IconViewMode == 2) {
        HICON small = entry->SmallIcon != nullptr ? entry->SmallIcon : Gdi.FallbackIconSmall;
        int smallSize = SmallRowIconSize();
        if (small != nullptr)
            DrawIconEx(dc, left + size + 2, (row.top + row.bottom - smallSize) / 2, small, smallSize, smallSize,
                       0, nullptr, DI_NORMAL);
    }

    if (entry->ChangeState != STATE_UNCHANGED && Gdi.ChangedMarkIcon != nullptr) {
        int y = (row.top + row.bottom) / 2 - SmallIconSize() / 2;
        DrawIconEx(dc, 0, y, Gdi.ChangedMarkIcon, 0, 0, 0, nullptr, DI_NORMAL);
        // A theme import marks its rows bolder: the same mark one pixel further left.
        if (entry->ChangeState == STATE_THEME)
            DrawIconEx(dc, -1, y, Gdi.ChangedMarkIcon, 0, 0, 0, nullptr, DI_NORMAL);
    }
}

static void DrawRowTitle(HDC dc, const RECT &textArea, const IconEntry *entry, bool selected)
{
    HFONT font = RowFont();
    HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = textArea;
    text.left += 2;
    DrawTextA(dc, entry->DisplayName, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
}

void DrawListItem(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    const RECT &row = item->rcItem;
    bool empty = item->itemID == static_cast<UINT>(-1);
    RECT textArea = TextArea(row);

    if (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
        bool selected = (item->itemState & ODS_SELECTED) != 0;
        FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));
        if (selected)
            FillRect(dc, &textArea, GetSysColorBrush(COLOR_HIGHLIGHT));
        const IconEntry *entry = empty ? nullptr : reinterpret_cast<const IconEntry *>(item->itemData);
        if (entry != nullptr) {
            DrawRowIcons(dc, row, entry);
            if (entry->DisplayName != nullptr)
                DrawRowTitle(dc, textArea, entry, selected);
        }
        // The focus rectangle is drawn by XOR: a repainted focused row needs it again, or the
        // next focus change would leave it showing on an unfocused list.
        if (item->itemState & ODS_FOCUS)
            DrawFocusRect(dc, empty ? &row : &textArea);
        return;
    }
    if (item->itemAction & ODA_FOCUS)
        DrawFocusRect(dc, empty ? &row : &textArea);
}

// --- list and preview subclasses -------------------------------------------------------

static LRESULT CallPreviousListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    int tab = ListTab(list);
    WNDPROC previous = tab >= 0 && tab < LIST_TAB_COUNT ? Lists.PreviousListProc[tab] : nullptr;
    if (previous == nullptr)
        return DefWindowProcA(list, message, wParam, lParam);
    return CallWindowProcA(previous, list, message, wParam, lParam);
}

static LRESULT CALLBACK ListSubclass(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RBUTTONDOWN:
        // Select the row under the pointer first, so the menu acts on what was clicked.
        SendMessageA(list, WM_LBUTTONDOWN, wParam, lParam);
        SendMessageA(list, WM_LBUTTONUP, wParam, lParam);
        break;
    case WM_CONTEXTMENU: {
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ShowListMenu(list, point, reinterpret_cast<HWND>(wParam) != list);
        return 0;
    }
    case WM_DROPFILES:
        DropFilesOnList(list, nullptr, reinterpret_cast<HDROP>(wParam));
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_MEASUREITEM:
        // The context menu's owner-drawn items: the list owns the menu.
        MeasureMenuItem(list, reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
        return 1;
    case WM_DRAWITEM:
        DrawMenuItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return 1;
    default:
        break;
    }
    return CallPreviousListProc(list, message, wParam, lParam);
}

static LRESULT CALLBACK PreviewSubclass(HWND preview, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND list = PageList(GetParent(preview));
    switch (message) {
    case WM_CONTEXTMENU:
        PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(preview), lParam);
        return 0;
    case WM_DROPFILES:
        DropFilesOnList(list, preview, reinterpret_cast<HDROP>(wParam));
        DragFinish(reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        break;
    }
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(preview, GWLP_USERDATA));
    if (previous == nullptr)
        return DefWindowProcA(preview, message, wParam, lParam);
    return CallWindowProcA(previous, preview, message, wParam, lParam);
}

// --- page procedure ----------------------------------------------------------------------

// The frame passes the page's tab as the creation parameter.
static BOOL OnInitDialog(HWND page, LPARAM tabParameter)
{
    LONG style = GetWindowLongA(page, GWL_STYLE);
    SetWindowLongA(page, GWL_STYLE, style & ~(WS_CAPTION | WS_DISABLED));
    SetWindowPos(page, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    int tab = int(tabParameter);
    if (tab < 0 || tab >= LIST_TAB_COUNT)
        tab = 0;
    HWND list = PageList(page);
    HWND preview = GetDlgItem(page, IDC_PREVIEW);
    Lists.TabLists[tab] = list;
    SetWindowLongPtrA(list, GWLP_USERDATA, tab);

    DragAcceptFiles(list, TRUE);
    DragAcceptFiles(preview, TRUE);
    RefreshPreview(list);

    Lists.PreviousListProc[tab] =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListSubclass)));
    // The previous procedure must be in place before the subclass can receive anything.
    SetWindowLongPtrA(preview, GWLP_USERDATA, GetWindowLongPtrA(preview, GWLP_WNDPROC));
    SetWindowLongPtrA(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviewSubclass));
    // The drive panel of the Drive tab is created here once it exists.
    return TRUE;
}

static void OnDestroy(HWND page)
{
    HWND list = PageList(page);
    HWND preview = GetDlgItem(page, IDC_PREVIEW);
    int tab = ListTab(list);

    FreeList(list);
    if (tab >= 0 && tab < LIST_TAB_COUNT && Lists.PreviousListProc[tab] != nullptr) {
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Lists.PreviousListProc[tab]));
        Lists.PreviousListProc[tab] = nullptr;
        if (Lists.TabLists[tab] == list)
            Lists.TabLists[tab] = nullptr;
    }
    SetWindowLongPtrA(list, GWLP_USERDATA, 0);

    LONG_PTR previous = GetWindowLongPtrA(preview, GWLP_USERDATA);
    if (previous != 0)
        SetWindowLongPtrA(preview, GWLP_WNDPROC, previous);
    SetWindowLongPtrA(preview, GWLP_USERDATA, 0);
    HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(SendMessageA(preview, STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (bitmap != nullptr)
        DeleteObject(bitmap);
}

// Sent while the list is created, before WM_INITDIALOG: only the options are read.
static BOOL OnMeasureItem(MEASUREITEMSTRUCT *measure)
{
    measure->itemHeight = RowHeight();
    return TRUE;
}

static BOOL OnDrawItem(const DRAWITEMSTRUCT *draw)
{
    if (draw->CtlType != ODT_LISTBOX)
        return FALSE;
    DrawListItem(draw);
    return TRUE;
}

// Keeps the drive panel at the bottom of the page and the list one pixel above it.
static BOOL OnSize(HWND page, int height)
{
    HWND panel = DrivePanelOf(page);
    if (panel == nullptr)
        return FALSE;
    HWND list = PageList(page);

    RECT panelRect;
    GetWindowRect(panel, &panelRect);
    int panelHeight = panelRect.bottom - panelRect.top;
    int panelTop = height - panelHeight;
    SetWindowPos(panel, nullptr, 0, panelTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    RECT listRect;
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT *>(&listRect), 2);
    int listHeight = panelTop - listRect.top - 1;
    if (listHeight < 0)
        listHeight = 0;
    SetWindowPos(list, nullptr, 0, 0, listRect.right - listRect.left, listHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

static BOOL OnCommand(HWND page, int id, int code)
{
    HWND list = PageList(page);
    switch (id) {
    case IDC_LIST_CHANGE:
        ChangeIcon(page, CHANGE_FROM_ROW);
        return TRUE;
    case IDC_PREVIEW:
        if (code != STN_DBLCLK)
            return FALSE;
        ChangeIcon(page, CHANGE_FROM_PREVIEW);
        return TRUE;
    case IDC_LIST_DEFAULT:
        RevertEntries(list, REVERT_DEFAULT);
        return TRUE;
    case IDC_ICONLIST:
        if (code == LBN_DBLCLK) {
            ChangeIcon(page, CHANGE_FROM_ROW);
            return TRUE;
        }
        if (code == LBN_SELCHANGE) {
            RefreshPreview(list);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

static BOOL OnFillList(HWND page)
{
    FillList(PageList(page));
    HWND panel = DrivePanelOf(page);
    if (panel != nullptr)
        SendMessageA(panel, UM_FILLLIST, 0, 0);
    return TRUE;
}

static BOOL OnApplyDriveIcons(HWND page)
{
    HWND panel = DrivePanelOf(page);
    if (panel == nullptr)
        return FALSE;
    SetWindowLongPtrA(page, DWLP_MSGRESULT, static_cast<LONG_PTR>(SendMessageA(panel, UM_APPLYDRIVEICONS, 0, 0)));
    return TRUE;
}

static BOOL OnPlanDriveIcons(HWND page, LPARAM point)
{
    HWND panel = DrivePanelOf(page);
    if (panel != nullptr)
        SendMessageA(panel, UM_PLANDRIVEICONS, 0, point);
    return TRUE;
}

// Icons changed on this page: the drive panel shows the first row's icon for drives without
// their own. Only the shown Drive tab has a panel to redraw.
static BOOL OnIconsChanged(HWND page, LPARAM row)
{
    if (ListTab(PageList(page)) != TAB_DRIVE || (row != 0 && row != -1) || !IsWindowVisible(page))
        return TRUE;
    HWND panel = DrivePanelOf(page);
    if (panel != nullptr)
        InvalidateRect(GetDlgItem(panel, IDC_DP_DRIVES), nullptr, FALSE);
    return TRUE;
}

static BOOL OnRowUpdated(HWND page, int row, bool changed)
{
    HWND list = PageList(page);
    HWND sheet = GetParent(page);
    if (changed && sheet != nullptr && !SendMessageA(sheet, UM_QUERYCHANGED, 0, 0))
        SendMessageA(sheet, UM_SETCHANGED, 0, 1);
    RECT rowRect;
    if (SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rowRect)) != LB_ERR)
        InvalidateRect(list, &rowRect, FALSE);
    UpdateWindow(list);
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) == row)
        RefreshPreview(list);
    return TRUE;
}

INT_PTR CALLBACK IconListPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page, lParam);
    case WM_DESTROY:
        OnDestroy(page);
        return FALSE;
    case WM_MEASUREITEM:
        return OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_SIZE:
        return OnSize(page, HIWORD(lParam));
    case WM_COMMAND:
        return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_CONTEXTMENU:
        return TRUE;
    case UM_FILLLIST:
        return OnFillList(page);
    case UM_APPLYDRIVEICONS:
        return OnApplyDriveIcons(page);
    case UM_PLANDRIVEICONS:
        return OnPlanDriveIcons(page, lParam);
    case UM_ICONSCHANGED:
        return OnIconsChanged(page, lParam);
    case UM_ROWUPDATED:
        return OnRowUpdated(page, int(wParam), lParam != 0);
    default:
        return FALSE;
    }
}
