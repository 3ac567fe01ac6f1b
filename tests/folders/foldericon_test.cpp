#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "dialogscript.h"
#include "folders/foldericon.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kSection[] = ".ShellClassInfo";

DWORD Attributes(const std::string &path)
{
    return GetFileAttributesA(path.c_str());
}

bool Has(const std::string &path, DWORD attribute)
{
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

std::string IniValue(const std::string &ini, const char *section, const char *key)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(section, key, "<none>", value, MAX_PATH, ini.c_str());
    return value;
}

// Names in a profile list ("a\0b\0\0") joined with blanks.
std::string ProfileNames(const std::string &ini, const char *section)
{
    char names[2048] = "";
    DWORD length = GetPrivateProfileStringA(section, nullptr, "", names, sizeof names, ini.c_str());
    std::string joined;
    for (const char *name = names; name < names + length && *name != '\0'; name += lstrlenA(name) + 1)
        joined += (joined.empty() ? "" : " ") + std::string(name);
    return joined;
}

std::string Found(const char *name)
{
    char found[MAX_PATH];
    return SearchFile(name, found) ? std::string(found) : std::string("<not found>");
}

int Selection(HWND dialog)
{
    return int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
}

bool Shown(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string Caption(HWND dialog)
{
    char caption[200] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    return caption;
}

Step OnPicker(std::function<void(HWND)> action)
{
    return OnDialog(IDC_CI_GRID, action);
}

Step Press(int button)
{
    return PressIn(IDC_CI_GRID, button);
}

// Types the file (the grid follows) and selects one of its icons.
Step Choose(std::string file, int index)
{
    return OnPicker([file, index](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_CI_FILENAME, file.c_str());
        SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, index, 0);
    });
}

class FolderIconTest : public testing::Test {
protected:
    void SetUp() override
    {
        Settings.DialogRows = 4;
        Settings.DialogAnimation = 0;
        Settings.HookComDlg = 0;
        char system[MAX_PATH];
        GetSystemDirectoryA(system, MAX_PATH - 1);
        AddBackslash(system);
        Facts.SystemDirPath = DupString(system);
        GetCurrentDirectoryA(MAX_PATH, savedDirectory_);
        savedFonts_ = GetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts");
        folder_ = MakeTempDir("folder");
        ini_ = folder_ + "\\DESKTOP.INI";
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(savedDirectory_);
        if (savedFonts_[0] != '<')
            SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", savedFonts_.c_str());
        SetFileAttributesA(folder_.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(folder_);
        ClearCopiedIcon();
        FreeAppText(&App.DefaultBrowseLocation);
        FreeAppText(&Facts.SystemDirPath);
    }

    // Runs the folder verb on folder with the steps; shift means the verb was chosen with
    // Shift held (no anchor point).
    INT_PTR Change(const std::string &folder, std::vector<Step> steps, bool shift = false)
    {
        CopyToClipboard(folder.c_str());
        POINT anchor = {200, 200};
        INT_PTR result = -1;
        ScriptOutcome outcome = RunScripted(IDC_CI_GRID, std::move(steps),
                                            [&] { result = ChangeFolderIcon(shift ? nullptr : &anchor); });
        EXPECT_FALSE(outcome.timedOut) << "stuck at step " << outcome.stepsDone;
        EXPECT_FALSE(outcome.strayDialog);
        EXPECT_EQ(nullptr, CopiedIcon());
        return result;
    }

    // A folder that shows an icon of its own: the system attribute and a hidden DESKTOP.INI.
    void GiveOwnIcon(const std::string &folder, const std::string &iniText)
    {
        WriteFileText(folder + "\\DESKTOP.INI", iniText);
        SetFileAttributesA((folder + "\\DESKTOP.INI").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_SYSTEM);
    }

    char savedDirectory_[MAX_PATH];
    std::string savedFonts_;
    std::string folder_;
    std::string ini_;
};

TEST_F(FolderIconTest, NewIconMakesHiddenFileWithTheTwoKeysAndSystemFolder)
{
    std::string library = FixturePath("icons12.dll");
    std::string name = folder_.substr(folder_.find_last_of('\\') + 1);
    INT_PTR result = Change(folder_, {OnPicker([&](HWND dialog) {
                                          EXPECT_EQ(Ansi(u8"アイコンの変更 - ") + name, Caption(dialog));
                                          EXPECT_FALSE(Shown(dialog, IDC_CI_DEFAULT));
                                      }),
                                      Choose(library, 5), Press(IDOK)});
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(".ShellClassInfo", ProfileNames(ini_, nullptr));
    EXPECT_EQ("IconIndex IconFile", ProfileNames(ini_, kSection));
    EXPECT_EQ("5", IniValue(ini_, kSection, "IconIndex"));
    EXPECT_EQ(library, IniValue(ini_, kSection, "IconFile"));
}

TEST_F(FolderIconTest, OkWithTheOfferedIconStillWrites)
{
    // The user's own closed-folder picture (3 on Windows 98; Wine reports resource -4) makes
    // the offered icon one the grid can select.
    std::string library = FixturePath("icons12.dll");
    std::string location = library + ",7";
    DeleteRegTree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", location.c_str());
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "-4", location.c_str());
    std::string offeredFile;
    int offeredIndex = -2;
    INT_PTR result = Change(folder_, {OnPicker([&](HWND dialog) {
                                          offeredFile = ItemText(dialog, IDC_CI_FILENAME);
                                          offeredIndex = Selection(dialog);
                                      }),
                                      Press(IDOK)});
    DeleteRegTree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ(library, offeredFile);
    EXPECT_EQ(7, offeredIndex);
    EXPECT_TRUE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ("7", IniValue(ini_, kSection, "IconIndex"));
    EXPECT_EQ(library, IniValue(ini_, kSection, "IconFile"));
}

TEST_F(FolderIconTest, BareNameIsWrittenWithItsFullPath)
{
    ASSERT_EQ(IDOK, Change(folder_, {Choose("shell32.dll", 1), Press(IDOK)}));
    EXPECT_EQ(Found("shell32.dll"), IniValue(ini_, kSection, "IconFile"));
    EXPECT_NE(std::string::npos, IniValue(ini_, kSection, "IconFile").find('\\'));
    EXPECT_EQ("1", IniValue(ini_, kSection, "IconIndex"));
}

TEST_F(FolderIconTest, ReadOnlyFileIsWrittenAndStaysReadOnlyAndHidden)
{
    WriteFileText(ini_, "[.ShellClassInfo]\r\nInfoTip=kept\r\n");
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(IDOK, Change(folder_, {Choose(FixturePath("icons12.dll"), 2), Press(IDOK)}));
    EXPECT_EQ("2", IniValue(ini_, kSection, "IconIndex"));
    EXPECT_EQ("kept", IniValue(ini_, kSection, "InfoTip"));
    EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(FolderIconTest, CancelWritesNothing)
{
    EXPECT_EQ(IDCANCEL, Change(folder_, {Choose(FixturePath("icons12.dll"), 2), Press(IDCANCEL)}));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));
    EXPECT_FALSE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(FolderIconTest, RestoreRemovesTheIconKeysAndWhatTheyLeaveEmpty)
{
    const std::string icon = "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\n";
    struct Case {
        const char *label;
        std::string iniText;
        bool fileStays;
        const char *sectionsLeft;
        const char *keysLeft;
        bool folderStaysSystem;     // what the file still holds needs a system folder
    } cases[] = {
        {"icon keys only", icon, false, "", "", false},
        {"class id beside them", icon + "CLSID={21EC2020-3AEA-1069-A2DD-08002B30309D}\r\n", true, ".ShellClassInfo",
         "CLSID", true},
        {"another section", icon + "[ExtShellFolderViews]\r\nDefault={5984FFE0-28D4-11CF-AE66-08002B2E1262}\r\n",
         true, "ExtShellFolderViews", "", true},
        {"no icon section at all", "[ExtShellFolderViews]\r\nDefault=x\r\n", true, "ExtShellFolderViews", "",
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        GiveOwnIcon(folder_, c.iniText);
        INT_PTR result = Change(folder_, {OnPicker([](HWND dialog) { EXPECT_TRUE(Shown(dialog, IDC_CI_DEFAULT)); }),
                                          Press(IDC_CI_DEFAULT)});
        EXPECT_EQ(IDC_CI_DEFAULT, result);
        EXPECT_EQ(c.fileStays, Attributes(ini_) != INVALID_FILE_ATTRIBUTES);
        if (c.fileStays) {
            EXPECT_EQ(c.sectionsLeft, ProfileNames(ini_, nullptr));
            EXPECT_EQ(c.keysLeft, ProfileNames(ini_, kSection));
            EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
        }
        EXPECT_EQ(c.folderStaysSystem, Has(folder_, FILE_ATTRIBUTE_SYSTEM));
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini_.c_str());
    }
}

TEST_F(FolderIconTest, RestoreKeepsAReadOnlyFileReadOnly)
{
    GiveOwnIcon(folder_, "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\nInfoTip=kept\r\n");
    SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {Press(IDC_CI_DEFAULT)}));
    EXPECT_EQ("InfoTip", ProfileNames(ini_, kSection));
    EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_READONLY));
}

TEST_F(FolderIconTest, IconKeysAloneOfferRestore)
{
    WriteFileText(ini_, "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\n");
    EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {Press(IDC_CI_DEFAULT)}));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));
}

TEST_F(FolderIconTest, RestoreOnTheFontsFolderKeepsTheSystemAttribute)
{
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", (folder_ + "\\").c_str());
    GiveOwnIcon(folder_, "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\n");
    EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {Press(IDC_CI_DEFAULT)}));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));
    EXPECT_TRUE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));

    // Writing there leaves the settings file visible.
    ASSERT_EQ(IDOK, Change(folder_, {Choose(FixturePath("icons12.dll"), 3), Press(IDOK)}));
    EXPECT_EQ("3", IniValue(ini_, kSection, "IconIndex"));
    EXPECT_FALSE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(FolderIconTest, ProtectedFolders)
{
    std::string favourites = folder_ + "\\Fav";
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", (folder_ + "\\Fonts/").c_str());
    std::string savedFavourites = GetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites");
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites", favourites.c_str());
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH - 1);
    AddBackslash(windows);
    struct Case {
        std::string folder;
        int isProtected;
    } cases[] = {
        {folder_ + "\\FONTS", 1},
        {favourites, 1},
        {favourites + Ansi(u8"\\チャンネル"), 1},
        {favourites + Ansi(u8"\\ソフトウェアの更新"), 1},
        {std::string(windows) + "OCCACHE", 1},
        {std::string(windows) + "Downloaded Program Files", 1},
        {folder_, 0},
        {favourites + "\\Links", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.isProtected, IsProtectedFolder(c.folder.c_str())) << Utf8(c.folder);
    if (savedFavourites[0] != '<')
        SetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites", savedFavourites.c_str());
}

TEST_F(FolderIconTest, ShiftRestoresWithoutDialogOnlyAnOwnIcon)
{
    EXPECT_EQ(0, Change(folder_, {}, true));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));

    GiveOwnIcon(folder_, "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\n");
    EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {}, true));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));
    EXPECT_FALSE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(FolderIconTest, PathTooLongForItsSettingsFileIsRefused)
{
    // 257 characters still leave room for "\DESKTOP.INI" in the block; 258 do not.
    std::string base = folder_ + "\\";
    std::string fits = base + std::string(257 - base.size(), 'a');
    std::string tooLong = base + std::string(258 - base.size(), 'a');
    ASSERT_EQ(257u, fits.size());
    EXPECT_EQ(0, Change(tooLong, {}));
    EXPECT_EQ(0, Change(tooLong + "\\", {}));
    EXPECT_EQ(IDCANCEL, Change(fits, {Press(IDCANCEL)}));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, Attributes(ini_));
    EXPECT_FALSE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(FolderIconTest, DriveRootGetsThePlainTitle)
{
    EXPECT_EQ(IDCANCEL, Change("C:\\", {OnPicker([](HWND dialog) {
                                            EXPECT_EQ(Ansi(u8"アイコンの変更"), Caption(dialog));
                                        }),
                                        Press(IDCANCEL)}));
}

TEST_F(FolderIconTest, DefaultBrowseLocationIsOfferedAndBrowsedFrom)
{
    std::string library = FixturePath("icons12.dll");
    std::string fixtures = TestBinDir() + "fixtures";
    std::string shownForFolder;
    struct Case {
        std::string location;
        std::string currentDirectory;
        bool offersTheFile;
    } cases[] = {
        {library, fixtures, true},
        {fixtures, fixtures, false},
        {fixtures + "\\noicons.txt", fixtures, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.location);
        App.DefaultBrowseLocation = DupString(c.location.c_str());
        Change(folder_, {OnPicker([&](HWND dialog) {
                             char current[MAX_PATH];
                             GetCurrentDirectoryA(MAX_PATH, current);
                             EXPECT_EQ(0, lstrcmpiA(c.currentDirectory.c_str(), current)) << current;
                             if (c.offersTheFile) {
                                 EXPECT_EQ(library, ItemText(dialog, IDC_CI_FILENAME));
                                 EXPECT_EQ(0, Selection(dialog));
                             } else {
                                 EXPECT_NE(library, ItemText(dialog, IDC_CI_FILENAME));
                             }
                         }),
                         Press(IDCANCEL)});
        FreeAppText(&App.DefaultBrowseLocation);
        SetCurrentDirectoryA(savedDirectory_);
    }
}

TEST_F(FolderIconTest, AnimatedDialogStillAnswers)
{
    Settings.DialogAnimation = 19;
    EXPECT_EQ(IDOK, Change(folder_, {Choose(FixturePath("icons12.dll"), 4), Press(IDOK)}));
    EXPECT_EQ("4", IniValue(ini_, kSection, "IconIndex"));
    EXPECT_EQ(19, Settings.DialogAnimation);
}

}  // namespace

namespace {

// A desktop of our own, as Explorer builds it: "Progman", a view, and the list view of the
// icons, which counts how often its label background is asked for.
int g_backgroundQueries;
WNDPROC g_listProc;

LRESULT CALLBACK CountingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_GETTEXTBKCOLOR)
        ++g_backgroundQueries;
    return CallWindowProcA(g_listProc, window, message, wParam, lParam);
}

TEST_F(FolderIconTest, OpeningAnimationAsksWhetherDesktopLabelsAreTransparent)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND desktop = CreateHelperWindow("Progman", DefWindowProcA);
    HWND view = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, desktop, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD, 0, 0, 10, 10, view, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(desktop, FindWindowA("Progman", nullptr));
    ListView_SetTextBkColor(list, CLR_NONE);
    g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongA(list, GWL_WNDPROC, LONG(CountingListProc)));

    struct Case {
        int animation;
        bool asked;
    } cases[] = {{0, false}, {5, true}};
    for (const Case &c : cases) {
        Settings.DialogAnimation = BYTE(c.animation);
        g_backgroundQueries = 0;
        EXPECT_EQ(IDCANCEL, Change(folder_, {Press(IDCANCEL)}));
        EXPECT_EQ(c.asked, g_backgroundQueries > 0) << "animation " << c.animation;
    }
    DestroyWindow(desktop);
}

}  // namespace
