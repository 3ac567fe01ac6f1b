// State of the property sheet and its content dialogs, set up by the frame.
#ifndef TILEFOX_SHEETSTATE_H
#define TILEFOX_SHEETSTATE_H

#include <windows.h>

#include "common/tabs.h"


// Template and procedure of one tab's content dialog.
struct ContentPage {
    WORD Template;
    DLGPROC Procedure;
};

struct SheetState {
    int CurrentTab;
    HWND TabDialogs[TAB_COUNT];
    BYTE PreviousTab;           // 255 until the first tab was shown
    LONG PageStyle;             // the frame page's styles, given to every content dialog
    LONG PageExStyle;
    RECT ContentPlace;          // where the sheet put the page: left, top, width, height
    BYTE ContentPlaced;
    BYTE ContentCreated;
    BYTE FirstMoveDone;
    BYTE FirstSizeDone;
    BYTE FirstActivationDone;
    BYTE ListsFilled;           // the fill after the first show has ended
    BYTE ChangesPending;
    WNDPROC PreviousSheetProc;
    HWND Window;                // the sheet window while it lives
    HHOOK KeyFilter;            // the tab keys (Ctrl+Tab and its companions)
    const ContentPage *ContentPages;    // TAB_COUNT entries
};

// Clears the sheet state before a sheet is created; pages null means the program's own.
void ResetSheetState(const ContentPage *pages);

extern SheetState Sheet;

#endif
