#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <shlobj.h>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "app/instance.h"
#include "app/startup.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "shellglue/paths.h"
#include "support/testing.h"
#include "support/probes.h"

namespace {

void ClearStartState()
{
    ClearCopiedIcon();
    Facts.PlusMode = 0;
}

class CommandTail : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = MakeTempDir("tail");
        CreateDirectoryA((dir_ + "\\Folder With Blanks").c_str(), nullptr);
        WriteFileText(dir_ + "\\plain.ico", "x");
        WriteFileText(dir_ + "\\Long Icon Name.ico", "x");
    }
    static void TearDownTestSuite() { RemoveTree(dir_); }
    void SetUp() override { ClearStartState(); }
    void TearDown() override { ClearStartState(); }

    static std::string dir_;
};
std::string CommandTail::dir_;

std::string Copied()
{
    return CopiedIcon() != nullptr ? CopiedIcon() : "<none>";
}

TEST_F(CommandTail, SwitchesActOnlyWhenTheyAreTheWholeTail)
{
    const struct {
        const char *tail;
        int action;
        int plus;
    } cases[] = {
        {"/REBUILD", START_REBUILD, 0}, {"/rebuild", START_REBUILD, 0}, {"/ReBuild", START_REBUILD, 0},
        {"/CLR", START_CLEARLABELS, 0}, {"/clr", START_CLEARLABELS, 0}, {"/PLUS", START_SHEET, 1},
        {"/plus", START_SHEET, 1},      {"", START_SHEET, 0},
        {"/UNDO", START_UNDO, 0},       {"/undo", START_UNDO, 0},       {"/UNDO 1", START_SHEET, 0},
        // Anything after a switch makes the whole tail a path, which is not found.
        {"/REBUILD ", START_SHEET, 0},  {"/rebuild now", START_SHEET, 0}, {"/CLR x", START_SHEET, 0},
        {"/PLUS ", START_SHEET, 0},     {"/REBUILDX", START_SHEET, 0},
    };
    for (const auto &c : cases) {
        ClearStartState();
        EXPECT_EQ(c.action, ReadCommandTail(c.tail)) << '"' << c.tail << '"';
        EXPECT_EQ(c.plus, Facts.PlusMode) << '"' << c.tail << '"';
        EXPECT_EQ("<none>", Copied()) << '"' << c.tail << '"';
    }
}

TEST_F(CommandTail, PathsBecomeThePendingStartupFile)
{
    const std::string folder = dir_ + "\\Folder With Blanks";
    const std::string plain = dir_ + "\\plain.ico";
    const std::string blanks = dir_ + "\\Long Icon Name.ico";
    const struct {
        std::string tail;
        std::string copied;
        int action;
    } cases[] = {
        {plain, plain, START_SHEET},
        {"  \"" + plain + "\"  ", plain, START_SHEET},
        // A name that holds a blank is found whole; further words are cut at the first blank.
        {blanks, blanks, START_SHEET},
        {plain + " and more words", plain, START_SHEET},
        {dir_ + "\\missing.ico", "<none>", START_SHEET},
        {"/ChgIcon  \"" + folder + "\"", folder, START_CHANGEFOLDER},
        {"/chgicon " + plain, plain, START_CHANGEFOLDER},
        // A folder that is not there leaves nothing to change: the sheet starts as usual.
        {"/ChgIcon " + dir_ + "\\missing", "<none>", START_SHEET},
        // Without its blank the switch is part of the path.
        {"/ChgIcon" + plain, "<none>", START_SHEET},
        {"/ChgIcon", "<none>", START_SHEET},
    };
    for (const auto &c : cases) {
        ClearStartState();
        EXPECT_EQ(c.action, ReadCommandTail(c.tail.c_str())) << c.tail;
        EXPECT_EQ(0, lstrcmpiA(c.copied.c_str(), Copied().c_str())) << c.tail << " gave " << Copied();
    }
}

TEST_F(CommandTail, ShortNamesAreExpandedToLongOnes)
{
    const std::string blanks = dir_ + "\\Long Icon Name.ico";
    char shortPath[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(blanks.c_str(), shortPath, MAX_PATH));
    ASSERT_STRNE(blanks.c_str(), shortPath);
    ReadCommandTail(shortPath);
    EXPECT_EQ(0, lstrcmpiA(blanks.c_str(), Copied().c_str())) << Copied();
}

TEST_F(CommandTail, OverlongTailIsCutNotOverrun)
{
    std::string tail = dir_ + "\\" + std::string(600, 'a') + ".ico";
    EXPECT_EQ(START_SHEET, ReadCommandTail(tail.c_str()));
    EXPECT_EQ("<none>", Copied());
}

// The entry takes its tail from the whole command line, as the system hands it over.
TEST(ProgramName, SkippedQuotedOrNotWithTheBlanksAfterIt)
{
    const struct {
        const char *line;
        const char *tail;
    } cases[] = {
        {"tilefox.exe", ""},
        {"tilefox.exe /PLUS", "/PLUS"},
        {"C:\\TILEFOX\\TILEFOX.EXE \t  C:\\a b.ico ", "C:\\a b.ico "},
        {"\"C:\\Program Files\\tilefox.exe\" /PLUS", "/PLUS"},
        {"\"C:\\Program Files\\tilefox.exe\"/PLUS", "/PLUS"},
        {"\"C:\\Program Files\\tilefox.exe\"", ""},
        {"\"C:\\unterminated quote /PLUS", ""},
        {"  tilefox.exe  /PLUS", "/PLUS"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(c.tail, SkipProgramName(c.line)) << c.line;
    // Code page 932 names: the second byte of 表 is that of a backslash.
    std::string quoted = "\"" + Ansi(u8"C:\\ソフト 表示\\tilefox.exe") + "\" " + Ansi(u8"C:\\表.ico");
    EXPECT_EQ(Ansi(u8"C:\\表.ico"), std::string(SkipProgramName(quoted.c_str())));
    std::string plain = Ansi(u8"C:\\表示\\tilefox.exe ソフト.ico");
    EXPECT_EQ(Ansi(u8"ソフト.ico"), std::string(SkipProgramName(plain.c_str())));
    EXPECT_STREQ("", SkipProgramName(nullptr));
}

TEST(ShellVersion, NewShellFromMshtml471Build1712)
{
    const struct {
        DWORD high, low;
        BOOL newShell;
    } cases[] = {
        {0, 0, FALSE},
        {0x00040047, 1711, FALSE},
        {0x00040047, 1712, TRUE},
        // The low half is one number: build 1 with any minor part passes.
        {0x00040047, 0x00010000, TRUE},
        {0x00040046, 0xFFFFFFFF, FALSE},
        {0x00040048, 0, TRUE},
        {0x00050000, 0, TRUE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.newShell, IsNewShellVersion(c.high, c.low)) << std::hex << c.high << " " << c.low;
}

TEST(ShellVersion, DetectionLeavesTheCurrentDirectory)
{
    char before[MAX_PATH], after[MAX_PATH], system[MAX_PATH + 1];
    GetCurrentDirectoryA(MAX_PATH, before);
    GetSystemDirectoryA(system, MAX_PATH);
    AddBackslash(system);
    Facts.SystemDirPath = system;
    DetectShell();
    Facts.SystemDirPath = nullptr;
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
    if (!Facts.NewShell)
        EXPECT_EQ(0, Facts.IntegratedShell);
}

ImportHook *g_tempName;
UINT WINAPI RefuseProgramFolder(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR name)
{
    if (lstrcmpiA(folder, TestBinDir().c_str()) == 0)
        return 0;
    return g_tempName->Original<decltype(&GetTempFileNameA)>()(folder, prefix, unique, name);
}

// Beside the program; where a later system closes the program's folder to its user, in the
// user's own application data. Windows 9x keeps it beside the program whatever happens.
TEST(SettingsPath, LiesBesideTheProgramWhereItsFolderTakesFiles)
{
    char appData[MAX_PATH] = "";
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData)));
    const std::string userFolder = std::string(appData) + "\\Tilefox";
    const bool hadFolder = GetFileAttributesA(userFolder.c_str()) != INVALID_FILE_ATTRIBUTES;
    for (SystemLine line : {LINE_9X, LINE_NT62}) {
        for (bool closed : {false, true}) {
            PretendSystem(line, false);
            std::unique_ptr<ImportHook> hook;
            if (closed)
                hook.reset(g_tempName = new ImportHook("kernel32.dll", "GetTempFileNameA",
                                                       reinterpret_cast<const void *>(&RefuseProgramFolder)));
            char path[MAX_PATH];
            FormSettingsPath(path);
            std::string expected = (line != LINE_9X && closed ? userFolder + "\\" : TestBinDir()) + "test_app.INI";
            EXPECT_EQ(0, lstrcmpiA(expected.c_str(), path)) << path;
        }
    }
    LearnSystem();
    if (!hadFolder)
        RemoveDirectoryA(userFolder.c_str());
}

// --- whole program runs ----------------------------------------------------------------------

DWORD RunProgram(const std::string &tail, DWORD timeout = 20000)
{
    PROCESS_INFORMATION process = {};
    if (!StartTestProgram("tilefox.exe", tail, &process))
        return DWORD(-2);
    return WaitTestProgram(process, timeout);
}

// The property sheet of the given process, once it is visible.
HWND WaitForSheet(DWORD processId, DWORD timeout = 20000)
{
    DWORD end = GetTickCount() + timeout;
    do {
        for (HWND window = FindWindowA("#32770", nullptr); window != nullptr;
             window = GetWindow(window, GW_HWNDNEXT)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window) && WindowText(window) == "Tilefox")
                return window;
        }
        PumpMessages(100);
    } while (int(end - GetTickCount()) > 0);
    return nullptr;
}

std::string ProgramSettingsPath()
{
    return TestBinDir() + "tilefox.INI";
}

class ProgramRun : public testing::Test {
protected:
    void SetUp() override
    {
        saved_.Value(HKEY_CURRENT_USER, kMetricsKey, kIconSize);
        DeleteFileA(ProgramSettingsPath().c_str());
    }
    void TearDown() override { DeleteFileA(ProgramSettingsPath().c_str()); }

    SavedRegistry saved_;
};

TEST_F(ProgramRun, RebuildRedrawsAndLeavesNothingBehind)
{
    SetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize, "048");
    IconSizeRecorder recorder;
    ASSERT_NE(nullptr, recorder.Window());

    EXPECT_EQ(0u, RunProgram("/REBUILD"));
    PumpMessages(100);

    EXPECT_EQ((std::vector<std::string>{"47", "48"}), recorder.Seen);
    EXPECT_EQ("048", GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProgramSettingsPath().c_str()))
        << "a one-shot run writes no settings";
    EXPECT_EQ(nullptr, FindWindowA(INSTANCE_CLASS, nullptr));
}

TEST_F(ProgramRun, ClearSwitchEndsAtOnce)
{
    EXPECT_EQ(0u, RunProgram("/clr", 10000));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProgramSettingsPath().c_str()));
}

TEST_F(ProgramRun, FolderIconStartEndsWithoutSheetOrSettings)
{
    std::string folder = MakeTempDir("chg icon");
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(StartTestProgram("tilefox.exe", "/ChgIcon \"" + folder + "\"", &process));
    // Only the folder's Change Icon dialog shows; cancelled, the run ends.
    std::string caption = Ansi(u8"アイコンの変更 - ") + folder.substr(folder.find_last_of('\\') + 1);
    HWND picker = nullptr;
    for (DWORD end = GetTickCount() + 10000; picker == nullptr && int(end - GetTickCount()) > 0;) {
        PumpMessages(100);
        picker = FindWindowA("#32770", caption.c_str());
    }
    EXPECT_NE(nullptr, picker);
    EXPECT_EQ(nullptr, FindWindowA(INSTANCE_CLASS, nullptr));
    if (picker != nullptr)
        PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(0u, WaitTestProgram(process, 10000));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProgramSettingsPath().c_str()));
    RemoveTree(folder);
}

// A second start finds this process's InstanceWindow, brings its sheet back and ends.
TEST_F(ProgramRun, SecondStartActivatesTheFirst)
{
    CopyText(App.Caption, "Tilefox", sizeof App.Caption);
    App.InstanceWindow = CreateInstanceWindow();
    ASSERT_NE(nullptr, App.InstanceWindow);
    HWND sheet = CreateWindowExA(0, "STATIC", "sheet", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sheet));
    ShowWindow(sheet, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(sheet));

    DWORD started = GetTickCount();
    EXPECT_EQ(0u, RunProgram("", 15000));
    EXPECT_LT(GetTickCount() - started, 15000u);
    PumpMessages(200);
    EXPECT_FALSE(IsIconic(sheet)) << "restored by message 2025";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProgramSettingsPath().c_str()));

    DestroyWindow(sheet);
    DestroyWindow(App.InstanceWindow);
    App.InstanceWindow = nullptr;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        ;
}

TEST_F(ProgramRun, SheetRunHandsOverAndSavesOnClose)
{
    PROCESS_INFORMATION first = {};
    ASSERT_TRUE(StartTestProgram("tilefox.exe", "", &first));
    HWND sheet = WaitForSheet(first.dwProcessId);
    if (sheet == nullptr) {
        TerminateProcess(first.hProcess, 1);
        WaitTestProgram(first, 5000);
        FAIL() << "no sheet";
    }
    HWND instance = FindWindowA(INSTANCE_CLASS, "Tilefox");
    ASSERT_NE(nullptr, instance);
    EXPECT_FALSE(IsWindowVisible(instance));
    EXPECT_EQ(sheet, reinterpret_cast<HWND>(GetWindowLongPtrA(instance, GWLP_USERDATA)));

    // A second start while the first is minimised brings it back and ends at once.
    ShowWindow(sheet, SW_MINIMIZE);
    PumpMessages(300);
    EXPECT_TRUE(IsIconic(sheet));
    EXPECT_EQ(0u, RunProgram("/PLUS", 15000));
    PumpMessages(500);
    EXPECT_FALSE(IsIconic(sheet));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ProgramSettingsPath().c_str()));

    // The close box is Cancel: the settings are saved and the process ends with 0.
    PostMessageA(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, WaitTestProgram(first, 20000));
    EXPECT_EQ(nullptr, FindWindowA(INSTANCE_CLASS, nullptr));

    std::string text = ReadFileText(ProgramSettingsPath());
    int width = GetSystemMetrics(SM_CXSCREEN);
    for (const std::string &key : {"[General]", "[Options]", "IconViewMode=1", "IconSizeL=32", "IconSizeS=16",
                                   "AutoRefresh=1", "DriveIconMsg=1", "StartupTab=0", "DialogRows=4",
                                   "DialogAnimation=12", "HookComDlg=0"})
        EXPECT_NE(std::string::npos, text.find(key)) << key << " in\n" << text;
    EXPECT_NE(std::string::npos, text.find("PosX" + std::to_string(width) + "="));
    EXPECT_NE(std::string::npos, text.find("PosY" + std::to_string(width) + "="));
    EXPECT_EQ(std::string::npos, text.find("RefreshLevel"));
}

}  // namespace
