#include "shellglue/iconlocation.h"

#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

enum {
    FALLBACK_UNKNOWN = 0,   // object of no known type
    FALLBACK_DOCUMENT = 1,  // document whose program has no icon
    FALLBACK_PROGRAM = 2,   // program file without icons
    FALLBACK_FOLDER = 3,
    RESULT_BUFFER = 600,    // room for any result before it is checked against the caller's size
};


// Results are built aside and only copied when they fit: a location cut short would name
// another file.
static int PutResult(char *buffer, int size, const char *result)
{
    if (lstrlenA(result) >= size)
        return 0;
    CopyText(buffer, result, size);
    return 1;
}

static int PutFallback(char *buffer, int size, int index)
{
    char result[RESULT_BUFFER];
    wsprintfA(result, "%sshell32.dll,%d", Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", index);
    return PutResult(buffer, size, result);
}

static int PutFileIndexZero(char *buffer, int size, const char *file)
{
    char result[RESULT_BUFFER];
    CopyText(result, file, MAX_PATH);
    char suffix[16];
    wsprintfA(suffix, ",%d", 0);
    AppendText(result, suffix, RESULT_BUFFER);
    return PutResult(buffer, size, result);
}

static int CountIcons(const char *file)
{
    return int(ExtractIconExA(file, -1, nullptr, nullptr, 0));
}

static bool IsExtension(const char *path, const char *extension)
{
    return lstrcmpiA(FindExtension(path), extension) == 0;
}

static bool NamesFileItself(const char *icon)
{
    for (; icon[0] != '\0'; ++icon) {
        if (icon[0] == '%' && icon[1] == '1')
            return true;
    }
    return false;
}

// The class a folder's desktop.ini names: CLSID, or UICLSID when CLSID is not a class id.
static bool ReadFolderClass(const char *iniPath, char *clsid)
{
    char value[42];
    GetPrivateProfileStringA(".ShellClassInfo", "CLSID", "", value, 41, iniPath);
    if (lstrlenA(value) != CLASS_ID_LENGTH) {
        GetPrivateProfileStringA(".ShellClassInfo", "UICLSID", "", value, 41, iniPath);
        if (lstrlenA(value) != CLASS_ID_LENGTH)
            return false;
    }
    CopyText(clsid, value, CLASS_ID_LENGTH + 1);
    return true;
}

static int ResolveFolder(char *buffer, int size, const char *folder)
{
    char iniPath[RESULT_BUFFER];
    CopyText(iniPath, folder, MAX_PATH + 1);
    AddBackslash(iniPath);
    AppendText(iniPath, "desktop.ini", RESULT_BUFFER);
    if (lstrlenA(iniPath) >= size)
        return 0;

    char clsid[CLASS_ID_LENGTH + 1];
    if (ReadFolderClass(iniPath, clsid)) {
        char key[80];
        wsprintfA(key, "CLSID\\%s\\DefaultIcon", clsid);
        GlobalText icon(ReadRegString(HKEY_CLASSES_ROOT, key, ""));
        if (icon.Get() != nullptr && icon.Get()[0] != '\0')
            return PutResult(buffer, size, icon.Get());
    }
    return PutFallback(buffer, size, FALLBACK_FOLDER);
}

static int ResolveFile(char *buffer, int size, const char *file, bool viaShortcut, BYTE *severalIcons)
{
    int count = CountIcons(file);
    if (count > 0) {
        // A program reached through a shortcut shows its first icon; asking which is pointless.
        if (severalIcons != nullptr && count > 1 && !(viaShortcut && IsExtension(file, ".EXE")))
            *severalIcons = 1;
        return PutFileIndexZero(buffer, size, file);
    }

    const char *extension = FindExtension(file);
    if (extension[0] == '\0')
        return PutFallback(buffer, size, FALLBACK_UNKNOWN);
    if (lstrcmpiA(extension, ".EXE") == 0 || lstrcmpiA(extension, ".COM") == 0)
        return PutFallback(buffer, size, FALLBACK_PROGRAM);

    GlobalText typeName(ReadRegString(HKEY_CLASSES_ROOT, extension, ""));
    if (typeName.Get() == nullptr)
        return PutFallback(buffer, size, FALLBACK_UNKNOWN);

    char key[RESULT_BUFFER];
    CopyText(key, typeName.Get(), MAX_PATH);
    AppendText(key, "\\DefaultIcon", RESULT_BUFFER);
    GlobalText icon(ReadRegString(HKEY_CLASSES_ROOT, key, ""));
    if (icon.Get() != nullptr) {
        // "%1" means the file is its own icon, and it has none.
        if (lstrlenA(icon.Get()) < 5 && NamesFileItself(icon.Get()))
            return 0;
        return PutResult(buffer, size, icon.Get());
    }

    char program[MAX_PATH];
    program[0] = '\0';
    if (UINT_PTR(FindExecutableA(file, nullptr, program)) <= 32)
        return PutFallback(buffer, size, FALLBACK_UNKNOWN);
    if (CountIcons(program) > 0)
        return PutFileIndexZero(buffer, size, program);
    return PutFallback(buffer, size, FALLBACK_DOCUMENT);
}

static int ReadShortcut(const char *linkPath, char *target, char *iconFile, int *iconIndex);

// The icon a shortcut names for itself, as the shell finds it: environment strings expanded
// and the file looked up. A file that cannot be found falls back to the fallback icon the
// shell shows for an unknown picture.
static int PutShortcutIcon(char *buffer, int size, const char *iconFile, int index)
{
    char expanded[MAX_PATH];
    DWORD needed = ExpandEnvironmentStringsA(iconFile, expanded, MAX_PATH);
    if (needed == 0 || needed > MAX_PATH)
        CopyText(expanded, iconFile, MAX_PATH);
    char found[MAX_PATH];
    DWORD attributes = SearchFile(expanded, found) ? GetFileAttributesA(found) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return PutFallback(buffer, size, FALLBACK_UNKNOWN);
    char result[RESULT_BUFFER];
    wsprintfA(result, "%s,%d", found, index);
    return PutResult(buffer, size, result);
}

// A file that holds icons is its own picture, and the user wants to pick among them: it is
// taken before the shell is asked, because later shells (and Wine) answer every file with a
// generic picture that would hide the file's own icons.
static int ResolveObject(char *buffer, int size, BYTE *severalIcons, bool askShell)
{
    size &= 0xFFFF;
    if (severalIcons != nullptr)
        *severalIcons = 0;
    CleanPath(buffer);
    DWORD attributes = GetFileAttributesA(buffer);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    char path[MAX_PATH];
    CopyText(path, buffer, MAX_PATH);
    bool viaShortcut = false;
    if (!folder && (IsExtension(path, ".LNK") || IsExtension(path, ".PIF"))) {
        char target[MAX_PATH];
        char ownIcon[MAX_PATH];
        int ownIndex = 0;
        int loaded = ReadShortcut(path, target, ownIcon, &ownIndex);
        // A shortcut given an icon of its own shows that one, not its target's.
        if (ownIcon[0] != '\0')
            return PutShortcutIcon(buffer, size, ownIcon, ownIndex);
        if (loaded && target[0] != '\0') {
            CopyText(path, target, MAX_PATH);
            viaShortcut = true;
        }
    }
    if (!folder && CountIcons(path) > 0)
        return ResolveFile(buffer, size, path, viaShortcut, severalIcons);

    if (askShell) {
        SHFILEINFOA info;
        ZeroMemory(&info, sizeof info);
        if (SHGetFileInfoA(buffer, 0, &info, sizeof info, SHGFI_ICONLOCATION) != 0 && info.szDisplayName[0] != '\0') {
            char result[RESULT_BUFFER];
            wsprintfA(result, "%s,%d", info.szDisplayName, info.iIcon);
            return PutResult(buffer, size, result);
        }
    }

    if (folder)
        return ResolveFolder(buffer, size, path);
    return ResolveFile(buffer, size, path, viaShortcut, severalIcons);
}

int ResolveIconLocationWithoutShell(char *buffer, int size, BYTE *severalIcons)
{
    return ResolveObject(buffer, size, severalIcons, false);
}

int ResolveIconLocation(char *buffer, int size, BYTE *severalIcons)
{
    return ResolveObject(buffer, size, severalIcons, true);
}

char *ApplyShellIconOverride(char *location)
{
    char file[LOCATION_BUFFER];
    CopyText(file, location, LOCATION_BUFFER);
    int index = SplitIconLocation(file);
    char valueName[16];
    wsprintfA(valueName, "%d", index);

    char shell32[RESULT_BUFFER];
    CopyText(shell32, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", MAX_PATH + 1);
    AppendText(shell32, "shell32.dll", RESULT_BUFFER);
    if (lstrcmpiA(file, shell32) != 0)
        return location;

    GlobalText replacement(ReadRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, valueName));
    // A longer value could not be a location this program writes; keep the system icon.
    if (replacement.Get() != nullptr && replacement.Get()[0] != '\0' && lstrlenA(replacement.Get()) < LOCATION_BUFFER)
        CopyText(location, replacement.Get(), LOCATION_BUFFER);
    return location;
}

// Loads a shortcut and reads its target; with iconFile (MAX_PATH bytes) also the icon the
// shortcut itself names, which needs no resolving and is read even when the target moved.
static int ReadShortcut(const char *linkPath, char *target, char *iconFile, int *iconIndex)
{
    target[0] = '\0';
    if (iconFile != nullptr) {
        iconFile[0] = '\0';
        *iconIndex = 0;
    }
    HRESULT initialised = CoInitialize(nullptr);

    IShellLinkA *link = nullptr;
    IPersistFile *file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void **>(&link));
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file));
    if (SUCCEEDED(hr)) {
        WCHAR widePath[MAX_PATH];
        widePath[0] = 0;
        if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0)
            hr = E_FAIL;
        else
            hr = file->Load(widePath, STGM_READ);
    }
    if (SUCCEEDED(hr) && iconFile != nullptr) {
        char icon[MAX_PATH];
        int index = 0;
        icon[0] = '\0';
        if (SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &index)) && icon[0] != '\0') {
            icon[MAX_PATH - 1] = '\0';
            CopyText(iconFile, icon, MAX_PATH);
            *iconIndex = index;
        }
    }
    // No dialog when the target has moved: this runs behind a drop or a start-up file.
    if (SUCCEEDED(hr))
        hr = link->Resolve(GetDesktopWindow(), SLR_NO_UI);
    if (SUCCEEDED(hr)) {
        char path[MAX_PATH];
        WIN32_FIND_DATAA found;
        path[0] = '\0';
        hr = link->GetPath(path, MAX_PATH, &found, 0);
        if (SUCCEEDED(hr))
            CopyText(target, path, MAX_PATH);
    }

    if (file != nullptr)
        file->Release();
    if (link != nullptr)
        link->Release();
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return SUCCEEDED(hr) ? 1 : 0;
}

int GetLinkTarget(const char *linkPath, char *target)
{
    return ReadShortcut(linkPath, target, nullptr, nullptr);
}
