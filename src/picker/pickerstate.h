// The pieces of the Change Icon dialog that its open-file extension shares with it: the call
// record, the icon grid, placement and animation.
#ifndef TILEFOX_PICKERSTATE_H
#define TILEFOX_PICKERSTATE_H

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

// The request of a running Change Icon dialog, or null for any other window.
ChangeIconRequest *ChangeIconRequestOf(HWND dialog);

enum {
    GRID_CELL_WIDTH = 42,
    GRID_CELL_HEIGHT = 40,
    GRID_ICON_LEFT = (42 - 32) / 2,
    GRID_ICON_TOP = (40 - 32) / 2,
    STANDARD_ICON_SIZE = 32,
    FILENAME_LIMIT = 258,
};

// A grid cell, of cellAt96 pixels for icons of the standard 32, with the same room around the
// system's icons.
int GridCellSize(int cellAt96);

// Grid helpers, also for the open-file extension's strip: one extraction call for every
// icon of the file, no repaint while the items go in.
void FillIconGrid(HWND grid, const char *file);
// Copy is left out of a grid's menu in copy-pick mode (the icon is being chosen to copy).
void SetGridCopyAllowed(HWND grid, BOOL allowed);
void DestroyGridIcons(HWND grid);
LRESULT CALLBACK IconGridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam);
// One cell of a grid (WM_DRAWITEM): the selection colour is the only mark, no focus rectangle.
void DrawGridCell(const DRAWITEMSTRUCT *draw, int iconLeft, int iconTop);

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
