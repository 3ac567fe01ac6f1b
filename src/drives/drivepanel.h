// The Drive tab's panel for the icon of single fixed drives (AUTORUN.INF). Changes wait in
// the drive box until the sheet's Apply sends UM_APPLYDRIVEICONS.
#ifndef TILEFOX_DRIVEPANEL_H
#define TILEFOX_DRIVEPANEL_H

#include <windows.h>

// The item data of a drive with an icon of its own; owned by its entry of the drive box.
struct DriveIconItem {
    HICON Icon;         // null when the location yields no icon; still the drive's own
    char *Location;     // global-heap text, exactly as it is written to "DefaultIcon"
    // Shown from AUTORUN.INF where the registry's icon wins over the file: what the drive
    // looks like, but not the drive's own icon to take away or write.
    BYTE FromFile;
};

enum { DRIVE_ITEM_HEIGHT = 34 };
// The drive box's item height for the DPI in force.
int DriveItemHeight();

INT_PTR CALLBACK DrivePanel(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
// Template 102 as a child of the Drive tab's content dialog.
HWND CreateDrivePanel(HWND page);

// Rebuilds the drive box from the fixed drives; unapplied changes are dropped.
void FillDriveList(HWND panel);
// Gives the entry an icon of its own (a copy of location) or, with null, takes it away.
// Returns 1 when something changed; the sheet is then told.
int SetDriveIcon(HWND panel, int index, const char *location);
void ChangeDriveIcon(HWND panel);
// Carries out one context-menu command (40005-40008) on the selected drive.
void RunDriveCommand(HWND panel, int command);
// Writes the icon of every drive the user changed since the fill; 1 when all were written.
// Drives that failed are named to the user and stay pending.
int WriteDriveIcons(HWND panel);
// The pending-change mark of the panel.
BOOL DriveIconsModified(HWND panel);
// The entry's record, or null when the drive has no icon of its own.
DriveIconItem *DriveItemOf(HWND panel, int index);
// Every drive with an icon of its own loses it, as a pending change; returns how many.
int DrivesToStandard(HWND panel);
// The drive panel inside the Drive tab's content dialog, or null.
HWND FindDrivePanel(HWND page);
// One entry of the drive box (WM_DRAWITEM); draws on any DC.
void DrawDriveItem(HWND panel, const DRAWITEMSTRUCT *item);

#endif
