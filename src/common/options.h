// The program's options, as the settings file gives them: read and written by the entry and
// the sheet, read and changed in memory by the pages.
#ifndef TILEFOX_OPTIONS_H
#define TILEFOX_OPTIONS_H

#include <windows.h>

struct SettingsState {
    int DialogRows;         // 1..12
    BYTE DialogAnimation;   // 0..20, 0 = off
    BYTE HookComDlg;
    int StartupTab;         // 0..6
    BYTE IconViewMode;      // 0 small, 1 large, 2 both
    int IconSizeL;
    int IconSizeS;
    int IconLeftMargin;
    BYTE AutoRefresh;
    BYTE RefreshLevel;      // 0 none, 1 F5 to the desktop, other: change notification
    BYTE DriveIconMsg;
    // "Backup Registry": heap texts or null.
    char *BmpClassBackup;
    char *BmpIconBackup;
    char *CplIconBackup;
    // Set when the file holds a backup too long to be read whole: the page then leaves that
    // setting as it is, and nothing is written over the file's copy.
    BYTE BmpBackupUnreadable;
    BYTE CplBackupUnreadable;
};

extern SettingsState Settings;

// "DesktopTextColor" (RRGGBB in hexadecimal, anything before the first hex digit and a "0x"
// skipped) as a Windows colour; FALSE when the key is empty or absent, holds no hex digit, or
// the number has more than six significant digits, meaning the label colour stays.
BOOL ReadDesktopTextColor(COLORREF *colour);
BOOL ParseDesktopTextColor(char *text, COLORREF *colour);

// Frees the three "Backup Registry" texts.
void FreeRegistryBackups();

#endif
