// Program-wide state of the running copy: set by the entry, read by the pages.
#ifndef TILEFOX_APPSTATE_H
#define TILEFOX_APPSTATE_H

#include <windows.h>

struct AppState {
    HINSTANCE Instance;
    char Caption[80];
    char SettingsPath[MAX_PATH];
    HWND InstanceWindow;
    char *DefaultBrowseLocation;
};

extern AppState App;

// The module whose resources hold the texts, menus and dialogs.
HINSTANCE AppInstance();

#endif
