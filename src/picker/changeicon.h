// The Change Icon dialog: the program's one icon picker. Each caller fills a request and the
// dialog keeps it with its window while it runs.
#ifndef TILEFOX_CHANGEICON_H
#define TILEFOX_CHANGEICON_H

#include <windows.h>

#include "picker/pickerstate.h"

// A request for buffer (trimmed and split: the path stays, the index becomes CurrentIndex),
// with the rows and animation of the options.
void SetUpChangeIconCall(ChangeIconRequest *call, char *buffer, const char *titleSuffix, const POINT *anchor,
                         PickMode mode = PICK_ORDINARY);
// Runs template 111 modally. Returns 1 (OK: Target holds the choice), 2 (Cancel) or 1016
// (restore default; Target unchanged).
INT_PTR RunChangeIconDialog(HWND owner, ChangeIconRequest *call);

// buffer (270 bytes) holds the starting location and receives the choice; emptied unless
// the dialog ended with OK. Returns buffer.
char *OpenChangeIconDialog(HWND owner, char *buffer, const char *titleSuffix, const POINT *anchor,
                           PickMode mode = PICK_ORDINARY);

#endif
