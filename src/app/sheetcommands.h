// The sheet's own commands in its system menu (save the icons as a theme, everything back to
// the standard) and the switches that run them on a sheet that is never shown.
#ifndef TILEFOX_SHEETCOMMANDS_H
#define TILEFOX_SHEETCOMMANDS_H

#include <windows.h>

enum SheetSwitch { SWITCH_NONE = 0, SWITCH_SAVETHEME = 1, SWITCH_RESET = 2 };

// "/SAVETHEME PATH" (path cleaned into MAX_PATH bytes; empty when none was given or it was
// too long) or "/RESET" as the whole tail; SWITCH_NONE for anything else.
int ReadSheetSwitch(const char *tail, char *path);
// Runs a switch on a hidden sheet filled as usual; returns the exit code: 0 done, 1 when
// nothing was written (declined, no path, a write that failed).
int RunSheetSwitch(int which, const char *path);

// True while the sheet is built for a switch and must never appear.
bool SheetRunsHidden();
// Part of the sheet's set-up: the two menu items; a hidden sheet also leaves the screen and
// the task bar.
void SetUpSheetCommands(HWND sheet);
// WM_SYSCOMMAND; true when it was one of the two commands. Before every list is filled a
// command waits for UM_LISTSFILLED.
bool OnSheetSysCommand(HWND sheet, WPARAM command);
void OnListsFilled(HWND sheet);

// The question that names what everything-to-the-standard does; now: written at once
// rather than by Apply. True for Yes.
bool AskAllToStandard(HWND owner, bool now);
// Every list row and drive to its standard and the Settings 1 page to what Windows has
// without the program, all as pending changes.
void MarkEverythingStandard(HWND sheet);

#endif
