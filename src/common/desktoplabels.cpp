#include "common/desktoplabels.h"

#include <windows.h>
#include <commctrl.h>

#include "common/options.h"

enum { CLASS_BUFFER = 16 };

static const COLORREF NO_COLOUR = 0xFFFFFFFF;

// Explorer keeps its icons in a list view two levels below its "Progman" window.
static HWND FindDesktopListView()
{
    HWND desktop = FindWindowA("Progman", nullptr);
    if (desktop == nullptr)
        return nullptr;
    HWND view = GetWindow(desktop, GW_CHILD);
    HWND list = view != nullptr ? GetWindow(view, GW_CHILD) : nullptr;
    if (list == nullptr)
        return nullptr;
    char className[CLASS_BUFFER];
    if (GetClassNameA(list, className, CLASS_BUFFER) == 0 || lstrcmpiA(className, "SysListView32") != 0)
        return nullptr;
    return list;
}

// The list view lives in the shell's process: only plain values cross, no pointers.
int DesktopLabelTransparency(int mode)
{
    HWND list = FindDesktopListView();
    if (list == nullptr)
        return 0;
    BOOL transparent = COLORREF(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0)) == CLR_NONE;
    if (mode != LABELS_SET)
        return transparent ? 1 : 0;

    COLORREF colour = NO_COLOUR;
    if (!ReadDesktopTextColor(&colour))
        colour = NO_COLOUR;
    if (transparent &&
        (colour == NO_COLOUR || colour == COLORREF(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0))))
        return 0;

    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, LPARAM(CLR_NONE));
    if (colour != NO_COLOUR)
        SendMessageA(list, LVM_SETTEXTCOLOR, 0, LPARAM(colour));
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 1;
}
