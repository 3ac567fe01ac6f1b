// Where a row is written on each line of Windows: the user's classes where the system merges
// them, Explorer's own per-user copy of the Recycle Bin where the user has one, the machine's
// keys elsewhere; and a machine-wide write refused for want of rights waits for an
// administrator instead of failing outright.
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

struct Place {
    HKEY Root;
    std::string Key;
    const char *Name;
};

struct RowCase {
    SystemLine Line;
    const char *ClassId;    // null: the Shell Icons row "3"
    BYTE Kind;
    bool ExplorerCopy;      // the user has Explorer's own copy of the row
    Place Written;
};

const RowCase kRows[] = {
    {LINE_9X, kComputer, KIND_ORDINARY, false, {HKEY_LOCAL_MACHINE, kClasses + kComputer + kIcon, ""}},
    {LINE_NT5, kComputer, KIND_ORDINARY, false, {HKEY_CURRENT_USER, kClasses + kComputer + kIcon, ""}},
    {LINE_NT62, kComputer, KIND_ORDINARY, false, {HKEY_CURRENT_USER, kClasses + kComputer + kIcon, ""}},
    {LINE_NT5, kBin, KIND_RECYCLE_EMPTY, true, {HKEY_CURRENT_USER, kClasses + kBin + kIcon, "empty"}},
    {LINE_NT6, kBin, KIND_RECYCLE_EMPTY, true, {HKEY_CURRENT_USER, kExplorer + kBin + kIcon, "empty"}},
    {LINE_NT62, kBin, KIND_RECYCLE_FULL, false, {HKEY_CURRENT_USER, kClasses + kBin + kIcon, "full"}},
    {LINE_9X, nullptr, KIND_ORDINARY, false, {HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"}},
    {LINE_NT62, nullptr, KIND_ORDINARY, false, {HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"}},
};

class RowPlacesTest : public testing::Test {
protected:
    RowPlacesTest()
        : snapshot_({{HKEY_CURRENT_USER, kClasses + kComputer, true},
                     {HKEY_CURRENT_USER, kClasses + kBin, true},
                     {HKEY_CURRENT_USER, kExplorer + kBin, true},
                     {HKEY_LOCAL_MACHINE, kClasses + kComputer + kIcon, true},
                     {HKEY_LOCAL_MACHINE, kClasses + kBin + kIcon, true},
                     {HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, true}})
    {
    }
    void SetUp() override { snapshot_.Take(); }
    void TearDown() override
    {
        snapshot_.Restore();
        LearnSystem();
        ClearRightsQueue();
    }

    // The row as a list holds it, at the standard the machine's key gives.
    IconEntry Entry(const RowCase &row, const char *location)
    {
        IconEntry entry = {};
        entry.Kind = row.Kind;
        entry.DisplayName = const_cast<char *>("row");
        entry.CurrentLocation = const_cast<char *>(location);
        entry.DefaultLocation = const_cast<char *>("standard.dll,1");
        entry.RegistryKey = const_cast<char *>(row.ClassId != nullptr ? row.ClassId : "3");
        return entry;
    }

    RegistrySnapshot snapshot_;
};

TEST_F(RowPlacesTest, EachLineWritesWhereItsShellReadsAndGoesBackToTheMachinesStandard)
{
    for (const RowCase &row : kRows) {
        SCOPED_TRACE(std::to_string(row.Line) + " " + (row.ClassId ? row.ClassId : "Shell Icons"));
        snapshot_.Restore();
        PretendSystem(row.Line, false);
        if (row.ClassId != nullptr)
            SetRegString(HKEY_LOCAL_MACHINE, (kClasses + row.ClassId + kIcon).c_str(), "", "standard.dll,1");
        if (row.ExplorerCopy)
            SetRegString(HKEY_CURRENT_USER, (kExplorer + kBin + kIcon).c_str(), "empty", "theirs.dll,0");
        const std::string machine = RegValueOrAbsent(HKEY_LOCAL_MACHINE, (kClasses + kComputer + kIcon).c_str(), "");

        IconEntry own = Entry(row, "own.dll,2");
        ASSERT_TRUE(CommitEntry(&own));
        EXPECT_EQ("own.dll,2", RegValueOrAbsent(row.Written.Root, row.Written.Key.c_str(), row.Written.Name));
        if (row.Written.Root == HKEY_CURRENT_USER)
            EXPECT_EQ(machine, RegValueOrAbsent(HKEY_LOCAL_MACHINE, (kClasses + kComputer + kIcon).c_str(), ""))
                << "the machine's standard is left alone";

        // Back at the standard the user's own value goes; the machine's key gives it again.
        if (row.Written.Root == HKEY_CURRENT_USER) {
            IconEntry standard = Entry(row, "standard.dll,1");
            ASSERT_TRUE(CommitEntry(&standard));
            EXPECT_FALSE(RegValueExists(row.Written.Root, row.Written.Key.c_str(), row.Written.Name));
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
        IconEntry shellIcon = Entry(kRows[6], "own.dll,2");
        EXPECT_FALSE(CommitEntry(&shellIcon)) << "the row stays pending";
        IconEntry computer = Entry(kRows[1], "own.dll,2");
        EXPECT_EQ(line != LINE_9X, CommitEntry(&computer)) << "the user's own classes need no rights";

        EXPECT_EQ(line == LINE_9X ? 0 : 1, RightsQueueCount());
        char names[RIGHTS_NAMES_BUFFER];
        RightsQueueNames(names, sizeof names);
        EXPECT_STREQ(line == LINE_9X ? "" : "row", names);
    }
}

}  // namespace
