#include <gtest/gtest.h>

#include <string>

#include "common/appstate.h"
#include "shellglue/iconlocation.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"
#include "support/probes.h"

namespace {

const char kClassId[] = "{6F1A1C22-7B4E-4D8A-9C1E-2A5B3C4D5E6F}";
const char kOtherClassId[] = "{6F1A1C22-7B4E-4D8A-9C1E-2A5B3C4D5E70}";

struct Resolved {
    int result;
    std::string text;
    int several;
};

Resolved Resolve(int (*resolve)(char *, int, BYTE *), const std::string &path, int size = LOCATION_BUFFER)
{
    // The marker after the caller's size catches any copy that ignores it.
    char buffer[700];
    FillMemory(buffer, sizeof buffer, 'X');
    CopyText(buffer, path.c_str(), sizeof buffer);
    BYTE several = 7;
    int result = resolve(buffer, size, &several);
    int limit = size & 0xFFFF;
    if (limit > int(path.size()) && limit < int(sizeof buffer))
        EXPECT_EQ('X', buffer[limit]) << path;
    return {result, buffer, several};
}

class IconLocationTest : public testing::Test {
protected:
    void SetUp() override
    {
        Facts.SystemDirPath = DupString(SystemDir().c_str());
        dir_ = MakeTempDir("iconloc");
    }
    void TearDown() override
    {
        RemoveTree(dir_);
        FreeAppText(&Facts.SystemDirPath);
        DeleteRegTree(HKEY_CLASSES_ROOT, ".tfxnone");
        DeleteRegTree(HKEY_CLASSES_ROOT, ".tfxself");
        DeleteRegTree(HKEY_CLASSES_ROOT, ".tfxicon");
        DeleteRegTree(HKEY_CLASSES_ROOT, "tfxselffile");
        DeleteRegTree(HKEY_CLASSES_ROOT, "tfxiconfile");
        DeleteRegTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClassId).c_str());
    }
    std::string File(const char *name, const char *text = "x")
    {
        std::string path = dir_ + "\\" + name;
        WriteFileText(path, text);
        return path;
    }
    std::string dir_;
};

TEST_F(IconLocationTest, FilesWithTheirOwnIcons)
{
    std::string program(MAX_PATH, '\0');
    program.resize(GetModuleFileNameA(nullptr, &program[0], MAX_PATH));
    std::string toLibrary = dir_ + "\\library.lnk";
    std::string toProgram = dir_ + "\\program.lnk";
    MakeShortcut(toLibrary, FixturePath("icons12.dll"));
    MakeShortcut(toProgram, program);

    struct Case {
        std::string path;
        std::string expected;
        int several;
    } cases[] = {
        {FixturePath("one.ico"), FixturePath("one.ico") + ",0", 0},
        {FixturePath("icons12.dll"), FixturePath("icons12.dll") + ",0", 1},
        {"  \"" + FixturePath("icons12.dll") + "\"  ", FixturePath("icons12.dll") + ",0", 1},
        // A program reached through a shortcut shows its first icon without asking.
        {toProgram, program + ",0", 0},
        {program, program + ",0", 1},
        {toLibrary, FixturePath("icons12.dll") + ",0", 1},
    };
    for (const Case &c : cases) {
        for (auto resolve : {ResolveIconLocation, ResolveIconLocationWithoutShell}) {
            Resolved r = Resolve(resolve, c.path);
            EXPECT_EQ(1, r.result) << c.path;
            EXPECT_STREQ(c.expected.c_str(), r.text.c_str());
            EXPECT_EQ(c.several, r.several) << c.path;
        }
    }
}

TEST_F(IconLocationTest, MissingObjectKeepsCleanedPath)
{
    std::string missing = dir_ + "\\missing.ico";
    Resolved r = Resolve(ResolveIconLocation, "  \"" + missing + "\" ");
    EXPECT_EQ(0, r.result);
    EXPECT_EQ(missing, r.text);
    EXPECT_EQ(0, r.several);
}

TEST_F(IconLocationTest, ObjectsWithoutIconsOfTheirOwn)
{
    SetRegString(HKEY_CLASSES_ROOT, ".tfxnone", "", "tfxnonefile");      // type without DefaultIcon
    SetRegString(HKEY_CLASSES_ROOT, ".tfxself", "", "tfxselffile");
    SetRegString(HKEY_CLASSES_ROOT, "tfxselffile\\DefaultIcon", "", "%1");
    SetRegString(HKEY_CLASSES_ROOT, ".tfxicon", "", "tfxiconfile");
    SetRegString(HKEY_CLASSES_ROOT, "tfxiconfile\\DefaultIcon", "", "C:\\tools\\types.dll,7");
    std::string shell32 = SystemDir() + "shell32.dll,";

    struct Case {
        std::string path;
        int result;
        std::string expected;   // empty: the buffer keeps the path
    } cases[] = {
        {File("noextension"), 1, shell32 + "0"},
        {File("broken.exe"), 1, shell32 + "2"},
        {File("BROKEN.COM"), 1, shell32 + "2"},
        {File("unknown.tfxunregistered"), 1, shell32 + "0"},
        {File("plain.tfxnone"), 1, shell32 + "0"},
        {File("self.tfxself"), 0, ""},
        {File("typed.tfxicon"), 1, "C:\\tools\\types.dll,7"},
        {dir_, 1, shell32 + "3"},
    };
    for (const Case &c : cases) {
        Resolved r = Resolve(ResolveIconLocationWithoutShell, c.path);
        EXPECT_EQ(c.result, r.result) << c.path;
        EXPECT_EQ(c.expected.empty() ? c.path : c.expected, r.text);
        EXPECT_EQ(0, r.several);
    }
    // The shell has the first word for these; whatever it says must be a location.
    Resolved viaShell = Resolve(ResolveIconLocation, dir_);
    EXPECT_EQ(1, viaShell.result);
    EXPECT_NE(std::string::npos, viaShell.text.find(','));
}

TEST_F(IconLocationTest, FolderClassFromDesktopIni)
{
    SetRegString(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClassId + "\\DefaultIcon").c_str(), "",
                 "C:\\tools\\folder.dll,-12");
    std::string shell32 = SystemDir() + "shell32.dll,3";
    struct Case {
        std::string ini;
        std::string expected;
    } cases[] = {
        {"[.ShellClassInfo]\r\nCLSID=%s\r\n", "C:\\tools\\folder.dll,-12"},
        // A CLSID that is not 38 characters long gives way to UICLSID.
        {"[.ShellClassInfo]\r\nCLSID={123}\r\nUICLSID=%s\r\n", "C:\\tools\\folder.dll,-12"},
        {"[.ShellClassInfo]\r\nCLSID=" + std::string(kOtherClassId) + "\r\nUICLSID=%s\r\n", shell32},
        {"[.ShellClassInfo]\r\nIconIndex=4\r\n", shell32},
    };
    for (const Case &c : cases) {
        char ini[300];
        wsprintfA(ini, c.ini.c_str(), kClassId);
        std::string folder = dir_ + "\\f";
        CreateDirectoryA(folder.c_str(), nullptr);
        WriteFileText(folder + "\\desktop.ini", ini);
        Resolved r = Resolve(ResolveIconLocationWithoutShell, folder);
        EXPECT_EQ(1, r.result) << ini;
        EXPECT_EQ(c.expected, r.text) << ini;
        RemoveTree(folder);
    }
}

TEST_F(IconLocationTest, ResultsThatDoNotFitFail)
{
    // A folder chain that brings the file close to the 259-character limit.
    std::string path = dir_;
    while (path.size() < 200) {
        path += "\\" + std::string(20, 'd');
        CreateDirectoryA(path.c_str(), nullptr);
    }
    std::string library = path + "\\" + std::string(259 - path.size() - 5, 'n') + ".dll";
    ASSERT_EQ(259u, library.size());
    ASSERT_TRUE(CopyFileA(FixturePath("icons12.dll").c_str(), library.c_str(), FALSE));

    Resolved fits = Resolve(ResolveIconLocation, library);
    EXPECT_EQ(1, fits.result);
    EXPECT_EQ(library + ",0", fits.text);
    EXPECT_EQ(1, fits.several);

    // One byte short of the location: failure, the path stays, nothing past the size.
    Resolved tight = Resolve(ResolveIconLocation, library, 261);
    EXPECT_EQ(0, tight.result);
    EXPECT_EQ(library, tight.text);

    // Only the low 16 bits of the size count.
    Resolved wrapped = Resolve(ResolveIconLocation, library, 0x10000 + 261);
    EXPECT_EQ(0, wrapped.result);

    Resolved fallback = Resolve(ResolveIconLocationWithoutShell, File("noextension"), 12);
    EXPECT_EQ(0, fallback.result);

    // A registered icon longer than the buffer is not cut into another file's name.
    SetRegString(HKEY_CLASSES_ROOT, ".tfxicon", "", "tfxiconfile");
    SetRegString(HKEY_CLASSES_ROOT, "tfxiconfile\\DefaultIcon", "", ("C:\\" + std::string(280, 'i') + ".dll,1").c_str());
    std::string typed = File("long.tfxicon");
    Resolved longIcon = Resolve(ResolveIconLocationWithoutShell, typed);
    EXPECT_EQ(0, longIcon.result);
    EXPECT_EQ(typed, longIcon.text);
}

TEST_F(IconLocationTest, ShellIconOverride)
{
    SavedRegistry saved;
    saved.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", "C:\\icons\\folder.ico,0");
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "-137", "C:\\icons\\neg.ico,0");
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", "");
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "6", ("C:\\" + std::string(280, 'o') + ".ico,0").c_str());
    std::string shell32 = SystemDir() + "shell32.dll";
    struct Case {
        std::string location;
        std::string expected;
    } cases[] = {
        {shell32 + ",3", "C:\\icons\\folder.ico,0"},
        {shell32 + ",-137", "C:\\icons\\neg.ico,0"},
        {shell32 + ",4", shell32 + ",4"},     // empty value: no override
        {shell32 + ",5", shell32 + ",5"},
        {shell32 + ",6", shell32 + ",6"},     // too long for a location buffer: not cut
        {"shell32.dll,3", "shell32.dll,3"},   // a bare name is not the system's file
        {"C:\\other\\shell32.dll,3", "C:\\other\\shell32.dll,3"},
    };
    for (const Case &c : cases) {
        char buffer[LOCATION_BUFFER];
        CopyText(buffer, c.location.c_str(), sizeof buffer);
        EXPECT_EQ(buffer, ApplyShellIconOverride(buffer));
        EXPECT_EQ(c.expected, std::string(buffer)) << c.location;
    }
}

TEST_F(IconLocationTest, LinkTargetOfSomethingElse)
{
    char target[MAX_PATH] = "junk";
    EXPECT_EQ(0, GetLinkTarget(FixturePath("noicons.txt").c_str(), target));
    EXPECT_STREQ("", target);

    std::string link = dir_ + "\\one.lnk";
    MakeShortcut(link, FixturePath("one.ico"));
    EXPECT_NE(0, GetLinkTarget(link.c_str(), target));
    EXPECT_EQ(0, lstrcmpiA(FixturePath("one.ico").c_str(), target)) << target;
}

}  // namespace
