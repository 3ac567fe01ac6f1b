// Sizes of the structures the program hands to the system, as Windows 95's own DLLs know
// them: a newer, larger size makes those DLLs refuse the call. Every cbSize, dwSize or
// lStructSize the program sets comes from here; a structure new to the program gets its line
// here (and in the size test) before its first use.
#ifndef TILEFOX_OLDSIZES_H
#define TILEFOX_OLDSIZES_H

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>
#include <shellapi.h>

#include <stddef.h>

// Each size ends where the later systems' additions begin, so a 64-bit test build passes the
// same layouts at its own pointer width; the 32-bit figures are pinned below.
enum {
    // NONCLIENTMETRICSA without the padded border width of later systems.
    NONCLIENTMETRICS_SIZE_95 = offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA),
    // MENUITEMINFOA up to cch: hbmpItem came with Windows 98, and the Windows 95 menu
    // functions fail on the larger size.
    MENUITEMINFOA_SIZE_95 = offsetof(MENUITEMINFOA, hbmpItem),
    // PROPSHEETHEADERA and PROPSHEETPAGEA of COMCTL32 4.00 (up to pfnCallback and
    // pcRefParent): no wizard header fields. An array of pages is stepped through by this
    // size, so it is an array of PROPSHEETPAGEA_V1.
    PROPSHEETHEADERA_SIZE_95 = offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK),
    PROPSHEETPAGEA_SIZE_95 = offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT *),
    // OPENFILENAMEA up to lpTemplateName: no pvReserved, dwReserved, FlagsEx.
    OPENFILENAMEA_SIZE_95 = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR),
    // TOOLINFOA of COMCTL32 4.00, up to lpszText: no lParam.
    TOOLINFOA_SIZE_95 = offsetof(TTTOOLINFOA, lpszText) + sizeof(LPSTR),
    // Unchanged since Windows 95; named here so that every size has one home.
    WNDCLASSEXA_SIZE_95 = sizeof(WNDCLASSEXA),
    OSVERSIONINFOA_SIZE_95 = sizeof(OSVERSIONINFOA),
    // SHELLEXECUTEINFOA has not grown since Windows 95.
    SHELLEXECUTEINFOA_SIZE_95 = sizeof(SHELLEXECUTEINFOA),
};

#ifndef _WIN64
// What the shipped program passes, as Windows 95's DLLs check it.
static_assert(NONCLIENTMETRICS_SIZE_95 == 340, "NONCLIENTMETRICSA of Windows 95");
static_assert(MENUITEMINFOA_SIZE_95 == 44, "MENUITEMINFOA of Windows 95");
static_assert(PROPSHEETHEADERA_SIZE_95 == 40, "PROPSHEETHEADERA of COMCTL32 4.00");
static_assert(PROPSHEETPAGEA_SIZE_95 == 40, "PROPSHEETPAGEA of COMCTL32 4.00");
static_assert(OPENFILENAMEA_SIZE_95 == 76, "OPENFILENAMEA of Windows 95");
static_assert(TOOLINFOA_SIZE_95 == 40, "TOOLINFOA of COMCTL32 4.00");
static_assert(WNDCLASSEXA_SIZE_95 == 48, "WNDCLASSEXA");
static_assert(OSVERSIONINFOA_SIZE_95 == 148, "OSVERSIONINFOA");
static_assert(SHELLEXECUTEINFOA_SIZE_95 == 60, "SHELLEXECUTEINFOA");
#endif

#endif
