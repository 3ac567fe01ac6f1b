#include "lists/listcommands.h"

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/sheetgdi.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "lists/properties.h"
#include "picker/changeicon.h"
#include "shellglue/handles.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"

namespace {

enum { MENU_COLUMN_AT_96 = 18, MENU_ICON_ROOM = 1, MENU_TEXT_ROOM = 2, MENU_RECORD_COUNT = 5, VIEW_SUBMENU_POS = 0 };
enum { VIEW_SMALL = 0, VIEW_LARGE = 1, VIEW_BOTH = 2 };

// List -> content dialog -> sheet.
HWND SheetOf(HWND list)
{
    return GetParent(GetParent(list));
}

int Selection(HWND list)
{
    return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
}

int SetRowLocation(HWND list, int row, const char *location, BYTE state)
{
    IconEntry source = {};
    source.CurrentLocation = const_cast<char *>(location);
    source.ChangeState = state;
    return UpdateEntry(list, row, &source, EF_CURRENTLOCATION | EF_CHANGESTATE);
}

void SetViewMode(BYTE mode)
{
    if (mode == Settings.IconViewMode)
        return;
    // Only a change of row height moves rows far enough to lose the selection from view.
    BOOL scroll = Settings.IconViewMode == VIEW_SMALL || mode == VIEW_SMALL;
    Settings.IconViewMode = mode;
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        if (IsWindow(ListOfTab(tab)))
            ApplyViewMode(ListOfTab(tab), scroll);
    }
}

void PasteIcon(HWND list)
{
    int row = Selection(list);
    IconEntry *entry = GetEntry(list, row);
    if (entry == nullptr || CopiedIcon() == nullptr)
        return;
    // The clipboard may be replaced while the row updates (a message from another copy).
    GlobalText location(DupString(CopiedIcon()));
    if (location.Get() == nullptr)
        return;
    ChangeEntryLocation(list, row, location.Get(), STATE_CHANGED);
    PostMessageA(GetParent(list), UM_ICONSCHANGED, 0, row);
}

bool Qualifies(const IconEntry *entry, int mode)
{
    if (mode == REVERT_UNDO)
        return entry->ChangeState != STATE_UNCHANGED;
    return entry->DefaultLocation != nullptr;
}

void RevertRow(HWND list, int row, IconEntry *entry, int mode)
{
    if (mode == REVERT_UNDO) {
        SetRowLocation(list, row, entry->SavedLocation, STATE_UNCHANGED);
        return;
    }
    ChangeEntryLocation(list, row, entry->DefaultLocation, STATE_CHANGED);
}

bool AskWholeList(HWND page, int mode)
{
    char caption[TEXT_BUFFER];
    CopyText(caption, LoadText(IDS_CAPTION), sizeof caption);
    const char *question = LoadText(mode == REVERT_UNDO ? IDS_ASKUNDOALL : IDS_ASKDEFAULTALL);
    return MessageBoxA(page, question, caption, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

// The small icon of a location for the menu; null when any step fails.
HICON LoadSmallMenuIcon(const char *location)
{
    char file[LOCATION_BUFFER];
    CopyText(file, location, sizeof file);
    int index = SplitIconLocation(file);
    char found[MAX_PATH];
    if (!SearchFile(file, found))
        return nullptr;
    HICON small = nullptr;
    if (static_cast<int>(ExtractIconExA(found, index, nullptr, &small, 1)) <= 0)
        return nullptr;
    return small;
}

void MakeOwnerDrawn(HMENU menu, UINT command, MenuItemRecord *record, HICON icon, HFONT font)
{
    record->Icon = icon;
    record->Font = font;
    record->Text[0] = '\0';
    MENUITEMINFOA info = {};
    info.cbSize = MENUITEMINFOA_SIZE_95;
    info.fMask = MIIM_TYPE;
    info.dwTypeData = record->Text;
    info.cch = sizeof record->Text;
    GetMenuItemInfoA(menu, command, FALSE, &info);
    record->Text[sizeof record->Text - 1] = '\0';
    ModifyMenuA(menu, command, MF_BYCOMMAND | MF_OWNERDRAW, command,
                reinterpret_cast<LPCSTR>(record));
}

void Gray(HMENU menu, UINT command)
{
    EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
}

// Turns the items owner-drawn or greys them; returns the icon loaded for Restore default.
HICON PrepareItems(HMENU menu, HWND list, const IconEntry *entry, MenuItemRecord *records)
{
    if (entry != nullptr && entry->CurrentLocation != nullptr)
        MakeOwnerDrawn(menu, IDM_COPY, &records[0], Gdi.CopyIcon, Gdi.MenuFont);
    else
        Gray(menu, IDM_COPY);

    if (entry != nullptr && CopiedIcon() != nullptr)
        MakeOwnerDrawn(menu, IDM_PASTE, &records[1], Gdi.PasteIcon, Gdi.MenuFont);
    else
        Gray(menu, IDM_PASTE);

    if (entry != nullptr)
        MakeOwnerDrawn(menu, IDM_CHANGEICON, &records[2], Gdi.ChangedMarkIcon, Gdi.MenuFontBold);
    else
        Gray(menu, IDM_CHANGEICON);
    // Set after the item was replaced: replacing an item resets its state.
    SetMenuDefaultItem(menu, IDM_CHANGEICON, FALSE);

    HICON defaultIcon = nullptr;
    if (entry != nullptr && entry->DefaultLocation != nullptr) {
        defaultIcon = LoadSmallMenuIcon(entry->DefaultLocation);
        MakeOwnerDrawn(menu, IDM_DEFAULT, &records[3], defaultIcon, Gdi.MenuFont);
    } else {
        Gray(menu, IDM_DEFAULT);
    }

    // Only a changed row has anything to undo.
    if (entry != nullptr && entry->ChangeState != STATE_UNCHANGED)
        MakeOwnerDrawn(menu, IDM_UNDO, &records[4], Gdi.UndoIcon, Gdi.MenuFont);
    else
        Gray(menu, IDM_UNDO);

    if (entry == nullptr)
        Gray(menu, IDM_PROPERTIES);
    return defaultIcon;
}

POINT AnchorAtRow(HWND list, int row)
{
    RECT item = {};
    SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
    RECT client = {};
    GetClientRect(list, &client);
    POINT anchor;
    anchor.x = RowLeftMargin() + (item.bottom - item.top) / 2;
    anchor.y = (item.top + item.bottom) / 2;
    if (item.bottom <= client.top)
        anchor.y = -16;
    else if (item.top >= client.bottom)
        anchor.y = client.bottom + 8;
    ClientToScreen(list, &anchor);
    return anchor;
}

POINT AnchorAtPreview(HWND page)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(page, IDC_PREVIEW), &rect);
    POINT anchor = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return anchor;
}

}  // namespace

void ShowListMenu(HWND list, POINT screenPoint, BOOL fromPreview)
{
    IconEntry *entry = GetEntry(list, Selection(list));
    HMENU menu = LoadShownMenu(IDM_CONTEXT);
    if (menu == nullptr)
        return;
    HMENU popup = GetSubMenu(menu, MENUPOS_LIST);
    if (popup == nullptr) {
        DestroyMenu(menu);
        return;
    }

    if (fromPreview) {
        DeleteMenu(popup, 1, MF_BYPOSITION);
        DeleteMenu(popup, VIEW_SUBMENU_POS, MF_BYPOSITION);
    } else {
        UINT mark = Settings.IconViewMode == VIEW_SMALL  ? IDM_VIEW_SMALL
                    : Settings.IconViewMode == VIEW_BOTH ? IDM_VIEW_BOTH
                                                         : IDM_VIEW_LARGE;
        CheckMenuRadioItem(GetSubMenu(popup, VIEW_SUBMENU_POS), IDM_VIEW_LARGE, IDM_VIEW_BOTH, mark,
                           MF_BYCOMMAND);
    }

    MenuItemRecord records[MENU_RECORD_COUNT] = {};
    HICON defaultIcon = PrepareItems(popup, list, entry, records);

    if (screenPoint.x == -1 && screenPoint.y == -1) {
        screenPoint.x = 0;
        screenPoint.y = 10;
        ClientToScreen(list, &screenPoint);
    }
    int command = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                  screenPoint.x, screenPoint.y, 0, list, nullptr));
    UpdateWindow(SheetOf(list));

    RunListCommand(list, command, fromPreview);

    DestroyMenu(menu);
    if (defaultIcon != nullptr)
        DestroyIcon(defaultIcon);
}

void RunListCommand(HWND list, int command, BOOL fromPreview)
{
    switch (command) {
    case IDM_VIEW_LARGE:
        SetViewMode(VIEW_LARGE);
        break;
    case IDM_VIEW_SMALL:
        SetViewMode(VIEW_SMALL);
        break;
    case IDM_VIEW_BOTH:
        SetViewMode(VIEW_BOTH);
        break;
    case IDM_COPY: {
        IconEntry *entry = GetEntry(list, Selection(list));
        if (entry != nullptr && entry->CurrentLocation != nullptr)
            CopyToClipboard(entry->CurrentLocation);
        break;
    }
    case IDM_PASTE:
        PasteIcon(list);
        break;
    case IDM_CHANGEICON:
        ChangeIcon(GetParent(list), fromPreview ? CHANGE_FROM_PREVIEW : CHANGE_FROM_ROW);
        break;
    case IDM_DEFAULT:
        RevertEntries(list, REVERT_DEFAULT);
        break;
    case IDM_UNDO:
        RevertEntries(list, REVERT_UNDO);
        break;
    case IDM_PROPERTIES: {
        IconEntry *entry = GetEntry(list, Selection(list));
        if (entry != nullptr)
            ShowProperties(SheetOf(list), entry);
        break;
    }
    }
}

void ChangeIcon(HWND page, int source)
{
    HWND list = GetDlgItem(page, IDC_ICONLIST);
    int row = Selection(list);
    IconEntry *entry = GetEntry(list, row);
    if (entry == nullptr)
        return;

    char buffer[LOCATION_BUFFER];
    CopyText(buffer, entry->CurrentLocation != nullptr ? entry->CurrentLocation : "", sizeof buffer);
    POINT anchor = source == CHANGE_FROM_PREVIEW ? AnchorAtPreview(page) : AnchorAtRow(list, row);
    // The dialog names the row in its caption; keep our own copy in case the row goes away.
    GlobalText name(DupString(entry->DisplayName != nullptr ? entry->DisplayName : ""));
    OpenChangeIconDialog(GetParent(page), buffer, name.Get(), &anchor);
    if (buffer[0] == '\0')
        return;

    // The dialog ran a message loop: look the row up again rather than trust the old pointer.
    entry = GetEntry(list, row);
    if (entry != nullptr && lstrcmpiA(entry->CurrentLocation, buffer) != 0) {
        ChangeEntryLocation(list, row, buffer, STATE_CHANGED);
        PostMessageA(page, UM_ICONSCHANGED, 0, row);
    }
    PostMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), 1);
}

void RevertEntries(HWND list, int mode)
{
    RevertRows(list, mode, GetAsyncKeyState(VK_SHIFT) < 0);
}

void RevertRows(HWND list, int mode, BOOL wholeList)
{
    HWND page = GetParent(list);
    if (!wholeList) {
        int row = Selection(list);
        IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr || !Qualifies(entry, mode))
            return;
        RevertRow(list, row, entry, mode);
        PostMessageA(page, UM_ICONSCHANGED, 0, row);
        return;
    }

    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (count > 0 && AskWholeList(page, mode)) {
        for (int row = 0; row < count; ++row) {
            IconEntry *entry = GetEntry(list, row);
            if (entry != nullptr && Qualifies(entry, mode))
                RevertRow(list, row, entry, mode);
        }
        UpdateWindow(SheetOf(list));
        PostMessageA(page, UM_ICONSCHANGED, 0, -1);
    }
    UpdateWindow(list);
}

// The column of the item icons: the check-mark column, or the icon and a pixel either side.
static int IconColumnWidth()
{
    int column = GetSystemMetrics(SM_CXMENUCHECK);
    int icon = SmallIconSize() + 2;
    return column > icon ? column : icon;
}

BOOL MeasureMenuItem(HWND list, MEASUREITEMSTRUCT *measure)
{
    if (measure->CtlType != ODT_MENU || measure->itemData == 0)
        return FALSE;
    const MenuItemRecord *record = reinterpret_cast<const MenuItemRecord *>(measure->itemData);
    HWND page = GetParent(list);
    HDC dc = GetDC(page);
    HGDIOBJ oldFont = SelectObject(dc, record->Font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, record->Text, lstrlenA(record->Text), &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(page, dc);
    // The system adds the check-mark column to the width itself; an icon column wider than at
    // 96 DPI needs its surplus added here.
    measure->itemWidth = (extent.cx > 0 ? extent.cx - 1 : 0) + IconColumnWidth() - MENU_COLUMN_AT_96;
    // As tall as a menu bar, and never less than the icon or the text need.
    int height = GetSystemMetrics(SM_CYMENU);
    int icon = SmallIconSize() + MENU_ICON_ROOM;
    int text = extent.cy + MENU_TEXT_ROOM;
    if (height < icon)
        height = icon;
    if (height < text)
        height = text;
    measure->itemHeight = height + 1;
    return TRUE;
}

BOOL DrawMenuItem(const DRAWITEMSTRUCT *draw)
{
    if (draw->CtlType != ODT_MENU)
        return FALSE;
    const MenuItemRecord *record = reinterpret_cast<const MenuItemRecord *>(draw->itemData);
    if (record == nullptr)
        return FALSE;
    if (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))
        PaintMenuItem(draw->hDC, &draw->rcItem, (draw->itemState & ODS_SELECTED) != 0, record);
    return TRUE;
}

void PaintMenuItem(HDC dc, const RECT *item, BOOL selected, const MenuItemRecord *record)
{
    int iconSize = SmallIconSize();
    RECT textRect = *item;
    textRect.left = item->left + IconColumnWidth() + 3;

    if (selected) {
        FillRect(dc, item, GetSysColorBrush(COLOR_HIGHLIGHT));
        if (record->Icon != nullptr) {
            // The icon sits on a small raised button.
            RECT button = {item->left, item->top, textRect.left - 1, item->bottom};
            DrawEdge(dc, &button, BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
        }
    } else {
        FillRect(dc, item, GetSysColorBrush(COLOR_MENU));
    }

    if (record->Icon != nullptr)
        DrawIconEx(dc, (textRect.left + item->left - iconSize) / 2, (item->top + item->bottom - iconSize) / 2,
                   record->Icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);

    HGDIOBJ oldFont = SelectObject(dc, record->Font != nullptr ? record->Font
                                                               : GetStockObject(DEFAULT_GUI_FONT));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour =
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    textRect.bottom -= 1;
    DrawTextA(dc, record->Text, -1, &textRect, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
}
