#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/appstate.h"
#include "common/desktoplabels.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/probes.h"
#include "support/testing.h"

namespace {

// The project's stand-in desktop, in its own process as Explorer is.
class DesktopStandIn : public testing::Test {
protected:
    HWND Start() { return list_ = desktop_.Start(); }
    void Colour(const char *text)
    {
        WritePrivateProfileStringA("Options", "DesktopTextColor", text, App.SettingsPath);
    }
    COLORREF Background() { return COLORREF(SendMessageA(list_, LVM_GETTEXTBKCOLOR, 0, 0)); }
    COLORREF Text() { return COLORREF(SendMessageA(list_, LVM_GETTEXTCOLOR, 0, 0)); }
    void Solid() { SendMessageA(list_, LVM_SETTEXTBKCOLOR, 0, RGB(0, 128, 128)); }

    AppSetup app_{"labels"};
    StandInDesktop desktop_;
    HWND list_ = nullptr;
};

TEST_F(DesktopStandIn, NoDesktopListViewMeansNothingToDo)
{
    ASSERT_EQ(nullptr, FindWindowA("Progman", nullptr)) << "the test prefix runs no shell";
    EXPECT_EQ(0, DesktopLabelTransparency(LABELS_QUERY));
    EXPECT_EQ(0, DesktopLabelTransparency(LABELS_SET));
}

TEST_F(DesktopStandIn, SetModeMakesLabelsTransparentInTheConfiguredColour)
{
    ASSERT_NE(nullptr, Start());
    const COLORREF white = RGB(255, 255, 255);
    const struct {
        const char *setting;    // null: key absent
        bool transparentBefore;
        int result;
        COLORREF text;          // afterwards
    } cases[] = {
        {"FF0000", false, 1, RGB(255, 0, 0)},
        {"FF0000", true, 0, RGB(255, 0, 0)},     // already so: nothing to do
        {"#0000FF", true, 1, RGB(0, 0, 255)},
        {"000000", false, 1, RGB(0, 0, 0)},
        {"FFFFFF", true, 1, white},
        {nullptr, true, 0, white},               // no colour and already transparent
        {nullptr, false, 1, white},
        {"1234567", false, 1, white},            // seven digits: background only
        {"1234567", true, 0, white},
    };
    for (const auto &c : cases) {
        Colour(c.setting);
        if (!c.transparentBefore)
            Solid();
        const char *label = c.setting != nullptr ? c.setting : "(absent)";
        EXPECT_EQ(c.transparentBefore ? 1 : 0, DesktopLabelTransparency(LABELS_QUERY)) << label;
        EXPECT_EQ(c.result, DesktopLabelTransparency(LABELS_SET)) << label;
        EXPECT_EQ(CLR_NONE, Background()) << label;
        EXPECT_EQ(c.text, Text()) << label;
        EXPECT_EQ(1, DesktopLabelTransparency(LABELS_QUERY)) << label;
    }
}

// The Startup shortcut's "/CLR" does the same and ends without any window.
TEST_F(DesktopStandIn, ClearSwitchMakesLabelsTransparent)
{
    ASSERT_NE(nullptr, Start());
    std::string settings = TestBinDir() + "tilefox.INI";
    DeleteFileA(settings.c_str());
    WritePrivateProfileStringA("Options", "DesktopTextColor", "00FF00", settings.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, settings.c_str());

    PROCESS_INFORMATION program = {};
    ASSERT_TRUE(StartTestProgram("tilefox.exe", "/CLR", &program));
    DWORD code = WaitTestProgram(program, 10000, false);
    DeleteFileA(settings.c_str());

    EXPECT_NE(DWORD(-1), code) << "the program did not end in time";
    EXPECT_EQ(0u, code);
    EXPECT_EQ(CLR_NONE, Background());
    EXPECT_EQ(RGB(0, 255, 0), Text());
}

}  // namespace
