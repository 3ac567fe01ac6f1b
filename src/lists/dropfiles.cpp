#include "lists/dropfiles.h"

#include <shellapi.h>

#include "common/options.h"
#include "common/sheetgdi.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/themeimport.h"
#include "picker/changeicon.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"

// The row a drop lands on: under the point on the list (the last row below them), the
// selection on the preview; -1 when there is none.
static int DropTargetRow(HWND list, HWND preview, POINT point)
{
    if (preview != nullptr)
        return int(SendMessageA(list, LB_GETCURSEL, 0, 0));

    int rows = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    int row = short(LOWORD(hit));
    if (HIWORD(hit) != 0 || row >= rows)
        row = rows - 1;
    if (row < 0)
        row = 0;
    if (SendMessageA(list, LB_GETCURSEL, 0, 0) != row) {
        SendMessageA(list, LB_SETCURSEL, row, 0);
        // As a click would: the page shows the new selection in its preview.
        SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), LPARAM(list));
    }
    return row;
}

// Where the Change Icon dialog opens: over the row's icon, or where the file met the preview.
static POINT PickerAnchor(HWND list, HWND preview, int row, POINT point)
{
    POINT anchor = point;
    HWND origin = preview;
    if (preview == nullptr) {
        origin = list;
        RECT rowRect = {0, 0, 0, 0};
        SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rowRect));
        int height = rowRect.bottom - rowRect.top;
        anchor.x = RowLeftMargin() + height / 2;
        anchor.y = rowRect.top + height / 2;
    }
    ClientToScreen(origin, &anchor);
    return anchor;
}

void DropFilesOnList(HWND list, HWND preview, HDROP drop)
{
    if (list == nullptr)
        return;
    HWND page = GetParent(list);
    HWND sheet = GetParent(page);

    POINT point = {0, 0};
    BOOL inClient = DragQueryPoint(drop, &point);
    UINT files = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0 || files == 0 || !inClient) {
        MessageBeep(0);
        return;
    }

    // A name cut to the buffer would be another file's.
    char location[LOCATION_BUFFER];
    if (DragQueryFileA(drop, 0, nullptr, 0) >= LOCATION_BUFFER ||
        DragQueryFileA(drop, 0, location, LOCATION_BUFFER) == 0) {
        MessageBeep(0);
        return;
    }

    if (IsThemeFile(location)) {
        ImportThemeAndReport(sheet, location);
        return;
    }

    BYTE severalIcons = 0;
    if (!ResolveIconLocation(location, LOCATION_BUFFER, &severalIcons)) {
        MessageBeep(0);
        return;
    }

    int row = DropTargetRow(list, preview, point);
    IconEntry *entry = GetEntry(list, row);
    if (entry == nullptr)
        return;

    if (severalIcons) {
        SetForegroundWindow(sheet);
        POINT anchor = PickerAnchor(list, preview, row, point);
        // The dialog runs its own loop; the row's name is kept aside in case the list changes.
        char name[LOCATION_BUFFER];
        CopyText(name, entry->DisplayName, LOCATION_BUFFER);
        OpenChangeIconDialog(sheet, location, name, &anchor);
    } else {
        ApplyShellIconOverride(location);
    }
    if (location[0] == '\0')
        return;

    if (!ChangeEntryLocation(list, row, location, STATE_CHANGED))
        return;

    PostMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), 1);
    PostMessageA(page, UM_ICONSCHANGED, 0, row);
}
