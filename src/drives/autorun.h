// The drive's own icon as the shell reads it: "DefaultIcon" of section "Autorun" in
// AUTORUN.INF in the root of the drive, read and written through the profile functions only;
// on Windows 2000 and later the machine's DriveIcons key, which wins over the file.
#ifndef TILEFOX_AUTORUN_H
#define TILEFOX_AUTORUN_H

#include <windows.h>

#include "shellglue/rightswrite.h"

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

// The drive's key below DriveIcons (MAX_PATH bytes); false where the system reads no such key.
bool DriveIconKey(char letter, char *key);
// The drive's own icon where the program writes it, into buffer (270 bytes); "" when none.
void ReadDriveIcon(char letter, char *buffer);
// What AUTORUN.INF names where the registry's icon wins over it; "" on systems that read only
// the file, or when it names none.
void ReadOverriddenFileIcon(char letter, char *buffer);
// Writes location as the drive's own icon, or with null removes it, where ReadDriveIcon reads
// it. A registry write refused for want of rights is queued under rowName.
WriteOutcome WriteDriveIcon(char letter, const char *location, const char *rowName);

#endif
