// State of the property sheet and its content dialogs, set up by the frame.
#ifndef TILEFOX_SHEETSTATE_H
#define TILEFOX_SHEETSTATE_H

#include <windows.h>

enum { TAB_COUNT = 7, LIST_TAB_COUNT = 5, TAB_DESKTOP = 0, TAB_GENERAL = 1, TAB_SPECIAL = 2,
       TAB_STARTMENU = 3, TAB_DRIVE = 4, TAB_SETTINGS1 = 5, TAB_SETTINGS2 = 6 };

// Template and procedure of one tab's content dialog.
struct ContentPage {
    WORD Template;
    DLGPROC Procedure;
};

struct SheetState {
    HWND TabDialogs[TAB_COUNT];
    HWND TabLists[LIST_TAB_COUNT];
    BYTE PreviousTab;           // 255 until the first tab was shown
    BYTE ContentCreated;
    BYTE FirstMoveDone;
    BYTE FirstSizeDone;
    BYTE FirstActivationDone;
    HFONT ListFont;             // icon-title font, 9 pt
    HFONT ListFontLarge;        // 10 pt
    HFONT MenuFont;
    HFONT MenuFontBold;
    HICON FallbackIconLarge;    // shell32.dll icon 0
    HICON FallbackIconSmall;
    HICON ChangedMarkIcon;      // resource 105
    HICON UndoIcon;             // 106
    HICON CopyIcon;             // 107
    HICON PasteIcon;            // 108
    BYTE CoolIconsAvailable;
    BYTE ChangesPending;
    WNDPROC PreviousSheetProc;
    const ContentPage *ContentPages;    // TAB_COUNT entries
};

// Clears the sheet state before a sheet is created; pages null means the program's own.
void ResetSheetState(const ContentPage *pages);

extern SheetState Sheet;

#endif
