#include "app/frame.h"

INT_PTR CALLBACK SheetPageProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
void InitSheet(HWND) {}

void PumpOneMessage()
{
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
