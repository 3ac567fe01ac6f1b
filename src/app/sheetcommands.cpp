#include "app/sheetcommands.h"

#include <commdlg.h>
#include <prsht.h>

#include "app/restoreapply.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/options.h"
#include "common/texts.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/liststandard.h"
#include "lists/themeexport.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"
#include "shellsettings/iconsettings.h"

enum { QUESTION_BUFFER = 512, FILTER_BUFFER = TEXT_BUFFER + 16, OFFSCREEN = -32000 };

static const char kThemePattern[] = "*.theme";

struct SheetCommandState {
    BYTE Hidden;
    WPARAM Waiting;     // a command chosen before the lists were filled, or 0
};

static SheetCommandState Commands;

bool SheetRunsHidden()
{
    return Commands.Hidden != 0;
}

void SetSheetRunsHidden(bool hidden)
{
    Commands.Hidden = hidden ? 1 : 0;
    Commands.Waiting = 0;
}

// --- saving a theme -------------------------------------------------------------------------

static void ReportSaveFailure(HWND sheet, const char *path)
{
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_THEMESAVEFAILED), TEXT_BUFFER);
    char message[TEXT_BUFFER + MAX_PATH];
    wsprintfA(message, format, path);
    MessageBoxA(sheet, message, App.Caption, MB_ICONEXCLAMATION);
}

// Where the theme went and how many icons it holds; icons the user sees changed on the sheet,
// yet missing from the theme, need a word too.
static void ReportSaved(HWND sheet, const char *path, int saved, int leftOut)
{
    char format[TEXT_BUFFER];
    CopyText(format, LoadText(IDS_THEMESAVED), TEXT_BUFFER);
    char message[TEXT_BUFFER + MAX_PATH + QUESTION_BUFFER + 16];
    int length = wsprintfA(message, format, unsigned(saved), path);
    // Longer than LoadText's buffer.
    char note[QUESTION_BUFFER];
    if (leftOut > 0 && LoadTextInto(IDS_THEMELEFTOUT, note, sizeof note) > 0)
        wsprintfA(message + length, note, unsigned(leftOut));
    MessageBoxA(sheet, message, App.Caption, MB_ICONINFORMATION);
}

static void SaveThemeAs(HWND sheet)
{
    // "label\0*.theme\0\0"
    char filter[FILTER_BUFFER];
    ZeroMemory(filter, sizeof filter);
    CopyText(filter, LoadText(IDS_THEMEFILTER), TEXT_BUFFER);
    CopyText(filter + lstrlenA(filter) + 1, kThemePattern, sizeof kThemePattern);

    char path[MAX_PATH] = "";
    OPENFILENAMEA save;
    ZeroMemory(&save, sizeof save);
    save.lStructSize = OPENFILENAMEA_SIZE_95;
    save.hwndOwner = sheet;
    save.hInstance = AppInstance();
    save.lpstrFilter = filter;
    save.lpstrFile = path;
    save.nMaxFile = MAX_PATH;
    save.lpstrDefExt = "theme";
    save.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN;
    if (!GetSaveFileNameA(&save))
        return;
    UpdateWindow(sheet);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int leftOut = 0;
    int saved = 0;
    int written = WriteThemeFile(path, &leftOut, &saved);
    SetCursor(previous);
    if (!written)
        ReportSaveFailure(sheet, path);
    else
        ReportSaved(sheet, path, saved, leftOut);
}

// --- everything to the standard -------------------------------------------------------------

bool AskAllToStandard(HWND owner, bool now)
{
    // Longer than LoadText's buffer.
    char format[QUESTION_BUFFER];
    if (LoadTextInto(IDS_ASKALLSTANDARD, format, sizeof format) <= 0)
        return false;
    char when[TEXT_BUFFER];
    CopyText(when, LoadText(now ? IDS_STANDARDNOW : IDS_STANDARDONAPPLY), TEXT_BUFFER);
    char question[QUESTION_BUFFER + TEXT_BUFFER];
    wsprintfA(question, format, when);
    // From the command line the box has no owner to bring it to the front.
    UINT style = MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2 | (owner == nullptr ? MB_SETFOREGROUND : 0);
    return MessageBoxA(owner, question, App.Caption, style) == IDYES;
}

void MarkEverythingStandard(HWND sheet)
{
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    MarkListsStandard();
    HWND driveList = ListOfTab(TAB_DRIVE);
    DrivesToStandard(FindDrivePanel(driveList != nullptr ? GetParent(driveList) : nullptr));
    HWND settings = Sheet.TabDialogs[TAB_SETTINGS1];
    if (settings != nullptr && IsWindow(settings))
        IconSettingsToStandard(settings);
    SetCursor(previous);
    UpdateWindow(sheet);
}

// --- the system menu ------------------------------------------------------------------------

void SetUpSheetCommands(HWND sheet)
{
    Commands.Waiting = 0;
    HMENU systemMenu = GetSystemMenu(sheet, FALSE);
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_SAVETHEME, LoadText(IDS_SYSMENU_SAVETHEME));
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_ALLSTANDARD, LoadText(IDS_SYSMENU_ALLSTANDARD));
    if (!Commands.Hidden)
        return;
    SetWindowPos(sheet, nullptr, OFFSCREEN, OFFSCREEN, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LONG exStyle = GetWindowLongA(sheet, GWL_EXSTYLE);
    SetWindowLongA(sheet, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
}

static void RunCommand(HWND sheet, WPARAM command)
{
    if (command == IDM_SYS_SAVETHEME)
        SaveThemeAs(sheet);
    else if (command == IDM_SYS_TAKEBACK)
        TakeBackFromSheet(sheet);
    else if (AskAllToStandard(sheet, false))
        MarkEverythingStandard(sheet);
}

bool OnSheetSysCommand(HWND sheet, WPARAM command)
{
    command &= 0xFFF0;
    if (command != IDM_SYS_SAVETHEME && command != IDM_SYS_ALLSTANDARD && command != IDM_SYS_TAKEBACK)
        return false;
    // Half-filled lists would save, or put back, only part of the icons; a list filled later
    // would drop the marks made now, or show what the take-back replaced.
    if (!Sheet.ListsFilled) {
        Commands.Waiting = command;
        return true;
    }
    RunCommand(sheet, command);
    return true;
}

void OnListsFilled(HWND sheet)
{
    WPARAM command = Commands.Waiting;
    Commands.Waiting = 0;
    if (command != 0 && Sheet.ListsFilled && IsWindowVisible(sheet))
        RunCommand(sheet, command);
}
