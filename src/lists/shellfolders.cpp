// The Special tab: every registered shell folder with an icon and a title of its own that
// is not a desktop item. There is no catalogue; only a few folders have a known standard icon.
#include "common/pump.h"
#include "shellglue/startfacts.h"
#include "lists/catalogues.h"
#include "lists/classids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
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
    PUMP_EVERY = 200,       // classes between two looks at the queue: well under 100 ms
    PUMP_LIMIT = 16,
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

// One enumerated class: the tests stop at the first that fails. Every test only reads, so
// the ones that need no registry call come first; of the rest, the icon rules out most
// classes with a single open.
void ConsiderClass(HWND list, const ClassRoots &roots, const char *name, DWORD length)
{
    if (length != CLASS_ID_LENGTH)
        return;
    BYTE bytes[CLASS_ID_BYTES];
    if (!ParseGuidText(name, bytes) || IsDesktopClass(bytes))
        return;
    char key[KEY_BUFFER];
    ClassSubkey(name, "\\DefaultIcon", key);
    GlobalText icon(ReadClassString(roots, key));
    if (icon.Get() == nullptr)
        return;
    // Classes with a ProgID are objects that documents are made of, not folders.
    ClassSubkey(name, "\\ProgID", key);
    if (SubkeyExists(roots.Machine, key))
        return;
    GlobalText title(ReadClassString(roots, name));
    if (title.Get() == nullptr)
        return;
    if (!IsShellFolder(roots.Machine, name))
        return;

    char defaultLocation[LOCATION_BUFFER];
    KnownDefault(bytes, roots.First, roots.Last, defaultLocation);

    IconEntry entry = {};
    entry.Kind = KIND_ORDINARY;
    entry.DisplayName = title.Get();
    entry.CurrentLocation = icon.Get();
    entry.SavedLocation = icon.Get();
    entry.DefaultLocation = defaultLocation[0] != '\0' ? defaultLocation : nullptr;
    entry.RegistryKey = const_cast<char *>(name);
    AddEntry(list, &entry);
}

// The walk serves the queue now and then once the sheet is on screen; before that nothing
// may run ahead of the first fill.
bool SheetShown(HWND list)
{
    HWND page = GetParent(list);
    HWND sheet = page != nullptr ? GetParent(page) : nullptr;
    return sheet != nullptr && IsWindowVisible(sheet);
}

}  // namespace

void FillShellFolderList(HWND list)
{
    RegKey machine;
    if (!machine.Open(HKEY_LOCAL_MACHINE, kClassesKey, KEY_READ))
        return;
    RegKey user;
    if (Facts.IntegratedShell)
        user.Open(HKEY_CURRENT_USER, kClassesKey, KEY_READ);
    ClassRoots roots = {machine.Get(), user.Get(), Facts.NewShell ? FIRST_NEW_SHELL_ROW : 0,
                        Facts.NewShell ? KNOWN_FOLDERS - 1 : FIRST_NEW_SHELL_ROW - 1};

    // Many folders name the same few icon files.
    BeginSearchMemo();
    char name[CLASS_NAME_BUFFER];
    for (DWORD index = 0;; ++index) {
        if (index % PUMP_EVERY == PUMP_EVERY - 1 && SheetShown(list)) {
            PumpWaitingMessages(PUMP_LIMIT);
            // Cancel or the close box may have ended the sheet meanwhile.
            if (!IsWindow(list))
                break;
        }
        DWORD length = CLASS_NAME_BUFFER;
        LONG result = RegEnumKeyExA(machine.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is no class identifier; the walk goes on past it.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        ConsiderClass(list, roots, name, length);
    }
    EndSearchMemo();
}
