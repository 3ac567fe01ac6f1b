#include "picker/openfileext.h"

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "ids.h"
#include "picker/pickerstate.h"
#include "shellglue/paths.h"

// The Change Icon dialog that opened the open-file dialog: the extension keeps it with its
// window from the OPENFILENAME's lCustData.
static HWND ChangeIconOf(HWND extension)
{
    return reinterpret_cast<HWND>(GetWindowLongPtrA(extension, DWLP_USER));
}

static HWND Strip(HWND extension)
{
    return GetDlgItem(extension, IDC_OF_STRIP);
}

static int StripSelection(HWND extension)
{
    return int(SendMessageA(Strip(extension), LB_GETCURSEL, 0, 0));
}

static int IconCount(const char *file)
{
    UINT count = ExtractIconExA(file, -1, nullptr, nullptr, 0);
    return count == UINT(-1) ? 0 : int(count);
}

// The path selected in the open-file dialog; empty when there is none or when it does not
// fit in MAX_PATH bytes (a cut path would name another file).
static void ReadSelectedPath(HWND extension, char *path, bool clean)
{
    path[0] = '\0';
    LRESULT length = SendMessageA(GetParent(extension), CDM_GETFILEPATH, MAX_PATH, LPARAM(path));
    if (length < 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return;
    }
    path[MAX_PATH - 1] = '\0';
    if (clean)
        CleanPath(path);
}

static bool FormLocation(char *location, const char *path, int index)
{
    char suffix[16];
    wsprintfA(suffix, ",%d", index);
    CopyText(location, path, LOCATION_BUFFER);
    return AppendText(location, suffix, LOCATION_BUFFER) != 0;
}

static INT_PTR OnInitDialog(HWND extension, const OPENFILENAMEA *open)
{
    SetWindowLongPtrA(extension, DWLP_USER, open != nullptr ? LONG_PTR(open->lCustData) : 0);

    HWND openDialog = GetParent(extension);
    RECT rect;
    GetWindowRect(openDialog, &rect);
    SetWindowPos(openDialog, nullptr, rect.left - OPEN_DIALOG_SHIFT, rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    HWND strip = Strip(extension);
    RECT outer;
    RECT client;
    GetWindowRect(strip, &outer);
    GetClientRect(strip, &client);
    SetWindowPos(strip, nullptr, 0, 0, outer.right - outer.left,
                 outer.bottom - outer.top - client.bottom + GridCellSize(STRIP_CELL_HEIGHT),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Windows 95 does not take the column width from the measured item.
    SendMessageA(strip, LB_SETCOLUMNWIDTH, GridCellSize(STRIP_CELL_WIDTH), 0);

    const ChangeIconRequest *call = ChangeIconRequestOf(ChangeIconOf(extension));
    SetGridCopyAllowed(strip, call == nullptr || call->Mode != PICK_COPY);
    SetWindowLongPtrA(strip, GWLP_USERDATA, LONG_PTR(SetWindowLongPtrA(strip, GWLP_WNDPROC, LONG_PTR(IconGridProc))));
    return TRUE;
}

static void OnSelectionChange(HWND extension)
{
    char path[MAX_PATH];
    ReadSelectedPath(extension, path, false);
    DWORD attributes = path[0] != '\0' ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetDlgItemTextA(extension, IDC_OF_COUNT, "");
        DestroyGridIcons(Strip(extension));
    } else {
        char count[16];
        wsprintfA(count, "%d", IconCount(path));
        SetDlgItemTextA(extension, IDC_OF_COUNT, count);
        FillIconGrid(Strip(extension), path);
    }
    EnableWindow(GetDlgItem(extension, IDC_OF_SELECT), FALSE);
}

// Hands the selected icon to the Change Icon dialog, which closes with OK once the
// open-file dialog has gone: the two messages are posted in that order.
static void AcceptIcon(HWND extension)
{
    int selection = StripSelection(extension);
    HWND changeIcon = ChangeIconOf(extension);
    ChangeIconRequest *call = ChangeIconRequestOf(changeIcon);
    if (selection == LB_ERR || call == nullptr) {
        MessageBeep(0);
        return;
    }
    char path[MAX_PATH];
    ReadSelectedPath(extension, path, true);
    char location[LOCATION_BUFFER];
    if (path[0] == '\0' || selection >= IconCount(path) || !FormLocation(location, path, selection)) {
        MessageBeep(0);
        return;
    }
    CopyText(call->Target, location, LOCATION_BUFFER);
    call->CurrentIndex = selection;
    HWND openDialog = GetParent(extension);
    PostMessageA(openDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(openDialog, IDCANCEL)));
    PostMessageA(changeIcon, UM_ACCEPTBROWSEDICON, 0, 0);
}

static void OnCopySelectedIcon(HWND extension)
{
    char path[MAX_PATH];
    ReadSelectedPath(extension, path, true);
    // No selection (-1) is above every count.
    UINT selection = UINT(StripSelection(extension));
    char location[LOCATION_BUFFER];
    if (path[0] != '\0' && selection < UINT(IconCount(path)) && FormLocation(location, path, int(selection)))
        CopyToClipboard(location);
    HWND changeIcon = ChangeIconOf(extension);
    const ChangeIconRequest *call = ChangeIconRequestOf(changeIcon);
    if (call != nullptr && call->Mode != PICK_COPY)
        OfferCopiedIcon(GetDlgItem(changeIcon, IDC_CI_STATUS));
}

static INT_PTR OnCommand(HWND extension, int id, int code)
{
    if (id == IDC_OF_SELECT && code == BN_CLICKED) {
        PostMessageA(extension, WM_COMMAND, MAKEWPARAM(IDC_OF_STRIP, LBN_DBLCLK), LPARAM(Strip(extension)));
        return TRUE;
    }
    if (id != IDC_OF_STRIP)
        return FALSE;
    if (code == LBN_SELCHANGE)
        EnableWindow(GetDlgItem(extension, IDC_OF_SELECT), StripSelection(extension) != LB_ERR);
    else if (code == LBN_DBLCLK)
        AcceptIcon(extension);
    return TRUE;
}

static INT_PTR OnDrawItem(const DRAWITEMSTRUCT *draw)
{
    DrawGridCell(draw, STRIP_ICON_LEFT, STRIP_ICON_TOP);
    return TRUE;
}

static void OnDestroy(HWND extension)
{
    HWND strip = Strip(extension);
    DestroyGridIcons(strip);
    SetGridCopyAllowed(strip, TRUE);
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(strip, GWLP_USERDATA));
    if (previous != nullptr) {
        SetWindowLongPtrA(strip, GWLP_WNDPROC, LONG_PTR(previous));
        SetWindowLongPtrA(strip, GWLP_USERDATA, 0);
    }
}

UINT_PTR CALLBACK OpenFileExtensionHook(HWND extension, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(extension, reinterpret_cast<const OPENFILENAMEA *>(lParam));
    case WM_NOTIFY: {
        UINT code = reinterpret_cast<const NMHDR *>(lParam)->code;
        if (code == UINT(CDN_SELCHANGE) || code == UINT(CDN_FOLDERCHANGE))
            OnSelectionChange(extension);
        return 0;
    }
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT *measure = reinterpret_cast<MEASUREITEMSTRUCT *>(lParam);
        measure->itemWidth = GridCellSize(STRIP_CELL_WIDTH);
        measure->itemHeight = GridCellSize(STRIP_CELL_HEIGHT);
        return TRUE;
    }
    case WM_DRAWITEM:
        return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
    case WM_CONTEXTMENU:
        return TRUE;
    case WM_COMMAND:
        return OnCommand(extension, LOWORD(wParam), HIWORD(wParam));
    case UM_COPYSELECTEDICON:
        OnCopySelectedIcon(extension);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(extension);
        return 0;
    default:
        return 0;
    }
}

void ExtendOpenFileDialog(OPENFILENAMEA *open, HWND changeIcon)
{
    // Handed over as a template, not by name: the dialog would look the name up in the
    // system's choice of language.
    open->Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ENABLETEMPLATEHANDLE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
    open->hInstance = reinterpret_cast<HINSTANCE>(FindDialogTemplate(IDD_OPENFILEEXT));
    open->lpTemplateName = nullptr;
    open->lpfnHook = OpenFileExtensionHook;
    open->lCustData = LPARAM(changeIcon);
}
