// The Special tab: every registered shell folder with an icon and a title of its own that
// is not a desktop item. There is no catalogue; only a few folders have a known standard icon.
#include "common/pump.h"
#include "shellglue/startfacts.h"
#include "lists/catalogues.h"
#include "lists/classids.h"
#include "lists/iconentry.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

namespace {

const char kClassesKey[] = "Software\\Classes\\CLSID";

enum {
    CLASS_NAME_BUFFER = 237,
    KEY_BUFFER = 96,
    KNOWN_FOLDERS = 15,
    FIRST_NEW_SHELL_ROW = 8,
    WAIT_STEP = 25,         // ms between two looks at the queue while the parts are read
    PART_CLASSES = 500,     // a thread for each so many classes,
    MOST_PARTS = 4,         // up to this many
};

struct KnownFolder {
    ClassId Id;
    const char *Template;
};

// Rows 0-7 hold the standard icons of the old shell, rows 8-14 those of the new one.
const KnownFolder kKnownFolders[KNOWN_FOLDERS] = {
    {{{0x89, 0x29, 0x21, 0x02, 0x47, 0x55, 0x11, 0xCF, 0x9D, 0xC2, 0x00, 0xAA, 0x00, 0x6C, 0x2B, 0x84}},
     "*mailnews.dll,-2"},
    {{{0x89, 0x29, 0x21, 0x03, 0x47, 0x55, 0x11, 0xCF, 0x9D, 0xC2, 0x00, 0xAA, 0x00, 0x6C, 0x2B, 0x84}},
     "*mailnews.dll,-3"},
    {{{0xFF, 0x39, 0x35, 0x60, 0xC2, 0xA7, 0x11, 0xCF, 0xBF, 0xF4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "*CACHEVU.DLL"},
    {{{0x7B, 0xD2, 0x9E, 0x00, 0x76, 0xC1, 0x11, 0xCF, 0x9D, 0xD0, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0x33}},
     "*CACHEVU.DLL"},
    {{{0x1A, 0x9B, 0xA3, 0xA0, 0x14, 0x3A, 0x11, 0xCF, 0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "favorite.dll,0"},
    {{{0xD6, 0x27, 0x79, 0x90, 0x4C, 0x6A, 0x11, 0xCF, 0x8D, 0x87, 0x00, 0xAA, 0x00, 0x60, 0xF5, 0xBF}},
     "*mstask.dll,0"},
    {{{0x88, 0xC6, 0xC3, 0x81, 0x2E, 0x85, 0x11, 0xD0, 0x94, 0xDE, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "*OCCACHE.DLL"},
    {{{0xF5, 0x17, 0x58, 0x61, 0x26, 0x88, 0x11, 0xD0, 0x9C, 0x5E, 0x00, 0xAA, 0x00, 0xA4, 0x59, 0x57}},
     "*WEBCHECK.DLL"},
    {{{0x3D, 0xC7, 0xA0, 0x20, 0x0A, 0xCD, 0x11, 0xCF, 0xA9, 0xBB, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}},
     "*mshtml.dll,0"},
    {{{0xFF, 0x39, 0x35, 0x60, 0xC2, 0xA7, 0x11, 0xCF, 0xBF, 0xF4, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "*SHDOCVW.DLL,-20785"},
    {{{0x7B, 0xD2, 0x9E, 0x00, 0x76, 0xC1, 0x11, 0xCF, 0x9D, 0xD0, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0x33}},
     "*SHDOCVW.DLL,-20780"},
    {{{0xD6, 0x27, 0x79, 0x90, 0x4C, 0x6A, 0x11, 0xCF, 0x8D, 0x87, 0x00, 0xAA, 0x00, 0x60, 0xF5, 0xBF}},
     "*mstask.dll,-100"},
    {{{0x88, 0xC6, 0xC3, 0x81, 0x2E, 0x85, 0x11, 0xD0, 0x94, 0xDE, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "*OCCACHE.DLL"},
    {{{0x1A, 0x9B, 0xA3, 0xA0, 0x14, 0x3A, 0x11, 0xCF, 0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
     "*shell32.dll,-173"},
    {{{0xF5, 0x17, 0x58, 0x61, 0x26, 0x88, 0x11, 0xD0, 0x9C, 0x5E, 0x00, 0xAA, 0x00, 0xA4, 0x59, 0x57}},
     "*WEBCHECK.DLL"},
};

// Where the walk reads: the machine's classes, opened once, and the user's own classes,
// which only the integrated shell reads and only when the user has any at all.
struct ClassRoots {
    HKEY Machine;
    HKEY User;      // null when not asked
    int First;
    int Last;
};

// "<name><tail>" below an open classes key.
void ClassSubkey(const char *name, const char *tail, char *key)
{
    CopyText(key, name, KEY_BUFFER);
    AppendText(key, tail, KEY_BUFFER);
}

// The user's value first, then the machine's; an empty value counts as none.
char *ReadClassString(const ClassRoots &roots, const char *subkey)
{
    if (roots.User != nullptr) {
        char *text = ReadStringAt(roots.User, subkey, "", true);
        if (text != nullptr)
            return text;
    }
    return ReadStringAt(roots.Machine, subkey, "", true);
}

bool SubkeyExists(HKEY root, const char *subkey)
{
    RegKey probe;
    return probe.Open(root, subkey, KEY_QUERY_VALUE);
}

// A folder of the shell: it says so with a ShellFolder key, or it is served by the shell
// itself. Only the bare server name counts; a full path to shell32.dll does not.
bool IsShellFolder(HKEY machine, const char *name)
{
    char key[KEY_BUFFER];
    ClassSubkey(name, "\\ShellFolder", key);
    if (SubkeyExists(machine, key))
        return true;
    ClassSubkey(name, "\\InProcServer32", key);
    GlobalText server(ReadStringAt(machine, key, "", false));
    return server.Get() != nullptr && lstrcmpiA(server.Get(), "shell32.dll") == 0;
}

void KnownDefault(const BYTE *bytes, int first, int last, char *out)
{
    out[0] = '\0';
    for (int row = first; row <= last; ++row) {
        if (SameClassId(kKnownFolders[row].Id, bytes)) {
            ExpandIconTemplate(kKnownFolders[row].Template, false, out, LOCATION_BUFFER);
            return;
        }
    }
}

// A class that passed every test, kept until the list can take it.
struct FoundFolder {
    char Name[CLASS_ID_LENGTH + 1];
    char *Icon;
    char *Title;
};

// One stretch of the class key, read on a thread of its own: every registry call waits on
// the system, and stretches that wait side by side finish sooner than one after the other.
struct ClassPart {
    ClassRoots Roots;           // Machine is only shared for opens; the part enumerates its own
    DWORD First;
    DWORD End;                  // past the last index; the last part reads to the end
    volatile LONG *Stop;
    FoundFolder *Found;
    DWORD Count;
    DWORD Capacity;
};

// One enumerated class: the tests stop at the first that fails. Every test only reads, so
// the ones that need no registry call come first; of the rest, the icon rules out most
// classes with a single open.
bool TestClass(const ClassRoots &roots, const char *name, DWORD length, GlobalText &icon, GlobalText &title)
{
    if (length != CLASS_ID_LENGTH)
        return false;
    BYTE bytes[CLASS_ID_BYTES];
    if (!ParseGuidText(name, bytes) || IsDesktopClass(bytes))
        return false;
    char key[KEY_BUFFER];
    ClassSubkey(name, "\\DefaultIcon", key);
    icon.Reset(ReadClassString(roots, key));
    if (icon.Get() == nullptr)
        return false;
    // Classes with a ProgID are objects that documents are made of, not folders.
    ClassSubkey(name, "\\ProgID", key);
    if (SubkeyExists(roots.Machine, key))
        return false;
    title.Reset(ReadClassString(roots, name));
    return title.Get() != nullptr && IsShellFolder(roots.Machine, name);
}

// A fixed block cannot grow in place: a bigger one takes the finds over.
bool KeepFound(ClassPart *part, const char *name, GlobalText &icon, GlobalText &title)
{
    if (part->Count == part->Capacity) {
        DWORD capacity = part->Capacity != 0 ? part->Capacity * 2 : 16;
        FoundFolder *grown = static_cast<FoundFolder *>(GlobalAlloc(GMEM_FIXED, capacity * sizeof(FoundFolder)));
        if (grown == nullptr)
            return false;
        if (part->Found != nullptr) {
            CopyMemory(grown, part->Found, part->Count * sizeof(FoundFolder));
            GlobalFree(part->Found);
        }
        part->Found = grown;
        part->Capacity = capacity;
    }
    FoundFolder &found = part->Found[part->Count++];
    CopyText(found.Name, name, sizeof found.Name);
    found.Icon = icon.Release();
    found.Title = title.Release();
    return true;
}

DWORD WINAPI ReadPart(void *parameter)
{
    ClassPart *part = static_cast<ClassPart *>(parameter);
    // A handle of its own: the system remembers where an enumeration stands per handle.
    RegKey classes;
    if (!classes.Open(HKEY_LOCAL_MACHINE, kClassesKey, KEY_READ))
        return 0;
    char name[CLASS_NAME_BUFFER];
    for (DWORD index = part->First; index < part->End && *part->Stop == 0; ++index) {
        DWORD length = CLASS_NAME_BUFFER;
        LONG result = RegEnumKeyExA(classes.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is no class identifier; the walk goes on past it.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        GlobalText icon, title;
        if (TestClass(part->Roots, name, length, icon, title))
            KeepFound(part, name, icon, title);
    }
    return 0;
}

void FreePart(ClassPart *part)
{
    for (DWORD i = 0; i < part->Count; ++i) {
        GlobalFree(part->Found[i].Icon);
        GlobalFree(part->Found[i].Title);
    }
    if (part->Found != nullptr)
        GlobalFree(part->Found);
    part->Found = nullptr;
    part->Count = part->Capacity = 0;
}

void AddFolder(HWND list, const ClassRoots &roots, const FoundFolder &found)
{
    BYTE bytes[CLASS_ID_BYTES];
    ParseGuidText(found.Name, bytes);
    char defaultLocation[LOCATION_BUFFER];
    KnownDefault(bytes, roots.First, roots.Last, defaultLocation);

    IconEntry entry = {};
    entry.Kind = KIND_ORDINARY;
    entry.DisplayName = found.Title;
    entry.CurrentLocation = found.Icon;
    entry.SavedLocation = found.Icon;
    entry.DefaultLocation = defaultLocation[0] != '\0' ? defaultLocation : nullptr;
    entry.RegistryKey = const_cast<char *>(found.Name);
    AddEntry(list, &entry);
}

// Waits for the parts' threads, serving the sheet meanwhile. Cancel or the close box may end
// the sheet in between: the parts are told to stop, and still waited for, since they write
// into records this function owns.
bool WaitForParts(HWND list, HANDLE *threads, int count, volatile LONG *stop)
{
    for (int i = 0; i < count; ++i) {
        while (WaitForSingleObject(threads[i], WAIT_STEP) == WAIT_TIMEOUT) {
            if (*stop == 0 && !ServeSheetDuringFill(list))
                InterlockedExchange(const_cast<LONG *>(stop), 1);
        }
    }
    return *stop == 0 && IsWindow(list);
}

}  // namespace

void FillShellFolderList(HWND list)
{
    RegKey machine;
    if (!machine.Open(HKEY_LOCAL_MACHINE, kClassesKey, KEY_READ))
        return;
    RegKey user;
    if (Facts.IntegratedShell || PlaceOf(ROW_CLASS_ICON).PerUser)
        user.Open(HKEY_CURRENT_USER, kClassesKey, KEY_READ);
    ClassRoots roots = {machine.Get(), user.Get(), Facts.NewShell ? FIRST_NEW_SHELL_ROW : 0,
                        Facts.NewShell ? KNOWN_FOLDERS - 1 : FIRST_NEW_SHELL_ROW - 1};
    DWORD classes = 0;
    if (RegQueryInfoKeyA(machine.Get(), nullptr, nullptr, nullptr, &classes, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        classes = 0;

    int parts = int(classes / PART_CLASSES) + 1;
    if (parts > MOST_PARTS)
        parts = MOST_PARTS;
    volatile LONG stop = 0;
    ClassPart part[MOST_PARTS] = {};
    HANDLE threads[MOST_PARTS];
    int started = 0;
    for (int p = 0; p < parts; ++p) {
        part[p].Roots = roots;
        part[p].First = DWORD(ULONGLONG(classes) * p / parts);
        part[p].End = p == parts - 1 ? MAXDWORD : DWORD(ULONGLONG(classes) * (p + 1) / parts);
        part[p].Stop = &stop;
        DWORD id;
        threads[started] = CreateThread(nullptr, 0, ReadPart, &part[p], 0, &id);
        // Without a thread the part is read here; it only takes longer.
        if (threads[started] == nullptr) {
            ReadPart(&part[p]);
            continue;
        }
        // On one processor the sheet still comes first.
        SetThreadPriority(threads[started], THREAD_PRIORITY_BELOW_NORMAL);
        ++started;
    }
    bool listed = WaitForParts(list, threads, started, &stop);
    for (int i = 0; i < started; ++i)
        CloseHandle(threads[i]);

    // Many folders name the same few icon files.
    BeginSearchMemo();
    const char *previous = "";
    int added = 0;
    for (int p = 0; p < parts; ++p) {
        for (DWORD i = 0; listed && i < part[p].Count; ++i) {
            // A class added meanwhile can move a name across the border of two parts.
            if (lstrcmpA(part[p].Found[i].Name, previous) == 0)
                continue;
            AddFolder(list, roots, part[p].Found[i]);
            previous = part[p].Found[i].Name;
            listed = ServeSheetEveryFewRows(list, added++);
        }
    }
    EndSearchMemo();
    for (int p = 0; p < parts; ++p)
        FreePart(&part[p]);
}
