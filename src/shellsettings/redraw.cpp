#include "shellsettings/redraw.h"

#include <windows.h>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";
static const char kIconSize[] = "Shell Icon Size";

enum { DEFAULT_ICON_SIZE = 32, QUESTION_BUFFER = TEXT_BUFFER + MAX_PATH };

static void WriteIconSize(const char *text)
{
    WriteRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize, text);
}

// Every top-level window, the shell's included, rereads the metrics before this returns.
static void AnnounceMetricsChange()
{
    SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

// The shell only redraws its icons when their size changes: step it down by one and back.
void RedrawShellIcons()
{
    char *stored = ReadRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize);
    int size = DEFAULT_ICON_SIZE;
    if (stored != nullptr) {
        TrimLeadingSpaces(TrimTrailingSpaces(stored));
        if (stored[0] != '\0') {
            int value = ParseInt(stored);
            if (value >= 1)
                size = value;
        }
    }

    char text[16];
    wsprintfA(text, "%u", unsigned(size - 1));
    WriteIconSize(text);
    AnnounceMetricsChange();
    Sleep(60);
    wsprintfA(text, "%u", unsigned(size));
    WriteIconSize(text);
    AnnounceMetricsChange();

    // Keep the value's stored form ("048", or whatever the user typed).
    if (stored != nullptr) {
        if (lstrcmpA(stored, text) != 0)
            WriteIconSize(stored);
        GlobalFree(stored);
    }
}

int FormIconCachePath(char *path)
{
    UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return 0;
    }
    const char *last = CharPrevA(path, path + length);
    if (length > 0 && *last != '\\' && *last != '/' && !AppendText(path, "\\", MAX_PATH))
        return 0;
    return AppendText(path, "ShellIconCache", MAX_PATH);
}

BOOL IconCacheExists()
{
    char path[MAX_PATH];
    if (!FormIconCachePath(path))
        return FALSE;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL DeleteIconCache(HWND owner)
{
    char path[MAX_PATH];
    if (!FormIconCachePath(path))
        return FALSE;
    char question[QUESTION_BUFFER];
    wsprintfA(question, LoadText(IDS_ASKDELETECACHE), path);
    if (MessageBoxA(owner, question, App.Caption, MB_ICONQUESTION | MB_OKCANCEL) != IDOK)
        return FALSE;
    // The shell keeps the file hidden and system; those bits make DeleteFile refuse.
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    if (!DeleteFileA(path))
        return FALSE;
    MessageBoxA(owner, LoadText(IDS_CACHEDELETED), App.Caption, MB_OK);
    return TRUE;
}
