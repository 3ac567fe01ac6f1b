// The program's life from start to exit: command line, shell detection, single instance.
#ifndef TILEFOX_STARTUP_H
#define TILEFOX_STARTUP_H

#include <windows.h>

enum StartAction { START_SHEET = 0, START_REBUILD = 1, START_CLEARLABELS = 2, START_CHANGEFOLDER = 3, START_UNDO = 4 };

// Reads the command tail: a one-shot switch ("/REBUILD", "/CLR", "/UNDO"), "/PLUS", or a path that becomes the pending
// start-up file in CopiedIcon. Returns a StartAction: START_CHANGEFOLDER when "/ChgIcon "
// named a path that exists.
int ReadCommandTail(const char *tail);
// MSHTML.DLL 4.71.1712 or later means the new shell.
BOOL IsNewShellVersion(DWORD high, DWORD low);
void DetectShell();
// The settings file: the program's own path with the extension ".INI".
void FormSettingsPath(char *path);
// The command tail within the whole command line: past the program's name (quoted or not)
// and the blanks after it. Never null; empty when nothing follows.
const char *SkipProgramName(const char *commandLine);
// Entry of the program; the tail is the command line without the program's name.
int RunTilefox(HINSTANCE instance, const char *tail);

#endif
