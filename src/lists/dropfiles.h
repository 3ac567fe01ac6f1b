// Files dropped on a list or its preview.
#ifndef TILEFOX_DROPFILES_H
#define TILEFOX_DROPFILES_H

#include <windows.h>

// preview is null for a drop on the list itself. The caller finishes the drop.
void DropFilesOnList(HWND list, HWND preview, HDROP drop);

#endif
