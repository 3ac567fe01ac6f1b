// A stand-in sheet for icon list tests: a plain top-level window that takes UM_SETCHANGED as
// the sheet does, with the fonts, icons and options the frame would have set up.
#ifndef TILEFOX_TESTS_LISTHOST_H
#define TILEFOX_TESTS_LISTHOST_H

#include <windows.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "common/sheetgdi.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/paths.h"

namespace listhost {

inline int &SetChangedCount()
{
    static int count = 0;
    return count;
}

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_SETCHANGED) {
        ++SetChangedCount();
        Sheet.ChangesPending = lParam != 0;
        return 0;
    }
    if (message == UM_QUERYCHANGED)
        return Sheet.ChangesPending;
    return DefWindowProcA(window, message, wParam, lParam);
}

inline const char *HostClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TfListTestHost";
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        registered = true;
    }
    return "TfListTestHost";
}

inline std::string SystemDir()
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\";
}

// A square icon of one colour; when column >= 0 only that column is opaque.
inline HICON SolidIcon(int size, COLORREF colour, int column = -1)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colourBits = CreateCompatibleBitmap(screen, size, size);
    HBITMAP maskBits = CreateBitmap(size, size, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(dc, colourBits);
    RECT all = {0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, maskBits);
    // Mask: white (1) is transparent, black (0) opaque.
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(column >= 0 ? WHITE_BRUSH : BLACK_BRUSH)));
    if (column >= 0) {
        RECT line = {column, 0, column + 1, size};
        FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SelectObject(dc, colourBits);
        RECT rest = {0, 0, size, size};
        FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        HBRUSH lineBrush = CreateSolidBrush(colour);
        FillRect(dc, &line, lineBrush);
        DeleteObject(lineBrush);
    }
    SelectObject(dc, old);
    ICONINFO info = {TRUE, 0, 0, maskBits, colourBits};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colourBits);
    DeleteObject(maskBits);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icon;
}

// What InitSheet would have set up, restored afterwards; a host window for the pages.
class ListHost {
public:
    ListHost()
    {
        savedSettings_ = Settings;
        savedSheet_ = Sheet;
        savedApp_ = App;
        savedLists_ = Lists;

        Settings.IconViewMode = 1;
        Settings.IconSizeL = 32;
        Settings.IconSizeS = 16;
        Settings.IconLeftMargin = 11;
        Sheet = SheetState();
        Gdi.ListFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
        Gdi.ListFontLarge = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
        ExtractIconExA("shell32.dll", 0, &Gdi.FallbackIconLarge, &Gdi.FallbackIconSmall, 1);
        Gdi.ChangedMarkIcon = static_cast<HICON>(
            LoadImageA(AppInstance(), MAKEINTRESOURCEA(IDI_CHANGED), IMAGE_ICON, 16, 16, 0));
        systemDir_ = SystemDir();
        Facts.SystemDirPath = const_cast<char *>(systemDir_.c_str());
        Facts.IntegratedShell = 0;
        Facts.PlusMode = 0;
        Lists = ListsState();
        SetChangedCount() = 0;

        host_ = CreateWindowExA(0, HostClass(), "host", WS_OVERLAPPEDWINDOW, 0, 0, 500, 500,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    ~ListHost()
    {
        if (IsWindow(host_))
            DestroyWindow(host_);
        DeleteObject(Gdi.ListFont);
        DeleteObject(Gdi.ListFontLarge);
        DestroyIcon(Gdi.FallbackIconLarge);
        DestroyIcon(Gdi.FallbackIconSmall);
        DestroyIcon(Gdi.ChangedMarkIcon);
        Settings = savedSettings_;
        Sheet = savedSheet_;
        App = savedApp_;
        Lists = savedLists_;
    }

    ListHost(const ListHost &) = delete;
    ListHost &operator=(const ListHost &) = delete;

    HWND Host() const { return host_; }

    // A page as the frame creates it: CurrentTab names the page being created.
    HWND CreatePage(int tab)
    {
        Sheet.CurrentTab = tab;
        HWND page = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONLIST), host_, IconListPage, tab);
        if (page != nullptr)
            ShowWindow(page, SW_SHOW);
        return page;
    }

private:
    HWND host_ = nullptr;
    std::string systemDir_;
    SettingsState savedSettings_;
    SheetState savedSheet_;
    AppState savedApp_;
    ListsState savedLists_;
};

inline HWND ListOf(HWND page)
{
    return GetDlgItem(page, IDC_ICONLIST);
}

// A row as a catalogue would add it.
inline int AddRow(HWND list, const char *name, const char *location, const char *saved, const char *standard,
                  const char *key, BYTE kind = KIND_ORDINARY)
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

inline int Rows(HWND list)
{
    return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

inline std::string Text(const char *text)
{
    return text != nullptr ? std::string(text) : std::string("<null>");
}

// Saves the values of a key that a test overwrites and puts them back.
class SavedValues {
public:
    SavedValues(HKEY root, const char *subkey) : root_(root), subkey_(subkey) {}
    ~SavedValues()
    {
        for (const Value &value : values_) {
            HKEY key;
            if (value.existed) {
                if (RegCreateKeyExA(root_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                    nullptr) == ERROR_SUCCESS) {
                    RegSetValueExA(key, value.name.c_str(), 0, value.type,
                                   reinterpret_cast<const BYTE *>(value.data.data()), DWORD(value.data.size()));
                    RegCloseKey(key);
                }
            } else if (RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, value.name.c_str());
                RegCloseKey(key);
            }
        }
    }
    SavedValues(const SavedValues &) = delete;
    SavedValues &operator=(const SavedValues &) = delete;

    void Keep(const char *name)
    {
        Value value;
        value.name = name;
        HKEY key;
        if (RegOpenKeyExA(root_, subkey_.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            char data[1024];
            DWORD size = sizeof data;
            value.existed = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE *>(data),
                                             &size) == ERROR_SUCCESS;
            if (value.existed)
                value.data.assign(data, size);
            RegCloseKey(key);
        }
        values_.push_back(value);
    }

private:
    struct Value {
        std::string name;
        bool existed = false;
        DWORD type = REG_SZ;
        std::string data;
    };
    HKEY root_;
    std::string subkey_;
    std::vector<Value> values_;
};

const char kShellIconsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons";

}  // namespace listhost

#endif
