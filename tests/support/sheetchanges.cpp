#include "support/sheetchanges.h"

#include <gtest/gtest.h>

#include "app/sheetstate.h"
#include "common/iconclipboard.h"
#include "drives/drivepanel.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listcommands.h"
#include "support/testing.h"

namespace {

const char kMarker[] = "X:\\TILEFOX.TST";
const char kAutorun[] = "X:\\AUTORUN.INF";

}  // namespace

void PressSheetButton(HWND sheet, int button)
{
    PostMessageA(sheet, WM_COMMAND, button, reinterpret_cast<LPARAM>(GetDlgItem(sheet, button)));
    PumpUntilIdle();
}

int FirstOrdinaryRow(HWND list)
{
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        if (GetEntry(list, row)->Kind == KIND_ORDINARY)
            return row;
    }
    return -1;
}

bool PasteOnRow(HWND list, int row, const std::string &location)
{
    bool copied = CopyToClipboard(location.c_str()) != 0;
    SendMessageA(list, LB_SETCURSEL, row, 0);
    RunListCommand(list, IDM_PASTE, FALSE);
    return copied;
}

bool HaveThrowawayDrive()
{
    return GetFileAttributesA(kMarker) != INVALID_FILE_ATTRIBUTES;
}

void RemoveThrowawayAutorun()
{
    if (!HaveThrowawayDrive())
        return;
    SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kAutorun);
}

void SetThrowawayDriveIcon(const std::string &location)
{
    HWND panel = DrivePanelOfSheet();
    ASSERT_NE(nullptr, panel);
    int index = int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
    ASSERT_GE(index, 0);
    EXPECT_EQ(1, SetDriveIcon(panel, index, location.c_str()));
}

void ChangeEveryTab(int variant)
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int row = FirstOrdinaryRow(list);
        if (row >= 0)
            EXPECT_TRUE(PasteOnRow(list, row, FixturePath("icons12.dll") + "," + std::to_string(tab + variant)));
    }
    HWND settings = Sheet.TabDialogs[TAB_SETTINGS1];
    SetDlgItemTextA(settings, IDC_IS_SIZE, std::to_string(40 + variant).c_str());
    SendDlgItemMessageA(settings, IDC_IS_NOARROW, BM_CLICK, 0, 0);
    if (HaveThrowawayDrive())
        SetThrowawayDriveIcon(FixturePath("icons12.dll") + "," + std::to_string(variant));
}

std::string ThrowawayAutorunState()
{
    DWORD attributes = GetFileAttributesA(kAutorun);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "absent";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kAutorun);
    return std::to_string(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) + " " +
           ReadFileText(kAutorun);
}

void SetShellSettingsToStart()
{
    SetRegString(HKEY_CURRENT_USER, "Control Panel\\desktop\\windowmetrics", "Shell Icon Size", "32");
    SetRegString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", "");
    SetRegString(HKEY_CLASSES_ROOT, "piffile", "IsShortcut", "");
}

std::vector<RegistryScope> SheetKeys()
{
    return {{HKEY_CURRENT_USER, "", true},
            {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer", true},
            {HKEY_LOCAL_MACHINE, "Software\\Classes", true}};
}

void WholeSheetTest::SetUp()
{
    app_.reset(new AppSetup(tag_));
    app_->KeepShellUntold();
    // Without the throwaway drive the drive panel is left out.
    haveDrive_ = HaveThrowawayDrive();
    RemoveThrowawayAutorun();
    if (haveDrive_ && autorunBefore_ != nullptr) {
        WriteFileText(kAutorun, autorunBefore_);
        SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_HIDDEN);
    }
    SetShellSettingsToStart();
    snapshot_.Take();
    autorun_ = ThrowawayAutorunState();
}

void WholeSheetTest::TearDown()
{
    app_.reset();
    snapshot_.Restore();
    RemoveThrowawayAutorun();
}

void WholeSheetTest::Open()
{
    sheet_ = app_->OpenFilledSheet();
    ASSERT_NE(nullptr, sheet_);
    ASSERT_TRUE(AllListsFilled(true) && Sheet.ListsFilled);
    ASSERT_EQ(0, Settings.AutoRefresh);
    ASSERT_EQ(0, Settings.RefreshLevel);
}
