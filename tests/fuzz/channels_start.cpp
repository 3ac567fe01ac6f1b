// Channels of start-up: the settings file and the command tail.
#include <windows.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/sheetswitch.h"
#include "app/startup.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "fuzz/fuzzchannels.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"

namespace fuzz {
namespace {

// --- settings ------------------------------------------------------------------------------------
// Input: one byte of shape (no file, a folder of that name, a file), then the file's bytes.

const char *const kSections[] = {"Options", "General", "Backup Registry", "options", "OPTIONS ", "", "Opt"};
const char *const kKeys[] = {"DialogRows", "DialogAnimation", "HookComDlg", "StartupTab", "IconViewMode",
                             "IconSizeL", "IconSizeS", "IconLeftMargin", "AutoRefresh", "RefreshLevel",
                             "DriveIconMsg", "DefaultFLdir", "DesktopTextColor", "PosX1024", "PosY1024",
                             "PosX800", ".bmp", "cplfile\\DefaultIcon", "Paint.Picture\\DefaultIcon",
                             "\x83\x5C\x83\x74\x83\x67\\DefaultIcon"};
const char *const kValues[] = {"0", "1", "-1", "65537", "4294967295", "99999999999", "0x", "0xFFFFFF", "0x1000000",
                               "  12  ", "\"C:\\\"", "\"\"", "$S$", "$S$\\\x95\x5C", "Paint.Picture",
                               "%SystemRoot%", "-2147483648", "12abc", "\x83\x5C\x83\x74\x83\x67"};

HWND g_window;

std::string SettingsPath()
{
    return g_run.Scratch + "\\TILEFOX.INI";
}

void SettingsSetUp()
{
    g_window = CreateHelperWindow("TfFuzzSheet", DefWindowProcA);
    SetWindowPos(g_window, nullptr, 0, 0, 500, 420, SWP_NOZORDER | SWP_NOMOVE);
    CopyText(App.SettingsPath, SettingsPath().c_str(), MAX_PATH);
}

void SettingsRecover()
{
    std::string path = SettingsPath();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
    DeleteFileA(path.c_str());
}

void SettingsTearDown()
{
    SettingsRecover();
    ResetSettings();
    DestroyWindow(g_window);
}

std::string MakeSettings(Random &random)
{
    std::string text;
    int shape = random.Below(20);
    text += char(shape == 0 ? 'N' : shape == 1 ? 'D' : 'F');
    int lines = random.Below(30);
    for (int i = 0; i < lines; ++i) {
        switch (random.Below(6)) {
        case 0:
            text += "[" + std::string(kSections[random.Below(7)]) + "]\r\n";
            break;
        case 1:
            text += random.Text(40) + "\r\n";
            break;
        default: {
            std::string value = random.Chance(50) ? kValues[random.Below(19)] : random.Text(random.Chance(10) ? 900 : 60);
            text += std::string(kKeys[random.Below(20)]) + (random.Chance(90) ? "=" : " = ") + value +
                    (random.Chance(90) ? "\r\n" : "\n");
            break;
        }
        }
    }
    if (random.Chance(40)) {
        std::vector<std::string> words(std::begin(kKeys), std::end(kKeys));
        text = text.substr(0, 1) + Mutate(random, text.substr(1), words);
    }
    return text;
}

template <typename T> void InRange(const char *name, T value, int low, int high)
{
    if (int(value) < low || int(value) > high) {
        char note[96];
        wsprintfA(note, "%s = %d outside %d..%d", name, int(value), low, high);
        Fail(note);
    }
}

// Backups are kept whole now, but never beyond what the settings reader will hold.
void CheckBackup(const char *name, const char *text)
{
    if (text != nullptr && lstrlenA(text) >= 0x10000) {
        char note[64];
        wsprintfA(note, "%s backup of %d bytes", name, lstrlenA(text));
        Fail(note);
    }
}

struct Snapshot {
    SettingsState values;
    std::string bmpClass, bmpIcon, cplIcon;
};

Snapshot Take()
{
    Snapshot s;
    s.values = Settings;
    s.bmpClass = Settings.BmpClassBackup != nullptr ? Settings.BmpClassBackup : "(none)";
    s.bmpIcon = Settings.BmpIconBackup != nullptr ? Settings.BmpIconBackup : "(none)";
    s.cplIcon = Settings.CplIconBackup != nullptr ? Settings.CplIconBackup : "(none)";
    return s;
}

void ReadAll()
{
    Armed watch;
    ResetSettings();
    ReadStartSettings();
    ReadStartupTab();
    ReadSheetSettings(g_window);
}

void FeedSettings(const std::string &input)
{
    std::string path = SettingsPath();
    SettingsRecover();
    char shape = input.empty() ? 'N' : input[0];
    std::string body = input.size() > 1 ? Expand(input.substr(1)) : std::string();
    if (shape == 'D')
        CreateDirectoryA(path.c_str(), nullptr);
    else if (shape == 'F')
        WriteFileText(path, body);

    ReadAll();
    InRange("DialogRows", Settings.DialogRows, 1, 12);
    InRange("DialogAnimation", Settings.DialogAnimation, 0, 20);
    InRange("StartupTab", Settings.StartupTab, 0, 6);
    InRange("IconSizeL", Settings.IconSizeL, 4, 128);
    InRange("IconSizeS", Settings.IconSizeS, 4, 128);
    InRange("IconLeftMargin", Settings.IconLeftMargin, 0, 160);
    CheckBackup(".bmp", Settings.BmpClassBackup);
    CheckBackup(".bmp icon", Settings.BmpIconBackup);
    CheckBackup("cplfile", Settings.CplIconBackup);

    CheckedBuffer browse(MAX_PATH, "");
    COLORREF colour = 0xDEADBEEF;
    BOOL haveColour;
    {
        Armed watch;
        ReadDefaultBrowseSetting(browse.Get());
        haveColour = ReadDesktopTextColor(&colour);
    }
    browse.Check("DefaultFLdir");
    if (haveColour && (colour & 0xFF000000u))
        Fail("desktop text colour beyond RGB");
    if (!haveColour && colour != 0xDEADBEEF)
        Fail("desktop text colour changed though none was read");

    // What was read is written back as it was: a second read gives the same options.
    if (shape != 'F')
        return;
    Snapshot first = Take();
    {
        Armed watch;
        SaveSettings(g_window);
    }
    ReadAll();
    Snapshot second = Take();
    const SettingsState &a = first.values;
    const SettingsState &b = second.values;
    if (a.DialogRows != b.DialogRows || a.DialogAnimation != b.DialogAnimation || a.HookComDlg != b.HookComDlg ||
        a.StartupTab != b.StartupTab || a.IconViewMode != b.IconViewMode || a.IconSizeL != b.IconSizeL ||
        a.IconSizeS != b.IconSizeS || a.AutoRefresh != b.AutoRefresh || a.DriveIconMsg != b.DriveIconMsg)
        Fail("options differ after being saved and read again");
    // Only what the program held and wrote counts: a backup it never read is the profile
    // code's business (Windows rewrites a file with odd sections as it likes).
    auto differs = [](const std::string &a, const std::string &b) { return a != "(none)" && a != b; };
    if (differs(first.bmpClass, second.bmpClass) || differs(first.bmpIcon, second.bmpIcon) ||
        differs(first.cplIcon, second.cplIcon)) {
        std::string note = "registry backups differ after being saved and read again: " + first.bmpClass + " | " +
                           first.bmpIcon + " | " + first.cplIcon + " -> " + second.bmpClass + " | " +
                           second.bmpIcon + " | " + second.cplIcon;
        Fail(note.substr(0, 600).c_str());
    }
}

Channel g_settings = {"settings", SettingsSetUp, MakeSettings, FeedSettings, SettingsRecover, SettingsTearDown, nullptr};
ChannelRegistration g_settingsRegistration(&g_settings);

// --- cmdline ----------------------------------------------------------------------------------------
// Input: the whole command line (program name first) as Windows hands it over.

const char *const kFiles[] = {"a.ico", "My Icons\\b.ico", "\x95\x5C\x8E\xA6.ico", "\x83\x5C\x83\x74\x83\x67\\c.ico",
                              "theme.theme", "folder", "\x95\x5C"};

std::string g_savedDirectory;

void CommandSetUp()
{
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    g_savedDirectory = directory;
    CreateDirectoryA((g_run.Scratch + "\\My Icons").c_str(), nullptr);
    CreateDirectoryA((g_run.Scratch + "\\folder").c_str(), nullptr);
    CreateDirectoryA((g_run.Scratch + "\\\x95\x5C").c_str(), nullptr);
    CreateDirectoryA((g_run.Scratch + "\\\x83\x5C\x83\x74\x83\x67").c_str(), nullptr);
    for (const char *file : kFiles) {
        if (FindExtension(file)[0] != '\0')
            WriteFileText(g_run.Scratch + "\\" + file, "x");
    }
    // Relative names are looked up from here, as from Explorer's folder.
    SetCurrentDirectoryA(g_run.Scratch.c_str());
}

void CommandRecover()
{
    ClearCopiedIcon();
    Facts.PlusMode = 0;
    SetCurrentDirectoryA(g_run.Scratch.c_str());
}

void CommandTearDown()
{
    CommandRecover();
    SetCurrentDirectoryA(g_savedDirectory.c_str());
}

std::string MakeCommand(Random &random)
{
    static const std::vector<std::string> words = {"/REBUILD", "/CLR", "/PLUS", "/ChgIcon ", "/chgicon", "\"", " ",
                                                   "/SAVETHEME ", "/RESET", "\t", "$S$\\", "$S$\\folder", "$S$\\My Icons\\b.ico",
                                                   "My Icons\\b.ico", "a.ico", "\x95\x5C\x8E\xA6.ico",
                                                   "\x83\x5C\x83\x74\x83\x67\\c.ico", "theme.theme", ",3"};
    std::string program = random.Chance(50) ? "\"C:\\Program Files\\Tilefox\\TILEFOX.EXE\"" : "TILEFOX.EXE";
    if (random.Chance(5))
        program = random.Text(20);
    std::string tail;
    int parts = random.Below(5);
    for (int i = 0; i < parts; ++i)
        tail += random.Chance(70) ? words[random.Below(int(words.size()))] : random.Text(30);
    if (random.Chance(10))
        tail += std::string(size_t(300 + random.Below(200)), random.Chance(50) ? 'a' : ' ');
    if (random.Chance(30))
        tail = Mutate(random, tail, words);
    return program + (random.Chance(90) ? " " : "") + tail;
}

void FeedCommand(const std::string &input)
{
    std::string line = Expand(input);
    line = line.substr(0, strlen(line.c_str()));
    ClearCopiedIcon();
    Facts.PlusMode = 0;
    const char *tail;
    int action;
    {
        Armed watch;
        tail = SkipProgramName(line.c_str());
    }
    if (tail < line.c_str() || tail > line.c_str() + line.size()) {
        Fail("the command tail lies outside the command line");
        return;
    }
    {
        Armed watch;
        action = ReadCommandTail(tail);
    }
    if (action < START_SHEET || action > START_UNDO)
        Fail("unknown start action");
    char themePath[MAX_PATH + 1];
    themePath[MAX_PATH] = '\x5A';
    int sheetSwitch;
    {
        Armed watch;
        sheetSwitch = ReadSheetSwitch(tail, themePath);
    }
    if (sheetSwitch < SWITCH_NONE || sheetSwitch > SWITCH_RESET)
        Fail("unknown sheet switch");
    if (themePath[MAX_PATH] != '\x5A' || lstrlenA(themePath) >= MAX_PATH)
        Fail("theme path not terminated inside its buffer");
    if (sheetSwitch != SWITCH_SAVETHEME && themePath[0] != '\0')
        Fail("a theme path without /SAVETHEME");
    const char *copied = CopiedIcon();
    if (copied != nullptr) {
        if (lstrlenA(copied) >= LOCATION_BUFFER)
            Fail("start-up file longer than a location");
        if (GetFileAttributesA(copied) == INVALID_FILE_ATTRIBUTES)
            Fail("start-up file that does not exist");
    }
    if (action == START_CHANGEFOLDER && copied == nullptr)
        Fail("folder verb without a path");
    ClearCopiedIcon();
    Facts.PlusMode = 0;
}

Channel g_cmdline = {"cmdline", CommandSetUp, MakeCommand, FeedCommand, CommandRecover, CommandTearDown, nullptr};
ChannelRegistration g_cmdlineRegistration(&g_cmdline);

}  // namespace
}  // namespace fuzz

// --- selftest ----------------------------------------------------------------------------------
// Proves the watch itself: three of every four inputs do a fault on purpose (a write past a
// program heap block, a smashed stack frame, a null pointer) and must be counted as failures.

namespace fuzz {
namespace {

volatile UINT_PTR g_nowhere = 0;

void Nothing()
{
}

std::string MakeSelfTest(Random &random)
{
    return std::string(1, char('0' + random.Below(4)));
}

__attribute__((noinline)) void SmashFrame(volatile int length)
{
    char frame[8];
    volatile char *target = frame;
    for (int i = 0; i < length; ++i)
        target[i] = 'x';
    frame[0] = target[1];
}

void FeedSelfTest(const std::string &input)
{
    switch (input.empty() ? '3' : input[0]) {
    case '0': {
        char *text = DupString("four");
        volatile char *end = text + 5;
        *end = 'x';
        FreeText(&text);
        break;
    }
    case '1':
        SmashFrame(40);
        break;
    case '2':
        *reinterpret_cast<volatile int *>(g_nowhere) = 1;
        break;
    default:
        break;
    }
}

Channel g_selfTest = {"selftest", Nothing, MakeSelfTest, FeedSelfTest, Nothing, Nothing, nullptr};
ChannelRegistration g_selfTestRegistration(&g_selfTest);

}  // namespace
}  // namespace fuzz
