#include "shellsettings/behaviourpage.h"

#include <commctrl.h>
#include <mmsystem.h>

#include "common/appstate.h"
#include "common/options.h"
#include "common/tabs.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

static void SetCheck(HWND page, int id, BYTE option)
{
    CheckDlgButton(page, id, option ? BST_CHECKED : BST_UNCHECKED);
}

static void FillStartTabs(HWND page)
{
    HWND box = GetDlgItem(page, IDC_BH_STARTTAB);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        char title[TEXT_BUFFER];
        CopyText(title, LoadText(IDS_TAB_DESKTOP + tab), TEXT_BUFFER);
        // The tab titles are padded for the tabs; the list keeps only the trailing blank.
        SendMessageA(box, CB_ADDSTRING, 0, LPARAM(TrimLeadingSpaces(title)));
    }
    SendMessageA(box, CB_SETCURSEL, WPARAM(Settings.StartupTab), 0);
}

static INT_PTR OnInitDialog(HWND page)
{
    LONG style = GetWindowLongA(page, GWL_STYLE);
    SetWindowLongA(page, GWL_STYLE, style & ~(WS_CAPTION | WS_DISABLED));
    SetWindowPos(page, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Windows 95's up-down and track bar know only their 16-bit messages.
    SendDlgItemMessageA(page, IDC_BH_ROWSSPIN, UDM_SETRANGE, 0, MAKELONG(ROWS_MAX, ROWS_MIN));
    SendDlgItemMessageA(page, IDC_BH_ROWSSPIN, UDM_SETPOS, 0, MAKELONG(Settings.DialogRows, 0));
    SendDlgItemMessageA(page, IDC_BH_ANIMATION, TBM_SETRANGE, FALSE, MAKELONG(0, ANIMATION_MAX));
    SendDlgItemMessageA(page, IDC_BH_ANIMATION, TBM_SETTICFREQ, ANIMATION_TICK, 0);
    SendDlgItemMessageA(page, IDC_BH_ANIMATION, TBM_SETPOS, TRUE, Settings.DialogAnimation);

    SetCheck(page, IDC_BH_HOOKCOMDLG, Settings.HookComDlg);
    SetCheck(page, IDC_BH_AUTOREFRESH, Settings.AutoRefresh);
    SetCheck(page, IDC_BH_DRIVEMSG, Settings.DriveIconMsg);
    FillStartTabs(page);
    return TRUE;
}

void FormatVersionText(char *buffer)
{
    char module[MAX_PATH];
    DWORD high = 0;
    DWORD low = 0;
    DWORD length = GetModuleFileNameA(AppInstance(), module, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        ReadFileVersion(module, &high, &low);
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_VERSIONTEXT), TEXT_BUFFER);
    // The caption is at most 79 bytes and the format's other parts fit well within the rest.
    wsprintfA(buffer, format, App.Caption, unsigned(HIWORD(high)), unsigned(LOWORD(high)));
}

static void ShowVersionBox(HWND page)
{
    char text[MAX_PATH];
    FormatVersionText(text);
    BOOL playing = PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT);
    char caption[TEXT_BUFFER];
    CopyText(caption, LoadText(IDS_VERSIONINFO), TEXT_BUFFER);
    MessageBoxA(GetParent(page), text, caption, MB_ICONINFORMATION | MB_OK);
    // A box closed early takes its sound with it.
    if (playing)
        PlaySoundA(nullptr, nullptr, SND_NODEFAULT | SND_NOWAIT);
}

static void OnRowsChange(HWND page)
{
    LRESULT position = SendDlgItemMessageA(page, IDC_BH_ROWSSPIN, UDM_GETPOS, 0, 0);
    // A typed value the up-down cannot take (0, 13, text) leaves the last good one.
    int rows = short(LOWORD(position));
    if (HIWORD(position) == 0 && rows >= ROWS_MIN && rows <= ROWS_MAX)
        Settings.DialogRows = rows;
}

static INT_PTR OnHScroll(HWND page, HWND control)
{
    if (control != GetDlgItem(page, IDC_BH_ANIMATION))
        return FALSE;
    LRESULT position = SendMessageA(control, TBM_GETPOS, 0, 0);
    if (position >= 0 && position <= ANIMATION_MAX)
        Settings.DialogAnimation = BYTE(position);
    return TRUE;
}

static BYTE Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
}

static INT_PTR OnCommand(HWND page, int id, int code)
{
    switch (id) {
    case IDC_BH_ROWS:
        if (code == EN_CHANGE)
            OnRowsChange(page);
        break;
    case IDC_BH_HOOKCOMDLG:
        Settings.HookComDlg = Checked(page, id);
        break;
    case IDC_BH_DRIVEMSG:
        Settings.DriveIconMsg = Checked(page, id);
        break;
    case IDC_BH_AUTOREFRESH:
        Settings.AutoRefresh = Checked(page, id);
        break;
    case IDC_BH_STARTTAB:
        if (code == CBN_SELCHANGE) {
            int selection = int(SendDlgItemMessageA(page, IDC_BH_STARTTAB, CB_GETCURSEL, 0, 0));
            if (selection >= 0)
                Settings.StartupTab = selection;
        }
        break;
    case IDC_BH_VERSION:
        if (code == BN_CLICKED)
            ShowVersionBox(page);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK BehaviourPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_COMMAND:
        return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL:
        return OnHScroll(page, reinterpret_cast<HWND>(lParam));
    case WM_CONTEXTMENU:
        return TRUE;
    default:
        return FALSE;
    }
}
