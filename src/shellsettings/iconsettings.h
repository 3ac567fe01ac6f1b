// The Settings 1 tab: the shell's own icon settings, staged in the page's controls until
// the sheet applies them.
#ifndef TILEFOX_ICONSETTINGS_H
#define TILEFOX_ICONSETTINGS_H

#include <windows.h>

// Dialog procedure of template 116; the creation parameter is the tab number.
INT_PTR CALLBACK IconSettingsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the controls from the registry; called once, when the page is created.
void ReadIconSettings(HWND page);
// Writes what the user touched since the last read or apply. iconsNeedRefresh is set when
// the arrow, bitmap or control-panel setting was touched, written or not.
void ApplyIconSettings(HWND page, BOOL *iconsNeedRefresh);
// Whether a setting is still to be written (one refused for want of rights).
bool IconSettingsPending(HWND page);
// Sets every control back to what Windows has without the program, as changes that the next
// Apply writes: size 32, no colour override, the shortcut arrow, the bitmap and control-panel
// icons this program replaced, no transparent labels or their Startup shortcut, no folder verb.
void IconSettingsToStandard(HWND page);

// Records in point everything ApplyIconSettings would write or delete now.
void RecordIconSettings(HWND page, class RestorePoint *point);

// Asked before anything of an Apply is written: a touched size that is no number from 8 to
// 96 is shown to the user on this tab, with the focus in its field. Returns 1 then, and the
// whole Apply must wait.
int RefuseUnwritableIconSize(HWND page);

// Wraps a non-empty text that does not start with a quote in double quotes (size bytes).
void QuotePath(char *text, int size);
// The folder verb's command for the program at programPath (command of COMMAND_BUFFER bytes).
enum { COMMAND_BUFFER = MAX_PATH + 32 };
int FormFolderVerbCommand(const char *programPath, char *command);
// The verb's command runs the program at programPath (quoted or not).
BOOL IsOwnFolderVerb(const char *command, const char *programPath);
// COMCTL32.DLL draws transparent label backgrounds from 4.00.952 on.
BOOL LabelTransparencySupported(DWORD versionHigh, DWORD versionLow);

#endif
