#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lists/catalogues.h"
#include "lists/classids.h"
#include "support/listhost.h"
#include "support/listrows.h"
#include "support/testing.h"
#include "shellglue/paths.h"

namespace {

char kSystemDir[] = "X:\\SYS\\";

TEST(ClassIdText, ParseGuidTextAcceptsOnlyWellFormedIdentifiers)
{
    struct Case {
        const char *text;
        int ok;
    } cases[] = {
        {"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", 1},
        {"{20d04fe0-3aea-1069-a2d8-08002b30309d}", 1},
        {"{20D04FE0-3AEA-1069-A2D8-08002B30309D", 0},    // no closing brace
        {"{20D04FE0-3AEA-1069-A2D8-08002B30309D}x", 0},  // longer than 38
        {"20D04FE0-3AEA-1069-A2D8-08002B30309D}", 0},
        {"(20D04FE0-3AEA-1069-A2D8-08002B30309D)", 0},
        {"{20D04FE0-3AEA-1069-A2D8008002B30309D}", 0},   // dash missing
        {"{20D04FE03-AEA-1069-A2D8-08002B30309D}", 0},   // dash moved
        {"{20D04FE0-3AEA-1069-A2D8-08002B30309G}", 0},   // not hex
        {"{+0D04FE0-3AEA-1069-A2D8-08002B30309D}", 0},   // a sign is no digit
        {"{0x04FE00-3AEA-1069-A2D8-08002B30309D}", 0},
        {"{ 0D04FE0-3AEA-1069-A2D8-08002B30309D}", 0},
        {"{20D04FE0-3AEA-1069-A2D8- 8002B30309D}", 0},
        {"{}", 0},
        {"", 0},
    };
    for (const Case &c : cases) {
        BYTE bytes[CLASS_ID_BYTES];
        FillMemory(bytes, sizeof(bytes), 0xAB);
        EXPECT_EQ(c.ok, ParseGuidText(c.text, bytes)) << c.text;
        if (!c.ok)
            EXPECT_EQ(0xAB, bytes[0]) << "bytes written for a refused text: " << c.text;
    }

    BYTE bytes[CLASS_ID_BYTES];
    ASSERT_EQ(1, ParseGuidText("{00112233-4455-6677-8899-AABBCCDDEEFF}", bytes));
    for (int i = 0; i < CLASS_ID_BYTES; ++i)
        EXPECT_EQ(i * 0x11, bytes[i]) << i;
}

TEST(ClassIdText, DesktopClassesFormatAndParseBack)
{
    const char *expected[DESKTOP_CLASS_COUNT] = {
        "{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "{208D2C60-3AEA-1069-A2D7-08002B30309D}",
        "{450D8FBA-AD25-11D0-98A8-0800361B1103}", "{645FF040-5081-101B-9F08-00AA002F954E}",
        "{645FF040-5081-101B-9F08-00AA002F954E}", "{00020D75-0000-0000-C000-000000000046}",
        "{00028B00-0000-0000-C000-000000000046}", "{21EC2020-3AEA-1069-A2DD-08002B30309D}",
        "{992CFFA0-F557-101A-88EC-00DD010CCC48}", "{2227A280-3AEA-1069-A2DE-08002B30309D}",
        "{85BBD920-42A0-1069-A2E4-08002B30309D}", "{FBF23B42-E3F0-101B-8488-00AA003E56F8}",
        "{871C5380-42A0-1069-A2EA-08002B30309D}",
    };
    for (int row = 0; row < DESKTOP_CLASS_COUNT; ++row) {
        char text[64];
        FillMemory(text, sizeof(text), 'Z');
        FormatClassId(DesktopClassId(row), text);
        EXPECT_STREQ(expected[row], text);
        BYTE bytes[CLASS_ID_BYTES];
        ASSERT_EQ(1, ParseGuidText(text, bytes));
        EXPECT_TRUE(IsDesktopClass(bytes));
    }
    BYTE other[CLASS_ID_BYTES];
    ASSERT_EQ(1, ParseGuidText("{7BD29E00-76C1-11CF-9DD0-00A0C9034933}", other));
    EXPECT_FALSE(IsDesktopClass(other));
}

TEST(ClassIdText, TemplatesExpand)
{
    ListHost host;
    host.SetFacts(false, false, false, false, kSystemDir);
    struct Case {
        const char *templateText;
        bool coolMark;
        const char *expected;
    } cases[] = {
        {"*|,17", true, "X:\\SYS\\shell32.dll,17"},
        {"*?,16", true, "X:\\SYS\\cool.dll,16"},
        {"|,-137", true, "shell32.dll,-137"},
        {"mydocs.dll,0", true, "mydocs.dll,0"},
        {"C:\\x|y*z,1", true, "C:\\x|y*z,1"},  // marks count only up to the first other character
        {"*CACHEVU.DLL", false, "X:\\SYS\\CACHEVU.DLL"},
        {"?,3", false, "?,3"},
        {"", true, ""},
    };
    for (const Case &c : cases) {
        char out[LOCATION_BUFFER];
        ExpandIconTemplate(c.templateText, c.coolMark, out, LOCATION_BUFFER);
        EXPECT_STREQ(c.expected, out) << c.templateText;
    }

    // A system folder that leaves no room gives no location rather than a cut one.
    std::string longDir(LOCATION_BUFFER - 5, 'd');
    host.SetFacts(false, false, false, false, &longDir[0]);
    char out[LOCATION_BUFFER];
    EXPECT_EQ(0, ExpandIconTemplate("*|,17", true, out, LOCATION_BUFFER));
    EXPECT_STREQ("", out);
}

// Seeded classes, all with a prefix no real class has.
std::string Seeded(int n)
{
    char text[64];
    wsprintfA(text, "{7F1F%04X-0000-4000-8000-00000000ABCD}", n);
    return text;
}

const char kHistory[] = "{FF393560-C2A7-11CF-BFF4-444553540000}";
const char kCache[] = "{7BD29E00-76C1-11CF-9DD0-00A0C9034933}";
const char kFavorites[] = "{1A9BA3A0-143A-11CF-8350-444553540000}";
const char kMail[] = "{89292102-4755-11CF-9DC2-00AA006C2B84}";
const char kInternet[] = "{FBF23B42-E3F0-101B-8488-00AA003E56F8}";

class ShellFolderDiscovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *real : {kHistory, kCache, kFavorites, kMail, kInternet}) {
            saved_.Tree(HKEY_LOCAL_MACHINE, ClassKey(real));
            saved_.Tree(HKEY_CURRENT_USER, ClassKey(real));
            DeleteRegTree(HKEY_LOCAL_MACHINE, ClassKey(real).c_str());
            DeleteRegTree(HKEY_CURRENT_USER, ClassKey(real).c_str());
        }
    }
    void TearDown() override
    {
        for (const std::string &key : seeded_) {
            DeleteRegTree(HKEY_LOCAL_MACHINE, key.c_str());
            DeleteRegTree(HKEY_CURRENT_USER, key.c_str());
        }
    }

    // A class with the given parts; null leaves a part out.
    void SeedClass(const std::string &name, const char *title, const char *icon, bool shellFolder,
                   const char *server = nullptr, HKEY root = HKEY_LOCAL_MACHINE)
    {
        std::string key = InstallClass(name, title, icon, root);
        ASSERT_FALSE(key.empty()) << name;
        seeded_.push_back(key);
        if (shellFolder)
            SetRegBinary(root, (key + "\\ShellFolder").c_str(), "Attributes", "\0\0\0\xA0", 4, REG_BINARY);
        if (server != nullptr)
            SetRegString(root, (key + "\\InProcServer32").c_str(), "", server);
    }

    std::vector<RowText> Fill(bool newShell, bool integrated = false)
    {
        host_.SetFacts(newShell, integrated, false, false, kSystemDir);
        return FillRows(host_, TAB_SPECIAL, FillShellFolderList);
    }

    SavedRegistry saved_;
    ListHost host_;
    std::vector<std::string> seeded_;
};

TEST_F(ShellFolderDiscovery, KeepsOnlyTitledShellFoldersWithIcons)
{
    SeedClass(Seeded(1), "Folder One", "one.dll,3", true);
    SeedClass(Seeded(2), "No Icon", nullptr, true);
    SeedClass(Seeded(3), nullptr, "three.dll,0", true);
    SeedClass(Seeded(4), "Empty Icon", "", true);
    SeedClass(Seeded(5), "Bare Server", "five.dll,0", false, "shell32.dll");
    SeedClass(Seeded(6), "Upper Server", "six.dll,0", false, "SHELL32.DLL");
    SeedClass(Seeded(7), "Full Server Path", "seven.dll,0", false, "C:\\WINDOWS\\SYSTEM\\shell32.dll");
    SeedClass(Seeded(8), "Not A Folder", "eight.dll,0", false, "eight.dll");
    SeedClass(Seeded(9), "Document Object", "nine.dll,0", true);
    SetRegString(HKEY_LOCAL_MACHINE, (ClassKey(Seeded(9)) + "\\ProgID").c_str(), "", "Nine.Document");
    // 38 characters, but not an identifier.
    SeedClass("{7F1F000A-0000-4000-8000-00000000ABCG}", "Bad Digit", "a.dll,0", true);
    SeedClass("{7F1F000B-0000-4000-8000_00000000ABCD}", "Bad Dash", "b.dll,0", true);
    SeedClass("{7F1F000C-0000-4000-8000-00000000ABCDE", "Bad Brace", "c.dll,0", true);
    SeedClass("{7F1F000D-0000-4000-8000-0000000ABCD}", "Too Short", "d.dll,0", true);
    // Folders of the Desktop tab stay off this tab, whatever they carry.
    SeedClass(kInternet, "The Internet", "internet.dll,0", true);

    std::vector<RowText> rows = Fill(false);

    struct Expect {
        std::string key;
        const char *title;  // null: not listed
        const char *icon;
    } expect[] = {
        {Seeded(1), "Folder One", "one.dll,3"},
        {Seeded(2), nullptr, nullptr},
        {Seeded(3), nullptr, nullptr},
        {Seeded(4), nullptr, nullptr},
        {Seeded(5), "Bare Server", "five.dll,0"},
        {Seeded(6), "Upper Server", "six.dll,0"},
        {Seeded(7), nullptr, nullptr},
        {Seeded(8), nullptr, nullptr},
        {Seeded(9), nullptr, nullptr},
        {"{7F1F000A-0000-4000-8000-00000000ABCG}", nullptr, nullptr},
        {"{7F1F000B-0000-4000-8000_00000000ABCD}", nullptr, nullptr},
        {"{7F1F000C-0000-4000-8000-00000000ABCDE", nullptr, nullptr},
        {"{7F1F000D-0000-4000-8000-0000000ABCD}", nullptr, nullptr},
        {kInternet, nullptr, nullptr},
    };
    for (const Expect &e : expect) {
        const RowText *row = FindRow(rows, e.key);
        if (e.title == nullptr) {
            EXPECT_EQ(nullptr, row) << e.key << " listed as " << (row ? row->Name : "");
            continue;
        }
        ASSERT_NE(nullptr, row) << e.key;
        EXPECT_EQ(e.title, row->Name);
        EXPECT_EQ(e.icon, row->Current);
        EXPECT_EQ(e.icon, row->Saved);
        EXPECT_EQ("<null>", row->Default) << "an unknown folder has no standard icon";
        EXPECT_EQ(e.key, row->Key);
        EXPECT_EQ(0, row->Kind);
    }

    // No desktop class ever, including the ones Wine registers itself.
    for (const RowText &row : rows) {
        BYTE bytes[CLASS_ID_BYTES];
        ASSERT_EQ(1, ParseGuidText(row.Key.c_str(), bytes)) << row.Key;
        EXPECT_FALSE(IsDesktopClass(bytes)) << row.Key;
    }
}

TEST_F(ShellFolderDiscovery, RowsFollowTheRegistryOrder)
{
    SeedClass(Seeded(0x23), "C", "c.dll,0", true);
    SeedClass(Seeded(0x21), "A", "a.dll,0", true);
    SeedClass(Seeded(0x22), "B", "b.dll,0", true);
    std::vector<RowText> rows = Fill(true);
    std::string order;
    for (const RowText &row : rows) {
        if (row.Key.compare(0, 5, "{7F1F") == 0)
            order += row.Name;
    }
    EXPECT_EQ("ABC", order);
}

HANDLE WINAPI RefuseThread(SECURITY_ATTRIBUTES *, SIZE_T, LPTHREAD_START_ROUTINE, void *, DWORD, DWORD *)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

// Large keys are read in several stretches at once; the rows still come once each, in the
// order the key lists them. Most classes are folders, so a name lost or read twice at a
// border shows.
TEST_F(ShellFolderDiscovery, LargeKeyGivesEveryFolderOnceInTheRegistryOrder)
{
    enum { CLASSES = 800, EVERY = 8 };
    for (int i = 0; i < CLASSES; ++i) {
        bool folder = i % EVERY != 0;
        SeedClass(Seeded(0x1000 + i), folder ? "F" : "C", folder ? "f.dll,0" : nullptr, folder);
    }
    std::vector<std::string> expected;
    HKEY classes;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID", 0, KEY_READ, &classes));
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(classes, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        int n = 0;
        if (lstrlenA(name) == 38 && name[1] == '7' && name[2] == 'F' && name[3] == '1' && name[4] == 'F') {
            for (int i = 5; i < 9; ++i)
                n = n * 16 + (name[i] <= '9' ? name[i] - '0' : name[i] - 'A' + 10);
            if (n >= 0x1000 && (n - 0x1000) % EVERY != 0)
                expected.push_back(name);
        }
    }
    RegCloseKey(classes);
    ASSERT_EQ(size_t(CLASSES - CLASSES / EVERY), expected.size());

    // Without threads (a system short of resources) every stretch is read in turn.
    struct Case {
        bool integrated;
        bool noThreads;
    } cases[] = {{false, false}, {true, false}, {false, true}};
    for (const Case &c : cases) {
        std::unique_ptr<ImportHook> refuse;
        if (c.noThreads) {
            refuse.reset(new ImportHook("kernel32.dll", "CreateThread", reinterpret_cast<const void *>(&RefuseThread)));
            ASSERT_TRUE(refuse->Hooked());
        }
        std::vector<std::string> listed;
        for (const RowText &row : Fill(true, c.integrated)) {
            if (row.Key.compare(0, 5, "{7F1F") == 0)
                listed.push_back(row.Key);
        }
        EXPECT_EQ(expected, listed) << (c.integrated ? "integrated shell" : "older shell")
                                    << (c.noThreads ? ", no threads" : "");
    }
}

TEST_F(ShellFolderDiscovery, KnownFoldersTakeTheStandardIconOfTheirShell)
{
    SeedClass(kCache, "Temporary Internet Files", "cache.dll,0", true);
    SeedClass(kHistory, "History", "history.dll,0", true);
    SeedClass(kFavorites, "Favorites", "fav.dll,0", true);
    SeedClass(kMail, "Mail", "mail.dll,0", true);

    struct Case {
        const char *key;
        bool newShell;
        const char *expected;
    } cases[] = {
        {kCache, false, "X:\\SYS\\CACHEVU.DLL"},
        {kCache, true, "X:\\SYS\\SHDOCVW.DLL,-20780"},
        {kHistory, false, "X:\\SYS\\CACHEVU.DLL"},
        {kHistory, true, "X:\\SYS\\SHDOCVW.DLL,-20785"},
        {kFavorites, false, "favorite.dll,0"},
        {kFavorites, true, "X:\\SYS\\shell32.dll,-173"},
        {kMail, false, "X:\\SYS\\mailnews.dll,-2"},
        {kMail, true, "<null>"},  // the new shell's rows do not know it
    };
    for (const Case &c : cases) {
        std::vector<RowText> rows = Fill(c.newShell);
        const RowText *row = FindRow(rows, c.key);
        ASSERT_NE(nullptr, row) << c.key;
        EXPECT_EQ(c.expected, row->Default) << c.key << (c.newShell ? " new shell" : " old shell");
    }
}

TEST_F(ShellFolderDiscovery, PerUserIconAndTitleCountOnlyUnderTheIntegratedShell)
{
    // Installed for the machine, but its icon and title are the user's own.
    SeedClass(Seeded(0x31), nullptr, nullptr, true);
    SetRegString(HKEY_CURRENT_USER, (ClassKey(Seeded(0x31)) + "\\DefaultIcon").c_str(), "", "user.dll,1");
    SetRegString(HKEY_CURRENT_USER, ClassKey(Seeded(0x31)).c_str(), "", "User Folder");
    // An empty per-user icon does not hide the machine's.
    SeedClass(Seeded(0x32), "Machine Folder", "machine.dll,2", true);
    SetRegString(HKEY_CURRENT_USER, (ClassKey(Seeded(0x32)) + "\\DefaultIcon").c_str(), "", "");

    std::vector<RowText> plain = Fill(true, false);
    EXPECT_EQ(nullptr, FindRow(plain, Seeded(0x31)));
    ASSERT_NE(nullptr, FindRow(plain, Seeded(0x32)));

    std::vector<RowText> integrated = Fill(true, true);
    const RowText *user = FindRow(integrated, Seeded(0x31));
    ASSERT_NE(nullptr, user);
    EXPECT_EQ("User Folder", user->Name);
    EXPECT_EQ("user.dll,1", user->Current);
    const RowText *machine = FindRow(integrated, Seeded(0x32));
    ASSERT_NE(nullptr, machine);
    EXPECT_EQ("machine.dll,2", machine->Current);
}

TEST_F(ShellFolderDiscovery, OverlongNameDoesNotEndTheWalk)
{
    // Sorts before every seeded class; 237 characters do not fit the name buffer.
    std::string longName = "{0" + std::string(235, 'L');
    seeded_.push_back(ClassKey(longName));
    HKEY created;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, ClassKey(longName).c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &created, nullptr));
    RegCloseKey(created);
    SeedClass(Seeded(0x41), "After The Long Name", "after.dll,0", true);

    // The walk must really meet the long name first for this to mean anything.
    HKEY classes;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID", 0, KEY_READ, &classes));
    int longAt = -1, seededAt = -1;
    for (DWORD i = 0;; ++i) {
        char name[300];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(classes, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (longName == name)
            longAt = int(i);
        if (lstrcmpiA(Seeded(0x41).c_str(), name) == 0)
            seededAt = int(i);
    }
    RegCloseKey(classes);
    ASSERT_GE(longAt, 0);
    ASSERT_LT(longAt, seededAt);

    std::vector<RowText> rows = Fill(false);
    EXPECT_NE(nullptr, FindRow(rows, Seeded(0x41)));
}

}  // namespace

namespace {

TEST_F(ShellFolderDiscovery, AppliedChangeWritesTheClassIcon)
{
    SeedClass(Seeded(0x51), "Folder", "old.dll,0", true);
    host_.SetFacts(true, false, false, false, kSystemDir);
    HWND list = host_.CreateList(TAB_SPECIAL);
    FillShellFolderList(list);
    int index = RowOfKey(list, Seeded(0x51).c_str());
    ASSERT_GE(index, 0);
    ASSERT_EQ(1, ChangeRow(list, index, "new.dll,4"));
    CommitEntry(GetEntry(list, index));
    EXPECT_EQ("new.dll,4", GetRegString(HKEY_LOCAL_MACHINE, (ClassKey(Seeded(0x51)) + "\\DefaultIcon").c_str(), ""));
}

}  // namespace
