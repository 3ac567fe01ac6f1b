// The hidden window of the running copy and the small protocol between copies.
#ifndef TILEFOX_INSTANCE_H
#define TILEFOX_INSTANCE_H

#include <windows.h>

#define INSTANCE_CLASS "TilefoxWClass"

// Registers the class when needed and creates the never-shown InstanceWindow; null on failure.
HWND CreateInstanceWindow();
LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hands CopiedIcon to the copy that shows a sheet, through the text of window (a control
// of this process that stays alive until the receiver has read it).
void OfferCopiedIcon(HWND window);

#endif
