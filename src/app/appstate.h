// Program-wide start-up state: set by the entry, read everywhere.
#ifndef TILEFOX_APPSTATE_H
#define TILEFOX_APPSTATE_H

#include <windows.h>

struct AppState {
    HINSTANCE Instance;
    char Caption[80];
    char SettingsPath[MAX_PATH];
    HWND InstanceWindow;
    BYTE IconPickMode;      // 0 ordinary, 1 picking the start-up file, 2 folder-icon mode, 3 folder dialog
    BYTE PlusMode;
    BYTE NewShell;          // MSHTML.DLL 4.71.1712 or later
    BYTE IntegratedShell;   // NewShell and IntegratedBrowser set
    char *SystemDirPath;    // with trailing backslash
    char *CopiedIcon;       // the icon clipboard, or the pending start-up file
    char *DefaultBrowseLocation;
    int CurrentTab;
};

extern AppState App;

// The module whose resources hold the texts, menus and dialogs.
HINSTANCE AppInstance();

#endif
