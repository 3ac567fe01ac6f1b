// The program-wide icon clipboard: one location text (a global-heap block) or none. Copy
// commands and the start-up file set it, the paste commands and the copy notice read it, and
// a second copy of the program can hand one over.
#ifndef TILEFOX_ICONCLIPBOARD_H
#define TILEFOX_ICONCLIPBOARD_H

#include <windows.h>

#define INSTANCE_CLASS "TilefoxWClass"

// The copied location, or null.
const char *CopiedIcon();
// Takes over a global-heap text (null empties the clipboard); the old text is freed, unless
// it is the same block.
void AdoptCopiedIcon(char *text);
// Copies text into the clipboard; 0 when there is no text or no memory, the old one staying.
int CopyToClipboard(const char *text);
void ClearCopiedIcon();

// Hands CopiedIcon to the copy that shows a sheet, through the text of window (a control
// of this process that stays alive until the receiver has read it).
void OfferCopiedIcon(HWND window);
// The receiving side (message 2026): reads the text of the sender's control.
void TakeOfferedIcon(WPARAM wParam, LPARAM lParam);

#endif
