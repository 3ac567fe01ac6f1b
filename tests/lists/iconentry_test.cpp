#include <gtest/gtest.h>

#include <string>

#include "support/listhost.h"
#include "support/listrows.h"
#include "support/probes.h"
#include "shellglue/system.h"

namespace {

const char kClassId[] = "{0F0F0F0F-1234-5678-9ABC-DEF012345678}";
const std::string kClassPath = ClassKey(kClassId);
const std::string kIconKey = kClassPath + "\\DefaultIcon";

class EntryTest : public GeneralPageTest {
protected:
    void TearDown() override { LearnSystem(); }
    IconEntry *Row(int row) { return GetEntry(list_, row); }
};

TEST_F(EntryTest, AddEntryLoadsIconsOnlyFromUsableLocations)
{
    std::string lib = FixturePath("icons12.dll");
    struct Case {
        std::string location;
        bool icon;
    } cases[] = {
        {lib + ",3", true},
        {"  " + lib + ",3  ", true},
        {"\"" + lib + "\",2", true},
        {lib + ",-5", true},        // resource identifier 5
        {lib + ",12", false},       // twelve icons: 0..11
        {FixturePath("one.ico"), true},
        {FixturePath("missing.dll") + ",0", false},
        {TestBinDir() + "fixtures,0", false},   // a folder
        {FixturePath("noicons.txt") + ",0", false},
        {"C:\\" + std::string(300, 'a') + ".dll,1", false},   // longer than the loading buffer
        {"", false},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(1, AddRow(list_, "row", c.location.c_str(), c.location.c_str(), nullptr, "3"));
        IconEntry *entry = Row(Rows(list_) - 1);
        ASSERT_NE(nullptr, entry);
        EXPECT_EQ(c.icon, entry->LargeIcon != nullptr) << c.location;
        EXPECT_EQ(c.icon, entry->SmallIcon != nullptr) << c.location;
        EXPECT_EQ(c.location, Text(entry->CurrentLocation));
        EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
    }
}

// Each file, and the library's icons by position and by resource identifier (-1 would ask for the count).
TEST_F(EntryTest, RowsShowOnlyTheLaterIconsTheSystemReads)
{
    const std::string lib = FixturePath("pngicons.dll") + ",";
    for (const LaterIconsRow &row : kLaterIcons) {
        PretendSystem(SystemLine(row.Line), false);
        for (int i = 0; i < 3; ++i)
            for (const std::string &at : {FixturePath(kLaterIconFiles[i]), lib + std::to_string(i), lib + std::to_string(i ? -i - 1 : 0)}) {
                ASSERT_EQ(1, AddRow(list_, "row", at.c_str(), at.c_str(), nullptr, "3"));
                IconEntry *entry = Row(Rows(list_) - 1);
                EXPECT_EQ(std::string(row.Shown[i]) + "/" + row.Shown[i],
                          IconLook(entry->LargeIcon) + "/" + IconLook(entry->SmallIcon, GetSystemMetrics(SM_CXSMICON))) << int(row.Line) << " " << at;
            }
    }
}

TEST_F(EntryTest, AddEntryKeepsCopiesOfItsOwn)
{
    char name[] = "name";
    char saved[] = "saved,1";
    IconEntry source = {};
    source.DisplayName = name;
    source.SavedLocation = saved;
    source.Kind = KIND_BRIEFCASE;
    ASSERT_EQ(1, AddEntry(list_, &source));
    name[0] = saved[0] = 'X';

    IconEntry *entry = Row(0);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ("name", Text(entry->DisplayName));
    EXPECT_EQ("", Text(entry->CurrentLocation));   // absent becomes empty
    EXPECT_EQ("saved,1", Text(entry->SavedLocation));
    EXPECT_EQ(nullptr, entry->DefaultLocation);
    EXPECT_EQ(nullptr, entry->RegistryKey);
    EXPECT_EQ(KIND_BRIEFCASE, entry->Kind);
    EXPECT_EQ(nullptr, GetEntry(list_, 1));
    EXPECT_EQ(nullptr, GetEntry(list_, -1));
}

TEST_F(EntryTest, UpdateEntryRefusesRowsOutsideTheList)
{
    AddRow(list_, "a", "x,1", "x,1", nullptr, "3");
    IconEntry source = {};
    source.ChangeState = STATE_CHANGED;
    for (int row : {-1, 1, 7})
        EXPECT_EQ(0, UpdateEntry(list_, row, &source, EF_CHANGESTATE)) << row;
    EXPECT_EQ(STATE_UNCHANGED, Row(0)->ChangeState);
    EXPECT_EQ(0, ListHost::SetChangedCount());
}

TEST_F(EntryTest, UpdateEntryPointerRules)
{
    std::string lib = FixturePath("icons12.dll");
    std::string saved = lib + ",4";
    AddRow(list_, "a", (lib + ",1").c_str(), saved.c_str(), "std,0", "3");
    IconEntry *entry = Row(0);

    // Undo hands over the entry's own SavedLocation.
    IconEntry undo = *entry;
    undo.CurrentLocation = entry->SavedLocation;
    undo.ChangeState = STATE_UNCHANGED;
    ASSERT_EQ(1, UpdateEntry(list_, 0, &undo, EF_CURRENTLOCATION | EF_CHANGESTATE));
    EXPECT_EQ(saved, Text(entry->CurrentLocation));
    EXPECT_NE(entry->SavedLocation, entry->CurrentLocation);
    EXPECT_NE(nullptr, entry->LargeIcon);

    // Both locations swapped in one call: neither copy may read freed text.
    IconEntry swap = *entry;
    swap.CurrentLocation = entry->DefaultLocation;
    swap.DefaultLocation = entry->CurrentLocation;
    ASSERT_EQ(1, UpdateEntry(list_, 0, &swap, EF_CURRENTLOCATION | EF_DEFAULTLOCATION));
    EXPECT_EQ("std,0", Text(entry->CurrentLocation));
    EXPECT_EQ(saved, Text(entry->DefaultLocation));
    EXPECT_EQ(nullptr, entry->LargeIcon);   // "std" is no file

    // The same pointer is left alone; null texts follow the field's rule.
    char *keyBefore = entry->RegistryKey;
    IconEntry nulls = {};
    nulls.RegistryKey = entry->RegistryKey;
    ASSERT_EQ(1, UpdateEntry(list_, 0, &nulls,
                             EF_DISPLAYNAME | EF_CURRENTLOCATION | EF_SAVEDLOCATION | EF_DEFAULTLOCATION |
                                 EF_REGISTRYKEY | EF_KIND));
    EXPECT_EQ(keyBefore, entry->RegistryKey);
    EXPECT_EQ("", Text(entry->DisplayName));
    EXPECT_EQ("", Text(entry->CurrentLocation));
    EXPECT_EQ(nullptr, entry->SavedLocation);
    EXPECT_EQ(nullptr, entry->DefaultLocation);
    EXPECT_EQ(KIND_ORDINARY, entry->Kind);
}

TEST_F(EntryTest, ChangeBackToSavedClearsTheMarkButNotThePendingFlag)
{
    std::string lib = FixturePath("icons12.dll");
    std::string saved = lib + ",1";
    std::string other = lib + ",2";
    AddRow(list_, "a", saved.c_str(), saved.c_str(), nullptr, "3");

    ASSERT_EQ(1, ChangeRow(list_, 0, other.c_str()));
    EXPECT_EQ(STATE_CHANGED, Row(0)->ChangeState);
    EXPECT_EQ(1, ListHost::SetChangedCount());
    EXPECT_TRUE(ListHost::Pending());

    std::string back = lib + ",1";   // another buffer with the saved text
    ASSERT_EQ(1, ChangeRow(list_, 0, back.c_str()));
    EXPECT_EQ(STATE_UNCHANGED, Row(0)->ChangeState);
    EXPECT_EQ(1, ListHost::SetChangedCount());
    EXPECT_TRUE(ListHost::Pending());

    // Once pending, further changes do not tell the sheet again.
    IconEntry change = {};
    change.ChangeState = STATE_THEME;
    UpdateEntry(list_, 0, &change, EF_CHANGESTATE);
    EXPECT_EQ(1, ListHost::SetChangedCount());
}

TEST_F(EntryTest, OnlyTheSelectedRowRefreshesThePreview)
{
    std::string lib = FixturePath("icons12.dll");
    AddRow(list_, "a", (lib + ",1").c_str(), nullptr, nullptr, "3");
    AddRow(list_, "b", (lib + ",2").c_str(), nullptr, nullptr, "4");
    HWND preview = GetDlgItem(page_, IDC_PREVIEW);
    SendMessageA(list_, LB_SETCURSEL, 0, 0);
    RefreshPreview(list_);
    HGDIOBJ before = reinterpret_cast<HGDIOBJ>(SendMessageA(preview, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(nullptr, before);

    std::string location = lib + ",5";
    IconEntry change = {};
    change.CurrentLocation = const_cast<char *>(location.c_str());
    UpdateEntry(list_, 1, &change, EF_CURRENTLOCATION);
    EXPECT_EQ(before, reinterpret_cast<HGDIOBJ>(SendMessageA(preview, STM_GETIMAGE, IMAGE_BITMAP, 0)));

    UpdateEntry(list_, 0, &change, EF_CURRENTLOCATION);
    HGDIOBJ after = reinterpret_cast<HGDIOBJ>(SendMessageA(preview, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_NE(before, after);
    EXPECT_EQ(0u, GetObjectType(before)) << "the replaced preview bitmap is released";
}

// --- CommitEntry ---------------------------------------------------------------------------

class CommitTest : public testing::Test {
protected:
    CommitTest()
    {
        saved_.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
        saved_.Tree(HKEY_LOCAL_MACHINE, kClassPath);
        saved_.Tree(HKEY_CURRENT_USER, kClassPath);
    }

    static IconEntry Entry(const char *current, const char *key, BYTE kind = KIND_ORDINARY,
                           const char *standard = nullptr)
    {
        IconEntry entry = {};
        entry.CurrentLocation = const_cast<char *>(current);
        entry.RegistryKey = const_cast<char *>(key);
        entry.Kind = kind;
        entry.DefaultLocation = const_cast<char *>(standard);
        return entry;
    }

    static std::string ShellIcon(const char *name) { return GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, name); }
    static std::string ClassValue(HKEY root, const char *name) { return GetRegString(root, kIconKey.c_str(), name); }

    ListHost host_;
    SavedRegistry saved_;
};

TEST_F(CommitTest, ShellIconsValueIsWrittenOrDeleted)
{
    std::string system = SystemDir();
    std::string upperSystem = system;
    CharUpperA(&upperSystem[0]);
    struct Case {
        std::string current;
        const char *key;
        const char *expected;   // value "3" afterwards
    } cases[] = {
        {"C:\\x.dll,5", "3", "C:\\x.dll,5"},
        {"shell32.dll,3", "3", "<no value>"},
        {"SHELL32.DLL,3", "3", "<no value>"},
        {system + "shell32.dll,3", "3", "<no value>"},
        {upperSystem + "SHELL32.dll,3", "3", "<no value>"},
        {system + "shell32.dll,4", "3", nullptr},   // another index is an override
        {system + "cool.dll,11", "3", nullptr},
        {"", "3", "seed"},
        {"C:\\x.dll,5", "0003", "seed"},   // longer than three characters
        {"C:\\x.dll,5", nullptr, "seed"},
    };
    for (const Case &c : cases) {
        SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", "seed");
        IconEntry entry = Entry(c.current.c_str(), c.key);
        CommitEntry(&entry);
        EXPECT_EQ(c.expected != nullptr ? std::string(c.expected) : c.current, ShellIcon("3"))
            << c.current << " key " << Text(c.key);
    }
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "0003"));

    IconEntry wide = Entry("C:\\y.dll,1", "123");
    CommitEntry(&wide);
    EXPECT_EQ("C:\\y.dll,1", ShellIcon("123"));
}

TEST_F(CommitTest, ClassKindsWriteTheirValues)
{
    struct Case {
        BYTE kind;
        BYTE binFull;
        const char *standard;
        const char *defaultValue, *emptyValue, *fullValue;
    } cases[] = {
        {KIND_ORDINARY, 0, nullptr, "new,1", "<no value>", "<no value>"},
        {KIND_RECYCLE_EMPTY, 0, nullptr, "new,1", "new,1", "<no value>"},
        {KIND_RECYCLE_EMPTY, 1, nullptr, "<no value>", "new,1", "<no value>"},
        {KIND_RECYCLE_FULL, 0, nullptr, "<no value>", "<no value>", "new,1"},
        {KIND_RECYCLE_FULL, 1, nullptr, "new,1", "<no value>", "new,1"},
        {KIND_BROWSER, 0, "std,0", "new,1", "<no value>", "<no value>"},
    };
    for (const Case &c : cases) {
        DeleteRegTree(HKEY_LOCAL_MACHINE, kClassPath.c_str());
        Lists.RecycleBinShowsFull = c.binFull;
        IconEntry entry = Entry("new,1", kClassId, c.kind, c.standard);
        CommitEntry(&entry);
        EXPECT_EQ(c.defaultValue, ClassValue(HKEY_LOCAL_MACHINE, "")) << int(c.kind) << "/" << int(c.binFull);
        EXPECT_EQ(c.emptyValue, ClassValue(HKEY_LOCAL_MACHINE, "empty")) << int(c.kind) << "/" << int(c.binFull);
        EXPECT_EQ(c.fullValue, ClassValue(HKEY_LOCAL_MACHINE, "full")) << int(c.kind) << "/" << int(c.binFull);
    }

    DeleteRegTree(HKEY_LOCAL_MACHINE, kClassPath.c_str());
    std::string shortKey(kClassId, 37);
    IconEntry wrongLength = Entry("new,1", shortKey.c_str());
    CommitEntry(&wrongLength);
    IconEntry empty = Entry("", kClassId);
    CommitEntry(&empty);
    EXPECT_EQ("<no key>", ClassValue(HKEY_LOCAL_MACHINE, ""));
}

TEST_F(CommitTest, BrowserRowBackAtItsDefaultRemovesTheIconKeys)
{
    for (const char *standard : {"std,0", static_cast<const char *>(nullptr)}) {
        SetRegString(HKEY_LOCAL_MACHINE, kIconKey.c_str(), "", "old,2");
        SetRegString(HKEY_CURRENT_USER, kIconKey.c_str(), "", "old,2");
        IconEntry entry = Entry("std,0", kClassId, KIND_BROWSER, standard);
        CommitEntry(&entry);
        EXPECT_EQ("<no key>", ClassValue(HKEY_LOCAL_MACHINE, "")) << Text(standard);
        EXPECT_EQ("<no key>", ClassValue(HKEY_CURRENT_USER, "")) << Text(standard);
    }
    // Case matters here: a default differing in case is a change of its own.
    SetRegString(HKEY_LOCAL_MACHINE, kIconKey.c_str(), "", "old,2");
    IconEntry entry = Entry("STD,0", kClassId, KIND_BROWSER, "std,0");
    CommitEntry(&entry);
    EXPECT_EQ("STD,0", ClassValue(HKEY_LOCAL_MACHINE, ""));
}

TEST_F(CommitTest, PerUserMirrorOnlyUnderTheIntegratedShellAndWhereTheKeyExists)
{
    struct Case {
        BYTE integrated;
        bool userKey;
        const char *userValue;
    } cases[] = {
        {1, true, "new,1"},
        {1, false, "<no key>"},
        {0, true, "old,2"},
    };
    for (const Case &c : cases) {
        DeleteRegTree(HKEY_CURRENT_USER, kClassPath.c_str());
        if (c.userKey)
            SetRegString(HKEY_CURRENT_USER, kIconKey.c_str(), "", "old,2");
        Facts.IntegratedShell = c.integrated;
        IconEntry entry = Entry("new,1", kClassId, KIND_RECYCLE_EMPTY);
        Lists.RecycleBinShowsFull = 0;
        CommitEntry(&entry);
        EXPECT_EQ("new,1", ClassValue(HKEY_LOCAL_MACHINE, ""));
        EXPECT_EQ(c.userValue, ClassValue(HKEY_CURRENT_USER, "")) << int(c.integrated) << c.userKey;
        if (c.integrated && c.userKey)
            EXPECT_EQ("new,1", ClassValue(HKEY_CURRENT_USER, "empty"));
    }
}

TEST_F(CommitTest, BriefcaseSetsTheFileTypeIconToo)
{
    const char *briefcase = "Briefcase\\DefaultIcon";
    saved_.Tree(HKEY_CLASSES_ROOT, briefcase);

    std::string syncui = SystemDir() + "syncui.dll,0";
    struct Case {
        const char *current;
        const char *standard;
        std::string fileType;
    } cases[] = {
        {"std,0", "std,0", syncui},
        {"mine,3", "std,0", "mine,3"},
        {"Std,0", "std,0", "Std,0"},   // compared with case
        {"mine,3", nullptr, syncui},
    };
    for (const Case &c : cases) {
        SetRegString(HKEY_CLASSES_ROOT, briefcase, "", "old,9");
        IconEntry entry = Entry(c.current, kClassId, KIND_BRIEFCASE, c.standard);
        CommitEntry(&entry);
        EXPECT_EQ(c.fileType, GetRegString(HKEY_CLASSES_ROOT, briefcase, "")) << c.current;
        EXPECT_EQ(c.current, ClassValue(HKEY_LOCAL_MACHINE, "")) << c.current;
    }
    // Without the file type's key nothing is created for it.
    DeleteRegTree(HKEY_CLASSES_ROOT, briefcase);
    IconEntry entry = Entry("mine,3", kClassId, KIND_BRIEFCASE, "std,0");
    CommitEntry(&entry);
    EXPECT_EQ("<no key>", GetRegString(HKEY_CLASSES_ROOT, briefcase, ""));
    EXPECT_EQ("mine,3", ClassValue(HKEY_LOCAL_MACHINE, ""));
}

}  // namespace
