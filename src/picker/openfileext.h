// The extension of the open-file dialog that Browse in the Change Icon dialog opens when
// HookComDlg is on: a strip of the selected file's icons, from which one can be taken or
// copied at once.
#ifndef TILEFOX_OPENFILEEXT_H
#define TILEFOX_OPENFILEEXT_H

#include <windows.h>
#include <commdlg.h>

enum {
    STRIP_CELL_WIDTH = 40,
    STRIP_CELL_HEIGHT = 38,
    STRIP_ICON_LEFT = 4,
    STRIP_ICON_TOP = 3,
    OPEN_DIALOG_SHIFT = 20,     // the open-file dialog opens this far left of its place
};

// Turns open into the extended Explorer-style dialog (template 112 and its hook) for the
// Change Icon dialog changeIcon, which receives the accepted icon.
void ExtendOpenFileDialog(OPENFILENAMEA *open, HWND changeIcon);
UINT_PTR CALLBACK OpenFileExtensionHook(HWND extension, UINT message, WPARAM wParam, LPARAM lParam);

#endif
