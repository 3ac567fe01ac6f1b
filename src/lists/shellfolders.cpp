#include "lists/catalogues.h"

void FillShellFolderList(HWND) {}
