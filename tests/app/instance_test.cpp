#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/texts.h"
#include "app/instance.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/dialogsteps.h"
#include "support/listrows.h"
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
    EXPECT_EQ(0, GetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA));
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

    SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sheet));
    SendMessageA(App.InstanceWindow, UM_ACTIVATEINSTANCE, 0, 0);
    EXPECT_FALSE(IsIconic(sheet));
}

TEST_F(InstanceWindow, DestructionEndsTheMessageLoop)
{
    SetWindowLongPtrA(App.InstanceWindow, GWLP_USERDATA, 1234);
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

// A theme file opened while the sheet runs: the second start hands its path over and ends, and
// this sheet imports it as at its own start. Anything else handed so is refused with a message.
TEST_F(InstanceWindow, ThemeFileHandedOverIsImportedByTheRunningSheet)
{
    HWND sheet = app_.OpenFilledSheet(TAB_DESKTOP);
    ASSERT_NE(nullptr, sheet);
    const char computer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
    HWND desktop = Lists.TabLists[TAB_DESKTOP];
    int row = RowOfKey(desktop, computer);
    ASSERT_GE(row, 0);
    const std::string before = GetEntry(desktop, row)->CurrentLocation;
    const std::string icon = FixturePath("icons12.dll") + ",3";
    const std::string theme = app_.Dir() + "\\" + Ansi(u8"表 示.theme");
    WriteFileText(theme, std::string("[CLSID\\") + computer + "\\DefaultIcon]\r\nDefaultValue=" + icon + "\r\n");
    const std::string tooLong = app_.Dir() + "\\" + std::string(300, 'a') + ".theme";
    const std::string ico = FixturePath("one.ico");
    char imported[200], notFound[400], noIcons[400];
    wsprintfA(imported, LoadText(IDS_THEMEREAD), 1u, 0u);
    wsprintfA(notFound, LoadText(IDS_FILENOTFOUND), tooLong.substr(0, MAX_PATH).c_str());
    wsprintfA(noIcons, LoadText(IDS_NOUSABLEICONS), ico.c_str());

    const struct {
        bool secondStart;   // else the message straight from a window of this process
        std::string path;
        std::string box;
        std::string location;
    } cases[] = {
        // An icon file on a second start only brings the sheet forward, as before.
        {true, ico, "", before},
        {false, tooLong, notFound, before},
        {false, ico, noIcons, before},
        {true, theme, imported, icon},
    };
    for (const auto &c : cases) {
        SetCopied("old");
        std::string box;
        {
            DialogScript script({AnswerThisBox(IDOK, &box)}, DialogWith(0xFFFF));
            if (c.secondStart) {
                EXPECT_EQ(0u, RunTool("tilefox.exe", c.path)) << c.path;
            } else {
                SendMessageA(App.InstanceWindow, UM_TAKECOPIEDICON, WPARAM(TAKE_THEMEFILE),
                             reinterpret_cast<LPARAM>(Label(c.path)));
            }
            for (int wait = 0; wait < 40 && box.empty(); ++wait)
                PumpMessages(50);
        }
        EXPECT_EQ(c.box, box) << c.path;
        EXPECT_EQ(c.location, std::string(GetEntry(desktop, row)->CurrentLocation)) << c.path;
        EXPECT_EQ(c.location != before, IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_APPLY)) != FALSE) << c.path;
        EXPECT_EQ("old", Copied()) << c.path;
    }
}

}  // namespace
