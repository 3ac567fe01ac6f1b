// Taking back an Apply of the whole real sheet: the registry (whole-registry snapshot) and the
// drive's AUTORUN.INF are as before, the sheet shows what is in force, changes made by hand
// since stay, and nothing is applied without a restore point unless the user says so. The
// shell is never told (AutoRefresh off, RefreshLevel 0).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/restoreapply.h"
#include "app/rightsrun.h"
#include "app/sheetstate.h"
#include "app/instance.h"
#include "app/startup.h"
#include "restore/restorepoint.h"
#include "common/appstate.h"
#include "common/options.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/probes.h"
#include "support/regsnapshot.h"
#include "support/sheetchanges.h"
#include "support/testing.h"

namespace {

const char kAutorun[] = "X:\\AUTORUN.INF";
// As a drive may already have one: another key, another section, hidden.
const char kAutorunBefore[] = "[autorun]\r\nopen=setup.exe\r\n\r\n[Other]\r\nx=1\r\n";

// The newest record as the user reads it.
std::string NewestRecord()
{
    char path[MAX_PATH];
    return RestorePointPath(NewestRestorePoint(), path) ? ReadFileText(path) : "";
}

class RestoreApplyTest : public WholeSheetTest {
protected:
    RestoreApplyTest() : WholeSheetTest("restoreapply", SheetKeys(), {"HKCU\\Software\\Wine"}, kAutorunBefore) {}

    // Every tab changed, and applied unless told otherwise.
    void ChangeEveryTab(int variant, bool apply = true)
    {
        ::ChangeEveryTab(variant);
        EXPECT_TRUE(ApplyEnabled());
        if (apply)
            Apply();
    }

    void Apply() { Press(IDC_SHEET_APPLY); }

    void TakeBack(BoxRecorder *boxes)
    {
        SendMessageA(sheet_, WM_SYSCOMMAND, IDM_SYS_TAKEBACK, 0);
        PumpMessages(300);
        EXPECT_LE(1u, boxes->Texts.size());
    }

    // The take-back item, last in the system menu; grey while there is nothing to take back.
    bool TakeBackOffered()
    {
        HMENU menu = GetSystemMenu(sheet_, FALSE);
        SendMessageA(sheet_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
        int count = GetMenuItemCount(menu);
        EXPECT_EQ(UINT(IDM_SYS_TAKEBACK), GetMenuItemID(menu, count - 1));
        EXPECT_EQ(UINT(IDM_SYS_ALLSTANDARD), GetMenuItemID(menu, count - 2));
        return !(GetMenuState(menu, IDM_SYS_TAKEBACK, MF_BYCOMMAND) & MF_GRAYED);
    }

    // Every changed row shows what the registry holds again, unchanged.
    void ExpectListsShowTheRegistry()
    {
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            int row = FirstOrdinaryRow(list);
            if (row < 0)
                continue;
            const IconEntry *entry = GetEntry(list, row);
            EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState) << "tab " << tab;
            EXPECT_EQ(std::string::npos, std::string(entry->CurrentLocation).find("icons12.dll")) << "tab " << tab;
        }
        EXPECT_EQ("32", DlgItemText(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_SIZE));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_NOARROW));
        EXPECT_FALSE(ApplyEnabled());
    }
};

TEST_F(RestoreApplyTest, EveryTabAppliedTwiceIsTakenBackTwice)
{
    Open();
    EXPECT_FALSE(TakeBackOffered());
    ChangeEveryTab(1);
    std::vector<std::string> first = snapshot_.ChangesSince();
    std::string firstAutorun = ThrowawayAutorunState();
    ASSERT_GE(first.size(), 7u);
    EXPECT_TRUE(TakeBackOffered());

    ChangeEveryTab(2);
    ASSERT_NE(JoinLines(first), JoinLines(snapshot_.ChangesSince()));

    BoxRecorder boxes;
    TakeBack(&boxes);
    EXPECT_EQ(JoinLines(first), JoinLines(snapshot_.ChangesSince()));
    EXPECT_EQ(firstAutorun, ThrowawayAutorunState());
    TakeBack(&boxes);
    EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, ThrowawayAutorunState());
    ExpectListsShowTheRegistry();
    EXPECT_FALSE(TakeBackOffered());
    EXPECT_EQ(2u, boxes.Texts.size()) << boxes.All();
}

TEST_F(RestoreApplyTest, AValueChangedByHandSinceIsLeftAndNamed)
{
    bool keyWasThere = RegKeyExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    Open();
    ChangeEveryTab(1);
    // The General list writes a Shell Icons value; someone sets it by hand afterwards.
    HWND general = ListOfTab(TAB_GENERAL);
    std::string index = GetEntry(general, FirstOrdinaryRow(general))->RegistryKey;
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), "by hand");
    std::string line = RegistrySnapshot::Line('+', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, "by hand");
    std::string changed = RegistrySnapshot::Line('~', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, "by hand");

    BoxRecorder boxes;
    TakeBack(&boxes);
    // Only that value is left, with its key when the Apply made it.
    std::string left = JoinLines(snapshot_.ChangesSince());
    std::string key = keyWasThere ? "" : RegistrySnapshot::KeyLine('+', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY) + "\n";
    EXPECT_TRUE(left == changed + "\n" || left == line + "\n" + key || left == key + line + "\n") << left;
    EXPECT_EQ(autorun_, ThrowawayAutorunState());
    ASSERT_EQ(1u, boxes.Texts.size());
    EXPECT_NE(std::string::npos, boxes.Texts[0].find(std::string(SHELL_ICONS_KEY) + "\\" + index)) << boxes.All();
}

TEST_F(RestoreApplyTest, PendingChangesAreDroppedOnlyWhenTheUserAgrees)
{
    Open();
    ChangeEveryTab(1);
    std::string applied = JoinLines(snapshot_.ChangesSince());
    ChangeEveryTab(2, false);
    {
        BoxRecorder no(IDNO);
        TakeBack(&no);
        EXPECT_EQ(applied, JoinLines(snapshot_.ChangesSince()));
        EXPECT_TRUE(ApplyEnabled());
    }
    BoxRecorder yes(IDYES);
    TakeBack(&yes);
    EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, ThrowawayAutorunState());
    ExpectListsShowTheRegistry();

    // Another copy takes an Apply back: the lists show the registry, a pending row keeps its edit.
    ChangeEveryTab(1);
    HWND desktop = ListOfTab(TAB_DESKTOP);
    ASSERT_TRUE(PasteOnRow(desktop, FirstOrdinaryRow(desktop), FixturePath("icons12.dll") + ",9"));
    EXPECT_EQ(0, TakeBackFromCommandLine());
    App.InstanceWindow = CreateInstanceWindow();
    SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sheet_));
    SendMessageA(App.InstanceWindow, UM_REGISTRYCHANGED, 0, 0);
    DestroyWindow(App.InstanceWindow);
    App.InstanceWindow = nullptr;
    const IconEntry *pending = GetEntry(desktop, FirstOrdinaryRow(desktop));
    EXPECT_EQ(FixturePath("icons12.dll") + ",9", pending->CurrentLocation);
    EXPECT_NE(STATE_UNCHANGED, pending->ChangeState);
    HWND general = ListOfTab(TAB_GENERAL);
    const IconEntry *undone = GetEntry(general, FirstOrdinaryRow(general));
    EXPECT_EQ(STATE_UNCHANGED, undone->ChangeState);
    EXPECT_EQ(std::string::npos, std::string(undone->CurrentLocation).find("icons12.dll"));
    EXPECT_EQ("32", DlgItemText(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_SIZE)) << "a page the user did not edit";
}

TEST_F(RestoreApplyTest, WithoutARecordNothingIsAppliedUnlessTheUserSaysSo)
{
    Open();
    ChangeEveryTab(1, false);
    // The settings file's folder is gone: no record can be written beside it.
    std::string settings = App.SettingsPath;
    CopyText(App.SettingsPath, (app_->Dir() + "\\gone\\tilefox.INI").c_str(), MAX_PATH);
    {
        BoxRecorder no(IDNO);
        Apply();
        EXPECT_EQ(1u, no.Texts.size());
        EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
        EXPECT_EQ(autorun_, ThrowawayAutorunState());
        EXPECT_TRUE(ApplyEnabled());
    }
    BoxRecorder yes(IDYES);
    Apply();
    EXPECT_NE("", JoinLines(snapshot_.ChangesSince()));
    EXPECT_FALSE(ApplyEnabled());
    CopyText(App.SettingsPath, settings.c_str(), MAX_PATH);
}

// A record holds what the coming writes may change and no more: the drives changed, the icon
// size only when the icon redraw will run.
TEST_F(RestoreApplyTest, TheRecordHoldsOnlyWhatTheWritesMayChange)
{
    Open();
    Settings.AutoRefresh = 1;
    const struct {
        int tab;
        bool redraw;
    } cases[] = {{TAB_DESKTOP, false}, {TAB_GENERAL, true}};
    for (const auto &c : cases) {
        HWND list = ListOfTab(c.tab);
        ASSERT_TRUE(PasteOnRow(list, FirstOrdinaryRow(list), FixturePath("icons12.dll") + ",3"));
        if (haveDrive_ && !c.redraw)
            ASSERT_NO_FATAL_FAILURE(SetThrowawayDriveIcon(FixturePath("icons12.dll") + ",2"));
        Apply();
        std::string record = NewestRecord();
        EXPECT_EQ(c.redraw, record.find("[Shell Icon Size]") != std::string::npos) << record;
        size_t drive = record.find(":\\AUTORUN.INF");
        EXPECT_EQ(haveDrive_ && !c.redraw ? record.find("X:\\AUTORUN.INF") + 1 : std::string::npos, drive) << record;
        EXPECT_EQ(std::string::npos, record.find(":\\AUTORUN.INF", drive + 1)) << record;
    }
}

TEST_F(RestoreApplyTest, TheCommandLineTakesBackAfterTheSheetHasGone)
{
    {
        BoxRecorder none;
        EXPECT_EQ(1, TakeBackFromCommandLine()) << "the exit code: nothing to take back";
        EXPECT_EQ(1u, none.Texts.size()) << "no restore point is said";
    }
    Open();
    ChangeEveryTab(1);
    DestroyWindow(sheet_);
    PumpMessages(100);
    ASSERT_NE("", JoinLines(snapshot_.ChangesSince()));

    BoxRecorder boxes;
    EXPECT_EQ(0, TakeBackFromCommandLine());
    EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
    EXPECT_EQ(autorun_, ThrowawayAutorunState());
    EXPECT_EQ(1u, boxes.Texts.size());

    char path[MAX_PATH];
    ASSERT_TRUE(RestorePointPath(1, path));
    WriteFileText(path, "TILEFOX RESTORE POINT 1\r\nEND 9\r\n");
    EXPECT_EQ(2, TakeBackFromCommandLine()) << "a damaged record is refused";
    DeleteFileA(path);
    EXPECT_EQ(1, RunTilefox(GetModuleHandleA(nullptr), "/UNDO")) << "the process ends with the code";
}

// A paste that the queue delivers while Apply serves it: here at the icon redraw's broadcast,
// after every list was committed.
HWND g_arrivalList;

LRESULT CALLBACK ArrivalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND list = g_arrivalList;
    if (message == WM_WININICHANGE && list != nullptr) {
        g_arrivalList = nullptr;
        PasteOnRow(list, FirstOrdinaryRow(list), FixturePath("icons12.dll") + ",7");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string ShellIconOfFirstRow(int tab)
{
    HWND list = ListOfTab(tab);
    return RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, GetEntry(list, FirstOrdinaryRow(list))->RegistryKey);
}

// What arrives during Apply stays pending; OK writes what was pending before and stays open
// for what arrived, which the next Apply writes.
TEST_F(RestoreApplyTest, WorkArrivingDuringApplyWaitsForTheNextApply)
{
    Open();
    HWND arrivals = CreateHelperWindow("TfArrivalWindow", ArrivalProc);
    Settings.AutoRefresh = 1;
    HWND general = ListOfTab(TAB_GENERAL);
    ASSERT_TRUE(PasteOnRow(general, FirstOrdinaryRow(general), FixturePath("icons12.dll") + ",1"));
    const struct {
        int button, arrivalTab, writtenTab;     // arrivalTab -1: none
    } steps[] = {{IDC_SHEET_APPLY, TAB_STARTMENU, TAB_GENERAL},
                 {IDOK, TAB_DRIVE, TAB_STARTMENU},
                 {IDC_SHEET_APPLY, -1, TAB_DRIVE}};
    for (const auto &step : steps) {
        std::string before = step.arrivalTab >= 0 ? ShellIconOfFirstRow(step.arrivalTab) : "";
        g_arrivalList = step.arrivalTab >= 0 ? ListOfTab(step.arrivalTab) : nullptr;
        PressSheetButton(sheet_, step.button);
        EXPECT_NE(std::string::npos, ShellIconOfFirstRow(step.writtenTab).find("icons12.dll")) << step.button;
        ASSERT_TRUE(IsWindowVisible(sheet_)) << step.button;
        EXPECT_EQ(step.arrivalTab >= 0, ApplyEnabled()) << step.button;
        if (step.arrivalTab >= 0)
            EXPECT_EQ(before, ShellIconOfFirstRow(step.arrivalTab)) << step.button;
    }
    DestroyWindow(arrivals);
}

// Take-back, like saving and the reset, waits for the lists: a list filled afterwards would
// show what it replaced.
TEST_F(RestoreApplyTest, TakeBackWaitsForEveryList)
{
    Open();
    BoxRecorder boxes;
    Sheet.ListsFilled = 0;
    SendMessageA(sheet_, WM_SYSCOMMAND, IDM_SYS_TAKEBACK, 0);
    PumpMessages(100);
    EXPECT_EQ(0u, boxes.Texts.size()) << boxes.All();
    Sheet.ListsFilled = 1;
    SendMessageA(sheet_, UM_LISTSFILLED, 0, 0);
    PumpMessages(100);
    EXPECT_EQ(1u, boxes.Texts.size()) << "no restore point is said";
}

// A write that did not happen (a registry value refused, X:'s file held open by another
// program) is named, stays pending, and keeps the sheet open after OK.
ImportHook *g_setValue;
LONG WINAPI RefuseFifthIcon(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (type == REG_SZ && data != nullptr && strstr(reinterpret_cast<const char *>(data), "icons12.dll,5"))
        return ERROR_ACCESS_DENIED;
    return g_setValue->Original<decltype(&RegSetValueExA)>()(key, name, reserved, type, data, size);
}

TEST_F(RestoreApplyTest, AWriteThatFailedIsNamedAndStaysPending)
{
    Open();
    HWND general = ListOfTab(TAB_GENERAL);
    int row = FirstOrdinaryRow(general);
    std::string name = GetEntry(general, row)->DisplayName;
    ImportHook hook("advapi32.dll", "RegSetValueExA", reinterpret_cast<const void *>(&RefuseFifthIcon));
    g_setValue = &hook;
    for (int button : {IDC_SHEET_APPLY, IDOK}) {
        ASSERT_TRUE(PasteOnRow(general, row, FixturePath("icons12.dll") + ",5"));
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (haveDrive_) {
            ASSERT_NO_FATAL_FAILURE(SetThrowawayDriveIcon(FixturePath("icons12.dll") + ",2"));
            lock = CreateFileA(kAutorun, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        BoxRecorder boxes(IDYES);
        PressSheetButton(sheet_, button);
        CloseHandle(lock);
        EXPECT_TRUE(IsWindowVisible(sheet_)) << button;
        EXPECT_TRUE(ApplyEnabled()) << button;
        EXPECT_NE(STATE_UNCHANGED, GetEntry(general, row)->ChangeState) << button;
        EXPECT_NE(std::string::npos, boxes.All().find(name)) << boxes.All();
        EXPECT_EQ(!haveDrive_, boxes.All().find("X:") == std::string::npos) << boxes.All();
        EXPECT_EQ(autorun_, ThrowawayAutorunState());
    }
}

// A refused General row goes to an administrator copy, run here: declined, the row stays
// pending; written, it counts as applied and the copy's record holds it.
bool g_copyRuns;

BOOL WINAPI RunCopyHere(SHELLEXECUTEINFOA *run)
{
    if (!g_copyRuns || lstrcmpA(run->lpVerb, "runas") != 0)
        return FALSE;
    std::string job = run->lpParameters;
    job = job.substr(job.find('"') + 1);
    job.resize(job.size() - 1);
    MachineRefusal::Off = true;
    int code = RunRightsJob(job.c_str());
    MachineRefusal::Off = false;
    PROCESS_INFORMATION process = {};
    if (!StartTestProgram("test_app.exe", code == RIGHTS_DONE ? "--gtest_filter=-*" : "--gtest_filter=x", &process))
        return FALSE;
    CloseHandle(process.hThread);
    run->hProcess = process.hProcess;
    return TRUE;
}

TEST_F(RestoreApplyTest, RowsThatNeedRightsGoToAnAdministratorCopyOrStayPending)
{
    PretendSystem(LINE_NT62, false);
    Open();
    HWND general = ListOfTab(TAB_GENERAL);
    int row = FirstOrdinaryRow(general);
    std::string name = GetEntry(general, row)->DisplayName;
    MachineRefusal refusal;
    ImportHook execute("shell32.dll", "ShellExecuteExA", reinterpret_cast<const void *>(&RunCopyHere));
    const char *index = GetEntry(general, row)->RegistryKey;
    const std::string held = RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index);
    ASSERT_TRUE(PasteOnRow(general, row, FixturePath("icons12.dll") + ",5"));
    for (bool copyRuns : {false, true}) {
        g_copyRuns = copyRuns;
        int before = NewestRestorePoint();
        BoxRecorder boxes(IDYES);
        Press(IDC_SHEET_APPLY);
        EXPECT_NE(std::string::npos, boxes.All().find(name)) << "the question names the row";
        EXPECT_EQ(!copyRuns, ApplyEnabled());
        EXPECT_EQ(copyRuns, GetEntry(general, row)->ChangeState == STATE_UNCHANGED);
        EXPECT_EQ(copyRuns ? FixturePath("icons12.dll") + ",5" : held,
                  RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index));
        if (copyRuns) {
            EXPECT_LT(before, NewestRestorePoint());
            EXPECT_NE(std::string::npos, NewestRecord().find("Shell Icons")) << NewestRecord();
        }
    }
    LearnSystem();
}

// The copy writes only the program's own machine rows; a job naming anything else is refused
// whole, before any write.
TEST(RightsJob, OnlyTheProgramsMachineRowsAreWrittenAndAnythingElseRefusesTheWholeJob)
{
    AppSetup app("rightsjob");
    RegistrySnapshot snapshot(
        {{HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, true}, {HKEY_LOCAL_MACHINE, "Software\\TilefoxTest", true}});
    snapshot.Take();
    PretendSystem(LINE_NT62, false);
    auto line = [](RowKind kind, const std::string &key, const char *name, const char *op) {
        return std::to_string(int(kind)) + "\t" + key + "\t" + name + "\t" + op + "\r\n";
    };
    const std::string icon = line(ROW_SHELL_ICON, SHELL_ICONS_KEY, "3", "=own.dll,2");
    const std::string drives = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\X\\Other";
    const struct { std::string Job; int Exit; } kJobs[] = {
        {"", RIGHTS_DONE},
        {icon + line(ROW_SHELL_ICON, "Software\\TilefoxTest", "3", "=own.dll,2"), RIGHTS_REFUSED},
        {icon + line(ROW_CLASS_ICON, "Software\\Classes\\CLSID\\{x}\\DefaultIcon", "", "=a,1"), RIGHTS_REFUSED},
        {icon + line(ROW_SHORTCUT_ARROW, "Software\\Classes\\lnkfile", "IsShortcut", "=yes"), RIGHTS_REFUSED},
        {icon + line(ROW_DRIVE_ICON, drives, "", "=a,1"), RIGHTS_REFUSED},
        {icon + "garbage\r\n", RIGHTS_REFUSED},
        {icon + line(ROW_SHELL_ICON, SHELL_ICONS_KEY, "4", "-"), RIGHTS_DONE},
    };
    const std::string job = app.Dir() + "\\job.txt";
    for (const auto &row : kJobs) {
        SCOPED_TRACE(row.Job);
        snapshot.Restore();
        SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", "theirs.dll,0");
        int before = NewestRestorePoint();
        ASSERT_TRUE(WriteFileText(job, row.Job));
        EXPECT_EQ(row.Exit, RunRightsJob(job.c_str()));
        bool wrote = row.Exit == RIGHTS_DONE && !row.Job.empty();
        EXPECT_EQ(wrote ? "own.dll,2" : "(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\TilefoxTest"));
        EXPECT_EQ(wrote ? before + 1 : before, NewestRestorePoint()) << "the copy's own record";
    }
    EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4")) << "a deletion in a job";
    snapshot.Restore();
    LearnSystem();
}

// The icon redraw after a take-back leaves no icon size that was not there before.
TEST_F(RestoreApplyTest, TheRedrawAfterATakeBackLeavesNoNewIconSize)
{
    for (bool seeded : {true, false}) {
        if (!seeded)
            DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size");
        snapshot_.Take();
        RestorePoint point;
        ASSERT_TRUE(point.Begin());
        point.Value(HKEY_CURRENT_USER, "Software\\TilefoxTest", "v");
        ASSERT_TRUE(point.Seal());
        SetRegString(HKEY_CURRENT_USER, "Software\\TilefoxTest", "v", "1");
        point.Finish();
        WriteFileText(App.SettingsPath, "[Options]\r\nAutoRefresh=1\r\nRefreshLevel=0\r\n");
        BoxRecorder boxes;
        EXPECT_EQ(0, TakeBackFromCommandLine());
        EXPECT_EQ("", JoinLines(snapshot_.ChangesSince())) << "seeded " << seeded;
    }
    SetShellSettingsToStart();
}

}  // namespace
