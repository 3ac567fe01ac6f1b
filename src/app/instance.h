// The hidden window of the running copy and the small protocol between copies.
#ifndef TILEFOX_INSTANCE_H
#define TILEFOX_INSTANCE_H

#include <windows.h>

// Registers the class when needed and creates the never-shown InstanceWindow; null on failure.
HWND CreateInstanceWindow();
LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
