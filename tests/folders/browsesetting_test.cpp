#include <windows.h>

#include <gtest/gtest.h>

#include <commdlg.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "support/appsetup.h"
#include "support/dialogscript.h"
#include "folders/browsesetting.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "support/testing.h"

namespace {

const char kNoSuchFile[] = u8"指定された名前のﾌｧｲﾙやﾌｫﾙﾀﾞは存在しません。";
const char kNoIcons[] = u8"指定されたﾌｧｲﾙにはｱｲｺﾝが含まれていません。\nﾌｫﾙﾀﾞ名の部分だけを適用します。";

Step Type(std::string text)
{
    return OnDialog(IDC_BS_BROWSE, [text](HWND dialog) { SetDlgItemTextA(dialog, IDC_BS_LOCATION, text.c_str()); });
}

Step Press(int button)
{
    return PressIn(IDC_BS_BROWSE, button);
}

Step AnswerBox(const char *utf8)
{
    return AnswerBoxOf(IDC_BS_BROWSE, Ansi(utf8));
}

class BrowseSettingTest : public testing::Test {
protected:
    void SetUp() override
    {
        WriteFileText(dir_ + "\\note.txt", "no icons here");
        CreateDirectoryA((dir_ + "\\Icons").c_str(), nullptr);
    }

    INT_PTR Run(std::vector<Step> steps)
    {
        INT_PTR result = -1;
        ScriptOutcome outcome =
            RunScripted(IDC_BS_BROWSE, std::move(steps), [&] { result = DefaultBrowseDialog(nullptr); });
        EXPECT_FALSE(outcome.timedOut) << "stuck at step " << outcome.stepsDone;
        EXPECT_FALSE(outcome.strayDialog);
        return result;
    }

    std::string Location() const
    {
        return App.DefaultBrowseLocation != nullptr ? App.DefaultBrowseLocation : "<none>";
    }

    AppSetup app_{"browse"};
    std::string dir_ = app_.Dir();
};

TEST_F(BrowseSettingTest, OkStoresWhatTheTextNames)
{
    std::string library = FixturePath("icons12.dll");
    struct Case {
        std::string typed;
        std::string stored;
        const char *box;
    } cases[] = {
        {"", "", nullptr},
        {"  \"" + dir_ + "\\Icons\"  ", dir_ + "\\Icons", nullptr},
        {dir_ + "\\Icons\\", dir_ + "\\Icons", nullptr},
        {dir_ + "\\Icons/", dir_ + "\\Icons", nullptr},
        {"C:\\", "C:\\", nullptr},
        {"X:", "X:\\", nullptr},  // "X:" alone would name its current folder
        {library, library, nullptr},
        {dir_ + "\\note.txt", dir_, kNoIcons},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        std::vector<Step> steps = {Type(c.typed), Press(IDOK)};
        if (c.box != nullptr)
            steps.push_back(AnswerBox(c.box));
        EXPECT_EQ(IDOK, Run(steps));
        EXPECT_EQ(c.stored, Location());
    }
}

TEST_F(BrowseSettingTest, NothingThereKeepsTheDialogOpen)
{
    App.DefaultBrowseLocation = DupString("C:\\before");
    EXPECT_EQ(IDCANCEL, Run({Type(dir_ + "\\missing"), Press(IDOK), AnswerBox(kNoSuchFile),
                             OnDialog(IDC_BS_BROWSE,
                                      [&](HWND dialog) {
                                          EXPECT_EQ(dir_ + "\\missing", ItemText(dialog, IDC_BS_LOCATION));
                                      }),
                             Press(IDCANCEL)}));
    EXPECT_EQ("C:\\before", Location());
}

TEST_F(BrowseSettingTest, StartsFromMemoryOrTheSettingsFile)
{
    WritePrivateProfileStringA("Options", "DefaultFLdir", (" \"" + dir_ + "\" ").c_str(), App.SettingsPath);
    EXPECT_EQ(IDCANCEL, Run({OnDialog(IDC_BS_BROWSE,
                                      [&](HWND dialog) {
                                          EXPECT_EQ(dir_, ItemText(dialog, IDC_BS_LOCATION));
                                          // Loaded at once, even when the dialog is cancelled.
                                          EXPECT_EQ(dir_, Location());
                                          RECT rect;
                                          GetWindowRect(dialog, &rect);
                                          EXPECT_EQ(20, rect.left);
                                          EXPECT_EQ(60, rect.top);
                                      }),
                             Press(IDCANCEL)}));

    FreeAppText(&App.DefaultBrowseLocation);
    App.DefaultBrowseLocation = DupString("");
    EXPECT_EQ(IDCANCEL, Run({OnDialog(IDC_BS_BROWSE,
                                      [](HWND dialog) { EXPECT_EQ("", ItemText(dialog, IDC_BS_LOCATION)); }),
                             Press(IDCANCEL)}));
    EXPECT_EQ("", Location());
}

TEST_F(BrowseSettingTest, BrowseStartsInTheFolderOfTheText)
{
    struct Case {
        std::string text;
        std::string start;
    } cases[] = {
        {dir_ + "\\note.txt", dir_ + "\\"},
        {" \"" + dir_ + "\\Icons\" ", dir_ + "\\Icons"},
        {dir_ + "\\gone\\x.ico", dir_ + "\\gone\\"},
        {"x.ico", ""},
        {"", ""},
    };
    for (const Case &c : cases) {
        char text[MAX_PATH];
        CopyText(text, c.text.c_str(), MAX_PATH);
        BrowseStartFolder(text);
        EXPECT_EQ(c.start, std::string(text)) << c.text;
    }
}

TEST_F(BrowseSettingTest, BrowsePutsThePickedFileIntoTheText)
{
    // Typed as a file name: Browse starts in its folder.
    std::string picked = dir_ + "\\note.txt";
    HWND open = nullptr;
    EXPECT_EQ(IDCANCEL,
              Run({Type(picked), Press(IDC_BS_BROWSE),
                   // The open-file dialog is owned by ours; pick the file by name there.
                   [&]() {
                       HWND dialog = FindThreadDialog(IDC_BS_BROWSE);
                       HWND found = GetWindow(GetDesktopWindow(), GW_CHILD);
                       for (; found != nullptr; found = GetWindow(found, GW_HWNDNEXT)) {
                           if (GetWindow(found, GW_OWNER) == dialog && IsWindowVisible(found))
                               break;
                       }
                       if (found == nullptr)
                           return false;
                       open = found;
                       char folder[MAX_PATH] = "";
                       SendMessageA(open, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
                       EXPECT_EQ(0, lstrcmpiA(dir_.c_str(), folder)) << folder;
                       SetDlgItemTextA(open, 0x47C, "note.txt");  // cmb13, the file name box
                       SetDlgItemTextA(open, 0x480, "note.txt");  // edt1 in older layouts
                       PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                       return true;
                   },
                   [&]() {
                       HWND dialog = FindThreadDialog(IDC_BS_BROWSE);
                       if (dialog == nullptr || IsWindow(open))
                           return false;
                       EXPECT_EQ(0, lstrcmpiA(picked.c_str(), ItemText(dialog, IDC_BS_LOCATION).c_str()));
                       return true;
                   },
                   Press(IDCANCEL)}));
}

}  // namespace
