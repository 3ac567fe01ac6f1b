// The property-sheet frame: the page procedure shared by the seven pages, the sheet set-up
// and the message pump used during long work.
#ifndef TILEFOX_FRAME_H
#define TILEFOX_FRAME_H

#include <windows.h>

INT_PTR CALLBACK SheetPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void InitSheet(HWND sheet);
void PumpOneMessage();

#endif
