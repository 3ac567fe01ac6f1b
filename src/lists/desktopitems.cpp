// The Desktop tab: the shell's desktop objects, each a class whose icon is its DefaultIcon
// subkey, with a fallback title and the standard icon of the situation.
#include "common/appstate.h"
#include "common/pump.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "common/tabs.h"
#include "lists/catalogues.h"
#include "lists/classids.h"
#include "lists/iconentry.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

namespace {

const char kClassesKey[] = "Software\\Classes\\CLSID\\";
const char kDefaultIconKey[] = "\\DefaultIcon";
const char kBrowserDefault[] = "MSHtml.dll,0";

enum { KEY_BUFFER = 96, ROW_RECYCLE_EMPTY = 3, ROW_INTERNET = 11, ROW_BROWSER = 12, DESKTOP_ROWS = 12 };

// Where a row's standard icon comes from when no template applies.
enum DefaultSource : BYTE {
    SRC_TEMPLATE,          // the set's template
    SRC_WINDOWS_EXPLORER,  // Explorer.exe in the Windows folder
    SRC_EXCHANGE,          // the App Paths entry of the mail client
    SRC_MSN,               // the network client's own server
    SRC_BROWSER,           // the browser's App Paths entry, in every situation
};

struct DesktopRow {
    ClassId Id;
    WORD FallbackTitle;         // string table: when the class has no title of its own
    BYTE Kind;
    BYTE BaseSource;
    const char *BaseTemplate;
    const char *CoolTemplate;
    const char *IntegratedTemplate;  // null: the row keeps the set already chosen
};

const DesktopRow kDesktopRows[DESKTOP_CLASS_COUNT] = {
    // ﾏｲ ｺﾝﾋﾟｭｰﾀ
    {{{0x20, 0xD0, 0x4F, 0xE0, 0x3A, 0xEA, 0x10, 0x69, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 0, KIND_ORDINARY, SRC_WINDOWS_EXPLORER, nullptr, "*?,16",
     "explorer.exe,0"},
    // ﾈｯﾄﾜｰｸ ｺﾝﾋﾟｭｰﾀ
    {{{0x20, 0x8D, 0x2C, 0x60, 0x3A, 0xEA, 0x10, 0x69, 0xA2, 0xD7, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 1, KIND_ORDINARY, SRC_TEMPLATE, "*|,17", "*?,17",
     "|,17"},
    // ﾏｲ ﾄﾞｷｭﾒﾝﾄ
    {{{0x45, 0x0D, 0x8F, 0xBA, 0xAD, 0x25, 0x11, 0xD0, 0x98, 0xA8, 0x08, 0x00, 0x36, 0x1B, 0x11, 0x03}},
     IDS_DESKTOPROW_FIRST + 2, KIND_ORDINARY, SRC_TEMPLATE, "mydocs.dll,0", "mydocs.dll,0",
     nullptr},
    // ごみ箱 (空)
    {{{0x64, 0x5F, 0xF0, 0x40, 0x50, 0x81, 0x10, 0x1B, 0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}},
     IDS_DESKTOPROW_FIRST + 3, KIND_RECYCLE_EMPTY, SRC_TEMPLATE, "*|,31", "*?,20", "|,31"},
    // ごみ箱 (一杯)
    {{{0x64, 0x5F, 0xF0, 0x40, 0x50, 0x81, 0x10, 0x1B, 0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}},
     IDS_DESKTOPROW_FIRST + 4, KIND_RECYCLE_FULL, SRC_TEMPLATE, "*|,32", "*?,21",
     "|,32"},
    // 受信ﾄﾚｲ
    {{{0x00, 0x02, 0x0D, 0x75, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
     IDS_DESKTOPROW_FIRST + 5, KIND_ORDINARY, SRC_EXCHANGE, nullptr, "*?,30", nullptr},
    {{{0x00, 0x02, 0x8B, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}},
     IDS_DESKTOPROW_FIRST + 6, KIND_ORDINARY, SRC_MSN, nullptr, "*?,31", nullptr},
    // ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ
    {{{0x21, 0xEC, 0x20, 0x20, 0x3A, 0xEA, 0x10, 0x69, 0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 7, KIND_ORDINARY, SRC_TEMPLATE, "*|,-137", "*?,12", "|,-137"},
    // ﾀﾞｲﾔﾙｱｯﾌﾟ ﾈｯﾄﾜｰｸ
    {{{0x99, 0x2C, 0xFF, 0xA0, 0xF5, 0x57, 0x10, 0x1A, 0x88, 0xEC, 0x00, 0xDD, 0x01, 0x0C, 0xCC, 0x48}},
     IDS_DESKTOPROW_FIRST + 8, KIND_ORDINARY, SRC_TEMPLATE,
     "*rnaui.dll,0", "*?,27", "rnaui.dll,0"},
    // ﾌﾟﾘﾝﾀ
    {{{0x22, 0x27, 0xA2, 0x80, 0x3A, 0xEA, 0x10, 0x69, 0xA2, 0xDE, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 9, KIND_ORDINARY, SRC_TEMPLATE, "*|,-138", "*?,19", "|,-138"},
    // ﾌﾞﾘｰﾌｹｰｽ
    {{{0x85, 0xBB, 0xD9, 0x20, 0x42, 0xA0, 0x10, 0x69, 0xA2, 0xE4, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 10, KIND_BRIEFCASE, SRC_TEMPLATE, "*syncui.dll,0", "*?,35", nullptr},
    // ｲﾝﾀｰﾈｯﾄ
    {{{0xFB, 0xF2, 0x3B, 0x42, 0xE3, 0xF0, 0x10, 0x1B, 0x84, 0x88, 0x00, 0xAA, 0x00, 0x3E, 0x56, 0xF8}},
     IDS_DESKTOPROW_FIRST + 11, KIND_ORDINARY, SRC_BROWSER, nullptr, nullptr, nullptr},
    // The browser icon of the integrated shell: its standard icon is fixed.
    {{{0x87, 0x1C, 0x53, 0x80, 0x42, 0xA0, 0x10, 0x69, 0xA2, 0xEA, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}},
     IDS_DESKTOPROW_FIRST + 12, KIND_BROWSER, SRC_TEMPLATE, kBrowserDefault, kBrowserDefault, nullptr},
};


// Appends text to out within LOCATION_BUFFER; a result that would not fit leaves no default.
bool Finish(char *out, const char *tail)
{
    if (AppendText(out, tail, LOCATION_BUFFER))
        return true;
    out[0] = '\0';
    return false;
}

void ExplorerDefault(char *out)
{
    UINT length = GetWindowsDirectoryA(out, LOCATION_BUFFER);
    if (length == 0 || length >= LOCATION_BUFFER - 1) {
        out[0] = '\0';
        return;
    }
    AddBackslash(out);
    Finish(out, "Explorer.exe,0");
}

void RegistryDefault(HKEY root, const char *subkey, const char *tail, char *out)
{
    out[0] = '\0';
    GlobalText value(ReadRegString(root, subkey, ""));
    if (value.Get() == nullptr || value.Get()[0] == '\0')
        return;
    if (Finish(out, value.Get()))
        Finish(out, tail);
}

// The browser's program, in its long form on the new shell, whose icon is a resource id there.
void BrowserDefault(char *out)
{
    out[0] = '\0';
    GlobalText value(ReadRegString(HKEY_LOCAL_MACHINE,
                                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", ""));
    if (value.Get() == nullptr || value.Get()[0] == '\0')
        return;
    char longPath[MAX_PATH];
    const char *path = value.Get();
    if (Facts.NewShell && ExpandToLongPath(value.Get(), longPath))
        path = longPath;
    if (Finish(out, path))
        Finish(out, Facts.NewShell ? ",-32528" : ",0");
}

void ChooseDefault(const DesktopRow &row, char *out)
{
    out[0] = '\0';
    if (row.BaseSource == SRC_BROWSER) {
        BrowserDefault(out);
        return;
    }
    if (Facts.IntegratedShell && !Facts.PlusMode && row.IntegratedTemplate != nullptr) {
        ExpandIconTemplate(row.IntegratedTemplate, true, out, LOCATION_BUFFER);
        return;
    }
    if (Facts.CoolIconsAvailable) {
        ExpandIconTemplate(row.CoolTemplate, true, out, LOCATION_BUFFER);
        return;
    }
    switch (row.BaseSource) {
    case SRC_WINDOWS_EXPLORER:
        ExplorerDefault(out);
        break;
    case SRC_EXCHANGE:
        RegistryDefault(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\EXCHNG32.EXE",
                        "", out);
        break;
    case SRC_MSN:
        RegistryDefault(HKEY_CLASSES_ROOT, "CLSID\\{00028B00-0000-0000-C000-000000000046}\\InProcServer32", ",0",
                        out);
        break;
    default:
        ExpandIconTemplate(row.BaseTemplate, true, out, LOCATION_BUFFER);
        break;
    }
}

// K(c): the class key of a row, and the class text itself.
void ClassKey(const DesktopRow &row, char *classText, char *key)
{
    FormatClassId(row.Id, classText);
    CopyText(key, kClassesKey, KEY_BUFFER);
    AppendText(key, classText, KEY_BUFFER);
}

bool InstalledForMachine(const char *key)
{
    RegKey probe;
    return probe.Open(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE);
}

// A new heap text of title and suffix; null when out of memory.
char *JoinTexts(const char *title, const char *suffix)
{
    int titleLength = lstrlenA(title);
    int suffixLength = lstrlenA(suffix);
    char *joined = static_cast<char *>(GlobalAlloc(GMEM_FIXED, titleLength + suffixLength + 1));
    if (joined == nullptr)
        return nullptr;
    CopyMemory(joined, title, titleLength);
    CopyMemory(joined + titleLength, suffix, suffixLength + 1);
    return joined;
}

// The Recycle Bin's pictures as Explorer keeps them per user where it does; the classes'
// otherwise.
char *ReadRowIcon(const DesktopRow &row, const char *iconKey, const char *name)
{
    char explorerKey[MAX_PATH];
    bool bin = row.Kind == KIND_RECYCLE_EMPTY || row.Kind == KIND_RECYCLE_FULL;
    if (bin && FormExplorerKey(ROW_RECYCLE_ICON, iconKey + lstrlenA("Software\\Classes\\"), explorerKey)) {
        RegKey own;
        if (own.Open(HKEY_CURRENT_USER, explorerKey, KEY_QUERY_VALUE)) {
            own.Close();
            char *text = ReadStringAt(HKEY_CURRENT_USER, explorerKey, name, true);
            if (text != nullptr)
                return text;
        }
    }
    return ReadUserOrMachineString(iconKey, name);
}

// Where the user has his own icon, the machine's is the standard he goes back to.
void MachineStandard(const DesktopRow &row, const char *iconKey, char *defaultLocation)
{
    if (!PlaceOf(ROW_CLASS_ICON).PerUser || row.BaseSource == SRC_BROWSER)
        return;
    bool bin = row.Kind == KIND_RECYCLE_EMPTY || row.Kind == KIND_RECYCLE_FULL;
    GlobalText machine(ReadStringAt(HKEY_LOCAL_MACHINE, iconKey,
                                    bin ? (row.Kind == KIND_RECYCLE_EMPTY ? "empty" : "full") : "", true));
    if (machine.Get() != nullptr)
        CopyText(defaultLocation, machine.Get(), LOCATION_BUFFER);
}

void AddDesktopRow(HWND list, const DesktopRow &row)
{
    char classText[CLASS_ID_LENGTH + 1];
    char key[KEY_BUFFER];
    ClassKey(row, classText, key);
    if (!InstalledForMachine(key))
        return;

    char defaultLocation[LOCATION_BUFFER];
    ChooseDefault(row, defaultLocation);

    GlobalText title(ReadUserOrMachineString(key, ""));
    char iconKey[KEY_BUFFER];
    CopyText(iconKey, key, KEY_BUFFER);
    AppendText(iconKey, kDefaultIconKey, KEY_BUFFER);

    GlobalText icon;
    GlobalText titled;
    if (row.Kind == KIND_RECYCLE_EMPTY || row.Kind == KIND_RECYCLE_FULL) {
        bool empty = row.Kind == KIND_RECYCLE_EMPTY;
        if (title.Get() != nullptr)
            titled.Reset(JoinTexts(title.Get(), LoadText(empty ? IDS_EMPTYSUFFIX : IDS_FULLSUFFIX)));
        icon.Reset(ReadRowIcon(row, iconKey, empty ? "empty" : "full"));
        if (empty) {
            // The bin shows its full picture when the shown icon is not the "empty" one.
            GlobalText shown(ReadRowIcon(row, iconKey, ""));
            if (shown.Get() != nullptr && icon.Get() != nullptr)
                Lists.RecycleBinShowsFull = lstrcmpA(shown.Get(), icon.Get()) != 0;
        }
    } else {
        icon.Reset(ReadUserOrMachineString(iconKey, ""));
    }
    MachineStandard(row, iconKey, defaultLocation);

    char fallback[TEXT_BUFFER];
    CopyText(fallback, LoadText(row.FallbackTitle), TEXT_BUFFER);
    const char *name = fallback;
    if (titled.Get() != nullptr)
        name = titled.Get();
    else if (title.Get() != nullptr && row.Kind != KIND_RECYCLE_EMPTY && row.Kind != KIND_RECYCLE_FULL)
        name = title.Get();

    IconEntry entry = {};
    entry.Kind = row.Kind;
    entry.DisplayName = const_cast<char *>(name);
    entry.CurrentLocation = icon.Get();
    entry.SavedLocation = icon.Get();
    entry.DefaultLocation = defaultLocation[0] != '\0' ? defaultLocation : nullptr;
    entry.RegistryKey = classText;
    AddEntry(list, &entry);
}

// The integrated shell's browser icon: without an icon of its own it shows the standard one.
void AddBrowserRow(HWND list)
{
    const DesktopRow &row = kDesktopRows[ROW_BROWSER];
    char classText[CLASS_ID_LENGTH + 1];
    char key[KEY_BUFFER];
    ClassKey(row, classText, key);
    if (!InstalledForMachine(key))
        return;

    GlobalText title(ReadUserOrMachineString(key, ""));
    char iconKey[KEY_BUFFER];
    CopyText(iconKey, key, KEY_BUFFER);
    AppendText(iconKey, kDefaultIconKey, KEY_BUFFER);
    GlobalText icon(ReadUserOrMachineString(iconKey, ""));

    char defaultLocation[LOCATION_BUFFER];
    CopyText(defaultLocation, kBrowserDefault, LOCATION_BUFFER);
    IconEntry entry = {};
    entry.Kind = row.Kind;
    char fallback[TEXT_BUFFER];
    CopyText(fallback, LoadText(row.FallbackTitle), TEXT_BUFFER);
    entry.DisplayName = title.Get() != nullptr ? title.Get() : fallback;
    entry.CurrentLocation = icon.Get() != nullptr ? icon.Get() : defaultLocation;
    entry.SavedLocation = entry.CurrentLocation;
    entry.DefaultLocation = defaultLocation;
    entry.RegistryKey = classText;
    AddEntry(list, &entry);
}

}  // namespace

const ClassId &DesktopClassId(int row)
{
    return kDesktopRows[row].Id;
}

bool IsDesktopClass(const BYTE *bytes)
{
    for (const DesktopRow &row : kDesktopRows) {
        if (SameClassId(row.Id, bytes))
            return true;
    }
    return false;
}

void FillDesktopList(HWND list)
{
    Lists.RecycleBinShowsFull = 0;
    for (int row = 0; row < DESKTOP_ROWS; ++row) {
        if (row == ROW_INTERNET && Facts.IntegratedShell)
            continue;
        AddDesktopRow(list, kDesktopRows[row]);
        if (!ServeSheetEveryFewRows(list, row))
            return;
    }
    if (Facts.IntegratedShell)
        AddBrowserRow(list);
}
