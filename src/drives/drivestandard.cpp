#include "drives/drivepanel.h"

#include "ids.h"

HWND FindDrivePanel(HWND page)
{
    if (page == nullptr)
        return nullptr;
    for (HWND child = FindWindowExA(page, nullptr, "#32770", nullptr); child != nullptr;
         child = FindWindowExA(page, child, "#32770", nullptr)) {
        if (GetDlgItem(child, IDC_DP_DRIVES) != nullptr)
            return child;
    }
    return nullptr;
}

int DrivesToStandard(HWND panel)
{
    if (panel == nullptr)
        return 0;
    int changed = 0;
    int count = int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        if (DriveItemOf(panel, index) != nullptr && SetDriveIcon(panel, index, nullptr))
            ++changed;
    }
    InvalidateRect(GetDlgItem(panel, IDC_DP_DRIVES), nullptr, FALSE);
    return changed;
}
