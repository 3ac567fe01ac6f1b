// Call state of the Change Icon dialog (one open at a time) and the pieces the open-file
// extension and the folder-icon change share with it.
#ifndef TILEFOX_PICKERSTATE_H
#define TILEFOX_PICKERSTATE_H

#include <windows.h>

enum {
    GRID_CELL_WIDTH = 42,
    GRID_CELL_HEIGHT = 40,
    GRID_ICON_LEFT = (42 - 32) / 2,
    GRID_ICON_TOP = (40 - 32) / 2,
    FILENAME_LIMIT = 258,
};

struct ChangeIconCall {
    char *Target;           // caller's buffer, at least 270 bytes: location in, file shown, choice out
    int CurrentIndex;       // the icon to select at start; the chosen one after OK
    const char *TitleSuffix;
    POINT Anchor;           // where the user clicked; valid when HasAnchor
    BYTE HasAnchor;
    BYTE FocusCheckGuard;   // the file-name check on grid focus must not run inside itself
    HWND Owner;
    HWND Dialog;            // while it runs; the open-file extension posts to it
    DWORD RandomState;
};

extern ChangeIconCall IconCall;

// Call state for buffer (trimmed and split: the path stays, the index becomes CurrentIndex);
// a DialogRows of 0 becomes 4.
void SetUpChangeIconCall(char *buffer, const char *titleSuffix, const POINT *anchor);
// Runs template 111 modally on the call state (IconPickMode as the caller set it). Returns
// 1 (OK: Target holds the choice), 2 (Cancel) or 1016 (restore default; Target unchanged).
INT_PTR RunChangeIconDialog(HWND owner);

// Grid helpers, also for the open-file extension's strip: one extraction call for every
// icon of the file, no repaint while the items go in.
void FillIconGrid(HWND grid, const char *file);
void DestroyGridIcons(HWND grid);
LRESULT CALLBACK IconGridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam);

// The folder-icon dialog's scatter around the screen centre: the classic linear
// congruential generator, each draw 0..32767.
void SeedPickerRandom(DWORD seed);
int NextPickerRandom();
// Top-left of a width x height dialog near the centre of the screen, shifted by the next
// two draws: -60..+59 across, -30..+19 down.
POINT ScatteredPosition(int screenWidth, int screenHeight, int width, int height);

// Animation step counts for a speed of 1..20.
int OpeningSteps(int width, int speed);
int ClosingSteps(int speed);

#endif
