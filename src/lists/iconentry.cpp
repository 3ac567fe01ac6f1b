#include "lists/iconentry.h"

#include "restore/restorepoint.h"
#include "ids.h"
#include "shellglue/handles.h"
#include "shellglue/iconimage.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/rightswrite.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"

ListsState Lists;

static const char kClsidPrefix[] = "Software\\Classes\\CLSID\\";
enum { SHELL_INDEX_MAX = 3 };

HWND ListOfTab(int tab)
{
    return tab >= 0 && tab < LIST_TAB_COUNT ? Lists.TabLists[tab] : nullptr;
}

IconEntry *GetEntry(HWND list, int row)
{
    if (list == nullptr || row < 0)
        return nullptr;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR || row >= count)
        return nullptr;
    LRESULT data = SendMessageA(list, LB_GETITEMDATA, row, 0);
    if (data == LB_ERR)
        return nullptr;
    return reinterpret_cast<IconEntry *>(data);
}

void LoadEntryIcons(const char *location, HICON *large, HICON *small)
{
    *large = nullptr;
    *small = nullptr;
    if (location == nullptr)
        return;

    // A location that does not fit the working buffer would be cut into another file's name.
    char file[MAX_PATH];
    if (lstrlenA(location) >= MAX_PATH)
        return;
    CopyText(file, location, MAX_PATH);
    TrimTrailingSpaces(file);
    TrimLeadingSpaces(file);
    int index = SplitIconLocation(file);
    if (file[0] == '\0')
        return;

    char found[MAX_PATH];
    if (!SearchFile(file, found))
        return;
    DWORD attributes = GetFileAttributesA(found);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;

    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    int extracted = static_cast<int>(ExtractIconExA(found, index, &bigIcon, &smallIcon, 1));
    if (extracted <= 0) {
        if (bigIcon != nullptr)
            DestroyIcon(bigIcon);
        if (smallIcon != nullptr)
            DestroyIcon(smallIcon);
        return;
    }
    DropUnreadableIcons(found, index, &bigIcon, &smallIcon, 1);
    *large = bigIcon;
    *small = smallIcon;
}

static void FreeEntry(IconEntry *entry)
{
    if (entry->LargeIcon != nullptr)
        DestroyIcon(entry->LargeIcon);
    if (entry->SmallIcon != nullptr)
        DestroyIcon(entry->SmallIcon);
    char *texts[] = {entry->DisplayName, entry->CurrentLocation, entry->SavedLocation,
                     entry->DefaultLocation, entry->RegistryKey};
    for (char *text : texts) {
        if (text != nullptr)
            GlobalFree(text);
    }
    GlobalFree(entry);
}

void FreeList(HWND list)
{
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr)
            continue;
        // Drawing between here and the reset must not find a freed record.
        SendMessageA(list, LB_SETITEMDATA, row, 0);
        FreeEntry(entry);
    }
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

int AddEntry(HWND list, const IconEntry *templateEntry)
{
    IconEntry *entry = static_cast<IconEntry *>(GlobalAlloc(GMEM_FIXED, sizeof(IconEntry)));
    if (entry == nullptr)
        return 0;
    *entry = *templateEntry;
    entry->LargeIcon = nullptr;
    entry->SmallIcon = nullptr;

    const char *name = templateEntry->DisplayName;
    const char *current = templateEntry->CurrentLocation;
    entry->DisplayName = DupString(name != nullptr ? name : "");
    entry->CurrentLocation = DupString(current != nullptr ? current : "");
    entry->SavedLocation = templateEntry->SavedLocation ? DupString(templateEntry->SavedLocation) : nullptr;
    entry->DefaultLocation = templateEntry->DefaultLocation ? DupString(templateEntry->DefaultLocation) : nullptr;
    entry->RegistryKey = templateEntry->RegistryKey ? DupString(templateEntry->RegistryKey) : nullptr;
    bool copied = entry->DisplayName != nullptr && entry->CurrentLocation != nullptr &&
                  (templateEntry->SavedLocation == nullptr || entry->SavedLocation != nullptr) &&
                  (templateEntry->DefaultLocation == nullptr || entry->DefaultLocation != nullptr) &&
                  (templateEntry->RegistryKey == nullptr || entry->RegistryKey != nullptr);
    if (!copied) {
        FreeEntry(entry);
        return 0;
    }

    LoadEntryIcons(entry->CurrentLocation, &entry->LargeIcon, &entry->SmallIcon);

    LRESULT added = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    if (added == LB_ERR || added == LB_ERRSPACE) {
        FreeEntry(entry);
        return 0;
    }
    return 1;
}

// The copy a field receives: DisplayName and CurrentLocation are never null.
static char *CopyField(const char *source, bool neverNull, bool *failed)
{
    if (source == nullptr && !neverNull)
        return nullptr;
    char *copy = DupString(source != nullptr ? source : "");
    if (copy == nullptr)
        *failed = true;
    return copy;
}

int UpdateEntry(HWND list, int row, const IconEntry *source, unsigned fields)
{
    IconEntry *entry = GetEntry(list, row);
    if (entry == nullptr || source == nullptr)
        return 0;

    struct TextField {
        unsigned flag;
        char **target;
        char *const *from;
        bool neverNull;
    };
    TextField texts[] = {
        {EF_DISPLAYNAME, &entry->DisplayName, &source->DisplayName, true},
        {EF_CURRENTLOCATION, &entry->CurrentLocation, &source->CurrentLocation, true},
        {EF_SAVEDLOCATION, &entry->SavedLocation, &source->SavedLocation, false},
        {EF_DEFAULTLOCATION, &entry->DefaultLocation, &source->DefaultLocation, false},
        {EF_REGISTRYKEY, &entry->RegistryKey, &source->RegistryKey, false},
    };
    enum { TEXT_FIELDS = sizeof(texts) / sizeof(texts[0]) };

    // Every copy is made before any old text is freed: a source may point into this very
    // entry (undo hands over SavedLocation as the new CurrentLocation).
    char *copies[TEXT_FIELDS] = {};
    bool replace[TEXT_FIELDS] = {};
    for (int i = 0; i < TEXT_FIELDS; ++i) {
        if (!(fields & texts[i].flag) || *texts[i].from == *texts[i].target)
            continue;
        bool failed = false;
        copies[i] = CopyField(*texts[i].from, texts[i].neverNull, &failed);
        replace[i] = !failed;
    }
    for (int i = 0; i < TEXT_FIELDS; ++i) {
        if (!replace[i])
            continue;
        if (*texts[i].target != nullptr)
            GlobalFree(*texts[i].target);
        *texts[i].target = copies[i];
    }

    if (fields & EF_CHANGESTATE)
        entry->ChangeState = source->ChangeState;
    if (fields & EF_KIND)
        entry->Kind = source->Kind;

    if (fields & EF_CURRENTLOCATION) {
        if (entry->LargeIcon != nullptr)
            DestroyIcon(entry->LargeIcon);
        if (entry->SmallIcon != nullptr)
            DestroyIcon(entry->SmallIcon);
        LoadEntryIcons(entry->CurrentLocation, &entry->LargeIcon, &entry->SmallIcon);
    }

    // The page repaints the row and its preview and tells the sheet.
    SendMessageA(GetParent(list), UM_ROWUPDATED, WPARAM(row), entry->ChangeState != STATE_UNCHANGED);
    return 1;
}

int ChangeEntryLocation(HWND list, int row, const char *location, BYTE changedState)
{
    IconEntry *entry = GetEntry(list, row);
    if (entry == nullptr || location == nullptr)
        return 0;
    IconEntry change;
    ZeroMemory(&change, sizeof change);
    change.CurrentLocation = const_cast<char *>(location);
    bool differs = entry->SavedLocation == nullptr || lstrcmpiA(entry->SavedLocation, location) != 0;
    change.ChangeState = differs ? changedState : BYTE(STATE_UNCHANGED);
    return UpdateEntry(list, row, &change, EF_CURRENTLOCATION | EF_CHANGESTATE);
}

static bool KeyExists(HKEY root, const char *path)
{
    RegKey key;
    return key.Open(root, path, KEY_QUERY_VALUE);
}

void NoteCommitFailure(CommitFailures *failures, const char *name)
{
    if (failures == nullptr)
        return;
    if (failures->Count++ != 0)
        AppendText(failures->Names, "\n", COMMIT_NAMES_BUFFER);
    if (!AppendText(failures->Names, name != nullptr ? name : "", COMMIT_NAMES_BUFFER))
        AppendText(failures->Names, "...", COMMIT_NAMES_BUFFER);
}

// "To write a value" under a class's DefaultIcon key: machine-wide, then the per-user mirror.
static bool WriteClassValue(const char *keyPath, bool mirror, const char *valueName, const char *text)
{
    bool written = WriteRegString(HKEY_LOCAL_MACHINE, keyPath, valueName, text) != 0;
    if (mirror)
        written = WriteRegString(HKEY_CURRENT_USER, keyPath, valueName, text) != 0 && written;
    return written;
}

// A key that is not there counts as deleted.
static bool DeleteDefaultIconKey(HKEY root, const char *classPath)
{
    RegKey key;
    if (!key.Open(root, classPath, KEY_WRITE))
        return !KeyExists(root, classPath);
    LONG result = DeleteRegKey(key.Get(), "DefaultIcon");
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// The class key of a row and its DefaultIcon key (MAX_PATH bytes each); false for a key
// that is no class id.
static bool FormClassKeyPaths(const char *registryKey, char *classPath, char *keyPath)
{
    if (lstrlenA(registryKey) != CLASS_ID_LENGTH)
        return false;
    CopyText(classPath, kClsidPrefix, MAX_PATH);
    AppendText(classPath, registryKey, MAX_PATH);
    CopyText(keyPath, classPath, MAX_PATH);
    AppendText(keyPath, "\\DefaultIcon", MAX_PATH);
    return true;
}

static RowKind ClassRowKind(const IconEntry *entry)
{
    return entry->Kind == KIND_RECYCLE_EMPTY || entry->Kind == KIND_RECYCLE_FULL ? ROW_RECYCLE_ICON : ROW_CLASS_ICON;
}

// Where a row of a system that keeps classes per user is written: Explorer's own per-user
// copy where the user has one (it wins over the classes), else the user's classes.
static bool UserIconKey(const IconEntry *entry, char *key)
{
    char tail[MAX_PATH];
    CopyText(tail, "CLSID\\", MAX_PATH);
    AppendText(tail, entry->RegistryKey, MAX_PATH);
    AppendText(tail, "\\DefaultIcon", MAX_PATH);
    RowKind kind = ClassRowKind(entry);
    if (FormExplorerKey(kind, tail, key) && KeyExists(HKEY_CURRENT_USER, key))
        return true;
    return FormRowKey(kind, tail, key);
}

static bool WriteUserValue(const IconEntry *entry, const char *key, const char *name, const char *text)
{
    return WriteRowValue(ClassRowKind(entry), HKEY_CURRENT_USER, key, name, text, entry->DisplayName) == WRITE_DONE;
}

// The user's own value, or none at the standard: the machine's key then gives it.
static bool CommitUserClassEntry(const IconEntry *entry)
{
    char key[MAX_PATH];
    if (lstrlenA(entry->RegistryKey) != CLASS_ID_LENGTH || !UserIconKey(entry, key))
        return true;
    const char *current = entry->CurrentLocation;
    const char *text = entry->DefaultLocation != nullptr && lstrcmpiA(current, entry->DefaultLocation) == 0
                           ? nullptr
                           : current;
    switch (entry->Kind) {
    case KIND_RECYCLE_EMPTY:
    case KIND_RECYCLE_FULL: {
        bool empty = entry->Kind == KIND_RECYCLE_EMPTY;
        if (empty != (Lists.RecycleBinShowsFull != 0) && !WriteUserValue(entry, key, "", text))
            return false;
        return WriteUserValue(entry, key, empty ? "empty" : "full", text);
    }
    case KIND_BRIEFCASE: {
        char briefcase[MAX_PATH];
        if (KeyExists(HKEY_CLASSES_ROOT, "Briefcase\\DefaultIcon") &&
            FormRowKey(ROW_FILE_CLASS, "Briefcase\\DefaultIcon", briefcase) &&
            WriteRowValue(ROW_FILE_CLASS, PlaceOf(ROW_FILE_CLASS).Root, briefcase, "", text, entry->DisplayName) !=
                WRITE_DONE)
            return false;
        break;
    }
    case KIND_BROWSER:
        if (text == nullptr) {
            // The class key: DefaultIcon goes with everything in it.
            CutToDirectory(key);
            key[lstrlenA(key) - 1] = '\0';
            return DeleteDefaultIconKey(HKEY_CURRENT_USER, key);
        }
        break;
    default:
        break;
    }
    return WriteUserValue(entry, key, "", text);
}

static bool CommitClassEntry(const IconEntry *entry)
{
    if (PlaceOf(ClassRowKind(entry)).PerUser)
        return CommitUserClassEntry(entry);
    char classPath[MAX_PATH];
    char keyPath[MAX_PATH];
    if (!FormClassKeyPaths(entry->RegistryKey, classPath, keyPath))
        return true;

    // The integrated shell reads a per-user copy of the class first; keep it in step, but
    // only where the user already has one.
    bool mirror = false;
    if (Facts.IntegratedShell) {
        RegKey userKey;
        mirror = userKey.Open(HKEY_CURRENT_USER, keyPath, KEY_WRITE);
    }

    const char *current = entry->CurrentLocation;
    switch (entry->Kind) {
    case KIND_RECYCLE_EMPTY:
        if (!Lists.RecycleBinShowsFull && !WriteClassValue(keyPath, mirror, "", current))
            return false;
        return WriteClassValue(keyPath, mirror, "empty", current);
    case KIND_RECYCLE_FULL:
        if (Lists.RecycleBinShowsFull && !WriteClassValue(keyPath, mirror, "", current))
            return false;
        return WriteClassValue(keyPath, mirror, "full", current);
    case KIND_BRIEFCASE: {
        RegKey briefcase;
        if (briefcase.Open(HKEY_CLASSES_ROOT, "Briefcase\\DefaultIcon", KEY_WRITE)) {
            briefcase.Close();
            char standard[LOCATION_BUFFER];
            CopyText(standard, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", LOCATION_BUFFER);
            AppendText(standard, "syncui.dll,0", LOCATION_BUFFER);
            bool own = entry->DefaultLocation != nullptr && lstrcmpA(current, entry->DefaultLocation) != 0;
            if (!WriteRegString(HKEY_CLASSES_ROOT, "Briefcase\\DefaultIcon", "", own ? current : standard))
                return false;
        }
        break;
    }
    case KIND_BROWSER:
        if (entry->DefaultLocation == nullptr || lstrcmpA(current, entry->DefaultLocation) == 0) {
            bool user = DeleteDefaultIconKey(HKEY_CURRENT_USER, classPath);
            return DeleteDefaultIconKey(HKEY_LOCAL_MACHINE, classPath) && user;
        }
        break;
    default:
        break;
    }
    return WriteClassValue(keyPath, mirror, "", current);
}

static bool CommitShellIconEntry(const IconEntry *entry)
{
    const char *index = entry->RegistryKey;
    int length = lstrlenA(index);
    // An empty name would be the key's default value, which no picture reads.
    if (length == 0 || length > SHELL_INDEX_MAX)
        return true;

    char own[LOCATION_BUFFER];
    CopyText(own, "shell32.dll,", LOCATION_BUFFER);
    AppendText(own, index, LOCATION_BUFFER);
    char ownInSystem[LOCATION_BUFFER];
    CopyText(ownInSystem, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", LOCATION_BUFFER);
    bool systemFits = AppendText(ownInSystem, own, LOCATION_BUFFER) != 0;

    const char *current = entry->CurrentLocation;
    // Back at the shell's own picture: no override at all rather than one naming it.
    bool standard = lstrcmpiA(current, own) == 0 || (systemFits && lstrcmpiA(current, ownInSystem) == 0);
    char key[MAX_PATH];
    return FormRowKey(ROW_SHELL_ICON, SHELL_ICONS_KEY, key) &&
           WriteRowValue(ROW_SHELL_ICON, PlaceOf(ROW_SHELL_ICON).Root, key, index, standard ? nullptr : current,
                         entry->DisplayName) == WRITE_DONE;
}

bool CommitEntry(const IconEntry *entry)
{
    if (entry == nullptr || entry->RegistryKey == nullptr || entry->CurrentLocation == nullptr ||
        entry->CurrentLocation[0] == '\0')
        return true;
    if (entry->RegistryKey[0] == '{')
        return CommitClassEntry(entry);
    return CommitShellIconEntry(entry);
}

int CommitChangedRows(HWND list, CommitFailures *failures)
{
    int committed = 0;
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr || entry->ChangeState == STATE_UNCHANGED)
            continue;
        // A row the registry refused keeps its change for the next Apply.
        if (!CommitEntry(entry)) {
            NoteCommitFailure(failures, entry->DisplayName);
            continue;
        }
        IconEntry saved;
        ZeroMemory(&saved, sizeof saved);
        saved.SavedLocation = entry->CurrentLocation;
        saved.ChangeState = STATE_UNCHANGED;
        UpdateEntry(list, row, &saved, EF_SAVEDLOCATION | EF_CHANGESTATE);
        ++committed;
    }
    return committed;
}

// --- what Apply will replace ------------------------------------------------------------------

static void RecordUserClassEntry(const IconEntry *entry, RestorePoint *point)
{
    char key[MAX_PATH];
    if (!UserIconKey(entry, key))
        return;
    if (entry->Kind == KIND_BROWSER)
        point->KeyTree(HKEY_CURRENT_USER, key);
    char briefcase[MAX_PATH];
    if (entry->Kind == KIND_BRIEFCASE && FormRowKey(ROW_FILE_CLASS, "Briefcase\\DefaultIcon", briefcase))
        point->Value(PlaceOf(ROW_FILE_CLASS).Root, briefcase, "");
    point->Value(HKEY_CURRENT_USER, key, "");
    if (entry->Kind == KIND_RECYCLE_EMPTY || entry->Kind == KIND_RECYCLE_FULL)
        point->Value(HKEY_CURRENT_USER, key, entry->Kind == KIND_RECYCLE_EMPTY ? "empty" : "full");
}

// Every value CommitEntry may write or delete for the entry; values it leaves as they are
// cost a line of the record and nothing more.
static void RecordEntry(const IconEntry *entry, RestorePoint *point)
{
    if (entry->RegistryKey == nullptr || entry->CurrentLocation == nullptr || entry->CurrentLocation[0] == '\0')
        return;
    if (entry->RegistryKey[0] != '{') {
        int length = lstrlenA(entry->RegistryKey);
        if (length != 0 && length <= SHELL_INDEX_MAX)
            point->Value(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, entry->RegistryKey);
        return;
    }
    char classPath[MAX_PATH];
    char keyPath[MAX_PATH];
    if (!FormClassKeyPaths(entry->RegistryKey, classPath, keyPath))
        return;
    if (PlaceOf(ClassRowKind(entry)).PerUser) {
        RecordUserClassEntry(entry, point);
        return;
    }

    if (entry->Kind == KIND_BROWSER) {
        // Back at its standard the row's DefaultIcon key goes under both roots.
        point->KeyTree(HKEY_CURRENT_USER, keyPath);
        point->KeyTree(HKEY_LOCAL_MACHINE, keyPath);
    }
    if (entry->Kind == KIND_BRIEFCASE)
        point->Value(HKEY_CLASSES_ROOT, "Briefcase\\DefaultIcon", "");
    const char *names[] = {"", entry->Kind == KIND_RECYCLE_EMPTY ? "empty" : entry->Kind == KIND_RECYCLE_FULL ? "full" : nullptr};
    RegKey userKey;
    bool mirror = userKey.Open(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE);
    for (const char *name : names) {
        if (name == nullptr)
            continue;
        point->Value(HKEY_LOCAL_MACHINE, keyPath, name);
        if (mirror)
            point->Value(HKEY_CURRENT_USER, keyPath, name);
    }
}

bool EntryWritesValue(const IconEntry *entry, HKEY root, const char *key, const char *name)
{
    if (entry->RegistryKey == nullptr)
        return false;
    if (entry->RegistryKey[0] != '{')
        return root == HKEY_LOCAL_MACHINE && lstrcmpiA(key, SHELL_ICONS_KEY) == 0 &&
               lstrcmpiA(name, entry->RegistryKey) == 0;
    char classPath[MAX_PATH];
    char keyPath[MAX_PATH];
    char userKey[MAX_PATH];
    if (root == HKEY_CURRENT_USER && lstrlenA(entry->RegistryKey) == CLASS_ID_LENGTH &&
        UserIconKey(entry, userKey) && lstrcmpiA(key, userKey) == 0)
        return true;
    return (root == HKEY_LOCAL_MACHINE || root == HKEY_CURRENT_USER) &&
           FormClassKeyPaths(entry->RegistryKey, classPath, keyPath) && lstrcmpiA(key, keyPath) == 0;
}

int RecordChangedRows(HWND list, RestorePoint *point)
{
    int changed = 0;
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const IconEntry *entry = GetEntry(list, row);
        if (entry != nullptr && entry->ChangeState != STATE_UNCHANGED) {
            RecordEntry(entry, point);
            ++changed;
        }
    }
    return changed;
}
