// Restore points: before an Apply or a folder-icon change writes anything, everything it will
// replace is recorded in a text file beside the settings file, so that it can be taken back,
// also after a restart or after the Apply was cut short.
#ifndef TILEFOX_RESTOREPOINT_H
#define TILEFOX_RESTOREPOINT_H

#include <windows.h>

#include "restore/restorerecord.h"

enum { KEPT_RESTORE_POINTS = 10 };

// One record being written. The writers' planning functions add what they will replace; the
// record is sealed (complete and on disk) before the first write, and finished afterwards with
// what the writes left.
class RestorePoint {
public:
    RestorePoint();
    ~RestorePoint();
    RestorePoint(const RestorePoint &) = delete;
    RestorePoint &operator=(const RestorePoint &) = delete;

    // Creates the next record file; false when none can be made.
    bool Begin();
    // A registry value (an empty or null name is the default value), with every key on its
    // path that does not exist yet.
    void Value(HKEY root, const char *key, const char *name);
    // A key that may be deleted: the key with all its values and subkeys.
    void KeyTree(HKEY root, const char *key);
    // A file that may be written or deleted, byte for byte with its attributes.
    void File(const char *path);
    // A folder whose attributes may change.
    void Folder(const char *path);
    // Ends the list, puts it on disk and reads it back; false, and no record left, when it
    // is incomplete or does not read back (the caller asks before writing without it).
    bool Seal();
    // After the writes: appends what each item holds now. A point that changed nothing is
    // removed; the oldest beyond KEPT_RESTORE_POINTS go.
    void Finish();
    // Removes the record (the writes were not made).
    void Abandon();
    bool Active() const { return writer_.File != INVALID_HANDLE_VALUE; }

private:
    void Item(int kind, HKEY root, const char *path, const char *name);
    void Tree(HKEY root, char *path, int depth);
    void Missing(HKEY root, const char *key);
    void Close();

    RecordWriter writer_;
    int items_;
    BYTE *data_;            // RESTORE_DATA_MAX bytes while the record is written
    char path_[MAX_PATH];
};

// Whether a kept restore point lists a registry value that match accepts: a value an Apply of
// this program may have changed. Records that cannot be read count for nothing.
bool RestorePointsHold(bool (*match)(HKEY root, const char *key, const char *name, const void *context),
                       const void *context);

// Whether a restore point exists to take back.
BOOL HasRestorePoint();

enum TakeBackResult {
    TAKEBACK_NONE = 0,      // no restore point
    TAKEBACK_REFUSED = 1,   // unreadable or damaged: nothing was written
    TAKEBACK_DONE = 2,
    TAKEBACK_PARTLY = 3,    // some items could not be put back; the point stays
};

// Takes back the newest restore point: each item that still holds what the writes left (or,
// for a point whose writes were cut short, that differs from before) gets its earlier state
// back exactly; an item changed since by someone else is left and named in the closing
// message. refresh runs after the items are back (shell refresh, refilled views); items it
// disturbed are put back once more. Messages are owned by owner; the point is removed when
// all went back. Newer records that were never sealed describe no write: they are removed,
// with a note, and the next older one is taken.
int TakeBackRestorePoint(HWND owner, void (*refresh)(HWND owner));

#endif
