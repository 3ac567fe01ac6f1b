// In each test system's prefix an Apply writes a desktop item and a General row where that
// Windows reads them, never under Wow6432Node, and taking it back restores both exactly.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/restoreapply.h"
#include "common/tabs.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "shellglue/shellkeys.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/listrows.h"
#include "support/sheetchanges.h"
#include "support/testing.h"

namespace {

const char kComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const std::string kComputerIcon = std::string("Software\\Classes\\CLSID\\") + kComputer + "\\DefaultIcon";
const std::string kBelowWow = std::string("Software\\Classes\\Wow6432Node\\CLSID\\") + kComputer + "\\DefaultIcon";

const struct SystemCase {
    const char *Name;       // TILEFOX_TEST_SYSTEM
    SystemLine Line;
    HKEY ComputerRoot;      // where My Computer's own icon goes
    bool Wow64;             // a 32-bit build in a 64-bit prefix
} kSystems[] = {
    {"win98", LINE_9X, HKEY_LOCAL_MACHINE, false},
    {"winxp", LINE_NT5, HKEY_CURRENT_USER, false},
    {"win10", LINE_NT62, HKEY_CURRENT_USER, sizeof(void *) == 4},
};

TEST(LaterWindowsRegistry, ADesktopItemAndAGeneralRowGoWhereTheSystemReadsThemAndComeBack)
{
    const SystemCase *found = nullptr;
    for (const SystemCase &row : kSystems)
        found = TestSystemIs(row.Name) ? &row : found;
    if (found == nullptr)
        GTEST_SKIP() << "not in a test system's prefix";
    LearnSystem();
    ASSERT_EQ(int(found->Line), int(System.Line));
    ASSERT_EQ(found->Wow64, System.Wow64 != 0);
    const REGSAM own = found->Wow64 ? KEY_WOW64_64KEY : 0;
    const REGSAM other = found->Wow64 ? KEY_WOW64_32KEY : 0;
    const HKEY user = found->ComputerRoot;

    AppSetup app("laterwindows");
    app.KeepShellUntold();
    HWND sheet = app.OpenFilledSheet(TAB_DESKTOP);
    HWND desktop = ListOfTab(TAB_DESKTOP);
    HWND general = ListOfTab(TAB_GENERAL);
    int computer = RowOfKey(desktop, kComputer);
    int row = FirstOrdinaryRow(general);
    ASSERT_TRUE(sheet != nullptr && computer >= 0 && row >= 0);
    const std::string held = GetEntry(general, row)->RegistryKey;
    const char *index = held.c_str();
    const std::string computerBefore = RegValueOrAbsent(user, kComputerIcon.c_str(), "", own);
    const std::string machineBefore = RegValueOrAbsent(HKEY_LOCAL_MACHINE, kComputerIcon.c_str(), "", own);
    const std::string iconBefore = RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, own);
    const std::string otherBefore = RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, other);

    const std::string icon = FixturePath("icons12.dll") + ",5";
    ASSERT_TRUE(PasteOnRow(desktop, computer, icon) && PasteOnRow(general, row, icon));
    PressSheetButton(sheet, IDC_SHEET_APPLY);
    EXPECT_EQ(icon, RegValueOrAbsent(user, kComputerIcon.c_str(), "", own));
    EXPECT_EQ(icon, RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, own));
    if (user == HKEY_CURRENT_USER)
        EXPECT_EQ(machineBefore, RegValueOrAbsent(HKEY_LOCAL_MACHINE, kComputerIcon.c_str(), "", own));
    EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_CURRENT_USER, kBelowWow.c_str(), "", own));
    if (found->Wow64)
        EXPECT_EQ(otherBefore, RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, other));

    PressSheetButton(sheet, IDCANCEL);
    BoxRecorder boxes(IDYES);
    EXPECT_EQ(0, TakeBackFromCommandLine()) << boxes.All();
    EXPECT_EQ(computerBefore, RegValueOrAbsent(user, kComputerIcon.c_str(), "", own));
    EXPECT_EQ(iconBefore, RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index, own));
}

}  // namespace
