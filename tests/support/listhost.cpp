#include "support/listhost.h"

#include <gtest/gtest.h>

static int g_pending;
static int g_setChangedCount;
static BYTE *g_mirror;

void ListHost::MirrorPendingInto(BYTE *flag)
{
    g_mirror = flag;
}

int &ListHost::Pending()
{
    return g_pending;
}

int &ListHost::SetChangedCount()
{
    return g_setChangedCount;
}

static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_SETCHANGED:
        ++g_setChangedCount;
        g_pending = lParam != 0;
        if (g_mirror != nullptr)
            *g_mirror = BYTE(g_pending);
        return 0;
    case UM_QUERYCHANGED:
        return g_pending;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

static HFONT GothicFont(int height, int weight)
{
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
}

static HICON ProgramIcon(int id)
{
    return static_cast<HICON>(LoadImageA(AppInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
}

ListHost::ListHost() : savedSettings_(Settings), savedFacts_(Facts), savedGdi_(Gdi), savedLists_(Lists)
{
    Settings.IconViewMode = 1;
    Settings.IconSizeL = 32;
    Settings.IconSizeS = 16;
    Settings.IconLeftMargin = 11;
    Settings.DialogAnimation = 0;
    Settings.DialogRows = 4;
    systemDir_ = DupString(SystemDir().c_str());
    SetFacts(false, false, false, false, systemDir_);
    Gdi.ListFont = GothicFont(-12, FW_NORMAL);
    Gdi.ListFontLarge = GothicFont(-13, FW_NORMAL);
    Gdi.MenuFont = GothicFont(-12, FW_NORMAL);
    Gdi.MenuFontBold = GothicFont(-12, FW_BOLD);
    ExtractIconExA("shell32.dll", 0, &Gdi.FallbackIconLarge, &Gdi.FallbackIconSmall, 1);
    Gdi.ChangedMarkIcon = ProgramIcon(IDI_CHANGED);
    Gdi.UndoIcon = ProgramIcon(IDI_UNDO);
    Gdi.CopyIcon = ProgramIcon(IDI_COPY);
    Gdi.PasteIcon = ProgramIcon(IDI_PASTE);
    Lists = ListsState();
    g_pending = 0;
    g_setChangedCount = 0;
    if (g_mirror != nullptr)
        *g_mirror = 0;
    ClearCopiedIcon();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = "TilefoxTestListHost";
    RegisterClassA(&windowClass);
    host_ = CreateWindowExA(0, windowClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 500, 560, nullptr,
                            nullptr, windowClass.hInstance, nullptr);
}

ListHost::~ListHost()
{
    // The pages go with the host and free their rows.
    if (IsWindow(host_))
        DestroyWindow(host_);
    PumpMessages(20);
    ClearCopiedIcon();
    for (HFONT font : {Gdi.ListFont, Gdi.ListFontLarge, Gdi.MenuFont, Gdi.MenuFontBold})
        DeleteObject(font);
    for (HICON icon : {Gdi.FallbackIconLarge, Gdi.FallbackIconSmall, Gdi.ChangedMarkIcon, Gdi.UndoIcon, Gdi.CopyIcon,
                       Gdi.PasteIcon})
        DestroyIcon(icon);
    FreeAppText(&systemDir_);
    Settings = savedSettings_;
    Facts = savedFacts_;
    Gdi = savedGdi_;
    Lists = savedLists_;
    g_pending = 0;
    if (g_mirror != nullptr)
        *g_mirror = 0;
}

HWND ListHost::CreatePage(int tab)
{
    HWND page = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONLIST), host_, IconListPage, tab);
    if (page != nullptr)
        ShowWindow(page, SW_SHOWNA);
    return page;
}

HWND ListHost::CreateList(int tab)
{
    HWND page = CreatePage(tab);
    EXPECT_NE(nullptr, page) << "page of tab " << tab;
    return page != nullptr ? ListOf(page) : nullptr;
}

void ListHost::SetFacts(bool newShell, bool integrated, bool plus, bool cool, char *systemDir)
{
    Facts.NewShell = newShell;
    Facts.IntegratedShell = integrated;
    Facts.PlusMode = plus;
    Facts.CoolIconsAvailable = cool;
    Facts.SystemDirPath = systemDir;
}

int AddRow(HWND list, const char *name, const char *location, const char *saved, const char *standard,
           const char *key, BYTE kind)
{
    IconEntry entry = {};
    entry.DisplayName = const_cast<char *>(name);
    entry.CurrentLocation = const_cast<char *>(location);
    entry.SavedLocation = const_cast<char *>(saved);
    entry.DefaultLocation = const_cast<char *>(standard);
    entry.RegistryKey = const_cast<char *>(key);
    entry.Kind = kind;
    return AddEntry(list, &entry);
}

HICON SolidIcon(int size, COLORREF colour, int column)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colourBits = CreateCompatibleBitmap(screen, size, size);
    HBITMAP maskBits = CreateBitmap(size, size, 1, 1, nullptr);
    RECT all = {0, 0, size, size};
    RECT line = {column, 0, column + 1, size};
    HBRUSH brush = CreateSolidBrush(colour);
    // Mask: white (1) is transparent, black (0) opaque; the colour only where opaque.
    HGDIOBJ old = SelectObject(dc, maskBits);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(column >= 0 ? WHITE_BRUSH : BLACK_BRUSH)));
    SelectObject(dc, colourBits);
    FillRect(dc, &all, column >= 0 ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : brush);
    if (column >= 0) {
        FillRect(dc, &line, brush);
        SelectObject(dc, maskBits);
        FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    SelectObject(dc, old);
    DeleteObject(brush);
    ICONINFO info = {TRUE, 0, 0, maskBits, colourBits};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colourBits);
    DeleteObject(maskBits);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icon;
}
