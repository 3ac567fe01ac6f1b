// The shell's standard pictures that the Shell Icons key can override, by shell32.dll index.
#include "lists/catalogues.h"

#include "common/appstate.h"
#include "shellglue/startfacts.h"
#include "common/tabs.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/shellkeys.h"

namespace {



struct ShellIconRow {
    BYTE index;          // value name under Shell Icons and icon index in shell32.dll
    const char *title;   // code page 932
};

// Titles are code page 932 bytes (half-width katakana and kanji).
const ShellIconRow kRows[] = {
    // General, rows 0-12
    {3, "\xcc\xab\xd9\xc0\xde (close)"},                                   // ﾌｫﾙﾀﾞ (close)
    {4, "\xcc\xab\xd9\xc0\xde (open)"},                                    // ﾌｫﾙﾀﾞ (open)
    {36, "\xcc\xdf\xdb\xb8\xde\xd7\xd1 \xcc\xab\xd9\xc0\xde"},             // ﾌﾟﾛｸﾞﾗﾑ ﾌｫﾙﾀﾞ
    {29, "\xbc\xae\xb0\xc4\xb6\xaf\xc4 \xcf\xb0\xb8"},                     // ｼｮｰﾄｶｯﾄ ﾏｰｸ
    {28, "\x8b\xa4\x97\x4c \xcf\xb0\xb8"},                                 // 共有 ﾏｰｸ
    {0, "\x94\xf1\x8a\xd6\x98\x41\x95\x74\x82\xaf\x95\xb6\x8f\x91"},       // 非関連付け文書
    {1, "\xb1\xb2\xba\xdd\x82\xf0\x8e\x9d\x82\xbd\x82\xc8\x82\xa2\x8a\xd6\x98\x41\x95\x74\x82\xaf"
        "\x95\xb6\x8f\x91"},                                               // ｱｲｺﾝを持たない関連付け文書
    {2, "\xb1\xb2\xba\xdd\x82\xf0\x8e\x9d\x82\xbd\x82\xc8\x82\xa2\x8e\xc0\x8d\x73\xcc\xa7\xb2\xd9"},
                                                                           // ｱｲｺﾝを持たない実行ﾌｧｲﾙ
    {40, "\x89\xb9\x8a\x79" "CD"},                                         // 音楽CD
    {16, "\xcc\xdf\xd8\xdd\xc0"},                                          // ﾌﾟﾘﾝﾀ
    {34, "\xc3\xde\xbd\xb8\xc4\xaf\xcc\xdf"},                              // ﾃﾞｽｸﾄｯﾌﾟ
    {13, "\xc8\xaf\xc4\xdc\xb0\xb8\x91\x53\x91\xcc"},                      // ﾈｯﾄﾜｰｸ全体
    {18, "\xdc\xb0\xb8\xb8\xde\xd9\xb0\xcc\xdf"},                          // ﾜｰｸｸﾞﾙｰﾌﾟ
    // Drive, rows 13-20
    {8, "\x8c\xc5\x92\xe8\xc3\xde\xa8\xbd\xb8 \xc4\xde\xd7\xb2\xcc\xde"},  // 固定ﾃﾞｨｽｸ ﾄﾞﾗｲﾌﾞ
    {9, "\xc8\xaf\xc4\xdc\xb0\xb8 \xc4\xde\xd7\xb2\xcc\xde"},              // ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ
    {10, "\xc8\xaf\xc4\xdc\xb0\xb8 \xc4\xde\xd7\xb2\xcc\xde (\x90\xd8\x92\x66)"}, // ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ (切断)
    {11, "CD-ROM \xc4\xde\xd7\xb2\xcc\xde"},                               // CD-ROM ﾄﾞﾗｲﾌﾞ
    {6, "3.5\xb2\xdd\xc1 FDD"},                                            // 3.5ｲﾝﾁ FDD
    {5, "5.25\xb2\xdd\xc1 FDD"},                                           // 5.25ｲﾝﾁ FDD
    {7, "\xd8\xd1\xb0\xca\xde\xcc\xde\xd9 \xc4\xde\xd7\xb2\xcc\xde"},      // ﾘﾑｰﾊﾞﾌﾞﾙ ﾄﾞﾗｲﾌﾞ
    {12, "RAM \xc4\xde\xd7\xb2\xcc\xde"},                                  // RAM ﾄﾞﾗｲﾌﾞ
    // Start menu, rows 21-34 (the last two only with the integrated shell)
    {19, "\xcc\xdf\xdb\xb8\xde\xd7\xd1"},                                  // ﾌﾟﾛｸﾞﾗﾑ
    {20, "\x8d\xc5\x8b\xdf\x8e\x67\x82\xc1\x82\xbd\xcc\xa7\xb2\xd9"},      // 最近使ったﾌｧｲﾙ
    {21, "\x90\xdd\x92\xe8"},                                              // 設定
    {22, "\x8c\x9f\x8d\xf5"},                                              // 検索
    {23, "\xcd\xd9\xcc\xdf"},                                              // ﾍﾙﾌﾟ
    {24, "\xcc\xa7\xb2\xd9\x96\xbc\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x8e\xc0\x8d\x73"},
                                                                           // ﾌｧｲﾙ名を指定して実行
    {25, "\xbb\xbd\xcd\xdf\xdd\xc4\xde"},                                  // ｻｽﾍﾟﾝﾄﾞ
    {26, "\xc4\xde\xaf\xb7\xdd\xb8\xde \xbd\xc3\xb0\xbc\xae\xdd"},         // ﾄﾞｯｷﾝｸﾞ ｽﾃｰｼｮﾝ
    {27, "Windows\x82\xcc\x8f\x49\x97\xb9"},                               // Windowsの終了
    {35, "\x90\xdd\x92\xe8 - \xba\xdd\xc4\xdb\xb0\xd9 \xca\xdf\xc8\xd9"},  // 設定 - ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ
    {37, "\x90\xdd\x92\xe8 - \xcc\xdf\xd8\xdd\xc0"},                       // 設定 - ﾌﾟﾘﾝﾀ
    {39, "\x90\xdd\x92\xe8 - \xc0\xbd\xb8\xca\xde\xb0"},                   // 設定 - ﾀｽｸﾊﾞｰ
    {43, "\x82\xa8\x8b\x43\x82\xc9\x93\xfc\x82\xe8"},                      // お気に入り
    {44, "\xdb\xb8\xde\xb5\xcc"},                                          // ﾛｸﾞｵﾌ
};

// cool.dll icon for each Shell Icons index 0-40; 255: cool.dll has none.
const BYTE kCoolIconMap[41] = {
    37, 255, 255, 11, 18, 9, 8, 255, 0, 1, 29, 10, 255, 13, 255, 28, 22, 17, 255, 4, 2,
    6, 3, 15, 5, 33, 32, 7, 34, 255, 255, 20, 21, 27, 255, 12, 24, 19, 14, 255, 26,
};

struct RowRange {
    int first;
    int last;
};

RowRange RangeOfTab(int tab)
{
    switch (tab) {
    case TAB_GENERAL:
        return {0, 12};
    case TAB_DRIVE:
        return {13, 20};
    case TAB_STARTMENU:
        return {21, Facts.IntegratedShell ? 34 : 32};
    default:
        return {0, -1};
    }
}

// "<system folder><file>,<index>" into a LOCATION_BUFFER.
void SystemLocation(char *location, const char *file, int index)
{
    char tail[32];
    wsprintfA(tail, "%s,%d", file, index);
    CopyText(location, Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "", LOCATION_BUFFER);
    AppendText(location, tail, LOCATION_BUFFER);
}

}  // namespace

void FillShellIconsList(HWND list, int tab)
{
    RowRange range = RangeOfTab(tab);
    bool coolRule = Facts.CoolIconsAvailable && (!Facts.IntegratedShell || Facts.PlusMode);

    for (int row = range.first; row <= range.last; ++row) {
        int index = kRows[row].index;
        char name[8];
        wsprintfA(name, "%d", index);

        char own[LOCATION_BUFFER];
        SystemLocation(own, "shell32.dll", index);

        // An empty override counts as none: the shell then draws its own picture too.
        GlobalText value(ReadRegString(HKEY_LOCAL_MACHINE, SHELL_ICONS_KEY, name));
        const char *current = value.Get() != nullptr && value.Get()[0] != '\0' ? value.Get() : own;

        char standard[LOCATION_BUFFER];
        if (coolRule && index < 41 && kCoolIconMap[index] != 255)
            SystemLocation(standard, "cool.dll", kCoolIconMap[index]);
        else
            CopyText(standard, own, LOCATION_BUFFER);

        IconEntry entry = {};
        entry.DisplayName = const_cast<char *>(kRows[row].title);
        entry.CurrentLocation = const_cast<char *>(current);
        entry.SavedLocation = const_cast<char *>(current);
        entry.DefaultLocation = standard;
        entry.RegistryKey = name;
        entry.Kind = KIND_ORDINARY;
        entry.ChangeState = STATE_UNCHANGED;
        AddEntry(list, &entry);
    }
}
