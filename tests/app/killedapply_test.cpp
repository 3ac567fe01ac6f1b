// An Apply of the whole real sheet ended by force after each of its writes in turn (a copy of
// this program, ended from inside after its k-th write to the registry or a file, the record's
// own included), then taken back: the whole registry and X:'s AUTORUN.INF are as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/sheetstate.h"
#include "restore/restorepoint.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/regsnapshot.h"
#include "support/sheetchanges.h"

namespace {

const char kWrites[] = "TILEFOX_TEST_WRITES";
const char kSettings[] = "TILEFOX_TEST_SETTINGS";
const UINT kEnded = 77;

int g_writesLeft;
std::unique_ptr<ImportHook> g_hooks[6];

template <typename Function> Function Original(int slot)
{
    return g_hooks[slot]->Original<Function>();
}

template <typename Result> Result Wrote(Result result, bool counts = true)
{
    if (counts && --g_writesLeft == 0)
        TerminateProcess(GetCurrentProcess(), kEnded);
    return result;
}

LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    return Wrote(Original<decltype(&RegSetValueExA)>(0)(key, name, reserved, type, data, size));
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name)
{
    return Wrote(Original<decltype(&RegDeleteValueA)>(1)(key, name));
}

LONG WINAPI CreateKey(HKEY key, LPCSTR name, DWORD reserved, LPSTR kind, DWORD options, REGSAM access,
                      LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    DWORD made = 0;
    LONG code = Original<decltype(&RegCreateKeyExA)>(2)(key, name, reserved, kind, options, access, security, result,
                                                        &made);
    if (disposition != nullptr)
        *disposition = made;
    return Wrote(code, made == REG_CREATED_NEW_KEY);
}

BOOL WINAPI WriteProfile(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR file)
{
    // Without a section it only empties the cache.
    return Wrote(Original<decltype(&WritePrivateProfileStringA)>(3)(section, key, text, file), section != nullptr);
}

BOOL WINAPI Write(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    return Wrote(Original<decltype(&WriteFile)>(4)(file, data, size, written, overlapped));
}

HANDLE WINAPI Create(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE pattern)
{
    return Wrote(Original<decltype(&CreateFileA)>(5)(path, access, share, security, disposition, flags, pattern),
                 (access & GENERIC_WRITE) && disposition != OPEN_EXISTING);
}

// Run only as the copy the test below starts.
TEST(KilledApplyCopy, DISABLED_AppliesEveryTab)
{
    char writes[16] = "";
    char settings[MAX_PATH] = "";
    GetEnvironmentVariableA(kWrites, writes, sizeof writes);
    ASSERT_NE(0u, GetEnvironmentVariableA(kSettings, settings, sizeof settings));
    AppSetup app("killedcopy");
    CopyText(App.SettingsPath, settings, MAX_PATH);
    app.KeepShellUntold();
    HWND sheet = app.OpenFilledSheet();
    ASSERT_TRUE(sheet != nullptr && AllListsFilled(true));
    ChangeEveryTab(1);
    g_writesLeft = atoi(writes);
    g_hooks[0].reset(new ImportHook("advapi32.dll", "RegSetValueExA", reinterpret_cast<const void *>(&SetValue)));
    g_hooks[1].reset(new ImportHook("advapi32.dll", "RegDeleteValueA", reinterpret_cast<const void *>(&DeleteValue)));
    g_hooks[2].reset(new ImportHook("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<const void *>(&CreateKey)));
    g_hooks[3].reset(
        new ImportHook("kernel32.dll", "WritePrivateProfileStringA", reinterpret_cast<const void *>(&WriteProfile)));
    g_hooks[4].reset(new ImportHook("kernel32.dll", "WriteFile", reinterpret_cast<const void *>(&Write)));
    g_hooks[5].reset(new ImportHook("kernel32.dll", "CreateFileA", reinterpret_cast<const void *>(&Create)));
    PressSheetButton(sheet, IDC_SHEET_APPLY);
    for (auto &hook : g_hooks)
        hook.reset();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_APPLY))) << "applied whole";
}

TEST(KilledApplyTest, AnApplyEndedAfterAnyWriteIsTakenBackWhole)
{
    AppSetup app("killedapply");
    SetShellSettingsToStart();
    if (HaveThrowawayDrive()) {
        RemoveThrowawayAutorun();
        WriteFileText("X:\\AUTORUN.INF", "[autorun]\r\nopen=setup.exe\r\n\r\n[Other]\r\nx=1\r\n");
        SetFileAttributesA("X:\\AUTORUN.INF", FILE_ATTRIBUTE_HIDDEN);
    }
    // A service Wine starts beside the copies counts itself in ServiceCurrent.
    RegistrySnapshot before(WholeRegistry(), {"HKCU\\Software\\Wine", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent"});
    before.Take();
    std::string autorun = ThrowawayAutorunState();
    SetEnvironmentVariableA(kSettings, App.SettingsPath);
    DWORD code = kEnded;
    int writes = 0;
    while (code == kEnded && writes < 100 && !testing::Test::HasFailure()) {
        SetEnvironmentVariableA(kWrites, std::to_string(++writes).c_str());
        PROCESS_INFORMATION copy;
        ASSERT_TRUE(StartTestProgram("test_app.exe", "--gtest_also_run_disabled_tests --gtest_filter=KilledApplyCopy.*",
                                     &copy));
        code = WaitTestProgram(copy, 60000);
        EXPECT_TRUE(code == kEnded || code == 0) << "ended after write " << writes << ": " << code;
        BoxRecorder boxes;
        TakeBackRestorePoint(nullptr, nullptr);
        EXPECT_EQ("", JoinLines(before.ChangesSince())) << "ended after write " << writes << "\n" << boxes.All();
        EXPECT_EQ(autorun, ThrowawayAutorunState()) << "ended after write " << writes;
        EXPECT_FALSE(HasRestorePoint()) << "ended after write " << writes;
    }
    EXPECT_EQ(0u, code) << "the last run applies whole";
    EXPECT_LT(10, writes);
    SetEnvironmentVariableA(kWrites, nullptr);
    SetEnvironmentVariableA(kSettings, nullptr);
    before.Restore();
    RemoveThrowawayAutorun();
}

}  // namespace
