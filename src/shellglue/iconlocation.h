// What icon the shell shows for a file, folder or shortcut.
#ifndef TILEFOX_ICONLOCATION_H
#define TILEFOX_ICONLOCATION_H

#include <windows.h>

// buffer holds a path and receives the icon location; only the low 16 bits of size count.
// 0 when the object does not exist, has no usable icon, or the location would not fit: the
// buffer then holds the cleaned path.
int ResolveIconLocation(char *buffer, int size, BYTE *severalIcons);
// The same without asking the shell first (SHGetFileInfoA): the program's own rules for files,
// shortcuts and folders.
int ResolveIconLocationWithoutShell(char *buffer, int size, BYTE *severalIcons);
// Replaces a location inside the system's shell32.dll by the user's Shell Icons value.
char *ApplyShellIconOverride(char *location);
int GetLinkTarget(const char *linkPath, char *target);

#endif
