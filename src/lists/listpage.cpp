#include "lists/listpage.h"

INT_PTR CALLBACK IconListPage(HWND, UINT, WPARAM, LPARAM) { return 0; }
int RowIconSize() { return 32; }
void FillList(HWND) {}
void FreeList(HWND) {}
int AddEntry(HWND, const IconEntry *) { return 0; }
void RefreshPreview(HWND) {}
void ApplyViewMode(HWND, BOOL) {}
int ListTab(HWND) { return 0; }
