// The Settings 2 page: options follow the controls at once, values the controls cannot take
// are ignored, and the version box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/appstate.h"
#include "common/options.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellsettings/behaviourpage.h"
#include "support/dialogsteps.h"

namespace {

class BehaviourPageTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = Settings;
        Settings.DialogRows = 5;
        Settings.DialogAnimation = 12;
        Settings.HookComDlg = 0;
        Settings.DriveIconMsg = 1;
        Settings.AutoRefresh = 1;
        Settings.StartupTab = 1;
        CopyText(App.Caption, LoadText(IDS_CAPTION), sizeof App.Caption);
        sheet_ = CreateHelperWindow("TilefoxBehaviourSheet", DefWindowProcA);
        page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_BEHAVIOUR), sheet_, BehaviourPage,
                                   6);
        ASSERT_NE(nullptr, page_);
    }
    void TearDown() override
    {
        DestroyWindow(sheet_);
        Settings = saved_;
        PumpMessages(20);
    }
    HWND Item(int id) { return GetDlgItem(page_, id); }

    SettingsState saved_;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
};

TEST_F(BehaviourPageTest, ControlsShowTheOptions)
{
    EXPECT_EQ(0, GetWindowLongA(page_, GWL_STYLE) & (WS_CAPTION | WS_DISABLED));
    EXPECT_EQ(MAKELONG(5, 0), SendMessageA(Item(IDC_BH_ROWSSPIN), UDM_GETPOS, 0, 0));
    EXPECT_EQ(MAKELONG(12, 1), SendMessageA(Item(IDC_BH_ROWSSPIN), UDM_GETRANGE, 0, 0));
    char text[16] = "";
    GetWindowTextA(Item(IDC_BH_ROWS), text, sizeof text);
    EXPECT_STREQ("5", text);
    EXPECT_EQ(0, SendMessageA(Item(IDC_BH_ANIMATION), TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(20, SendMessageA(Item(IDC_BH_ANIMATION), TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(12, SendMessageA(Item(IDC_BH_ANIMATION), TBM_GETPOS, 0, 0));
    EXPECT_EQ(11, SendMessageA(Item(IDC_BH_ANIMATION), TBM_GETNUMTICS, 0, 0));  // 0, 2, ... 20
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page_, IDC_BH_HOOKCOMDLG));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page_, IDC_BH_DRIVEMSG));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page_, IDC_BH_AUTOREFRESH));

    HWND tabs = Item(IDC_BH_STARTTAB);
    ASSERT_EQ(7, SendMessageA(tabs, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(1, SendMessageA(tabs, CB_GETCURSEL, 0, 0));
    const char *titles[] = {u8"ﾃﾞｽｸﾄｯﾌﾟ", u8"一般 ", u8"特殊 ", u8"ｽﾀｰﾄﾒﾆｭｰ", u8"ﾄﾞﾗｲﾌﾞ", u8"設定1", u8"設定2"};
    for (int i = 0; i < 7; ++i) {
        char title[80] = "";
        SendMessageA(tabs, CB_GETLBTEXT, i, LPARAM(title));
        EXPECT_EQ(Ansi(titles[i]), title) << i;
    }
}

TEST_F(BehaviourPageTest, TypedRowsOutsideOneToTwelveAreIgnored)
{
    struct Case {
        const char *typed;
        int rows;
    } cases[] = {{"7", 7}, {"0", 7}, {"13", 7}, {"12", 12}, {"x", 12}, {"1", 1}};
    for (const Case &c : cases) {
        SetWindowTextA(Item(IDC_BH_ROWS), c.typed);
        EXPECT_EQ(c.rows, Settings.DialogRows) << c.typed;
    }
    // The arrows wrap at the ends and set the option too.
    SendMessageA(Item(IDC_BH_ROWSSPIN), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(12, Settings.DialogRows);
}

TEST_F(BehaviourPageTest, TrackBarEndsAndBoxesChangeTheOptionsAtOnce)
{
    HWND track = Item(IDC_BH_ANIMATION);
    SendMessageA(track, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(0, Settings.DialogAnimation);
    SendMessageA(track, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(20, Settings.DialogAnimation);

    SendMessageA(Item(IDC_BH_HOOKCOMDLG), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_BH_DRIVEMSG), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_BH_AUTOREFRESH), BM_CLICK, 0, 0);
    EXPECT_EQ(1, Settings.HookComDlg);
    EXPECT_EQ(0, Settings.DriveIconMsg);
    EXPECT_EQ(0, Settings.AutoRefresh);
    SendMessageA(Item(IDC_BH_HOOKCOMDLG), BM_CLICK, 0, 0);
    EXPECT_EQ(0, Settings.HookComDlg);

    // The last entry, Settings 2, is tab 6.
    SendMessageA(Item(IDC_BH_STARTTAB), WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(6, Settings.StartupTab);
}

TEST_F(BehaviourPageTest, VersionBoxNamesTheProgramAndItsVersion)
{
    std::string text, caption;
    HWND owner = nullptr;
    DialogScript script({Check([&](HWND box) {
                             caption = WindowText(box);
                             owner = GetWindow(box, GW_OWNER);
                         }),
                         AnswerThisBox(IDOK, &text)},
                        DialogWith(0xFFFF));
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_BH_VERSION, BN_CLICKED), LPARAM(Item(IDC_BH_VERSION)));
    EXPECT_EQ(Ansi(u8"ﾊﾞｰｼﾞｮﾝ情報"), caption);
    EXPECT_EQ(Ansi(u8"Tilefox\nWindows 95/98 用 ｱｲｺﾝ変更ﾂｰﾙ\nﾊﾞｰｼﾞｮﾝ 1.00"), text);
    EXPECT_EQ(sheet_, owner);
}

}  // namespace
