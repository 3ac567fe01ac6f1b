#include "app/startup.h"

#include <shlobj.h>

#include "app/rightsrun.h"

#include "common/appstate.h"
#include "app/frame.h"
#include "app/instance.h"
#include "app/restoreapply.h"
#include "app/settings.h"
#include "app/sheetswitch.h"
#include "common/desktoplabels.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "folders/foldericon.h"
#include "ids.h"
#include "lists/themeimport.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "shellsettings/redraw.h"

enum {
    SWITCH_LENGTH = 9,              // "/ChgIcon " with its blank
    CHGICON_SKIP = 8,               // the blank after "/ChgIcon" stays and is trimmed
    FOLDER_ANCHOR_LIFT = 80,
    REBUILD_SETTLE_MS = 200,
    CLEAR_SETTLE_MS = 100,
    HANDOVER_WAIT_MS = 10000,
};

static const DWORD kNewShellHigh = 0x00040047;  // 4.71
static const DWORD kNewShellLow = 1712;

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
    if (lstrcmpiA(switchText, "/UNDO") == 0)
        return START_UNDO;
    if (lstrcmpiA(switchText, "/PLUS") == 0) {
        Facts.PlusMode = 1;
        return START_SHEET;
    }

    char *block = static_cast<char *>(GlobalAlloc(GMEM_FIXED, LOCATION_BUFFER));
    if (block == nullptr)
        return START_SHEET;
    const char *rest = tail;
    bool folderVerb = lstrcmpiA(switchText, "/ChgIcon ") == 0;
    if (folderVerb)
        rest = tail + CHGICON_SKIP;
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
    AdoptCopiedIcon(block);
    return folderVerb ? START_CHANGEFOLDER : START_SHEET;
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
    SetCurrentDirectoryA(Facts.SystemDirPath);
    DWORD high = 0;
    DWORD low = 0;
    ReadFileVersion("MSHTML.DLL", &high, &low);
    Facts.NewShell = BYTE(IsNewShellVersion(high, low));
    Facts.IntegratedShell =
        Facts.NewShell &&
        (SystemHas(TRAIT_INTEGRATED_SHELL) ||
         ReadRegDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "IntegratedBrowser", 0) != 0);
    if (saved[0] != '\0')
        SetCurrentDirectoryA(saved);
}

// Whether a file can be made in the folder (with its backslash); the probe goes again at once.
static bool FolderTakesFiles(const char *folder)
{
    char probe[MAX_PATH];
    if (GetTempFileNameA(folder, "TF", 0, probe) == 0)
        return false;
    DeleteFileA(probe);
    return true;
}

// "Tilefox" in the user's application data, made when missing; false where there is none.
static bool UserFilesFolder(char *folder)
{
    if (!SpecialFolderPath(CSIDL_APPDATA, folder) || lstrlenA(folder) + 10 >= MAX_PATH)
        return false;
    AddBackslash(folder);
    AppendText(folder, "Tilefox\\", MAX_PATH);
    CreateDirectoryA(folder, nullptr);
    return FolderTakesFiles(folder);
}

void FormSettingsPath(char *path)
{
    DWORD length = GetModuleFileNameA(AppInstance(), path, MAX_PATH);
    if (length >= MAX_PATH)
        length = MAX_PATH - 1;
    path[length] = '\0';
    char *extension = FindExtension(path);
    CopyText(extension, ".INI", MAX_PATH - int(extension - path));

    // Where the program's folder is closed to the user (Program Files on later systems), the
    // settings and restore points are his own, under his application data.
    char folder[MAX_PATH];
    CopyText(folder, path, MAX_PATH);
    const char *name = path + lstrlenA(CutToDirectory(folder));
    if (!SystemHas(TRAIT_USER_FILES) || FolderTakesFiles(folder) || !UserFilesFolder(folder))
        return;
    if (AppendText(folder, name, MAX_PATH))
        CopyText(path, folder, MAX_PATH);
}

static bool SetSystemDirPath()
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    Facts.SystemDirPath = static_cast<char *>(GlobalAlloc(GMEM_FIXED, length + 2));
    if (Facts.SystemDirPath == nullptr)
        return false;
    CopyText(Facts.SystemDirPath, directory, length + 1);
    AddBackslash(Facts.SystemDirPath);
    return true;
}

// Started from Explorer's folder verb: the folder's icon is changed without any sheet.
// Returns true when this run was such a start and has ended.
static bool RunFolderIconMode()
{
    if (CopiedIcon() == nullptr)
        return false;
    POINT anchor;
    GetCursorPos(&anchor);
    if (anchor.y != 0)
        anchor.y -= FOLDER_ANCHOR_LIFT;
    bool noAnchor = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;

    DWORD attributes = GetFileAttributesA(CopiedIcon());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    char location[MAX_PATH];
    ReadDefaultBrowseSetting(location);
    if (location[0] != '\0')
        App.DefaultBrowseLocation = DupString(location);
    ChangeFolderIcon(noAnchor ? nullptr : &anchor);
    ClearCopiedIcon();
    FreeText(&App.DefaultBrowseLocation);
    FreeText(&Facts.SystemDirPath);
    return true;
}

// A theme file opened while the sheet runs is imported there, as if named at its start. The
// running copy reads the path from a window of this process before it answers.
static void HandThemeToRunningCopy(HWND running)
{
    if (!IsThemeFile(CopiedIcon()))
        return;
    HWND carrier = CreateWindowExA(0, "STATIC", CopiedIcon(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   AppInstance(), nullptr);
    if (carrier == nullptr)
        return;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(running, UM_TAKECOPIEDICON, WPARAM(TAKE_THEMEFILE), reinterpret_cast<LPARAM>(carrier),
                        SMTO_ABORTIFHUNG, HANDOVER_WAIT_MS, &answer);
    DestroyWindow(carrier);
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

const char *SkipProgramName(const char *commandLine)
{
    if (commandLine == nullptr)
        return "";
    const char *p = commandLine;
    while (*p == ' ' || *p == '\t')
        ++p;
    // Quotes and blanks are single bytes in code page 932, never the trail byte of a character.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

int RunTilefox(HINSTANCE instance, const char *tail)
{
    App.Instance = instance;
    App.InstanceWindow = nullptr;
    LearnSystem();
    ClearCopiedIcon();
    Facts.SystemDirPath = nullptr;
    App.DefaultBrowseLocation = nullptr;
    FormSettingsPath(App.SettingsPath);
    ResetSettings();
    ReadStartSettings();
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    Facts.PlusMode = 0;

    // The administrator copy that a sheet started: it writes its job and nothing else.
    static const char kRightsSwitch[] = "/RIGHTS ";
    char head[sizeof kRightsSwitch];
    CopyText(head, tail, sizeof head);
    if (lstrcmpiA(head, kRightsSwitch) == 0) {
        char job[MAX_PATH];
        CopyText(job, tail + lstrlenA(kRightsSwitch), MAX_PATH);
        CleanPath(job);
        return RunRightsJob(job);
    }

    char themePath[MAX_PATH];
    int sheetSwitch = ReadSheetSwitch(tail, themePath);
    int action = sheetSwitch != SWITCH_NONE ? START_SHEET : ReadCommandTail(tail);
    switch (action) {
    case START_REBUILD:
        RedrawShellIcons();
        Sleep(REBUILD_SETTLE_MS);
        return 0;
    case START_CLEARLABELS:
        DesktopLabelTransparency(LABELS_SET);
        Sleep(CLEAR_SETTLE_MS);
        return 0;
    }

    if (!SetSystemDirPath()) {
        ClearCopiedIcon();
        MessageBeep(0);
        return 0;
    }
    if (action == START_CHANGEFOLDER && RunFolderIconMode())
        return 0;

    DetectShell();

    // Scripted runs: the sheet's work without the sheet, beside a running copy if need be,
    // whose sheet then shows what Windows has now.
    if (sheetSwitch != SWITCH_NONE || action == START_UNDO) {
        int code = action == START_UNDO ? TakeBackFromCommandLine() : RunSheetSwitch(sheetSwitch, themePath);
        HWND running = FindWindowA(INSTANCE_CLASS, App.Caption);
        if (running != nullptr && sheetSwitch != SWITCH_SAVETHEME)
            PostMessageA(running, UM_REGISTRYCHANGED, 0, 0);
        FreeText(&Facts.SystemDirPath);
        return code;
    }

    // Only one sheet at a time: a second start brings the first to the front, hands it a theme
    // file and ends. The activation is posted first, so the sheet is restored before it imports.
    HWND running = FindWindowA(INSTANCE_CLASS, App.Caption);
    if (running != nullptr) {
        PostMessageA(running, UM_ACTIVATEINSTANCE, 0, 0);
        HandThemeToRunningCopy(running);
        ClearCopiedIcon();
        FreeText(&Facts.SystemDirPath);
        return 0;
    }
    App.InstanceWindow = CreateInstanceWindow();
    if (App.InstanceWindow == nullptr) {
        ClearCopiedIcon();
        FreeText(&Facts.SystemDirPath);
        return 0;
    }

    RunPropertySheet(ReadStartupTab(), 0, nullptr);
    return ShutDown();
}
