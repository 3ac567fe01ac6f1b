// Apply: the restore point, the writes of every page and the shell told of them.
#ifndef TILEFOX_APPLYCHANGES_H
#define TILEFOX_APPLYCHANGES_H

#include <windows.h>

// Records a restore point, commits every changed row of the five lists and makes the shell
// show the new icons. FALSE when nothing was written: no restore point could be made and the
// user chose not to apply without one.
BOOL ApplyAllChanges(HWND sheet);
// How the shell learns of applied changes: icons of the shell's own pictures need a redraw,
// desktop items a refresh of the desktop.
void RefreshShell(HWND sheet, BYTE desktopRefresh, BYTE iconRedraw);

#endif
