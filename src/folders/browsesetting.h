// The default place offered when a folder's icon is changed: a folder or an icon file, set
// in a small dialog of the Settings 1 tab and saved with the other options.
#ifndef TILEFOX_BROWSESETTING_H
#define TILEFOX_BROWSESETTING_H

#include <windows.h>

// Runs template 118 modally; returns 1 when App.DefaultBrowseLocation was replaced (the
// empty text clears the default), 2 when cancelled.
INT_PTR DefaultBrowseDialog(HWND owner);

// Where Browse starts for the typed text (MAX_PATH bytes, cleaned in place): a folder as it
// is, anything else cut to its folder part; empty for the open-file dialog's own default.
void BrowseStartFolder(char *text);

#endif
