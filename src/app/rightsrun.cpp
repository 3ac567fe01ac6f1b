#include "app/rightsrun.h"

#include <shellapi.h>

#include "common/appstate.h"
#include "common/pump.h"
#include "common/texts.h"
#include "ids.h"
#include "restore/restorepoint.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"
#include "shellglue/rightswrite.h"

namespace {

const char kJobName[] = "TFRIGHTS.JOB";
enum { BCM_SETSHIELD_MESSAGE = 0x160C, SEE_NOCLOSEPROCESS = 0x40, WAIT_STEP_MS = 50, WAIT_STEP_MESSAGES = 64 };

void RecordWrite(const RightsJobWrite &write, void *context)
{
    static_cast<RestorePoint *>(context)->Value(PlaceOf(write.Kind).Root, write.Key, write.Name);
}

void MakeWrite(const RightsJobWrite &write, void *context)
{
    if (WriteRowValue(write.Kind, PlaceOf(write.Kind).Root, write.Key, write.Name, write.Text, nullptr) != WRITE_DONE)
        *static_cast<bool *>(context) = false;
}

// The job lies beside the restore points: the copy's own record goes to the same place.
bool FormJobPath(char *path)
{
    CopyText(path, App.SettingsPath, MAX_PATH);
    CutToDirectory(path);
    return path[0] != '\0' && AppendText(path, kJobName, MAX_PATH) != 0;
}

HHOOK g_boxHook;

// The question's Yes starts a copy with rights: where the system marks such buttons, it wears
// the shield.
LRESULT CALLBACK ShieldYesButton(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND yes = GetDlgItem(reinterpret_cast<HWND>(wParam), IDYES);
        if (yes != nullptr)
            SendMessageA(yes, BCM_SETSHIELD_MESSAGE, 0, TRUE);
    }
    return CallNextHookEx(g_boxHook, code, wParam, lParam);
}

bool AskForRights(HWND sheet)
{
    char names[RIGHTS_NAMES_BUFFER];
    RightsQueueNames(names, sizeof names);
    if (SystemHas(TRAIT_SHIELD))
        g_boxHook = SetWindowsHookExA(WH_CBT, ShieldYesButton, nullptr, GetCurrentThreadId());
    int answer = NamesMessageBox(sheet, IDS_RIGHTS_ASK, names, MB_YESNO | MB_ICONQUESTION);
    if (g_boxHook != nullptr)
        UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
    return answer == IDYES;
}

// Runs the copy with rights and waits for it, serving the sheet's paint meanwhile; its exit
// code, or -1 when it did not start (declined included).
int RunCopyWithRights(HWND sheet, const char *jobPath)
{
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    char parameters[MAX_PATH + 16];
    CopyText(parameters, "/RIGHTS \"", sizeof parameters);
    if (length == 0 || length >= MAX_PATH || !AppendText(parameters, jobPath, sizeof parameters) ||
        !AppendText(parameters, "\"", sizeof parameters))
        return -1;
    SHELLEXECUTEINFOA run;
    ZeroMemory(&run, sizeof run);
    run.cbSize = SHELLEXECUTEINFOA_SIZE_95;
    run.fMask = SEE_NOCLOSEPROCESS;
    run.hwnd = sheet;
    run.lpVerb = "runas";
    run.lpFile = program;
    run.lpParameters = parameters;
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&run) || run.hProcess == nullptr)
        return -1;
    EnableWindow(sheet, FALSE);
    while (WaitForSingleObject(run.hProcess, WAIT_STEP_MS) == WAIT_TIMEOUT)
        PumpWaitingMessages(WAIT_STEP_MESSAGES);
    EnableWindow(sheet, TRUE);
    DWORD code = DWORD(-1);
    if (!GetExitCodeProcess(run.hProcess, &code))
        code = DWORD(-1);
    CloseHandle(run.hProcess);
    return int(code);
}

}  // namespace

int RunRightsJob(const char *jobPath)
{
    // An administrator may write the program's folder where the user could not: the record
    // goes where the sheet keeps its own, beside the job.
    CopyText(App.SettingsPath, jobPath, MAX_PATH);
    RestorePoint point;
    if (!point.Begin())
        return RIGHTS_NO_RECORD;
    if (!ReadRightsJob(jobPath, RecordWrite, &point)) {
        point.Abandon();
        return RIGHTS_REFUSED;
    }
    if (!point.Seal())
        return RIGHTS_NO_RECORD;
    bool whole = true;
    ReadRightsJob(jobPath, MakeWrite, &whole);
    point.Finish();
    return whole ? RIGHTS_DONE : RIGHTS_PARTLY;
}

bool WriteQueuedRowsWithRights(HWND sheet)
{
    if (RightsQueueCount() == 0)
        return true;
    bool written = false;
    char jobPath[MAX_PATH];
    if (AskForRights(sheet)) {
        if (FormJobPath(jobPath) && SaveRightsJob(jobPath)) {
            written = RunCopyWithRights(sheet, jobPath) == RIGHTS_DONE;
            DeleteFileA(jobPath);
        }
    }
    ClearRightsQueue();
    return written;
}
