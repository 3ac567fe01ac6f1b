// The copy notice: shown for the icon on the clipboard beside the page, gone after its
// timer or at Enter or Escape, and never shown for a clipboard that names no icon.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/iconclipboard.h"
#include "ids.h"
#include "shellsettings/copynotice.h"
#include "support/probes.h"
#include "support/testing.h"

namespace {

class CopyNotice : public testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateHelperWindow("TilefoxNoticeOwner", DefWindowProcA);
        page_ = CreateHelperWindow("TilefoxNoticePage", DefWindowProcA);
        MoveWindow(page_, 120, 90, 300, 300, FALSE);
        CopyToClipboard((FixturePath("one.ico") + ",0").c_str());
    }
    void TearDown() override
    {
        DestroyWindow(owner_);  // takes a notice still open with it
        DestroyWindow(page_);
        ClearCopiedIcon();
        PumpMessages(20);
    }
    HWND owner_ = nullptr;
    HWND page_ = nullptr;
};

TEST_F(CopyNotice, ShowsTheCopiedIconBesideThePageAndClosesAfterItsTimer)
{
    std::string copied = CopiedIcon();
    HWND notice = OpenCopyNotice(owner_, page_);
    ASSERT_NE(nullptr, notice);
    EXPECT_EQ(owner_, GetWindow(notice, GW_OWNER));
    EXPECT_TRUE(IsWindowVisible(notice));
    RECT rect;
    GetWindowRect(notice, &rect);
    EXPECT_EQ(120 + 40, rect.left);
    EXPECT_EQ(90 + 70, rect.top);
    EXPECT_EQ(Ansi(u8"おいしくいただきました"), WindowText(notice));
    HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(notice, IDC_CN_ICON, STM_GETIMAGE, IMAGE_ICON, 0));
    ASSERT_NE(nullptr, icon);

    HWND text = GetDlgItem(notice, IDC_CN_TEXT);
    ASSERT_NE(nullptr, text);
    HFONT bold = reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0));
    LOGFONTA font = {};
    GetObjectA(bold, sizeof font, &font);
    EXPECT_EQ(FW_BOLD, font.lfWeight);

    PumpMessages(900);
    EXPECT_TRUE(IsWindow(notice)) << "closed before 1.25 s";
    PumpMessages(700);
    EXPECT_FALSE(IsWindow(notice));
    // The notice made both and freed both.
    EXPECT_EQ(0u, GetObjectType(bold));
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(icon, &info));
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(copied, CopiedIcon());
}

// The pump gives no key to the dialog manager, just as the property sheet's loop does not
// for windows other than the sheet.
TEST_F(CopyNotice, EnterOrEscapeClosesItAtOnce)
{
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        HWND notice = OpenCopyNotice(owner_, page_);
        ASSERT_NE(nullptr, notice);
        SetForegroundWindow(notice);
        PumpMessages(50);
        HWND focus = GetFocus() != nullptr ? GetFocus() : notice;
        PostMessageA(focus, WM_KEYDOWN, key, 1);
        PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
        PumpMessages(200);
        EXPECT_FALSE(IsWindow(notice)) << "key " << key;
    }
}

TEST_F(CopyNotice, NothingShowsWithoutAnIcon)
{
    const std::string cases[] = {"", FixturePath("missing.ico") + ",0", FixturePath("noicons.txt"),
                                 FixturePath("icons12.dll") + ",40"};
    for (const std::string &copied : cases) {
        if (copied.empty())
            ClearCopiedIcon();
        else
            CopyToClipboard(copied.c_str());
        EXPECT_EQ(nullptr, OpenCopyNotice(owner_, page_)) << copied;
        EXPECT_EQ(nullptr, FindThreadDialog(IDC_CN_ICON)) << copied;
    }
}

}  // namespace
