// Sizes of the structures the program hands to the system, as Windows 95's own DLLs know
// them: a newer, larger size makes those DLLs refuse the call. Every cbSize, dwSize or
// lStructSize the program sets comes from here; a structure new to the program gets its line
// here (and in the size test) before its first use.
#ifndef TILEFOX_OLDSIZES_H
#define TILEFOX_OLDSIZES_H

#include <windows.h>

enum {
    // NONCLIENTMETRICSA without the padded border width of later systems.
    NONCLIENTMETRICS_SIZE_95 = 340,
    // MENUITEMINFOA up to cch: hbmpItem came with Windows 98, and the Windows 95 menu
    // functions fail on the larger size.
    MENUITEMINFOA_SIZE_95 = 44,
    // PROPSHEETHEADERA and PROPSHEETPAGEA of COMCTL32 4.00 (up to pfnCallback and
    // pcRefParent): no wizard header fields. An array of pages is stepped through by this
    // size, so it is an array of PROPSHEETPAGEA_V1.
    PROPSHEETHEADERA_SIZE_95 = 40,
    PROPSHEETPAGEA_SIZE_95 = 40,
    // OPENFILENAMEA up to lpTemplateName: no pvReserved, dwReserved, FlagsEx.
    OPENFILENAMEA_SIZE_95 = 76,
    // TOOLINFOA of COMCTL32 4.00, up to lpszText: no lParam.
    TOOLINFOA_SIZE_95 = 40,
    // Unchanged since Windows 95; named here so that every size has one home.
    WNDCLASSEXA_SIZE_95 = 48,
    OSVERSIONINFOA_SIZE_95 = 148,
};

#endif
