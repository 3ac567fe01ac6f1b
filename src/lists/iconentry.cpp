#include "lists/iconentry.h"

ListsState Lists;

IconEntry *GetEntry(HWND, int) { return nullptr; }
int UpdateEntry(HWND, int, const IconEntry *, unsigned) { return 0; }
void CommitEntry(const IconEntry *) {}
void LoadEntryIcons(const char *, HICON *large, HICON *small) { *large = *small = nullptr; }
