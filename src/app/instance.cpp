#include "app/instance.h"

#include "app/restoreapply.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/themeimport.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"

// A theme file that another copy handed over, until the sheet can import it. One byte more
// than a path may have, so that a longer text is seen as too long rather than cut.
static char HandedTheme[MAX_PATH + 1];
// Another copy changed the registry or the drives under the sheet; it reads them again.
static BYTE ReloadWaiting;

static HWND SheetOf(HWND window)
{
    HWND sheet = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return sheet != nullptr && IsWindow(sheet) ? sheet : nullptr;
}

static void OnActivateInstance(HWND window)
{
    HWND sheet = SheetOf(window);
    if (sheet != nullptr) {
        SetForegroundWindow(sheet);
        OpenIcon(sheet);
    }
}

// The sender's window lives until this message is answered; the import and its report come
// later, so that the other copy does not wait for the user.
static void TakeHandedTheme(HWND window, LPARAM lParam)
{
    HWND source = reinterpret_cast<HWND>(lParam);
    if (!IsWindow(source))
        return;
    char text[sizeof HandedTheme];
    ZeroMemory(text, sizeof text);
    GetWindowTextA(source, text, sizeof text);
    if (text[0] == '\0')
        return;
    CopyText(HandedTheme, text, sizeof HandedTheme);
    PostMessageA(window, UM_IMPORTHANDEDTHEME, 0, 0);
}

static void OnTakeCopiedIcon(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam == WPARAM(TAKE_THEMEFILE))
        TakeHandedTheme(window, lParam);
    else
        TakeOfferedIcon(wParam, lParam);
}

static void RefuseHandedTheme(HWND sheet, UINT textId, const char *path)
{
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(textId), TEXT_BUFFER);
    char message[TEXT_BUFFER + sizeof HandedTheme];
    wsprintfA(message, format, path);
    MessageBoxA(sheet, message, App.Caption, MB_ICONWARNING);
}

// As a theme named at the start: only into filled lists, and not while a dialog or box of the
// sheet is open or Apply runs. The end of the fill and the sheet's enabling ask again.
static void OnImportHandedTheme(HWND window)
{
    HWND sheet = SheetOf(window);
    if (sheet == nullptr) {
        HandedTheme[0] = '\0';
        ReloadWaiting = 0;
        return;
    }
    if (!Sheet.ListsFilled || !IsWindowEnabled(sheet) || !IsWindowVisible(sheet))
        return;
    if (ReloadWaiting) {
        ReloadWaiting = 0;
        ReloadSheet(sheet);
    }
    if (HandedTheme[0] == '\0')
        return;
    char path[sizeof HandedTheme];
    CopyText(path, HandedTheme, sizeof path);
    HandedTheme[0] = '\0';
    DWORD attributes = GetFileAttributesA(path);
    if (lstrlenA(path) >= MAX_PATH || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        RefuseHandedTheme(sheet, IDS_FILENOTFOUND, path);
    else if (!IsThemeFile(path))
        RefuseHandedTheme(sheet, IDS_NOUSABLEICONS, path);
    else
        ImportThemeAndReport(sheet, path);
}

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        HandedTheme[0] = '\0';
        ReloadWaiting = 0;
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        PostQuitMessage(0);
        return 0;
    case UM_ACTIVATEINSTANCE:
        OnActivateInstance(window);
        return 0;
    case UM_TAKECOPIEDICON:
        OnTakeCopiedIcon(window, wParam, lParam);
        return 0;
    case UM_REGISTRYCHANGED:
        ReloadWaiting = 1;
        OnImportHandedTheme(window);
        return 0;
    case UM_IMPORTHANDEDTHEME:
        OnImportHandedTheme(window);
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
