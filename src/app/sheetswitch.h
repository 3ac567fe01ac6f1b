// "/SAVETHEME PATH" and "/RESET": the sheet's own commands run on a sheet that is never shown.
#ifndef TILEFOX_SHEETSWITCH_H
#define TILEFOX_SHEETSWITCH_H

#include <windows.h>

enum SheetSwitch { SWITCH_NONE = 0, SWITCH_SAVETHEME = 1, SWITCH_RESET = 2 };

// "/SAVETHEME PATH" (path cleaned into MAX_PATH bytes; empty when none was given or it was
// too long) or "/RESET" as the whole tail; SWITCH_NONE for anything else.
int ReadSheetSwitch(const char *tail, char *path);
// Runs a switch on a hidden sheet filled as usual; returns the exit code: 0 done, 1 when
// nothing was written (declined, no path, a write that failed), 2 when "/RESET" wrote all but
// a drive or a registry value.
int RunSheetSwitch(int which, const char *path);

#endif
