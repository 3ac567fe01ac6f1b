// Time from opening the Change Icon dialog on a library of 1000 icons to its grid being
// filled and painted, beside the system's own Change Icon dialog (PickIconDlg, shell32
// ordinal 62) on the same file in the same run.
#include <windows.h>

#include <stdio.h>

#include "common/appstate.h"
#include "app/settings.h"
#include "ids.h"
#include "picker/changeicon.h"
#include "picker/pickerstate.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"

namespace {

// Wine's and NT's PickIconDlg take a wide path; Windows 9x's an ANSI one.
typedef BOOL(WINAPI *PickIconDlgProc)(HWND, WCHAR *, UINT, int *);

LARGE_INTEGER g_frequency;
LARGE_INTEGER g_shown;
int g_items;
bool g_seen;
const char *g_refillFile;   // when set, the first tick also times two ways of refilling the grid
double g_oneCallFill;
double g_perIconFill;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(g_frequency.QuadPart);
}

struct Found {
    HWND dialog;
    HWND list;
};

BOOL CALLBACK FindList(HWND window, LPARAM lParam)
{
    char name[32];
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "ListBox") == 0 || lstrcmpiA(name, "SysListView32") == 0) {
        reinterpret_cast<Found *>(lParam)->list = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    char name[32];
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        Found *found = reinterpret_cast<Found *>(lParam);
        found->dialog = window;
        EnumChildWindows(window, FindList, lParam);
        return FALSE;
    }
    return TRUE;
}

// What a picker without the one-call fill does: one extraction and one repaint per icon.
void FillPerIcon(HWND grid, const char *file)
{
    DestroyGridIcons(grid);
    int count = int(UINT_PTR(ExtractIconA(GetModuleHandleA(nullptr), file, UINT(-1))));
    for (int i = 0; i < count; ++i) {
        SendMessageA(grid, LB_ADDSTRING, 0, LPARAM(ExtractIconA(GetModuleHandleA(nullptr), file, i)));
        UpdateWindow(grid);
    }
}

void TimeRefills(HWND dialog)
{
    HWND grid = GetDlgItem(dialog, IDC_CI_GRID);
    LARGE_INTEGER a, b, c;
    QueryPerformanceCounter(&a);
    FillIconGrid(grid, g_refillFile);
    UpdateWindow(grid);
    QueryPerformanceCounter(&b);
    // The per-icon way repaints as it goes, as a list box without LBS_NOREDRAW would.
    SendMessageA(grid, WM_SETREDRAW, TRUE, 0);
    FillPerIcon(grid, g_refillFile);
    QueryPerformanceCounter(&c);
    g_oneCallFill = Milliseconds(a, b);
    g_perIconFill = Milliseconds(b, c);
}

// First tick after the dialog came up: paint whatever is pending, stop the clock, close it.
void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    Found found = {nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, LPARAM(&found));
    if (found.dialog == nullptr)
        return;
    UpdateWindow(found.dialog);
    QueryPerformanceCounter(&g_shown);
    KillTimer(nullptr, timer);
    g_seen = true;
    if (found.list != nullptr) {
        char name[32];
        GetClassNameA(found.list, name, sizeof name);
        g_items = lstrcmpiA(name, "ListBox") == 0 ? int(SendMessageA(found.list, LB_GETCOUNT, 0, 0))
                                                  : int(SendMessageA(found.list, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0));
    }
    if (g_refillFile != nullptr && ChangeIconRequestOf(found.dialog) != nullptr)
        TimeRefills(found.dialog);
    PostMessageA(found.dialog, WM_COMMAND, IDCANCEL, LPARAM(GetDlgItem(found.dialog, IDCANCEL)));
}

double TimeOwnDialog(const char *library)
{
    char buffer[LOCATION_BUFFER];
    CopyText(buffer, library, sizeof buffer);
    AppendText(buffer, ",0", sizeof buffer);
    g_items = -1;
    g_seen = false;
    LARGE_INTEGER start;
    SetTimer(nullptr, 0, 1, Tick);
    QueryPerformanceCounter(&start);
    OpenChangeIconDialog(nullptr, buffer, nullptr, nullptr);
    return Milliseconds(start, g_shown);
}

double TimeSystemDialog(PickIconDlgProc pick, const char *library)
{
    WCHAR path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, library, -1, path, MAX_PATH);
    int index = 0;
    g_items = -1;
    g_seen = false;
    LARGE_INTEGER start;
    UINT_PTR timer = SetTimer(nullptr, 0, 1, Tick);
    QueryPerformanceCounter(&start);
    pick(nullptr, path, MAX_PATH, &index);
    if (!g_seen) {
        // Returned without showing a dialog (Wine 8 has only a stub).
        KillTimer(nullptr, timer);
        return -1.0;
    }
    return Milliseconds(start, g_shown);
}

int CompareDoubles(const void *a, const void *b)
{
    double x = *static_cast<const double *>(a);
    double y = *static_cast<const double *>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    App.Instance = GetModuleHandleA(nullptr);
    Settings.DialogRows = 4;
    Settings.DialogAnimation = 0;
    QueryPerformanceFrequency(&g_frequency);

    char library[MAX_PATH];
    if (argc > 1) {
        CopyText(library, argv[1], MAX_PATH);
    } else {
        GetModuleFileNameA(nullptr, library, MAX_PATH);
        CutToDirectory(library);
        AppendText(library, "fixtures\\icons1000.dll", MAX_PATH);
    }
    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, MAX_PATH);
    Facts.SystemDirPath = DupString(AddBackslash(systemDir));

    HMODULE shell32 = LoadLibraryA("shell32.dll");
    PickIconDlgProc pick = reinterpret_cast<PickIconDlgProc>(GetProcAddress(shell32, MAKEINTRESOURCEA(62)));
    if (pick == nullptr) {
        printf("PickIconDlg (shell32 ordinal 62) not found\n");
        return 1;
    }

    enum { RUNS = 7 };
    double own[RUNS];
    double system[RUNS];
    int ownItems = 0;
    int systemItems = 0;
    // One untimed round of each first, so that both find the file in the cache.
    TimeOwnDialog(library);
    TimeSystemDialog(pick, library);
    for (int i = 0; i < RUNS; ++i) {
        own[i] = TimeOwnDialog(library);
        ownItems = g_items;
        system[i] = TimeSystemDialog(pick, library);
        systemItems = g_items;
    }
    qsort(own, RUNS, sizeof own[0], CompareDoubles);
    qsort(system, RUNS, sizeof system[0], CompareDoubles);

    g_refillFile = library;
    TimeOwnDialog(library);
    g_refillFile = nullptr;

    printf("file: %s (%u icons)\n", library, ExtractIconExA(library, -1, nullptr, nullptr, 0));
    printf("Change Icon dialog:  median %.1f ms (min %.1f, max %.1f), %d cells\n", own[RUNS / 2], own[0],
           own[RUNS - 1], ownItems);
    if (system[0] < 0.0) {
        printf("system PickIconDlg:  returned at once without a dialog (a stub on this system); no figure\n");
    } else {
        printf("system PickIconDlg:  median %.1f ms (min %.1f, max %.1f), %d cells\n", system[RUNS / 2], system[0],
               system[RUNS - 1], systemItems);
        printf("ratio system / own:  %.2f\n", system[RUNS / 2] / own[RUNS / 2]);
    }
    printf("grid refill, one extraction call:       %.1f ms\n", g_oneCallFill);
    printf("grid refill, one icon and repaint each: %.1f ms\n", g_perIconFill);
    printf("ratio per-icon / one call:              %.2f\n", g_perIconFill / g_oneCallFill);
    GlobalFree(Facts.SystemDirPath);
    return 0;
}
