#include "lists/liststandard.h"

#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"

static bool IsBareName(const char *name)
{
    for (const char *p = name; *p != '\0'; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            return false;
    return name[0] != '\0';
}

// File part found by the system's search (or kept as written) and the index. A bare name the
// search does not find is still the system folder's file: Windows 98 itself writes
// "syncui.dll,0" for the Briefcase, and the shell looks it up there.
static int FindIconFile(const char *location, char *file)
{
    char work[LOCATION_BUFFER];
    CopyText(work, location, LOCATION_BUFFER);
    TrimTrailingSpaces(work);
    TrimLeadingSpaces(work);
    int index = SplitIconLocation(work);
    char found[MAX_PATH];
    if (SearchFile(work, found))
        CopyText(file, found, LOCATION_BUFFER);
    else if (!IsBareName(work) || Facts.SystemDirPath == nullptr ||
             !AppendText(CopyText(file, Facts.SystemDirPath, LOCATION_BUFFER), work, LOCATION_BUFFER))
        CopyText(file, work, LOCATION_BUFFER);
    return index;
}

BOOL SameIconLocation(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr || a[0] == '\0' || b[0] == '\0')
        return FALSE;
    if (lstrcmpiA(a, b) == 0)
        return TRUE;
    char fileA[LOCATION_BUFFER];
    char fileB[LOCATION_BUFFER];
    if (FindIconFile(a, fileA) != FindIconFile(b, fileB))
        return FALSE;
    return lstrcmpiA(fileA, fileB) == 0;
}

BOOL ShowsStandard(const IconEntry *entry)
{
    return entry != nullptr && SameIconLocation(entry->CurrentLocation, entry->DefaultLocation);
}

// Where everything goes back to the standard: a Shell Icons row to no override at all, which
// is the shell's own picture whatever standard the list offers (cool.dll's under Plus!);
// other rows to their standard. Null for a row left as it is.
static const char *AllStandardTarget(const IconEntry *entry, char *own)
{
    // A row without an icon of its own already shows the shell's standard.
    if (entry == nullptr || entry->CurrentLocation[0] == '\0' || entry->RegistryKey == nullptr)
        return nullptr;
    if (entry->RegistryKey[0] != '{') {
        CopyText(own, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", LOCATION_BUFFER);
        if (!AppendText(own, "shell32.dll,", LOCATION_BUFFER) || !AppendText(own, entry->RegistryKey, LOCATION_BUFFER))
            return nullptr;
        return lstrcmpiA(entry->CurrentLocation, own) != 0 ? own : nullptr;
    }
    // A value that names the standard icon in other words is read the same: what Windows
    // wrote is kept.
    if (entry->DefaultLocation == nullptr || entry->DefaultLocation[0] == '\0' || ShowsStandard(entry))
        return nullptr;
    return entry->DefaultLocation;
}

int MarkListsStandard()
{
    int changed = 0;
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        if (list == nullptr || !IsWindow(list))
            continue;
        int rows = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            char own[LOCATION_BUFFER];
            const char *target = AllStandardTarget(GetEntry(list, row), own);
            if (target != nullptr && ChangeEntryLocation(list, row, target, STATE_CHANGED))
                ++changed;
        }
        PostMessageA(GetParent(list), UM_ICONSCHANGED, 0, -1);
    }
    return changed;
}
