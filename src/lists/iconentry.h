// One row of an icon list and the only operations that change it or write it back.
#ifndef TILEFOX_ICONENTRY_H
#define TILEFOX_ICONENTRY_H

#include <windows.h>

#include "common/tabs.h"

enum EntryKind : BYTE {
    KIND_ORDINARY = 0,
    KIND_RECYCLE_EMPTY = 3,
    KIND_RECYCLE_FULL = 4,
    KIND_BRIEFCASE = 10,
    KIND_BROWSER = 12,
};

enum ChangeStateValue : BYTE { STATE_UNCHANGED = 0, STATE_CHANGED = 1, STATE_THEME = 2 };

struct IconEntry {
    HICON LargeIcon;
    HICON SmallIcon;
    BYTE ChangeState;
    BYTE Kind;
    char *DisplayName;      // never null once in a list
    char *CurrentLocation;  // never null once in a list
    char *SavedLocation;
    char *DefaultLocation;
    char *RegistryKey;      // "{...}" class id (38 chars) or a Shell Icons index (<= 3 chars)
};

// Field set of UpdateEntry.
enum EntryField : unsigned {
    EF_CHANGESTATE = 0x01,
    EF_KIND = 0x02,
    EF_DISPLAYNAME = 0x04,
    EF_CURRENTLOCATION = 0x08,
    EF_SAVEDLOCATION = 0x10,
    EF_DEFAULTLOCATION = 0x20,
    EF_REGISTRYKEY = 0x40,
};

struct ListsState {
    BYTE RecycleBinShowsFull;   // set while the Desktop list is filled
    WNDPROC PreviousListProc[LIST_TAB_COUNT];
    HWND TabLists[LIST_TAB_COUNT];  // each page's list while the page lives
    BYTE Filling[LIST_TAB_COUNT];   // a fill of that list is under way
};

extern ListsState Lists;

// The list of a tab (0-4) while its page lives, or null.
HWND ListOfTab(int tab);
// The entry of a row, or null.
IconEntry *GetEntry(HWND list, int row);
// A new row made of copies of the template's texts, its icons loaded; 0 when anything fails
// (nothing is then left behind).
int AddEntry(HWND list, const IconEntry *templateEntry);
// Frees every row and empties the list.
void FreeList(HWND list);
// Changes the fields named; the page is asked to repaint the row and tell the sheet.
int UpdateEntry(HWND list, int row, const IconEntry *source, unsigned fields);
// Gives a row a new location, marked changedState unless it is what the registry holds (no
// saved location counts as different).
int ChangeEntryLocation(HWND list, int row, const char *location, BYTE changedState);
// False when the registry refused a write or deletion.
bool CommitEntry(const IconEntry *entry);
// The rows whose write failed during one Apply: how many, and their names for one message.
enum { COMMIT_NAMES_BUFFER = 512 };
struct CommitFailures {
    int Count;
    char Names[COMMIT_NAMES_BUFFER];
};
void NoteCommitFailure(CommitFailures *failures, const char *name);
// Apply's part for one list: commits every changed row and marks it unchanged; returns how
// many rows were written. A row whose write failed stays changed and is noted in failures.
int CommitChangedRows(HWND list, CommitFailures *failures = nullptr);
// Records in point every value that CommitChangedRows would write or delete for the list;
// returns how many rows it will commit.
int RecordChangedRows(HWND list, class RestorePoint *point);
// Whether committing the entry may write the registry value (a class row: any value of its
// DefaultIcon key).
bool EntryWritesValue(const IconEntry *entry, HKEY root, const char *key, const char *name);
// Loads the large and small icon of a location; both null on any failure.
void LoadEntryIcons(const char *location, HICON *large, HICON *small);

#endif
