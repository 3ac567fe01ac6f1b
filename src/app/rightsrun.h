// Rows that only an administrator may write: the sheet asks for a copy of the program with
// those rights, and that copy writes them under a restore point of its own.
#ifndef TILEFOX_RIGHTSRUN_H
#define TILEFOX_RIGHTSRUN_H

#include <windows.h>

enum RightsExit {
    RIGHTS_DONE = 0,
    RIGHTS_REFUSED = 1,     // unreadable, or a write outside the rows that may ask for rights
    RIGHTS_PARTLY = 2,      // some writes failed
    RIGHTS_NO_RECORD = 3,   // no restore point could be made: nothing written
};

// The administrator copy's run: "/RIGHTS" and the job's path. Returns a RightsExit.
int RunRightsJob(const char *jobPath);
// Asks whether the queued rows are to be written as administrator and has them written; true
// when every one was. The queue is empty afterwards; declined or failed, the rows stay for the
// caller to name.
bool WriteQueuedRowsWithRights(HWND sheet);

#endif
