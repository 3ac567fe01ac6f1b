// Restore points of the sheet: recorded before Apply writes, taken back from the system menu
// or with "/UNDO".
#ifndef TILEFOX_RESTOREAPPLY_H
#define TILEFOX_RESTOREAPPLY_H

#include <windows.h>

class RestorePoint;

// Records everything the coming Apply may replace and puts it on disk. False when no record
// could be made and the user would rather not apply without one.
bool RecordBeforeApply(HWND sheet, RestorePoint *point);

// The last item of the system menu; grey while there is nothing to take back.
void AddTakeBackMenuItem(HMENU systemMenu);
void UpdateTakeBackMenuItem(HWND sheet);
// The system-menu command: takes back the newest restore point; the lists and the settings
// page then show what is in force. Changes not yet applied are dropped, after a question.
void TakeBackFromSheet(HWND sheet);
// "/UNDO": the same without a sheet.
void TakeBackFromCommandLine();

#endif
