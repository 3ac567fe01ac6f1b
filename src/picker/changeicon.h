// The Change Icon dialog: the program's one icon picker.
#ifndef TILEFOX_CHANGEICON_H
#define TILEFOX_CHANGEICON_H

#include <windows.h>

// buffer (270 bytes) holds the starting location and receives the choice; emptied unless
// the dialog ended with OK. Returns buffer.
char *OpenChangeIconDialog(HWND owner, char *buffer, const char *titleSuffix, const POINT *anchor);

#endif
