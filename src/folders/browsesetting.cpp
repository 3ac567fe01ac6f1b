#include "folders/browsesetting.h"

#include <commdlg.h>
#include <shellapi.h>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"

enum {
    SHIFT_RIGHT = 20,
    SHIFT_DOWN = 60,
    LOCATION_LIMIT = 258,
    DRIVE_ROOT_LENGTH = 3,
};

enum {
    FILTER_ICON_FILES = IDS_FILTER_FIRST,
    FILTER_ALL_FILES = IDS_FILTER_FIRST + 4,
    FILTER_BUFFER = 2 * (TEXT_BUFFER + 32) + 1,
};

static bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

static bool IsExistingFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static void RemoveTrailingSeparator(char *path)
{
    int length = lstrlenA(path);
    if (length == 0)
        return;
    char *last = CharPrevA(path, path + length);
    if (IsSeparator(*last))
        *last = '\0';
}

// The icon files and all files of the Change Icon dialog's filter: label, then pattern.
static void FormFilter(char *filter)
{
    const char *pieces[] = {nullptr, "*.ico;*.exe;*.dll;*.icl;*.cpl", nullptr, "*.*"};
    char iconLabel[TEXT_BUFFER];
    char allLabel[TEXT_BUFFER];
    CopyText(iconLabel, LoadText(FILTER_ICON_FILES), TEXT_BUFFER);
    CopyText(allLabel, LoadText(FILTER_ALL_FILES), TEXT_BUFFER);
    pieces[0] = iconLabel;
    pieces[2] = allLabel;
    int used = 0;
    for (const char *piece : pieces) {
        int length = lstrlenA(piece) + 1;
        CopyMemory(filter + used, piece, length);
        used += length;
    }
    filter[used] = '\0';
}

static void ShowBox(HWND dialog, UINT textId, UINT icon)
{
    char text[TEXT_BUFFER];
    CopyText(text, LoadText(textId), TEXT_BUFFER);
    MessageBoxA(dialog, text, App.Caption, icon);
}

void BrowseStartFolder(char *text)
{
    CleanPath(text);
    if (text[0] != '\0' && !IsExistingFolder(text))
        CutToDirectory(text);
}

// Turns the typed text into the location to keep; false (after telling the user) when it
// names nothing.
static bool ResolveTypedLocation(HWND dialog, char *typed, char *location)
{
    // "C:\" stays a root; "C:\Icons\" becomes "C:\Icons".
    if (lstrlenA(typed) > DRIVE_ROOT_LENGTH)
        RemoveTrailingSeparator(typed);
    if (!SearchFile(typed, location)) {
        ShowBox(dialog, IDS_NOSUCHFILE, MB_ICONERROR);
        return false;
    }
    if (IsExistingFolder(location) || UINT_PTR(ExtractIconA(AppInstance(), location, UINT(-1))) != 0)
        return true;
    // A file without icons still tells where to look: its folder is kept.
    CutToDirectory(location);
    if (location[0] != '\0') {
        RemoveTrailingSeparator(location);
        if (lstrlenA(location) == 2)
            AppendText(location, "\\", MAX_PATH);
    }
    ShowBox(dialog, IDS_FILEHASNOICONS, MB_ICONWARNING);
    return true;
}

static void OnOk(HWND dialog)
{
    char typed[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_BS_LOCATION, typed, MAX_PATH);
    CleanPath(typed);
    char location[MAX_PATH];
    location[0] = '\0';
    if (typed[0] != '\0' && !ResolveTypedLocation(dialog, typed, location))
        return;
    char *copy = DupString(location);
    if (copy == nullptr) {
        MessageBeep(0);
        return;
    }
    FreeText(&App.DefaultBrowseLocation);
    App.DefaultBrowseLocation = copy;
    EndDialog(dialog, IDOK);
}

static void OnBrowse(HWND dialog)
{
    char start[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_BS_LOCATION, start, MAX_PATH);
    BrowseStartFolder(start);

    char filter[FILTER_BUFFER];
    FormFilter(filter);
    char file[MAX_PATH];
    ZeroMemory(file, sizeof file);
    OPENFILENAMEA open;
    ZeroMemory(&open, sizeof open);
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    open.hwndOwner = dialog;
    open.lpstrFilter = filter;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.lpstrInitialDir = start[0] != '\0' ? start : nullptr;
    open.lpstrDefExt = "";
    open.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&open))
        return;
    HWND edit = GetDlgItem(dialog, IDC_BS_LOCATION);
    SetWindowTextA(edit, file);
    PostMessageA(dialog, WM_NEXTDLGCTL, WPARAM(edit), TRUE);
}

static INT_PTR OnInitDialog(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    SetWindowPos(dialog, nullptr, rect.left + SHIFT_RIGHT, rect.top + SHIFT_DOWN, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendDlgItemMessageA(dialog, IDC_BS_LOCATION, EM_LIMITTEXT, LOCATION_LIMIT, 0);
    // The setting is loaded once, by whoever needs it first.
    if (App.DefaultBrowseLocation == nullptr) {
        char setting[MAX_PATH];
        GetPrivateProfileStringA("Options", "DefaultFLdir", "", setting, MAX_PATH, App.SettingsPath);
        CleanPath(setting);
        if (setting[0] != '\0')
            App.DefaultBrowseLocation = DupString(setting);
    }
    if (App.DefaultBrowseLocation != nullptr)
        SetDlgItemTextA(dialog, IDC_BS_LOCATION, App.DefaultBrowseLocation);
    return TRUE;
}

static INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        OnOk(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_BS_BROWSE:
        OnBrowse(dialog);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

static void OnActivateApp(HWND dialog, BOOL active)
{
    if (active) {
        InvalidateRect(dialog, nullptr, TRUE);
        UpdateWindow(dialog);
    }
}

static INT_PTR CALLBACK BrowseSettingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_ACTIVATEAPP:
        OnActivateApp(dialog, BOOL(wParam));
        return FALSE;
    }
    return FALSE;
}

INT_PTR DefaultBrowseDialog(HWND owner)
{
    return ShowDialog(IDD_BROWSESETTING, owner, BrowseSettingProc, 0);
}
