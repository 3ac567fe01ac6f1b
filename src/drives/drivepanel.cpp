#include "drives/drivepanel.h"

#include <shellapi.h>
#include <windowsx.h>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "restore/restorepoint.h"
#include "common/sheetgdi.h"
#include "common/tabs.h"
#include "common/texts.h"
#include "drives/autorun.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listcommands.h"
#include "lists/themeimport.h"
#include "lists/listpage.h"
#include "picker/changeicon.h"
#include "shellglue/handles.h"
#include "shellglue/iconimage.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"

enum { ICON_LEFT = 1, TEXT_GAP = 6, ITEM_SPACE = 2, ANCHOR_OFFSET = 16, KEYBOARD_MENU_Y = 10, DRIVE_NAME_BUFFER = 8,
       HINT_BUFFER = 128, FAILED_LIST_BUFFER = 80 };

// Items of the list's menu that the drive box has no use for, by position, last first.
static const int UNUSED_MENU_POSITIONS[] = {9, 8, 7, 1, 0};

// Combo box -> panel -> the Drive tab's content dialog -> sheet.
static HWND SheetOf(HWND panel)
{
    return GetParent(GetParent(panel));
}

static HWND DriveBox(HWND panel)
{
    return GetDlgItem(panel, IDC_DP_DRIVES);
}

// The pending mark is the set of drives the user changed, one bit per letter from A: on: Apply
// writes those and no other, so a drive nobody touched keeps its AUTORUN.INF byte for byte.
static DWORD ChangedDrives(HWND panel)
{
    return DWORD(GetWindowLongPtrA(DriveBox(panel), GWLP_USERDATA));
}

static void SetChangedDrives(HWND panel, DWORD drives)
{
    SetWindowLongPtrA(DriveBox(panel), GWLP_USERDATA, LONG_PTR(drives));
}

static DWORD DriveBit(char letter)
{
    char upper = letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : letter;
    return upper >= 'A' && upper <= 'Z' ? DWORD(1) << (upper - 'A') : 0;
}

BOOL DriveIconsModified(HWND panel)
{
    return ChangedDrives(panel) != 0;
}

static int Selection(HWND panel)
{
    return static_cast<int>(SendMessageA(DriveBox(panel), CB_GETCURSEL, 0, 0));
}

static int DriveCount(HWND panel)
{
    LRESULT count = SendMessageA(DriveBox(panel), CB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

static DriveIconItem *AsItem(LRESULT data)
{
    return data == 0 || data == CB_ERR ? nullptr : reinterpret_cast<DriveIconItem *>(data);
}

// The entry's record, the icon shown from AUTORUN.INF included.
static DriveIconItem *ShownItem(HWND panel, int index)
{
    if (index < 0 || index >= DriveCount(panel))
        return nullptr;
    return AsItem(SendMessageA(DriveBox(panel), CB_GETITEMDATA, index, 0));
}

DriveIconItem *DriveItemOf(HWND panel, int index)
{
    DriveIconItem *item = ShownItem(panel, index);
    return item != nullptr && !item->FromFile ? item : nullptr;
}

// "X:" of an entry; empty when the entry is missing or not a drive name.
static void DriveName(HWND panel, int index, char *name)
{
    name[0] = '\0';
    HWND box = DriveBox(panel);
    LRESULT length = SendMessageA(box, CB_GETLBTEXTLEN, index, 0);
    if (length > 0 && length < DRIVE_NAME_BUFFER)
        SendMessageA(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name));
}

// The first row of the Drive tab's list: how every drive without its own icon looks.
static const IconEntry *FirstRow(HWND panel)
{
    HWND list = GetDlgItem(GetParent(panel), IDC_ICONLIST);
    if (list == nullptr)
        list = ListOfTab(TAB_DRIVE);
    return list != nullptr ? GetEntry(list, 0) : nullptr;
}

static HICON LocateIcon(const char *location)
{
    // Cut short, a location would name another file.
    if (lstrlenA(location) >= LOCATION_BUFFER)
        return nullptr;
    char file[LOCATION_BUFFER];
    CopyText(file, location, LOCATION_BUFFER);
    TrimTrailingSpaces(file);
    TrimLeadingSpaces(file);
    int index = SplitIconLocation(file);
    char found[MAX_PATH];
    if (file[0] == '\0' || !SearchFile(file, found))
        return nullptr;
    DWORD attributes = GetFileAttributesA(found);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    HICON large = nullptr;
    if (int(ExtractIconExA(found, index, &large, nullptr, 1)) <= 0 && large != nullptr) {
        DestroyIcon(large);
        large = nullptr;
    }
    DropUnreadableIcons(found, index, &large, nullptr, 1);
    return large;
}

static DriveIconItem *NewItem(const char *location)
{
    DriveIconItem *item = static_cast<DriveIconItem *>(GlobalAlloc(GMEM_FIXED, sizeof(DriveIconItem)));
    if (item == nullptr)
        return nullptr;
    item->Icon = nullptr;
    item->FromFile = 0;
    item->Location = DupString(location);
    if (item->Location == nullptr) {
        GlobalFree(item);
        return nullptr;
    }
    return item;
}

static void FreeItem(DriveIconItem *item)
{
    if (item == nullptr)
        return;
    if (item->Icon != nullptr)
        DestroyIcon(item->Icon);
    FreeText(&item->Location);
    GlobalFree(item);
}

static void FreeAllItems(HWND panel)
{
    HWND box = DriveBox(panel);
    for (int index = DriveCount(panel) - 1; index >= 0; --index) {
        FreeItem(ShownItem(panel, index));
        SendMessageA(box, CB_SETITEMDATA, index, 0);
    }
}

// The record for an entry: location as the drive's own icon, or with null the icon the drive
// shows without one (none, unless the system reads AUTORUN.INF under the registry's icon).
static DriveIconItem *ItemFor(char letter, const char *location)
{
    char fromFile[LOCATION_BUFFER];
    if (location == nullptr) {
        ReadOverriddenFileIcon(letter, fromFile);
        if (fromFile[0] == '\0')
            return nullptr;
    }
    DriveIconItem *item = NewItem(location != nullptr ? location : fromFile);
    if (item == nullptr)
        return nullptr;
    item->FromFile = location == nullptr;
    item->Icon = LocateIcon(item->Location);
    return item;
}

static void TellSheetChanged(HWND panel)
{
    HWND sheet = SheetOf(panel);
    if (sheet != nullptr && !SendMessageA(sheet, UM_QUERYCHANGED, 0, 0))
        SendMessageA(sheet, UM_SETCHANGED, 0, 1);
}

// --- the drive box --------------------------------------------------------------------------

void FillDriveList(HWND panel)
{
    HWND box = DriveBox(panel);
    // A refill (after a take-back) keeps the drive the user was looking at.
    char shown[DRIVE_NAME_BUFFER] = "";
    if (Selection(panel) >= 0)
        DriveName(panel, Selection(panel), shown);
    DWORD drives = GetLogicalDrives();
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    FreeAllItems(panel);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);

    for (char letter = 'A'; drives != 0 && letter <= 'Z'; ++letter, drives >>= 1) {
        if (!(drives & 1))
            continue;
        char root[] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) != DRIVE_FIXED)
            continue;
        char name[] = {letter, ':', '\0'};
        LRESULT index = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (index < 0)
            continue;
        char location[LOCATION_BUFFER];
        ReadDriveIcon(letter, location);
        // Without memory for the record the drive simply shows no icon of its own.
        DriveIconItem *item = ItemFor(letter, location[0] != '\0' ? location : nullptr);
        if (item != nullptr)
            SendMessageA(box, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(item));
    }

    // With no fixed drive left there is nothing to act on or to drop on.
    BOOL any = DriveCount(panel) > 0;
    EnableWindow(box, any);
    EnableWindow(GetDlgItem(panel, IDC_DP_CHANGE), any);
    LRESULT kept = shown[0] != '\0' ? SendMessageA(box, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(shown)) : CB_ERR;
    int selection = kept != CB_ERR ? int(kept) : 0;
    EnableWindow(GetDlgItem(panel, IDC_DP_DEFAULT), any && DriveItemOf(panel, selection) != nullptr);
    if (any)
        SendMessageA(box, CB_SETCURSEL, selection, 0);
    DragAcceptFiles(panel, any);

    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
    SetChangedDrives(panel, 0);
}

int SetDriveIcon(HWND panel, int index, const char *location)
{
    if (index < 0 || index >= DriveCount(panel) || (location == nullptr && DriveItemOf(panel, index) == nullptr))
        return 0;
    char name[DRIVE_NAME_BUFFER];
    DriveName(panel, index, name);
    DriveIconItem *item = ItemFor(name[0], location);
    if (item == nullptr && location != nullptr)
        return 0;
    FreeItem(ShownItem(panel, index));

    HWND box = DriveBox(panel);
    SendMessageA(box, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(item));
    InvalidateRect(box, nullptr, FALSE);
    if (index == Selection(panel))
        EnableWindow(GetDlgItem(panel, IDC_DP_DEFAULT), location != nullptr);
    SetChangedDrives(panel, ChangedDrives(panel) | DriveBit(name[0]));
    TellSheetChanged(panel);
    return 1;
}

static void DriveTitle(HWND panel, int index, char *title)
{
    char name[DRIVE_NAME_BUFFER];
    DriveName(panel, index, name);
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_DRIVENAME), TEXT_BUFFER);
    wsprintfA(title, format, name);
}

void ChangeDriveIcon(HWND panel)
{
    int index = Selection(panel);
    if (index < 0)
        return;
    char title[TEXT_BUFFER + DRIVE_NAME_BUFFER];
    DriveTitle(panel, index, title);

    const DriveIconItem *item = ShownItem(panel, index);
    const IconEntry *first = FirstRow(panel);
    const char *start = item != nullptr ? item->Location
                        : first != nullptr && first->CurrentLocation != nullptr ? first->CurrentLocation
                                                                                 : "";
    // The dialog runs its own loop: keep the starting text apart from the entry.
    char startCopy[LOCATION_BUFFER];
    CopyText(startCopy, start, LOCATION_BUFFER);
    char choice[LOCATION_BUFFER];
    CopyText(choice, start, LOCATION_BUFFER);

    RECT box;
    GetWindowRect(DriveBox(panel), &box);
    POINT anchor = {box.left + ScaledPixels(ANCHOR_OFFSET), box.top + ScaledPixels(ANCHOR_OFFSET)};
    OpenChangeIconDialog(SheetOf(panel), choice, title, &anchor);
    // Picking the starting icon again, the standard drive icon included, is no change.
    if (choice[0] != '\0' && lstrcmpiA(choice, startCopy) != 0)
        SetDriveIcon(panel, index, choice);
}

void RunDriveCommand(HWND panel, int command)
{
    int index = Selection(panel);
    if (index < 0)
        return;
    switch (command) {
    case IDM_COPY: {
        const DriveIconItem *item = ShownItem(panel, index);
        const IconEntry *first = FirstRow(panel);
        const char *location = item != nullptr ? item->Location : first != nullptr ? first->CurrentLocation : nullptr;
        if (location != nullptr)
            CopyToClipboard(location);
        break;
    }
    case IDM_PASTE:
        if (CopiedIcon() != nullptr && CopiedIcon()[0] != '\0') {
            GlobalText pasted(DupString(CopiedIcon()));
            if (pasted.Get() != nullptr)
                SetDriveIcon(panel, index, pasted.Get());
        }
        break;
    case IDM_CHANGEICON:
        ChangeDriveIcon(panel);
        break;
    case IDM_DEFAULT:
        SetDriveIcon(panel, index, nullptr);
        break;
    default:
        break;
    }
}

// --- Apply ----------------------------------------------------------------------------------

// The profile functions say nothing themselves: the user must learn that the drive keeps its
// old icon, and the change waits for the next Apply.
static void ReportFailedDrives(HWND panel, const char *failed)
{
    char key[MAX_PATH];
    // No AUTORUN.INF was involved: the words of the rows the registry refused.
    if (DriveIconKey(failed[0], key)) {
        NamesMessageBox(SheetOf(panel), IDS_REGWRITEFAILED, failed, MB_ICONEXCLAMATION);
        return;
    }
    char message[TEXT_BUFFER * 2 + FAILED_LIST_BUFFER];
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_DRIVEWRITEFAILED), TEXT_BUFFER);
    wsprintfA(message, format, failed);
    MessageBoxA(SheetOf(panel), message, App.Caption, MB_ICONEXCLAMATION);
}

int WriteDriveIcons(HWND panel)
{
    char failed[FAILED_LIST_BUFFER] = "";
    DWORD pending = 0;
    DWORD changed = ChangedDrives(panel);
    int count = DriveCount(panel);
    for (int index = 0; index < count; ++index) {
        char name[DRIVE_NAME_BUFFER];
        DriveName(panel, index, name);
        DWORD bit = DriveBit(name[0]);
        if (!(changed & bit))
            continue;
        const DriveIconItem *item = DriveItemOf(panel, index);
        char title[TEXT_BUFFER + DRIVE_NAME_BUFFER];
        DriveTitle(panel, index, title);
        WriteOutcome outcome = WriteDriveIcon(name[0], item != nullptr ? item->Location : nullptr, title);
        if (outcome == WRITE_DONE)
            continue;
        pending |= bit;
        // The question for an administrator's rights names the drive already.
        if (outcome == WRITE_NEEDS_RIGHTS)
            continue;
        if (failed[0] != '\0')
            AppendText(failed, " ", sizeof failed);
        AppendText(failed, name, sizeof failed);
    }
    SetChangedDrives(panel, pending);
    if (pending == 0)
        return 1;
    if (failed[0] != '\0')
        ReportFailedDrives(panel, failed);
    // Apply clears the sheet's pending mark after the panel is done; ask again afterwards.
    PostMessageA(panel, UM_DRIVESPENDING, 0, 0);
    return 0;
}

// Apply writes the icon of the changed drives only: a drive nobody touched is not the record's
// to put back.
static void RecordDriveIcons(HWND panel, RestorePoint *point)
{
    DWORD changed = ChangedDrives(panel);
    if (point == nullptr || changed == 0)
        return;
    int count = DriveCount(panel);
    for (int index = 0; index < count; ++index) {
        char name[DRIVE_NAME_BUFFER];
        DriveName(panel, index, name);
        if (name[0] == '\0' || !(changed & DriveBit(name[0])))
            continue;
        char key[MAX_PATH];
        if (DriveIconKey(name[0], key)) {
            point->Value(PlaceOf(ROW_DRIVE_ICON).Root, key, "");
            continue;
        }
        char path[AUTORUN_PATH_BUFFER];
        AutorunPath(name[0], path);
        point->File(path);
    }
}

static LRESULT OnApplyDriveIcons(HWND panel)
{
    if (!DriveIconsModified(panel))
        return 0;
    if (!WriteDriveIcons(panel))
        return 0;
    if (Settings.DriveIconMsg) {
        // Longer than LoadText's buffer.
        char hint[HINT_BUFFER];
        if (LoadTextInto(IDS_DRIVEREFRESHHINT, hint, sizeof hint) <= 0)
            hint[0] = '\0';
        MessageBoxA(SheetOf(panel), hint, App.Caption, MB_ICONINFORMATION);
    }
    return 1;
}

static void OnDrivesPending(HWND panel)
{
    if (DriveIconsModified(panel))
        TellSheetChanged(panel);
}

// --- drawing --------------------------------------------------------------------------------

void DrawDriveItem(HWND panel, const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    if (item->itemAction == ODA_FOCUS) {
        DrawFocusRect(dc, &rect);
        return;
    }
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return;
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item->itemState & ODS_FOCUS)
        DrawFocusRect(dc, &rect);
    int index = static_cast<int>(item->itemID);
    if (index < 0)
        return;

    const DriveIconItem *shown = ShownItem(panel, index);
    HICON icon = shown != nullptr ? shown->Icon : nullptr;
    if (icon == nullptr) {
        const IconEntry *first = FirstRow(panel);
        icon = first != nullptr ? first->LargeIcon : nullptr;
    }
    if (icon == nullptr)
        icon = Gdi.FallbackIconLarge;
    int iconSize = LargeIconSize();
    if (icon != nullptr)
        DrawIconEx(dc, rect.left + ICON_LEFT, (rect.top + rect.bottom - iconSize) / 2, icon, iconSize, iconSize, 0,
                   nullptr, DI_NORMAL);

    char name[DRIVE_NAME_BUFFER];
    DriveName(panel, index, name);
    // A drive waiting for Apply carries the same mark as a changed row of the lists.
    if ((ChangedDrives(panel) & DriveBit(name[0])) && Gdi.ChangedMarkIcon != nullptr)
        DrawIconEx(dc, rect.left, (rect.top + rect.bottom) / 2 - SmallIconSize() / 2, Gdi.ChangedMarkIcon, 0, 0, 0,
                   nullptr, DI_NORMAL);
    HGDIOBJ oldFont = Gdi.ListFontLarge != nullptr ? SelectObject(dc, Gdi.ListFontLarge) : nullptr;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = rect;
    text.left += ICON_LEFT + iconSize + TEXT_GAP;
    DrawTextA(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
}

// --- context menu and drops ---------------------------------------------------------------

static BOOL OnContextMenu(HWND panel, HWND clicked, LPARAM lParam)
{
    HWND box = DriveBox(panel);
    if (clicked != box)
        return FALSE;
    HMENU menu = LoadShownMenu(IDM_CONTEXT);
    if (menu == nullptr)
        return TRUE;
    HMENU popup = GetSubMenu(menu, MENUPOS_LIST);
    for (int position : UNUSED_MENU_POSITIONS)
        DeleteMenu(popup, position, MF_BYPOSITION);
    SetMenuDefaultItem(popup, IDM_CHANGEICON, FALSE);

    int index = Selection(panel);
    bool selected = index >= 0;
    const char *copied = CopiedIcon();
    if (!selected) {
        EnableMenuItem(popup, IDM_COPY, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(popup, IDM_CHANGEICON, MF_BYCOMMAND | MF_GRAYED);
    }
    if (!selected || copied == nullptr || copied[0] == '\0')
        EnableMenuItem(popup, IDM_PASTE, MF_BYCOMMAND | MF_GRAYED);
    if (DriveItemOf(panel, index) == nullptr)
        EnableMenuItem(popup, IDM_DEFAULT, MF_BYCOMMAND | MF_GRAYED);

    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == -1) {
        point.x = 0;
        point.y = KEYBOARD_MENU_Y;
        ClientToScreen(box, &point);
    }
    int command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, panel, nullptr);
    UpdateWindow(SheetOf(panel));
    DestroyMenu(menu);
    RunDriveCommand(panel, command);
    return TRUE;
}

static void ImportDroppedTheme(HWND panel, const char *path)
{
    // Drives without their own icon show the first row, which the theme may change.
    InvalidateRect(DriveBox(panel), nullptr, FALSE);
    ImportThemeAndReport(SheetOf(panel), path);
}

static bool InsideGroup(HWND panel, POINT point)
{
    RECT group;
    if (!GetWindowRect(GetDlgItem(panel, IDC_DP_GROUP), &group))
        return false;
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT *>(&group), 2);
    return PtInRect(&group, point) != 0;
}

static void TakeDrop(HWND panel, HDROP drop)
{
    int index = Selection(panel);
    UINT files = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    POINT point = {0, 0};
    BOOL pointKnown = DragQueryPoint(drop, &point);
    // A name that does not fit would be cut into the name of another file.
    UINT length = files > 0 ? DragQueryFileA(drop, 0, nullptr, 0) : 0;
    if (index < 0 || files == 0 || !pointKnown || !InsideGroup(panel, point) || length == 0 ||
        length >= LOCATION_BUFFER) {
        MessageBeep(0);
        return;
    }
    char buffer[LOCATION_BUFFER];
    DragQueryFileA(drop, 0, buffer, LOCATION_BUFFER);
    if (IsThemeFile(buffer)) {
        ImportDroppedTheme(panel, buffer);
        return;
    }

    BYTE several = 0;
    if (!ResolveIconLocation(buffer, LOCATION_BUFFER, &several)) {
        MessageBeep(0);
        return;
    }
    HWND sheet = SheetOf(panel);
    if (several) {
        SetForegroundWindow(sheet);
        char title[TEXT_BUFFER + DRIVE_NAME_BUFFER];
        DriveTitle(panel, index, title);
        POINT anchor = point;
        ClientToScreen(panel, &anchor);
        OpenChangeIconDialog(sheet, buffer, title, &anchor);
    } else {
        ApplyShellIconOverride(buffer);
    }
    if (buffer[0] == '\0')
        return;
    SetDriveIcon(panel, index, buffer);
    PostMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(panel), 1);
    PostMessageA(panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(DriveBox(panel)), 1);
}

// --- dialog procedure -----------------------------------------------------------------------

static BOOL OnInitDialog(HWND panel)
{
    // Nothing to act on until the first fill.
    EnableWindow(DriveBox(panel), FALSE);
    EnableWindow(GetDlgItem(panel, IDC_DP_DEFAULT), FALSE);
    EnableWindow(GetDlgItem(panel, IDC_DP_CHANGE), FALSE);
    // Some combo boxes size the selection field from the font alone; it shows a whole icon.
    SendMessageA(DriveBox(panel), CB_SETITEMHEIGHT, WPARAM(-1), DriveItemHeight());
    return FALSE;
}

static BOOL OnCommand(HWND panel, int id, int code)
{
    switch (id) {
    case IDC_DP_CHANGE:
        ChangeDriveIcon(panel);
        return TRUE;
    case IDC_DP_DEFAULT:
        SetDriveIcon(panel, Selection(panel), nullptr);
        // The button may just have disabled itself: the focus goes to its neighbour.
        PostMessageA(panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(panel, IDC_DP_CHANGE)), 1);
        return TRUE;
    case IDC_DP_DRIVES:
        if (code != CBN_SELCHANGE)
            return FALSE;
        EnableWindow(GetDlgItem(panel, IDC_DP_CHANGE), Selection(panel) >= 0);
        EnableWindow(GetDlgItem(panel, IDC_DP_DEFAULT), DriveItemOf(panel, Selection(panel)) != nullptr);
        return TRUE;
    default:
        return FALSE;
    }
}

static BOOL OnDropFiles(HWND panel, HDROP drop)
{
    TakeDrop(panel, drop);
    DragFinish(drop);
    return TRUE;
}

// A whole icon and a whole drive name; DRIVE_ITEM_HEIGHT at 96 DPI.
int DriveItemHeight()
{
    int icon = LargeIconSize() + ITEM_SPACE;
    int text = TextLineHeight(Gdi.ListFontLarge) + ITEM_SPACE;
    return text > icon ? text : icon;
}

static BOOL OnMeasureItem(MEASUREITEMSTRUCT *measure)
{
    if (measure->CtlType != ODT_COMBOBOX)
        return FALSE;
    measure->itemHeight = DriveItemHeight();
    return TRUE;
}

static BOOL OnDrawItem(HWND panel, const DRAWITEMSTRUCT *draw)
{
    if (draw->CtlType != ODT_COMBOBOX)
        return FALSE;
    DrawDriveItem(panel, draw);
    return TRUE;
}

static BOOL Result(HWND panel, LRESULT result)
{
    SetWindowLongPtrA(panel, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

INT_PTR CALLBACK DrivePanel(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(panel);
    case UM_FILLLIST:
        FillDriveList(panel);
        return Result(panel, 1);
    case UM_APPLYDRIVEICONS:
        return Result(panel, OnApplyDriveIcons(panel));
    case UM_DRIVESPENDING:
        OnDrivesPending(panel);
        return TRUE;
    case UM_PLANDRIVEICONS:
        RecordDriveIcons(panel, reinterpret_cast<RestorePoint *>(lParam));
        return TRUE;
    case WM_COMMAND:
        return OnCommand(panel, LOWORD(wParam), HIWORD(wParam));
    case WM_CONTEXTMENU:
        return OnContextMenu(panel, reinterpret_cast<HWND>(wParam), lParam);
    case WM_DROPFILES:
        return OnDropFiles(panel, reinterpret_cast<HDROP>(wParam));
    case WM_MEASUREITEM:
        return OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    case WM_DRAWITEM:
        return OnDrawItem(panel, reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_DESTROY:
        FreeAllItems(panel);
        return FALSE;
    default:
        return FALSE;
    }
}

HWND CreateDrivePanel(HWND page)
{
    return MakeDialog(IDD_DRIVEPANEL, page, DrivePanel, 0);
}
