// The administrator copy writes only the machine-wide rows the program itself asks for rights
// for; a job that names anything else is refused whole, before any write.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/rightsrun.h"
#include "restore/restorerecord.h"
#include "shellglue/shellkeys.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/regsnapshot.h"
#include "support/testing.h"

namespace {

std::string Line(RowKind kind, const std::string &key, const char *name, const std::string &op)
{
    return std::to_string(int(kind)) + "\t" + key + "\t" + name + "\t" + op + "\r\n";
}

TEST(RightsJob, OnlyTheProgramsMachineRowsAreWrittenAndAnythingElseRefusesTheWholeJob)
{
    AppSetup app("rightsjob");
    RegistrySnapshot snapshot({{HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, true},
                               {HKEY_LOCAL_MACHINE, "Software\\TilefoxTest", true}});
    snapshot.Take();
    PretendSystem(LINE_NT62, false);
    const std::string icon = Line(ROW_SHELL_ICON, SHELL_ICONS_KEY, "3", "=own.dll,2");
    const struct {
        std::string Job;
        int Exit;
    } kJobs[] = {
        {"", RIGHTS_DONE},
        {icon + Line(ROW_SHELL_ICON, "Software\\TilefoxTest", "3", "=own.dll,2"), RIGHTS_REFUSED},
        {icon + Line(ROW_CLASS_ICON, "Software\\Classes\\CLSID\\{x}\\DefaultIcon", "", "=a,1"), RIGHTS_REFUSED},
        {icon + Line(ROW_SHORTCUT_ARROW, "Software\\Classes\\lnkfile", "IsShortcut", "=yes"), RIGHTS_REFUSED},
        {icon + Line(ROW_DRIVE_ICON, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\X\\Other",
                     "", "=a,1"), RIGHTS_REFUSED},
        {icon + "garbage\r\n", RIGHTS_REFUSED},
        {icon + Line(ROW_SHELL_ICON, SHELL_ICONS_KEY, "4", "-"), RIGHTS_DONE},
    };
    const std::string job = app.Dir() + "\\job.txt";
    for (const auto &row : kJobs) {
        SCOPED_TRACE(row.Job);
        snapshot.Restore();
        SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", "theirs.dll,0");
        int before = NewestRestorePoint();
        ASSERT_TRUE(WriteFileText(job, row.Job));
        EXPECT_EQ(row.Exit, RunRightsJob(job.c_str()));
        bool wrote = row.Exit == RIGHTS_DONE && !row.Job.empty();
        EXPECT_EQ(wrote ? "own.dll,2" : "(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\TilefoxTest"));
        EXPECT_EQ(wrote ? before + 1 : before, NewestRestorePoint()) << "the copy's own record";
    }
    EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4")) << "a deletion in a job";
    snapshot.Restore();
    LearnSystem();
}

}  // namespace
