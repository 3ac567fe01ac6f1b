#include "lists/listcommands.h"

void ShowListMenu(HWND, POINT, BOOL) {}
void ChangeIcon(HWND, int) {}
void RevertEntries(HWND, int) {}
