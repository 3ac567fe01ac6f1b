// The sheet against a large class registry: seeds 20,000 classes as the discovery benchmark
// does, then measures in one run the time from the property-sheet call to the first tab shown
// and filled, the same for an empty seven-page sheet of the same page template, and the longest
// gap between two messages served while the other lists fill. Both sheets are timed in three
// alternate rounds; the best round of each counts, and the longest gap of all.
//   sheet_bench [classes] [folders]
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>
#include <stdlib.h>

#include "app/frame.h"
#include "app/settings.h"
#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "classseed.h"

namespace {

enum { TICK_MS = 5, ROUNDS = 3 };

double g_lastServed;
double g_longestGap;
bool g_measuring;

// Every message taken from the queue counts as served; a timer keeps one always due.
LRESULT CALLBACK OnMessageTaken(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && wParam == PM_REMOVE && g_measuring) {
        double now = Now();
        if (now - g_lastServed > g_longestGap)
            g_longestGap = now - g_lastServed;
        g_lastServed = now;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Serve()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The same seven pages with nothing behind them.
double TimeEmptySheet()
{
    PROPSHEETPAGEA_V1 pages[7];
    ZeroMemory(pages, sizeof pages);
    for (int tab = 0; tab < 7; ++tab) {
        pages[tab].dwSize = PROPSHEETPAGEA_SIZE_95;
        pages[tab].dwFlags = PSP_USETITLE;
        pages[tab].hInstance = AppInstance();
        pages[tab].pszTemplate = MAKEINTRESOURCEA(IDD_SHEETPAGE);
        pages[tab].pszTitle = MAKEINTRESOURCEA(IDS_TAB_DESKTOP + tab);
        pages[tab].pfnDlgProc = PlainPage;
    }
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.hInstance = AppInstance();
    header.pszCaption = App.Caption;
    header.nPages = 7;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    double start = Now();
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    while (sheet != nullptr && !IsWindowVisible(sheet))
        Serve();
    Serve();
    double took = Now() - start;
    if (sheet != nullptr)
        DestroyWindow(sheet);
    Serve();
    return took;
}


struct SheetRun {
    double Visible;     // -1: never shown filled
    double LongestGap;
    double Filled;
    int SpecialRows;
};

// The program's sheet from the call to its first tab shown and filled, then served until
// every list is filled.
SheetRun TimeProgramSheet()
{
    SheetRun run = {-1, 0, 0, 0};
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, OnMessageTaken, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, TICK_MS, nullptr);
    g_longestGap = 0;
    double start = Now();
    HWND sheet = reinterpret_cast<HWND>(RunPropertySheet(TAB_DESKTOP, PSH_MODELESS));
    while (sheet != nullptr && IsWindow(sheet)) {
        HWND list = ListOfTab(TAB_DESKTOP);
        if (run.Visible < 0 && IsWindowVisible(sheet) && list != nullptr && IsWindowVisible(list) &&
            SendMessageA(list, LB_GETCOUNT, 0, 0) > 0) {
            run.Visible = Now() - start;
            g_lastServed = Now();
            g_longestGap = 0;
            g_measuring = true;
        }
        if (run.Visible >= 0 && AllListsFilled(false))
            break;
        if (Now() - start > 120000)
            break;
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    g_measuring = false;
    run.Filled = Now() - start;
    run.LongestGap = g_longestGap;
    HWND special = ListOfTab(TAB_SPECIAL);
    run.SpecialRows = special != nullptr ? int(SendMessageA(special, LB_GETCOUNT, 0, 0)) : 0;
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    if (sheet != nullptr && IsWindow(sheet))
        DestroyWindow(sheet);
    Serve();
    return run;
}

}  // namespace

int main(int argc, char **argv)
{
    int classes = argc > 1 ? atoi(argv[1]) : 20000;
    int folders = argc > 2 ? atoi(argv[2]) : 300;
    InitCommonControls();

    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    CopyText(App.SettingsPath, dir, MAX_PATH);
    AppendText(App.SettingsPath, "sheet_bench.ini", MAX_PATH);
    DeleteFileA(App.SettingsPath);
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    ResetSettings();
    Settings.AutoRefresh = 0;
    char systemDir[MAX_PATH + 1];
    GetSystemDirectoryA(systemDir, MAX_PATH);
    Facts.SystemDirPath = DupString(AddBackslash(systemDir));
    Facts.NewShell = 1;

    if (!Seed(classes, folders)) {
        printf("seeding failed\n");
        Unseed(classes);
        return 1;
    }

    // The first sheet of a process also loads the common controls: both measure warm. Each
    // kind is timed in every round, alternately, and the best round of each counts; the gap is
    // the longest of all rounds.
    TimeEmptySheet();
    double empty = 1e30, visible = 1e30, longestGap = 0, filled = 0;
    int specialRows = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        double emptyRound = TimeEmptySheet();
        SheetRun run = TimeProgramSheet();
        printf("round %d: visible %.0f ms, empty sheet %.0f ms, longest gap %.0f ms, all lists filled after %.0f ms\n",
               round + 1, run.Visible, emptyRound, run.LongestGap, run.Filled);
        if (emptyRound < empty)
            empty = emptyRound;
        if (run.Visible >= 0 && run.Visible < visible)
            visible = run.Visible;
        if (run.LongestGap > longestGap)
            longestGap = run.LongestGap;
        filled = run.Filled;
        specialRows = run.SpecialRows;
    }
    Unseed(classes);
    DeleteFileA(App.SettingsPath);

    printf("seeded %d classes (%d shell folders); all lists filled after %.0f ms, %d Special rows\n", classes,
           folders, filled, specialRows);
    printf("sheet: visible %.0f ms, empty sheet %.0f ms, ratio %.2f; longest gap %.0f ms\n", visible, empty,
           visible / (empty > 0 ? empty : 1), longestGap);
    return 0;
}
