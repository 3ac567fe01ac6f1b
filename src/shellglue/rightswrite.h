// Writes of rows whose place may need an administrator. A write the system refuses for want
// of rights is kept, so that a copy of the program with those rights can make it; nothing else
// in the program tells a refusal of rights from any other failure.
#ifndef TILEFOX_RIGHTSWRITE_H
#define TILEFOX_RIGHTSWRITE_H

#include <windows.h>

#include "shellglue/system.h"

enum WriteOutcome { WRITE_DONE, WRITE_NEEDS_RIGHTS, WRITE_FAILED };

// Sets the value to text, or deletes it when text is null. A value that already holds the text
// (or is already gone) is not written again, so a row written by the administrator copy counts
// as done. A refusal for want of rights, of a row the system keeps machine-wide, is kept in the
// queue under rowName.
WriteOutcome WriteRowValue(RowKind kind, HKEY root, const char *key, const char *name, const char *text,
                           const char *rowName);

enum { RIGHTS_QUEUE_MAX = 96, RIGHTS_NAMES_BUFFER = 512 };

int RightsQueueCount();
// The rows of the queue, one per line, each once.
void RightsQueueNames(char *names, int size);
void ClearRightsQueue();
// The queue as a job for the administrator copy; false when it could not be written whole.
bool SaveRightsJob(const char *path);

// The administrator copy's side: each write of a job, checked to be one that the queue could
// hold on this system. A job with anything else is refused whole before any write.
struct RightsJobWrite {
    RowKind Kind;
    const char *Key;
    const char *Name;
    const char *Text;   // null: delete
};
typedef void (*RightsJobVisit)(const RightsJobWrite &write, void *context);
// Reads the job and calls visit for each write; false (nothing visited) when it is unreadable
// or holds a write outside the rows that may ask for rights.
bool ReadRightsJob(const char *path, RightsJobVisit visit, void *context);

#endif
