// The drive's own icon as the shell reads it: "DefaultIcon" of section "Autorun" in
// AUTORUN.INF in the root of the drive. Read and written through the profile functions only.
#ifndef TILEFOX_AUTORUN_H
#define TILEFOX_AUTORUN_H

#include <windows.h>

enum { AUTORUN_PATH_BUFFER = 16 };

// "X:\AUTORUN.INF" for the drive letter.
void AutorunPath(char letter, char *path);
// The drive's "DefaultIcon" into buffer (270 bytes); "" when there is none.
void ReadDriveIconLocation(char letter, char *buffer);

// Writes location as the drive's icon, or with null removes the drive's own icon: only the
// key when the section holds others, the section when the file holds others, else the file.
// Returns 1 when the file says what was asked (nothing to remove counts), 0 when it could not
// be changed (read-only file, write-protected drive).
int WriteDriveIconLocation(char letter, const char *location);

#endif
