#include "support/probes.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/texts.h"
#include "ids.h"
#include "shellglue/system.h"
#include "support/testing.h"

const char kMetricsKey[] = "Control Panel\\desktop\\windowmetrics";
const char kIconSize[] = "Shell Icon Size";

static IconSizeRecorder *g_recorder;

static LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WININICHANGE && g_recorder != nullptr)
        g_recorder->Seen.push_back(GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize));
    return DefWindowProcA(window, message, wParam, lParam);
}

IconSizeRecorder::IconSizeRecorder() : window_(CreateHelperWindow("TilefoxIconSizeRecorder", RecorderProc))
{
    g_recorder = this;
}

IconSizeRecorder::~IconSizeRecorder()
{
    g_recorder = nullptr;
    DestroyWindow(window_);
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string DlgItemText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void MakeShortcut(const std::string &link, const std::string &target)
{
    CoInitialize(nullptr);
    IShellLinkA *shellLink = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                              reinterpret_cast<void **>(&shellLink)));
    shellLink->SetPath(target.c_str());
    IPersistFile *file = nullptr;
    shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    EXPECT_HRESULT_SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
    shellLink->Release();
    CoUninitialize();
}

HWND StandInDesktop::Start()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string tool = TestBinDir() + "progman_standin.exe";
    if (!CreateProcessA(tool.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &tool_))
        return nullptr;
    for (int i = 0; i < 100 && list_ == nullptr; ++i) {
        PumpMessages(50);
        HWND found = FindWindowA("Progman", nullptr);
        DWORD process = 0;
        if (found != nullptr)
            GetWindowThreadProcessId(found, &process);
        if (process == tool_.dwProcessId) {
            desktop_ = found;
            list_ = GetWindow(GetWindow(desktop_, GW_CHILD), GW_CHILD);
        }
    }
    return list_;
}

void StandInDesktop::Stop()
{
    if (tool_.hProcess == nullptr)
        return;
    if (desktop_ != nullptr)
        PostMessageA(desktop_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(tool_.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(tool_.hProcess, 0);
    CloseHandle(tool_.hProcess);
    CloseHandle(tool_.hThread);
    tool_ = {};
    desktop_ = list_ = nullptr;
}

// Width and height a control leaves for its text; false for controls that draw no text of
// their own (icons, pictures, edits, lists).
static bool TextRoom(HWND control, SIZE *room, UINT *format)
{
    RECT client;
    GetClientRect(control, &client);
    room->cx = client.right;
    room->cy = client.bottom;
    char kind[32] = "";
    GetClassNameA(control, kind, sizeof kind);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    int edge = GetSystemMetrics(SM_CXEDGE);
    if (lstrcmpiA(kind, "Static") == 0) {
        LONG type = style & SS_TYPEMASK;
        *format = type == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
        return type <= SS_RIGHT || type == SS_LEFTNOWORDWRAP;
    }
    if (lstrcmpiA(kind, "Button") != 0)
        return false;
    *format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        room->cx -= 4 * edge;   // the raised edge and the focus rectangle inside it
        return true;
    case BS_GROUPBOX:
        *format = DT_SINGLELINE;
        room->cx -= 8 * edge;   // the text sits on the frame, in from both corners
        return true;
    default:   // check boxes and option buttons: the box, then a gap
        room->cx -= GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge;
        return true;
    }
}

bool IsPlainAscii(const std::string &text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

std::vector<std::string> CutTexts(HWND dialog, const SIZE *page)
{
    std::vector<std::string> cut;
    HDC dc = GetDC(dialog);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        std::string text = WindowText(control);
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
        if (page != nullptr && (place.right > page->cx || place.bottom > page->cy))
            cut.push_back(std::to_string(GetDlgCtrlID(control)) + " beyond the page: " + Utf8(text));
        SIZE room;
        UINT format = 0;
        if (text.empty() || !TextRoom(control, &room, &format))
            continue;
        RECT needed = {0, 0, room.cx, 0};
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_EXPANDTABS | format);
        if (needed.right > room.cx || needed.bottom > room.cy)
            cut.push_back(std::to_string(GetDlgCtrlID(control)) + ": " + Utf8(text));
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return cut;
}

std::string StartupShortcutPath()
{
    LPITEMIDLIST folder = nullptr;
    char path[MAX_PATH] = "";
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &folder)) || folder == nullptr)
        return "";
    BOOL found = SHGetPathFromIDListA(folder, path);
    CoTaskMemFree(folder);
    return found ? std::string(path) + "\\" + LoadText(IDS_LABELSHORTCUT) + ".lnk" : "";
}

// The 32-pixel image fits better than the 256-pixel PNG one, which is scaled if alone.
const LaterIconsRow kLaterIcons[3] = {
    {LINE_9X, {"classic", "", "classic"}}, {LINE_NT5, {"classic", "", "classic"}}, {LINE_NT6, {"classic", "png", "classic"}}};
const char *const kLaterIconFiles[3] = {"classic.ico", "png.ico", "mixed.ico"};

std::string IconLook(HICON icon, int size)
{
    if (icon == nullptr)
        return "";
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, CreateBitmap(size, size, 1, 32, nullptr));
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    COLORREF centre = GetPixel(dc, size / 2, size / 2);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    return centre == RGB(0, 255, 0) ? "classic" : centre == RGB(255, 0, 0) ? "png" : "other";
}
