// The panel inside the program's own sheet: created on the Drive tab, glued to its bottom,
// and written only by the sheet's Apply.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>

#include "app/frame.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "drives/drivepanel.h"
#include "drives/testdrive.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "support/appsetup.h"
#include "support/testing.h"

using namespace testdrive;

namespace {

class DriveSheetTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string unsafe = WhyUnsafe();
        ASSERT_EQ("", unsafe) << "refusing to run";
        RemoveAutorun();
    }

    void TearDown() override
    {
        if (sheet_ != nullptr && IsWindow(sheet_))
            DestroyWindow(sheet_);
        PumpMessages(50);
        RemoveAutorun();
    }

    AppSetup app_{"drivesheet"};
    HWND sheet_ = nullptr;
};

TEST_F(DriveSheetTest, DriveTabHostsThePanelAndApplyWritesIt)
{
    sheet_ = reinterpret_cast<HWND>(RunPropertySheet(TAB_DRIVE, PSH_MODELESS));
    ASSERT_NE(nullptr, sheet_);
    // The sheet read the options from its file; the refresh hint would wait inside Apply.
    Settings.DriveIconMsg = 0;
    PumpMessages(400);

    HWND page = Sheet.TabDialogs[TAB_DRIVE];
    HWND panel = FindWindowExA(page, nullptr, "#32770", nullptr);
    ASSERT_NE(nullptr, panel);
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        if (tab != TAB_DRIVE && Sheet.TabDialogs[tab] != nullptr)
            EXPECT_EQ(nullptr, FindWindowExA(Sheet.TabDialogs[tab], nullptr, "#32770", nullptr)) << tab;
    }
    EXPECT_TRUE(IsWindowVisible(panel));

    // Glued to the page's bottom, the list one pixel above it.
    RECT client, panelRect, listRect;
    GetClientRect(page, &client);
    GetWindowRect(panel, &panelRect);
    GetWindowRect(GetDlgItem(page, IDC_ICONLIST), &listRect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT *>(&panelRect), 2);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT *>(&listRect), 2);
    EXPECT_EQ(client.bottom, panelRect.bottom);
    EXPECT_EQ(0, panelRect.left);
    EXPECT_EQ(panelRect.top - 1, listRect.bottom);

    // Filled with the Drive list; a change waits for Apply.
    HWND box = GetDlgItem(panel, IDC_DP_DRIVES);
    int x = int(SendMessageA(box, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
    ASSERT_GE(x, 0);
    std::string icon = FixturePath("icons12.dll") + ",6";
    EXPECT_EQ(1, SetDriveIcon(panel, x, icon.c_str()));
    EXPECT_TRUE(Sheet.ChangesPending);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet_, IDC_SHEET_APPLY)));
    EXPECT_FALSE(Exists(kAutorun));

    SendMessageA(sheet_, WM_COMMAND, MAKEWPARAM(IDC_SHEET_APPLY, BN_CLICKED), 0);
    PumpMessages(100);
    EXPECT_EQ(icon, Profile("Autorun", "DefaultIcon"));
    EXPECT_FALSE(DriveIconsModified(panel));
    EXPECT_FALSE(Sheet.ChangesPending);
}

}  // namespace
