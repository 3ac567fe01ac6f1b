// Drives the running program for scripts/screenshots.sh: one action on the active window per
// start, posted so that a modal dialog it opens does not hold this program.
//   rect            print the active window's rectangle (with an open menu) as WxH+X+Y
//   tab N           show tab N of the sheet
//   row N           select row N of the visible icon list
//   click ID        press the visible button ID
//   menu            open the visible icon list's context menu
//   key VK...       press keys (decimal virtual-key codes) in the open menu or the active window
//   cancel          close the active dialog or message box
//   accept S        within S seconds: wait for the sheet, close the box shown over it, press OK
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ids.h"

struct Search {
    int id;
    HWND found;
};

static BOOL CALLBACK MatchVisible(HWND child, LPARAM data)
{
    Search *search = reinterpret_cast<Search *>(data);
    if (GetDlgCtrlID(child) != search->id || !IsWindowVisible(child))
        return TRUE;
    search->found = child;
    return FALSE;
}

// The same identifier can serve on two pages; only the page shown counts.
static HWND VisibleControl(HWND window, int id)
{
    Search search = {id, nullptr};
    EnumChildWindows(window, MatchVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static void PrintRect(HWND active)
{
    RECT area = {};
    GetWindowRect(active, &area);
    HWND menu = FindWindowA("#32768", nullptr);
    RECT menuArea;
    if (menu != nullptr && IsWindowVisible(menu) && GetWindowRect(menu, &menuArea))
        UnionRect(&area, &area, &menuArea);
    printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
    fflush(stdout);
}

static void PressKeys(HWND active, int count, char **codes)
{
    HWND menu = FindWindowA("#32768", nullptr);
    HWND target = menu != nullptr && IsWindowVisible(menu) ? menu : active;
    for (int i = 0; i < count; ++i) {
        WPARAM key = WPARAM(atoi(codes[i]));
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        Sleep(200);
    }
}

static bool IsSheet(HWND window)
{
    return window != nullptr && FindWindowExA(window, nullptr, WC_TABCONTROLA, nullptr) != nullptr;
}

// One process for the whole exchange: under an emulator each start of a program is slow.
static int Accept(int seconds)
{
    DWORD end = GetTickCount() + DWORD(seconds) * 1000;
    enum { SHEET, BOX, BACK } stage = SHEET;
    while (GetTickCount() < end) {
        HWND active = GetForegroundWindow();
        if (stage == SHEET && IsSheet(active)) {
            stage = BOX;
        } else if (stage == BOX && active != nullptr && !IsSheet(active)) {
            PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
            stage = BACK;
        } else if (stage == BACK && IsSheet(active)) {
            HWND ok = GetDlgItem(active, IDOK);
            if (ok == nullptr)
                return 1;
            PostMessageA(ok, BM_CLICK, 0, 0);
            return 0;
        }
        Sleep(500);
    }
    return 1;
}

int main(int argc, char **argv)
{
    const char *verb = argc > 1 ? argv[1] : "";
    int number = argc > 2 ? atoi(argv[2]) : 0;
    if (strcmp(verb, "accept") == 0)
        return Accept(number);
    HWND active = GetForegroundWindow();
    if (argc < 2 || active == nullptr)
        return 2;
    if (strcmp(verb, "rect") == 0) {
        PrintRect(active);
    } else if (strcmp(verb, "tab") == 0) {
        PostMessageA(active, PSM_SETCURSEL, WPARAM(number), 0);
    } else if (strcmp(verb, "row") == 0) {
        HWND list = VisibleControl(active, IDC_ICONLIST);
        if (list == nullptr)
            return 1;
        SendMessageA(list, LB_SETCURSEL, WPARAM(number), 0);
        PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_ICONLIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    } else if (strcmp(verb, "click") == 0) {
        HWND button = VisibleControl(active, number);
        if (button == nullptr)
            return 1;
        PostMessageA(button, BM_CLICK, 0, 0);
    } else if (strcmp(verb, "menu") == 0) {
        HWND list = VisibleControl(active, IDC_ICONLIST);
        if (list == nullptr)
            return 1;
        PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
    } else if (strcmp(verb, "key") == 0) {
        PressKeys(active, argc - 2, argv + 2);
    } else if (strcmp(verb, "cancel") == 0) {
        PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
    } else {
        return 2;
    }
    return 0;
}
