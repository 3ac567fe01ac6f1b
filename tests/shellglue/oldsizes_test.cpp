// The structure sizes handed to the system are those Windows 95's own DLLs accept: the named
// sizes against the Windows 95 layouts, and the sizes the program really passes, caught at
// the system call.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <cstddef>
#include <vector>

#include "app/frame.h"
#include "app/instance.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/sheetgdi.h"
#include "common/tabs.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listcommands.h"
#include "shellglue/oldsizes.h"
#include "support/listhost.h"
#include "support/testing.h"

namespace {

// The Windows 95 layout of each structure ends where the later systems' additions begin.
struct NamedSize {
    const char *name;
    int named;
    int layout;
};

const NamedSize kSizes[] = {
    {"NONCLIENTMETRICSA", NONCLIENTMETRICS_SIZE_95,
     int(offsetof(NONCLIENTMETRICSA, lfMessageFont) + sizeof(LOGFONTA))},
    {"MENUITEMINFOA", MENUITEMINFOA_SIZE_95, int(offsetof(MENUITEMINFOA, hbmpItem))},
    {"PROPSHEETHEADERA", PROPSHEETHEADERA_SIZE_95, int(PROPSHEETHEADERA_V1_SIZE)},
    {"PROPSHEETPAGEA", PROPSHEETPAGEA_SIZE_95, int(PROPSHEETPAGEA_V1_SIZE)},
    {"PROPSHEETPAGEA_V1", PROPSHEETPAGEA_SIZE_95, int(sizeof(PROPSHEETPAGEA_V1))},
    {"OPENFILENAMEA", OPENFILENAMEA_SIZE_95, int(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR))},
    {"TOOLINFOA", TOOLINFOA_SIZE_95, int(offsetof(TTTOOLINFOA, lpszText) + sizeof(LPSTR))},
    {"WNDCLASSEXA", WNDCLASSEXA_SIZE_95, int(sizeof(WNDCLASSEXA))},
    {"OSVERSIONINFOA", OSVERSIONINFOA_SIZE_95, int(sizeof(OSVERSIONINFOA))},
};

TEST(OldSizes, NamedSizesAreTheWindows95Layouts)
{
    for (const NamedSize &size : kSizes)
        EXPECT_EQ(size.layout, size.named) << size.name;
}

// What the hooked calls saw: one entry per size passed.
std::vector<UINT> g_seen;

INT_PTR WINAPI RecordPropertySheet(LPCPROPSHEETHEADERA header)
{
    g_seen.push_back(header->dwSize);
    // COMCTL32 steps through the pages by each one's own size: so does this.
    const BYTE *page = reinterpret_cast<const BYTE *>(header->ppsp);
    for (UINT i = 0; i < header->nPages; ++i) {
        const PROPSHEETPAGEA *record = reinterpret_cast<const PROPSHEETPAGEA *>(page);
        g_seen.push_back(record->dwSize);
        EXPECT_NE(nullptr, record->pfnDlgProc) << "page " << i;
        page += record->dwSize != 0 ? record->dwSize : sizeof(PROPSHEETPAGEA);
    }
    return -1;
}

INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(OldSizes, PropertySheetGetsTheOldHeaderAndPageSizes)
{
    ImportHook hook("comctl32.dll", "PropertySheetA", reinterpret_cast<const void *>(RecordPropertySheet));
    ASSERT_TRUE(hook.Hooked());
    ContentPage pages[TAB_COUNT];
    for (ContentPage &page : pages)
        page = {IDD_SHEETPAGE, QuietPage};
    g_seen.clear();
    EXPECT_EQ(-1, RunPropertySheet(0, PSH_MODELESS, pages));
    std::vector<UINT> expected(1 + TAB_COUNT, PROPSHEETPAGEA_SIZE_95);
    expected[0] = PROPSHEETHEADERA_SIZE_95;
    EXPECT_EQ(expected, g_seen);
}

// The hooks call through these: by its name the function would reach the hook again.
decltype(&SystemParametersInfoA) g_systemParameters;
decltype(&GetMenuItemInfoA) g_menuItemInfo;
decltype(&GetClassInfoExA) g_classInfo;
decltype(&RegisterClassExA) g_registerClass;

BOOL WINAPI RecordSystemParameters(UINT action, UINT size, void *data, UINT flags)
{
    if (action == SPI_GETNONCLIENTMETRICS) {
        g_seen.push_back(size);
        g_seen.push_back(static_cast<NONCLIENTMETRICSA *>(data)->cbSize);
    }
    return g_systemParameters(action, size, data, flags);
}

TEST(OldSizes, MenuFontsAskForTheOldMetrics)
{
    ImportHook hook("user32.dll", "SystemParametersInfoA", reinterpret_cast<const void *>(RecordSystemParameters));
    ASSERT_TRUE(hook.Hooked());
    g_systemParameters = hook.Original<decltype(g_systemParameters)>();
    g_seen.clear();
    CreateMenuFontsFromSystem();
    EXPECT_EQ(std::vector<UINT>({NONCLIENTMETRICS_SIZE_95, NONCLIENTMETRICS_SIZE_95}), g_seen);
    EXPECT_NE(nullptr, Gdi.MenuFont);
    FreeSheetGdi();
}

BOOL WINAPI RecordMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info)
{
    g_seen.push_back(info->cbSize);
    return g_menuItemInfo(menu, item, byPosition, info);
}

BOOL WINAPI ClosePopupAtOnce(HMENU, UINT, int, int, int, HWND, const RECT *)
{
    return 0;
}

LRESULT CALLBACK ChangedSheet(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_QUERYCHANGED)
        return TRUE;
    return DefWindowProcA(window, message, wParam, lParam);
}

// On a changed row the Undo item is drawn by the program, which first reads its text.
TEST(OldSizes, ListMenuReadsItemsWithTheOldSize)
{
    ImportHook info("user32.dll", "GetMenuItemInfoA", reinterpret_cast<const void *>(RecordMenuItemInfo));
    ImportHook popup("user32.dll", "TrackPopupMenu", reinterpret_cast<const void *>(ClosePopupAtOnce));
    ASSERT_TRUE(info.Hooked());
    ASSERT_TRUE(popup.Hooked());
    g_menuItemInfo = info.Original<decltype(g_menuItemInfo)>();
    HWND sheet = CreateHelperWindow("TfOldSizesSheet", ChangedSheet);
    HWND page = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 200, 200, sheet, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOTIFY | LBS_OWNERDRAWFIXED, 0, 0, 100, 100, page,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(1, AddRow(list, "row", "c:\\new.ico,0", nullptr, nullptr, "901"));
    GetEntry(list, 0)->ChangeState = STATE_CHANGED;
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    ClearCopiedIcon();
    g_seen.clear();
    ShowListMenu(list, POINT{-1, -1}, FALSE);
    ASSERT_FALSE(g_seen.empty());
    for (UINT size : g_seen)
        EXPECT_EQ(UINT(MENUITEMINFOA_SIZE_95), size);
    FreeList(list);
    DestroyWindow(sheet);
}

BOOL WINAPI RecordClassInfo(HINSTANCE instance, LPCSTR name, LPWNDCLASSEXA windowClass)
{
    g_seen.push_back(windowClass->cbSize);
    return g_classInfo(instance, name, windowClass);
}

ATOM WINAPI RecordRegisterClass(const WNDCLASSEXA *windowClass)
{
    g_seen.push_back(windowClass->cbSize);
    return g_registerClass(windowClass);
}

TEST(OldSizes, InstanceWindowClassHasTheOldSize)
{
    ImportHook lookup("user32.dll", "GetClassInfoExA", reinterpret_cast<const void *>(RecordClassInfo));
    ImportHook registration("user32.dll", "RegisterClassExA", reinterpret_cast<const void *>(RecordRegisterClass));
    ASSERT_TRUE(lookup.Hooked());
    ASSERT_TRUE(registration.Hooked());
    g_classInfo = lookup.Original<decltype(g_classInfo)>();
    g_registerClass = registration.Original<decltype(g_registerClass)>();
    UnregisterClassA(INSTANCE_CLASS, AppInstance());
    g_seen.clear();
    HWND window = CreateInstanceWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(std::vector<UINT>({WNDCLASSEXA_SIZE_95, WNDCLASSEXA_SIZE_95}), g_seen);
    DestroyWindow(window);
    UnregisterClassA(INSTANCE_CLASS, AppInstance());
    // The instance window ends the program's loop when it goes; this test has none.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
