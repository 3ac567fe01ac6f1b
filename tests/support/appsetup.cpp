#include "support/appsetup.h"

#include <prsht.h>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "support/testing.h"

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

const ContentPage *QuietPages()
{
    static const ContentPage pages[TAB_COUNT] = {
        {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
        {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}};
    return pages;
}

AppSetup::AppSetup(const char *tag)
{
    FreeRegistryBackups();
    savedApp_ = App;
    savedSettings_ = Settings;
    savedFacts_ = Facts;
    dir_ = MakeTempDir(tag);
    CopyText(App.SettingsPath, (dir_ + "\\tilefox.INI").c_str(), MAX_PATH);
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    App.DefaultBrowseLocation = nullptr;
    App.InstanceWindow = nullptr;
    UseSystemDir(nullptr);
    Facts.PlusMode = 0;
    ClearCopiedIcon();
    ResetSettings();
}

AppSetup::~AppSetup()
{
    if (sheet_ != nullptr && IsWindow(sheet_))
        DestroyWindow(sheet_);
    PumpMessages(50);
    for (HWND &list : Lists.TabLists)
        list = nullptr;
    ClearCopiedIcon();
    if (Facts.SystemDirPath == systemDir_)
        FreeAppText(&Facts.SystemDirPath);
    FreeAppText(&App.DefaultBrowseLocation);
    FreeRegistryBackups();
    // Drop the profile cache before the file goes.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, App.SettingsPath);
    RemoveTree(dir_);
    App = savedApp_;
    Settings = savedSettings_;
    Facts = savedFacts_;
}

void AppSetup::UseSystemDir(const char *folder)
{
    char path[MAX_PATH + 1];
    if (folder != nullptr)
        CopyText(path, folder, MAX_PATH);
    else
        GetSystemDirectoryA(path, MAX_PATH);
    if (systemDir_ != nullptr && Facts.SystemDirPath == systemDir_)
        FreeAppText(&Facts.SystemDirPath);
    systemDir_ = Facts.SystemDirPath = DupString(AddBackslash(path));
}

HWND AppSetup::OpenSheet(int startTab, const ContentPage *pages)
{
    sheet_ = reinterpret_cast<HWND>(RunPropertySheet(startTab, PSH_MODELESS, pages));
    HWND list = sheet_ != nullptr && startTab < LIST_TAB_COUNT ? Lists.TabLists[startTab] : nullptr;
    for (int wait = 0; wait < 100 && list != nullptr && SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0; ++wait)
        PumpMessages(50);
    PumpUntilIdle();
    return sheet_;
}

HWND AppSetup::OpenFilledSheet(int startTab)
{
    if (OpenSheet(startTab) == nullptr)
        return nullptr;
    for (int wait = 0; wait < 400 && !(AllListsFilled(true) && ::Sheet.ListsFilled); ++wait)
        PumpMessages(50);
    PumpUntilIdle();
    return sheet_;
}

void AppSetup::KeepShellUntold()
{
    WriteFileText(App.SettingsPath, "[Options]\r\nAutoRefresh=0\r\nRefreshLevel=0\r\nDriveIconMsg=0\r\n");
}
