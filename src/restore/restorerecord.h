// The restore-point record: its items, how their state is read and written as text, where the
// records live, and the reader that checks a whole record before anything trusts it.
//
// A record, in code page 932, one line each, fields split by single blanks:
//   TILEFOX RESTORE POINT 1
//   VALUE <root> <key hex> <name hex> <state>       state: "-" or "<type> <data hex>"
//   KEY <root> <key hex> <state>                    state: "-" or "+"
//   FILE <path hex> <state>                         state: "-" or "<attributes> <data hex>"
//   FOLDER <path hex> <state>                       state: "-" or "<attributes>"
//   END <item count>
//   AFTER <state>                                   one per item, in order, once written
//   DONE <item count>
// Hex of nothing is ".". An item line may end in " ; " and a readable form of itself; lines
// starting with ";" are remarks. Without END the record is unsealed: nothing was written
// after it. With END but no AFTER, or part of them, the writes were cut short.
#ifndef TILEFOX_RESTORERECORD_H
#define TILEFOX_RESTORERECORD_H

#include <windows.h>

enum ItemKind { ITEM_VALUE = 0, ITEM_KEY = 1, ITEM_FILE = 2, ITEM_FOLDER = 3 };

enum {
    // Largest value or file a record keeps: any DESKTOP.INI or AUTORUN.INF the profile
    // functions take, twice its size in hex still within a record.
    RESTORE_DATA_MAX = 1024 * 1024,
    RESTORE_NAME_MAX = 520,         // key path, value name or file path
    RESTORE_ITEMS_MAX = 4096,
    // A file of RESTORE_DATA_MAX before and after, in hex, with room for the other items.
    RESTORE_RECORD_MAX = 4 * RESTORE_DATA_MAX + 256 * 1024,
    RESTORE_NUMBER_MAX = 9999,
};

// The state of one item: absent, or present with a type (values) or attributes (files and
// folders) and data.
struct ItemState {
    BYTE Present;
    DWORD Number;
    const BYTE *Data;
    DWORD Size;
};

// Reads what the item holds now; data is a buffer of RESTORE_DATA_MAX bytes. False when it
// cannot be read whole (too large, unreadable).
bool ReadItemState(int kind, HKEY root, const char *path, const char *name, BYTE *data, ItemState *state);

// Buffered writing of a record file; any failure sticks.
struct RecordWriter {
    HANDLE File;
    bool Failed;
    int Used;
    char Buffer[2048];
};
void WriterStart(RecordWriter *writer, HANDLE file);
void WriterPut(RecordWriter *writer, const char *text);
void WriterPutBytes(RecordWriter *writer, const char *text, int length);
void WriterPutHex(RecordWriter *writer, const BYTE *data, DWORD size);
void WriterPutNumber(RecordWriter *writer, DWORD number);
void WriterPutState(RecordWriter *writer, int kind, const ItemState &state);
// Writes out what is buffered and flushes it to the disk; false when anything failed.
bool WriterFlush(RecordWriter *writer);

const char *RootToken(HKEY root);

// Record files: "TFRP0001.TXT" and up in the folder of the settings file. The newest number
// (0 when there is none), and the path of a number.
int NewestRestorePoint();
bool RestorePointPath(int number, char *path);
// The oldest number, 0 when there is none.
int OldestRestorePoint();
// Removes the oldest records until keep are left.
void PruneRestorePoints(int keep);
// Numbers the records from 1 up again, oldest first, when the numbers run out; the newest
// number afterwards.
int RenumberRestorePoints();
// Deletes a record that was taken back. False when it cannot go: it is then marked, so that
// it is never taken back again, and goes at a later scan.
bool RemoveRestorePoint(const char *path);

// One item of a record as read: texts point into the record (hex), decoded on use.
struct TextSpan {
    const char *Text;
    int Length;
};
struct StateSpan {
    BYTE Present;
    DWORD Number;
    TextSpan Hex;
};
struct RecordItem {
    BYTE Kind;
    BYTE HasAfter;
    HKEY Root;
    TextSpan Path;
    TextSpan Name;
    StateSpan Before;
    StateSpan After;
};

// A whole record in memory, checked line by line.
class LoadedRecord {
public:
    LoadedRecord() = default;
    ~LoadedRecord();
    LoadedRecord(const LoadedRecord &) = delete;
    LoadedRecord &operator=(const LoadedRecord &) = delete;

    // False for a record that cannot be read, is damaged or unsealed.
    bool Load(const char *path);
    // Read, but cut before its END line: the process ended while it recorded.
    bool Unsealed() const { return status_ == RECORD_UNSEALED; }
    int Count() const { return count_; }
    bool HasAfter() const { return hasAfter_; }
    const RecordItem &Item(int index) const { return items_[index]; }

private:
    enum { RECORD_USABLE, RECORD_UNSEALED, RECORD_DAMAGED };
    int Parse();
    int status_ = RECORD_DAMAGED;
    char *text_ = nullptr;
    DWORD length_ = 0;
    RecordItem *items_ = nullptr;
    int count_ = 0;
    bool hasAfter_ = false;
};

// Decodes a hex span into text (size bytes, terminated); false when it does not fit or holds
// a NUL.
bool DecodeText(const TextSpan &hex, char *text, int size);
// Decodes a hex span into bytes (RESTORE_DATA_MAX); the byte count, or -1.
int DecodeBytes(const TextSpan &hex, BYTE *data);
// The recorded state equals the state read now. File and folder attributes count only for
// read-only, hidden and system: others come and go by themselves.
bool SameState(int kind, const StateSpan &recorded, const ItemState &now);

#endif
