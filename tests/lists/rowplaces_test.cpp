// Where a row is written on each line of Windows: the user's classes where the system merges
// them, Explorer's own per-user copy of the Recycle Bin where the user has one, the machine's
// keys elsewhere; a machine-wide write refused for want of rights waits for an administrator.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lists/iconentry.h"
#include "shellglue/rightswrite.h"
#include "shellglue/shellkeys.h"
#include "shellglue/system.h"
#include "support/regsnapshot.h"
#include "support/testing.h"

namespace {

const char kComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";
const std::string kClasses = "Software\\Classes\\CLSID\\";
const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\";
const std::string kIcon = "\\DefaultIcon";
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;

const struct RowCase {
    SystemLine Line;
    const char *ClassId;    // null: the Shell Icons row "3"
    BYTE Kind;
    bool ExplorerCopy;      // the user has Explorer's own copy of the row
    HKEY Root;              // where it is written
    std::string Key;
    const char *Name;
} kRows[] = {
    {LINE_9X, kComputer, KIND_ORDINARY, false, kMachine, kClasses + kComputer + kIcon, ""},
    {LINE_NT5, kComputer, KIND_ORDINARY, false, kUser, kClasses + kComputer + kIcon, ""},
    {LINE_NT62, kComputer, KIND_ORDINARY, false, kUser, kClasses + kComputer + kIcon, ""},
    {LINE_NT5, kBin, KIND_RECYCLE_EMPTY, true, kUser, kClasses + kBin + kIcon, "empty"},
    {LINE_NT6, kBin, KIND_RECYCLE_EMPTY, true, kUser, kExplorer + kBin + kIcon, "empty"},
    {LINE_NT62, kBin, KIND_RECYCLE_FULL, false, kUser, kClasses + kBin + kIcon, "full"},
    {LINE_9X, nullptr, KIND_ORDINARY, false, kMachine, SHELL_ICONS_KEY, "3"},
    {LINE_NT62, nullptr, KIND_ORDINARY, false, kMachine, SHELL_ICONS_KEY, "3"},
};

class RowPlacesTest : public testing::Test {
protected:
    void SetUp() override { snapshot_.Take(); }
    void TearDown() override
    {
        snapshot_.Restore();
        LearnSystem();
        ClearRightsQueue();
    }

    // The row as a list holds it, at the standard the machine's key gives.
    static bool Commit(const RowCase &row, const char *location)
    {
        IconEntry entry = {};
        entry.Kind = row.Kind;
        entry.DisplayName = const_cast<char *>("row");
        entry.CurrentLocation = const_cast<char *>(location);
        entry.DefaultLocation = const_cast<char *>("standard.dll,1");
        entry.RegistryKey = const_cast<char *>(row.ClassId != nullptr ? row.ClassId : "3");
        return CommitEntry(&entry);
    }

    RegistrySnapshot snapshot_{{{kUser, kClasses + kComputer, true},
                                {kUser, kClasses + kBin, true},
                                {kUser, kExplorer + kBin, true},
                                {kMachine, kClasses + kComputer + kIcon, true},
                                {kMachine, kClasses + kBin + kIcon, true},
                                {kMachine, SHELL_ICONS_KEY, true}}};
};

TEST_F(RowPlacesTest, EachLineWritesWhereItsShellReadsAndGoesBackToTheMachinesStandard)
{
    for (const RowCase &row : kRows) {
        SCOPED_TRACE(std::to_string(row.Line) + " " + (row.ClassId ? row.ClassId : "Shell Icons"));
        snapshot_.Restore();
        PretendSystem(row.Line, false);
        if (row.ClassId != nullptr)
            SetRegString(kMachine, (kClasses + row.ClassId + kIcon).c_str(), "", "standard.dll,1");
        if (row.ExplorerCopy)
            SetRegString(kUser, (kExplorer + kBin + kIcon).c_str(), "empty", "theirs.dll,0");

        ASSERT_TRUE(Commit(row, "own.dll,2"));
        EXPECT_EQ("own.dll,2", RegValueOrAbsent(row.Root, row.Key.c_str(), row.Name));
        if (row.Root == kUser) {
            EXPECT_EQ("standard.dll,1", RegValueOrAbsent(kMachine, (kClasses + row.ClassId + kIcon).c_str(), ""));
            // Back at the standard the user's own value goes; the machine's key gives it again.
            ASSERT_TRUE(Commit(row, "standard.dll,1"));
            EXPECT_FALSE(RegValueExists(row.Root, row.Key.c_str(), row.Name));
        }
        EXPECT_EQ(0, RightsQueueCount());
    }
}

TEST_F(RowPlacesTest, AMachineWriteRefusedForRightsWaitsForAnAdministratorOnlyWhereRightsExist)
{
    MachineRefusal refusal;
    for (SystemLine line : {LINE_9X, LINE_NT5, LINE_NT62}) {
        SCOPED_TRACE(line);
        ClearRightsQueue();
        PretendSystem(line, false);
        EXPECT_FALSE(Commit(kRows[6], "own.dll,2")) << "the Shell Icons row stays pending";
        EXPECT_EQ(line != LINE_9X, Commit(kRows[1], "own.dll,2")) << "the user's own classes need no rights";
        char names[RIGHTS_NAMES_BUFFER];
        RightsQueueNames(names, sizeof names);
        EXPECT_STREQ(line == LINE_9X ? "" : "row", names);
    }
}

}  // namespace
