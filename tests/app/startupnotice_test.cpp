// A start-up file with one icon: the sheet shows the copy notice beside its page, and the
// notice goes by itself while the icon stays on the clipboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <string>

#include "app/frame.h"
#include "app/settings.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"

namespace {

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

const ContentPage kQuietPages[TAB_COUNT] = {
    {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
    {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage}, {IDD_SHEETPAGE, QuietPage},
};

TEST(StartupNotice, OneIconFileShowsTheNoticeBesideThePageUntilItsTimerEnds)
{
    std::string dir = MakeTempDir("notice");
    CopyText(App.SettingsPath, (dir + "\\tilefox.INI").c_str(), MAX_PATH);
    CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
    char system[MAX_PATH + 1];
    GetSystemDirectoryA(system, MAX_PATH);
    Facts.SystemDirPath = DupString(AddBackslash(system));
    ResetSettings();
    std::string icon = FixturePath("one.ico");
    CopyToClipboard(icon.c_str());

    HWND sheet = reinterpret_cast<HWND>(RunPropertySheet(1, PSH_MODELESS, kQuietPages));
    ASSERT_NE(nullptr, sheet);
    PumpMessages(300);
    HWND notice = FindThreadDialog(IDC_CN_ICON);
    ASSERT_NE(nullptr, notice);
    EXPECT_EQ(sheet, GetWindow(notice, GW_OWNER));
    RECT page, placed;
    GetWindowRect(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), &page);
    GetWindowRect(notice, &placed);
    EXPECT_EQ(page.left + 40, placed.left);
    EXPECT_EQ(page.top + 70, placed.top);
    PumpMessages(1400);
    EXPECT_FALSE(IsWindow(notice));
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(0, lstrcmpiA((icon + ",0").c_str(), CopiedIcon())) << CopiedIcon();

    DestroyWindow(sheet);
    PumpMessages(50);
    ClearCopiedIcon();
    FreeAppText(&Facts.SystemDirPath);
    RemoveTree(dir);
}

}  // namespace
