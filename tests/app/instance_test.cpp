#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "app/instance.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/testing.h"

namespace {

class InstanceWindow : public testing::Test {
protected:
    void SetUp() override
    {
        App.InstanceWindow = CreateInstanceWindow();
        ASSERT_NE(nullptr, App.InstanceWindow);
    }
    void TearDown() override
    {
        for (HWND window : windows_)
            DestroyWindow(window);
        if (App.InstanceWindow != nullptr)
            SendMessageA(App.InstanceWindow, WM_CLOSE, 0, 0);
        App.InstanceWindow = nullptr;
        // The instance window ends the message loop when it goes; the test's loop goes on.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            ;
    }
    static void SetCopied(const char *text)
    {
        AdoptCopiedIcon(text != nullptr ? DupString(text) : nullptr);
    }
    HWND Label(const std::string &text)
    {
        HWND window = CreateWindowExA(0, "STATIC", text.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
        windows_.push_back(window);
        return window;
    }
    std::string Copied() { return CopiedIcon() != nullptr ? CopiedIcon() : "<none>"; }

    AppSetup app_{"instance"};
    std::vector<HWND> windows_;
};

TEST_F(InstanceWindow, IsHiddenAndNamedForTheSearch)
{
    EXPECT_EQ(App.InstanceWindow, FindWindowA(INSTANCE_CLASS, "Tilefox"));
    EXPECT_FALSE(IsWindowVisible(App.InstanceWindow));
    EXPECT_EQ(0, GetWindowLongA(App.InstanceWindow, GWL_USERDATA));
    EXPECT_TRUE(GetWindowLongA(App.InstanceWindow, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST_F(InstanceWindow, TakesACopiedIconOnlyFromAProperMessage)
{
    const std::string longText(400, 'x');
    const struct {
        WPARAM wParam;
        std::string text;
        bool valid;
        std::string expected;
    } cases[] = {
        {WPARAM(-1), "C:\\icons\\a.ico,3", true, "C:\\icons\\a.ico,3"},
        {0, "C:\\b.ico,1", true, "old"},
        {1, "C:\\b.ico,1", true, "old"},
        {WPARAM(-1), "", true, "old"},
        {WPARAM(-1), "C:\\b.ico,1", false, "old"},
        {WPARAM(-1), longText, true, std::string(269, 'x')},
        {WPARAM(-1), Ansi(u8"C:\\表示\\アイコン.ico,2"), true, Ansi(u8"C:\\表示\\アイコン.ico,2")},
    };
    for (const auto &c : cases) {
        SetCopied("old");
        HWND source = Label(c.text);
        if (!c.valid)
            DestroyWindow(source);
        SendMessageA(App.InstanceWindow, UM_TAKECOPIEDICON, c.wParam, reinterpret_cast<LPARAM>(source));
        EXPECT_EQ(c.expected, Copied()) << c.text.size() << " " << c.wParam;
    }
    // Nothing held before: a valid message starts the clipboard.
    SetCopied(nullptr);
    SendMessageA(App.InstanceWindow, UM_TAKECOPIEDICON, WPARAM(-1), reinterpret_cast<LPARAM>(Label("a.ico,0")));
    EXPECT_EQ("a.ico,0", Copied());
}

TEST_F(InstanceWindow, ActivationRestoresTheSheet)
{
    HWND sheet = CreateWindowExA(0, "STATIC", "sheet", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(sheet);
    ShowWindow(sheet, SW_MINIMIZE);
    // No sheet recorded yet: nothing happens.
    SendMessageA(App.InstanceWindow, UM_ACTIVATEINSTANCE, 0, 0);
    EXPECT_TRUE(IsIconic(sheet));

    SetWindowLongA(App.InstanceWindow, GWL_USERDATA, reinterpret_cast<LONG>(sheet));
    SendMessageA(App.InstanceWindow, UM_ACTIVATEINSTANCE, 0, 0);
    EXPECT_FALSE(IsIconic(sheet));
}

TEST_F(InstanceWindow, DestructionEndsTheMessageLoop)
{
    SetWindowLongA(App.InstanceWindow, GWL_USERDATA, 1234);
    PostMessageA(App.InstanceWindow, WM_CLOSE, 0, 0);
    MSG msg;
    int result;
    DWORD end = GetTickCount() + 5000;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) > 0 && int(end - GetTickCount()) > 0)
        DispatchMessageA(&msg);
    EXPECT_EQ(0, result);
    EXPECT_EQ(0u, msg.wParam);
    EXPECT_FALSE(IsWindow(App.InstanceWindow));
    App.InstanceWindow = nullptr;
}

TEST_F(InstanceWindow, OfferIsNotSentToItsOwnProcess)
{
    SetCopied("C:\\a.ico,1");
    HWND status = Label("unchanged");
    OfferCopiedIcon(status);
    char text[32];
    GetWindowTextA(status, text, sizeof text);
    EXPECT_STREQ("unchanged", text);
}

// Serves this thread while a helper program runs; returns its exit code.
// Without pumping, a posted offer waits until the helper has ended.
DWORD RunTool(const char *name, const std::string &tail, bool serve = true)
{
    PROCESS_INFORMATION process = {};
    if (!StartTestProgram(name, tail, &process))
        return DWORD(-2);
    return WaitTestProgram(process, 15000, serve);
}

TEST_F(InstanceWindow, AnotherProcessHandsOverItsCopiedIcon)
{
    SetCopied("old");
    std::string location = Ansi(u8"C:\\アイコン\\cool.dll,-12");
    EXPECT_EQ(0u, RunTool("offer_icon.exe", location));
    EXPECT_EQ(location, Copied());
}

TEST_F(InstanceWindow, AnOfferWhoseWindowIsGoneIsDropped)
{
    SetCopied("old");
    EXPECT_EQ(0u, RunTool("offer_icon.exe", "-quick C:\\x.ico,1", false));
    PumpMessages(100);
    EXPECT_EQ("old", Copied());
}

}  // namespace
