#include "lists/themeimport.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/shellkeys.h"

static const char kThemesAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE";
static const char kClassSectionPrefix[] = "CLSID\\";
// Later theme files write the class's full registry path instead.
static const char kLaterClassSectionPrefix[] = "Software\\Classes\\CLSID\\";
static const char kDefaultIconSuffix[] = "\\DefaultIcon";

int IsThemeFile(const char *path)
{
    if (path == nullptr)
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != DWORD(-1) && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    const char *extension = FindExtension(path);
    return lstrcmpiA(extension, ".themi") == 0 || lstrcmpiA(extension, ".theme") == 0 ||
           lstrcmpiA(extension, ".motif") == 0;
}

static bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

// One trailing '\' or '/', found by characters: a trail byte may be 0x5C.
static void DropTrailingSeparator(char *path)
{
    char *end = path + lstrlenA(path);
    if (end == path)
        return;
    char *last = CharPrevA(path, end);
    if (IsSeparator(*last))
        *last = '\0';
}

static bool IsFolder(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder the theme setup installed, from its App Paths entry; false when there is none.
static bool FindThemesFolder(char *folder)
{
    folder[0] = '\0';
    GlobalText value(ReadRegString(HKEY_LOCAL_MACHINE, kThemesAppPath, "Path"));
    if (value.Get() == nullptr || lstrlenA(value.Get()) >= MAX_PATH)
        return false;
    CopyText(folder, value.Get(), MAX_PATH);
    CleanPath(folder);
    int length = lstrlenA(folder);
    if (length > 0 && folder[length - 1] == ';')
        folder[length - 1] = '\0';
    DropTrailingSeparator(folder);
    if (folder[0] == '\0' || !IsFolder(folder)) {
        folder[0] = '\0';
        return false;
    }
    return true;
}

// --- token expansion -----------------------------------------------------------------------

// The work text of one expansion; every append is bounded and an overflow sticks.
struct WorkText {
    char Text[LOCATION_BUFFER];
    int Length;
    bool Overflow;
};

static void Append(WorkText *work, const char *text, int length)
{
    if (work->Overflow)
        return;
    if (length >= LOCATION_BUFFER - work->Length) {
        work->Overflow = true;
        return;
    }
    CopyMemory(work->Text + work->Length, text, length);
    work->Length += length;
    work->Text[work->Length] = '\0';
}

static void AppendString(WorkText *work, const char *text)
{
    Append(work, text, lstrlenA(text));
}

static void AppendBackslash(WorkText *work)
{
    if (work->Length == 0 || !IsSeparator(*CharPrevA(work->Text, work->Text + work->Length)))
        Append(work, "\\", 1);
}

// A folder asked of the system, written straight into the room left.
using DirectoryReader = UINT(WINAPI *)(LPSTR, UINT);

static void AppendSystemFolder(WorkText *work, DirectoryReader read)
{
    if (work->Overflow)
        return;
    UINT room = UINT(LOCATION_BUFFER - work->Length);
    UINT length = read(work->Text + work->Length, room);
    if (length == 0 || length >= room) {
        work->Text[work->Length] = '\0';
        work->Overflow = length != 0;
        return;
    }
    work->Length += lstrlenA(work->Text + work->Length);
}

// An environment variable of that name; false when there is none.
static bool AppendEnvironment(WorkText *work, const char *name, bool *isFolder)
{
    *isFolder = false;
    if (work->Overflow)
        return true;
    UINT room = UINT(LOCATION_BUFFER - work->Length);
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetEnvironmentVariableA(name, work->Text + work->Length, room);
    if (length == 0) {
        work->Text[work->Length] = '\0';
        return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    if (length >= room) {
        work->Text[work->Length] = '\0';
        work->Overflow = true;
        return true;
    }
    *isFolder = IsFolder(work->Text + work->Length);
    // Counted from the text: Wine gives the length in characters, not bytes.
    work->Length += lstrlenA(work->Text + work->Length);
    return true;
}

// Phase one: the tokens of a theme value expanded, "%themedir%" taking themedir.
static void ExpandTokens(const char *value, const char *themeFolder, const char *themedir, WorkText *work,
                         bool *usedThemedir)
{
    work->Text[0] = '\0';
    work->Length = 0;
    work->Overflow = false;
    *usedThemedir = false;

    // '%' is never a trail byte in code page 932, and neither is the byte after it: bytes
    // can be scanned here.
    const char *scan = value;
    for (;;) {
        const char *open = scan;
        while (*open != '\0' && *open != '%')
            ++open;
        const char *close = *open != '\0' ? open + 1 : open;
        while (*close != '\0' && *close != '%')
            ++close;
        if (*open == '\0' || *close == '\0') {
            AppendString(work, scan);
            return;
        }
        Append(work, scan, int(open - scan));

        char name[LOCATION_BUFFER];
        int nameLength = int(close - open - 1);
        if (nameLength >= LOCATION_BUFFER) {
            work->Overflow = true;
            return;
        }
        CopyMemory(name, open + 1, nameLength);
        name[nameLength] = '\0';
        bool backslashFollows = close[1] == '\\';
        scan = close + 1;

        bool themesToken = lstrcmpiA(name, "themedir") == 0;
        bool windirToken = lstrcmpiA(name, "windir") == 0;
        if (themesToken || lstrcmpiA(name, "folder") == 0) {
            if (themesToken)
                *usedThemedir = true;
            AppendString(work, themesToken ? themedir : themeFolder);
            AppendBackslash(work);
            if (backslashFollows)
                ++scan;
        } else if (windirToken || lstrcmpiA(name, "sysdir") == 0) {
            AppendSystemFolder(work, windirToken ? GetWindowsDirectoryA : GetSystemDirectoryA);
            if (!backslashFollows)
                Append(work, "\\", 1);
        } else if (nameLength > 0) {
            bool isFolder = false;
            if (AppendEnvironment(work, name, &isFolder)) {
                if (isFolder && !backslashFollows)
                    Append(work, "\\", 1);
            } else {
                // Unknown names stay as written: the path may really contain them.
                Append(work, open, nameLength + 2);
            }
        }
        if (work->Overflow)
            return;
    }
}

static int IconCount(const char *file)
{
    return int(ExtractIconExA(file, -1, nullptr, nullptr, 0));
}

enum Resolution { RESOLVED = 1, NO_ICON = 0, NOT_FOUND = -1 };

// Phase two for one candidate: the whole text as a file, else file and index. A file found
// under the whole text decides, icons or not.
static Resolution ResolveCandidate(char *value, const char *candidate)
{
    char found[MAX_PATH];
    if (SearchFile(candidate, found)) {
        CopyText(value, found, LOCATION_BUFFER);
        return !IsFolder(found) && IconCount(found) > 0 ? RESOLVED : NO_ICON;
    }

    char file[LOCATION_BUFFER];
    CopyText(file, candidate, LOCATION_BUFFER);
    int index = SplitIconLocation(file);
    if (!SearchFile(file, found) || IsFolder(found))
        return NOT_FOUND;
    // A negative index is a resource id, which the count says nothing about.
    if (index >= IconCount(found))
        return NOT_FOUND;
    char location[LOCATION_BUFFER];
    CopyText(location, found, LOCATION_BUFFER);
    char suffix[16];
    wsprintfA(suffix, ",%d", index);
    if (!AppendText(location, suffix, LOCATION_BUFFER))
        return NOT_FOUND;
    CopyText(value, location, LOCATION_BUFFER);
    return RESOLVED;
}

int ExpandThemePath(char *value, const char *themeFolder, const char *themesFolder)
{
    char source[LOCATION_BUFFER];
    CopyText(source, value, LOCATION_BUFFER);

    // The installed themes folder first; the theme's own folder is the one retry.
    WorkText work;
    bool usedThemedir = false;
    ExpandTokens(source, themeFolder, themesFolder != nullptr ? themesFolder : themeFolder, &work, &usedThemedir);
    Resolution first = work.Overflow ? NOT_FOUND : ResolveCandidate(value, work.Text);
    if (first != NOT_FOUND)
        return first == RESOLVED ? 1 : 0;
    if (!usedThemedir || themesFolder == nullptr)
        return 0;
    ExpandTokens(source, themeFolder, themeFolder, &work, &usedThemedir);
    return !work.Overflow && ResolveCandidate(value, work.Text) == RESOLVED ? 1 : 0;
}

// --- import ------------------------------------------------------------------------------

// A value that filled the whole buffer was cut by the profile reader and would name another
// file.
static bool ReadProfileValue(const char *section, const char *key, char *value, const char *themePath)
{
    DWORD length = GetPrivateProfileStringA(section, key, "", value, LOCATION_BUFFER, themePath);
    return length < LOCATION_BUFFER - 1;
}

// The value a theme file gives one row; empty when it gives none or the row has no key it
// could be looked up by. false when the value was too long to read whole.
static bool ReadThemeValue(const char *themePath, const IconEntry *entry, char *value)
{
    value[0] = '\0';
    const char *key = entry->RegistryKey;
    if (key[0] != '{')
        return ReadProfileValue(SHELL_ICONS_KEY, key, value, themePath);
    if (lstrlenA(key) != CLASS_ID_LENGTH)
        return true;

    const char *name = entry->Kind == KIND_RECYCLE_EMPTY  ? "empty"
                       : entry->Kind == KIND_RECYCLE_FULL ? "full"
                                                          : "DefaultValue";
    const char *prefixes[] = {kClassSectionPrefix, kLaterClassSectionPrefix};
    for (const char *prefix : prefixes) {
        char section[MAX_PATH];
        CopyText(section, prefix, MAX_PATH);
        AppendText(section, key, MAX_PATH);
        AppendText(section, kDefaultIconSuffix, MAX_PATH);
        bool whole = ReadProfileValue(section, name, value, themePath);
        if (value[0] != '\0')
            return whole;
    }
    return true;
}

// The sheet's shown tab, as its tab control has it; -1 when the list is not on a sheet.
static int ShownTab(HWND sheet)
{
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    if (tabs == nullptr || !IsWindow(tabs))
        return -1;
    return int(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
}

struct ImportCounts {
    int Loaded;
    int Failed;
};

static void ImportIntoList(HWND list, int tab, const char *themePath, const char *themeFolder,
                           const char *themesFolder, ImportCounts *counts)
{
    bool firstInList = true;
    int rows = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr || entry->RegistryKey == nullptr || entry->RegistryKey[0] == '\0')
            continue;
        char value[LOCATION_BUFFER];
        bool whole = ReadThemeValue(themePath, entry, value);
        TrimTrailingSpaces(value);
        TrimLeadingSpaces(value);
        if (value[0] == '\0')
            continue;
        if (!whole || !ExpandThemePath(value, themeFolder, themesFolder)) {
            ++counts->Failed;
            continue;
        }

        if (firstInList) {
            firstInList = false;
            SendMessageA(list, LB_SETCURSEL, row, 0);
            SendMessageA(list, LB_SETTOPINDEX, row, 0);
        }
        if (counts->Loaded == 0) {
            HWND sheet = GetParent(GetParent(list));
            if (ShownTab(sheet) != tab)
                SendMessageA(sheet, PSM_SETCURSEL, WPARAM(tab), 0);
        }
        ++counts->Loaded;

        // The sheet may have been switched meanwhile: the row is looked up again.
        ChangeEntryLocation(list, row, value, STATE_THEME);
    }
}

DWORD ImportThemeFile(const char *path)
{
    // The profile reader looks for a bare name in the Windows folder, not where the user is.
    char themePath[MAX_PATH];
    char *filePart = nullptr;
    DWORD full = GetFullPathNameA(path, MAX_PATH, themePath, &filePart);
    if (full == 0 || full >= MAX_PATH) {
        if (lstrlenA(path) >= MAX_PATH)
            return 0;
        CopyText(themePath, path, MAX_PATH);
    }

    char themesFolder[MAX_PATH];
    bool haveThemes = FindThemesFolder(themesFolder);
    char themeFolder[MAX_PATH];
    CopyText(themeFolder, themePath, MAX_PATH);
    CutToDirectory(themeFolder);
    DropTrailingSeparator(themeFolder);

    ImportCounts counts = {0, 0};
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        if (list != nullptr)
            ImportIntoList(list, tab, themePath, themeFolder, haveThemes ? themesFolder : nullptr, &counts);
    }
    return (DWORD(counts.Failed) << 16) | (DWORD(counts.Loaded) & 0xFFFF);
}

void ImportThemeAndReport(HWND sheet, const char *path)
{
    HWND foreground = GetForegroundWindow();
    SetForegroundWindow(sheet);
    if (foreground != nullptr && foreground != sheet)
        RedrawWindow(foreground, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);

    SendMessageA(sheet, WM_SETREDRAW, FALSE, 0);
    DWORD result = ImportThemeFile(path);
    SendMessageA(sheet, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(sheet, nullptr, FALSE);

    // Only the list pages care; the drive panel shows the first Drive row's icon.
    HWND shownList = ListOfTab(ShownTab(sheet));
    if (shownList != nullptr)
        PostMessageA(GetParent(shownList), UM_ICONSCHANGED, 0, -1);

    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_THEMEREAD), TEXT_BUFFER);
    char message[TEXT_BUFFER + 32];
    wsprintfA(message, format, unsigned(LOWORD(result)), unsigned(HIWORD(result)));
    MessageBoxA(sheet, message, App.Caption, MB_ICONINFORMATION);
}
