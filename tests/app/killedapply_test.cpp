// An Apply of the whole real sheet ended by force after each of its writes in turn (a copy of
// this test program, ended from inside after its k-th write to the registry or a file, the
// record's own included), then taken back: the whole registry and drive X: are as before,
// every time, and no record is left.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/restorepoint.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/regsnapshot.h"
#include "support/sheetchanges.h"
#include "support/testing.h"

namespace {

const char kWritesVariable[] = "TILEFOX_TEST_WRITES";
const char kSettingsVariable[] = "TILEFOX_TEST_SETTINGS";
const char kAutorun[] = "X:\\AUTORUN.INF";
const UINT kEnded = 77;

// --- the copy that is ended ------------------------------------------------------------------

int g_writesLeft;
std::unique_ptr<ImportHook> g_hooks[9];

void Wrote()
{
    if (--g_writesLeft == 0)
        TerminateProcess(GetCurrentProcess(), kEnded);
}

template <int Slot, typename Function> Function Original()
{
    return g_hooks[Slot]->Original<Function>();
}

LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    LONG result = Original<0, decltype(&RegSetValueExA)>()(key, name, reserved, type, data, size);
    Wrote();
    return result;
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name)
{
    LONG result = Original<1, decltype(&RegDeleteValueA)>()(key, name);
    Wrote();
    return result;
}

LONG WINAPI DeleteKey(HKEY key, LPCSTR name)
{
    LONG result = Original<2, decltype(&RegDeleteKeyA)>()(key, name);
    Wrote();
    return result;
}

LONG WINAPI CreateKey(HKEY key, LPCSTR name, DWORD reserved, LPSTR kind, DWORD options, REGSAM access,
                      LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    DWORD made = 0;
    LONG code = Original<3, decltype(&RegCreateKeyExA)>()(key, name, reserved, kind, options, access, security, result,
                                                         &made);
    if (disposition != nullptr)
        *disposition = made;
    if (code == ERROR_SUCCESS && made == REG_CREATED_NEW_KEY)
        Wrote();
    return code;
}

BOOL WINAPI WriteProfile(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR file)
{
    BOOL result = Original<4, decltype(&WritePrivateProfileStringA)>()(section, key, text, file);
    if (section != nullptr)   // not the flush of the cache
        Wrote();
    return result;
}

BOOL WINAPI Write(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    BOOL result = Original<5, decltype(&WriteFile)>()(file, data, size, written, overlapped);
    Wrote();
    return result;
}

BOOL WINAPI Delete(LPCSTR path)
{
    BOOL result = Original<6, decltype(&DeleteFileA)>()(path);
    Wrote();
    return result;
}

BOOL WINAPI SetAttributes(LPCSTR path, DWORD attributes)
{
    BOOL result = Original<7, decltype(&SetFileAttributesA)>()(path, attributes);
    Wrote();
    return result;
}

HANDLE WINAPI Create(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE pattern)
{
    HANDLE result = Original<8, decltype(&CreateFileA)>()(path, access, share, security, disposition, flags, pattern);
    if ((access & GENERIC_WRITE) && disposition != OPEN_EXISTING)
        Wrote();
    return result;
}

void EndAfterWrites(int writes)
{
    g_writesLeft = writes;
    const struct {
        const char *dll, *function;
        const void *replacement;
    } hooks[] = {
        {"advapi32.dll", "RegSetValueExA", reinterpret_cast<const void *>(&SetValue)},
        {"advapi32.dll", "RegDeleteValueA", reinterpret_cast<const void *>(&DeleteValue)},
        {"advapi32.dll", "RegDeleteKeyA", reinterpret_cast<const void *>(&DeleteKey)},
        {"advapi32.dll", "RegCreateKeyExA", reinterpret_cast<const void *>(&CreateKey)},
        {"kernel32.dll", "WritePrivateProfileStringA", reinterpret_cast<const void *>(&WriteProfile)},
        {"kernel32.dll", "WriteFile", reinterpret_cast<const void *>(&Write)},
        {"kernel32.dll", "DeleteFileA", reinterpret_cast<const void *>(&Delete)},
        {"kernel32.dll", "SetFileAttributesA", reinterpret_cast<const void *>(&SetAttributes)},
        {"kernel32.dll", "CreateFileA", reinterpret_cast<const void *>(&Create)},
    };
    for (int i = 0; i < 9; ++i) {
        g_hooks[i].reset(new ImportHook(hooks[i].dll, hooks[i].function, hooks[i].replacement));
        ASSERT_TRUE(g_hooks[i]->Hooked()) << hooks[i].function;
    }
}

// Run only as the copy the test below starts.
TEST(KilledApplyCopy, DISABLED_AppliesEveryTab)
{
    char writes[16] = "";
    char settings[MAX_PATH] = "";
    GetEnvironmentVariableA(kWritesVariable, writes, sizeof writes);
    ASSERT_NE(0u, GetEnvironmentVariableA(kSettingsVariable, settings, sizeof settings));
    AppSetup app("killedcopy");
    CopyText(App.SettingsPath, settings, MAX_PATH);
    app.KeepShellUntold();
    HWND sheet = app.OpenFilledSheet();
    ASSERT_TRUE(sheet != nullptr && AllListsFilled(true));
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int row = FirstOrdinaryRow(list);
        if (row >= 0)
            ASSERT_TRUE(PasteOnRow(list, row, FixturePath("icons12.dll") + "," + std::to_string(tab + 1)));
    }
    HWND page = Sheet.TabDialogs[TAB_SETTINGS1];
    SetDlgItemTextA(page, IDC_IS_SIZE, "40");
    SendDlgItemMessageA(page, IDC_IS_NOARROW, BM_CLICK, 0, 0);
    if (HaveThrowawayDrive())
        SetThrowawayDriveIcon(FixturePath("icons12.dll") + ",7");
    ASSERT_NO_FATAL_FAILURE(EndAfterWrites(atoi(writes)));
    PressSheetButton(sheet, IDC_SHEET_APPLY);
    for (auto &hook : g_hooks)
        hook.reset();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_APPLY))) << "applied whole";
}

// --- the test -------------------------------------------------------------------------------

std::string AutorunState()
{
    DWORD attributes = GetFileAttributesA(kAutorun);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "absent";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kAutorun);
    return std::to_string(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) + " " +
           ReadFileText(kAutorun);
}

TEST(KilledApplyTest, AnApplyEndedAfterAnyWriteIsTakenBackWhole)
{
    AppSetup app("killedapply");
    SetShellSettingsToStart();
    if (HaveThrowawayDrive()) {
        RemoveThrowawayAutorun();
        WriteFileText(kAutorun, "[autorun]\r\nopen=setup.exe\r\n\r\n[Other]\r\nx=1\r\n");
        SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_HIDDEN);
    }
    RegistrySnapshot before(WholeRegistry(), {"HKCU\\Software\\Wine"});
    before.Take();
    std::string autorun = AutorunState();
    SetEnvironmentVariableA(kSettingsVariable, App.SettingsPath);

    DWORD code = kEnded;
    int writes = 0;
    while (code == kEnded && writes < 200) {
        ++writes;
        SetEnvironmentVariableA(kWritesVariable, std::to_string(writes).c_str());
        PROCESS_INFORMATION copy;
        ASSERT_TRUE(StartTestProgram(
            "test_app.exe", "--gtest_also_run_disabled_tests --gtest_filter=KilledApplyCopy.*", &copy));
        code = WaitTestProgram(copy, 60000);
        ASSERT_TRUE(code == kEnded || code == 0) << "ended after write " << writes << ": " << code;
        BoxRecorder boxes;
        TakeBackRestorePoint(nullptr, nullptr);
        EXPECT_EQ("", JoinLines(before.ChangesSince())) << "ended after write " << writes << "\n" << boxes.All();
        EXPECT_EQ(autorun, AutorunState()) << "ended after write " << writes;
        EXPECT_FALSE(HasRestorePoint()) << "ended after write " << writes;
        if (testing::Test::HasFailure())
            break;
    }
    EXPECT_EQ(0u, code) << "the last run applies whole";
    EXPECT_LT(10, writes);
    before.Restore();
    SetEnvironmentVariableA(kWritesVariable, nullptr);
    SetEnvironmentVariableA(kSettingsVariable, nullptr);
    RemoveThrowawayAutorun();
}

}  // namespace
