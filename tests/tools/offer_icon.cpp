// A second copy in miniature: takes the command tail as its copied icon, offers it to the
// running copy through a control's text, and keeps the control alive for a while so that
// the receiver can read it. A tail starting with "-quick " destroys the control at once.
#include <windows.h>

#include "common/appstate.h"
#include "common/iconclipboard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR tail, int)
{
    App.Instance = instance;
    bool quick = false;
    if (lstrlenA(tail) > 7 && CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, tail, 7, "-quick ", 7) == CSTR_EQUAL) {
        quick = true;
        tail += 7;
    }
    HWND status = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    CopyToClipboard(tail);
    OfferCopiedIcon(status);
    if (quick) {
        DestroyWindow(status);
        return 0;
    }
    DWORD end = GetTickCount() + 3000;
    MSG msg;
    while (int(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
    DestroyWindow(status);
    return 0;
}
