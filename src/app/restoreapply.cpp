#include "app/restoreapply.h"

#include "app/settings.h"
#include "app/sheetstate.h"
#include "app/applychanges.h"
#include "common/appstate.h"
#include "restore/restorepoint.h"
#include "common/texts.h"
#include "drives/drivepanel.h"
#include "shellglue/paths.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
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
    RefreshShell(sheet, 1, 1, true);
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

namespace {
// A pending row of a list, kept over a refill.
struct PendingRow {
    char *Key;
    BYTE Kind;
    BYTE State;
    char *Location;
};
}  // namespace

// Refills a list from the registry; rows the user changed and did not apply keep their
// change, measured against what the registry holds now.
static void RefillKeepingPending(HWND content, HWND list)
{
    int count = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
    PendingRow *rows = count > 0 ? static_cast<PendingRow *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT,
                                                                         DWORD(count) * sizeof(PendingRow)))
                                 : nullptr;
    int kept = 0;
    for (int row = 0; rows != nullptr && row < count; ++row) {
        const IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr || entry->ChangeState == STATE_UNCHANGED || entry->RegistryKey == nullptr)
            continue;
        rows[kept] = {DupString(entry->RegistryKey), entry->Kind, entry->ChangeState,
                      DupString(entry->CurrentLocation)};
        ++kept;
    }
    if (content != nullptr)
        SendMessageA(content, UM_FILLLIST, 0, 0);
    else if (list != nullptr)
        FillList(list);
    count = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < kept; ++i) {
        for (int row = 0; row < count; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if (entry != nullptr && entry->Kind == rows[i].Kind && entry->RegistryKey != nullptr &&
                rows[i].Key != nullptr && rows[i].Location != nullptr &&
                lstrcmpiA(entry->RegistryKey, rows[i].Key) == 0) {
                ChangeEntryLocation(list, row, rows[i].Location, rows[i].State);
                break;
            }
        }
        FreeText(&rows[i].Key);
        FreeText(&rows[i].Location);
    }
    if (rows != nullptr)
        GlobalFree(rows);
}

void ReloadSheet(HWND sheet)
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND content = Sheet.TabDialogs[tab];
        if (content == nullptr || !IsWindow(content))
            continue;
        // A refill of the Drive page takes the drive panel along; one with drives of its own
        // pending keeps them, and only the list is refilled.
        bool keepPanel = tab == TAB_DRIVE && DriveIconsModified(FindDrivePanel(content));
        RefillKeepingPending(keepPanel ? nullptr : content, ListOfTab(tab));
    }
    HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
    if (settingsPage != nullptr && IsWindow(settingsPage))
        SendMessageA(settingsPage, UM_SHELLRESTORED, TRUE, 0);
    UpdateTakeBackMenuItem(sheet);
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
    RefreshShell(owner, 1, 1, true);
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
