// A start-up file with one icon: the sheet shows the copy notice beside its page, and the
// notice goes by itself while the icon stays on the clipboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <string>

#include "app/frame.h"
#include "common/iconclipboard.h"
#include "ids.h"
#include "support/appsetup.h"
#include "support/testing.h"

namespace {

TEST(StartupNotice, OneIconFileShowsTheNoticeBesideThePageUntilItsTimerEnds)
{
    AppSetup app("notice");
    std::string icon = FixturePath("one.ico");
    CopyToClipboard(icon.c_str());

    HWND sheet = app.OpenSheet(1, QuietPages());
    ASSERT_NE(nullptr, sheet);
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
}

}  // namespace
