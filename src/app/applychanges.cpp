#include "app/applychanges.h"

#include <shlobj.h>

#include "app/rightsrun.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/options.h"
#include "common/pump.h"
#include "restore/restorepoint.h"
#include "common/texts.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "shellglue/rightswrite.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "shellsettings/iconsettings.h"
#include "shellsettings/redraw.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";

// Explorer of the integrated shell takes F5 on its desktop window; the older one only in
// the list view inside it.
static void SendF5ToDesktop()
{
    HWND desktop = FindWindowA("Progman", nullptr);
    HWND target = desktop;
    if (target != nullptr && !Facts.NewShell)
        target = GetWindow(GetWindow(target, GW_CHILD), GW_CHILD);
    if (target == nullptr)
        return;
    HWND foreground = GetForegroundWindow();
    // Some systems refuse the foreground to a child window; the desktop window then hands
    // the focus, and so the key, to its list itself.
    if (!SetForegroundWindow(target) && (target == desktop || !SetForegroundWindow(desktop)))
        return;
    PumpOneMessage();
    keybd_event(VK_F5, 0, 0, 0);
    keybd_event(VK_F5, 0, KEYEVENTF_KEYUP, 0);
    if (foreground != nullptr)
        SetForegroundWindow(foreground);
}

static void NotifyAssociations()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
}

void RefreshShell(HWND sheet, BYTE desktopRefresh, BYTE iconRedraw, bool takingBack)
{
    // Later Explorers keep icons in a cache of their own that only this notification empties.
    bool notifyToo = SystemHas(TRAIT_NOTIFY_ICONS);
    if (iconRedraw && Settings.AutoRefresh) {
        RedrawShellIcons(takingBack);
        if (notifyToo)
            NotifyAssociations();
        UpdateWindow(sheet);
        return;
    }
    if (!desktopRefresh || Settings.RefreshLevel == 0)
        return;
    if (Settings.RefreshLevel == 1) {
        SendF5ToDesktop();
        if (notifyToo)
            NotifyAssociations();
        return;
    }
    NotifyAssociations();
    UpdateWindow(sheet);
}

// The shell's own pictures show anew only after an icon redraw; desktop items after a refresh
// of the desktop.
static bool NeedsIconRedraw(int tab)
{
    return tab != TAB_DESKTOP && tab != TAB_SPECIAL;
}

// Records everything the coming Apply may replace and puts it on disk. False when no record
// could be made and the user would rather not apply without one.
static bool RecordBeforeApply(HWND sheet, RestorePoint *point)
{
    if (point->Begin()) {
        HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
        if (settingsPage != nullptr && IsWindow(settingsPage))
            RecordIconSettings(settingsPage, point);
        bool redraw = false;
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            if (list != nullptr && IsWindow(list) && RecordChangedRows(list, point) != 0 &&
                NeedsIconRedraw(tab))
                redraw = true;
        }
        HWND driveList = ListOfTab(TAB_DRIVE);
        if (driveList != nullptr && IsWindow(driveList))
            SendMessageA(GetParent(driveList), UM_PLANDRIVEICONS, 0, reinterpret_cast<LPARAM>(point));
        // The icon redraw after Apply puts the size back as it was, but creates it when missing.
        if (redraw && Settings.AutoRefresh)
            point->Value(HKEY_CURRENT_USER, kWindowMetrics, "Shell Icon Size");
        if (point->Seal())
            return true;
    }
    return MessageBoxA(sheet, LoadText(IDS_UNDO_ASKAPPLY), App.Caption,
                       MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

// Rows the registry refused stay pending; the user learns which in one message.
static void ReportRefusedRows(HWND sheet, const CommitFailures &failures)
{
    if (failures.Count != 0)
        NamesMessageBox(sheet, IDS_REGWRITEFAILED, failures.Names, MB_ICONEXCLAMATION);
}

// One pass of the writes; false when a setting or drive stays pending. A row the registry
// refused stays pending and is noted; one that already holds what is asked is not written again.
static bool WritePass(HWND sheet, CommitFailures *failures, BYTE *desktopRefresh, BYTE *iconRedraw)
{
    // The shell settings go first: a changed arrow or class icon is seen by the refresh after.
    HWND settingsPage = Sheet.TabDialogs[TAB_SETTINGS1];
    bool settingsWritten = true;
    if (settingsPage != nullptr && IsWindow(settingsPage)) {
        BOOL iconsNeedRefresh = FALSE;
        ApplyIconSettings(settingsPage, &iconsNeedRefresh);
        if (iconsNeedRefresh)
            *desktopRefresh = 1;
        settingsWritten = !IconSettingsPending(settingsPage);
    }
    // No input may reach the sheet while rows are half written.
    EnableWindow(sheet, FALSE);
    failures->Count = 0;
    failures->Names[0] = '\0';
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        if (list == nullptr || !IsWindow(list) || CommitChangedRows(list, failures) == 0)
            continue;
        if (NeedsIconRedraw(tab))
            *iconRedraw = 1;
        else
            *desktopRefresh = 1;
    }
    EnableWindow(sheet, TRUE);

    HWND driveList = ListOfTab(TAB_DRIVE);
    HWND drivePage = driveList != nullptr ? GetParent(driveList) : nullptr;
    // The panel answers 0 when it had nothing to write, or when a drive could not be written.
    bool drivesChanged = DriveIconsModified(FindDrivePanel(drivePage)) != FALSE;
    bool drivesWritten = drivePage != nullptr && SendMessageA(drivePage, UM_APPLYDRIVEICONS, 0, 0) != 0;
    return settingsWritten && (!drivesChanged || drivesWritten);
}

int ApplyAllChanges(HWND sheet)
{
    // What the writes replace is on disk before the first of them.
    RestorePoint point;
    if (!RecordBeforeApply(sheet, &point))
        return APPLY_DECLINED;
    BYTE desktopRefresh = 0;
    BYTE iconRedraw = 0;
    CommitFailures failures;
    ClearRightsQueue();
    bool othersWritten = WritePass(sheet, &failures, &desktopRefresh, &iconRedraw);
    // The rows an administrator writes go into his copy's own record, not this one.
    point.Finish();
    if (RightsQueueCount() != 0 && WriteQueuedRowsWithRights(sheet))
        othersWritten = WritePass(sheet, &failures, &desktopRefresh, &iconRedraw);
    RefreshShell(sheet, desktopRefresh, iconRedraw);
    ReportRefusedRows(sheet, failures);
    return !othersWritten || failures.Count != 0 ? APPLY_PARTLY : APPLY_DONE;
}
