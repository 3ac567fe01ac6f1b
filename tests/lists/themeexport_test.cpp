// Saving the lists as a theme file: the lines written, the tokens, reading the file back, and
// the file that was there kept when the new one cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "restore/restorepoint.h"
#include "lists/themeexport.h"
#include "lists/themeimport.h"
#include "support/appsetup.h"
#include "support/listrows.h"
#include "support/testing.h"
#include "themehost.h"

using namespace themehost;

namespace {

const char kMyComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
const char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";
const char kBriefcase[] = "{85BBD920-42A0-1069-A2E4-08002B30309D}";
const char kFolderClass[] = "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}";
// A class of the tests' own, whose icon key they may write.
const char kOwnFolder[] = "{7F1E0000-7E57-4F0D-9A11-0000000000A1}";

class ThemeExportTest : public testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("themeout"); }
    void TearDown() override { RemoveTree(dir_); }
    int FilesInDir()
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((dir_ + "\\*").c_str(), &found);
        int files = 0;
        if (find == INVALID_HANDLE_VALUE)
            return 0;
        do
            files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return files;
    }
    std::string dir_;
};

struct ExportRow {
    int tab;
    const char *key;
    BYTE kind;
    std::string current, standard;
};

TEST_F(ThemeExportTest, RowsAwayFromTheirStandardAreWrittenInTheEarlierSections)
{
    std::string lib = FixturePath("icons12.dll");
    std::string sys = SystemDir();
    const ExportRow rows[] = {
        {TAB_DESKTOP, kMyComputer, KIND_ORDINARY, lib + ",4", sys + "explorer.exe,0"},
        {TAB_DESKTOP, kRecycleBin, KIND_RECYCLE_EMPTY, sys + "shell32.dll,5", "shell32.dll,31"},
        {TAB_DESKTOP, kRecycleBin, KIND_RECYCLE_FULL, WindowsDir() + "\\a b.dll,-2", "shell32.dll,32"},
        {TAB_GENERAL, "3", KIND_ORDINARY, lib + ",7", "shell32.dll,3"},
        {TAB_GENERAL, "4", KIND_ORDINARY, sys + "SHELL32.dll,4", "shell32.dll,4"},
        {TAB_SPECIAL, kFolderClass, KIND_ORDINARY, "mine.dll,1", ""},
        {TAB_STARTMENU, "20", KIND_ORDINARY, "", "shell32.dll,20"},
        {TAB_STARTMENU, "21", KIND_ORDINARY, sys + "shell32.dll,5", "shell32.dll,21"},
        {TAB_DRIVE, "8", KIND_ORDINARY, "  " + lib + ",2", "shell32.dll,8"},
        // As Windows 98 writes the Briefcase, whether or not the file is there.
        {TAB_DESKTOP, kBriefcase, KIND_ORDINARY, "syncui.dll,0", sys + "syncui.dll,0"},
    };
    ThemeSheet sheet;
    for (const ExportRow &r : rows)
        AddRow(sheet.List(r.tab), "row", r.current.c_str(), r.current.c_str(),
               r.standard.empty() ? nullptr : r.standard.c_str(), r.key, r.kind);

    std::string path = dir_ + "\\saved.theme";
    int leftOut = -1;
    int saved = -1;
    ASSERT_EQ(1, WriteThemeFile(path.c_str(), &leftOut, &saved));
    // The standard shell32.dll icon (in other words) and the empty row are left out, another
    // icon of the same file is not; the recycle bin's two rows share one section. The folder
    // without a standard, which the program never changed, is left out and counted.
    EXPECT_EQ(1, leftOut);
    EXPECT_EQ(6, saved);
    std::string expected = std::string("[CLSID\\") + kMyComputer + "\\DefaultIcon]\r\n" +
                           "DefaultValue=" + lib + ",4\r\n\r\n" +
                           "[CLSID\\" + kRecycleBin + "\\DefaultIcon]\r\n" +
                           "empty=%SysDir%\\shell32.dll,5\r\n" +
                           "full=%WinDir%\\a b.dll,-2\r\n\r\n" +
                           "[SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons]\r\n" +
                           "3=" + lib + ",7\r\n" +
                           "21=%SysDir%\\shell32.dll,5\r\n" +
                           "8=  " + lib + ",2\r\n";
    EXPECT_EQ(expected, ReadFileText(path));

    // The import gives the rows back what they showed.
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab)
        for (int row = 0; row < Rows(sheet.List(tab)); ++row)
            ChangeRow(sheet.List(tab), row, "other.ico,0");
    ImportThemeFile(path.c_str());
    EXPECT_EQ(0, lstrcmpiA((lib + ",4").c_str(), GetEntry(sheet.List(TAB_DESKTOP), 0)->CurrentLocation));
    EXPECT_EQ(0, lstrcmpiA((sys + "shell32.dll,5").c_str(), GetEntry(sheet.List(TAB_DESKTOP), 1)->CurrentLocation));
    EXPECT_EQ(0, lstrcmpiA((lib + ",7").c_str(), GetEntry(sheet.List(TAB_GENERAL), 0)->CurrentLocation));
    EXPECT_EQ(0, lstrcmpiA((lib + ",2").c_str(), GetEntry(sheet.List(TAB_DRIVE), 0)->CurrentLocation));
}

// A folder without a known standard is saved only as changed by the program itself: pending
// on the sheet, or written by an Apply that a kept restore point records.
TEST_F(ThemeExportTest, RowsWithoutAStandardOnlyWhenTheProgramChangedThem)
{
    AppSetup app("themeout");
    const std::string iconKey = std::string("Software\\Classes\\CLSID\\") + kOwnFolder + "\\DefaultIcon";
    SavedRegistry saved;
    saved.Tree(HKEY_LOCAL_MACHINE, iconKey);
    enum How { UNTOUCHED, PENDING, APPLIED_BEFORE };
    for (How how : {UNTOUCHED, PENDING, APPLIED_BEFORE}) {
        if (how == APPLIED_BEFORE) {
            RestorePoint point;
            ASSERT_TRUE(point.Begin());
            point.Value(HKEY_LOCAL_MACHINE, iconKey.c_str(), "");
            ASSERT_TRUE(point.Seal());
            SetRegString(HKEY_LOCAL_MACHINE, iconKey.c_str(), nullptr, "mine.dll,1");
            point.Finish();
        }
        ThemeSheet sheet;
        const char *shown = how == PENDING ? "other.dll,0" : "mine.dll,1";
        AddRow(sheet.List(TAB_SPECIAL), "row", shown, shown, nullptr, kOwnFolder);
        if (how == PENDING)
            ChangeRow(sheet.List(TAB_SPECIAL), 0, "mine.dll,1");
        std::string path = dir_ + "\\own.theme";
        int leftOut = -1;
        ASSERT_EQ(1, WriteThemeFile(path.c_str(), &leftOut));
        EXPECT_EQ(how != UNTOUCHED, ReadFileText(path).find("=mine.dll,1") != std::string::npos) << how;
        EXPECT_EQ(how == UNTOUCHED ? 1 : 0, leftOut) << how;
    }
}

TEST_F(ThemeExportTest, TokensOnlyForWholeFoldersOfWindows)
{
    std::string sys = SystemDir();
    std::string win = WindowsDir();
    const struct {
        std::string location, value;
    } cases[] = {
        {sys + "shell32.dll,3", "%SysDir%\\shell32.dll,3"},
        {win + "\\explorer.exe,0", "%WinDir%\\explorer.exe,0"},
        {win + "x\\explorer.exe,0", win + "x\\explorer.exe,0"},
        {win, win},
        {"shell32.dll,3", "shell32.dll,3"},
        {"C:\\" + Ansi("ソフト") + "\\a.ico", "C:\\" + Ansi("ソフト") + "\\a.ico"},
    };
    for (const auto &c : cases) {
        char value[270];
        FormThemeValue(c.location.c_str(), value);
        EXPECT_EQ(c.value, value) << c.location;
    }
}

TEST_F(ThemeExportTest, AFileThatCannotBeWrittenKeepsWhatWasThere)
{
    ThemeSheet sheet;
    AddRow(sheet.List(TAB_GENERAL), "row", "mine.dll,1", "mine.dll,1", "shell32.dll,3", "3");
    std::string old = dir_ + "\\old.theme";
    WriteFileText(old, "[Control Panel\\Desktop]\r\nWallpaper=a.bmp\r\n");

    std::string missingFolder = dir_ + "\\missing\\a.theme";
    EXPECT_EQ(0, WriteThemeFile(missingFolder.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missingFolder.c_str()));

    SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, WriteThemeFile(old.c_str()));
    EXPECT_EQ("[Control Panel\\Desktop]\r\nWallpaper=a.bmp\r\n", ReadFileText(old));
    EXPECT_EQ(1, FilesInDir()) << "no half-written file stays behind";

    SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, WriteThemeFile(old.c_str()));
    EXPECT_EQ(std::string("[" SHELL_ICONS_KEY "]\r\n3=mine.dll,1\r\n"), ReadFileText(old));
    EXPECT_EQ(1, FilesInDir());
}

}  // namespace
