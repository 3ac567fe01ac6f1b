// Making the shell draw its icons anew, and deleting its icon cache.
#ifndef TILEFOX_REDRAW_H
#define TILEFOX_REDRAW_H

#include <windows.h>

// A missing "Shell Icon Size" is created at the standard size, unless leaveNoValue: a take-back
// must leave no value that was not there before.
void RedrawShellIcons(bool leaveNoValue = false);

// The shell's icon cache in the Windows directory (path of MAX_PATH bytes); 0 when the
// path does not fit.
int FormIconCachePath(char *path);
BOOL IconCacheExists();
// Asks the user (owned by owner) and deletes the cache; TRUE only when it is gone now.
BOOL DeleteIconCache(HWND owner);

#endif
