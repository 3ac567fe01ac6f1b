// In the prefix of each test system, an Apply of the real sheet writes a desktop item and a
// General row where that Windows reads them (per user from Windows 2000 on; in the 64-bit
// view, never under Wow6432Node, from a 32-bit copy on 64-bit Windows), and taking it back
// leaves both exactly as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
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

const char kComputerIcon[] = "Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";
const char kComputerBelowWow[] =
    "Software\\Classes\\Wow6432Node\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\DefaultIcon";

struct SystemCase {
    const char *Name;       // TILEFOX_TEST_SYSTEM
    HKEY ComputerRoot;      // where My Computer's own icon goes
    bool Wow64;             // a 32-bit build in a 64-bit prefix
};

const SystemCase kSystems[] = {
    {"win98", HKEY_LOCAL_MACHINE, false},
    {"winxp", HKEY_CURRENT_USER, false},
    {"win10", HKEY_CURRENT_USER, sizeof(void *) == 4},
};

// A value as one view shows it.
std::string ViewValue(HKEY root, const char *key, const char *name, REGSAM view)
{
    HKEY open = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | view, &open) != ERROR_SUCCESS)
        return "(absent)";
    char text[MAX_PATH] = "";
    DWORD size = sizeof text - 1;
    LONG result = RegQueryValueExA(open, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
    RegCloseKey(open);
    return result == ERROR_SUCCESS ? std::string(text) : "(absent)";
}

TEST(LaterWindowsRegistry, ADesktopItemAndAGeneralRowGoWhereTheSystemReadsThemAndComeBack)
{
    const char *system = getenv("TILEFOX_TEST_SYSTEM");
    const SystemCase *found = nullptr;
    for (const SystemCase &row : kSystems)
        if (system != nullptr && lstrcmpiA(system, row.Name) == 0)
            found = &row;
    if (found == nullptr)
        GTEST_SKIP() << "not in a test system's prefix";
    LearnSystem();
    ASSERT_EQ(found->Wow64, System.Wow64 != 0);
    const REGSAM own = found->Wow64 ? KEY_WOW64_64KEY : 0;
    const REGSAM other = found->Wow64 ? KEY_WOW64_32KEY : 0;

    AppSetup app("laterwindows");
    app.KeepShellUntold();
    HWND sheet = app.OpenFilledSheet(TAB_DESKTOP);
    ASSERT_NE(nullptr, sheet);
    HWND desktop = ListOfTab(TAB_DESKTOP);
    HWND general = ListOfTab(TAB_GENERAL);
    int computer = RowOfKey(desktop, "{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    int row = FirstOrdinaryRow(general);
    ASSERT_LE(0, computer);
    ASSERT_LE(0, row);
    const std::string index = GetEntry(general, row)->RegistryKey;
    const std::string computerBefore = ViewValue(found->ComputerRoot, kComputerIcon, "", own);
    const std::string machineBefore = ViewValue(HKEY_LOCAL_MACHINE, kComputerIcon, "", own);
    const std::string iconBefore = ViewValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), own);
    const std::string otherBefore = ViewValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), other);

    const std::string icon = FixturePath("icons12.dll") + ",5";
    ASSERT_TRUE(PasteOnRow(desktop, computer, icon));
    ASSERT_TRUE(PasteOnRow(general, row, icon));
    PressSheetButton(sheet, IDC_SHEET_APPLY);
    EXPECT_EQ(icon, ViewValue(found->ComputerRoot, kComputerIcon, "", own));
    EXPECT_EQ(icon, ViewValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), own));
    if (found->ComputerRoot == HKEY_CURRENT_USER)
        EXPECT_EQ(machineBefore, ViewValue(HKEY_LOCAL_MACHINE, kComputerIcon, "", own)) << "the machine's standard";
    if (found->Wow64) {
        EXPECT_EQ("(absent)", ViewValue(HKEY_CURRENT_USER, kComputerBelowWow, "", own)) << "nothing under Wow6432Node";
        EXPECT_EQ(otherBefore, ViewValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), other));
    }

    PressSheetButton(sheet, IDCANCEL);
    BoxRecorder boxes(IDYES);
    EXPECT_EQ(0, TakeBackFromCommandLine()) << boxes.All();
    EXPECT_EQ(computerBefore, ViewValue(found->ComputerRoot, kComputerIcon, "", own));
    EXPECT_EQ(iconBefore, ViewValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, index.c_str(), own));
}

}  // namespace
