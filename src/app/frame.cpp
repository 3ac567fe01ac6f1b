#include "app/frame.h"

#include <commctrl.h>
#include <ole2.h>
#include <prsht.h>
#include <shellapi.h>

#include "app/restoreapply.h"
#include "app/settings.h"
#include "app/sheetcommands.h"
#include "app/sheetwindow.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/pump.h"
#include "common/sheetgdi.h"
#include "common/texts.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/listcommands.h"
#include "lists/listpage.h"
#include "lists/themeimport.h"
#include "picker/changeicon.h"
#include "shellglue/iconlocation.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "shellsettings/behaviourpage.h"
#include "shellsettings/copynotice.h"
#include "shellsettings/iconsettings.h"

enum { FIRST_SHOW = 255, CURSOR_LIFT = 40, FILL_PUMP_COUNT = 24, COOL_ICONS_NEEDED = 40, TITLE_FIRST = IDS_TAB_DESKTOP };

const ContentPage ProgramContentPages[TAB_COUNT] = {
    {IDD_ICONLIST, IconListPage}, {IDD_ICONLIST, IconListPage}, {IDD_ICONLIST, IconListPage},
    {IDD_ICONLIST, IconListPage}, {IDD_ICONLIST, IconListPage},
    {IDD_ICONSETTINGS, IconSettingsPage}, {IDD_BEHAVIOUR, BehaviourPage},
};

static HWND ContentOf(int tab)
{
    return tab >= 0 && tab < TAB_COUNT ? Sheet.TabDialogs[tab] : nullptr;
}

// --- keyboard -----------------------------------------------------------------------------

// Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp change the tab from any control of
// the sheet. Where the sheet's own loop already takes these keys they never reach the dialog
// filter; where it passes them to the dialog manager, they would only move the focus.
static LRESULT CALLBACK SheetKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = reinterpret_cast<const MSG *>(lParam);
    HWND sheet = Sheet.Window;
    if (code == MSGF_DIALOGBOX && msg != nullptr && msg->message == WM_KEYDOWN && sheet != nullptr &&
        (msg->hwnd == sheet || IsChild(sheet, msg->hwnd)) && (GetKeyState(VK_CONTROL) & 0x8000)) {
        int step = 0;
        if (msg->wParam == VK_TAB)
            step = (GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1;
        else if (msg->wParam == VK_NEXT)
            step = 1;
        else if (msg->wParam == VK_PRIOR)
            step = -1;
        if (step != 0) {
            HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
            int tab = (int(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)) + step + TAB_COUNT) % TAB_COUNT;
            SendMessageA(sheet, PSM_SETCURSEL, WPARAM(tab), 0);
            return 1;
        }
    }
    return CallNextHookEx(Sheet.KeyFilter, code, wParam, lParam);
}

void StopSheetKeyFilter()
{
    if (Sheet.KeyFilter != nullptr)
        UnhookWindowsHookEx(Sheet.KeyFilter);
    Sheet.KeyFilter = nullptr;
    Sheet.Window = nullptr;
}

// --- sheet set-up ---------------------------------------------------------------------------

static void LoadSheetIcons()
{
    char path[MAX_PATH];
    CopyText(path, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", MAX_PATH);
    if (AppendText(path, "shell32.dll", MAX_PATH))
        ExtractIconExA(path, 0, &Gdi.FallbackIconLarge, &Gdi.FallbackIconSmall, 1);

    CopyText(path, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", MAX_PATH);
    if (AppendText(path, "cool.dll", MAX_PATH)) {
        UINT count = UINT(reinterpret_cast<UINT_PTR>(ExtractIconA(AppInstance(), path, UINT(-1))));
        Facts.CoolIconsAvailable = count >= COOL_ICONS_NEEDED;
    }
}

void InitSheet(HWND sheet)
{
    Sheet.ChangesPending = 0;
    FreeRegistryBackups();
    if (App.InstanceWindow != nullptr)
        SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sheet));

    // A task-bar button and a minimise box; no help button.
    LONG style = GetWindowLongA(sheet, GWL_STYLE);
    SetWindowLongA(sheet, GWL_STYLE, (style & ~DS_CONTEXTHELP) | WS_MINIMIZEBOX | WS_SYSMENU);
    LONG exStyle = GetWindowLongA(sheet, GWL_EXSTYLE);
    SetWindowLongA(sheet, GWL_EXSTYLE, (exStyle & ~WS_EX_CONTEXTHELP) | WS_EX_APPWINDOW);

    GetSystemMenu(sheet, TRUE);
    HMENU systemMenu = GetSystemMenu(sheet, FALSE);
    EnableMenuItem(systemMenu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
    DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);

    // COMCTL32 labels its buttons in the system's language; only another language shown
    // needs its own.
    if (ShownLanguage() != LanguageOfCodePage(GetACP())) {
        SetDlgItemTextA(sheet, IDOK, LoadText(IDS_SHEET_OK));
        SetDlgItemTextA(sheet, IDCANCEL, LoadText(IDS_SHEET_CANCEL));
        SetDlgItemTextA(sheet, IDC_SHEET_APPLY, LoadText(IDS_SHEET_APPLY));
    }

    ReadSheetSettings(sheet);
    // Saving and resetting come first with their separator; taking back stays last.
    SetUpSheetCommands(sheet);
    AddTakeBackMenuItem(systemMenu);

    LoadSheetIcons();
    if (Facts.PlusMode) {
        if (Facts.CoolIconsAvailable) {
            char caption[sizeof App.Caption + 8];
            CopyText(caption, App.Caption, sizeof caption);
            AppendText(caption, " Plus!", sizeof caption);
            SetWindowTextA(sheet, caption);
        } else {
            Facts.PlusMode = 0;
        }
    }
    Gdi.ChangedMarkIcon = LoadSmallProgramIcon(IDI_CHANGED);
    Gdi.CopyIcon = LoadSmallProgramIcon(IDI_COPY);
    Gdi.PasteIcon = LoadSmallProgramIcon(IDI_PASTE);
    Gdi.UndoIcon = LoadSmallProgramIcon(IDI_UNDO);

    CreateSheetFonts(sheet);

    Sheet.Window = sheet;
    Sheet.KeyFilter = SetWindowsHookExA(WH_MSGFILTER, SheetKeyFilter, nullptr, GetCurrentThreadId());

    Sheet.PreviousSheetProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetWindowProc)));
}

// --- page procedure ---------------------------------------------------------------------------

// Creates a tab's content dialog once, with the frame page's styles and in its place.
static HWND CreateContent(HWND sheet, int tab)
{
    if (Sheet.TabDialogs[tab] != nullptr)
        return Sheet.TabDialogs[tab];
    const ContentPage *pages = Sheet.ContentPages != nullptr ? Sheet.ContentPages : ProgramContentPages;
    // Each content dialog learns its tab from its creation parameter.
    HWND content = MakeDialog(pages[tab].Template, sheet, pages[tab].Procedure, tab);
    Sheet.TabDialogs[tab] = content;
    if (content == nullptr)
        return nullptr;
    LONG style = GetWindowLongA(content, GWL_STYLE);
    SetWindowLongA(content, GWL_STYLE, (style | Sheet.PageStyle) & ~WS_DISABLED);
    LONG exStyle = GetWindowLongA(content, GWL_EXSTYLE);
    SetWindowLongA(content, GWL_EXSTYLE, exStyle | Sheet.PageExStyle);
    // The Drive tab's list page keeps the drive panel at its bottom once it is there.
    if (tab == TAB_DRIVE && pages[tab].Procedure == IconListPage)
        CreateDrivePanel(content);
    if (Sheet.ContentPlaced) {
        // Made after the sheet placed its pages: out of sight until its tab is shown.
        const RECT &place = Sheet.ContentPlace;
        SetWindowPos(content, HWND_BOTTOM, place.left, place.top, place.right, place.bottom,
                     SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
    return content;
}

static INT_PTR OnInitDialog(HWND page)
{
    if (Sheet.ContentCreated)
        return TRUE;
    Sheet.ContentCreated = 1;
    // Loads OLE once while the sheet is built, so that the first drop or shortcut read later
    // does not pause the program.
    OleInitialize(nullptr);
    OleUninitialize();
    HWND sheet = GetParent(page);
    InitSheet(sheet);

    Sheet.PageStyle = GetWindowLongA(page, GWL_STYLE);
    Sheet.PageExStyle = GetWindowLongA(page, GWL_EXSTYLE);
    // Only the first tab's content is built before the sheet appears; the others follow
    // while the lists fill, or when their tab is chosen first.
    if (Sheet.CurrentTab >= 0 && Sheet.CurrentTab < TAB_COUNT)
        CreateContent(sheet, Sheet.CurrentTab);

    SendMessageA(sheet, UM_SETCHANGED, 0, 0);
    return TRUE;
}

// The sheet moves and sizes the page once it is created; the content dialogs follow, once.
static INT_PTR FollowPageOnce(BYTE *done, int x, int y, int width, int height, UINT keep)
{
    if (!Sheet.ContentCreated || *done)
        return TRUE;
    *done = 1;
    if (!(keep & SWP_NOMOVE)) {
        Sheet.ContentPlace.left = x;
        Sheet.ContentPlace.top = y;
    }
    if (!(keep & SWP_NOSIZE)) {
        Sheet.ContentPlace.right = width;
        Sheet.ContentPlace.bottom = height;
    }
    Sheet.ContentPlaced = Sheet.FirstMoveDone && Sheet.FirstSizeDone;
    for (HWND content : Sheet.TabDialogs) {
        if (content != nullptr)
            SetWindowPos(content, nullptr, x, y, width, height, keep | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

static INT_PTR OnMove(LPARAM lParam)
{
    return FollowPageOnce(&Sheet.FirstMoveDone, short(LOWORD(lParam)), short(HIWORD(lParam)), 0, 0, SWP_NOSIZE);
}

static INT_PTR OnSize(LPARAM lParam)
{
    return FollowPageOnce(&Sheet.FirstSizeDone, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_NOMOVE);
}

static void OnSetActive(HWND page)
{
    HWND sheet = GetParent(page);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    Sheet.CurrentTab = int(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    // Later switches are drawn once, by UM_SHOWCURRENTTAB, not page by page.
    if (Sheet.FirstActivationDone)
        SendMessageA(sheet, WM_SETREDRAW, FALSE, 0);
    EnableWindow(page, FALSE);
    PostMessageA(page, UM_SHOWCURRENTTAB, 0, 0);
    if (Sheet.FirstActivationDone)
        return;
    Sheet.FirstActivationDone = 1;
    // Only the tab shown first is filled before the sheet appears.
    if (Sheet.CurrentTab < LIST_TAB_COUNT && ContentOf(Sheet.CurrentTab) != nullptr)
        SendMessageA(ContentOf(Sheet.CurrentTab), UM_FILLLIST, 0, 0);
    PostMessageA(page, UM_FILLOTHERLISTS, 0, Sheet.CurrentTab);
    if (!SheetRunsHidden())
        ShowWindow(sheet, SW_SHOWDEFAULT);
}

static INT_PTR OnNotify(HWND page, const NMHDR *header)
{
    if (header->code == UINT(PSN_SETACTIVE))
        OnSetActive(page);
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
    return FALSE;
}

static void TakeChangeIconChoice(HWND sheet, const char *location)
{
    POINT cursor;
    GetCursorPos(&cursor);
    if (cursor.y != 0)
        cursor.y -= ScaledPixels(CURSOR_LIFT);
    char choice[LOCATION_BUFFER];
    CopyText(choice, location, LOCATION_BUFFER);
    UpdateWindow(sheet);
    OpenChangeIconDialog(sheet, choice, nullptr, &cursor, PICK_COPY);
    // No choice: the start-up file is no icon to paste.
    if (choice[0] != '\0')
        CopyToClipboard(choice);
    else
        ClearCopiedIcon();
}

// A file named on the command line becomes the icon to paste: picked in the Change Icon
// dialog when it holds several, taken as it is when it holds one.
static void HandleStartupFile(HWND page)
{
    if (IsThemeFile(CopiedIcon()))
        return;
    char location[LOCATION_BUFFER];
    CopyText(location, CopiedIcon(), LOCATION_BUFFER);
    BYTE several = 0;
    if (!ResolveIconLocation(location, LOCATION_BUFFER, &several) || !CopyToClipboard(location)) {
        ClearCopiedIcon();
        return;
    }
    if (several) {
        TakeChangeIconChoice(GetParent(page), location);
        return;
    }
    ApplyShellIconOverride(location);
    CopyToClipboard(location);
    OpenCopyNotice(GetParent(page), page);
}

// A focus left in the content of the tab just hidden would take keys nobody sees.
static void KeepFocusOnShownTab(HWND sheet, HWND content)
{
    HWND focus = GetFocus();
    if (content == nullptr || focus == nullptr || IsChild(content, focus))
        return;
    for (HWND other : Sheet.TabDialogs) {
        if (other != nullptr && other != content && (focus == other || IsChild(other, focus))) {
            HWND first = GetNextDlgTabItem(content, nullptr, FALSE);
            SetFocus(first != nullptr ? first : sheet);
            return;
        }
    }
}

static INT_PTR OnShowCurrentTab(HWND page)
{
    HWND sheet = GetParent(page);
    HWND content = ContentOf(Sheet.CurrentTab);
    if (content == nullptr && Sheet.CurrentTab >= 0 && Sheet.CurrentTab < TAB_COUNT)
        content = CreateContent(sheet, Sheet.CurrentTab);
    if (content != nullptr)
        SetWindowPos(content, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(page, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(page, SW_HIDE);
    if (content != nullptr)
        ShowWindow(content, SW_SHOW);
    for (HWND other : Sheet.TabDialogs) {
        if (other != nullptr && other != content)
            ShowWindow(other, SW_HIDE);
    }
    SendMessageA(sheet, WM_SETREDRAW, TRUE, 0);
    // The tab control changed its selection (and may have swapped its rows) while the sheet
    // did not draw: nothing else would repaint the strip.
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (tabs != nullptr && Sheet.PreviousTab != FIRST_SHOW)
        RedrawWindow(tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    KeepFocusOnShownTab(sheet, content);

    int current = Sheet.CurrentTab;
    int previous = Sheet.PreviousTab;
    if (content != nullptr) {
        // The settings tabs and the first show paint everything; the icon tabs share one
        // layout and only repaint their rows.
        InvalidateRect(content, nullptr, current >= TAB_SETTINGS1 || previous >= TAB_SETTINGS1);
        if (current == TAB_DRIVE || previous == TAB_DRIVE) {
            RECT client;
            GetClientRect(content, &client);
            client.top = 4 * client.bottom / 5;
            InvalidateRect(content, &client, TRUE);
        }
        UpdateWindow(content);
    } else {
        // An empty tab: the sheet itself must wipe what the last content left.
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    if (previous == FIRST_SHOW && CopiedIcon() != nullptr)
        HandleStartupFile(page);
    Sheet.PreviousTab = BYTE(current);
    return TRUE;
}

static void ServeQueue()
{
    for (int i = 0; i < FILL_PUMP_COUNT; ++i)
        PumpOneMessage();
}

static INT_PTR OnFillOtherLists(HWND page, LPARAM firstTab)
{
    HWND sheet = GetParent(page);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    // Building a tab's content and filling its list each take a while: the queue is served
    // before each.
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        if (tab == 1)
            SetCursor(previous);
        UpdateWindow(sheet);
        ServeQueue();
        HWND content = IsWindow(sheet) ? CreateContent(sheet, tab) : nullptr;
        if (tab == firstTab || content == nullptr)
            continue;
        ServeQueue();
        if (IsWindow(content))
            SendMessageA(content, UM_FILLLIST, 0, 0);
    }
    for (int tab = LIST_TAB_COUNT; tab < TAB_COUNT; ++tab) {
        ServeQueue();
        if (IsWindow(sheet))
            CreateContent(sheet, tab);
    }
    // The settings page reads the shell's settings now that the lists are there.
    HWND settings = ContentOf(TAB_SETTINGS1);
    if (settings != nullptr && IsWindow(settings))
        SendMessageA(settings, UM_READSETTINGS, 0, 0);
    Sheet.ListsFilled = 1;
    if (IsWindow(sheet))
        PostMessageA(sheet, UM_LISTSFILLED, 0, 0);
    if (CopiedIcon() != nullptr)
        PostMessageA(page, UM_IMPORTSTARTUPTHEME, 0, 0);
    // A theme handed over by another copy meanwhile has waited for the lists.
    if (App.InstanceWindow != nullptr)
        PostMessageA(App.InstanceWindow, UM_IMPORTHANDEDTHEME, 0, 0);
    return TRUE;
}

static INT_PTR OnImportStartupTheme(HWND page)
{
    if (CopiedIcon() == nullptr || !IsThemeFile(CopiedIcon()))
        return TRUE;
    // A path cut to the buffer would name another file.
    char path[LOCATION_BUFFER];
    bool fits = lstrlenA(CopiedIcon()) < LOCATION_BUFFER;
    CopyText(path, CopiedIcon(), LOCATION_BUFFER);
    ClearCopiedIcon();
    if (fits)
        ImportThemeAndReport(GetParent(page), path);
    return TRUE;
}

INT_PTR CALLBACK SheetPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_MOVE:
        return OnMove(lParam);
    case WM_SIZE:
        return OnSize(lParam);
    case WM_NOTIFY:
        return OnNotify(page, reinterpret_cast<const NMHDR *>(lParam));
    case UM_SHOWCURRENTTAB:
        return OnShowCurrentTab(page);
    case UM_FILLOTHERLISTS:
        return OnFillOtherLists(page, lParam);
    case UM_IMPORTSTARTUPTHEME:
        return OnImportStartupTheme(page);
    default:
        return FALSE;
    }
}

INT_PTR RunPropertySheet(int startTab, DWORD extraFlags, const ContentPage *pages)
{
    ResetSheetState(pages);
    // COMCTL32 steps through the array by each page's dwSize: the records must have the
    // Windows 95 size, not merely claim it.
    static_assert(sizeof(PROPSHEETPAGEA_V1) == PROPSHEETPAGEA_SIZE_95, "page record size");
    PROPSHEETPAGEA_V1 sheetPages[TAB_COUNT];
    ZeroMemory(sheetPages, sizeof sheetPages);
    // Template and titles in the language shown, not in the one COMCTL32 would look up.
    LPCDLGTEMPLATEA pageTemplate = static_cast<LPCDLGTEMPLATEA>(LockResource(FindDialogTemplate(IDD_SHEETPAGE)));
    static char titles[TAB_COUNT][TEXT_BUFFER];
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        CopyText(titles[tab], LoadText(TITLE_FIRST + tab), TEXT_BUFFER);
        sheetPages[tab].dwSize = PROPSHEETPAGEA_SIZE_95;
        sheetPages[tab].dwFlags = PSP_USETITLE | PSP_DLGINDIRECT;
        sheetPages[tab].hInstance = AppInstance();
        sheetPages[tab].pResource = pageTemplate;
        sheetPages[tab].pszTitle = titles[tab];
        sheetPages[tab].pfnDlgProc = SheetPageProc;
    }
    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = PROPSHEETHEADERA_SIZE_95;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | extraFlags;
    header.hInstance = AppInstance();
    header.pszIcon = MAKEINTRESOURCEA(IDI_SHEET);
    header.pszCaption = App.Caption;
    header.nPages = TAB_COUNT;
    header.nStartPage = UINT(startTab);
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(sheetPages);
    Sheet.CurrentTab = startTab;
    return PropertySheetA(&header);
}
