// The small notice that the icon of a start-up file can now be pasted; it closes by itself.
#ifndef TILEFOX_COPYNOTICE_H
#define TILEFOX_COPYNOTICE_H

#include <windows.h>

enum {
    COPY_NOTICE_TIMER = 1,
    COPY_NOTICE_MILLISECONDS = 1250,
    COPY_NOTICE_RIGHT = 40,     // from the page's top-left corner
    COPY_NOTICE_DOWN = 70,
};

// Shows the notice for CopiedIcon, owned by sheet, 40 right and 70 down from page's
// corner. Null when the clipboard yields no icon (the notice then never appears).
HWND OpenCopyNotice(HWND sheet, HWND page);
INT_PTR CALLBACK CopyNoticeWindow(HWND notice, UINT message, WPARAM wParam, LPARAM lParam);

#endif
