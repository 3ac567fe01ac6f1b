#include "app/sheetswitch.h"

#include <prsht.h>

#include "app/applychanges.h"
#include "app/frame.h"
#include "app/sheetcommands.h"
#include "app/sheetstate.h"
#include "common/options.h"
#include "common/tabs.h"
#include "lists/themeexport.h"
#include "shellglue/paths.h"

static const char kSaveThemeSwitch[] = "/SAVETHEME";
static const char kResetSwitch[] = "/RESET";

int ReadSheetSwitch(const char *tail, char *path)
{
    path[0] = '\0';
    if (lstrcmpiA(tail, kResetSwitch) == 0)
        return SWITCH_RESET;
    const int length = sizeof kSaveThemeSwitch - 1;
    char head[sizeof kSaveThemeSwitch];
    CopyText(head, tail, sizeof head);
    if (lstrcmpiA(head, kSaveThemeSwitch) != 0 || (tail[length] != ' ' && tail[length] != '\0'))
        return SWITCH_NONE;
    // A path cut to the buffer would name another file: none is taken instead.
    const char *rest = tail + length;
    if (lstrlenA(rest) < MAX_PATH) {
        CopyText(path, rest, MAX_PATH);
        CleanPath(path);
    }
    return SWITCH_SAVETHEME;
}

// Serves the hidden sheet until its lists are filled and its settings page has read the
// shell's settings. False when the sheet went or the program is told to end.
static bool WaitForLists(HWND sheet)
{
    MSG msg;
    while (IsWindow(sheet) && !Sheet.ListsFilled) {
        BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        if (result == 0) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        if (result == -1)
            return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return IsWindow(sheet) && Sheet.ListsFilled;
}

// The exit code: 0 when everything is at the standard, 1 when nothing was written, 2 when a
// drive or a registry value could not be written.
static int ResetAtOnce(HWND sheet)
{
    MarkEverythingStandard(sheet);
    if (!Sheet.ChangesPending)
        return 0;
    // Nobody looks at the hidden sheet: the hint to refresh My Computer has no reader.
    BYTE driveHint = Settings.DriveIconMsg;
    Settings.DriveIconMsg = 0;
    int outcome = ApplyAllChanges(sheet);
    Settings.DriveIconMsg = driveHint;
    Sheet.ChangesPending = 0;
    return outcome == APPLY_DONE ? 0 : outcome == APPLY_DECLINED ? 1 : 2;
}

int RunSheetSwitch(int which, const char *path)
{
    if (which == SWITCH_SAVETHEME && path[0] == '\0')
        return 1;
    if (which == SWITCH_RESET && !AskAllToStandard(nullptr, true))
        return 1;
    SetSheetRunsHidden(true);
    HWND sheet = reinterpret_cast<HWND>(RunPropertySheet(TAB_DESKTOP, PSH_MODELESS));
    int code = 1;
    if (sheet != nullptr && sheet != reinterpret_cast<HWND>(-1)) {
        ShowWindow(sheet, SW_HIDE);
        if (WaitForLists(sheet)) {
            if (which == SWITCH_SAVETHEME) {
                code = WriteThemeFile(path) ? 0 : 1;
            } else {
                code = ResetAtOnce(sheet);
            }
        }
        if (IsWindow(sheet))
            DestroyWindow(sheet);
    }
    SetSheetRunsHidden(false);
    return code;
}
