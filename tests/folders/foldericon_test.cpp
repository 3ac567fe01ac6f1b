#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "restore/restorepoint.h"
#include "support/boxrecorder.h"
#include "support/appsetup.h"
#include "support/dialogdriver.h"
#include "support/dialogscript.h"
#include "folders/foldericon.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "shellglue/system.h"
#include "support/testing.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kSection[] = ".ShellClassInfo";
const std::string kIconKeys = "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\n";

bool Has(const std::string &path, DWORD attribute)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string IniValue(const std::string &ini, const char *key)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(kSection, key, "<none>", value, MAX_PATH, ini.c_str());
    return value;
}

// The key names of a section, or the section names (no section), joined with blanks.
std::string ProfileNames(const std::string &ini, const char *section)
{
    char names[2048] = "";
    DWORD length = GetPrivateProfileStringA(section, nullptr, "", names, sizeof names, ini.c_str());
    std::string joined;
    for (const char *name = names; name < names + length && *name != '\0'; name += lstrlenA(name) + 1)
        joined += (joined.empty() ? "" : " ") + std::string(name);
    return joined;
}

// Another section of count keys, each line 27 bytes.
std::string LargeSection(int count)
{
    std::string text = "[Other]\r\n";
    for (int i = 0; i < count; ++i)
        text += "Key" + std::to_string(100000 + i) + "=value-value-val\r\n";
    return text;
}

int Selection(HWND dialog)
{
    return int(SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_GETCURSEL, 0, 0));
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

// The folders the shell was told to draw anew; Explorer keeps an old icon until then. Later
// Explorers are told of the item and of its parent's view.
std::vector<std::string> g_notified;
std::vector<std::string> g_updated;

void WINAPI RecordNotify(LONG event, UINT flags, LPCVOID item, LPCVOID)
{
    std::string path = (flags & SHCNF_TYPE) == SHCNF_PATHA && item != nullptr ? static_cast<const char *>(item) : "";
    if (event == SHCNE_ASSOCCHANGED && !path.empty())
        g_notified.push_back(path);
    else if ((event == SHCNE_UPDATEITEM || event == SHCNE_UPDATEDIR) && !path.empty())
        g_updated.push_back((event == SHCNE_UPDATEITEM ? "item " : "dir ") + path);
}

// Wine keeps no read-only bit on a folder; Windows does, and its later Explorers read it.
std::string g_readOnlyFolder;
DWORD g_readOnly;
ImportHook *g_getHook, *g_setHook;

DWORD WINAPI GetKeepingReadOnly(LPCSTR path)
{
    DWORD attributes = g_getHook->Original<decltype(&GetFileAttributesA)>()(path);
    return attributes != INVALID_FILE_ATTRIBUTES && g_readOnlyFolder == path ? attributes | g_readOnly : attributes;
}

BOOL WINAPI SetKeepingReadOnly(LPCSTR path, DWORD attributes)
{
    if (g_readOnlyFolder == path)
        g_readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    return g_setHook->Original<decltype(&SetFileAttributesA)>()(path, attributes);
}

class FolderIconTest : public testing::Test {
protected:
    void SetUp() override
    {
        Settings.DialogAnimation = 0;
        GetCurrentDirectoryA(MAX_PATH, savedDirectory_);
        savedFonts_ = GetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts");
        folder_ = MakeTempDir("folder");
        ini_ = folder_ + "\\DESKTOP.INI";
    }
    void TearDown() override
    {
        LearnSystem();
        SetCurrentDirectoryA(savedDirectory_);
        if (savedFonts_[0] != '<')
            SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", savedFonts_.c_str());
        SetFileAttributesA(folder_.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveTree(folder_);
    }

    // The folder verb on folder; without anchor as when Shift was held.
    INT_PTR Change(const std::string &folder, std::vector<Step> steps, bool anchored = true)
    {
        CopyToClipboard(folder.c_str());
        POINT anchor = {200, 200};
        INT_PTR result = -1;
        ScriptOutcome outcome = RunScripted(IDC_CI_GRID, std::move(steps),
                                            [&] { result = ChangeFolderIcon(anchored ? &anchor : nullptr); });
        EXPECT_FALSE(outcome.timedOut) << "stuck at step " << outcome.stepsDone;
        EXPECT_FALSE(outcome.strayDialog);
        EXPECT_EQ(nullptr, CopiedIcon());
        return result;
    }

    // As the shell leaves a folder with an icon of its own.
    void Seed(const std::string &iniText, DWORD iniAttributes = FILE_ATTRIBUTE_HIDDEN, bool system = true)
    {
        WriteFileText(ini_, iniText);
        SetFileAttributesA(ini_.c_str(), iniAttributes);
        SetFileAttributesA(folder_.c_str(), system ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_NORMAL);
    }

    AppSetup app_{"foldericon"};
    char savedDirectory_[MAX_PATH];
    std::string savedFonts_;
    std::string folder_;
    std::string ini_;
};

// Run again in each test system's prefix.
class LaterWindowsFolderIcon : public FolderIconTest {};

TEST_F(FolderIconTest, OkWritesTheIconHidesTheFileAndMarksTheFolder)
{
    std::string library = FixturePath("icons12.dll");
    std::string name = folder_.substr(folder_.find_last_of('\\') + 1);
    char shell32[MAX_PATH];
    SearchFile("shell32.dll", shell32);
    struct Case {
        const char *label;
        std::string iniText;    // empty: no file yet
        DWORD iniAttributes;
        std::string typed;
        int index;
        std::string iconFile;
        const char *keys;
        const char *sections = ".ShellClassInfo";
    } cases[] = {
        {"no file yet", "", 0, library, 5, library, "IconIndex IconFile"},
        {"a bare name found on the search path", "", 0, "shell32.dll", 1, shell32, "IconIndex IconFile"},
        {"a read-only file stays read-only", "[.ShellClassInfo]\r\nInfoTip=kept\r\n", FILE_ATTRIBUTE_READONLY,
         library, 2, library, "InfoTip IconIndex IconFile"},
        // Too large for a restore point: the user goes on without one.
        {"a file of 1 MB", LargeSection(40000) + "[.ShellClassInfo]\r\nInfoTip=kept\r\n", FILE_ATTRIBUTE_HIDDEN,
         library, 4, library, "InfoTip IconIndex IconFile", "Other .ShellClassInfo"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        if (!c.iniText.empty())
            Seed(c.iniText, c.iniAttributes, false);
        BoxRecorder boxes(IDYES);
        INT_PTR result = Change(folder_, {OnPicker([&](HWND dialog) {
                                              EXPECT_EQ(Ansi(u8"アイコンの変更 - ") + name, Caption(dialog));
                                              EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_CI_DEFAULT)));
                                          }),
                                          Choose(c.typed, c.index), Press(IDOK)});
        EXPECT_EQ(IDOK, result);
        EXPECT_TRUE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
        EXPECT_TRUE(Has(ini_, FILE_ATTRIBUTE_HIDDEN));
        EXPECT_EQ(c.iniAttributes != 0, Has(ini_, c.iniAttributes));
        EXPECT_EQ(c.sections, ProfileNames(ini_, nullptr));
        // What precedes the icon's section is kept byte for byte.
        EXPECT_EQ(0u, ReadFileText(ini_).find(c.iniText.substr(0, c.iniText.find("[.Shell"))));
        EXPECT_EQ(c.keys, ProfileNames(ini_, kSection));
        EXPECT_EQ(std::to_string(c.index), IniValue(ini_, "IconIndex"));
        EXPECT_EQ(c.iconFile, IniValue(ini_, "IconFile"));
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini_.c_str());
        SetFileAttributesA(folder_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FolderIconTest, OkWithTheOfferedIconStillWrites)
{
    // The user's own closed-folder picture (3 on Windows 98; Wine reports resource -4) makes
    // the offered icon one the grid can select.
    std::string library = FixturePath("icons12.dll");
    std::string location = library + ",7";
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", location.c_str());
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "-4", location.c_str());
    std::string offered;
    INT_PTR result = Change(folder_, {OnPicker([&](HWND dialog) {
                                          offered = ItemText(dialog, IDC_CI_FILENAME) + "," +
                                                    std::to_string(Selection(dialog));
                                      }),
                                      Press(IDOK)});
    DeleteRegTree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ(location, offered);
    EXPECT_TRUE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(location, IniValue(ini_, "IconFile") + "," + IniValue(ini_, "IconIndex"));
}

TEST_F(FolderIconTest, RestoreRemovesTheIconKeysAndWhatTheyLeaveEmpty)
{
    struct Case {
        const char *label;
        std::string iniText;
        DWORD iniAttributes;
        bool fontsFolder;
        const char *sectionsLeft;   // null: the file is gone
        const char *keysLeft;
        bool folderStaysSystem;     // what the file still holds needs a system folder
    } cases[] = {
        {"icon keys only", kIconKeys, FILE_ATTRIBUTE_HIDDEN, false, nullptr, "", false},
        {"icon keys of an ordinary folder", kIconKeys, 0, false, nullptr, "", false},
        {"a class id beside them", kIconKeys + "CLSID={21EC2020-3AEA-1069-A2DD-08002B30309D}\r\n",
         FILE_ATTRIBUTE_HIDDEN, false, ".ShellClassInfo", "CLSID", true},
        {"another section", kIconKeys + "[ExtShellFolderViews]\r\nDefault=x\r\n", FILE_ATTRIBUTE_HIDDEN, false,
         "ExtShellFolderViews", "", true},
        {"no icon section at all", "[ExtShellFolderViews]\r\nDefault=x\r\n", FILE_ATTRIBUTE_HIDDEN, false,
         "ExtShellFolderViews", "", true},
        {"read-only", kIconKeys + "InfoTip=kept\r\n", FILE_ATTRIBUTE_READONLY, false, ".ShellClassInfo", "InfoTip",
         true},
        {"the Fonts folder", kIconKeys, FILE_ATTRIBUTE_HIDDEN, true, nullptr, "", true},
    };
    ImportHook notify("shell32.dll", "SHChangeNotify", reinterpret_cast<const void *>(&RecordNotify));
    ASSERT_TRUE(notify.Hooked());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        g_notified.clear();
        if (c.fontsFolder)
            SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", (folder_ + "\\").c_str());
        Seed(c.iniText, c.iniAttributes, c.iniAttributes != 0);
        INT_PTR result = Change(folder_, {OnPicker([](HWND dialog) {
                                              EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CI_DEFAULT)));
                                          }),
                                          Press(IDC_CI_DEFAULT)});
        EXPECT_EQ(IDC_CI_DEFAULT, result);
        EXPECT_EQ(c.sectionsLeft != nullptr, Exists(ini_));
        if (c.sectionsLeft != nullptr) {
            EXPECT_EQ(c.sectionsLeft, ProfileNames(ini_, nullptr));
            EXPECT_EQ(c.keysLeft, ProfileNames(ini_, kSection));
            EXPECT_TRUE(Has(ini_, c.iniAttributes));
        }
        EXPECT_EQ(c.folderStaysSystem, Has(folder_, FILE_ATTRIBUTE_SYSTEM));
        EXPECT_EQ(std::vector<std::string>{folder_}, g_notified);
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini_.c_str());
        if (c.fontsFolder && savedFonts_[0] != '<')
            SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", savedFonts_.c_str());
    }
}

// 2000 and later also get IconResource, a read-only folder (system under the policy) and a
// hidden system DESKTOP.INI, each in the file's own encoding; restore and take-back leave the
// rest of the file. The last row is the system the program finds in a test system's prefix.
TEST_F(LaterWindowsFolderIcon, EachSystemWritesTheIconInTheFilesOwnEncoding)
{
    const char explorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    const char *system = getenv("TILEFOX_TEST_SYSTEM");
    const DWORD marks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
    const DWORD iniMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const std::string library = FixturePath("icons12.dll"), seed = "[.ShellClassInfo]\r\nInfoTip=kept\r\n";
    const std::vector<std::string> told = {"item " + folder_, "dir " + folder_.substr(0, folder_.rfind('\\'))}, none;
    struct Case {
        SystemLine line;                // LINE_COUNT: as learned
        bool utf16, policy, takeBack;   // seeded with another key; UseSystemForSystemFolders; else Default
    } cases[] = {
        {LINE_9X, false, false, false},
        {LINE_NT5, false, false, false},
        {LINE_NT6, false, true, false},
        {LINE_NT62, false, false, true},
        {LINE_9X, true, false, false},
        {LINE_NT5, true, false, true},
        {LINE_NT6, true, false, false},
        {LINE_COUNT, false, false, false},
    };
    ImportHook notify("shell32.dll", "SHChangeNotify", reinterpret_cast<const void *>(&RecordNotify));
    ImportHook get("kernel32.dll", "GetFileAttributesA", reinterpret_cast<const void *>(&GetKeepingReadOnly));
    ImportHook set("kernel32.dll", "SetFileAttributesA", reinterpret_cast<const void *>(&SetKeepingReadOnly));
    g_getHook = &get;
    g_setHook = &set;
    g_readOnlyFolder = folder_;
    bool later = system != nullptr && lstrcmpiA(system, "win98") != 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(&c - cases);
        bool learned = c.line == LINE_COUNT, nt = learned ? later : c.line != LINE_9X;
        if (learned ? system == nullptr : later)
            continue;   // each pretended system once, in the Windows 98 prefix
        DWORD folderMark = nt && !c.policy ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_SYSTEM;
        if (c.utf16)
            Seed(Utf16(seed), FILE_ATTRIBUTE_HIDDEN, false);
        if (c.policy)
            SetRegString(HKEY_LOCAL_MACHINE, explorer, "UseSystemForSystemFolders", "");
        if (learned)
            LearnSystem();
        else
            PretendSystem(c.line, false);
        g_updated.clear();
        BoxRecorder boxes(IDYES);
        ASSERT_EQ(IDOK, Change(folder_, {Choose(library, 3), Press(IDOK)}));
        DeleteRegValue(HKEY_LOCAL_MACHINE, explorer, "UseSystemForSystemFolders");
        EXPECT_NE(std::string::npos, ReadFileText(ini_).find(c.utf16 ? Utf16("IconIndex=3", "") : "IconIndex=3"));
        EXPECT_EQ(c.utf16, ReadFileText(ini_).compare(0, 2, "\xFF\xFE") == 0);
        EXPECT_EQ(std::string(c.utf16 ? "InfoTip " : "") + "IconIndex IconFile" + (nt ? " IconResource" : ""),
                  ProfileNames(ini_, kSection));
        EXPECT_EQ(library + ",3", IniValue(ini_, "IconFile") + "," + IniValue(ini_, "IconIndex"));
        EXPECT_EQ(nt ? library + ",3" : "<none>", IniValue(ini_, "IconResource"));
        EXPECT_EQ(folderMark, GetFileAttributesA(folder_.c_str()) & marks);
        EXPECT_EQ(iniMarks & ~(nt ? 0 : FILE_ATTRIBUTE_SYSTEM), GetFileAttributesA(ini_.c_str()) & iniMarks);
        EXPECT_EQ(nt ? told : none, g_updated);

        g_updated.clear();
        if (c.takeBack)
            EXPECT_EQ(TAKEBACK_DONE, TakeBackRestorePoint(nullptr, nullptr));
        else
            EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {Press(IDC_CI_DEFAULT)}));
        EXPECT_EQ(nt && !c.takeBack ? told : none, g_updated);
        EXPECT_EQ(c.utf16 ? Utf16(seed) : "absent", Exists(ini_) ? ReadFileText(ini_) : "absent");
        EXPECT_EQ(c.utf16 && !c.takeBack ? folderMark : 0u, GetFileAttributesA(folder_.c_str()) & marks);
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini_.c_str());
        SetFileAttributesA(folder_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FolderIconTest, ShiftRestoresWithoutDialogOnlyAnOwnIcon)
{
    EXPECT_EQ(0, Change(folder_, {}, false));
    EXPECT_FALSE(Exists(ini_));
    Seed(kIconKeys);
    EXPECT_EQ(IDC_CI_DEFAULT, Change(folder_, {}, false));
    EXPECT_FALSE(Exists(ini_));
    EXPECT_FALSE(Has(folder_, FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(FolderIconTest, ProtectedFolders)
{
    std::string favourites = folder_ + "\\Fav";
    std::string savedFavourites = GetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites");
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Fonts", (folder_ + "\\Fonts/").c_str());
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites", favourites.c_str());
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH - 1);
    AddBackslash(windows);
    struct Case {
        std::string folder;
        int isProtected;
    } cases[] = {
        {folder_ + "\\FONTS", 1},
        {favourites + Ansi(u8"\\チャンネル"), 1},
        {favourites + Ansi(u8"\\ソフトウェアの更新"), 1},
        {std::string(windows) + "Downloaded Program Files", 1},
        {folder_, 0},
        {favourites + "\\Links", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.isProtected, IsProtectedFolder(c.folder.c_str())) << Utf8(c.folder);
    if (savedFavourites[0] != '<')
        SetRegString(HKEY_CURRENT_USER, kShellFolders, "Favorites", savedFavourites.c_str());
}

TEST_F(FolderIconTest, PathTooLongForItsSettingsFileIsRefused)
{
    // 247 characters leave room for "\DESKTOP.INI" in a path of MAX_PATH; 248 do not.
    std::string base = folder_ + "\\";
    std::string fits = base + std::string(247 - base.size(), 'a');
    EXPECT_EQ(IDCANCEL, Change(fits, {Press(IDCANCEL)}));
    // A drive root has no name to show.
    EXPECT_EQ(IDCANCEL, Change("C:\\", {OnPicker([](HWND dialog) {
                                            EXPECT_EQ(Ansi(u8"アイコンの変更"), Caption(dialog));
                                        }),
                                        Press(IDCANCEL)}));
}

// The folder verb where DESKTOP.INI cannot be written: one message naming the folder, and
// neither the folder nor the file changed.
TEST_F(FolderIconTest, AnUnwritableSettingsFileIsToldAndChangesNothing)
{
    std::string library = FixturePath("icons12.dll");
    std::string tooLong = folder_ + "\\" + std::string(247 - folder_.size(), 'a');
    CreateDirectoryA(tooLong.c_str(), nullptr);
    const struct {
        const char *label;
        std::string folder;
        bool lock;
        bool restore;       // Shift held on a folder with an icon
        bool system;        // the folder before and after
    } cases[] = {
        {"path too long for DESKTOP.INI", tooLong, false, false, false},
        {"locked file, OK", folder_, true, false, false},
        {"locked file, restore", folder_, true, true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        std::string ini = c.folder + "\\DESKTOP.INI";
        const std::string before = c.restore ? kIconKeys : "[.ShellClassInfo]\r\nInfoTip=mine\r\n";
        if (c.folder == folder_)
            Seed(before, FILE_ATTRIBUTE_HIDDEN, c.system);
        HANDLE lock = c.lock ? CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        std::vector<std::string> boxes;
        {
            DialogScript script({[&](HWND dialog) {
                                    if (GetDlgItem(dialog, IDC_CI_GRID) != nullptr) {
                                        SetDlgItemTextA(dialog, IDC_CI_FILENAME, library.c_str());
                                        SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, 1, 0);
                                        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                                        return false;
                                    }
                                    boxes.push_back(BoxText(dialog));
                                    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                                    return false;
                                }},
                                [] {
                                    HWND picker = FindThreadDialog(IDC_CI_GRID);
                                    return picker != nullptr ? picker : FindThreadDialog(0xFFFF);
                                });
            CopyToClipboard(c.folder.c_str());
            POINT anchor = {200, 200};
            ChangeFolderIcon(c.restore ? nullptr : &anchor);
            PumpMessages(50);
        }
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_NE(std::string::npos, boxes[0].find(c.folder)) << Utf8(boxes[0]);
        EXPECT_EQ(c.system, Has(c.folder, FILE_ATTRIBUTE_SYSTEM));
        if (c.folder == folder_)
            EXPECT_EQ(before, ReadFileText(ini));
        else
            EXPECT_FALSE(Exists(ini));
    }
}

TEST_F(FolderIconTest, DefaultBrowseLocationIsOfferedAndBrowsedFrom)
{
    std::string library = FixturePath("icons12.dll");
    std::string fixtures = TestBinDir() + "fixtures";
    for (std::string location : {library, fixtures, fixtures + "\\noicons.txt"}) {
        SCOPED_TRACE(location);
        App.DefaultBrowseLocation = DupString(location.c_str());
        Change(folder_, {OnPicker([&](HWND dialog) {
                             char current[MAX_PATH];
                             GetCurrentDirectoryA(MAX_PATH, current);
                             EXPECT_EQ(0, lstrcmpiA(fixtures.c_str(), current)) << current;
                             EXPECT_EQ(location == library, ItemText(dialog, IDC_CI_FILENAME) == library);
                         }),
                         Press(IDCANCEL)});
        FreeAppText(&App.DefaultBrowseLocation);
    }
}

// A desktop of our own, as Explorer builds it: "Progman", a view, and the icons' list view,
// which counts how often its label background is asked for.
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
    ASSERT_EQ(desktop, FindWindowA("Progman", nullptr));
    ListView_SetTextBkColor(list, CLR_NONE);
    g_listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, LONG_PTR(CountingListProc)));
    for (int animation : {0, 5}) {
        Settings.DialogAnimation = BYTE(animation);
        g_backgroundQueries = 0;
        EXPECT_EQ(IDCANCEL, Change(folder_, {Press(IDCANCEL)}));
        EXPECT_EQ(animation != 0, g_backgroundQueries > 0) << "animation " << animation;
    }
    EXPECT_EQ(5, Settings.DialogAnimation) << "the faster animation is not kept";
    DestroyWindow(desktop);
}

// The folder's attributes and its DESKTOP.INI, byte for byte, are as before the change once it
// is taken back, also after another program's run.
TEST_F(FolderIconTest, AChangeOrARestoreIsTakenBack)
{
    std::string library = FixturePath("icons12.dll");
    struct Case {
        const char *label;
        std::string iniText;    // empty: no file
        DWORD iniAttributes;
        bool system;
        bool restore;
    } cases[] = {
        {"an icon for a plain folder", "", 0, false, false},
        {"another icon for a read-only settings file", kIconKeys + "InfoTip=kept\r\n",
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, true, false},
        {"the standard icon again", kIconKeys, FILE_ATTRIBUTE_HIDDEN, true, true},
        {"a settings file of 70 KB", kIconKeys + LargeSection(2500), FILE_ATTRIBUTE_HIDDEN, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        if (!c.iniText.empty())
            Seed(c.iniText, c.iniAttributes, c.system);
        DWORD folderBefore = GetFileAttributesA(folder_.c_str());
        std::string iniBefore = Exists(ini_) ? ReadFileText(ini_) : "absent";
        DWORD iniAttributesBefore = GetFileAttributesA(ini_.c_str());
        if (c.restore)
            Change(folder_, {Press(IDC_CI_DEFAULT)});
        else
            Change(folder_, {Choose(library, 3), Press(IDOK)});
        ASSERT_NE(iniBefore, Exists(ini_) ? ReadFileText(ini_) : "absent");

        BoxRecorder boxes;
        EXPECT_EQ(TAKEBACK_DONE, TakeBackRestorePoint(nullptr, nullptr));
        EXPECT_EQ(folderBefore, GetFileAttributesA(folder_.c_str()));
        EXPECT_EQ(iniBefore, Exists(ini_) ? ReadFileText(ini_) : "absent");
        EXPECT_EQ(iniAttributesBefore, GetFileAttributesA(ini_.c_str()));
        SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(ini_.c_str());
        SetFileAttributesA(folder_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace
