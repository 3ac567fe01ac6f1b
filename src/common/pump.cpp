#include "common/pump.h"

#include <windows.h>

enum {
    SERVE_EVERY_ROWS = 4,   // a row loads its icons: a few milliseconds each
    SERVE_LIMIT = 16,
};

void PumpOneMessage()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        return;
    BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0) {
        // A quit taken here belongs to the loop that ends the program.
        PostQuitMessage(int(msg.wParam));
        return;
    }
    if (result > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpWaitingMessages(int limit)
{
    MSG msg;
    for (int i = 0; i < limit && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); ++i)
        PumpOneMessage();
}

bool ServeSheetDuringFill(HWND list)
{
    HWND page = GetParent(list);
    HWND sheet = page != nullptr ? GetParent(page) : nullptr;
    if (sheet == nullptr || !IsWindowVisible(sheet))
        return true;
    PumpWaitingMessages(SERVE_LIMIT);
    return IsWindow(list) != FALSE;
}

bool ServeSheetEveryFewRows(HWND list, int row)
{
    return row % SERVE_EVERY_ROWS != SERVE_EVERY_ROWS - 1 || ServeSheetDuringFill(list);
}
