// soak CYCLES [WARMUP]: runs the real sheet in this process through CYCLES rounds of paste,
// undo, paste, copy, Apply, restore-standard, Apply and refill over all five lists and the
// drive panel (drive X:, the test prefix's throwaway drive), after WARMUP rounds (100 unless
// given), and ends with "soak: CYCLES cycles, growth K KiB" (committed private memory) and
// the balance of icons, fonts and
// bitmaps the program made and destroyed during the counted rounds. Exit code 1 when the
// growth passes 512 KiB or anything is left over. The shell is never told (AutoRefresh off,
// RefreshLevel 0); the registry keys the sheet writes are put back at the end.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <psapi.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listcommands.h"
#include "lists/listpage.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/regsnapshot.h"
#include "support/testing.h"

namespace {

enum { GROWTH_GOAL_KIB = 512 };

// --- what the program creates and destroys -----------------------------------------------------

long g_fonts;
long g_bitmaps;
// Live icons by the call that made them, to name the maker of any left over. A set, not a
// counter: Wine hands out the same handle again for an icon it already made from the same
// resource, and refuses the second DestroyIcon of it.
std::map<HICON, const char *> g_liveIcons;

void Born(HICON icon, const char *maker)
{
    if (icon != nullptr)
        g_liveIcons[icon] = maker;
}

typedef UINT(WINAPI *ExtractIconExProc)(LPCSTR, int, HICON *, HICON *, UINT);
typedef HICON(WINAPI *ExtractIconProc)(HINSTANCE, LPCSTR, UINT);
typedef HICON(WINAPI *CopyIconProc)(HICON);
typedef HANDLE(WINAPI *LoadImageProc)(HINSTANCE, LPCSTR, UINT, int, int, UINT);
typedef BOOL(WINAPI *DestroyIconProc)(HICON);
typedef HFONT(WINAPI *CreateFontProc)(const LOGFONTA *);
typedef HBITMAP(WINAPI *CreateBitmapProc)(HDC, int, int);
typedef BOOL(WINAPI *DeleteObjectProc)(HGDIOBJ);
typedef DWORD_PTR(WINAPI *FileInfoProc)(LPCSTR, DWORD, SHFILEINFOA *, UINT, UINT);

ImportHook *g_extractEx, *g_extract, *g_copy, *g_loadImage, *g_destroy, *g_createFont, *g_createBitmap,
    *g_deleteObject, *g_fileInfo;

UINT WINAPI CountExtractIconEx(LPCSTR file, int index, HICON *large, HICON *small, UINT count)
{
    UINT result = g_extractEx->Original<ExtractIconExProc>()(file, index, large, small, count);
    // A failed extraction may leave anything in the caller's slots (64-bit Wine does).
    if (index != -1 && result != UINT(-1) && result != 0) {
        for (UINT i = 0; i < count; ++i) {
            if (large != nullptr)
                Born(large[i], "ExtractIconExA");
            if (small != nullptr)
                Born(small[i], "ExtractIconExA");
        }
    }
    return result;
}

HICON WINAPI CountExtractIcon(HINSTANCE instance, LPCSTR file, UINT index)
{
    HICON icon = g_extract->Original<ExtractIconProc>()(instance, file, index);
    if (index != UINT(-1) && UINT_PTR(icon) > 1)
        Born(icon, "ExtractIconA");
    return icon;
}

HICON WINAPI CountCopyIcon(HICON icon)
{
    HICON copy = g_copy->Original<CopyIconProc>()(icon);
    Born(copy, "CopyIcon");
    return copy;
}

HANDLE WINAPI CountLoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags)
{
    HANDLE image = g_loadImage->Original<LoadImageProc>()(instance, name, type, cx, cy, flags);
    // Shared images belong to the system.
    if (image != nullptr && !(flags & LR_SHARED)) {
        if (type == IMAGE_ICON || type == IMAGE_CURSOR)
            Born(static_cast<HICON>(image), "LoadImageA");
        else if (type == IMAGE_BITMAP)
            ++g_bitmaps;
    }
    return image;
}

BOOL WINAPI CountDestroyIcon(HICON icon)
{
    BOOL done = g_destroy->Original<DestroyIconProc>()(icon);
    if (done)
        g_liveIcons.erase(icon);
    return done;
}

HFONT WINAPI CountCreateFont(const LOGFONTA *font)
{
    HFONT made = g_createFont->Original<CreateFontProc>()(font);
    g_fonts += made != nullptr;
    return made;
}

HBITMAP WINAPI CountCreateBitmap(HDC dc, int width, int height)
{
    HBITMAP made = g_createBitmap->Original<CreateBitmapProc>()(dc, width, height);
    g_bitmaps += made != nullptr;
    return made;
}

BOOL WINAPI CountDeleteObject(HGDIOBJ object)
{
    DWORD type = GetObjectType(object);
    BOOL done = g_deleteObject->Original<DeleteObjectProc>()(object);
    if (done && type == OBJ_FONT)
        --g_fonts;
    else if (done && type == OBJ_BITMAP)
        --g_bitmaps;
    return done;
}

DWORD_PTR WINAPI CountFileInfo(LPCSTR path, DWORD attributes, SHFILEINFOA *info, UINT size, UINT flags)
{
    DWORD_PTR result = g_fileInfo->Original<FileInfoProc>()(path, attributes, info, size, flags);
    if (result != 0 && (flags & SHGFI_ICON) && info != nullptr)
        Born(info->hIcon, "SHGetFileInfoA");
    return result;
}

void CountResources()
{
    g_extractEx = new ImportHook("shell32.dll", "ExtractIconExA", reinterpret_cast<const void *>(&CountExtractIconEx));
    g_extract = new ImportHook("shell32.dll", "ExtractIconA", reinterpret_cast<const void *>(&CountExtractIcon));
    g_fileInfo = new ImportHook("shell32.dll", "SHGetFileInfoA", reinterpret_cast<const void *>(&CountFileInfo));
    g_copy = new ImportHook("user32.dll", "CopyIcon", reinterpret_cast<const void *>(&CountCopyIcon));
    g_loadImage = new ImportHook("user32.dll", "LoadImageA", reinterpret_cast<const void *>(&CountLoadImage));
    g_destroy = new ImportHook("user32.dll", "DestroyIcon", reinterpret_cast<const void *>(&CountDestroyIcon));
    g_createFont = new ImportHook("gdi32.dll", "CreateFontIndirectA", reinterpret_cast<const void *>(&CountCreateFont));
    g_createBitmap = new ImportHook("gdi32.dll", "CreateCompatibleBitmap",
                                    reinterpret_cast<const void *>(&CountCreateBitmap));
    g_deleteObject = new ImportHook("gdi32.dll", "DeleteObject", reinterpret_cast<const void *>(&CountDeleteObject));
}

// Committed private pages, counted directly: every heap of the process lives in them. (Wine's
// PrivateUsage from GetProcessMemoryInfo does not move with the heap.)
SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (BYTE *at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info; at += info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (reinterpret_cast<UINT_PTR>(at) + info.RegionSize < reinterpret_cast<UINT_PTR>(at))
            break;
    }
    return total;
}

// The system's own figure, printed beside it.
SIZE_T SystemPrivateUsage()
{
    PROCESS_MEMORY_COUNTERS_EX counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                              sizeof counters))
        return 0;
    return counters.PrivateUsage;
}

// --- one round ----------------------------------------------------------------------------------

HWND g_sheet;
HWND g_drivePanel;      // with X:, the test prefix's throwaway drive, or null
std::vector<std::string> g_locations;

HWND FindDrivePanel()
{
    if (GetFileAttributesA("X:\\TILEFOX.TST") == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    return DrivePanelOfSheet();
}

// X:'s own icon given (or, with null, taken away) on the drive panel.
void SetDriveX(const char *location)
{
    if (g_drivePanel == nullptr)
        return;
    int index = int(SendDlgItemMessageA(g_drivePanel, IDC_DP_DRIVES, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
    if (index >= 0)
        SetDriveIcon(g_drivePanel, index, location);
}

void Command(HWND list, int command)
{
    RunListCommand(list, command, FALSE);
}

void PressApply()
{
    SendMessageA(g_sheet, WM_COMMAND, IDC_SHEET_APPLY, reinterpret_cast<LPARAM>(GetDlgItem(g_sheet, IDC_SHEET_APPLY)));
}

void Serve()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Round(int round)
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        if (count <= 0)
            continue;
        SendMessageA(list, LB_SETCURSEL, round % count, 0);
        CopyToClipboard(g_locations[size_t(round + tab) % g_locations.size()].c_str());
        Command(list, IDM_PASTE);
        Command(list, IDM_UNDO);
        Command(list, IDM_PASTE);
        Command(list, IDM_COPY);
    }
    SetDriveX(g_locations[size_t(round) % g_locations.size()].c_str());
    PressApply();
    Serve();
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        if (SendMessageA(list, LB_GETCURSEL, 0, 0) >= 0)
            Command(list, IDM_DEFAULT);
    }
    SetDriveX(nullptr);
    PressApply();
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab)
        FillList(ListOfTab(tab));
    if (g_drivePanel != nullptr)
        FillDriveList(g_drivePanel);
    Serve();
}

}  // namespace

int main(int argc, char **argv)
{
    App.Instance = GetModuleHandleA(nullptr);
    setvbuf(stdout, nullptr, _IONBF, 0);
    int cycles = argc > 1 ? atoi(argv[1]) : 2000;
    int warmUp = argc > 2 ? atoi(argv[2]) : 100;

    std::vector<RegistryScope> scope = {
        {HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, true},
        {HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID", true},
        {HKEY_CURRENT_USER, "Software\\Classes", true},
        {HKEY_CURRENT_USER, "Control Panel\\desktop\\windowmetrics", true},
    };
    RegistrySnapshot saved(scope);
    saved.Take();

    std::string dir = MakeTempDir("soak");
    CopyText(App.SettingsPath, (dir + "\\tilefox.INI").c_str(), MAX_PATH);
    WriteFileText(App.SettingsPath, "[Options]\r\nAutoRefresh=0\r\nRefreshLevel=0\r\nDriveIconMsg=0\r\n");
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    Facts.SystemDirPath = DupString(SystemDir().c_str());
    ResetSettings();
    for (int i = 1; i <= 6; ++i)
        g_locations.push_back(FixturePath(i % 2 ? "icons12.dll" : "icons100.dll") + "," + std::to_string(i));
    g_locations.push_back(FixturePath("one.ico"));

    CountResources();
    g_sheet = reinterpret_cast<HWND>(RunPropertySheet(0, PSH_MODELESS, nullptr));
    if (g_sheet == nullptr) {
        fprintf(stderr, "no sheet\n");
        return 2;
    }
    PumpMessages(1500);
    g_drivePanel = FindDrivePanel();
    if (g_drivePanel == nullptr)
        printf("soak: no throwaway drive X:, the drive panel is left out\n");

    for (int round = 0; round < warmUp; ++round)
        Round(round);
    SIZE_T before = PrivateBytes();
    SIZE_T systemBefore = SystemPrivateUsage();
    long fonts = g_fonts, bitmaps = g_bitmaps;
    std::map<HICON, const char *> liveBefore = g_liveIcons;
    for (int round = 0; round < cycles; ++round)
        Round(warmUp + round);
    SIZE_T after = PrivateBytes();
    SIZE_T systemAfter = SystemPrivateUsage();
    long iconBalance = long(g_liveIcons.size()) - long(liveBefore.size()), fontBalance = g_fonts - fonts, bitmapBalance = g_bitmaps - bitmaps;
    // The rows hold icons made in the last refill; only more of them than before is a leak.
    std::map<std::string, int> makers;
    for (const auto &live : g_liveIcons)
        ++makers[live.second];
    for (const auto &live : liveBefore)
        --makers[live.second];
    for (const auto &maker : makers) {
        if (maker.second > 0)
            printf("soak: %d more live icons made by %s than before the counted cycles\n", maker.second,
                   maker.first.c_str());
    }

    DestroyWindow(g_sheet);
    PumpMessages(100);
    saved.Restore();
    if (g_drivePanel != nullptr)
        DeleteFileA("X:\\AUTORUN.INF");
    RemoveTree(dir);

    long growth = after > before ? long((after - before) / 1024) : -long((before - after) / 1024);
    printf("soak: %d cycles, growth %ld KiB\n", cycles, growth);
    printf("soak: private memory %lu KiB after the warm-up, %lu KiB at the end (the system says %lu and %lu KiB)\n",
           (unsigned long)(before / 1024), (unsigned long)(after / 1024), (unsigned long)(systemBefore / 1024),
           (unsigned long)(systemAfter / 1024));
    printf("soak: icons %+ld, fonts %+ld, bitmaps %+ld over the counted cycles\n", iconBalance, fontBalance,
           bitmapBalance);
    return growth < GROWTH_GOAL_KIB && iconBalance == 0 && fontBalance == 0 && bitmapBalance == 0 ? 0 : 1;
}
