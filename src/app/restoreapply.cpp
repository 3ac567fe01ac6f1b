#include "app/restoreapply.h"

#include "app/settings.h"
#include "app/sheetstate.h"
#include "app/sheetwindow.h"
#include "common/appstate.h"
#include "common/restorepoint.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellsettings/iconsettings.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";

static bool Ask(HWND owner, unsigned text)
{
    return MessageBoxA(owner, LoadText(text), App.Caption, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

bool RecordBeforeApply(HWND sheet, RestorePoint *point)
{
    if (point->Begin()) {
        HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
        if (settingsPage != nullptr && IsWindow(settingsPage))
            RecordIconSettings(settingsPage, point);
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            if (list != nullptr && IsWindow(list))
                RecordChangedRows(list, point);
        }
        HWND driveList = ListOfTab(TAB_DRIVE);
        if (driveList != nullptr && IsWindow(driveList))
            SendMessageA(GetParent(driveList), UM_PLANDRIVEICONS, 0, reinterpret_cast<LPARAM>(point));
        // The icon redraw after Apply puts the size back as it was, but creates it when missing.
        if (Settings.AutoRefresh)
            point->Value(HKEY_CURRENT_USER, kWindowMetrics, "Shell Icon Size");
        if (point->Seal())
            return true;
    }
    return Ask(sheet, IDS_UNDO_ASKAPPLY);
}

void AddTakeBackMenuItem(HMENU systemMenu)
{
    AppendMenuA(systemMenu, MF_STRING, IDM_SYS_TAKEBACK, LoadText(IDS_UNDO_MENU));
}

void UpdateTakeBackMenuItem(HWND sheet)
{
    EnableMenuItem(GetSystemMenu(sheet, FALSE), IDM_SYS_TAKEBACK,
                   MF_BYCOMMAND | (HasRestorePoint() ? MF_ENABLED : MF_GRAYED));
}

// After the items are back: the shell shows them, and so does the sheet, as after a new
// start; nothing is pending any more.
static void RefreshSheet(HWND sheet)
{
    RefreshShell(sheet, 1, 1);
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND content = Sheet.TabDialogs[tab];
        if (content != nullptr && IsWindow(content))
            SendMessageA(content, UM_FILLLIST, 0, 0);
    }
    HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
    if (settingsPage != nullptr && IsWindow(settingsPage))
        SendMessageA(settingsPage, UM_SHELLRESTORED, 0, 0);
    SendMessageA(sheet, UM_SETCHANGED, 0, 0);
}

void TakeBackFromSheet(HWND sheet)
{
    if (HasRestorePoint() && Sheet.ChangesPending && !Ask(sheet, IDS_UNDO_ASKPENDING))
        return;
    TakeBackRestorePoint(sheet, RefreshSheet);
    UpdateTakeBackMenuItem(sheet);
}

static void RefreshShellOnly(HWND owner)
{
    RefreshShell(owner, 1, 1);
}

void TakeBackFromCommandLine()
{
    ReadRefreshSettings();
    TakeBackRestorePoint(nullptr, RefreshShellOnly);
}
