// Making the shell draw its icons anew, and deleting its icon cache.
#ifndef TILEFOX_REDRAW_H
#define TILEFOX_REDRAW_H

#include <windows.h>

void RedrawShellIcons();

// The shell's icon cache in the Windows directory (path of MAX_PATH bytes); 0 when the
// path does not fit.
int FormIconCachePath(char *path);
BOOL IconCacheExists();
// Asks the user (owned by owner) and deletes the cache; TRUE only when it is gone now.
BOOL DeleteIconCache(HWND owner);

#endif
