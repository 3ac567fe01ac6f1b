#include "shellsettings/redraw.h"

#include <windows.h>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";
static const char kIconSize[] = "Shell Icon Size";

enum { DEFAULT_ICON_SIZE = 32, MAX_STORED_ICON_SIZE = 199, QUESTION_BUFFER = TEXT_BUFFER + MAX_PATH };

static void WriteIconSize(const char *text)
{
    WriteRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize, text);
}

// Every top-level window, the shell's included, rereads the metrics before this returns.
static void AnnounceMetricsChange()
{
    SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

// "Shell Icon Size" exactly as stored: its type and bytes, put back unchanged afterwards.
struct StoredIconSize {
    DWORD Type;
    DWORD Size;
    BYTE *Data;     // global heap, one byte more than Size and that byte 0; null: no value
};

static void ReadStoredIconSize(StoredIconSize *stored)
{
    stored->Type = REG_NONE;
    stored->Size = 0;
    stored->Data = nullptr;
    RegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kWindowMetrics, KEY_QUERY_VALUE))
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), kIconSize, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return;
    BYTE *data = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED, size + 1));
    if (data == nullptr)
        return;
    DWORD type = REG_NONE;
    DWORD read = size;
    if (RegQueryValueExA(key.Get(), kIconSize, nullptr, &type, data, &read) != ERROR_SUCCESS || read > size) {
        GlobalFree(data);
        return;
    }
    data[read] = 0;
    stored->Type = type;
    stored->Size = read;
    stored->Data = data;
}

// The size the shell uses now: a number from 1 to 199 stored in any way the shell reads;
// anything else counts as the standard 32.
static int IconSizeOfStoredValue(DWORD type, const BYTE *data, DWORD size)
{
    int value = 0;
    if (!StoredNumber(type, data, size, &value))
        value = 0;
    return value >= 1 && value <= MAX_STORED_ICON_SIZE ? value : DEFAULT_ICON_SIZE;
}

// The value is left as it was found, with its type, unless it already holds exactly the text
// written last.
static void PutBackIconSize(const StoredIconSize *stored, const char *written)
{
    DWORD writtenSize = DWORD(lstrlenA(written)) + 1;
    if (stored->Type == REG_SZ && stored->Size == writtenSize &&
        lstrcmpA(reinterpret_cast<const char *>(stored->Data), written) == 0)
        return;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kWindowMetrics, KEY_SET_VALUE))
        RegSetValueExA(key.Get(), kIconSize, 0, stored->Type, stored->Data, stored->Size);
}

// The shell only redraws its icons when their size changes: step it down by one and back.
void RedrawShellIcons(bool leaveNoValue)
{
    StoredIconSize stored;
    ReadStoredIconSize(&stored);
    int size = stored.Data != nullptr ? IconSizeOfStoredValue(stored.Type, stored.Data, stored.Size)
                                      : DEFAULT_ICON_SIZE;

    char text[16];
    wsprintfA(text, "%u", unsigned(size - 1));
    WriteIconSize(text);
    AnnounceMetricsChange();
    Sleep(60);
    wsprintfA(text, "%u", unsigned(size));
    WriteIconSize(text);
    AnnounceMetricsChange();

    // A missing value stays as written: the standard size.
    if (stored.Data != nullptr) {
        PutBackIconSize(&stored, text);
        GlobalFree(stored.Data);
    } else if (leaveNoValue) {
        RemoveRegValue(HKEY_CURRENT_USER, kWindowMetrics, kIconSize);
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
