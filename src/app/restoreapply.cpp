#include "app/restoreapply.h"

#include "app/settings.h"
#include "app/sheetstate.h"
#include "app/applychanges.h"
#include "common/appstate.h"
#include "restore/restorepoint.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellsettings/iconsettings.h"

static bool Ask(HWND owner, unsigned text)
{
    return MessageBoxA(owner, LoadText(text), App.Caption, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
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

int TakeBackFromCommandLine()
{
    ReadRefreshSettings();
    switch (TakeBackRestorePoint(nullptr, RefreshShellOnly)) {
    case TAKEBACK_DONE:
        return 0;
    case TAKEBACK_NONE:
        return 1;
    case TAKEBACK_REFUSED:
        return 2;
    default:
        return 3;
    }
}
