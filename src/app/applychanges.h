// Apply: the restore point, the writes of every page and the shell told of them.
#ifndef TILEFOX_APPLYCHANGES_H
#define TILEFOX_APPLYCHANGES_H

#include <windows.h>

enum ApplyOutcome {
    APPLY_DECLINED = 0,     // nothing written: no restore point, and the user would not go on
    APPLY_DONE = 1,
    APPLY_PARTLY = 2,       // written, but a drive or a registry value refused; that stays pending
};

// Records a restore point, commits every changed row of the five lists and makes the shell
// show the new icons; an ApplyOutcome.
int ApplyAllChanges(HWND sheet);
// How the shell learns of applied changes: icons of the shell's own pictures need a redraw,
// desktop items a refresh of the desktop.
// A take-back passes takingBack: the redraw then leaves no icon size that was not there.
void RefreshShell(HWND sheet, BYTE desktopRefresh, BYTE iconRedraw, bool takingBack = false);

#endif
