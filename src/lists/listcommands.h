// Commands on list rows: the context menu, change, restore, undo, copy and paste.
#ifndef TILEFOX_LISTCOMMANDS_H
#define TILEFOX_LISTCOMMANDS_H

#include <windows.h>

enum ChangeSource { CHANGE_FROM_ROW = 0, CHANGE_FROM_PREVIEW = 1 };
enum RevertMode { REVERT_DEFAULT = 0, REVERT_UNDO = 1 };

enum { MENU_TEXT_BUFFER = 24 };

// Data of one owner-drawn item of the list's context menu; lives while the menu is shown.
struct MenuItemRecord {
    HICON Icon;     // 16 x 16, or null
    HFONT Font;
    char Text[MENU_TEXT_BUFFER];
};

// The list subclass calls this on WM_CONTEXTMENU; (-1, -1) is the keyboard's menu request.
void ShowListMenu(HWND list, POINT screenPoint, BOOL fromPreview);
// Carries out one command of the context menu (40002-40010; others do nothing), exactly as
// the menu does.
void RunListCommand(HWND list, int command, BOOL fromPreview);
void ChangeIcon(HWND page, int source);
// The selected row, or with Shift held the whole list.
void RevertEntries(HWND list, int mode);
// Same, with the choice of the whole list made by the caller; the whole list asks first.
void RevertRows(HWND list, int mode, BOOL wholeList);
// The list subclass forwards the menu's WM_MEASUREITEM and WM_DRAWITEM here; both return
// FALSE for items that are not the menu's.
BOOL MeasureMenuItem(HWND list, MEASUREITEMSTRUCT *measure);
BOOL DrawMenuItem(const DRAWITEMSTRUCT *draw);
// Paints one menu item; usable on any DC.
void PaintMenuItem(HDC dc, const RECT *item, BOOL selected, const MenuItemRecord *record);


#endif
