// What icon the shell shows for a file, folder or shortcut.
#ifndef TILEFOX_ICONLOCATION_H
#define TILEFOX_ICONLOCATION_H

#include <windows.h>

// buffer holds a path and receives the icon location; only the low 16 bits of size count.
int ResolveIconLocation(char *buffer, int size, BYTE *severalIcons);
char *ApplyShellIconOverride(char *location);
int GetLinkTarget(const char *linkPath, char *target);

#endif
