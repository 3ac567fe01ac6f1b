#include "folders/foldericon.h"

#include <shellapi.h>
#include <shlobj.h>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "restore/restorepoint.h"
#include "common/texts.h"
#include "ids.h"
#include "picker/changeicon.h"
#include "shellglue/iconlocation.h"
#include "shellglue/handles.h"
#include "shellglue/inifile.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"

static const char kSection[] = ".ShellClassInfo";
static const char kIniName[] = "DESKTOP.INI";
static const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
// Vista and later read this before IconFile and IconIndex.
static const char kIconResource[] = "IconResource";
static const char *const kIconKeys[] = {"IconIndex", "IconFile", kIconResource};
// "チャンネル" and "ソフトウェアの更新" below the favourites, in code page 932.
static const char kChannels[] = "\\\x83\x60\x83\x83\x83\x93\x83\x6C\x83\x8B";
static const char kSoftwareUpdates[] = "\\\x83\x5C\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x82\xCC\x8D\x58\x90\x56";

enum {
    // The profile functions take no path longer than MAX_PATH: the folder, a backslash and
    // "DESKTOP.INI" must fit in it.
    FOLDER_PATH_LIMIT = MAX_PATH - 1 - (sizeof kIniName - 1) - 1,
    MESSAGE_BUFFER = TEXT_BUFFER + LOCATION_BUFFER,
    RESOURCE_BUFFER = LOCATION_BUFFER + 16,
    INI_SETTLE_MS = 10,
    READONLY_SETTLE_MS = 3600,
    WRITTEN_SETTLE_MS = 40,
    REMOVED_SETTLE_MS = 20,
    NOTIFIED_SETTLE_MS = 500,
    FINISHED_MS = 20,
    FASTEST_ANIMATION = 20,
};

struct FolderPaths {
    char Folder[LOCATION_BUFFER];   // no trailing backslash, except a drive root's own
    char Ini[LOCATION_BUFFER];
};

// ---------------------------------------------------------------------------------------
// Small helpers

static bool IsFile(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

static void RemoveTrailingSeparator(char *path)
{
    char *end = path + lstrlenA(path);
    if (end == path)
        return;
    char *last = CharPrevA(path, end);
    if (IsSeparator(*last))
        *last = '\0';
}

// SetFileAttributesA takes neither the directory nor the compressed bit, and wants
// FILE_ATTRIBUTE_NORMAL rather than no bits at all.
static void SetAttributes(const char *path, DWORD attributes)
{
    attributes &= ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_COMPRESSED);
    SetFileAttributesA(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

// A special folder of the user as the shell records it, without trailing separator; false
// when the shell records none.
static bool ShellFolderPath(const char *name, char *path)
{
    path[0] = '\0';
    char *value = ReadRegString(HKEY_CURRENT_USER, kShellFolders, name);
    if (value != nullptr) {
        CopyText(path, value, MAX_PATH);
        GlobalFree(value);
    }
    RemoveTrailingSeparator(path);
    return path[0] != '\0';
}

static bool IsFontsFolder(const char *folder)
{
    char fonts[MAX_PATH];
    return ShellFolderPath("Fonts", fonts) && lstrcmpiA(folder, fonts) == 0;
}

// The same one-message pump as the sheet's: lets Explorer's messages to this thread through
// between the file writes.
static void PumpTwice()
{
    for (int i = 0; i < 2; ++i) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            return;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static int FileIconCount(const char *file)
{
    UINT count = ExtractIconExA(file, -1, nullptr, nullptr, 0);
    return count == UINT(-1) ? 0 : int(count);
}

// ---------------------------------------------------------------------------------------
// Protected folders

static bool SamePath(const char *folder, const char *base, const char *tail)
{
    if (base[0] == '\0')
        return false;
    char path[MAX_PATH + 32];
    CopyText(path, base, sizeof path);
    if (!AppendText(path, tail, sizeof path))
        return false;
    return lstrcmpiA(folder, path) == 0;
}

int IsProtectedFolder(const char *folder)
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1)
        return 1;
    AddBackslash(windows);

    static const char *const kSpecialFolders[] = {"Cache", "Cookies", "Fonts", "History"};
    char path[MAX_PATH];
    for (const char *name : kSpecialFolders) {
        if (ShellFolderPath(name, path) && lstrcmpiA(folder, path) == 0)
            return 1;
    }
    char favourites[MAX_PATH];
    if (!ShellFolderPath("Favorites", favourites)) {
        CopyText(favourites, windows, MAX_PATH);
        AppendText(favourites, "Favorites", MAX_PATH);
    }
    return SamePath(folder, favourites, "") || SamePath(folder, windows, "OCCACHE") ||
           SamePath(folder, windows, "Downloaded Program Files") || SamePath(folder, favourites, kChannels) ||
           SamePath(folder, favourites, kSoftwareUpdates);
}

// ---------------------------------------------------------------------------------------
// The folder and its settings file

// One message for every way the folder's DESKTOP.INI could not be written; the folder is
// left as it was.
static void TellIniFailed(const char *folder)
{
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_FOLDERINIFAILED), TEXT_BUFFER);
    char shown[LOCATION_BUFFER];
    CopyText(shown, folder, LOCATION_BUFFER);
    char message[MESSAGE_BUFFER];
    wsprintfA(message, format, shown);
    MessageBoxA(nullptr, message, App.Caption, MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

// Takes the folder over from the icon clipboard. A path too long to name its DESKTOP.INI is
// refused, and the user told, before anything is touched.
static bool TakeFolder(FolderPaths *paths)
{
    const char *copied = CopiedIcon();
    if (copied == nullptr || copied[0] == '\0') {
        ClearCopiedIcon();
        return false;
    }
    char folder[LOCATION_BUFFER];
    CopyText(folder, copied, LOCATION_BUFFER);
    bool usable = lstrlenA(copied) < LOCATION_BUFFER;
    // "C:\" keeps its backslash: "C:" would name the current folder of drive C.
    if (usable && lstrlenA(folder) > 3)
        RemoveTrailingSeparator(folder);
    usable = usable && lstrlenA(folder) <= FOLDER_PATH_LIMIT;
    if (usable) {
        CopyText(paths->Folder, folder, LOCATION_BUFFER);
        CopyText(paths->Ini, folder, LOCATION_BUFFER);
        AddBackslash(paths->Ini);
        AppendText(paths->Ini, kIniName, LOCATION_BUFFER);
    }
    ClearCopiedIcon();
    if (!usable)
        TellIniFailed(folder);
    return usable;
}

static bool HasOwnIcon(const FolderPaths *paths)
{
    DWORD attributes = GetFileAttributesA(paths->Folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM))
        return true;
    char value[MAX_PATH];
    GetPrivateProfileStringA(kSection, "IconIndex", "", value, MAX_PATH, paths->Ini);
    if (value[0] == '\0')
        GetPrivateProfileStringA(kSection, "IconFile", "", value, MAX_PATH, paths->Ini);
    if (value[0] == '\0' && SystemHas(TRAIT_ICON_RESOURCE))
        GetPrivateProfileStringA(kSection, kIconResource, "", value, MAX_PATH, paths->Ini);
    return value[0] != '\0';
}

// ---------------------------------------------------------------------------------------
// The dialog

// The name after the last separator; a drive root has none and gets the plain title.
static const char *TitleSuffix(const char *folder)
{
    const char *suffix = folder;
    for (const char *p = folder; *p != '\0'; p = CharNextA(p)) {
        if (*p == ':' || IsSeparator(*p))
            suffix = p + 1;
    }
    return suffix;
}

// An icon file as the default location is offered itself; either way Browse starts in its
// folder, which becomes the current directory.
static void OfferBrowseLocation(char *offered)
{
    char *location = App.DefaultBrowseLocation;
    if (location == nullptr || location[0] == '\0')
        return;
    DWORD attributes = GetFileAttributesA(location);
    if (IsFile(attributes) && FileIconCount(location) > 0)
        CopyText(offered, location, LOCATION_BUFFER);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        CutToDirectory(location);
    SetCurrentDirectoryA(location);
}

static void OfferFolderIcon(const char *folder, char *offered)
{
    CopyText(offered, folder, LOCATION_BUFFER);
    if (!ResolveIconLocation(offered, LOCATION_BUFFER, nullptr)) {
        char system[MAX_PATH];
        if (Facts.SystemDirPath != nullptr) {
            CopyText(system, Facts.SystemDirPath, MAX_PATH);
        } else {
            UINT length = GetSystemDirectoryA(system, MAX_PATH - 1);
            if (length == 0 || length >= MAX_PATH - 1)
                system[0] = '\0';
            AddBackslash(system);
        }
        CopyText(offered, system, LOCATION_BUFFER);
        AppendText(offered, "shell32.dll,3", LOCATION_BUFFER);
    }
    ApplyShellIconOverride(offered);
}

// Runs the dialog on the folder's icon (or the default location); choice receives the
// chosen location after OK.
static INT_PTR AskForIcon(const FolderPaths *paths, const POINT *anchor, PickMode mode, char *choice)
{
    choice[0] = '\0';
    OfferBrowseLocation(choice);
    if (choice[0] == '\0')
        OfferFolderIcon(paths->Folder, choice);
    ChangeIconRequest call;
    SetUpChangeIconCall(&call, choice, TitleSuffix(paths->Folder), anchor, mode);
    // Started from Explorer, the dialog opens and closes one step faster; not saved.
    if (call.DialogAnimation >= 1 && call.DialogAnimation < FASTEST_ANIMATION)
        ++call.DialogAnimation;
    return RunChangeIconDialog(nullptr, &call);
}

// ---------------------------------------------------------------------------------------
// Writing and restoring

// The icon keys a DESKTOP.INI of this system carries.
static int IconKeyCount()
{
    return SystemHas(TRAIT_ICON_RESOURCE) ? 3 : 2;
}

// Explorer reads DESKTOP.INI only in a system folder. 9x knows only the system bit; 2000 and
// later mark it read-only, or system where the administrator's policy asks for that, as their
// own PathMakeSystemFolder does. A bit the folder has already stays.
static DWORD FolderMark()
{
    if (!SystemHas(TRAIT_ICON_RESOURCE))
        return FILE_ATTRIBUTE_SYSTEM;
    RegKey key;
    bool policy = key.Open(HKEY_LOCAL_MACHINE, kExplorer, KEY_QUERY_VALUE) &&
                  RegQueryValueExA(key.Get(), "UseSystemForSystemFolders", nullptr, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS;
    return policy ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_READONLY;
}

// Either bit makes a system folder on 2000 and later.
static DWORD FolderMarks()
{
    return SystemHas(TRAIT_ICON_RESOURCE) ? FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_SYSTEM;
}

static void MarkSystemFolder(const char *folder)
{
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetAttributes(folder, attributes | FolderMark());
}

// Windows 2000 and later keep DESKTOP.INI hidden and system.
static DWORD IniMark()
{
    return SystemHas(TRAIT_ICON_RESOURCE) ? FILE_ATTRIBUTE_SYSTEM : 0;
}

// Later Explorers redraw a folder, and the view of its parent, only when told; F5 reaches
// just the window the verb came from.
static void NotifyFolderChanged(const char *folder)
{
    if (!SystemHas(TRAIT_NOTIFY_ICONS))
        return;
    SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHA, folder, nullptr);
    char parent[LOCATION_BUFFER];
    CopyText(parent, folder, LOCATION_BUFFER);
    CutToDirectory(parent);
    if (lstrlenA(parent) > 3)
        RemoveTrailingSeparator(parent);
    if (parent[0] != '\0' && lstrcmpiA(parent, folder) != 0)
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, parent, nullptr);
}

// Explorer refreshes the window the verb was chosen in on F5, if it can still take the
// foreground; otherwise the change shows at its next refresh.
static void RefreshEntryWindow(HWND entry)
{
    HWND current = GetForegroundWindow();
    if (entry == nullptr || !IsWindow(entry) || !SetForegroundWindow(entry))
        return;
    PumpTwice();
    keybd_event(VK_F5, 0, 0, 0);
    keybd_event(VK_F5, 0, KEYEVENTF_KEYUP, 0);
    if (current != nullptr)
        SetForegroundWindow(current);
}

// A read-only DESKTOP.INI is made writable first and left alone for a moment before it is
// written; returns its attributes as they were.
static DWORD UnlockIni(const char *ini)
{
    Sleep(INI_SETTLE_MS);
    DWORD kept = GetFileAttributesA(ini);
    if (IsFile(kept) && (kept & FILE_ATTRIBUTE_READONLY)) {
        SetAttributes(ini, kept & ~FILE_ATTRIBUTE_READONLY);
        Sleep(READONLY_SETTLE_MS);
    }
    return kept;
}

// The file as it was, when it was made writable for the write that then failed.
static void PutBackIniAttributes(const char *ini, DWORD kept)
{
    if (IsFile(kept) && (kept & FILE_ATTRIBUTE_READONLY))
        SetAttributes(ini, kept);
}

// The reader drops the blanks and quotes around a value.
static bool IniHoldsValue(const char *ini, const char *key, const char *text)
{
    char value[RESOURCE_BUFFER];
    GetPrivateProfileStringA(kSection, key, "", value, RESOURCE_BUFFER, ini);
    char written[RESOURCE_BUFFER];
    CopyText(written, text, RESOURCE_BUFFER);
    CleanPath(written);
    return lstrcmpiA(value, written) == 0;
}

// The settings file is written first and read back: only a folder whose DESKTOP.INI names
// the icon becomes a system folder. The profile functions report no locked file.
static bool WriteFolderIcon(const FolderPaths *paths, const char *choice, HWND entry)
{
    DWORD kept = UnlockIni(paths->Ini);
    if (IsFile(kept) && !CanOpenIniFile(paths->Ini, true)) {
        PutBackIniAttributes(paths->Ini, kept);
        return false;
    }
    char file[LOCATION_BUFFER];
    CopyText(file, choice, LOCATION_BUFFER);
    char index[16];
    wsprintfA(index, "%d", SplitIconLocation(file));
    // Explorer does not search for the file: it needs the full path.
    char found[MAX_PATH];
    const char *iconFile = SearchFile(file, found) ? found : file;
    char resource[RESOURCE_BUFFER];
    wsprintfA(resource, "%s,%s", iconFile, index);
    const char *values[] = {index, iconFile, resource};
    int count = IconKeyCount();
    for (int i = 0; i < count; ++i)
        WriteIniString(paths->Ini, kSection, kIconKeys[i], values[i]);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, paths->Ini);
    bool written = true;
    for (int i = 0; i < count; ++i)
        written = written && IniHoldsValue(paths->Ini, kIconKeys[i], values[i]);
    if (!written) {
        PutBackIniAttributes(paths->Ini, kept);
        return false;
    }

    MarkSystemFolder(paths->Folder);

    // The Fonts folder's own DESKTOP.INI stays visible, as the system keeps it; there only a
    // read-only state taken away is given back.
    DWORD attributes = kept != INVALID_FILE_ATTRIBUTES ? kept : GetFileAttributesA(paths->Ini);
    if (IsFile(attributes)) {
        if (!IsFontsFolder(paths->Folder))
            SetAttributes(paths->Ini, attributes | FILE_ATTRIBUTE_HIDDEN | IniMark());
        else
            PutBackIniAttributes(paths->Ini, kept);
    }
    PumpTwice();
    Sleep(WRITTEN_SETTLE_MS);
    NotifyFolderChanged(paths->Folder);
    RefreshEntryWindow(entry);
    return true;
}

static bool RestoreFolderIcon(const FolderPaths *paths)
{
    DWORD kept = UnlockIni(paths->Ini);
    bool iniExists = IsFile(kept);
    IniRemoval removal = INI_FILE_DELETED;
    if (iniExists) {
        // A locked file reads as an empty one: the folder would lose its attribute for nothing.
        if (!CanOpenIniFile(paths->Ini, true)) {
            PutBackIniAttributes(paths->Ini, kept);
            return false;
        }
        removal = RemoveIniKeys(paths->Ini, kSection, kIconKeys, IconKeyCount());
        if (removal == INI_REMOVE_FAILED) {
            PutBackIniAttributes(paths->Ini, kept);
            return false;
        }
        PumpTwice();
        Sleep(REMOVED_SETTLE_MS);
    }

    // Whatever the file still holds (a class id, a Web view, the user's own lines) works only
    // in a system folder, and the special folders need the attribute for themselves.
    DWORD folderAttributes = GetFileAttributesA(paths->Folder);
    if (removal == INI_FILE_DELETED && folderAttributes != INVALID_FILE_ATTRIBUTES &&
        (folderAttributes & FolderMarks()) && !IsProtectedFolder(paths->Folder))
        SetAttributes(paths->Folder, folderAttributes & ~FolderMarks());
    NotifyFolderChanged(paths->Folder);
    if (!iniExists)
        return true;

    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_PATHA | SHCNF_FLUSH, paths->Folder, nullptr);
    Sleep(NOTIFIED_SETTLE_MS);
    if (removal != INI_FILE_DELETED)
        PutBackIniAttributes(paths->Ini, kept);
    return true;
}

// The folder's attributes and its DESKTOP.INI are on disk before either changes. Without a
// record the user decides.
static bool RecordFolderChange(const FolderPaths *paths, RestorePoint *point)
{
    if (point->Begin()) {
        point->Folder(paths->Folder);
        point->File(paths->Ini);
        if (point->Seal())
            return true;
    }
    return MessageBoxA(nullptr, LoadText(IDS_UNDO_ASKFOLDER), App.Caption,
                       MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

// ---------------------------------------------------------------------------------------

INT_PTR ChangeFolderIcon(const POINT *anchor)
{
    HWND entry = GetForegroundWindow();
    FolderPaths paths;
    if (!TakeFolder(&paths))
        return 0;
    PickMode mode = HasOwnIcon(&paths) ? PICK_FOLDER_RESTORE : PICK_FOLDER;

    // Shift on the verb restores at once; there is nothing to restore without an own icon.
    INT_PTR result = mode == PICK_FOLDER_RESTORE ? IDC_CI_DEFAULT : 0;
    char choice[LOCATION_BUFFER];
    if (anchor != nullptr)
        result = AskForIcon(&paths, anchor, mode, choice);
    bool restore = result == IDC_CI_DEFAULT && mode == PICK_FOLDER_RESTORE;
    RestorePoint point;
    bool done = true;
    // A locked file can be neither recorded nor written: that is the message the user needs.
    if ((result == IDOK || restore) && IsFile(GetFileAttributesA(paths.Ini)) && !CanOpenIniFile(paths.Ini, false))
        done = false;
    else if ((result == IDOK || restore) && !RecordFolderChange(&paths, &point))
        result = IDCANCEL;
    else if (result == IDOK)
        done = WriteFolderIcon(&paths, choice, entry);
    else if (restore)
        done = RestoreFolderIcon(&paths);
    point.Finish();
    if (!done)
        TellIniFailed(paths.Folder);
    Sleep(FINISHED_MS);
    return result;
}
