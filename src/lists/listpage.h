// The content dialog of the five icon tabs: the owner-drawn list, its preview and buttons.
#ifndef TILEFOX_LISTPAGE_H
#define TILEFOX_LISTPAGE_H

#include <windows.h>

#include "lists/iconentry.h"

INT_PTR CALLBACK IconListPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

int RowIconSize();
// Row height for the DPI in force.
int RowHeight();
void FillList(HWND list);
void RefreshPreview(HWND list);
void ApplyViewMode(HWND list, BOOL scrollToSelection);
// Tab index (0-4) stored in a list's user data.
int ListTab(HWND list);

// One row of a list (WM_DRAWITEM); draws on any DC, so it can be tried on a memory DC.
void DrawListItem(const DRAWITEMSTRUCT *item);

#endif
