// The three catalogues that fill the icon lists, each through AddEntry.
#ifndef TILEFOX_CATALOGUES_H
#define TILEFOX_CATALOGUES_H

#include <windows.h>

void FillShellIconsList(HWND list, int tab);   // tabs 1, 3, 4
void FillDesktopList(HWND list);               // tab 0
void FillShellFolderList(HWND list);           // tab 2

#endif
