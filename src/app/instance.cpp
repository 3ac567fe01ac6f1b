#include "app/instance.h"

#include "app/appstate.h"
#include "ids.h"
#include "shellglue/paths.h"

static void OnActivateInstance(HWND window)
{
    HWND sheet = reinterpret_cast<HWND>(GetWindowLongA(window, GWL_USERDATA));
    if (sheet != nullptr && IsWindow(sheet)) {
        SetForegroundWindow(sheet);
        OpenIcon(sheet);
    }
}

// The text comes from a control of another process; it is read while that control's dialog
// is still open, so a window that has gone away simply yields nothing.
static void OnTakeCopiedIcon(WPARAM wParam, LPARAM lParam)
{
    HWND source = reinterpret_cast<HWND>(lParam);
    if (wParam != WPARAM(-1) || !IsWindow(source))
        return;
    char text[LOCATION_BUFFER];
    ZeroMemory(text, sizeof text);
    GetWindowTextA(source, text, LOCATION_BUFFER);
    if (text[0] == '\0')
        return;
    char *copy = DupString(text);
    if (copy == nullptr)
        return;
    if (App.CopiedIcon != nullptr)
        GlobalFree(App.CopiedIcon);
    App.CopiedIcon = copy;
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
        OnTakeCopiedIcon(wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateInstanceWindow()
{
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExA(AppInstance(), INSTANCE_CLASS, &windowClass)) {
        windowClass.cbSize = sizeof windowClass;
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

void OfferCopiedIcon(HWND window)
{
    if (App.CopiedIcon == nullptr || App.CopiedIcon[0] == '\0' || !IsWindow(window))
        return;
    HWND running = FindWindowA(INSTANCE_CLASS, nullptr);
    if (running == nullptr || running == App.InstanceWindow)
        return;
    if (SetWindowTextA(window, App.CopiedIcon))
        PostMessageA(running, UM_TAKECOPIEDICON, WPARAM(-1), reinterpret_cast<LPARAM>(window));
}
