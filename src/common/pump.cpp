#include "common/pump.h"

#include <windows.h>

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
