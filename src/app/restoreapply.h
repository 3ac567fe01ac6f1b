// Taking back the restore points that Apply records: from the system menu or with "/UNDO".
#ifndef TILEFOX_RESTOREAPPLY_H
#define TILEFOX_RESTOREAPPLY_H

#include <windows.h>

// The last item of the system menu; grey while there is nothing to take back.
void AddTakeBackMenuItem(HMENU systemMenu);
void UpdateTakeBackMenuItem(HWND sheet);
// The system-menu command: takes back the newest restore point; the lists and the settings
// page then show what is in force. Changes not yet applied are dropped, after a question.
void TakeBackFromSheet(HWND sheet);
// Another copy ("/UNDO", "/RESET") changed what the sheet shows: the lists, the drives and the
// settings page read it again; changes not yet applied stay pending.
void ReloadSheet(HWND sheet);
// "/UNDO": the same without a sheet. The exit code: 0 taken back, 1 nothing to take back,
// 2 the record refused, 3 taken back in part.
int TakeBackFromCommandLine();

#endif
