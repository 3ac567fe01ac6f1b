// Channels of the shell glue: icon-location texts, the registry values the program reads, and
// a folder's DESKTOP.INI as location resolution reads it.
#include <windows.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "common/iconclipboard.h"
#include "common/appstate.h"
#include "common/options.h"
#include "common/texts.h"
#include "common/sheetgdi.h"
#include "fuzz/fuzzchannels.h"
#include "support/regsnapshot.h"
#include "ids.h"
#include "lists/catalogues.h"
#include "lists/iconentry.h"
#include "lists/themeimport.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "shellsettings/iconsettings.h"
#include "support/testing.h"

namespace fuzz {
namespace {

// Facts, options and sheet pictures as the frame would have them.
void StartProgramState()
{
    Facts.SystemDirPath = DupString(SystemDir().c_str());
    ResetSettings();
    Settings.AutoRefresh = 0;
    Settings.RefreshLevel = 0;
    // The Change Icon dialog opens at once: no animation to wait for on every input.
    Settings.DialogAnimation = 0;
}

void EndProgramState()
{
    FreeAppText(&Facts.SystemDirPath);
    ResetSettings();
}

// Bytes from stated..capacity were not the callee's to write.
void CheckUntouched(CheckedBuffer &buffer, int stated, int capacity, const char *what)
{
    for (int i = stated; i < capacity; ++i) {
        if (buffer.Get()[i] != char(CheckedBuffer::MARK)) {
            char note[128];
            wsprintfA(note, "%s: wrote byte %d of a buffer stated as %d bytes", what, i, stated);
            Fail(note);
            return;
        }
    }
}

// A text that ends at the first NUL, the way a buffer hands it on.
std::string AsText(const std::string &bytes)
{
    return bytes.substr(0, strlen(bytes.c_str()));
}

const std::vector<std::string> &LocationWords()
{
    static const std::vector<std::string> words = {
        "$S$\\a.ico", "$S$\\x,5.ico", "$S$\\lib.dll", "$S$\\dir", "$S$\\plain.txt", "$S$\\\x95\x5C\x8E\xA6.ico",
        "$Y$\\shell32.dll", "$Y$\\SHELL32.DLL", "$F$\\icons12.dll", "$F$\\one.ico", ",", ",-", ",3", ",-100",
        ",2147483647", ",99999999999", "\"", " ", "%1", "%SystemRoot%", ".lnk", ".exe", "\\\\server\\share\\",
        "C:\\", "\x83\x5C", "*", "?"};
    return words;
}

void LocationFiles()
{
    const std::string &s = g_run.Scratch;
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\a.ico").c_str(), FALSE);
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\x,5.ico").c_str(), FALSE);
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\\x95\x5C\x8E\xA6.ico").c_str(), FALSE);
    CopyFileA(FixturePath("icons12.dll").c_str(), (s + "\\lib.dll").c_str(), FALSE);
    WriteFileText(s + "\\plain.txt", "text");
    CreateDirectoryA((s + "\\dir").c_str(), nullptr);
    WriteFileText(s + "\\dir\\desktop.ini", "[.ShellClassInfo]\r\nIconFile=..\\a.ico\r\nIconIndex=0\r\n");
}

// --- location ------------------------------------------------------------------------------------
// Input: one byte choosing the stated buffer size, then the location text.

const int kSizes[] = {LOCATION_BUFFER, MAX_PATH, 64, 16, 2, 1, 0x10000 | LOCATION_BUFFER, 0x10000};

HWND g_owner;

void LocationSetUp()
{
    StartProgramState();
    LocationFiles();
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    g_owner = CreateHelperWindow("TfFuzzOwner", DefWindowProcA);
}

void LocationRecover()
{
}

std::string MakeLocation(Random &random)
{
    const std::vector<std::string> &words = LocationWords();
    std::string text(1, char('0' + random.Below(8)));
    int parts = 1 + random.Below(4);
    for (int i = 0; i < parts; ++i)
        text += random.Chance(70) ? words[random.Below(int(words.size()))] : random.Text(40);
    if (random.Chance(40))
        text = text.substr(0, 1) + Mutate(random, text.substr(1), words);
    return text;
}

void FeedLocation(const std::string &input)
{
    int selector = input.empty() ? 0 : (input[0] - '0') & 7;
    std::string text = AsText(Expand(input.size() > 1 ? input.substr(1) : std::string()));

    CheckedBuffer split(LOCATION_BUFFER, text);
    {
        Armed watch;
        SplitIconLocation(split.Get());
    }
    split.Check("SplitIconLocation");

    // The caller's path always fits the size it states; the result must too.
    int stated = kSizes[selector];
    int usable = stated & 0xFFFF;
    CheckedBuffer resolved(LOCATION_BUFFER, text.substr(0, usable > 0 ? size_t(usable - 1) : 0));
    BYTE several = 0xEE;
    int found;
    {
        Armed watch;
        found = ResolveIconLocation(resolved.Get(), stated, &several);
    }
    if (resolved.Check("ResolveIconLocation", usable > 0 ? usable : LOCATION_BUFFER))
        CheckUntouched(resolved, usable > 0 ? usable : 1, LOCATION_BUFFER, "ResolveIconLocation");
    if (several > 1)
        Fail("ResolveIconLocation left its several-icons flag unset");
    if (found && resolved.Get()[0] == '\0')
        Fail("ResolveIconLocation found an empty location");

    CheckedBuffer shell(LOCATION_BUFFER, text);
    char *result;
    {
        Armed watch;
        result = ApplyShellIconOverride(shell.Get());
    }
    if (result != shell.Get())
        Fail("ApplyShellIconOverride answered another buffer");
    shell.Check("ApplyShellIconOverride");

    // Icons of any location load or fail cleanly; both or neither.
    HICON large = nullptr, small = nullptr;
    {
        Armed watch;
        LoadEntryIcons(text.c_str(), &large, &small);
    }
    if ((large == nullptr) != (small == nullptr))
        Fail("LoadEntryIcons gave one icon of two");
    if (large != nullptr)
        DestroyIcon(large);
    if (small != nullptr)
        DestroyIcon(small);

    // One input in four is typed into the Change Icon dialog's file-name field as well.
    if (selector & 1)
        return;
    if (input.size() % 4 == 0)
        TypeIntoChangeIcon(g_owner, text, "OOC"[input.size() % 3]);
}

void LocationTearDown()
{
    DestroyWindow(g_owner);
    EndProgramState();
}

Channel g_location = {"location", LocationSetUp, MakeLocation, FeedLocation, LocationRecover, LocationTearDown, nullptr};
ChannelRegistration g_locationRegistration(&g_location);

// --- registry ------------------------------------------------------------------------------------
// Input: target, value type, 'T' when the data carries its terminator, the data. The values go
// into the throwaway prefix's own keys, each saved before the run and restored after every input.

const char kMyComputer[] = "CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kRecycleBin[] = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
const char kNetwork[] = "CLSID\\{208D2C60-3AEA-1069-A2D7-08002B30309D}";
const char kScratchKey[] = "Software\\TilefoxFuzz";
const char kExtension[] = ".tfzfuzz";
const char kTypeName[] = "tfzfuzzfile";
const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";

// Which of the program's readers a value reaches.
enum Reader { SHELL_ICONS = 1, DESKTOP = 2, FILE_TYPE = 4, SETTINGS_PAGE = 8, THEMES = 16 };

struct Target {
    HKEY root;
    const char *key;
    const char *value;  // null: the value name comes from the input
    int readers;
};

const Target kTargets[] = {
    {HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, nullptr, SHELL_ICONS},
    {HKEY_CLASSES_ROOT, "CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon", "", DESKTOP},
    {HKEY_CLASSES_ROOT, "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon", "Full", DESKTOP},
    {HKEY_CLASSES_ROOT, "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon", "Empty", DESKTOP},
    {HKEY_CLASSES_ROOT, kMyComputer, "", DESKTOP},
    {HKEY_CLASSES_ROOT, kNetwork, "", DESKTOP},
    {HKEY_CLASSES_ROOT, kExtension, "", FILE_TYPE},
    {HKEY_CLASSES_ROOT, "tfzfuzzfile\\DefaultIcon", "", FILE_TYPE},
    {HKEY_CURRENT_USER, kScratchKey, "Value", 0},
    {HKEY_LOCAL_MACHINE, kScratchKey, "Value", 0},
    {HKEY_CURRENT_USER, kWindowMetrics, "Shell Icon Size", SETTINGS_PAGE},
    {HKEY_CURRENT_USER, kWindowMetrics, "Shell Icon BPP", SETTINGS_PAGE},
    {HKEY_CLASSES_ROOT, ".bmp", "", SETTINGS_PAGE},
    {HKEY_CLASSES_ROOT, "cplfile\\DefaultIcon", "", SETTINGS_PAGE},
    {HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", SETTINGS_PAGE},
    {HKEY_CLASSES_ROOT, "Directory\\shell\\Tilefox\\command", "", SETTINGS_PAGE},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\EXCHNG32.EXE", "", DESKTOP},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE", "", THEMES},
};
const int TARGET_COUNT = sizeof kTargets / sizeof kTargets[0];

RegistrySnapshot *g_saved;
HWND g_host;
HWND g_list;
HWND g_page;

void RegistrySetUp()
{
    StartProgramState();
    LocationFiles();
    WriteFileText(g_run.Scratch + "\\x.tfzfuzz", "x");
    WriteFileText(g_run.Scratch + "\\x.theme", "[" SHELL_ICONS_KEY "]\r\n3=%ThemeDir%a.ico\r\n");
    std::vector<RegistryScope> scope;
    for (const char *parent : {kMyComputer, kRecycleBin, kNetwork, "tfzfuzzfile", "Directory\\shell\\Tilefox"})
        scope.push_back({HKEY_CLASSES_ROOT, parent, false});
    for (const Target &target : kTargets)
        scope.push_back({target.root, target.key, false});
    g_saved = new RegistrySnapshot(scope);
    g_saved->Take();
    g_host = CreateHelperWindow("TfFuzzHost", DefWindowProcA);
    g_list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 0, 0, 200,
                             200, g_host, reinterpret_cast<HMENU>(IDC_ICONLIST), GetModuleHandleA(nullptr), nullptr);
    g_page = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONSETTINGS), g_host, IconSettingsPage, 0);
}

void RegistryRecover()
{
    FreeList(g_list);
    g_saved->Restore();
}

void RegistryTearDown()
{
    RegistryRecover();
    if (g_page != nullptr)
        DestroyWindow(g_page);
    DestroyWindow(g_host);
    delete g_saved;
    EndProgramState();
}

const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_NONE, REG_SZ, REG_SZ};

std::string MakeRegistry(Random &random)
{
    std::string input;
    input += char('A' + random.Below(TARGET_COUNT));
    input += char('0' + random.Below(8));
    input += random.Chance(60) ? 'T' : 'N';
    if (input[0] == 'A')
        input += char('0' + random.Below(50));  // which Shell Icons value
    std::string data;
    switch (random.Below(8)) {
    case 0:
        break;
    case 1:
        data = std::string(size_t(65536 - random.Below(3)), "A%\\"[random.Below(3)]);
        break;
    case 2:
        data = std::string(size_t(250 + random.Below(40)), 'x') + ",1";
        break;
    default: {
        const std::vector<std::string> &words = LocationWords();
        int parts = 1 + random.Below(3);
        for (int i = 0; i < parts; ++i)
            data += random.Chance(60) ? words[random.Below(int(words.size()))] : random.Text(30);
        if (random.Chance(30))
            data = Mutate(random, data, words);
        break;
    }
    }
    return input + data;
}

void CheckListTexts()
{
    int count = int(SendMessageA(g_list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const IconEntry *entry = GetEntry(g_list, row);
        if (entry == nullptr || entry->DisplayName == nullptr || entry->CurrentLocation == nullptr) {
            Fail("a filled row without its texts");
            return;
        }
    }
}

void FeedRegistry(const std::string &input)
{
    if (input.size() < 3)
        return;
    const Target &target = kTargets[(input[0] - 'A') % TARGET_COUNT];
    DWORD type = kTypes[(input[1] - '0') & 7];
    bool terminated = input[2] == 'T';
    size_t at = 3;
    char valueName[8] = "";
    if (target.value == nullptr && input.size() > 3) {
        wsprintfA(valueName, "%d", (input[3] - '0') & 63);
        at = 4;
    }
    std::string data = input.substr(at < input.size() ? at : input.size());
    data = Expand(data);
    if (terminated)
        data += '\0';

    HKEY key;
    if (RegCreateKeyExA(target.root, target.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Fail("scratch key not created");
        return;
    }
    RegSetValueExA(key, target.value != nullptr ? target.value : valueName, 0, type,
                   reinterpret_cast<const BYTE *>(data.data()), DWORD(data.size()));
    RegCloseKey(key);

    {
        Armed watch;
        if (target.readers & SHELL_ICONS) {
            FillShellIconsList(g_list, TAB_GENERAL);
            FillShellIconsList(g_list, TAB_STARTMENU);
            FillShellIconsList(g_list, TAB_DRIVE);
        }
        if (target.readers & DESKTOP)
            FillDesktopList(g_list);
        // No lists here: only the search for the installed themes folder runs.
        if (target.readers & THEMES)
            ImportThemeFile((g_run.Scratch + "\\x.theme").c_str());
    }
    CheckListTexts();
    FreeList(g_list);

    const char *value = target.value != nullptr ? target.value : valueName;
    char *text;
    DWORD number;
    {
        Armed watch;
        text = ReadRegString(target.root, target.key, value);
        number = ReadRegDword(target.root, target.key, value, 0xC0FFEE);
    }
    if (text != nullptr) {
        // The block holds what the system reports and one more byte: the text ends inside it.
        // (Wine keeps values in Unicode: a lone lead byte may come back as two bytes.)
        DWORD reported = 0;
        HKEY open;
        if (RegOpenKeyExA(target.root, target.key, 0, KEY_QUERY_VALUE, &open) == ERROR_SUCCESS) {
            RegQueryValueExA(open, value, nullptr, nullptr, nullptr, &reported);
            RegCloseKey(open);
        }
        if (DWORD(lstrlenA(text)) > reported)
            Fail("ReadRegString ran past the stored value");
        FreeText(&text);
    }
    // Any type of exactly four bytes counts (a string of three characters too, with its
    // terminator); fewer bytes never do.
    if (number != 0xC0FFEE && data.size() < 3)
        Fail("ReadRegDword answered a value shorter than four bytes");
    {
        Armed watch;
        text = ReadUserOrMachineString(kScratchKey, "Value");
    }
    FreeText(&text);

    CheckedBuffer resolved(LOCATION_BUFFER, g_run.Scratch + "\\x.tfzfuzz");
    CheckedBuffer shell(LOCATION_BUFFER, g_run.SystemDir + "\\shell32.dll," + (valueName[0] ? valueName : "3"));
    {
        Armed watch;
        if (target.readers & FILE_TYPE)
            ResolveIconLocation(resolved.Get(), LOCATION_BUFFER, nullptr);
        ApplyShellIconOverride(shell.Get());
        if (g_page != nullptr && (target.readers & SETTINGS_PAGE))
            ReadIconSettings(g_page);
    }
    resolved.Check("ResolveIconLocation");
    shell.Check("ApplyShellIconOverride");
    g_saved->Restore();
}

Channel g_registry = {"registry", RegistrySetUp, MakeRegistry, FeedRegistry, RegistryRecover, RegistryTearDown, nullptr};
ChannelRegistration g_registryRegistration(&g_registry);

// --- desktopini ------------------------------------------------------------------------------------
// Input: shape of the folder's DESKTOP.INI (F file, R read-only, D folder in its place, N none),
// how the folder-icon change is answered (O, C, D; '-' not at all), 'A' with an anchor or 'N'
// without, then the file's text.

void IniSetUp()
{
    StartProgramState();
    LocationFiles();
    CreateDirectoryA((g_run.Scratch + "\\folder").c_str(), nullptr);
}

void IniRecover()
{
    std::string ini = g_run.Scratch + "\\folder\\desktop.ini";
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(ini.c_str());
    DeleteFileA(ini.c_str());
    SetFileAttributesA((g_run.Scratch + "\\folder").c_str(), FILE_ATTRIBUTE_DIRECTORY);
    ClearCopiedIcon();
}

std::string MakeIni(Random &random)
{
    static const std::vector<std::string> words = {
        "[.ShellClassInfo]\r\n", "CLSID=", "UICLSID=", "IconFile=", "IconIndex=", "InfoTip=keep\r\n", "\r\n",
        "{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "{645FF040-5081-101B-9F08-00AA002F954E}",
        "{20D04FE0-3AEA-1069-A2D8-08002B30309D", "{}", "$S$\\a.ico", "..\\a.ico", "-5", "99999999999", "\""};
    std::string text;
    text += "FFFFRDN"[random.Below(7)];
    text += "OOCD-"[random.Below(5)];
    text += random.Chance(85) ? 'A' : 'N';
    int lines = random.Below(8);
    for (int i = 0; i < lines; ++i) {
        text += words[random.Below(int(words.size()))];
        if (random.Chance(50))
            text += random.Chance(70) ? words[7 + random.Below(9)] : random.Text(random.Chance(10) ? 500 : 50);
        text += "\r\n";
    }
    if (random.Chance(30))
        text = text.substr(0, 3) + Mutate(random, text.substr(3), words);
    return text;
}

std::string InfoTip(const std::string &ini)
{
    char text[64];
    GetPrivateProfileStringA(".ShellClassInfo", "InfoTip", "(none)", text, sizeof text, ini.c_str());
    return text;
}

void FeedIni(const std::string &input)
{
    if (input.size() < 3)
        return;
    IniRecover();
    char shape = input[0];
    std::string folder = g_run.Scratch + "\\folder";
    std::string ini = folder + "\\desktop.ini";
    if (shape == 'D') {
        CreateDirectoryA(ini.c_str(), nullptr);
    } else if (shape != 'N') {
        WriteFileText(ini, Expand(input.substr(3)));
        if (shape == 'R')
            SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_SYSTEM);
    }
    for (int size : {int(LOCATION_BUFFER), int(folder.size() + 1)}) {
        CheckedBuffer buffer(LOCATION_BUFFER, folder);
        int found;
        {
            Armed watch;
            found = ResolveIconLocation(buffer.Get(), size, nullptr);
        }
        if (buffer.Check("ResolveIconLocation of a folder", size))
            CheckUntouched(buffer, size, LOCATION_BUFFER, "ResolveIconLocation of a folder");
        if (found && buffer.Get()[0] == '\0')
            Fail("a folder resolved to an empty location");
    }

    if (input[1] == '-')
        return;
    std::string tip = shape == 'D' ? "(none)" : InfoTip(ini);
    ChangeFolderIconWith(folder, input[1], input[2] == 'A');
    if (shape != 'D' && tip != "(none)" && InfoTip(ini) != tip)
        Fail("the folder-icon change lost another entry of DESKTOP.INI");
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        Fail("the folder is gone");
}

void IniTearDown()
{
    IniRecover();
    EndProgramState();
}

Channel g_desktopIni = {"desktopini", IniSetUp, MakeIni, FeedIni, IniRecover, IniTearDown, nullptr};
ChannelRegistration g_desktopIniRegistration(&g_desktopIni);

}  // namespace
}  // namespace fuzz
