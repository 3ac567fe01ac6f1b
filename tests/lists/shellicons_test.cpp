#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/catalogues.h"
#include "lists/liststandard.h"
#include "support/listhost.h"
#include "support/listrows.h"

namespace {

struct Row {
    const char *key;
    const char *title;   // UTF-8
};

const Row kGeneral[] = {
    {"3", u8"ﾌｫﾙﾀﾞ (close)"}, {"4", u8"ﾌｫﾙﾀﾞ (open)"}, {"36", u8"ﾌﾟﾛｸﾞﾗﾑ ﾌｫﾙﾀﾞ"},
    {"29", u8"ｼｮｰﾄｶｯﾄ ﾏｰｸ"}, {"28", u8"共有 ﾏｰｸ"}, {"0", u8"非関連付け文書"},
    {"1", u8"ｱｲｺﾝを持たない関連付け文書"}, {"2", u8"ｱｲｺﾝを持たない実行ﾌｧｲﾙ"}, {"40", u8"音楽CD"},
    {"16", u8"ﾌﾟﾘﾝﾀ"}, {"34", u8"ﾃﾞｽｸﾄｯﾌﾟ"}, {"13", u8"ﾈｯﾄﾜｰｸ全体"}, {"18", u8"ﾜｰｸｸﾞﾙｰﾌﾟ"},
};
const Row kDrive[] = {
    {"8", u8"固定ﾃﾞｨｽｸ ﾄﾞﾗｲﾌﾞ"}, {"9", u8"ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ"}, {"10", u8"ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ (切断)"},
    {"11", u8"CD-ROM ﾄﾞﾗｲﾌﾞ"}, {"6", u8"3.5ｲﾝﾁ FDD"}, {"5", u8"5.25ｲﾝﾁ FDD"},
    {"7", u8"ﾘﾑｰﾊﾞﾌﾞﾙ ﾄﾞﾗｲﾌﾞ"}, {"12", u8"RAM ﾄﾞﾗｲﾌﾞ"},
};
const Row kStartMenu[] = {
    {"19", u8"ﾌﾟﾛｸﾞﾗﾑ"}, {"20", u8"最近使ったﾌｧｲﾙ"}, {"21", u8"設定"}, {"22", u8"検索"}, {"23", u8"ﾍﾙﾌﾟ"},
    {"24", u8"ﾌｧｲﾙ名を指定して実行"}, {"25", u8"ｻｽﾍﾟﾝﾄﾞ"}, {"26", u8"ﾄﾞｯｷﾝｸﾞ ｽﾃｰｼｮﾝ"},
    {"27", u8"Windowsの終了"}, {"35", u8"設定 - ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ"}, {"37", u8"設定 - ﾌﾟﾘﾝﾀ"},
    {"39", u8"設定 - ﾀｽｸﾊﾞｰ"}, {"43", u8"お気に入り"}, {"44", u8"ﾛｸﾞｵﾌ"},
};

class ShellIconsTest : public testing::Test {
protected:
    ShellIconsTest()
    {
        // Every value a test might leave behind is put back as it was.
        saved_.Tree(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY);
        for (const Row *rows : {kGeneral, kDrive, kStartMenu}) {
            size_t count = rows == kGeneral ? 13 : rows == kDrive ? 8 : 14;
            for (size_t i = 0; i < count; ++i)
                DeleteRegValue(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, rows[i].key);
        }
        system_ = SystemDir();
    }

    HWND Fill(int tab)
    {
        HWND page = host_.CreatePage(tab);
        SendMessageA(page, UM_FILLLIST, 0, 0);
        return ListOf(page);
    }

    // The row with the given Shell Icons index.
    static IconEntry *Find(HWND list, const char *key) { return GetEntry(list, RowOfKey(list, key)); }

    std::string Own(const char *key) const { return system_ + "shell32.dll," + key; }
    std::string Cool(int index) const { return system_ + "cool.dll," + std::to_string(index); }

    SavedRegistry saved_;
    ListHost host_;
    std::string system_;
};

TEST_F(ShellIconsTest, EachTabListsItsRowsInOrder)
{
    struct Case {
        int tab;
        BYTE integrated;
        const Row *rows;
        int count;
    } cases[] = {
        {TAB_GENERAL, 0, kGeneral, 13},
        {TAB_DRIVE, 0, kDrive, 8},
        {TAB_STARTMENU, 0, kStartMenu, 12},
        {TAB_STARTMENU, 1, kStartMenu, 14},   // Favorites and Log off at the end
    };
    for (const Case &c : cases) {
        Facts.IntegratedShell = c.integrated;
        HWND list = Fill(c.tab);
        ASSERT_EQ(c.count, Rows(list)) << c.tab;
        for (int row = 0; row < c.count; ++row) {
            IconEntry *entry = GetEntry(list, row);
            EXPECT_EQ(c.rows[row].key, Text(entry->RegistryKey)) << c.tab << "/" << row;
            EXPECT_EQ(Ansi(c.rows[row].title), Text(entry->DisplayName)) << c.tab << "/" << row;
            EXPECT_EQ(Own(c.rows[row].key), Text(entry->CurrentLocation));
            EXPECT_EQ(Own(c.rows[row].key), Text(entry->SavedLocation));
            EXPECT_EQ(Own(c.rows[row].key), Text(entry->DefaultLocation));
            EXPECT_EQ(KIND_ORDINARY, entry->Kind);
            EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState);
        }
        // Filled, but nothing chosen yet.
        EXPECT_EQ(LB_ERR, SendMessageA(list, LB_GETCURSEL, 0, 0));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(GetParent(list), IDC_LIST_CHANGE)));
        DestroyWindow(GetParent(list));
    }

    // Tabs without Shell Icons rows add nothing.
    HWND list = host_.CreatePage(TAB_SPECIAL);
    FillShellIconsList(ListOf(list), TAB_SPECIAL);
    EXPECT_EQ(0, Rows(ListOf(list)));
}

TEST_F(ShellIconsTest, RegistryValuesBecomeTheCurrentLocation)
{
    std::string library = FixturePath("icons12.dll") + ",2";
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", "%SystemRoot%\\x.dll,5", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", "");
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "36", library.c_str());
    char windows[MAX_PATH];
    ExpandEnvironmentStringsA("%SystemRoot%", windows, MAX_PATH);

    HWND list = Fill(TAB_GENERAL);
    struct Case {
        const char *key;
        std::string current;
    } cases[] = {
        {"3", std::string(windows) + "\\x.dll,5"},
        {"4", Own("4")},   // empty counts as absent
        {"36", library},
        {"29", Own("29")},
    };
    for (const Case &c : cases) {
        IconEntry *entry = Find(list, c.key);
        ASSERT_NE(nullptr, entry) << c.key;
        EXPECT_EQ(c.current, Text(entry->CurrentLocation)) << c.key;
        EXPECT_EQ(c.current, Text(entry->SavedLocation)) << c.key;
        EXPECT_EQ(Own(c.key), Text(entry->DefaultLocation)) << c.key;
    }
    EXPECT_NE(nullptr, Find(list, "36")->LargeIcon);
}

TEST_F(ShellIconsTest, CoolDllDefaultsOnlyUnderItsRule)
{
    struct Case {
        BYTE available, integrated, plus;
        bool cool;
    } cases[] = {
        {1, 0, 0, true}, {1, 1, 0, false}, {1, 1, 1, true}, {0, 0, 0, false}, {0, 1, 1, false},
    };
    for (const Case &c : cases) {
        Facts.CoolIconsAvailable = c.available;
        Facts.IntegratedShell = c.integrated;
        Facts.PlusMode = c.plus;
        HWND general = Fill(TAB_GENERAL);
        HWND start = Fill(TAB_STARTMENU);
        HWND drive = Fill(TAB_DRIVE);
        std::string label = std::to_string(c.available) + std::to_string(c.integrated) + std::to_string(c.plus);
        EXPECT_EQ(c.cool ? Cool(11) : Own("3"), Text(Find(general, "3")->DefaultLocation)) << label;
        EXPECT_EQ(c.cool ? Cool(26) : Own("40"), Text(Find(general, "40")->DefaultLocation)) << label;
        EXPECT_EQ(c.cool ? Cool(37) : Own("0"), Text(Find(general, "0")->DefaultLocation)) << label;
        EXPECT_EQ(c.cool ? Cool(0) : Own("8"), Text(Find(drive, "8")->DefaultLocation)) << label;
        EXPECT_EQ(c.cool ? Cool(19) : Own("37"), Text(Find(start, "37")->DefaultLocation)) << label;
        // No counterpart: the shortcut mark, the RAM drive, and indexes past the map.
        EXPECT_EQ(Own("29"), Text(Find(general, "29")->DefaultLocation)) << label;
        EXPECT_EQ(Own("12"), Text(Find(drive, "12")->DefaultLocation)) << label;
        if (c.integrated)
            EXPECT_EQ(Own("44"), Text(Find(start, "44")->DefaultLocation)) << label;
        // The current icon is the shell's own whatever the rule.
        EXPECT_EQ(Own("3"), Text(Find(general, "3")->CurrentLocation)) << label;
        for (HWND list : {general, start, drive})
            DestroyWindow(GetParent(list));
    }
}

// Restore default to cool.dll, apply, then back to the shell's own picture, apply.
TEST_F(ShellIconsTest, RestoringDefaultsRoundTripsThroughTheRegistry)
{
    std::string cool = system_ + "cool.dll";
    ASSERT_TRUE(CopyFileA(FixturePath("cool.dll").c_str(), cool.c_str(), FALSE));
    Facts.CoolIconsAvailable = 1;
    HWND list = Fill(TAB_GENERAL);
    int row = RowOfKey(list, "3");
    IconEntry *entry = GetEntry(list, row);

    ASSERT_EQ(1, ChangeRow(list, row, entry->DefaultLocation));
    EXPECT_EQ(STATE_CHANGED, entry->ChangeState);
    EXPECT_NE(nullptr, entry->LargeIcon) << "cool.dll icon 11 loads";

    EXPECT_EQ(1, CommitChangedRows(list));
    EXPECT_EQ(Cool(11), GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"));
    EXPECT_EQ(Cool(11), Text(entry->SavedLocation));

    // After the apply the shell's own location is a change, committed by deleting the value.
    ChangeRow(list, row, Own("3").c_str());
    CommitEntry(entry);
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"));

    DestroyWindow(GetParent(list));
    DeleteFileA(cool.c_str());
}

// Apply's part for each list: every changed row reaches the Shell Icons key, the others are
// left alone, and every row is unchanged afterwards.
TEST_F(ShellIconsTest, ApplyCommitsChangedRowsOnly)
{
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", "C:\\old.dll,1");
    HWND general = Fill(TAB_GENERAL);
    HWND start = Fill(TAB_STARTMENU);
    std::string chosen = FixturePath("icons12.dll") + ",4";

    ChangeRow(general, RowOfKey(general, "3"), chosen.c_str());
    ChangeRow(general, RowOfKey(general, "4"), Own("4").c_str());   // restore default: the value goes
    ChangeRow(start, RowOfKey(start, "19"), chosen.c_str());
    ChangeRow(start, RowOfKey(start, "19"), Own("19").c_str());   // and back: nothing to write
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "19", "external,1");
    ASSERT_TRUE(ListHost::Pending());

    EXPECT_EQ(2, CommitChangedRows(general));
    EXPECT_EQ(0, CommitChangedRows(start));

    EXPECT_EQ(chosen, GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4"));
    EXPECT_EQ("external,1", GetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "19"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "36"));
    for (HWND list : {general, start}) {
        for (int row = 0; row < Rows(list); ++row) {
            IconEntry *entry = GetEntry(list, row);
            EXPECT_EQ(STATE_UNCHANGED, entry->ChangeState) << row;
            EXPECT_EQ(Text(entry->CurrentLocation), Text(entry->SavedLocation)) << row;
        }
    }
}

// Everything to the standard under the cool.dll rule: overrides go, whatever they name, and
// rows that had none get none.
TEST_F(ShellIconsTest, EverythingToTheStandardRemovesOverridesAndMakesNone)
{
    Facts.CoolIconsAvailable = 1;
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "3", (FixturePath("icons12.dll") + ",4").c_str());
    SetRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, "4", Cool(18).c_str());
    HWND lists[] = {Fill(TAB_GENERAL), Fill(TAB_STARTMENU), Fill(TAB_DRIVE)};
    EXPECT_EQ(2, MarkListsStandard());
    for (HWND list : lists)
        CommitChangedRows(list);
    for (const char *key : {"3", "4", "0", "19", "8"})
        EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, key)) << key;
}

}  // namespace
