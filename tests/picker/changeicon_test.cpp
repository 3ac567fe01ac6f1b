#include <windows.h>

#include <gtest/gtest.h>

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "picker/changeicon.h"
#include "picker/pickerstate.h"
#include "shellglue/oldsizes.h"
#include "shellglue/paths.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/dialogsteps.h"
#include "support/probes.h"

namespace {

std::string FieldText(HWND dialog, int id)
{
    return DlgItemText(dialog, id);
}

int Selection(HWND dialog)
{
    return int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
}

// The control's own visibility, whether or not the dialog is on screen yet.
bool Shown(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

int ItemCount(HWND dialog)
{
    return int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCOUNT, 0, 0));
}

std::string SystemFile(const char *name)
{
    return SystemDir() + name;
}

int FileIconCount(const std::string &file)
{
    return int(ExtractIconExA(file.c_str(), -1, nullptr, nullptr, 0));
}

class ChangeIconTest : public testing::Test {
protected:
    // The built-in options (four rows, the system's own open-file dialog) without the animation.
    void SetUp() override { Settings.DialogAnimation = 0; }
    void TearDown() override { LearnSystem(); }

    // Opens the dialog on location with the steps; returns the buffer afterwards.
    std::string Run(const std::string &location, std::vector<Step> steps, const char *suffix = nullptr,
                    const POINT *anchor = nullptr, HWND owner = nullptr)
    {
        size_t count = steps.size();
        DialogScript script(std::move(steps), FindChangeIconDialog);
        char buffer[LOCATION_BUFFER];
        CopyText(buffer, location.c_str(), sizeof buffer);
        char *result = OpenChangeIconDialog(owner, buffer, suffix, anchor, mode_);
        EXPECT_EQ(buffer, result);
        EXPECT_FALSE(script.TimedOut()) << "script stuck at step " << script.NextStep();
        EXPECT_EQ(count, script.NextStep());
        EXPECT_EQ(nullptr, FindChangeIconDialog());
        return buffer;
    }

    AppSetup app_{"picker"};
    PickMode mode_ = PICK_ORDINARY;
};

TEST_F(ChangeIconTest, OpensOnSystemLibraryAndReturnsNameAsTyped)
{
    std::string result = Run("  shell32.dll,3 ",
                             {Check([](HWND dialog) {
                                  EXPECT_EQ("shell32.dll", FieldText(dialog, IDC_CI_FILENAME));
                                  EXPECT_EQ("3", FieldText(dialog, IDC_CI_INDEX));
                                  EXPECT_EQ(3, Selection(dialog));
                                  EXPECT_EQ(FileIconCount(SystemFile("shell32.dll")), ItemCount(dialog));
                                  EXPECT_EQ(Ansi(u8"アイコンの変更"), WindowText(dialog));
                                  EXPECT_FALSE(Shown(dialog, IDC_CI_DEFAULT));
                                  EXPECT_FALSE(Shown(dialog, IDC_CI_STATUS));
                              }),
                              Press(IDOK)});
    EXPECT_EQ("shell32.dll,3", result);
}

TEST_F(ChangeIconTest, StartIndexTheFileLacks)
{
    std::string library = FixturePath("icons12.dll");
    for (const char *index : {"-137", "12"}) {
        std::string result = Run(library + "," + index,
                                 {Check([index](HWND dialog) {
                                      EXPECT_EQ(index, FieldText(dialog, IDC_CI_INDEX));
                                      EXPECT_EQ(LB_ERR, Selection(dialog));
                                      EXPECT_EQ(12, ItemCount(dialog));
                                  }),
                                  Press(IDOK), AnswerBox(Ansi(u8"ｱｲｺﾝが選択されていません。")),
                                  Press(IDCANCEL)});
        EXPECT_EQ("", result);
    }
}

TEST_F(ChangeIconTest, MissingFileOrFolderShowsSystemLibrary)
{
    for (std::string start : {std::string("C:\\nowhere\\missing.ico,5"), TestBinDir() + "fixtures"}) {
        std::string result = Run(start, {Check([](HWND dialog) {
                                             EXPECT_EQ(SystemFile("shell32.dll"), FieldText(dialog, IDC_CI_FILENAME));
                                             EXPECT_EQ(0, Selection(dialog));
                                             EXPECT_EQ("0", FieldText(dialog, IDC_CI_INDEX));
                                         }),
                                         Press(IDOK)});
        EXPECT_EQ(SystemFile("shell32.dll") + ",0", result);
    }
}

TEST_F(ChangeIconTest, TypingFollowsTheNamedFile)
{
    std::string cool = FixturePath("cool.dll");
    std::string thousand = FixturePath("icons1000.dll");
    char shortName[MAX_PATH];
    GetShortPathNameA(thousand.c_str(), shortName, MAX_PATH);
    ASSERT_NE(thousand, std::string(shortName));

    std::string result = Run(
        FixturePath("icons12.dll") + ",2",
        {Type(cool), Check([&](HWND dialog) {
             EXPECT_EQ(42, ItemCount(dialog));
             EXPECT_EQ(0, Selection(dialog));
             EXPECT_EQ(cool, std::string(ChangeIconRequestOf(dialog)->Target));
         }),
         Type(thousand),
         [](HWND dialog) {
             SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, 999, 0);
             return ItemCount(dialog) == 1000;
         },
         // The same file under its 8.3 name: no refill, the selection stays.
         Type(shortName), Check([](HWND dialog) { EXPECT_EQ(999, Selection(dialog)); }),
         // A name of nothing, or of a file without icons, changes nothing while typing.
         Type("C:\\nowhere"), Type(FixturePath("noicons.txt")),
         Check([](HWND dialog) {
             EXPECT_EQ(1000, ItemCount(dialog));
             EXPECT_EQ(999, Selection(dialog));
         }),
         Type(std::string(" ") + shortName + "  "), Press(IDOK)});
    EXPECT_EQ(std::string(shortName) + ",999", result);
}

TEST_F(ChangeIconTest, FileNameCheckWarnsAndUndoes)
{
    std::string library = FixturePath("icons12.dll");
    std::string noIcons = FixturePath("noicons.txt");
    char noIconsMessage[600];
    wsprintfA(noIconsMessage, Ansi(u8"ﾌｧｲﾙ %s には、利用できるｱｲｺﾝがありません。").c_str(), noIcons.c_str());
    char missingMessage[600];
    wsprintfA(missingMessage, Ansi(u8"ﾌｧｲﾙ %s が見つかりません。").c_str(), "nothing.ico");

    std::string result = Run(
        library + ",1",
        {// Replace the whole text in one edit, as a paste would, so that undo brings it back.
         [&](HWND dialog) {
             SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_SETSEL, 0, -1);
             SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_REPLACESEL, TRUE, LPARAM(noIcons.c_str()));
             return true;
         },
         Press(IDOK), AnswerBox(noIconsMessage),
         [&](HWND dialog) {
             // Undone, and the grid followed the restored name.
             return FieldText(dialog, IDC_CI_FILENAME) == library && ItemCount(dialog) == 12;
         },
         [&](HWND dialog) {
             SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_SETSEL, 0, -1);
             SendDlgItemMessageA(dialog, IDC_CI_FILENAME, EM_REPLACESEL, TRUE, LPARAM("  nothing.ico "));
             return true;
         },
         Press(IDOK), AnswerBox(missingMessage),
         [&](HWND dialog) { return FieldText(dialog, IDC_CI_FILENAME) == library; },
         Type("   "), Press(IDOK), AnswerBox(Ansi(u8"ﾌｧｲﾙ名が指定されていません。")),
         Check([&](HWND dialog) {
             EXPECT_EQ(library, FieldText(dialog, IDC_CI_FILENAME));
             SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, 5, 0);
         }),
         Press(IDOK)});
    EXPECT_EQ(library + ",5", result);
}

TEST_F(ChangeIconTest, GridGrowsToTheConfiguredRows)
{
    struct Measure {
        int gridClient;
        int gridBottom;
        int okTop;
        int dialogHeight;
        int templateGap;
    };
    auto measure = [](HWND dialog, Measure *m) {
        RECT client;
        GetClientRect(GetDlgItem(dialog, IDC_CI_GRID), &client);
        m->gridClient = client.bottom;
        RECT grid;
        RECT ok;
        RECT window;
        GetWindowRect(GetDlgItem(dialog, IDC_CI_GRID), &grid);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        GetWindowRect(dialog, &window);
        m->gridBottom = grid.bottom;
        m->okTop = ok.top;
        m->dialogHeight = window.bottom - window.top;
        RECT gap = {0, 48 + 94, 0, 158};
        MapDialogRect(dialog, &gap);
        m->templateGap = gap.bottom - gap.top;
    };
    Measure rows[2];
    int index = 0;
    for (int count : {1, 4}) {
        Settings.DialogRows = count;
        Measure *m = &rows[index++];
        Run("shell32.dll", {Check([&](HWND dialog) { measure(dialog, m); }), Press(IDCANCEL)});
        EXPECT_EQ(40 * count + 1, m->gridClient);
        EXPECT_NEAR(m->templateGap, m->okTop - m->gridBottom, 1);
    }
    EXPECT_EQ(120, rows[1].dialogHeight - rows[0].dialogHeight);

    // DialogRows 0 means 4, and stays 4.
    Settings.DialogRows = 0;
    Measure zero;
    Run("shell32.dll", {Check([&](HWND dialog) { measure(dialog, &zero); }), Press(IDCANCEL)});
    EXPECT_EQ(161, zero.gridClient);
    EXPECT_EQ(4, Settings.DialogRows);
}

TEST_F(ChangeIconTest, CaptionWithSuffixIsCut)
{
    std::string longSuffix;
    for (int i = 0; i < 40; ++i)
        longSuffix += Ansi(u8"表");
    struct Case {
        const char *suffix;
        std::string expected;
    } cases[] = {
        {nullptr, Ansi(u8"アイコンの変更")},
        {"", Ansi(u8"アイコンの変更")},
        {"My Computer", Ansi(u8"アイコンの変更 - My Computer")},
        // 14 + 3 bytes, then 31 two-byte characters: 79 bytes, no half character.
        {longSuffix.c_str(), Ansi(u8"アイコンの変更") + " - " + longSuffix.substr(0, 62)},
    };
    for (const Case &c : cases) {
        std::string caption;
        Run("shell32.dll", {Check([&](HWND dialog) {
                                caption = WindowText(dialog);
                            }),
                            Press(IDCANCEL)},
            c.suffix);
        EXPECT_EQ(c.expected, caption);
    }
}

TEST_F(ChangeIconTest, CopyPickMode)
{
    mode_ = PICK_COPY;
    Settings.DialogAnimation = 20;
    POINT anchor = {100, 100};
    std::string library = FixturePath("icons12.dll");
    std::string result = Run(library + ",4",
                             {[](HWND dialog) { return IsWindowVisible(dialog) != FALSE; },
                              Check([&](HWND dialog) {
                                  EXPECT_EQ(Ansi(u8"アイコンの選択"), WindowText(dialog));
                                  EXPECT_EQ(Ansi(u8"コピー"), FieldText(dialog, IDOK));
                                  HWND status = GetDlgItem(dialog, IDC_CI_STATUS);
                                  EXPECT_TRUE(IsWindowVisible(status));
                                  EXPECT_EQ(Ansi(u8"選択したアイコンは、Tilefoxの画面で貼り付けできます。"),
                                            FieldText(dialog, IDC_CI_STATUS));
                                  // Below the grown grid.
                                  RECT grid;
                                  RECT line;
                                  GetWindowRect(GetDlgItem(dialog, IDC_CI_GRID), &grid);
                                  GetWindowRect(status, &line);
                                  EXPECT_GE(line.top, grid.bottom);
                                  PostMessageA(dialog, UM_COPYSELECTEDICON, 0, 0);
                              }),
                              [&](HWND) { return CopiedIcon() != nullptr; },
                              Check([&](HWND) { EXPECT_EQ(library + ",4", std::string(CopiedIcon())); }),
                              Press(IDOK)},
                             nullptr, &anchor);
    EXPECT_EQ(library + ",4", result);
}

// The texts the modes put in the dialog (its caption aside) fit in both languages.
TEST_F(ChangeIconTest, EveryModeFitsItsTextsInBothLanguages)
{
    const PickMode modes[] = {PICK_COPY, PICK_FOLDER_RESTORE};
    for (const char *language : {"ja", "en"}) {
        ChooseLanguage(language);
        for (PickMode mode : modes) {
            mode_ = mode;
            std::vector<std::string> cut = {"not opened"};
            Run(FixturePath("icons12.dll") + ",2",
                {Check([&](HWND dialog) { cut = CutTexts(dialog); }), Press(IDCANCEL)});
            EXPECT_EQ(std::vector<std::string>(), cut) << language << " mode " << mode;
        }
    }
    ChooseLanguage("");
}

TEST_F(ChangeIconTest, FolderModesAndRestoreDefault)
{
    mode_ = PICK_FOLDER_RESTORE;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    std::string result = Run(FixturePath("icons12.dll") + ",2",
                             {Check([&](HWND dialog) {
                                  EXPECT_TRUE(Shown(dialog, IDC_CI_DEFAULT));
                                  RECT window;
                                  GetWindowRect(dialog, &window);
                                  int width = window.right - window.left;
                                  int height = window.bottom - window.top;
                                  int dx = window.left - (screenWidth - width) / 2;
                                  int dy = window.top - (screenHeight - height) / 2;
                                  EXPECT_GE(dx, -60);
                                  EXPECT_LE(dx, 59);
                                  EXPECT_GE(dy, -30);
                                  EXPECT_LE(dy, 19);
                              }),
                              Press(IDC_CI_DEFAULT)});
    // Restore default is not OK: the caller learns it from the result code alone.
    EXPECT_EQ("", result);

    char buffer[LOCATION_BUFFER] = " shell32.dll,1";
    ChangeIconRequest call;
    SetUpChangeIconCall(&call, buffer, nullptr, nullptr, PICK_FOLDER);
    EXPECT_STREQ("shell32.dll", buffer);
    EXPECT_EQ(1, call.CurrentIndex);
    DialogScript script({Check([](HWND dialog) { EXPECT_FALSE(Shown(dialog, IDC_CI_DEFAULT)); }), Press(IDCANCEL)},
                        FindChangeIconDialog);
    EXPECT_EQ(IDCANCEL, RunChangeIconDialog(nullptr, &call));
}

TEST_F(ChangeIconTest, DroppedFiles)
{
    std::string library = FixturePath("icons12.dll");
    std::string dir = MakeTempDir("drop");
    std::string link = dir + "\\cool.lnk";
    MakeShortcut(link, FixturePath("cool.dll"));
    auto drop = [](std::string path) {
        return [path](HWND dialog) {
            HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + path.size() + 2);
            DROPFILES *files = static_cast<DROPFILES *>(GlobalLock(block));
            files->pFiles = sizeof(DROPFILES);
            CopyMemory(reinterpret_cast<char *>(files) + sizeof(DROPFILES), path.c_str(), path.size());
            GlobalUnlock(block);
            PostMessageA(dialog, WM_DROPFILES, WPARAM(block), 0);
            return true;
        };
    };
    std::string missing = dir + "\\gone.ico";
    char missingMessage[600];
    wsprintfA(missingMessage, Ansi(u8"ﾌｧｲﾙ %s には、利用できるｱｲｺﾝがありません。").c_str(), missing.c_str());

    std::string result = Run(
        "shell32.dll,0",
        {drop(library), [&](HWND dialog) { return ItemCount(dialog) == 12; },
         Check([&](HWND dialog) { EXPECT_EQ(library, FieldText(dialog, IDC_CI_FILENAME)); }),
         // A shortcut brings the icons of its target.
         drop(link), [&](HWND dialog) { return ItemCount(dialog) == 42; },
         Check([&](HWND dialog) {
             EXPECT_EQ(FixturePath("cool.dll"), FieldText(dialog, IDC_CI_FILENAME));
             EXPECT_EQ(0, Selection(dialog));
         }),
         drop(missing), AnswerBox(missingMessage),
         Check([&](HWND dialog) {
             EXPECT_EQ(missing, FieldText(dialog, IDC_CI_FILENAME));
             EXPECT_EQ(42, ItemCount(dialog));
         }),
         Press(IDCANCEL)});
    EXPECT_EQ("", result);
    RemoveTree(dir);
}

TEST_F(ChangeIconTest, OpeningAndClosingAnimationEndInPlace)
{
    Settings.DialogAnimation = 20;
    POINT anchor = {10, 10};
    RECT placed = {};
    std::string result = Run("shell32.dll,2",
                             {Check([&](HWND dialog) {
                                  GetWindowRect(dialog, &placed);
                                  EXPECT_TRUE(IsWindowVisible(dialog));
                              }),
                              Press(IDOK)},
                             nullptr, &anchor);
    EXPECT_EQ("shell32.dll,2", result);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ((screenWidth - (placed.right - placed.left)) / 2, placed.left);
}

// Waits for the grid's pop-up menu, checks its entries and picks one by keyboard (0: close it).
Step PickFromMenu(int expectedItems, int downs)
{
    return [expectedItems, downs](HWND dialog) {
        HWND menuWindow = FindPopupMenu();
        if (menuWindow == nullptr)
            return false;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
        EXPECT_EQ(expectedItems, GetMenuItemCount(menu));
        EXPECT_EQ(UINT(IDM_GRID_SELECT), GetMenuDefaultItem(menu, FALSE, 0));
        HWND grid = GetDlgItem(dialog, IDC_CI_GRID);
        for (int i = 0; i < downs; ++i)
            PostMessageA(grid, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(grid, WM_KEYDOWN, downs == 0 ? VK_ESCAPE : VK_RETURN, 0);
        return true;
    };
}

Step RightClickCell(int column)
{
    return [column](HWND dialog) {
        HWND grid = GetDlgItem(dialog, IDC_CI_GRID);
        LPARAM point = MAKELPARAM(column * GRID_CELL_WIDTH + 20, 20);
        PostMessageA(grid, WM_RBUTTONDOWN, MK_RBUTTON, point);
        PostMessageA(grid, WM_RBUTTONUP, 0, point);
        return true;
    };
}

TEST_F(ChangeIconTest, OwnedDialogStaysOnScreen)
{
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP | WS_VISIBLE, 120, screenHeight - 100, 300, 90, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    RECT placed = {};
    std::string result = Run("shell32.dll,1", {Check([&](HWND dialog) { GetWindowRect(dialog, &placed); }),
                                               Press(IDOK)},
                             nullptr, nullptr, owner);
    EXPECT_EQ("shell32.dll,1", result);
    // Kept where the system put it across, moved up so that its bottom is the screen's.
    EXPECT_NEAR(120, placed.left, 8);
    EXPECT_EQ(screenHeight, placed.bottom);
    DestroyWindow(owner);
}

TEST_F(ChangeIconTest, IconAcceptedInTheBrowseExtension)
{
    std::string result = Run("shell32.dll,1", {Check([](HWND dialog) {
                                                   // What the extension does before it posts.
                                                   ChangeIconRequest *call = ChangeIconRequestOf(dialog);
                                                   lstrcpyA(call->Target, "C:\\icons\\picked.dll,4");
                                                   call->CurrentIndex = 4;
                                                   PostMessageA(dialog, UM_ACCEPTBROWSEDICON, 0, 0);
                                               })});
    EXPECT_EQ("C:\\icons\\picked.dll,4", result);
}

TEST_F(ChangeIconTest, GridContextMenu)
{
    std::string library = FixturePath("icons12.dll");
    // Without a running sheet only "Select" is offered; right-click selects the cell first.
    std::string result = Run(library + ",0",
                             {[](HWND dialog) { return IsWindowVisible(dialog) != FALSE; }, RightClickCell(2),
                              PickFromMenu(1, 0), Check([](HWND dialog) { EXPECT_EQ(8, Selection(dialog)); }),
                              // From the keyboard: the menu opens at the grid's corner.
                              [](HWND dialog) {
                                  PostMessageA(GetDlgItem(dialog, IDC_CI_GRID), WM_CONTEXTMENU,
                                               WPARAM(GetDlgItem(dialog, IDC_CI_GRID)), LPARAM(-1));
                                  return true;
                              },
                              PickFromMenu(1, 1)});
    // Column 2 of four rows is icon 8.
    EXPECT_EQ(library + ",8", result);

    // With a sheet somewhere, Copy comes first and puts the icon on the clipboard.
    HWND sheet = CreateHelperWindow("TilefoxWClass", DefWindowProcA, "Tilefox");
    result = Run(library + ",3",
                 {[](HWND dialog) { return IsWindowVisible(dialog) != FALSE; }, RightClickCell(1),
                  PickFromMenu(3, 1), [](HWND) { return CopiedIcon() != nullptr; },
                  Check([&](HWND dialog) {
                      EXPECT_EQ(library + ",4", std::string(CopiedIcon()));
                      EXPECT_EQ(4, Selection(dialog));
                  }),
                  Press(IDCANCEL)});
    EXPECT_EQ("", result);
    DestroyWindow(sheet);
    UnregisterClassA("TilefoxWClass", GetModuleHandleA(nullptr));
}

TEST_F(ChangeIconTest, BrowseTakesTheChosenFile)
{
    std::string cool = FixturePath("cool.dll");
    std::string noIcons = FixturePath("noicons.txt");
    char noIconsMessage[600];
    wsprintfA(noIconsMessage, Ansi(u8"ﾌｧｲﾙ %s には、利用できるｱｲｺﾝがありません。").c_str(), noIcons.c_str());
    auto choose = [](std::string file) {
        return [file](HWND dialog) {
            HWND open = FindOwnedPopup(dialog);
            if (open == nullptr)
                return false;
            EXPECT_EQ(Ansi(u8"アイコンの変更"), WindowText(open));
            SetDlgItemTextA(open, 1152 /* edt1 */, file.c_str());
            SetDlgItemTextA(open, 1148 /* cmb13 */, file.c_str());
            PostMessageA(open, WM_COMMAND, IDOK, 0);
            return true;
        };
    };
    std::string result = Run("shell32.dll,0",
                             {Press(IDC_CI_BROWSE), choose(cool), [](HWND dialog) { return ItemCount(dialog) == 42; },
                              Check([&](HWND dialog) { EXPECT_EQ(cool, FieldText(dialog, IDC_CI_FILENAME)); }),
                              Press(IDC_CI_BROWSE), choose(noIcons), AnswerBox(noIconsMessage),
                              Check([&](HWND dialog) {
                                  EXPECT_EQ(noIcons, FieldText(dialog, IDC_CI_FILENAME));
                                  EXPECT_EQ(42, ItemCount(dialog));
                              }),
                              Press(IDCANCEL)});
    EXPECT_EQ("", result);
}

DWORD g_openSize;

BOOL WINAPI CancelOpenRecordingSize(LPOPENFILENAMEA open)
{
    g_openSize = open->lStructSize;
    return FALSE;
}

// Windows 95's COMDLG32 refuses an OPENFILENAME larger than its own.
TEST_F(ChangeIconTest, BrowseAsksWithTheWindows95Size)
{
    ImportHook hook("comdlg32.dll", "GetOpenFileNameA", reinterpret_cast<const void *>(CancelOpenRecordingSize));
    ASSERT_TRUE(hook.Hooked());
    g_openSize = 0;
    std::string result =
        Run("shell32.dll,0", {Press(IDC_CI_BROWSE), [](HWND) { return g_openSize != 0; }, Press(IDCANCEL)});
    EXPECT_EQ("", result);
    EXPECT_EQ(DWORD(OPENFILENAMEA_SIZE_95), g_openSize);
}

TEST(ChangeIconPlacement, GeneratorAndScatter)
{
    // The classic generator: seed 1 gives 41, 18467, 6334.
    SeedPickerRandom(1);
    EXPECT_EQ(41, NextPickerRandom());
    EXPECT_EQ(18467, NextPickerRandom());
    EXPECT_EQ(6334, NextPickerRandom());

    int seen[4] = {0, 0, 0, 0};
    for (DWORD seed = 0; seed < 3000; seed += 7) {
        SeedPickerRandom(seed * 2654435761u);
        POINT p = ScatteredPosition(1024, 768, 320, 300);
        int dx = p.x - (1024 - 320) / 2;
        int dy = p.y - (768 - 300) / 2;
        ASSERT_GE(dx, -60);
        ASSERT_LE(dx, 59);
        ASSERT_GE(dy, -30);
        ASSERT_LE(dy, 19);
        seen[0] |= dx < -50;
        seen[1] |= dx > 50;
        seen[2] |= dy < -25;
        seen[3] |= dy > 14;
    }
    EXPECT_EQ(1, seen[0] & seen[1] & seen[2] & seen[3]);
    // Halving truncates toward zero on a screen smaller than the dialog.
    SeedPickerRandom(1);
    POINT small = ScatteredPosition(100, 100, 321, 301);
    EXPECT_EQ((100 - 301) / 2 + 41 % 50 - 30, small.y);
    EXPECT_EQ((100 - 321) / 2 + 18467 % 120 - 60, small.x);
}

TEST(ChangeIconPlacement, AnimationSteps)
{
    struct Case {
        int speed;
        int closing;
    } cases[] = {{1, 47}, {10, 25}, {16, 10}, {17, 8}, {20, 8}};
    for (const Case &c : cases)
        EXPECT_EQ(c.closing, ClosingSteps(c.speed)) << c.speed;
    EXPECT_EQ(106, OpeningSteps(320, 1));
    EXPECT_EQ(25, OpeningSteps(320, 20));
    EXPECT_EQ(1, OpeningSteps(10, 20));
}

// The library's three icons, then each as an .ico file; under 64-bit Wine the grid's one call for all
// the library's icons gets none of those holding a PNG image (the 32-bit program gets them).
TEST_F(ChangeIconTest, GridShowsOnlyTheLaterIconsTheSystemReads)
{
    for (const LaterIconsRow &row : kLaterIcons) {
        PretendSystem(SystemLine(row.Line), false);
        auto shows = [&row](int count, int first) { return Check([&row, count, first](HWND dialog) {
            ASSERT_EQ(count, ItemCount(dialog));
            for (int i = 0; i < count; ++i)
                EXPECT_EQ(row.Shown[first + i], IconLook(HICON(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETITEMDATA, i, 0))))
                    << int(row.Line) << " " << first + i;
        }); };
        std::vector<Step> steps;
        if (sizeof(void *) == 4)
            steps.push_back(shows(3, 0));
        for (int file = 0; file < 3; ++file)
            steps.insert(steps.end(), {Type(FixturePath(kLaterIconFiles[file])), shows(1, file)});
        steps.push_back(Press(IDCANCEL));
        Run(FixturePath("pngicons.dll") + ",1", steps);
    }
}

}  // namespace
