// The whole program started as Explorer's folder verb does it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ids.h"
#include "support/testing.h"

namespace {

struct PickerSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchPicker(HWND window, LPARAM lParam)
{
    PickerSearch *search = reinterpret_cast<PickerSearch *>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner == search->processId && lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, IDC_CI_GRID) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The Change Icon dialog of the started program, once it is on screen.
HWND WaitForPicker(DWORD processId)
{
    DWORD end = GetTickCount() + 20000;
    do {
        PickerSearch search = {processId, nullptr};
        EnumWindows(MatchPicker, LPARAM(&search));
        if (search.found != nullptr)
            return search.found;
        PumpMessages(100);
    } while (int(end - GetTickCount()) > 0);
    return nullptr;
}

// Starts the program with "/ChgIcon", lets act answer its dialog and waits for its end;
// returns its exit code, or -1 when it did not end in time.
DWORD RunVerb(const std::string &program, const std::string &folder, void (*act)(HWND))
{
    PROCESS_INFORMATION process = {};
    if (!StartTestProgram(program.c_str(), "/ChgIcon \"" + folder + "\"", &process))
        return DWORD(-2);
    HWND picker = WaitForPicker(process.dwProcessId);
    EXPECT_NE(nullptr, picker);
    if (picker != nullptr)
        act(picker);
    return WaitTestProgram(process, 30000, false);
}

std::string Caption(HWND window)
{
    char caption[200] = "";
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

bool Has(const std::string &path, DWORD attribute)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

TEST(FolderVerb, GivesTheFolderAnIconAndTakesItBack)
{
    std::string parent = MakeTempDir("verb");
    std::string folder = parent + "\\My Icons";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string ini = folder + "\\DESKTOP.INI";

    // A copy of the program: its restore points go beside it, not into the test folder.
    std::string program = parent + "\\tilefox.exe";
    ASSERT_TRUE(CopyFileA((TestBinDir() + "tilefox.exe").c_str(), program.c_str(), FALSE));
    EXPECT_EQ(0u, RunVerb(program, folder, [](HWND picker) {
                  EXPECT_EQ(Ansi(u8"アイコンの変更 - My Icons"), Caption(picker));
                  EXPECT_FALSE(IsWindowVisible(GetDlgItem(picker, IDC_CI_DEFAULT)));
                  SetDlgItemTextA(picker, IDC_CI_FILENAME, FixturePath("icons12.dll").c_str());
                  SendDlgItemMessageA(picker, IDC_CI_GRID, LB_SETCURSEL, 6, 0);
                  PostMessageA(picker, WM_COMMAND, IDOK, 0);
              }));
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(".ShellClassInfo", "IconIndex", "", value, MAX_PATH, ini.c_str());
    EXPECT_STREQ("6", value);
    GetPrivateProfileStringA(".ShellClassInfo", "IconFile", "", value, MAX_PATH, ini.c_str());
    EXPECT_EQ(FixturePath("icons12.dll"), std::string(value));
    EXPECT_TRUE(Has(ini, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(Has(folder, FILE_ATTRIBUTE_SYSTEM));

    // The second run offers the way back.
    EXPECT_EQ(0u, RunVerb(program, folder, [](HWND picker) {
                  EXPECT_TRUE(IsWindowVisible(GetDlgItem(picker, IDC_CI_DEFAULT)));
                  PostMessageA(picker, WM_COMMAND, IDC_CI_DEFAULT, 0);
              }));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));
    EXPECT_FALSE(Has(folder, FILE_ATTRIBUTE_SYSTEM));
    // Each change recorded first what it replaced.
    for (const char *name : {"TFRP0001.TXT", "TFRP0002.TXT"})
        EXPECT_NE(std::string::npos, ReadFileText(parent + "\\" + name).find("FILE ")) << name;
    RemoveTree(parent);
}

}  // namespace
