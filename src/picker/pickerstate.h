// The pieces of the Change Icon dialog that the open-file extension and the folder-icon
// change share with it.
#ifndef TILEFOX_PICKERSTATE_H
#define TILEFOX_PICKERSTATE_H

#include <windows.h>

#include "picker/changeicon.h"

enum {
    GRID_CELL_WIDTH = 42,
    GRID_CELL_HEIGHT = 40,
    GRID_ICON_LEFT = (42 - 32) / 2,
    GRID_ICON_TOP = (40 - 32) / 2,
    FILENAME_LIMIT = 258,
};

// Grid helpers, also for the open-file extension's strip: one extraction call for every
// icon of the file, no repaint while the items go in.
void FillIconGrid(HWND grid, const char *file);
// Copy is left out of a grid's menu in copy-pick mode (the icon is being chosen to copy).
void SetGridCopyAllowed(HWND grid, BOOL allowed);
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
