// Files dropped on a list or its preview, simulated with DROPFILES blocks as Explorer builds them.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/texts.h"
#include "lists/listcommands.h"
#include "picker/changeicon.h"
#include "shellglue/iconlocation.h"
#include "support/boxrecorder.h"
#include "support/testing.h"
#include "themehost.h"

using namespace themehost;

namespace {

void SendDrop(HWND target, const std::vector<std::string> &files, POINT point, BOOL nonClient = FALSE)
{
    SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropFiles(files, point, nonClient)), 0);
}

bool MakeShortcut(const std::string &linkPath, const std::string &target, const char *iconFile, int iconIndex)
{
    CoInitialize(nullptr);
    IShellLinkA *link = nullptr;
    IPersistFile *file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void **>(&link));
    if (SUCCEEDED(hr))
        hr = link->SetPath(target.c_str());
    if (SUCCEEDED(hr) && iconFile != nullptr)
        hr = link->SetIconLocation(iconFile, iconIndex);
    if (SUCCEEDED(hr))
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file));
    if (SUCCEEDED(hr)) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
        hr = file->Save(wide, TRUE);
    }
    if (file != nullptr)
        file->Release();
    if (link != nullptr)
        link->Release();
    CoUninitialize();
    return SUCCEEDED(hr);
}

// What the Change Icon dialog was asked, and the icon it hands back (-1: Cancel).
struct PickerSeen {
    POINT Anchor;
    bool HasAnchor;
    std::string Title;
    int Pick;
};
PickerSeen g_picker;

void AnswerPicker(HWND dialog)
{
    ChangeIconRequest *call = ChangeIconRequestOf(dialog);
    g_picker.Anchor = call->Anchor;
    g_picker.HasAnchor = call->HasAnchor != 0;
    g_picker.Title = call->TitleSuffix != nullptr ? call->TitleSuffix : "";
    if (g_picker.Pick < 0) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, g_picker.Pick, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

class DropFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("drop") + "\\" + Ansi("表示");
        CreateDirectoryA(dir_.c_str(), nullptr);
        // Both names hold a 0x5C trail byte.
        ico_ = dir_ + "\\" + Ansi("ソフト.ico");
        lib_ = dir_ + "\\lib.dll";
        CopyFileA(FixturePath("one.ico").c_str(), ico_.c_str(), FALSE);
        CopyFileA(FixturePath("icons12.dll").c_str(), lib_.c_str(), FALSE);
        sheet_ = new ThemeSheet();
        list_ = sheet_->List(TAB_GENERAL);
        for (const char *key : {"3", "4", "5"})
            AddRow(list_, key, "old.ico,0", "old.ico,0", nullptr, key);
        g_picker = PickerSeen();
    }
    void TearDown() override
    {
        delete sheet_;
        std::string root = dir_.substr(0, dir_.find_last_of('\\'));
        RemoveTree(root);
    }

    POINT RowPoint(int row)
    {
        RECT rect;
        SendMessageA(list_, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return POINT{rect.left + 60, (rect.top + rect.bottom) / 2};
    }
    std::string Location(int row) { return Text(GetEntry(list_, row)->CurrentLocation); }
    int State(int row) { return GetEntry(list_, row)->ChangeState; }
    HWND Preview() { return GetDlgItem(sheet_->Page(TAB_GENERAL), IDC_PREVIEW); }

    std::string dir_, ico_, lib_;
    ThemeSheet *sheet_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(DropFilesTest, OneIconFileChangesTheRowUnderThePoint)
{
    SetFocus(Preview());
    SendDrop(list_, {ico_, lib_, dir_}, RowPoint(1));
    PumpMessages(50);
    EXPECT_EQ(list_, GetFocus());
    EXPECT_EQ(ico_ + ",0", Location(1));
    EXPECT_EQ(STATE_CHANGED, State(1));
    EXPECT_EQ(1, SendMessageA(list_, LB_GETCURSEL, 0, 0));
    EXPECT_EQ("old.ico,0", Location(0));
    EXPECT_EQ("old.ico,0", Location(2));
    EXPECT_TRUE(ListHost::Pending());

    // Below the last row: the last row. Posted, as Explorer does.
    PostMessageA(list_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDropFiles({ico_}, POINT{60, 1000})), 0);
    PumpMessages(100);
    EXPECT_EQ(ico_ + ",0", Location(2));
    EXPECT_EQ(2, SendMessageA(list_, LB_GETCURSEL, 0, 0));

    // The location the registry holds, in other letters: back to unchanged.
    std::string saved = Location(0);
    IconEntry upper = {};
    std::string shouted = ico_ + ",0";
    CharUpperA(&shouted[0]);
    upper.SavedLocation = &shouted[0];
    UpdateEntry(list_, 0, &upper, EF_SAVEDLOCATION);
    SendDrop(list_, {ico_}, RowPoint(0));
    EXPECT_EQ(ico_ + ",0", Location(0));
    EXPECT_EQ(STATE_UNCHANGED, State(0));
}

TEST_F(DropFilesTest, RefusedDropsChangeNothing)
{
    HWND emptyList = sheet_->List(TAB_DESKTOP);
    struct Refused {
        const char *name;
        HWND target;
        std::vector<std::string> files;
        BOOL nonClient;
    } cases[] = {
        {"empty list", emptyList, {ico_}, FALSE},
        {"outside the client area", list_, {ico_}, TRUE},
        {"no file", list_, {}, FALSE},
        {"missing file", list_, {dir_ + "\\none.ico"}, FALSE},
        {"preview without selection", Preview(), {ico_}, FALSE},
    };
    for (const Refused &c : cases) {
        SCOPED_TRACE(c.name);
        SendMessageA(list_, LB_SETCURSEL, WPARAM(-1), 0);
        SendDrop(c.target, c.files, POINT{5, 5}, c.nonClient);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ("old.ico,0", Location(row));
            EXPECT_EQ(STATE_UNCHANGED, State(row));
        }
    }
    EXPECT_FALSE(ListHost::Pending());
}

TEST_F(DropFilesTest, FolderGivesItsOwnIcon)
{
    char expected[LOCATION_BUFFER];
    CopyText(expected, dir_.c_str(), LOCATION_BUFFER);
    ASSERT_EQ(1, ResolveIconLocation(expected, LOCATION_BUFFER, nullptr));
    ApplyShellIconOverride(expected);
    SendDrop(list_, {dir_}, RowPoint(0));
    EXPECT_EQ(std::string(expected), Location(0));
    EXPECT_EQ(STATE_CHANGED, State(0));
}

// A library with several icons asks which one, over the row's icon or where it met the preview.
TEST_F(DropFilesTest, LibraryOpensThePickerAtTheRightPoint)
{
    struct PickCase {
        const char *name;
        bool onPreview;
        int pick;
        std::string expected;
    } cases[] = {
        {"list, OK", false, 4, lib_ + ",4"},
        {"preview, OK", true, 7, lib_ + ",7"},
        {"list, Cancel", false, -1, "old.ico,0"},
    };
    for (const PickCase &c : cases) {
        SCOPED_TRACE(c.name);
        SendMessageA(list_, LB_SETCURSEL, 1, 0);
        g_picker = PickerSeen();
        g_picker.Pick = c.pick;
        SetFocus(sheet_->List(TAB_DESKTOP));
        POINT expectedAnchor;
        {
            DialogDriver driver(AnswerPicker, IDC_CI_GRID);
            if (c.onPreview) {
                SendDrop(Preview(), {lib_}, POINT{5, 6});
                expectedAnchor = POINT{5, 6};
                ClientToScreen(Preview(), &expectedAnchor);
            } else {
                SendDrop(list_, {lib_}, RowPoint(1));
                RECT rect;
                SendMessageA(list_, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rect));
                int height = rect.bottom - rect.top;
                expectedAnchor = POINT{11 + height / 2, rect.top + height / 2};
                ClientToScreen(list_, &expectedAnchor);
            }
            ASSERT_TRUE(driver.Seen());
        }
        EXPECT_TRUE(g_picker.HasAnchor);
        EXPECT_EQ(expectedAnchor.x, g_picker.Anchor.x);
        EXPECT_EQ(expectedAnchor.y, g_picker.Anchor.y);
        EXPECT_EQ("4", g_picker.Title);
        EXPECT_EQ(c.expected, Location(1));
        PumpMessages(50);
        EXPECT_EQ(c.pick >= 0, GetFocus() == list_);
        IconEntry undo = {};
        undo.CurrentLocation = const_cast<char *>("old.ico,0");
        UpdateEntry(list_, 1, &undo, EF_CURRENTLOCATION | EF_CHANGESTATE);
    }
}

// A shortcut shows the icon it names for itself; without one, its target's icons are offered.
TEST_F(DropFilesTest, ShortcutsGiveTheirOwnIconOrTheirTargets)
{
    std::string own = dir_ + "\\own.lnk";
    std::string plain = dir_ + "\\plain.lnk";
    ASSERT_TRUE(MakeShortcut(own, lib_, lib_.c_str(), 5));
    ASSERT_TRUE(MakeShortcut(plain, lib_, nullptr, 0));

    g_picker.Pick = -1;
    {
        // Nobody is asked: the shortcut's own icon is the answer.
        DialogDriver driver(AnswerPicker, IDC_CI_GRID);
        SendDrop(list_, {own}, RowPoint(0));
        EXPECT_FALSE(driver.Seen());
    }
    EXPECT_EQ(lib_ + ",5", Location(0));

    g_picker.Pick = 2;
    {
        DialogDriver driver(AnswerPicker, IDC_CI_GRID);
        SendDrop(list_, {plain}, RowPoint(2));
        EXPECT_TRUE(driver.Seen());
    }
    EXPECT_EQ(lib_ + ",2", Location(2));
}

// A theme file dropped on one list loads into every list and reports both counts.
TEST_F(DropFilesTest, ThemeFileImportsIntoAllListsAndReports)
{
    std::string theme = dir_ + "\\" + Ansi("表.theme");
    WriteFileText(theme, "[CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon]\r\n"
                         "DefaultValue=%folder%lib.dll,3\r\n"
                         "[" SHELL_ICONS_KEY "]\r\n"
                         "4=%folder%lib.dll,6\r\n5=%folder%none.ico\r\n");
    HWND desktop = sheet_->List(TAB_DESKTOP);
    HWND special = sheet_->List(TAB_SPECIAL);
    AddRow(desktop, "computer", "", nullptr, nullptr, "{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    AddRow(special, "other", "", nullptr, nullptr, "{00000000-0000-0000-0000-000000000000}");

    BoxRecorder boxes;
    SendDrop(special, {theme, ico_}, POINT{5, 5});
    EXPECT_EQ(lib_ + ",3", Text(GetEntry(desktop, 0)->CurrentLocation));
    EXPECT_EQ(lib_ + ",6", Location(1));
    EXPECT_EQ(STATE_THEME, State(1));
    EXPECT_EQ("old.ico,0", Location(2));
    EXPECT_STREQ("", GetEntry(special, 0)->CurrentLocation);

    char expected[200];
    wsprintfA(expected, LoadText(IDS_THEMEREAD), 2u, 1u);
    EXPECT_EQ(std::vector<std::string>{expected}, boxes.Texts);
}

// The preview hands its context menu to the list, saying where it came from.
WNDPROC g_listProc;
WPARAM g_menuFrom;
LPARAM g_menuAt;
LRESULT CALLBACK RecordMenuRequest(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU) {
        g_menuFrom = wParam;
        g_menuAt = lParam;
        return 0;
    }
    return CallWindowProcA(g_listProc, list, message, wParam, lParam);
}

TEST_F(DropFilesTest, PreviewContextMenuIsTheLists)
{
    SendMessageA(list_, LB_SETCURSEL, 0, 0);
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordMenuRequest)));
    g_menuFrom = 0;
    SendMessageA(Preview(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Preview()), MAKELPARAM(100, 120));
    PumpMessages(50);
    SetWindowLongPtrA(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    EXPECT_EQ(reinterpret_cast<WPARAM>(Preview()), g_menuFrom);
    EXPECT_EQ(MAKELPARAM(100, 120), g_menuAt);
}

}  // namespace
