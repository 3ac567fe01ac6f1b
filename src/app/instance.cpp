#include "app/instance.h"

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "ids.h"
#include "shellglue/oldsizes.h"

static void OnActivateInstance(HWND window)
{
    HWND sheet = reinterpret_cast<HWND>(GetWindowLongA(window, GWL_USERDATA));
    if (sheet != nullptr && IsWindow(sheet)) {
        SetForegroundWindow(sheet);
        OpenIcon(sheet);
    }
}

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetWindowLongA(window, GWL_USERDATA, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        SetWindowLongA(window, GWL_USERDATA, 0);
        PostQuitMessage(0);
        return 0;
    case UM_ACTIVATEINSTANCE:
        OnActivateInstance(window);
        return 0;
    case UM_TAKECOPIEDICON:
        TakeOfferedIcon(wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateInstanceWindow()
{
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = WNDCLASSEXA_SIZE_95;
    if (!GetClassInfoExA(AppInstance(), INSTANCE_CLASS, &windowClass)) {
        windowClass.cbSize = WNDCLASSEXA_SIZE_95;
        windowClass.style = 0;
        windowClass.lpfnWndProc = InstanceWindowProc;
        windowClass.hInstance = AppInstance();
        windowClass.lpszClassName = INSTANCE_CLASS;
        if (RegisterClassExA(&windowClass) == 0)
            return nullptr;
    }
    return CreateWindowExA(WS_EX_TOOLWINDOW, INSTANCE_CLASS, App.Caption,
                           WS_POPUP | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MAXIMIZEBOX, CW_USEDEFAULT,
                           CW_USEDEFAULT, 0, 0, nullptr, nullptr, AppInstance(), nullptr);
}
