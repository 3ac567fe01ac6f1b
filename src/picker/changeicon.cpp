#include "picker/changeicon.h"

#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include "common/appstate.h"
#include "common/desktoplabels.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/texts.h"
#include "ids.h"
#include "picker/openfileext.h"
#include "picker/pickerstate.h"
#include "shellglue/iconlocation.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"

enum {
    MESSAGE_BUFFER = TEXT_BUFFER + MAX_PATH + 16,
    DROP_BUFFER = 320,              // resolution may write a longer location than it keeps
    STATUS_COLOUR = RGB(0, 0, 128),
};

// ---------------------------------------------------------------------------------------
// Small helpers

static HWND Grid(HWND dialog)
{
    return GetDlgItem(dialog, IDC_CI_GRID);
}

static int IconCount(const char *file)
{
    return int(UINT_PTR(ExtractIconA(AppInstance(), file, UINT(-1))));
}

// A path that cannot be read counts as a folder: either way it shows no icons.
static bool IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static void ReadFileNameField(HWND dialog, char *text)
{
    GetDlgItemTextA(dialog, IDC_CI_FILENAME, text, MAX_PATH);
}

static void ShowIndex(HWND dialog, int index)
{
    char text[16];
    wsprintfA(text, "%d", index);
    SetDlgItemTextA(dialog, IDC_CI_INDEX, text);
}

static void PostSelectionChange(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CI_GRID, LBN_SELCHANGE), LPARAM(Grid(dialog)));
}

// Text 1 is the caption of every box of this dialog; the message may take one %s.
static void Warn(HWND dialog, UINT textId, const char *argument)
{
    char caption[TEXT_BUFFER];
    CopyText(caption, LoadText(IDS_CHANGEICON), TEXT_BUFFER);
    char message[MESSAGE_BUFFER];
    wsprintfA(message, LoadText(textId), argument != nullptr ? argument : "");
    MessageBoxA(dialog, message, caption, MB_ICONWARNING);
}

static void FocusFileName(HWND dialog)
{
    PostMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, IDC_CI_FILENAME)), TRUE);
}

// Cuts text to at most limit bytes without splitting a double-byte character.
static void CutToBytes(char *text, int limit)
{
    int i = 0;
    while (text[i] != '\0') {
        int width = IsDBCSLeadByte(BYTE(text[i])) && text[i + 1] != '\0' ? 2 : 1;
        if (i + width > limit)
            break;
        i += width;
    }
    text[i] = '\0';
}

static void MoveControlBy(HWND dialog, int id, int dx, int dy)
{
    HWND control = GetDlgItem(dialog, id);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
    SetWindowPos(control, nullptr, rect.left + dx, rect.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------------------
// Placement and animation

static void AnimateOpening(HWND dialog, const ChangeIconRequest *call)
{
    if (call->DialogAnimation == 0 || !call->HasAnchor)
        return;
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int px = call->Anchor.x;
    int py = call->Anchor.y;
    int steps = OpeningSteps(width, call->DialogAnimation);
    for (int i = 1; i < steps; ++i) {
        MoveWindow(dialog, px + i * (rect.left - px) / steps, py + i * (rect.top - py) / steps,
                   width * i / steps, height * i / steps, TRUE);
        if (i == 1)
            ShowWindow(dialog, SW_SHOWDEFAULT);
    }
    MoveWindow(dialog, rect.left, rect.top, width, height, TRUE);
    // Started from Explorer, the dialog zooms over the desktop; transparent labels keep the
    // trail until the desktop repaints.
    if ((call->Mode == PICK_FOLDER || call->Mode == PICK_FOLDER_RESTORE) &&
        DesktopLabelTransparency(LABELS_QUERY)) {
        HWND desktop = FindWindowA("Progman", nullptr);
        if (desktop != nullptr)
            UpdateWindow(desktop);
    }
}

static void AnimateClosing(HWND dialog, const ChangeIconRequest *call)
{
    if (call->DialogAnimation == 0 || !call->HasAnchor)
        return;
    HWND owner = call->Owner;
    if (owner != nullptr && !IsWindowVisible(owner))
        owner = nullptr;
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    POINT target = call->Anchor;
    if (call->Mode == PICK_COPY) {
        // The copied icon stays here; shrink into the dialog itself.
        target.x = (rect.left + rect.right) / 2;
        target.y = (rect.top + rect.bottom) / 2;
    }
    int steps = ClosingSteps(call->DialogAnimation);
    if (owner != nullptr)
        SetForegroundWindow(owner);
    for (int c = steps - 1; c >= 1; --c) {
        MoveWindow(dialog, target.x + (rect.left - target.x) * c / steps, target.y + (rect.top - target.y) * c / steps,
                   width * c / steps, height * c / steps, TRUE);
        if (c % 3 == 0 && owner != nullptr)
            UpdateWindow(owner);
        else
            Sleep(0);
    }
}

// ---------------------------------------------------------------------------------------
// Initialisation

static void SetCaption(HWND dialog, const ChangeIconRequest *call)
{
    char caption[TEXT_BUFFER];
    if (call->Mode == PICK_COPY) {
        CopyText(caption, LoadText(IDS_SELECTICON), TEXT_BUFFER);
    } else {
        char text[TEXT_BUFFER + 3 + MAX_PATH];
        CopyText(text, LoadText(IDS_CHANGEICON), TEXT_BUFFER);
        if (call->TitleSuffix != nullptr && call->TitleSuffix[0] != '\0') {
            AppendText(text, " - ", sizeof text);
            char suffix[MAX_PATH];
            CopyText(suffix, call->TitleSuffix, MAX_PATH);
            AppendText(text, suffix, sizeof text);
        }
        CutToBytes(text, TEXT_BUFFER - 1);
        CopyText(caption, text, TEXT_BUFFER);
    }
    SetWindowTextA(dialog, caption);
}

// Grows the grid to the configured rows and moves what lies below it; returns the growth.
static int LayOutForRows(HWND dialog, const ChangeIconRequest *call)
{
    HWND grid = Grid(dialog);
    RECT client;
    RECT outer;
    GetClientRect(grid, &client);
    GetWindowRect(grid, &outer);
    int rows = call->DialogRows > 0 ? call->DialogRows : 4;
    int growth = GridCellSize(GRID_CELL_HEIGHT) * rows + 1 - client.bottom;
    SetWindowPos(grid, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + growth,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (call->Mode == PICK_COPY)
        growth += 2;

    MoveControlBy(dialog, IDOK, call->Mode == PICK_FOLDER_RESTORE ? 4 : 0, growth);
    MoveControlBy(dialog, IDCANCEL, call->Mode == PICK_FOLDER_RESTORE ? 2 : 0, growth);
    MoveControlBy(dialog, IDC_CI_BROWSE, 0, growth);
    if (call->Mode == PICK_FOLDER_RESTORE) {
        ShowWindow(GetDlgItem(dialog, IDC_CI_DEFAULT), SW_SHOW);
        MoveControlBy(dialog, IDC_CI_DEFAULT, 0, growth);
    }
    if (call->Mode == PICK_COPY) {
        HWND status = GetDlgItem(dialog, IDC_CI_STATUS);
        MoveControlBy(dialog, IDC_CI_STATUS, 0, growth);
        ShowWindow(status, SW_SHOW);
        SetWindowTextA(status, LoadText(IDS_PASTEHINT));
        SetDlgItemTextA(dialog, IDOK, LoadText(IDS_COPY));
        SetWindowLongPtrA(status, GWLP_USERDATA, 0);
    }
    return growth;
}

static void PlaceDialog(HWND dialog, const ChangeIconRequest *call, int growth)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top + growth;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int x = rect.left;
    int y = rect.top;
    if (call->Mode == PICK_FOLDER || call->Mode == PICK_FOLDER_RESTORE) {
        SeedPickerRandom(GetTickCount());
        POINT position = ScatteredPosition(screenWidth, screenHeight, width, height);
        x = position.x;
        y = position.y;
    } else if (call->Owner != nullptr) {
        if (rect.bottom + growth > screenHeight && height <= screenHeight)
            y = screenHeight - height;
    } else {
        x = (screenWidth - width) / 2;
        y = (screenHeight - height) / 2;
    }
    MoveWindow(dialog, x, y, width, height, FALSE);
}

// Finds the file named by the target; a missing one, or one without icons (noted in
// iconless), gives the system's shell32.dll, as Windows' own dialog offers. Returns the index
// to select, -1 for none.
static int OpenStartFile(HWND dialog, ChangeIconRequest *call, char *display, bool *iconless)
{
    CopyText(display, call->Target, MAX_PATH);
    char found[MAX_PATH];
    bool exists = SearchFile(call->Target, found) && !IsFolder(found);
    *iconless = exists && IconCount(found) < 1;
    if (!exists || *iconless) {
        char system[MAX_PATH];
        UINT length = GetSystemDirectoryA(system, MAX_PATH - 1);
        if (length == 0 || length >= MAX_PATH - 1)
            system[0] = '\0';
        AddBackslash(system);
        CopyText(display, system, MAX_PATH);
        AppendText(display, "shell32.dll", MAX_PATH);
        CopyText(call->Target, display, MAX_PATH);
        call->CurrentIndex = 0;
        return 0;
    }
    CopyText(call->Target, found, MAX_PATH);
    if (call->CurrentIndex < 0 || call->CurrentIndex >= IconCount(call->Target)) {
        ShowIndex(dialog, call->CurrentIndex);
        return -1;
    }
    return call->CurrentIndex;
}

static INT_PTR OnInitDialog(HWND dialog, LPARAM parameter)
{
    ChangeIconRequest *call = reinterpret_cast<ChangeIconRequest *>(parameter);
    SetWindowLongPtrA(dialog, DWLP_USER, LONG_PTR(parameter));
    call->Dialog = dialog;
    SetCaption(dialog, call);
    SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_LIMITTEXT, FILENAME_LIMIT, 0);
    // Windows 95 does not take the column width from the measured item.
    SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCOLUMNWIDTH, GridCellSize(GRID_CELL_WIDTH), 0);
    PlaceDialog(dialog, call, LayOutForRows(dialog, call));

    char display[MAX_PATH];
    char typed[MAX_PATH];
    CopyText(typed, call->Target, MAX_PATH);
    bool iconless = false;
    int selection = OpenStartFile(dialog, call, display, &iconless);
    if (iconless)
        Warn(dialog, IDS_NOICONSOFFERSYSTEM, typed);
    SetDlgItemTextA(dialog, IDC_CI_FILENAME, display);
    FillIconGrid(Grid(dialog), call->Target);
    SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, WPARAM(selection), 0);
    PostSelectionChange(dialog);

    AnimateOpening(dialog, call);

    HWND grid = Grid(dialog);
    SetGridCopyAllowed(grid, call->Mode != PICK_COPY);
    SetWindowLongPtrA(grid, GWLP_USERDATA, LONG_PTR(SetWindowLongPtrA(grid, GWLP_WNDPROC, LONG_PTR(IconGridProc))));
    DragAcceptFiles(dialog, TRUE);
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// File name

static void OnFileNameChange(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    char typed[MAX_PATH];
    char found[MAX_PATH];
    ReadFileNameField(dialog, typed);
    if (!SearchFile(typed, found) || IsFolder(found) || IconCount(found) < 1)
        return;
    if (CompareShortPaths(found, call->Target) == 0)
        return;
    CopyText(call->Target, found, MAX_PATH);
    FillIconGrid(Grid(dialog), call->Target);
    SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, 0, 0);
    PostSelectionChange(dialog);
}

// Passes when the field names a file with icons; otherwise warns, undoes the edit and
// sends the focus back to the field.
static bool CheckFileName(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    char typed[MAX_PATH];
    ReadFileNameField(dialog, typed);
    TrimLeadingSpaces(TrimTrailingSpaces(typed));
    if (typed[0] == '\0') {
        Warn(dialog, IDS_NOFILENAME, nullptr);
        SetDlgItemTextA(dialog, IDC_CI_FILENAME, call->Target);
        FocusFileName(dialog);
        return false;
    }

    char found[MAX_PATH];
    UINT warning;
    if (!SearchFile(typed, found) || IsFolder(found)) {
        CopyText(call->Target, typed, MAX_PATH);
        warning = IDS_FILENOTFOUND;
    } else if (IconCount(found) >= 1) {
        return true;
    } else {
        CopyText(call->Target, found, MAX_PATH);
        warning = IDS_NOUSABLEICONS;
    }
    FillIconGrid(Grid(dialog), call->Target);
    Warn(dialog, warning, typed);
    SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_UNDO, 0, 0);
    FocusFileName(dialog);
    return false;
}

// ---------------------------------------------------------------------------------------
// Ending

static void EndWith(HWND dialog, INT_PTR result, bool animate)
{
    DestroyGridIcons(Grid(dialog));
    if (animate)
        AnimateClosing(dialog, ChangeIconRequestOf(dialog));
    EndDialog(dialog, result);
}

static void OnOk(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    if (!CheckFileName(dialog))
        return;
    int selection = int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
    if (selection == LB_ERR) {
        Warn(dialog, IDS_NOICONSELECTED, nullptr);
        return;
    }
    call->CurrentIndex = selection;
    // Kept as typed: a name found in the system folders stays a bare name.
    char location[MAX_PATH + 16];
    ReadFileNameField(dialog, location);
    TrimLeadingSpaces(TrimTrailingSpaces(location));
    char index[16];
    wsprintfA(index, ",%d", selection);
    AppendText(location, index, sizeof location);
    CopyText(call->Target, location, LOCATION_BUFFER);
    EndWith(dialog, IDOK, true);
}

static void OnBrowse(HWND dialog)
{
    // Label from the string table, then its pattern.
    static const char *const kPatterns[] = {"*.ico;*.exe;*.dll;*.icl;*.cpl", "*.exe", "*.dll;*.icl;*.cpl", "*.ico;*.cur;*.ani", "*.*"};
    char filter[5 * (TEXT_BUFFER + 32) + 1];
    int used = 0;
    for (int i = 0; i < 5; ++i) {
        const char *pieces[] = {LoadText(IDS_FILTER_FIRST + i), kPatterns[i]};
        for (const char *piece : pieces) {
            int length = lstrlenA(piece) + 1;
            if (used + length >= int(sizeof filter))
                break;
            CopyMemory(filter + used, piece, length);
            used += length;
        }
    }
    filter[used] = '\0';

    // Shift starts in the folder of the file shown; otherwise the current directory.
    char startFolder[MAX_PATH];
    startFolder[0] = '\0';
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) {
        char typed[MAX_PATH];
        ReadFileNameField(dialog, typed);
        TrimLeadingSpaces(TrimTrailingSpaces(typed));
        if (SearchFile(typed, startFolder))
            CutToDirectory(startFolder);
    }

    char title[TEXT_BUFFER];
    CopyText(title, LoadText(IDS_CHANGEICON), TEXT_BUFFER);
    char file[MAX_PATH];
    file[0] = '\0';
    OPENFILENAMEA open;
    ZeroMemory(&open, sizeof open);
    open.lStructSize = OPENFILENAMEA_SIZE_95;
    open.hwndOwner = dialog;
    open.hInstance = AppInstance();
    open.lpstrFilter = filter;
    open.lpstrFile = file;
    open.nMaxFile = MAX_PATH;
    open.lpstrTitle = title;
    open.lpstrInitialDir = startFolder[0] != '\0' ? startFolder : nullptr;
    open.lpstrDefExt = "";
    if (Settings.HookComDlg)
        ExtendOpenFileDialog(&open, dialog);
    else
        open.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&open))
        return;

    UpdateWindow(dialog);
    SetDlgItemTextA(dialog, IDC_CI_FILENAME, file);
    if (IconCount(file) == 0) {
        Warn(dialog, IDS_NOUSABLEICONS, file);
        FocusFileName(dialog);
    }
}

static void OnDropFiles(HWND dialog, HDROP drop)
{
    char dropped[MAX_PATH];
    // A name too long for the buffer would come back cut off, naming another file.
    if (DragQueryFileA(drop, UINT(-1), nullptr, 0) > 0 && DragQueryFileA(drop, 0, nullptr, 0) < MAX_PATH &&
        DragQueryFileA(drop, 0, dropped, MAX_PATH) > 0) {
        if (IconCount(dropped) != 0) {
            SetDlgItemTextA(dialog, IDC_CI_FILENAME, dropped);
        } else {
            char location[DROP_BUFFER];
            CopyText(location, dropped, DROP_BUFFER);
            bool shown = false;
            if (ResolveIconLocation(location, DROP_BUFFER, nullptr)) {
                ApplyShellIconOverride(location);
                int index = SplitIconLocation(location);
                int count = IconCount(location);
                if (count > 0 && lstrlenA(location) < MAX_PATH) {
                    SetDlgItemTextA(dialog, IDC_CI_FILENAME, location);
                    if (index < 0 || index >= count) {
                        ShowIndex(dialog, index);
                        index = -1;
                    }
                    SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, WPARAM(index), 0);
                    PostSelectionChange(dialog);
                    shown = true;
                }
            }
            if (!shown) {
                SetDlgItemTextA(dialog, IDC_CI_FILENAME, dropped);
                Warn(dialog, IDS_NOUSABLEICONS, dropped);
                FocusFileName(dialog);
            }
        }
    }
    DragFinish(drop);
}

static void OnCopySelectedIcon(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    int selection = int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
    if (selection != LB_ERR) {
        char location[MAX_PATH + 16];
        ReadFileNameField(dialog, location);
        TrimLeadingSpaces(TrimTrailingSpaces(location));
        if (location[0] != '\0') {
            char index[16];
            wsprintfA(index, ",%d", selection);
            AppendText(location, index, sizeof location);
            CopyToClipboard(location);
        }
    }
    if (call->Mode != PICK_COPY)
        OfferCopiedIcon(GetDlgItem(dialog, IDC_CI_STATUS));
}

// ---------------------------------------------------------------------------------------
// Messages

static void OnGridNotify(HWND dialog, int code)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    switch (code) {
    case LBN_SELCHANGE: {
        int selection = int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
        if (selection != LB_ERR)
            ShowIndex(dialog, selection);
        break;
    }
    case LBN_DBLCLK:
        OnOk(dialog);
        break;
    case LBN_SETFOCUS:
        if (!call->FocusCheckGuard) {
            call->FocusCheckGuard = 1;
            CheckFileName(dialog);
            call->FocusCheckGuard = 0;
        }
        break;
    }
}

static INT_PTR OnCommand(HWND dialog, int id, int code)
{
    switch (id) {
    case IDOK:
        OnOk(dialog);
        break;
    case IDCANCEL:
        EndWith(dialog, IDCANCEL, false);
        break;
    case IDC_CI_DEFAULT:
        EndWith(dialog, IDC_CI_DEFAULT, true);
        break;
    case IDC_CI_BROWSE:
        OnBrowse(dialog);
        break;
    case IDC_CI_FILENAME:
        if (code == EN_CHANGE)
            OnFileNameChange(dialog);
        break;
    case IDC_CI_GRID:
        OnGridNotify(dialog, code);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

static INT_PTR OnMeasureItem(MEASUREITEMSTRUCT *measure)
{
    measure->itemWidth = GridCellSize(GRID_CELL_WIDTH);
    measure->itemHeight = GridCellSize(GRID_CELL_HEIGHT);
    return TRUE;
}

static INT_PTR OnDrawItem(const DRAWITEMSTRUCT *draw)
{
    DrawGridCell(draw, GRID_ICON_LEFT, GRID_ICON_TOP);
    return TRUE;
}

static INT_PTR OnCtlColorStatic(HWND dialog, HDC dc, HWND control)
{
    const ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    if (call == nullptr)
        return FALSE;
    if (call->Mode != PICK_COPY || control != GetDlgItem(dialog, IDC_CI_STATUS))
        return FALSE;
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(control, GWLP_USERDATA));
    if (brush == nullptr) {
        brush = GetSysColorBrush(COLOR_BTNFACE);
        SetWindowLongPtrA(control, GWLP_USERDATA, LONG_PTR(brush));
    }
    SetTextColor(dc, STATUS_COLOUR);
    SetBkMode(dc, TRANSPARENT);
    return INT_PTR(brush);
}

static void OnActivateApp(HWND dialog, BOOL active)
{
    if (active) {
        InvalidateRect(dialog, nullptr, TRUE);
        UpdateWindow(dialog);
    }
}

static void OnDestroy(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    HWND grid = Grid(dialog);
    SetGridCopyAllowed(grid, TRUE);
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(grid, GWLP_USERDATA));
    if (previous != nullptr) {
        SetWindowLongPtrA(grid, GWLP_WNDPROC, LONG_PTR(previous));
        SetWindowLongPtrA(grid, GWLP_USERDATA, 0);
    }
    // Normally empty already; a dialog ended from outside must not leak its icons.
    DestroyGridIcons(grid);
    if (call != nullptr) {
        if (call->Mode == PICK_COPY)
            SetWindowLongPtrA(GetDlgItem(dialog, IDC_CI_STATUS), GWLP_USERDATA, 0);
        call->Dialog = nullptr;
    }
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
}

static INT_PTR CALLBACK ChangeIconProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_MEASUREITEM:
        return OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT *>(lParam));
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(dialog, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DROPFILES:
        OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_ACTIVATEAPP:
        OnActivateApp(dialog, BOOL(wParam));
        return FALSE;
    case UM_COPYSELECTEDICON:
        OnCopySelectedIcon(dialog);
        return TRUE;
    case UM_ACCEPTBROWSEDICON:
        EndWith(dialog, IDOK, true);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(dialog);
        return FALSE;
    }
    return FALSE;
}

INT_PTR RunChangeIconDialog(HWND owner, ChangeIconRequest *call)
{
    call->Owner = owner;
    call->FocusCheckGuard = 0;
    call->Dialog = nullptr;
    return ShowDialog(IDD_CHANGEICON, owner, ChangeIconProc, reinterpret_cast<LPARAM>(call));
}

void SetUpChangeIconCall(ChangeIconRequest *call, char *buffer, const char *titleSuffix, const POINT *anchor,
                         PickMode mode)
{
    ZeroMemory(call, sizeof *call);
    call->Mode = mode;
    call->Target = buffer;
    TrimLeadingSpaces(TrimTrailingSpaces(buffer));
    call->CurrentIndex = SplitIconLocation(buffer);
    call->TitleSuffix = titleSuffix;
    call->HasAnchor = anchor != nullptr;
    if (anchor != nullptr)
        call->Anchor = *anchor;
    // No rows means the standard four, from now on.
    if (Settings.DialogRows == 0)
        Settings.DialogRows = 4;
    call->DialogRows = Settings.DialogRows;
    call->DialogAnimation = Settings.DialogAnimation;
}

char *OpenChangeIconDialog(HWND owner, char *buffer, const char *titleSuffix, const POINT *anchor, PickMode mode)
{
    if (buffer == nullptr)
        return nullptr;
    ChangeIconRequest call;
    SetUpChangeIconCall(&call, buffer, titleSuffix, anchor, mode);
    if (RunChangeIconDialog(owner, &call) != IDOK)
        buffer[0] = '\0';
    if (owner != nullptr && IsWindowVisible(owner))
        UpdateWindow(owner);
    return buffer;
}
