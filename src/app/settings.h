// The program's options: read from the settings file beside the program, changed in memory
// by the pages and menus, written back when the sheet closes.
#ifndef TILEFOX_SETTINGS_H
#define TILEFOX_SETTINGS_H

#include <windows.h>

#include "common/options.h"



// Built-in values, as without a settings file.
void ResetSettings();
// At every start: DialogRows, DialogAnimation, HookComDlg, and Language, which chooses the
// language shown.
void ReadStartSettings();
// Before the sheet is created; the tab to show first.
int ReadStartupTab();
// Only the low 16 bits count, as a signed number; anything but 1..6 is the first tab.
int StartupTabFromValue(int value);
// AutoRefresh and RefreshLevel: how the shell is told of changes.
void ReadRefreshSettings();
// At sheet set-up: window position, view and behaviour options, the registry backups.
void ReadSheetSettings(HWND sheet);
// Moves the sheet to its stored place for this screen width, or centres it.
void PlaceSheetWindow(HWND sheet);
// Left and top edges of a window of the given size on the given screen: a stored edge that
// is negative or would push the window off the screen gives the centred one.
POINT FitWindowPosition(int left, int top, int width, int height, int screenWidth, int screenHeight);
// "DefaultFLdir" into a buffer of MAX_PATH bytes, cleaned of blanks and quotes.
void ReadDefaultBrowseSetting(char *buffer);
void SaveSettings(HWND sheet);

#endif
