// Channels that need the real sheet: theme files, dropped-file blocks and AUTORUN.INF; and the
// folder-icon change, whose Change Icon dialog the same dismisser answers.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/texts.h"
#include "drives/autorun.h"
#include "drives/drivepanel.h"
#include "folders/foldericon.h"
#include "fuzz/fuzzchannels.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "lists/themeimport.h"
#include "picker/changeicon.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"

namespace fuzz {
namespace {

// --- the sheet and the dialogs it opens ------------------------------------------------------------

HWND g_sheet;
int g_answer = IDCANCEL;        // what the Change Icon dialog is answered with
HDROP g_dropForDialog;          // a drop to hand to the next Change Icon dialog first
const char *g_typedName;        // a file name to type into it first

struct OpenDialogs {
    HWND Picker;    // the Change Icon dialog
    HWND Box;       // a message box over it
};

BOOL CALLBACK FindDialogs(HWND window, LPARAM lParam)
{
    char name[16];
    if (!IsWindowVisible(window) || window == g_sheet || !GetClassNameA(window, name, sizeof name) ||
        lstrcmpA(name, "#32770") != 0)
        return TRUE;
    OpenDialogs *open = reinterpret_cast<OpenDialogs *>(lParam);
    if (GetDlgItem(window, IDC_CI_GRID) != nullptr)
        open->Picker = window;
    else
        open->Box = window;
    return TRUE;
}

// Message boxes first, with their safe answer; then the Change Icon dialog, which gets a
// waiting drop first and then the input's answer. An answer the dialog refuses (OK on a file
// without icons warns and stays) becomes Cancel after a few tries.
void CALLBACK AnswerTick(HWND, UINT, UINT_PTR, DWORD)
{
    static HWND lastPicker;
    static int presses;
    OpenDialogs open = {nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogs, reinterpret_cast<LPARAM>(&open));
    if (open.Box != nullptr) {
        int button = GetDlgItem(open.Box, IDNO) ? IDNO : GetDlgItem(open.Box, IDCANCEL) ? IDCANCEL : IDOK;
        PostMessageA(open.Box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return;
    }
    if (open.Picker == nullptr)
        return;
    if (g_dropForDialog != nullptr) {
        PostMessageA(open.Picker, WM_DROPFILES, reinterpret_cast<WPARAM>(g_dropForDialog), 0);
        g_dropForDialog = nullptr;
        return;
    }
    if (g_typedName != nullptr) {
        SetDlgItemTextA(open.Picker, IDC_CI_FILENAME, g_typedName);
        g_typedName = nullptr;
        return;
    }
    if (open.Picker != lastPicker) {
        lastPicker = open.Picker;
        presses = 0;
    }
    int button = ++presses > 3 ? IDCANCEL : g_answer;
    PostMessageA(open.Picker, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void AnswerDialogs()
{
    static UINT_PTR timer;
    if (timer == 0)
        timer = SetTimer(nullptr, 0, 10, AnswerTick);
}

int AnswerOf(char code)
{
    return code == 'O' ? IDOK : code == 'D' ? IDC_CI_DEFAULT : IDCANCEL;
}

void StartState()
{
    std::string settings = g_run.Scratch + "\\TILEFOX.INI";
    CopyText(App.SettingsPath, settings.c_str(), MAX_PATH);
    WriteFileText(settings, "[Options]\r\nAutoRefresh=0\r\nRefreshLevel=0\r\nDriveIconMsg=0\r\nDialogAnimation=0\r\n");
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    FreeAppText(&Facts.SystemDirPath);
    Facts.SystemDirPath = DupString(SystemDir().c_str());
    Facts.PlusMode = 0;
    ResetSettings();
    Settings.DialogAnimation = 0;
    ClearCopiedIcon();
    App.DefaultBrowseLocation = nullptr;
    App.InstanceWindow = nullptr;
    AnswerDialogs();
}

void StartSheet()
{
    StartState();
    g_sheet = reinterpret_cast<HWND>(RunPropertySheet(0, PSH_MODELESS, nullptr));
    for (int i = 0; i < 60 && g_sheet != nullptr && !AllListsFilled(true); ++i)
        PumpMessages(100);
    PumpMessages(200);
    if (g_sheet == nullptr || !AllListsFilled(true)) {
        fprintf(stderr, "%s: the sheet did not come up with its lists\n", g_run.Channel->Name);
        ExitProcess(2);
    }
}

void StopSheet()
{
    if (g_sheet != nullptr && IsWindow(g_sheet))
        DestroyWindow(g_sheet);
    g_sheet = nullptr;
    PumpMessages(50);
    FreeAppText(&Facts.SystemDirPath);
    ClearCopiedIcon();
}

// Every row's texts end inside the buffers the program keeps locations in.
void CheckRows()
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int count = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
        for (int row = 0; row < count; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if (entry == nullptr || entry->CurrentLocation == nullptr || entry->DisplayName == nullptr) {
                Fail("a row lost its texts");
                return;
            }
            if (lstrlenA(entry->CurrentLocation) >= LOCATION_BUFFER) {
                Fail("a row holds a location longer than a location buffer");
                return;
            }
        }
    }
}

// Rows that an input changed go back to what the registry says.
void RefillChangedLists()
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int count = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
        for (int row = 0; row < count; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if (entry != nullptr && entry->ChangeState != STATE_UNCHANGED) {
                FillList(list);
                break;
            }
        }
    }
    SendMessageA(g_sheet, UM_SETCHANGED, 0, 0);
}

void SheetFiles()
{
    const std::string &s = g_run.Scratch;
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\a.ico").c_str(), FALSE);
    CopyFileA(FixturePath("icons12.dll").c_str(), (s + "\\lib.dll").c_str(), FALSE);
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\\x95\x5C\x8E\xA6.ico").c_str(), FALSE);
    CreateDirectoryA((s + "\\Themes").c_str(), nullptr);
    CopyFileA(FixturePath("one.ico").c_str(), (s + "\\Themes\\b.ico").c_str(), FALSE);
    WriteFileText(s + "\\plain.txt", "text");
    CreateDirectoryA((s + "\\dir").c_str(), nullptr);
    WriteFileText(s + "\\t.theme", "[" SHELL_ICONS_KEY "]\r\n3=$S$\\a.ico\r\n");
}

const std::vector<std::string> &PathWords()
{
    static const std::vector<std::string> words = {
        "$S$\\a.ico", "$S$\\lib.dll", "$S$\\lib.dll,3", "$S$\\t.theme", "$S$\\dir", "$S$\\plain.txt",
        "$S$\\\x95\x5C\x8E\xA6.ico", "$S$\\Themes\\b.ico", "%ThemeDir%b.ico", "%ThemeDir%\\b.ico", "%WinDir%",
        "%SystemRoot%\\system32\\shell32.dll,4", "%%", "%", "%1", "%ThemeDir", ",", ",-3", "\"", "$F$\\icons100.dll,99",
        "$Y$\\shell32.dll,12", "\x83\x5C", "nothing.ico"};
    return words;
}

std::string SomePath(Random &random)
{
    const std::vector<std::string> &words = PathWords();
    std::string path;
    int parts = 1 + random.Below(2);
    for (int i = 0; i < parts; ++i)
        path += random.Chance(80) ? words[random.Below(int(words.size()))] : random.Text(30);
    if (random.Chance(8))
        path = "$S$\\" + std::string(size_t(250 + random.Below(150)), 'n') + ".ico";
    if (random.Chance(20))
        path = Mutate(random, path, words);
    return path;
}

// --- theme ---------------------------------------------------------------------------------------
// Input: the extension letter, then the theme file's text.

void ThemeSetUp()
{
    SheetFiles();
    StartSheet();
}

void ThemeRecover()
{
    RefillChangedLists();
}

std::string MakeTheme(Random &random)
{
    static const char *const kSections[] = {
        "[" SHELL_ICONS_KEY "]", "[Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]",
        "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]",
        "[CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]", "[CLSID\\{}\\DefaultIcon]",
        "[Control Panel\\Desktop]", "[]"};
    static const char *const kKeys[] = {"DefaultValue", "full", "empty", "3", "4", "8", "19", "0", "39", "-1", "Wallpaper"};
    std::string text(1, "eimx"[random.Below(4)]);
    int lines = random.Below(14);
    for (int i = 0; i < lines; ++i) {
        if (random.Chance(25))
            text += kSections[random.Below(7)];
        else
            text += std::string(kKeys[random.Below(11)]) + "=" + SomePath(random);
        text += "\r\n";
    }
    if (random.Chance(25))
        text = text.substr(0, 1) + Mutate(random, text.substr(1), PathWords());
    return text;
}

void FeedTheme(const std::string &input)
{
    if (input.empty())
        return;
    const char *extension = input[0] == 'e' ? ".theme" : input[0] == 'i' ? ".themi" : input[0] == 'm' ? ".motif" : ".THEME";
    std::string path = g_run.Scratch + "\\fuzz" + extension;
    std::string text = Expand(input.substr(1));
    WriteFileText(path, text);
    DWORD result;
    {
        Armed watch;
        result = ImportThemeFile(path.c_str());
    }
    if (LOWORD(result) > 200 || HIWORD(result) > 200)
        Fail("theme import counted more rows than there are");
    CheckRows();

    // Every value once more through the path expansion, in a guarded buffer.
    for (const std::string &line : SplitLines(text)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string value = line.substr(equals + 1);
        for (const char *themes : {static_cast<const char *>(nullptr), "Themes"}) {
            CheckedBuffer buffer(LOCATION_BUFFER, value);
            std::string folder = g_run.Scratch + (themes != nullptr ? "\\Themes" : "");
            {
                Armed watch;
                ExpandThemePath(buffer.Get(), g_run.Scratch.c_str(), themes != nullptr ? folder.c_str() : nullptr);
            }
            buffer.Check("ExpandThemePath");
        }
    }
    DeleteFileA(path.c_str());
    RefillChangedLists();
}

void ThemeTearDown()
{
    StopSheet();
}

Channel g_theme = {"theme", ThemeSetUp, MakeTheme, FeedTheme, ThemeRecover, ThemeTearDown, nullptr};
ChannelRegistration g_themeRegistration(&g_theme);

// --- drop ------------------------------------------------------------------------------------------
// Input: target (0 list, 1 preview, 2 drive panel, 3 Change Icon dialog), tab, the dialog's
// answer, where the drop lands (I inside, O outside, N non-client), then the names, one a line.

std::string MakeDrop(Random &random)
{
    std::string input;
    input += char('0' + random.Below(4));
    input += char('0' + random.Below(LIST_TAB_COUNT));
    input += "OCD"[random.Below(3)];
    input += random.Chance(80) ? 'I' : random.Chance(50) ? 'O' : 'N';
    int names = random.Chance(10) ? 40 + random.Below(60) : 1 + random.Below(3);
    for (int i = 0; i < names; ++i) {
        if (i > 0)
            input += '\n';
        if (!random.Chance(5))
            input += SomePath(random);
    }
    return input;
}


void DropSetUp()
{
    SheetFiles();
    StartSheet();
}

void DropRecover()
{
    if (g_dropForDialog != nullptr) {
        GlobalFree(g_dropForDialog);
        g_dropForDialog = nullptr;
    }
    RefillChangedLists();
}

void FeedDrop(const std::string &input)
{
    if (input.size() < 4)
        return;
    int target = (input[0] - '0') & 3;
    int tab = (input[1] - '0') % LIST_TAB_COUNT;
    g_answer = AnswerOf(input[2]);
    std::vector<std::string> names;
    for (const std::string &name : SplitLines(Expand(input.substr(4))))
        names.push_back(name.substr(0, strlen(name.c_str())));

    HWND list = ListOfTab(tab);
    HWND window = target == 0 ? list
                  : target == 1 ? GetDlgItem(GetParent(list), IDC_PREVIEW)
                  : target == 2 ? DrivePanelOfSheet()
                                : nullptr;
    RECT client = {0, 0, 40, 40};
    if (window != nullptr)
        GetClientRect(window, &client);
    POINT point = {client.right / 2, client.bottom / 2};
    if (input[3] == 'O')
        point = {client.right + 500, -40};
    HDROP drop = MakeDropFiles(names, point, input[3] == 'N');
    if (drop == nullptr)
        return;

    if (target == 3) {
        CheckedBuffer buffer(LOCATION_BUFFER, g_run.Scratch + "\\lib.dll,0");
        g_dropForDialog = drop;
        {
            Armed watch;
            OpenChangeIconDialog(g_sheet, buffer.Get(), "", nullptr);
        }
        buffer.Check("the Change Icon dialog's location");
        if (g_dropForDialog != nullptr) {
            GlobalFree(g_dropForDialog);
            g_dropForDialog = nullptr;
        }
    } else if (window != nullptr) {
        Armed watch;
        SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    } else {
        GlobalFree(drop);
    }
    CheckRows();
    HWND panel = DrivePanelOfSheet();
    int drives = panel != nullptr ? int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < drives; ++i) {
        DriveIconItem *item = DriveItemOf(panel, i);
        if (item != nullptr && (item->Location == nullptr || lstrlenA(item->Location) >= LOCATION_BUFFER))
            Fail("a drive holds a location longer than a location buffer");
    }
    if (panel != nullptr)
        FillDriveList(panel);
    RefillChangedLists();
}

void DropTearDown()
{
    StopSheet();
}

Channel g_drop = {"drop", DropSetUp, MakeDrop, FeedDrop, DropRecover, DropTearDown, nullptr};
ChannelRegistration g_dropRegistration(&g_drop);

// --- autorun ---------------------------------------------------------------------------------------
// Input: shape of X:\AUTORUN.INF (F file, R read-only, D folder of that name, N none), what the
// panel then sets ('S' the location after the file, 'R' remove), then the file's text, a 0x01
// byte and the location. X: is the test prefix's throwaway drive, marked by TILEFOX.TST.

const char kAutorun[] = "X:\\AUTORUN.INF";

void AutorunRecover()
{
    SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(kAutorun);
    DeleteFileA(kAutorun);
}

void AutorunSetUp()
{
    if (GetFileAttributesA("X:\\TILEFOX.TST") == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "autorun: X: is not the test prefix's throwaway drive (no X:\\TILEFOX.TST); see README\n");
        ExitProcess(2);
    }
    g_run.DriveRoot = "X:\\AUTORUN.INF";
    SheetFiles();
    StartSheet();
    if (DrivePanelOfSheet() == nullptr) {
        fprintf(stderr, "autorun: the Drive tab has no drive panel\n");
        ExitProcess(2);
    }
    AutorunRecover();
}

std::string MakeAutorun(Random &random)
{
    static const std::vector<std::string> words = {"[Autorun]\r\n", "[autorun]\r\n", "[Other]\r\n", "DefaultIcon=",
                                                   "defaulticon = ", "icon=", "open=setup.exe\r\n", "x=keep\r\n",
                                                   "\r\n", "=", ";", "\""};
    std::string input;
    input += "FFFRDN"[random.Below(6)];
    input += random.Chance(75) ? 'S' : 'R';
    int lines = random.Below(8);
    for (int i = 0; i < lines; ++i) {
        input += words[random.Below(int(words.size()))];
        if (random.Chance(50))
            input += SomePath(random) + "\r\n";
    }
    if (random.Chance(25))
        input = input.substr(0, 2) + Mutate(random, input.substr(2), words);
    input += '\x01';
    input += random.Chance(70) ? PathWords()[random.Below(8)] : SomePath(random);
    return input;
}

std::string ReadProfile(const char *section, const char *key)
{
    char text[512];
    GetPrivateProfileStringA(section, key, "(none)", text, sizeof text, kAutorun);
    return text;
}

void FeedAutorun(const std::string &input)
{
    if (input.size() < 2)
        return;
    AutorunRecover();
    size_t split = input.find('\x01', 2);
    std::string text = Expand(input.substr(2, split == std::string::npos ? std::string::npos : split - 2));
    std::string location = split == std::string::npos ? std::string() : Expand(input.substr(split + 1));
    location = location.substr(0, strlen(location.c_str()));
    char shape = input[0];
    if (shape == 'D')
        CreateDirectoryA(kAutorun, nullptr);
    else if (shape != 'N')
        WriteFileText(kAutorun, text);
    if (shape == 'R')
        SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_READONLY);
    std::string open = ReadProfile("Autorun", "open");
    std::string other = ReadProfile("Other", "x");

    CheckedBuffer stored(LOCATION_BUFFER, "");
    {
        Armed watch;
        ReadDriveIconLocation('X', stored.Get());
    }
    stored.Check("ReadDriveIconLocation");

    HWND panel = DrivePanelOfSheet();
    if (panel == nullptr) {
        Fail("no drive panel");
        return;
    }
    int written = -1;
    bool set = input[1] == 'S';
    {
        Armed watch;
        FillDriveList(panel);
        int index = int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
        if (index >= 0) {
            SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_SETCURSEL, index, 0);
            DriveIconItem *item = DriveItemOf(panel, index);
            if (item != nullptr && (item->Location == nullptr || lstrlenA(item->Location) >= LOCATION_BUFFER))
                Fail("the drive panel holds a location longer than a location buffer");
            if (SetDriveIcon(panel, index, set ? location.c_str() : nullptr))
                written = WriteDriveIcons(panel);
        }
    }
    if (written == 1 && shape != 'D') {
        // What the user had beside the icon stays; the icon reads back as set.
        if (ReadProfile("Autorun", "open") != open || ReadProfile("Other", "x") != other)
            Fail("other entries of AUTORUN.INF changed");
        CheckedBuffer again(LOCATION_BUFFER, "");
        ReadDriveIconLocation('X', again.Get());
        std::string expected = set ? location : std::string();
        bool plain = !expected.empty() && expected.size() < LOCATION_BUFFER && expected.find_first_of("\"\r\n;") == std::string::npos &&
                     expected.front() != ' ' && expected.back() != ' ' && expected.front() != '\t' && expected.back() != '\t';
        if ((plain || !set) && lstrcmpiA(again.Get(), expected.c_str()) != 0) {
            std::string note = "AUTORUN.INF reads back \"" + std::string(again.Get()) + "\" after \"" + expected + "\" was written";
            Fail(note.substr(0, 600).c_str());
        }
    }
    FillDriveList(panel);
    SendMessageA(g_sheet, UM_SETCHANGED, 0, 0);
    AutorunRecover();
}

void AutorunTearDown()
{
    AutorunRecover();
    StopSheet();
}

Channel g_autorun = {"autorun", AutorunSetUp, MakeAutorun, FeedAutorun, AutorunRecover, AutorunTearDown, nullptr};
ChannelRegistration g_autorunRegistration(&g_autorun);

}  // namespace

// --- the Change Icon dialog's file-name field, for the location channel ---------------------------

void TypeIntoChangeIcon(HWND owner, const std::string &typed, char answer)
{
    AnswerDialogs();
    g_answer = AnswerOf(answer);
    g_typedName = typed.c_str();
    CheckedBuffer buffer(LOCATION_BUFFER, g_run.Scratch + "\\lib.dll,0");
    {
        Armed watch;
        OpenChangeIconDialog(owner, buffer.Get(), "", nullptr);
    }
    g_typedName = nullptr;
    buffer.Check("the location the Change Icon dialog gave back");
}

// --- the folder-icon change, for the desktopini channel ---------------------------------------------

void ChangeFolderIconWith(const std::string &folder, char answer, bool anchored)
{
    AnswerDialogs();
    g_answer = AnswerOf(answer);
    AdoptCopiedIcon(DupString(folder.c_str()));
    POINT anchor = {200, 200};
    {
        Armed watch;
        ChangeFolderIcon(anchored ? &anchor : nullptr);
    }
    ClearCopiedIcon();
}

}  // namespace fuzz
