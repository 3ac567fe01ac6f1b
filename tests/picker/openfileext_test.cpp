// The extended open-file dialog, driven inside a real Change Icon dialog: the strip follows
// the file selected in the shell view, an accepted icon closes both dialogs with the
// location, and the strip's menu copies one.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

#include "common/iconclipboard.h"
#include "common/options.h"
#include "ids.h"
#include "picker/changeicon.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/dialogsteps.h"

namespace {

BOOL CALLBACK FindExtension(HWND window, LPARAM found)
{
    HWND child = FindWindowExA(window, nullptr, "#32770", nullptr);
    if (IsWindowVisible(window) && child != nullptr && GetDlgItem(child, IDC_OF_SELECT) != nullptr) {
        *reinterpret_cast<HWND *>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND OpenExtension()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindExtension, LPARAM(&found));
    return found;
}

HWND Strip(HWND extension)
{
    return GetDlgItem(extension, IDC_OF_STRIP);
}

// Selects the shell view's item whose name starts with name, as a click would.
Step SelectInView(std::string name)
{
    return [name](HWND extension) {
        if (extension == nullptr)
            return false;
        HWND view = FindWindowExA(GetParent(extension), nullptr, "SHELLDLL_DefView", nullptr);
        HWND list = view != nullptr ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
        int count = list != nullptr ? int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            char text[MAX_PATH] = "";
            LVITEMA item = {};
            item.iSubItem = 0;
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            SendMessageA(list, LVM_GETITEMTEXTA, i, LPARAM(&item));
            if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, int(name.size()), name.c_str(),
                               int(name.size())) != CSTR_EQUAL)
                continue;
            LVITEMA state = {};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = 0;
            SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&state));
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, i, LPARAM(&state));
            return true;
        }
        return false;   // the view is still being filled
    };
}

// Checks the extension once it is up.
Step CheckOpen(std::function<void(HWND)> check)
{
    return [check](HWND extension) {
        if (extension == nullptr)
            return false;
        check(extension);
        return true;
    };
}

Step ClickCell(int index)
{
    return [index](HWND extension) {
        if (extension == nullptr)
            return false;
        RECT cell;
        SendMessageA(Strip(extension), LB_GETITEMRECT, index, LPARAM(&cell));
        LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        SendMessageA(Strip(extension), WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(Strip(extension), WM_LBUTTONUP, 0, point);
        return true;
    };
}

HWND FileNameEdit(HWND extension)
{
    HWND open = GetParent(extension);
    HWND edit = GetDlgItem(open, edt1);
    return edit != nullptr ? edit : FindWindowExA(GetDlgItem(open, cmb13), nullptr, "Edit", nullptr);
}

// Types a name into the open-file dialog and presses Open: a folder is opened.
Step TypeAndOpen(std::string name)
{
    return CheckOpen([name](HWND extension) {
        SetWindowTextA(FileNameEdit(extension), name.c_str());
        PostMessageA(GetParent(extension), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     LPARAM(GetDlgItem(GetParent(extension), IDOK)));
    });
}

void ExpectEmptyStrip(HWND extension)
{
    EXPECT_EQ("", WindowText(GetDlgItem(extension, IDC_OF_COUNT)));
    EXPECT_EQ(0, SendMessageA(Strip(extension), LB_GETCOUNT, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(extension, IDC_OF_SELECT)));
}

std::vector<std::string> *g_offers;

LRESULT CALLBACK RunningSheet(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_TAKECOPIEDICON && g_offers != nullptr)
        g_offers->push_back(WindowText(reinterpret_cast<HWND>(lParam)));
    return DefWindowProcA(window, message, wParam, lParam);
}

class OpenFileExtension : public testing::Test {
protected:
    void SetUp() override
    {
        Settings.DialogAnimation = 0;
        Settings.HookComDlg = 1;
        dir_ = app_.Dir();
        library_ = dir_ + "\\icons100.dll";
        CopyFileA(FixturePath("icons100.dll").c_str(), library_.c_str(), FALSE);
        CopyFileA(FixturePath("verfixture.dll").c_str(), (dir_ + "\\plain.dll").c_str(), FALSE);
        CreateDirectoryA((dir_ + "\\sub").c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, savedDir_);
        // Browse starts in the current directory.
        SetCurrentDirectoryA(dir_.c_str());
    }
    void TearDown() override { SetCurrentDirectoryA(savedDir_); }

    // Runs the Change Icon dialog on icons12.dll through the steps; returns its result.
    INT_PTR Run(std::vector<Step> steps, char *buffer)
    {
        ChangeIconRequest call;
        CopyText(buffer, FixturePath("icons12.dll").c_str(), LOCATION_BUFFER);
        SetUpChangeIconCall(&call, buffer, nullptr, nullptr);
        // Every step gets the extension, null while no open-file dialog is up.
        size_t count = steps.size();
        for (Step &step : steps)
            step = [step](HWND) { return step(OpenExtension()); };
        DialogScript script(std::move(steps), FindChangeIconDialog);
        INT_PTR result = RunChangeIconDialog(nullptr, &call);
        EXPECT_FALSE(script.TimedOut()) << "stuck at step " << script.NextStep();
        EXPECT_EQ(count, script.NextStep());
        EXPECT_EQ(nullptr, OpenExtension());
        index_ = call.CurrentIndex;
        return result;
    }

    static Step Browse()
    {
        return [](HWND) {
            PostMessageA(FindChangeIconDialog(), WM_COMMAND, MAKEWPARAM(IDC_CI_BROWSE, BN_CLICKED), 0);
            return true;
        };
    }

    AppSetup app_{"ofext"};
    std::string dir_;
    std::string library_;
    char savedDir_[MAX_PATH];
    int index_ = -1;
};

TEST_F(OpenFileExtension, StripFollowsTheSelectionAndTheFifthIconIsAccepted)
{
    char buffer[LOCATION_BUFFER];
    INT_PTR result = Run(
        {Browse(), SelectInView("icons100"), CheckOpen([](HWND extension) {
             HWND strip = Strip(extension);
             EXPECT_EQ("100", WindowText(GetDlgItem(extension, IDC_OF_COUNT)));
             ASSERT_EQ(100, SendMessageA(strip, LB_GETCOUNT, 0, 0));
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(extension, IDC_OF_SELECT)));
             RECT client, first, last;
             GetClientRect(strip, &client);
             SendMessageA(strip, LB_GETITEMRECT, 0, LPARAM(&first));
             SendMessageA(strip, LB_GETITEMRECT, 99, LPARAM(&last));
             EXPECT_EQ(38, client.bottom);
             EXPECT_EQ(40, first.right - first.left);
             EXPECT_EQ(38, first.bottom - first.top);
             // One row, running on past the strip's right edge.
             EXPECT_EQ(first.top, last.top);
             EXPECT_EQ(99 * 40, last.left - first.left);
             EXPECT_GT(last.left, client.right);
         }),
         TypeAndOpen("sub"), CheckOpen(ExpectEmptyStrip), TypeAndOpen(dir_), SelectInView("icons100"),
         CheckOpen([](HWND extension) { EXPECT_EQ(100, SendMessageA(Strip(extension), LB_GETCOUNT, 0, 0)); }),
         // A typed name that does not exist empties the strip at the next notification.
         CheckOpen([](HWND extension) {
             SetWindowTextA(FileNameEdit(extension), "missing.dll");
             NMHDR header = {GetParent(extension), 0, UINT(CDN_SELCHANGE)};
             SendMessageA(extension, WM_NOTIFY, 0, LPARAM(&header));
         }),
         CheckOpen(ExpectEmptyStrip), SelectInView("icons100"), ClickCell(4),
         // A file without icons leaves nothing to accept.
         CheckOpen([](HWND extension) { EXPECT_TRUE(IsWindowEnabled(GetDlgItem(extension, IDC_OF_SELECT))); }),
         SelectInView("plain"), CheckOpen([](HWND extension) {
             EXPECT_EQ("0", WindowText(GetDlgItem(extension, IDC_OF_COUNT)));
             EXPECT_EQ(0, SendMessageA(Strip(extension), LB_GETCOUNT, 0, 0));
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(extension, IDC_OF_SELECT)));
         }),
         SelectInView("icons100"), ClickCell(4), CheckOpen([](HWND extension) {
             EXPECT_EQ(4, SendMessageA(Strip(extension), LB_GETCURSEL, 0, 0));
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(extension, IDC_OF_SELECT)));
             PostMessageA(extension, WM_COMMAND, MAKEWPARAM(IDC_OF_SELECT, BN_CLICKED), 0);
         })},
        buffer);
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(0, lstrcmpiA((library_ + ",4").c_str(), buffer)) << buffer;
    EXPECT_EQ(4, index_);
}

TEST_F(OpenFileExtension, StripMenuCopiesTheIconAndOffersItToTheRunningSheet)
{
    std::vector<std::string> offers;
    g_offers = &offers;
    HWND sheet = CreateHelperWindow(INSTANCE_CLASS, RunningSheet, "Tilefox");
    char buffer[LOCATION_BUFFER];
    INT_PTR result = Run({Browse(), SelectInView("icons100"), ClickCell(2),
                          CheckOpen([](HWND extension) {
                              RECT cell;
                              SendMessageA(Strip(extension), LB_GETITEMRECT, 2, LPARAM(&cell));
                              POINT point = {cell.left + 5, cell.top + 5};
                              ClientToScreen(Strip(extension), &point);
                              PostMessageA(Strip(extension), WM_CONTEXTMENU, WPARAM(Strip(extension)),
                                           MAKELPARAM(point.x, point.y));
                          }),
                          // Inside the menu: the first entry is Copy.
                          CheckOpen([](HWND extension) {
                              PostMessageA(Strip(extension), WM_KEYDOWN, VK_DOWN, 0);
                              PostMessageA(Strip(extension), WM_KEYDOWN, VK_RETURN, 0);
                          }),
                          [](HWND extension) {
                              if (extension == nullptr || CopiedIcon() == nullptr)
                                  return false;
                              PumpMessages(50);
                              // The dialogs stay open; leave both.
                              PostMessageA(GetParent(extension), WM_COMMAND, IDCANCEL, 0);
                              return true;
                          },
                          [](HWND extension) {
                              PostMessageA(FindChangeIconDialog(), WM_COMMAND, IDCANCEL, 0);
                              return true;
                          }},
                         buffer);
    DestroyWindow(sheet);
    UnregisterClassA(INSTANCE_CLASS, GetModuleHandleA(nullptr));
    g_offers = nullptr;
    EXPECT_EQ(IDCANCEL, result);
    ASSERT_NE(nullptr, CopiedIcon());
    EXPECT_EQ(0, lstrcmpiA((library_ + ",2").c_str(), CopiedIcon())) << CopiedIcon();
    ASSERT_EQ(1u, offers.size());
    EXPECT_EQ(0, lstrcmpiA((library_ + ",2").c_str(), offers[0].c_str())) << offers[0];
}

}  // namespace
