// The Change Icon dialog: the program's one icon picker. Each caller fills a request and the
// dialog keeps it with its window while it runs.
#ifndef TILEFOX_CHANGEICON_H
#define TILEFOX_CHANGEICON_H

#include <windows.h>

enum PickMode : BYTE {
    PICK_ORDINARY = 0,          // a row's or a drive's icon
    PICK_COPY = 1,              // the icon of the start-up file, to be copied
    PICK_FOLDER = 2,            // a folder's icon
    PICK_FOLDER_RESTORE = 3,    // a folder's icon that can go back to the standard one
};

struct ChangeIconRequest {
    PickMode Mode;              // the icon pick mode of this call
    char *Target;               // caller's buffer, 270 bytes: location in, file shown, choice out
    int CurrentIndex;           // the icon to select at start; the chosen one after OK
    const char *TitleSuffix;
    POINT Anchor;               // where the user clicked; valid when HasAnchor
    BYTE HasAnchor;
    int DialogRows;             // grid rows, 1..12
    int DialogAnimation;        // 0 off, 1..20
    HWND Owner;
    // Kept by the dialog while it runs.
    HWND Dialog;
    BYTE FocusCheckGuard;       // the file-name check on grid focus must not run inside itself
};

// A request for buffer (trimmed and split: the path stays, the index becomes CurrentIndex),
// with the rows and animation of the options.
void SetUpChangeIconCall(ChangeIconRequest *call, char *buffer, const char *titleSuffix, const POINT *anchor,
                         PickMode mode = PICK_ORDINARY);
// Runs template 111 modally. Returns 1 (OK: Target holds the choice), 2 (Cancel) or 1016
// (restore default; Target unchanged).
INT_PTR RunChangeIconDialog(HWND owner, ChangeIconRequest *call);
// The request of a running Change Icon dialog, or null for any other window.
ChangeIconRequest *ChangeIconRequestOf(HWND dialog);

// buffer (270 bytes) holds the starting location and receives the choice; emptied unless
// the dialog ended with OK. Returns buffer.
char *OpenChangeIconDialog(HWND owner, char *buffer, const char *titleSuffix, const POINT *anchor,
                           PickMode mode = PICK_ORDINARY);

#endif
