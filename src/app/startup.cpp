#include "app/startup.h"

#include "app/appstate.h"
#include "app/frame.h"
#include "app/instance.h"
#include "app/settings.h"
#include "app/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellsettings/redraw.h"

enum {
    SWITCH_LENGTH = 9,              // "/ChgIcon " with its blank
    CHGICON_SKIP = 8,               // the blank after "/ChgIcon" stays and is trimmed
    FOLDER_ANCHOR_LIFT = 80,
    REBUILD_SETTLE_MS = 200,
    CLEAR_SETTLE_MS = 100,
};

static const DWORD kNewShellHigh = 0x00040047;  // 4.71
static const DWORD kNewShellLow = 1712;

static void FreeText(char **text)
{
    if (*text != nullptr) {
        GlobalFree(*text);
        *text = nullptr;
    }
}

static bool SearchFile(const char *name, char *found)
{
    char *filePart = nullptr;
    DWORD length = SearchPathA(nullptr, name, nullptr, MAX_PATH, found, &filePart);
    return length != 0 && length < MAX_PATH;
}

// Explorer passes unquoted paths: "C:\My Icons\a.ico" is found whole, and a path followed by
// further words is found once cut at its first blank.
static bool FindStartupFile(char *path, char *found)
{
    if (SearchFile(path, found))
        return true;
    for (char *p = path; *p != '\0'; ++p) {
        if (*p == ' ') {
            *p = '\0';
            return SearchFile(path, found);
        }
    }
    return false;
}

int ReadCommandTail(const char *tail)
{
    if (tail[0] == '\0')
        return START_SHEET;
    char switchText[SWITCH_LENGTH + 1];
    CopyText(switchText, tail, sizeof switchText);
    if (lstrcmpiA(switchText, "/REBUILD") == 0)
        return START_REBUILD;
    if (lstrcmpiA(switchText, "/CLR") == 0)
        return START_CLEARLABELS;
    if (lstrcmpiA(switchText, "/PLUS") == 0) {
        App.PlusMode = 1;
        return START_SHEET;
    }

    char *block = static_cast<char *>(GlobalAlloc(GMEM_FIXED, LOCATION_BUFFER));
    if (block == nullptr)
        return START_SHEET;
    const char *rest = tail;
    if (lstrcmpiA(switchText, "/ChgIcon ") == 0) {
        App.IconPickMode = 2;
        rest = tail + CHGICON_SKIP;
    }
    char path[MAX_PATH];
    CopyText(path, rest, MAX_PATH);
    CleanPath(path);
    if (!FindStartupFile(path, block)) {
        GlobalFree(block);
        return START_SHEET;
    }
    char longPath[MAX_PATH];
    if (ExpandToLongPath(block, longPath))
        CopyText(block, longPath, LOCATION_BUFFER);
    App.CopiedIcon = block;
    return START_SHEET;
}

BOOL IsNewShellVersion(DWORD high, DWORD low)
{
    return high > kNewShellHigh || (high == kNewShellHigh && low >= kNewShellLow);
}

void DetectShell()
{
    char saved[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, saved);
    if (length == 0 || length >= MAX_PATH)
        saved[0] = '\0';
    SetCurrentDirectoryA(App.SystemDirPath);
    DWORD high = 0;
    DWORD low = 0;
    ReadFileVersion("MSHTML.DLL", &high, &low);
    App.NewShell = BYTE(IsNewShellVersion(high, low));
    App.IntegratedShell =
        App.NewShell &&
        ReadRegDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "IntegratedBrowser", 0) != 0;
    if (saved[0] != '\0')
        SetCurrentDirectoryA(saved);
}

void FormSettingsPath(char *path)
{
    DWORD length = GetModuleFileNameA(AppInstance(), path, MAX_PATH);
    if (length >= MAX_PATH)
        length = MAX_PATH - 1;
    path[length] = '\0';
    char *extension = FindExtension(path);
    CopyText(extension, ".INI", MAX_PATH - int(extension - path));
}

static bool SetSystemDirPath()
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    App.SystemDirPath = static_cast<char *>(GlobalAlloc(GMEM_FIXED, length + 2));
    if (App.SystemDirPath == nullptr)
        return false;
    CopyText(App.SystemDirPath, directory, length + 1);
    AddBackslash(App.SystemDirPath);
    return true;
}

// Started from Explorer's folder verb: the folder's icon is changed without any sheet.
// Returns true when this run was such a start and has ended.
static bool RunFolderIconMode()
{
    if (App.CopiedIcon == nullptr || App.IconPickMode != 2)
        return false;
    POINT anchor;
    GetCursorPos(&anchor);
    if (anchor.y != 0)
        anchor.y -= FOLDER_ANCHOR_LIFT;
    bool noAnchor = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;

    DWORD attributes = GetFileAttributesA(App.CopiedIcon);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    char location[MAX_PATH];
    ReadDefaultBrowseSetting(location);
    if (location[0] != '\0')
        App.DefaultBrowseLocation = DupString(location);
    // The folder-icon change itself is not part of the program yet: this start ends here.
    (void)anchor;
    (void)noAnchor;
    FreeText(&App.CopiedIcon);
    FreeText(&App.DefaultBrowseLocation);
    FreeText(&App.SystemDirPath);
    return true;
}

static int ShutDown()
{
    PostMessageA(App.InstanceWindow, WM_CLOSE, 0, 0);
    int code = 0;
    if (IsWindow(App.InstanceWindow)) {
        MSG msg;
        BOOL result;
        while ((result = GetMessageA(&msg, nullptr, 0, 0)) != 0 && result != -1) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (result == 0)
            code = int(msg.wParam);
    }
    App.InstanceWindow = nullptr;
    return code;
}

int RunTilefox(HINSTANCE instance, const char *tail)
{
    App.Instance = instance;
    App.IconPickMode = 0;
    App.InstanceWindow = nullptr;
    App.CopiedIcon = nullptr;
    App.SystemDirPath = nullptr;
    App.DefaultBrowseLocation = nullptr;
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    FormSettingsPath(App.SettingsPath);
    ResetSettings();
    ReadStartSettings();
    App.PlusMode = 0;

    switch (ReadCommandTail(tail)) {
    case START_REBUILD:
        RedrawShellIcons();
        Sleep(REBUILD_SETTLE_MS);
        return 0;
    case START_CLEARLABELS:
        // Label transparency is not part of the program yet; the switch does nothing else.
        Sleep(CLEAR_SETTLE_MS);
        return 0;
    }

    if (!SetSystemDirPath()) {
        FreeText(&App.CopiedIcon);
        MessageBeep(0);
        return 0;
    }
    if (RunFolderIconMode())
        return 0;
    App.IconPickMode = 0;

    DetectShell();

    // Only one sheet at a time: a second start brings the first to the front and ends.
    HWND running = FindWindowA(INSTANCE_CLASS, App.Caption);
    if (running != nullptr) {
        PostMessageA(running, UM_ACTIVATEINSTANCE, 0, 0);
        FreeText(&App.CopiedIcon);
        FreeText(&App.SystemDirPath);
        return 0;
    }
    App.InstanceWindow = CreateInstanceWindow();
    if (App.InstanceWindow == nullptr) {
        FreeText(&App.CopiedIcon);
        FreeText(&App.SystemDirPath);
        return 0;
    }

    RunPropertySheet(ReadStartupTab(), 0, nullptr);
    return ShutDown();
}
