#include "app/sheetwindow.h"

#include "app/applychanges.h"
#include "app/frame.h"
#include "app/restoreapply.h"
#include "app/settings.h"
#include "app/sheetcommands.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/sheetgdi.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "shellsettings/iconsettings.h"

enum { BAND = 6 };

static void SetApplyEnabled(HWND sheet, BOOL enabled)
{
    EnableWindow(GetDlgItem(sheet, IDC_SHEET_APPLY), enabled);
}

// False when changes stay pending: the user would not apply without a restore point, or a
// write failed.
static bool ApplyPending(HWND sheet)
{
    if (!Sheet.ChangesPending)
        return true;
    // Apply serves the queue (its questions, the shell's refresh, the drive hint): a theme
    // handed over, a drop or a paste taken meanwhile marks itself pending anew and waits
    // for the next Apply.
    Sheet.ChangesPending = 0;
    // A write that failed keeps its change pending: OK must not close over it.
    if (ApplyAllChanges(sheet) != APPLY_DONE) {
        Sheet.ChangesPending = 1;
        SetApplyEnabled(sheet, TRUE);
        return false;
    }
    SetApplyEnabled(sheet, Sheet.ChangesPending);
    return true;
}

// A size the shell cannot take stops Apply and OK before anything is written: the user would
// believe it saved. Every change stays pending.
static bool SettingsRefuseApply()
{
    HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
    return Sheet.ChangesPending && settingsPage != nullptr && IsWindow(settingsPage) &&
           RefuseUnwritableIconSize(settingsPage);
}

// Returns 1 when the message is consumed.
static int OnCommand(HWND sheet, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        if (SettingsRefuseApply())
            return 1;
        ShowWindow(sheet, SW_HIDE);
        PumpOneMessage();
        // Changes that arrived while it applied keep the sheet open, shown as pending.
        if (!ApplyPending(sheet) || Sheet.ChangesPending) {
            ShowWindow(sheet, SW_SHOW);
            return 1;
        }
        SaveSettings(sheet);
        return 0;
    case IDCANCEL:
        ShowWindow(sheet, SW_HIDE);
        PumpOneMessage();
        SaveSettings(sheet);
        return 0;
    case IDC_SHEET_APPLY:
        if (SettingsRefuseApply())
            return 1;
        // The pages never see Apply: the lists are committed here, all at once.
        PostMessageA(sheet, WM_NEXTDLGCTL, 0, 0);
        PumpOneMessage();
        SetApplyEnabled(sheet, FALSE);
        UpdateWindow(sheet);
        ApplyPending(sheet);
        return 1;
    default:
        return 0;
    }
}

// Returns 1 when the command is consumed.
static int OnSysCommand(HWND sheet, WPARAM wParam)
{
    switch (wParam & 0xFFF0) {
    case SC_CLOSE:
        // Closing is Cancel.
        PostMessageA(sheet, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(sheet, IDCANCEL)));
        return 1;
    default:
        return 0;
    }
}

static void OnSize(HWND sheet, WPARAM wParam)
{
    if (wParam > SIZE_MAXIMIZED)
        return;
    HMENU systemMenu = GetSystemMenu(sheet, FALSE);
    EnableMenuItem(systemMenu, SC_MINIMIZE, MF_BYCOMMAND | (wParam == SIZE_MINIMIZED ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(systemMenu, SC_RESTORE, MF_BYCOMMAND | (wParam == SIZE_RESTORED ? MF_GRAYED : MF_ENABLED));
}

// Invalidates a control's rectangle in the page but validates its inside again: only the
// border band around it is repainted.
static void RepaintBand(HWND content, HWND control, int rightInset)
{
    if (control == nullptr)
        return;
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, content, reinterpret_cast<POINT *>(&box), 2);
    InvalidateRect(content, &box, FALSE);
    InflateRect(&box, -BAND, -BAND);
    box.right -= rightInset;
    ValidateRect(content, &box);
}

static void OnActivateApp(HWND sheet, WPARAM active)
{
    if (!active || IsIconic(sheet) || Sheet.CurrentTab < 0 || Sheet.CurrentTab >= LIST_TAB_COUNT)
        return;
    HWND content = Sheet.TabDialogs[Sheet.CurrentTab];
    HWND list = ListOfTab(Sheet.CurrentTab);
    if (content == nullptr || list == nullptr)
        return;
    UpdateWindow(content);
    RepaintBand(content, list, GetSystemMetrics(SM_CXVSCROLL));
    RepaintBand(content, GetDlgItem(content, IDC_PREVIEW), 0);
}

static void OnWinIniChange(WPARAM wParam)
{
    if (wParam != SPI_SETNONCLIENTMETRICS)
        return;
    CreateMenuFontsFromSystem();
}

static void OnSetChanged(HWND sheet, LPARAM lParam)
{
    Sheet.ChangesPending = lParam != 0;
    SetApplyEnabled(sheet, Sheet.ChangesPending);
}

static void OnDestroy(HWND sheet)
{
    ClearCopiedIcon();
    FreeText(&Facts.SystemDirPath);
    FreeText(&App.DefaultBrowseLocation);
    FreeRegistryBackups();
    FreeSheetGdi();
    // A later activation request must not find this handle again.
    if (App.InstanceWindow != nullptr)
        SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, 0);
    StopSheetKeyFilter();
    SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Sheet.PreviousSheetProc));
}

LRESULT CALLBACK SheetWindowProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = Sheet.PreviousSheetProc;
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(sheet, wParam))
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (OnSysCommand(sheet, wParam))
            return 0;
        if (OnSheetSysCommand(sheet, wParam))
            return 0;
        break;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam))
            UpdateTakeBackMenuItem(sheet);
        break;
    case WM_SIZE:
        OnSize(sheet, wParam);
        break;
    case WM_ACTIVATE:
        if ((LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) && !IsIconic(sheet))
            UpdateWindow(sheet);
        break;
    case WM_ACTIVATEAPP:
        OnActivateApp(sheet, wParam);
        break;
    case WM_WININICHANGE:
        OnWinIniChange(wParam);
        break;
    case WM_ENABLE:
        // A theme handed over by another copy waits while a box or dialog of the sheet is open.
        if (wParam && App.InstanceWindow != nullptr)
            PostMessageA(App.InstanceWindow, UM_IMPORTHANDEDTHEME, 0, 0);
        break;
    case UM_SETCHANGED:
        OnSetChanged(sheet, lParam);
        return 0;
    case UM_QUERYCHANGED:
        return Sheet.ChangesPending;
    case UM_LISTSFILLED:
        OnListsFilled(sheet);
        return 0;
    case WM_DESTROY:
        OnDestroy(sheet);
        break;
    default:
        break;
    }
    return CallWindowProcA(previous, sheet, message, wParam, lParam);
}
