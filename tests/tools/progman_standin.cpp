// A stand-in for the desktop of the shell: a top-level "Progman" window with a view child
// and a "SysListView32" grandchild, as Explorer has. Every key and focus change it sees is
// appended to the top-level window's text, which the tests read from their own process.
// Its list view keeps the label colours that LVM_SET*COLOR gives it, unlogged.
// Ends when closed, or after a minute at the latest.
#include <windows.h>
#include <commctrl.h>

enum { LOG_SIZE = 1024, LIFETIME_MS = 60000 };

static HWND g_top, g_view, g_list;
static char g_log[LOG_SIZE];
// A teal desktop with white labels, as Windows 98 starts.
static COLORREF g_textBackground = RGB(0, 128, 128);
static COLORREF g_text = RGB(255, 255, 255);

static void Note(HWND window, const char *what, WPARAM key)
{
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    const char *who = lstrcmpA(className, "Progman") == 0 ? "top" : lstrcmpA(className, "SysListView32") == 0 ? "list" : "view";
    char entry[64];
    wsprintfA(entry, "%s:%s:%u;", who, what, unsigned(key));
    if (lstrlenA(g_log) + lstrlenA(entry) < LOG_SIZE)
        lstrcatA(g_log, entry);
    if (g_top != nullptr)
        SetWindowTextA(g_top, g_log);
}

static LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == g_list) {
        switch (message) {
        case LVM_GETTEXTBKCOLOR:
            return g_textBackground;
        case LVM_SETTEXTBKCOLOR:
            g_textBackground = COLORREF(lParam);
            return TRUE;
        case LVM_GETTEXTCOLOR:
            return g_text;
        case LVM_SETTEXTCOLOR:
            g_text = COLORREF(lParam);
            return TRUE;
        default:
            break;
        }
    }
    switch (message) {
    case WM_KEYDOWN:
        Note(window, "down", wParam);
        return 0;
    case WM_KEYUP:
        Note(window, "up", wParam);
        return 0;
    case WM_SETFOCUS:
        Note(window, "focus", 0);
        // As on the real desktop, the list view holds the focus whenever the window is active.
        if (window == g_top && g_list != nullptr)
            SetFocus(g_list);
        return 0;
    case WM_TIMER:
        DestroyWindow(g_top);
        return 0;
    case WM_DESTROY:
        if (window == g_top)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

static void Register(const char *name)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = StandInProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Register("Progman");
    Register("SHELLDLL_DefView");
    Register("SysListView32");
    g_top = CreateWindowExA(0, "Progman", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                            nullptr, instance, nullptr);
    g_view = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 180, 100, g_top, nullptr,
                             instance, nullptr);
    g_list = CreateWindowExA(0, "SysListView32", "", WS_CHILD | WS_VISIBLE, 0, 0, 160, 80, g_view, nullptr,
                             instance, nullptr);
    SetFocus(g_list);
    SetTimer(g_top, 1, LIFETIME_MS, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
