// Shell shortcuts (.lnk files).
#ifndef TILEFOX_SHORTCUT_H
#define TILEFOX_SHORTCUT_H

#include <windows.h>

// Writes a shortcut at linkPath to target; arguments and iconFile may be null.
BOOL CreateShortcut(const char *linkPath, const char *target, const char *arguments, const char *iconFile,
                    int iconIndex);

#endif
