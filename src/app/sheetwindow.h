// The sheet window's own procedure (OK, Cancel, Apply, closing, clean-up).
#ifndef TILEFOX_SHEETWINDOW_H
#define TILEFOX_SHEETWINDOW_H

#include <windows.h>

LRESULT CALLBACK SheetWindowProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam);

#endif
