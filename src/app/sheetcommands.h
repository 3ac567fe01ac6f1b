// The sheet's own commands in its system menu: save the icons as a theme, everything back to
// the standard.
#ifndef TILEFOX_SHEETCOMMANDS_H
#define TILEFOX_SHEETCOMMANDS_H

#include <windows.h>

// True while the sheet is built for a switch and must never appear.
bool SheetRunsHidden();
void SetSheetRunsHidden(bool hidden);
// Part of the sheet's set-up: the two menu items; a hidden sheet also leaves the screen and
// the task bar.
void SetUpSheetCommands(HWND sheet);
// WM_SYSCOMMAND; true when it was one of the two commands or the take-back. Before every list
// is filled a command waits for UM_LISTSFILLED.
bool OnSheetSysCommand(HWND sheet, WPARAM command);
void OnListsFilled(HWND sheet);

// The question that names what everything-to-the-standard does; now: written at once
// rather than by Apply. True for Yes.
bool AskAllToStandard(HWND owner, bool now);
// Every list row and drive to its standard and the Settings 1 page to what Windows has
// without the program, all as pending changes.
void MarkEverythingStandard(HWND sheet);

#endif
