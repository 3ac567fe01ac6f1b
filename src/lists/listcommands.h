// Commands on list rows: the context menu, change, restore, undo, copy and paste; file drops
// and theme import.
#ifndef TILEFOX_LISTCOMMANDS_H
#define TILEFOX_LISTCOMMANDS_H

#include <windows.h>

enum ChangeSource { CHANGE_FROM_ROW = 0, CHANGE_FROM_PREVIEW = 1 };
enum RevertMode { REVERT_DEFAULT = 0, REVERT_UNDO = 1 };

void ShowListMenu(HWND list, POINT screenPoint, BOOL fromPreview);
void ChangeIcon(HWND page, int source);
void RevertEntries(HWND list, int mode);
void DropFilesOnList(HWND list, HWND preview, HDROP drop);
// (failed << 16) | (loaded & 0xFFFF)
DWORD ImportThemeFile(const char *path);

#endif
