// Rows back at their standard icon: the test the theme export and "everything to the
// standard" share, and the marking of every list.
#ifndef TILEFOX_LISTSTANDARD_H
#define TILEFOX_LISTSTANDARD_H

#include <windows.h>

#include "lists/iconentry.h"

// The two locations name the same icon: the same text, or the same index of the same file
// as the system's search finds it ("shell32.dll,3" and the system folder's shell32.dll,3).
BOOL SameIconLocation(const char *a, const char *b);
// The row shows its standard icon; false for a row without a known standard.
BOOL ShowsStandard(const IconEntry *entry);
// Everything as Windows has it without the program, as pending changes: a Shell Icons row
// with an override loses it (none is made for a row without one); any other row with an icon
// of its own and a known standard, showing another icon, gets that standard. Returns how
// many rows were changed.
int MarkListsStandard();

#endif
