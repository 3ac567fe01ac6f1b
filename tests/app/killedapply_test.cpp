// An Apply of the whole real sheet ended by force after each of its writes in turn (a copy of
// this program, ended from inside after its k-th write to the registry or a file, the record's
// own included), then taken back: the whole registry and X:'s AUTORUN.INF are as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/sheetstate.h"
#include "restore/restorepoint.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/regsnapshot.h"
#include "support/sheetchanges.h"
#include "support/writewatch.h"

namespace {

const char kWrites[] = "TILEFOX_TEST_WRITES";
const char kSettings[] = "TILEFOX_TEST_SETTINGS";
const UINT kEnded = 77;

int g_writesLeft;

void EndAfterTheLastWrite(const WriteSeen &seen)
{
    if (seen.Lasting && --g_writesLeft == 0)
        TerminateProcess(GetCurrentProcess(), kEnded);
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
    {
        WriteWatch watch(EndAfterTheLastWrite);
        PressSheetButton(sheet, IDC_SHEET_APPLY);
    }
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
