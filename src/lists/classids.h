// Class identifiers of the Desktop and Special catalogues: the 16-byte form kept in the
// tables (bytes in the order their hex digits are written, not a GUID structure), its text
// form, and the icon templates both catalogues expand.
#ifndef TILEFOX_CLASSIDS_H
#define TILEFOX_CLASSIDS_H

#include <windows.h>

#include "shellglue/shellkeys.h"

enum { CLASS_ID_BYTES = 16, DESKTOP_CLASS_COUNT = 13 };

struct ClassId {
    BYTE Bytes[CLASS_ID_BYTES];
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" to bytes; 1, or 0 when the text is not exactly that.
int ParseGuidText(const char *text, BYTE *bytes);
// Writes the 38-character text and its terminator (text holds at least 39 bytes).
void FormatClassId(const ClassId &id, char *text);
bool SameClassId(const ClassId &a, const BYTE *bytes);

// The classes of the Desktop tab (rows 0-11 and the browser row); the Special tab leaves
// them out whatever the Desktop tab shows.
const ClassId &DesktopClassId(int row);
bool IsDesktopClass(const BYTE *bytes);

// Expands an icon template: '*' the system folder, '?' cool.dll (only where coolMark is set),
// '|' shell32.dll; any other character copies the rest. Returns 0 and leaves an empty text
// when nothing results or it would not fit in size bytes.
int ExpandIconTemplate(const char *templateText, bool coolMark, char *out, int size);

#endif
