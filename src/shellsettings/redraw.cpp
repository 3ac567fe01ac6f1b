#include "shellsettings/redraw.h"

#include <windows.h>
#include <shlobj.h>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/system.h"

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

const char *LocalAppDataStandIn = nullptr;

enum { CACHE_FILES_MAX = 32, REPORT_TEXT = 256 };

static const char kSplitCacheFolder[] = "Microsoft\\Windows\\Explorer";
static const char kSplitCachePrefix[] = "iconcache_";
static const char kSplitCacheSuffix[] = ".db";

// The cache files of the running Windows that exist now, and what the question names.
struct CacheFiles {
    char Shown[MAX_PATH];
    int Count;
    char Path[CACHE_FILES_MAX][MAX_PATH];
};

// A backslash between them unless the folder ends in a separator.
static bool JoinPath(char *path, const char *name)
{
    if (lstrlenA(path) + 1 >= MAX_PATH)
        return false;
    AddBackslash(path);
    return AppendText(path, name, MAX_PATH) != 0;
}

static bool WindowsCachePath(char *path)
{
    UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    return JoinPath(path, "ShellIconCache");
}

// 9x keeps one cache in the Windows folder; NT one per user.
static bool CacheIsPerUser()
{
    return SystemHas(TRAIT_CACHE_PER_USER) || SystemHas(TRAIT_CACHE_SPLIT);
}

// NT keeps the cache per user, in the local (not roaming) application data.
static bool CacheFolder(char *folder)
{
    if (LocalAppDataStandIn != nullptr)
        CopyText(folder, LocalAppDataStandIn, MAX_PATH);
    else if (!SpecialFolderPath(CSIDL_LOCAL_APPDATA, folder))
        return false;
    return !SystemHas(TRAIT_CACHE_SPLIT) || JoinPath(folder, kSplitCacheFolder);
}

static bool HasEnds(const char *name, const char *prefix, const char *suffix)
{
    int length = lstrlenA(name);
    int front = lstrlenA(prefix);
    int back = lstrlenA(suffix);
    if (length < front + back)
        return false;
    char head[MAX_PATH];
    CopyText(head, name, front + 1);
    return lstrcmpiA(head, prefix) == 0 && lstrcmpiA(name + length - back, suffix) == 0;
}

// Only iconcache_*.db: the thumbnail caches beside them are no icon cache. The names found are
// checked again, since a pattern also matches short names and longer extensions.
static void ListSplitCache(const char *folder, CacheFiles *files)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(files->Shown, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        char *path = files->Path[files->Count];
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !HasEnds(found.cFileName, kSplitCachePrefix, kSplitCacheSuffix))
            continue;
        CopyText(path, folder, MAX_PATH);
        if (JoinPath(path, found.cFileName))
            ++files->Count;
    } while (files->Count < CACHE_FILES_MAX && FindNextFileA(search, &found));
    FindClose(search);
}

static bool ListCacheFiles(CacheFiles *files)
{
    files->Count = 0;
    char folder[MAX_PATH];
    if (!CacheIsPerUser()) {
        if (!WindowsCachePath(files->Shown))
            return false;
    } else {
        CopyText(files->Shown, "", MAX_PATH);
        if (!CacheFolder(folder))
            return false;
        CopyText(files->Shown, folder, MAX_PATH);
        if (!JoinPath(files->Shown, SystemHas(TRAIT_CACHE_SPLIT) ? "iconcache_*.db" : "IconCache.db")) {
            files->Shown[0] = '\0';
            return false;
        }
    }
    if (SystemHas(TRAIT_CACHE_SPLIT))
        ListSplitCache(folder, files);
    else if (IsFile(files->Shown))
        CopyText(files->Path[files->Count++], files->Shown, MAX_PATH);
    return true;
}

int FormIconCachePath(char *path)
{
    CacheFiles files;
    bool formed = ListCacheFiles(&files);
    CopyText(path, formed ? files.Shown : "", MAX_PATH);
    return formed;
}

BOOL IconCacheExists()
{
    CacheFiles files;
    return ListCacheFiles(&files) && files.Count > 0;
}

static void AppendParagraph(char *report, int size, unsigned id)
{
    char text[REPORT_TEXT];
    LoadTextInto(id, text, sizeof text);
    if (report[0] != '\0')
        AppendText(report, "\n\n", size);
    AppendText(report, text, size);
}

// Files that stayed, under the text that says why.
static void AppendFileList(char *report, int size, unsigned heading, const CacheFiles &files, const bool *listed)
{
    bool any = false;
    for (int i = 0; i < files.Count; ++i)
        any = any || listed[i];
    if (!any)
        return;
    AppendParagraph(report, size, heading);
    for (int i = 0; i < files.Count; ++i) {
        if (listed[i] && AppendText(report, "\n", size))
            AppendText(report, files.Path[i], size);
    }
}

static void ReportFilesLeft(HWND owner, const CacheFiles &files, const bool *inUse, const bool *refused)
{
    int size = REPORT_TEXT * 3 + files.Count * (MAX_PATH + 1);
    char *report = static_cast<char *>(GlobalAlloc(GMEM_FIXED, size));
    if (report == nullptr)
        return;
    report[0] = '\0';
    AppendFileList(report, size, IDS_CACHESINUSE, files, inUse);
    AppendFileList(report, size, IDS_CACHESREFUSED, files, refused);
    for (int i = 0; i < files.Count; ++i) {
        if (inUse[i]) {
            AppendParagraph(report, size, IDS_CACHEREBUILT);
            break;
        }
    }
    MessageBoxA(owner, report, App.Caption, MB_ICONWARNING | MB_OK);
    GlobalFree(report);
}

BOOL DeleteIconCache(HWND owner)
{
    CacheFiles files;
    if (!ListCacheFiles(&files))
        return FALSE;
    // 9x: the file is asked about and tried even when it went since the page was shown.
    if (!CacheIsPerUser() && files.Count == 0)
        CopyText(files.Path[files.Count++], files.Shown, MAX_PATH);
    char question[QUESTION_BUFFER];
    wsprintfA(question, LoadText(SystemHas(TRAIT_CACHE_SPLIT) ? IDS_ASKDELETECACHES : IDS_ASKDELETECACHE),
              files.Shown);
    if (MessageBoxA(owner, question, App.Caption, MB_ICONQUESTION | MB_OKCANCEL) != IDOK)
        return FALSE;
    bool perUser = CacheIsPerUser();
    bool inUse[CACHE_FILES_MAX] = {};
    bool refused[CACHE_FILES_MAX] = {};
    bool left = false;
    for (int i = 0; i < files.Count; ++i) {
        // The shell keeps the files hidden and system; those bits make DeleteFile refuse.
        DWORD attributes = GetFileAttributesA(files.Path[i]);
        SetFileAttributesA(files.Path[i], FILE_ATTRIBUTE_ARCHIVE);
        if (DeleteFileA(files.Path[i]))
            continue;
        DWORD error = GetLastError();
        // One that went meanwhile is gone as well.
        if (perUser && error == ERROR_FILE_NOT_FOUND)
            continue;
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesA(files.Path[i], attributes);
        left = true;
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            inUse[i] = true;
        else
            refused[i] = true;
    }
    if (!left) {
        MessageBoxA(owner, LoadText(IDS_CACHEDELETED), App.Caption, MB_OK);
        return TRUE;
    }
    // 9x has always kept quiet about a file it could not delete.
    if (perUser)
        ReportFilesLeft(owner, files, inUse, refused);
    return FALSE;
}
