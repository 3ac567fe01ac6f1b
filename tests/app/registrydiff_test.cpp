// Apply writes exactly the changes made on the tabs and nothing else; Cancel and the close box
// write none of them; OK after Apply writes nothing more. The whole real sheet runs, with the
// shell never told (AutoRefresh off, RefreshLevel 0), and every key is put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/settings.h"
#include "app/sheetstate.h"
#include "common/appstate.h"
#include "common/texts.h"
#include "drives/autorun.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/sheetchanges.h"
#include "support/testing.h"

namespace {

const char kMetrics[] = "Control Panel\\desktop\\windowmetrics";

class RegistryDiffTest : public WholeSheetTest {
protected:
    RegistryDiffTest() : WholeSheetTest("regdiff", SheetKeys(), {"HKCU\\Software\\Wine"}) {}

    void TearDown() override
    {
        WholeSheetTest::TearDown();
        EXPECT_EQ("", JoinLines(snapshot_.ChangesSince())) << "the registry is not as it was";
    }

    std::string DriveIcon()
    {
        char location[LOCATION_BUFFER] = "";
        if (haveDrive_)
            ReadDriveIconLocation('X', location);
        return location;
    }

    // Every tab changed by ChangeEveryTab(1): a location of its own pasted onto one row of every
    // list, the icon size and the arrow, X:'s icon (a file, not the registry). The lines Apply
    // must give.
    std::vector<std::string> ChangeEveryTab()
    {
        std::vector<std::string> expected = {
            RegistrySnapshot::Line('-', HKEY_LOCAL_MACHINE, "Software\\Classes\\lnkfile", "IsShortcut", ""),
            RegistrySnapshot::Line('-', HKEY_LOCAL_MACHINE, "Software\\Classes\\piffile", "IsShortcut", ""),
            RegistrySnapshot::Line('~', HKEY_CURRENT_USER, kMetrics, "Shell Icon Size", "41"),
        };
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            int row = FirstOrdinaryRow(ListOfTab(tab));
            if (row < 0)
                continue;
            std::string key = GetEntry(ListOfTab(tab), row)->RegistryKey;
            bool isClass = key[0] == '{';
            std::string path = isClass ? "Software\\Classes\\CLSID\\" + key + "\\DefaultIcon" : SHELL_ICONS_KEY;
            std::string name = isClass ? "" : key;
            std::string keyLine = RegistrySnapshot::KeyLine('+', HKEY_LOCAL_MACHINE, path);
            if (!RegKeyExists(HKEY_LOCAL_MACHINE, path.c_str()) &&
                std::find(expected.begin(), expected.end(), keyLine) == expected.end())
                expected.push_back(keyLine);
            char mark = RegValueExists(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str()) ? '~' : '+';
            expected.push_back(RegistrySnapshot::Line(mark, HKEY_LOCAL_MACHINE, path, name, Location(tab)));
        }
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Sheet.TabDialogs[TAB_SETTINGS1], IDC_IS_NOARROW));
        ::ChangeEveryTab(1);
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            HWND list = ListOfTab(tab);
            int row = FirstOrdinaryRow(list);
            if (row < 0)
                continue;
            EXPECT_EQ(Location(tab), GetEntry(list, row)->CurrentLocation) << "tab " << tab;
            EXPECT_NE(STATE_UNCHANGED, GetEntry(list, row)->ChangeState) << "tab " << tab;
        }
        driveLocation_ = haveDrive_ ? FixturePath("icons12.dll") + ",1" : "";
        std::sort(expected.begin(), expected.end());
        EXPECT_TRUE(ApplyEnabled());
        return expected;
    }

    static std::string Location(int tab) { return FixturePath("icons12.dll") + "," + std::to_string(tab + 1); }

    std::string driveLocation_;
};

TEST_F(RegistryDiffTest, ApplyWritesExactlyTheChangesAndOkNothingMore)
{
    Open();
    std::vector<std::string> expected = ChangeEveryTab();
    ASSERT_GE(expected.size(), 7u) << "every list with rows has one changed";
    EXPECT_EQ("", JoinLines(snapshot_.ChangesSince())) << "nothing is written before Apply";
    EXPECT_EQ("", DriveIcon());

    Press(IDC_SHEET_APPLY);
    std::vector<std::string> applied = snapshot_.ChangesSince();
    EXPECT_EQ(JoinLines(expected), JoinLines(applied));
    EXPECT_EQ(driveLocation_, DriveIcon());
    EXPECT_FALSE(ApplyEnabled());

    Press(IDOK);
    EXPECT_EQ(JoinLines(applied), JoinLines(snapshot_.ChangesSince())) << "OK after Apply writes nothing more";
}

TEST_F(RegistryDiffTest, CancelAndTheCloseBoxWriteNothing)
{
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        Open();
        ChangeEveryTab();
        if (closeBox) {
            SendMessageA(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0);
            PumpMessages(300);
        } else {
            Press(IDCANCEL);
        }
        EXPECT_FALSE(IsWindowVisible(sheet_));
        EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
        EXPECT_EQ("", DriveIcon());
        DestroyWindow(sheet_);
        sheet_ = nullptr;
        PumpMessages(50);
    }
}

}  // namespace
