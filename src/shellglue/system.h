// The one place that knows which Windows runs the program and where that Windows keeps each
// kind of row. Pages and restore points ask it; none of them looks at a version itself.
#ifndef TILEFOX_SYSTEM_H
#define TILEFOX_SYSTEM_H

#include <windows.h>

// Windows that keep the rows in different places; each is one line of the table.
enum SystemLine : BYTE {
    LINE_9X,     // Windows 95, 98, Me: one registry for all users, no rights
    LINE_NT5,    // Windows XP: per-user classes; machine keys need an administrator
    LINE_NT6,    // Vista and 7: as NT5, the Recycle Bin per user, rights asked through UAC
    LINE_NT62,   // 8 and later: as NT6, the icon cache split into several files
    LINE_NT50,   // Windows 2000: as NT5, but the desktop leaves its labels' background alone
    LINE_COUNT
};

struct SystemFacts {
    BYTE Line;        // SystemLine
    BYTE Major;
    BYTE Minor;
    BYTE Wow64;       // a 32-bit process on 64-bit Windows: Explorer reads the 64-bit view
};

extern SystemFacts System;

// Reads the version and the process's bitness once; a system it cannot read counts as 9x.
void LearnSystem();
// Sets what a test runs as; the view follows wow64.
void PretendSystem(SystemLine line, bool wow64);
// KEY_WOW64_64KEY where the process is redirected, else 0 (Windows 2000 refuses the flag).
REGSAM RegistryView();

// What a line of Windows does differently from 9x, besides where rows live.
enum SystemTrait : unsigned {
    TRAIT_ICON_RESOURCE = 0x01,    // folders name their icon by IconResource too
    TRAIT_CACHE_PER_USER = 0x02,   // one IconCache.db in the user's local application data
    TRAIT_CACHE_SPLIT = 0x04,      // iconcache_*.db files under ...\Microsoft\Windows\Explorer
    TRAIT_SIZE_PER_VIEW = 0x08,    // Explorer keeps icon size and colour depth per view
    TRAIT_OWN_LABELS = 0x10,       // the desktop draws its labels' background itself
    TRAIT_SHIELD = 0x20,           // buttons that ask for rights carry the shield
    TRAIT_PNG_ICONS = 0x40,        // icons may hold PNG-compressed images
    TRAIT_USER_FILES = 0x80,       // a program's folder may be closed to its user
    TRAIT_INTEGRATED_SHELL = 0x100, // the integrated shell is part of the system
    TRAIT_NOTIFY_ICONS = 0x200,
    TRAIT_EXPLORER_BIN = 0x400,    // Explorer keeps its own per-user copy of the Recycle Bin's pictures    // Explorer draws changed icons anew when told by notifications
};
bool SystemHas(SystemTrait trait);

// The kinds of rows, by where the shell reads them.
enum RowKind : BYTE {
    ROW_CLASS_ICON,     // a class's DefaultIcon: desktop items and shell folders
    ROW_RECYCLE_ICON,   // the Recycle Bin's pictures
    ROW_FILE_CLASS,     // a file type's or the Briefcase's keys under the classes
    ROW_SHORTCUT_ARROW, // the shortcut classes' IsShortcut mark
    ROW_FOLDER_VERB,    // the verb on folders
    ROW_SHELL_ICON,     // a Shell Icons override
    ROW_DRIVE_ICON,     // one drive's own icon
    ROW_KIND_COUNT
};

struct RowPlace {
    HKEY Root;              // where the row is written; null: the registry holds no such row
    const char *Prefix;     // put before the path below the classes ("CLSID\\{...}\\DefaultIcon")
    // Where Explorer keeps its own per-user copy that wins over Root (null: none).
    const char *ExplorerPrefix;
    BYTE PerUser;           // "standard" removes the per-user value and leaves the machine's
    BYTE MachineWide;       // a refused write is for an administrator
};

const RowPlace &PlaceOf(RowKind kind);

// Root + prefix + tail, MAX_PATH bytes; false when it does not fit or the row has no place.
bool FormRowKey(RowKind kind, const char *tail, char *key);
bool FormExplorerKey(RowKind kind, const char *tail, char *key);

#endif
