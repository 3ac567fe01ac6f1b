// Changes made on the whole real sheet as the user makes them, for the tests that compare the
// registry and drive X: before and after.
#ifndef TILEFOX_TESTS_SUPPORT_SHEETCHANGES_H
#define TILEFOX_TESTS_SUPPORT_SHEETCHANGES_H

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ids.h"
#include "support/appsetup.h"
#include "support/regsnapshot.h"

// A sheet button pressed as a click posts it, with the time to act on it.
void PressSheetButton(HWND sheet, int button);

// The first row of the list that is an ordinary item, or -1.
int FirstOrdinaryRow(HWND list);

// The location put on the clipboard and pasted onto the row by the list's own command; false
// when the clipboard refused it.
bool PasteOnRow(HWND list, int row, const std::string &location);

// X: is the test prefix's throwaway drive only when marked so (README); else it is never written.
bool HaveThrowawayDrive();
void RemoveThrowawayAutorun();
// X:'s own icon set on the drive panel of the running sheet.
void SetThrowawayDriveIcon(const std::string &location);

// The icon size and both shortcut arrows as a fresh Windows has them.
void SetShellSettingsToStart();

// On the running sheet: a location of its own pasted onto a row of every list, the icon size and
// the arrow on Settings 1, and X:'s own icon.
void ChangeEveryTab(int variant);
// X:'s AUTORUN.INF: its hidden and read-only bits and its text, or "absent".
std::string ThrowawayAutorunState();

// Everything the sheet may write: the user's whole branch, the shell's and the classes'.
std::vector<RegistryScope> SheetKeys();

// The whole real sheet with the shell untold, the icon size and arrows as Windows starts, X:'s
// AUTORUN.INF as given (null: none), and the registry scope taken before and put back after.
class WholeSheetTest : public testing::Test {
protected:
    WholeSheetTest(const char *tag, std::vector<RegistryScope> scope, std::vector<std::string> excluded,
                   const char *autorun = nullptr)
        : tag_(tag), autorunBefore_(autorun), snapshot_(scope, excluded)
    {
    }
    void SetUp() override;
    void TearDown() override;
    // The sheet with every list filled and the shell untold.
    void Open();
    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet_, IDC_SHEET_APPLY)) != FALSE; }
    void Press(int button) { PressSheetButton(sheet_, button); }

    const char *tag_;
    const char *autorunBefore_;
    std::unique_ptr<AppSetup> app_;
    HWND sheet_ = nullptr;
    bool haveDrive_ = false;
    std::string autorun_;   // X:'s AUTORUN.INF when the snapshot was taken
    RegistrySnapshot snapshot_;
};

#endif
