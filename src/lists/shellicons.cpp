#include "lists/catalogues.h"

void FillShellIconsList(HWND, int) {}
