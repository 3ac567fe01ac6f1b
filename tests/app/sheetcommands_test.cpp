// The sheet's own commands on the real sheet: saving the icons as a theme and everything back
// to the standard, from the system menu and as the switches /SAVETHEME and /RESET. Whole-
// registry snapshots; the shell is never told (AutoRefresh off, RefreshLevel 0); drive X:
// only.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "app/sheetcommands.h"
#include "app/sheetswitch.h"
#include "app/sheetstate.h"
#include "shellglue/paths.h"
#include "common/texts.h"
#include "drives/autorun.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/themeimport.h"
#include "shellglue/shellkeys.h"
#include "support/dialogsteps.h"
#include "support/probes.h"
#include "support/sheetchanges.h"
#include "support/testing.h"

namespace {

const char kClsid[] = "Software\\Classes\\CLSID\\";
// The system's own bookkeeping: Wine's, and the file dialog's last folders.
const std::vector<std::string> kBookkeeping = {"HKCU\\Software\\Wine",
                                               "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32"};

bool Exists(const std::string &path)
{
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Pasted {
    int Tab;
    int Row;
    std::string Key, Standard;
};

class SheetCommandsTest : public WholeSheetTest {
protected:
    SheetCommandsTest() : WholeSheetTest("sheetcmd", WholeRegistry(), kBookkeeping) {}

    void SetUp() override
    {
        link_ = StartupShortcutPath();
        // Windows as it comes: the icon size and the shortcut arrow stored, all colours off.
        windows_.Value(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon Size");
        windows_.Value(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP");
        windows_.Value(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut");
        windows_.Value(HKEY_CLASSES_ROOT, "piffile", "IsShortcut");
        DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, "Shell Icon BPP");
        WholeSheetTest::SetUp();
    }

    void TearDown() override
    {
        WholeSheetTest::TearDown();
        if (Exists(link_))
            DeleteFileA(link_.c_str());
    }

    // Pastes an icon of the fixtures on the first row of every list that has a standard.
    void PasteOnEveryList()
    {
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            for (int row = 0; row < int(SendMessageA(list, LB_GETCOUNT, 0, 0)); ++row) {
                const IconEntry *entry = GetEntry(list, row);
                if (entry->Kind != KIND_ORDINARY || entry->DefaultLocation == nullptr)
                    continue;
                std::string location = FixturePath("icons12.dll") + "," + std::to_string(tab + 1);
                pasted_.push_back({tab, row, entry->RegistryKey, entry->DefaultLocation});
                EXPECT_TRUE(PasteOnRow(list, row, location));
                break;
            }
        }
    }

    void ChangeDriveAndSettings()
    {
        HWND page = Sheet.TabDialogs[TAB_SETTINGS1];
        SetDlgItemTextA(page, IDC_IS_SIZE, "40");
        for (int box : {IDC_IS_NOARROW, IDC_IS_ALLCOLOURS, IDC_IS_TRANSPARENT})
            if (IsWindowEnabled(GetDlgItem(page, box)) && (box != IDC_IS_TRANSPARENT || !link_.empty()))
                SendDlgItemMessageA(page, box, BM_CLICK, 0, 0);
        if (!haveDrive_)
            return;
        SetThrowawayDriveIcon(FixturePath("icons12.dll") + ",9");
    }

    // The question of everything-to-the-standard, answered; its text is kept.
    std::string Answered(int button, std::function<void()> run)
    {
        std::string text;
        DialogScript script({AnswerThisBox(button, &text)}, DialogWith(0xFFFF));
        run();
        EXPECT_TRUE(script.Finished());
        return text;
    }

    std::string link_;
    std::vector<Pasted> pasted_;
    SavedRegistry windows_;
};

TEST_F(SheetCommandsTest, SwitchesAreTakenOnlyWhole)
{
    const struct {
        const char *tail;
        int which;
        const char *path;
    } cases[] = {
        {"/RESET", SWITCH_RESET, ""},
        {"/reset", SWITCH_RESET, ""},
        {"/RESET now", SWITCH_NONE, ""},
        {"/SAVETHEME X:\\a.theme", SWITCH_SAVETHEME, "X:\\a.theme"},
        {"/savetheme  \"C:\\my themes\\a.theme\" ", SWITCH_SAVETHEME, "C:\\my themes\\a.theme"},
        {"/SAVETHEME", SWITCH_SAVETHEME, ""},
        {"/SAVETHEMES a.theme", SWITCH_NONE, ""},
        {"C:\\a.theme", SWITCH_NONE, ""},
    };
    for (const auto &c : cases) {
        char path[MAX_PATH];
        EXPECT_EQ(c.which, ReadSheetSwitch(c.tail, path)) << c.tail;
        EXPECT_STREQ(c.path, path) << c.tail;
    }
    std::string tooLong = "/SAVETHEME X:\\" + std::string(300, 'a');
    char path[MAX_PATH];
    EXPECT_EQ(SWITCH_SAVETHEME, ReadSheetSwitch(tooLong.c_str(), path));
    EXPECT_EQ(1, RunSheetSwitch(SWITCH_SAVETHEME, path)) << "no path, nothing written";
}

TEST_F(SheetCommandsTest, SystemMenuEndsWithBothCommandsAfterASeparator)
{
    Open();
    HMENU menu = GetSystemMenu(sheet_, FALSE);
    int count = GetMenuItemCount(menu);
    int save = -1;
    for (int i = 0; i < count; ++i)
        if (GetMenuItemID(menu, i) == 0x0E20)
            save = i;
    ASSERT_GT(save, 0);
    ASSERT_LT(save + 1, count);
    EXPECT_NE(0u, GetMenuState(menu, save - 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(0x0E30u, GetMenuItemID(menu, save + 1));
    char text[80];
    GetMenuStringA(menu, save, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(Ansi(u8"ﾃｰﾏとして保存(&S)..."), text);
    GetMenuStringA(menu, save + 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(Ansi(u8"すべて標準に戻す(&D)"), text);
    // Each item of the whole menu, Windows' own ones too, has a letter of its own.
    std::string letters;
    for (int i = 0; i < count; ++i) {
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const char *mark = std::strchr(text, '&');
        if (mark == nullptr || mark[1] == '\0')
            continue;
        char letter = char(std::toupper(BYTE(mark[1])));
        EXPECT_EQ(std::string::npos, letters.find(letter)) << text;
        letters += letter;
    }
}

TEST_F(SheetCommandsTest, SavedThemeBringsBackTheIconsAfterEverythingWentToTheStandard)
{
    Open();
    PasteOnEveryList();
    ASSERT_GE(pasted_.size(), 3u);
    Press(IDC_SHEET_APPLY);
    RegistrySnapshot applied(WholeRegistry(), kBookkeeping);
    applied.Take();

    std::string theme = app_->Dir() + "\\mine.theme";
    std::string told;
    DialogScript save({[&](HWND dialog) {
                           SetDlgItemTextA(dialog, 1152 /* edt1 */, theme.c_str());
                           SetDlgItemTextA(dialog, 1148 /* cmb13 */, theme.c_str());
                           PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                           return true;
                       },
                       AnswerThisBox(IDOK, &told)},
                      [this] { return FindOwnedPopup(sheet_); });
    SendMessageA(sheet_, WM_SYSCOMMAND, IDM_SYS_SAVETHEME, 0);
    ASSERT_TRUE(Exists(theme));
    EXPECT_NE(std::string::npos, told.find(theme + " ")) << told;
    EXPECT_NE(std::string::npos, told.find(std::to_string(pasted_.size()))) << told;

    std::string question = Answered(IDYES, [&] { SendMessageA(sheet_, WM_SYSCOMMAND, IDM_SYS_ALLSTANDARD, 0); });
    EXPECT_NE("", question);
    for (const Pasted &p : pasted_) {
        const IconEntry *entry = GetEntry(ListOfTab(p.Tab), p.Row);
        EXPECT_EQ(p.Standard, entry->CurrentLocation) << "tab " << p.Tab;
        EXPECT_NE(STATE_UNCHANGED, entry->ChangeState);
    }
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_EQ("", JoinLines(applied.ChangesSince())) << "nothing is written before Apply";

    EXPECT_EQ(DWORD(pasted_.size()), ImportThemeFile(theme.c_str()));
    Press(IDC_SHEET_APPLY);
    EXPECT_EQ("", JoinLines(applied.ChangesSince()));
}

TEST_F(SheetCommandsTest, ResetSwitchLeavesTheRegistryAndDriveAsBeforeTheFirstRun)
{
    Open();
    PasteOnEveryList();
    ChangeDriveAndSettings();
    Press(IDC_SHEET_APPLY);
    Press(IDOK);
    DestroyWindow(sheet_);
    PumpMessages(50);
    std::vector<std::string> changed = snapshot_.ChangesSince();
    ASSERT_GE(changed.size(), pasted_.size() + 2);
    EXPECT_EQ(haveDrive_, Exists("X:\\AUTORUN.INF"));

    // A run of the program of its own: the sheet that went took the system folder with it.
    app_->UseSystemDir(nullptr);
    int code = -1;
    std::string declined = Answered(IDNO, [&] { code = RunSheetSwitch(SWITCH_RESET, ""); });
    EXPECT_EQ(1, code);
    EXPECT_EQ(JoinLines(changed), JoinLines(snapshot_.ChangesSince())) << "No leaves everything";

    std::string question = Answered(IDYES, [&] { code = RunSheetSwitch(SWITCH_RESET, ""); });
    EXPECT_EQ(0, code);
    EXPECT_EQ(declined, question);
    EXPECT_FALSE(IsWindow(Sheet.Window)) << "the hidden sheet is gone";

    // What Windows itself has for a desktop item the program changed: its standard icon,
    // where this prefix had no value. The shell-icon overrides' key may stay, empty.
    std::vector<std::string> windowsOwn = {RegistrySnapshot::KeyLine('+', HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY)};
    for (const Pasted &p : pasted_) {
        if (p.Key[0] != '{')
            continue;
        std::string key = kClsid + p.Key + "\\DefaultIcon";
        windowsOwn.push_back(RegistrySnapshot::KeyLine('+', HKEY_LOCAL_MACHINE, key));
        windowsOwn.push_back(RegistrySnapshot::Line('+', HKEY_LOCAL_MACHINE, key, "", p.Standard));
    }
    std::vector<std::string> left;
    for (const std::string &line : snapshot_.ChangesSince())
        if (std::find(windowsOwn.begin(), windowsOwn.end(), line) == windowsOwn.end())
            left.push_back(line);
    EXPECT_EQ("", JoinLines(left));
    EXPECT_FALSE(Exists("X:\\AUTORUN.INF"));
    EXPECT_FALSE(Exists(link_));
}

// "/RESET" says by its exit code whether it did all it was asked: 1 when the user would not
// apply without a restore point, 2 when a drive kept its icon.
TEST_F(SheetCommandsTest, ResetSwitchExitsNonZeroWhenItDidNotApply)
{
    const struct {
        bool noRecord;
        bool lockedDrive;
        int code;
        const char *shellIcon;
    } cases[] = {{true, false, 1, "mine,1"}, {false, true, 2, "(absent)"}, {false, false, 0, "(absent)"}};
    std::string settings = App.SettingsPath;
    for (const auto &c : cases) {
        if (c.lockedDrive && !haveDrive_)
            continue;
        SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", "mine,1");
        if (haveDrive_) {
            SetFileAttributesA("X:\\AUTORUN.INF", FILE_ATTRIBUTE_NORMAL);
            WriteFileText("X:\\AUTORUN.INF", "[Autorun]\r\nDefaultIcon=mine.ico\r\n");
            SetFileAttributesA("X:\\AUTORUN.INF", c.lockedDrive ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        }
        // The settings file's folder is gone: no record can be written beside it.
        CopyText(App.SettingsPath, (c.noRecord ? app_->Dir() + "\\gone\\tilefox.INI" : settings).c_str(), MAX_PATH);
        app_->UseSystemDir(nullptr);
        std::string texts[2];
        std::vector<DialogStep> steps = {AnswerThisBox(IDYES, &texts[0])};
        if (c.code != 0)
            steps.push_back(AnswerThisBox(c.noRecord ? IDNO : IDOK, &texts[1]));
        DialogScript script(steps, DialogWith(0xFFFF));
        EXPECT_EQ(c.code, RunSheetSwitch(SWITCH_RESET, ""));
        EXPECT_TRUE(script.Finished()) << c.code;
        EXPECT_EQ(c.shellIcon, RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3")) << c.code;
        SetFileAttributesA("X:\\AUTORUN.INF", FILE_ATTRIBUTE_NORMAL);
    }
    CopyText(App.SettingsPath, settings.c_str(), MAX_PATH);
}

TEST_F(SheetCommandsTest, SaveThemeSwitchWritesWhatIsInForceAndNothingElse)
{
    SavedRegistry saved;
    saved.Value(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3");
    std::string location = FixturePath("icons12.dll") + ",5";
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", location.c_str());
    RegistrySnapshot start(WholeRegistry(), kBookkeeping);
    start.Take();

    std::string theme = app_->Dir() + "\\in force.theme";
    std::string nowhere = app_->Dir() + "\\missing\\a.theme";
    const struct {
        std::string tail;
        DWORD code;
    } runs[] = {{"/SAVETHEME \"" + theme + "\"", 0}, {"/SAVETHEME " + nowhere, 1}, {"/SAVETHEME", 1}};
    for (const auto &run : runs) {
        PROCESS_INFORMATION process;
        ASSERT_TRUE(StartTestProgram("tilefox.exe", run.tail, &process));
        EXPECT_EQ(run.code, WaitTestProgram(process, 60000)) << run.tail;
    }
    std::string text = ReadFileText(theme);
    EXPECT_NE(std::string::npos, text.find("\r\n3=" + location + "\r\n")) << text;
    EXPECT_FALSE(Exists(nowhere));
    EXPECT_EQ("", JoinLines(start.ChangesSince()));
}

}  // namespace
