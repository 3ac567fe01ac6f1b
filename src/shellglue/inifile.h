// Taking the program's own keys out of a DESKTOP.INI or AUTORUN.INF without losing anything
// else the file holds: text before the first section, comments, other sections.
#ifndef TILEFOX_INIFILE_H
#define TILEFOX_INIFILE_H

#include <windows.h>

// What a profile file holds besides its sections named section.
enum IniContent {
    INI_ONLY_EMPTY_SECTION,     // nothing but blank lines and empty headers of section
    INI_SECTION_EMPTY,          // section is empty, but the file holds other text
    INI_SECTION_HOLDS_MORE,     // a line in section, a file too large to judge, or text that
                                // is not ANSI (UTF-16 or a byte-order mark)
};
IniContent ClassifyIniText(const char *text, int length, const char *section);

// Whether the file can be opened for reading (and for writing too); false also for a file
// another program holds locked, which the profile functions would take for an empty one.
bool CanOpenIniFile(const char *path, bool forWriting);

// WritePrivateProfileStringA, except that a UTF-16 file (FF FE first) goes through the wide
// call, which keeps it UTF-16; where the system has none (9x) such a file is left alone and
// false returned. A null key or value deletes, as with the profile functions.
bool WriteIniString(const char *path, const char *section, const char *key, const char *value);

enum IniRemoval {
    INI_REMOVE_FAILED,          // a key is still there
    INI_KEYS_REMOVED,
    INI_SECTION_REMOVED,
    INI_FILE_DELETED,
};
// Deletes the keys of section, then the section when it is left empty, then the file when
// nothing but that empty section is left.
IniRemoval RemoveIniKeys(const char *path, const char *section, const char *const *keys, int count);

#endif
