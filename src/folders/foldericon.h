// One folder's own icon, kept in the folder's DESKTOP.INI: changed from Explorer's folder
// verb, without any sheet.
#ifndef TILEFOX_FOLDERICON_H
#define TILEFOX_FOLDERICON_H

#include <windows.h>

// Takes the folder path over from CopiedIcon (which ends empty) and opens the Change Icon
// dialog on the folder's icon near the screen centre; OK writes the icon at once, restore
// removes it. With no anchor (Shift held on the verb) the icon is restored without a dialog.
// Returns the dialog's result (IDOK, IDCANCEL, IDC_CI_DEFAULT; IDC_CI_DEFAULT also for a
// restore without dialog), or 0 when nothing was done: no folder, a path too long to name
// its DESKTOP.INI, or no anchor on a folder without an icon of its own.
INT_PTR ChangeFolderIcon(const POINT *anchor);

// 1 for the special folders whose system attribute the shell needs whatever icon they
// show (fonts, favourites and channels, caches, history), and when the Windows directory
// cannot be found; folder is given without trailing backslash.
int IsProtectedFolder(const char *folder);

#endif
