#include "lists/catalogues.h"

void FillDesktopList(HWND) {}
