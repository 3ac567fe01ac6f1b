// Making the shell draw its icons anew, and deleting its icon cache.
#ifndef TILEFOX_REDRAW_H
#define TILEFOX_REDRAW_H

#include <windows.h>

// A missing "Shell Icon Size" is created at the standard size, unless leaveNoValue: a take-back
// must leave no value that was not there before.
void RedrawShellIcons(bool leaveNoValue = false);

// What the cache question names (path of MAX_PATH bytes): on 9x the one file in the Windows
// directory, on NT the per-user file or, where the cache is split, the pattern of its files.
// 0 when the path does not fit or the folder is unknown.
int FormIconCachePath(char *path);
BOOL IconCacheExists();
// Asks the user (owned by owner) and deletes the cache; TRUE only when it is gone now. On NT,
// files that stay (in use, no rights) are named to the user.
BOOL DeleteIconCache(HWND owner);

// Null: NT's caches are looked for in the user's local application data; else in this folder.
extern const char *LocalAppDataStandIn;

#endif
