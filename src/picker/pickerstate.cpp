#include "picker/pickerstate.h"

#include <windowsx.h>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/sheetgdi.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/iconimage.h"

static DWORD RandomState;
static const char kNoCopyProperty[] = "TilefoxGridNoCopy";

ChangeIconRequest *ChangeIconRequestOf(HWND dialog)
{
    return dialog != nullptr ? reinterpret_cast<ChangeIconRequest *>(GetWindowLongPtrA(dialog, DWLP_USER)) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Grid

void DestroyGridIcons(HWND grid)
{
    int count = int(SendMessageA(grid, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LRESULT data = SendMessageA(grid, LB_GETITEMDATA, i, 0);
        if (data != LB_ERR && data != 0)
            DestroyIcon(reinterpret_cast<HICON>(data));
    }
    SendMessageA(grid, LB_RESETCONTENT, 0, 0);
}

void FillIconGrid(HWND grid, const char *file)
{
    SendMessageA(grid, WM_SETREDRAW, FALSE, 0);
    DestroyGridIcons(grid);
    UINT count = ExtractIconExA(file, -1, nullptr, nullptr, 0);
    if (count > 0 && count != UINT(-1)) {
        HICON *icons = static_cast<HICON *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, count * sizeof(HICON)));
        if (icons != nullptr) {
            ExtractIconExA(file, 0, icons, nullptr, count);
            DropUnreadableIcons(file, 0, icons, nullptr, int(count));
            SendMessageA(grid, LB_INITSTORAGE, count, 0);
            // One item per slot keeps item i = icon i even where one icon failed to load.
            for (UINT i = 0; i < count; ++i)
                SendMessageA(grid, LB_ADDSTRING, 0, LPARAM(icons[i]));
            GlobalFree(icons);
        }
    }
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(grid, nullptr, TRUE);
}

static void OnGridContextMenu(HWND grid, LPARAM lParam)
{
    int selection = int(SendMessageA(grid, LB_GETCURSEL, 0, 0));
    HMENU menu = selection != LB_ERR ? LoadShownMenu(IDM_CONTEXT) : nullptr;
    if (menu == nullptr) {
        MessageBeep(0);
        return;
    }
    HMENU popup = GetSubMenu(menu, MENUPOS_GRID);
    // Copy only makes sense when a sheet can take the icon, and not while picking one to copy.
    if (GetPropA(grid, kNoCopyProperty) != nullptr || FindWindowA(INSTANCE_CLASS, nullptr) == nullptr) {
        DeleteMenu(popup, 0, MF_BYPOSITION);
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    SetMenuDefaultItem(popup, IDM_GRID_SELECT, FALSE);

    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (point.x == -1 && point.y == -1) {
        point.x = 2;
        point.y = 2;
        ClientToScreen(grid, &point);
    }
    UINT command = UINT(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, grid, nullptr));
    DestroyMenu(menu);

    HWND parent = GetParent(grid);
    if (command == IDM_GRID_COPY) {
        PostMessageA(parent, UM_COPYSELECTEDICON, 0, 0);
        UpdateWindow(parent);
    } else if (command == IDM_GRID_SELECT) {
        PostMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(grid), LBN_DBLCLK), LPARAM(grid));
    }
}

void SetGridCopyAllowed(HWND grid, BOOL allowed)
{
    if (allowed)
        RemovePropA(grid, kNoCopyProperty);
    else
        SetPropA(grid, kNoCopyProperty, reinterpret_cast<HANDLE>(1));
}

LRESULT CALLBACK IconGridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(grid, GWLP_USERDATA));
    switch (message) {
    case WM_RBUTTONDOWN:
        // Select the cell under the pointer first, so the menu acts on it.
        SendMessageA(grid, WM_LBUTTONDOWN, wParam, lParam);
        SendMessageA(grid, WM_LBUTTONUP, wParam, lParam);
        break;
    case WM_CONTEXTMENU:
        OnGridContextMenu(grid, lParam);
        return 0;
    }
    if (previous == nullptr)
        return DefWindowProcA(grid, message, wParam, lParam);
    return CallWindowProcA(previous, grid, message, wParam, lParam);
}

int GridCellSize(int cellAt96)
{
    return cellAt96 - STANDARD_ICON_SIZE + LargeIconSize();
}

void DrawGridCell(const DRAWITEMSTRUCT *draw, int iconLeft, int iconTop)
{
    if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return;
    bool selected = (draw->itemState & ODS_SELECTED) != 0;
    FillRect(draw->hDC, &draw->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (draw->itemID != UINT(-1) && draw->itemData != 0)
        DrawIcon(draw->hDC, draw->rcItem.left + iconLeft, draw->rcItem.top + iconTop,
                 reinterpret_cast<HICON>(draw->itemData));
}

// ---------------------------------------------------------------------------------------
// Placement

void SeedPickerRandom(DWORD seed)
{
    RandomState = seed;
}

int NextPickerRandom()
{
    RandomState = RandomState * 214013u + 2531011u;
    return int((RandomState >> 16) & 0x7FFF);
}

POINT ScatteredPosition(int screenWidth, int screenHeight, int width, int height)
{
    int r1 = NextPickerRandom();
    int r2 = NextPickerRandom();
    POINT position;
    position.y = (screenHeight - height) / 2 + r1 % 50 - 30;
    position.x = (screenWidth - width) / 2 + r2 % 120 - 60;
    return position;
}

int OpeningSteps(int width, int speed)
{
    int steps = WORD((2 * width) / (speed + 5));
    return steps == 0 ? 1 : steps;
}

int ClosingSteps(int speed)
{
    int steps = WORD((100 - 5 * speed) / 2);
    return steps < 8 ? 8 : steps;
}
