// Settings 2: the program's own options, changed in memory at once and saved when the sheet
// closes, and the version box.
#ifndef TILEFOX_BEHAVIOURPAGE_H
#define TILEFOX_BEHAVIOURPAGE_H

#include <windows.h>

enum { ROWS_MIN = 1, ROWS_MAX = 12, ANIMATION_MAX = 20, ANIMATION_TICK = 2 };

INT_PTR CALLBACK BehaviourPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The text of the version box (MAX_PATH bytes): the caption, what the program is, its
// version from the version record.
void FormatVersionText(char *buffer);

#endif
