#include "shellglue/system.h"

#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"

SystemFacts System;

namespace {

const char kClasses[] = "Software\\Classes\\";
const char kExplorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

#define MACHINE HKEY_LOCAL_MACHINE
#define USER HKEY_CURRENT_USER
#define CLASSES HKEY_CLASSES_ROOT

// Rows by system: 9x, then NT. On 9x the classes root and the machine's classes are one; on NT
// the classes root merges the user's classes over the machine's and the user may write only his.
const RowPlace kPlaces[][ROW_KIND_COUNT] = {
    {
        {MACHINE, kClasses, nullptr, 0, 0},   // class icon
        {MACHINE, kClasses, nullptr, 0, 0},   // recycle bin
        {CLASSES, "", nullptr, 0, 0},         // file class
        {CLASSES, "", nullptr, 0, 0},         // shortcut arrow
        {CLASSES, "", nullptr, 0, 0},         // folder verb
        {MACHINE, "", nullptr, 0, 0},         // Shell Icons
        {nullptr, "", nullptr, 0, 0},         // drive icon: AUTORUN.INF
    },
    {
        {USER, kClasses, nullptr, 1, 0},
        {USER, kClasses, kExplorer, 1, 0},   // Explorer's own copy: where TRAIT_EXPLORER_BIN
        {USER, kClasses, nullptr, 1, 0},
        // A user's own lnkfile key would hide the machine's whole class: the mark stays there.
        {MACHINE, kClasses, nullptr, 0, 1},
        {USER, kClasses, nullptr, 1, 0},
        {MACHINE, "", nullptr, 0, 1},
        {MACHINE, kExplorer, nullptr, 0, 1},
    },
};

const unsigned kNtTraits =
    TRAIT_ICON_RESOURCE | TRAIT_OWN_LABELS | TRAIT_USER_FILES | TRAIT_INTEGRATED_SHELL | TRAIT_NOTIFY_ICONS;
const unsigned kVistaTraits = TRAIT_SIZE_PER_VIEW | TRAIT_SHIELD | TRAIT_PNG_ICONS | TRAIT_EXPLORER_BIN;
const unsigned kTraits[LINE_COUNT] = {
    0,
    kNtTraits | TRAIT_CACHE_PER_USER,
    kNtTraits | TRAIT_CACHE_PER_USER | kVistaTraits,
    kNtTraits | TRAIT_CACHE_SPLIT | kVistaTraits,
    (kNtTraits & ~TRAIT_OWN_LABELS) | TRAIT_CACHE_PER_USER,
};

#undef MACHINE
#undef USER
#undef CLASSES

bool JoinKey(const char *prefix, const char *tail, char *key)
{
    if (prefix == nullptr)
        return false;
    CopyText(key, prefix, MAX_PATH);
    return AppendText(key, tail, MAX_PATH) != 0;
}

typedef BOOL(WINAPI *IsWow64ProcessCall)(HANDLE, BOOL *);

}  // namespace

void LearnSystem()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = OSVERSIONINFOA_SIZE_95;
    System.Line = LINE_9X;
    System.Wow64 = 0;
    if (!GetVersionExA(&version))
        return;
    System.Major = BYTE(version.dwMajorVersion);
    System.Minor = BYTE(version.dwMinorVersion);
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return;
    // NT 4 keeps its classes as 9x does: only 2000 and later merge the user's classes.
    if (version.dwMajorVersion < 5)
        return;
    if (version.dwMajorVersion < 6)
        System.Line = version.dwMinorVersion == 0 ? LINE_NT50 : LINE_NT5;
    else
        System.Line = version.dwMajorVersion == 6 && version.dwMinorVersion < 2 ? LINE_NT6 : LINE_NT62;
    IsWow64ProcessCall isWow64 = reinterpret_cast<IsWow64ProcessCall>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64))
        System.Wow64 = BYTE(wow64 != FALSE);
}

void PretendSystem(SystemLine line, bool wow64)
{
    System.Line = line;
    System.Wow64 = BYTE(wow64);
}

REGSAM RegistryView()
{
    return System.Wow64 ? KEY_WOW64_64KEY : 0;
}

bool SystemHas(SystemTrait trait)
{
    return (kTraits[System.Line < LINE_COUNT ? System.Line : BYTE(LINE_9X)] & trait) != 0;
}

const RowPlace &PlaceOf(RowKind kind)
{
    bool nt = System.Line != LINE_9X && System.Line < LINE_COUNT;
    return kPlaces[nt ? 1 : 0][kind];
}

bool FormRowKey(RowKind kind, const char *tail, char *key)
{
    return PlaceOf(kind).Root != nullptr && JoinKey(PlaceOf(kind).Prefix, tail, key);
}

bool FormExplorerKey(RowKind kind, const char *tail, char *key)
{
    return SystemHas(TRAIT_EXPLORER_BIN) && JoinKey(PlaceOf(kind).ExplorerPrefix, tail, key);
}
