// The property-sheet frame: the page procedure shared by the seven pages, the sheet set-up
// and the message pump used during long work.
#ifndef TILEFOX_FRAME_H
#define TILEFOX_FRAME_H

#include <windows.h>

#include "app/sheetstate.h"
#include "common/pump.h"

// The content dialogs of the seven tabs.
extern const ContentPage ProgramContentPages[TAB_COUNT];

INT_PTR CALLBACK SheetPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void InitSheet(HWND sheet);
// Ends the tab keys of the sheet (when the sheet window goes).
void StopSheetKeyFilter();

// Runs the seven-tab sheet (modal unless extraFlags holds PSH_MODELESS, when the sheet
// window is returned). pages null means ProgramContentPages.
INT_PTR RunPropertySheet(int startTab, DWORD extraFlags = 0, const ContentPage *pages = nullptr);

#endif
