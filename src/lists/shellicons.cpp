// The shell's standard pictures that the Shell Icons key can override, by shell32.dll index.
#include "lists/catalogues.h"

#include "common/appstate.h"
#include "common/pump.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/startfacts.h"
#include "common/tabs.h"
#include "lists/iconentry.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"
#include "shellglue/shellkeys.h"

namespace {



struct ShellIconRow {
    BYTE index;          // value name under Shell Icons and icon index in shell32.dll
    WORD title;          // string table
};

const ShellIconRow kRows[] = {
    // General, rows 0-12
    {3, IDS_SHELLROW_FIRST + 0},    // ﾌｫﾙﾀﾞ (close)
    {4, IDS_SHELLROW_FIRST + 1},    // ﾌｫﾙﾀﾞ (open)
    {36, IDS_SHELLROW_FIRST + 2},   // ﾌﾟﾛｸﾞﾗﾑ ﾌｫﾙﾀﾞ
    {29, IDS_SHELLROW_FIRST + 3},   // ｼｮｰﾄｶｯﾄ ﾏｰｸ
    {28, IDS_SHELLROW_FIRST + 4},   // 共有 ﾏｰｸ
    {0, IDS_SHELLROW_FIRST + 5},    // 非関連付け文書
    {1, IDS_SHELLROW_FIRST + 6},    // ｱｲｺﾝを持たない関連付け文書
    {2, IDS_SHELLROW_FIRST + 7},    // ｱｲｺﾝを持たない実行ﾌｧｲﾙ
    {40, IDS_SHELLROW_FIRST + 8},   // 音楽CD
    {16, IDS_SHELLROW_FIRST + 9},   // ﾌﾟﾘﾝﾀ
    {34, IDS_SHELLROW_FIRST + 10},  // ﾃﾞｽｸﾄｯﾌﾟ
    {13, IDS_SHELLROW_FIRST + 11},  // ﾈｯﾄﾜｰｸ全体
    {18, IDS_SHELLROW_FIRST + 12},  // ﾜｰｸｸﾞﾙｰﾌﾟ
    // Drive, rows 13-20
    {8, IDS_SHELLROW_FIRST + 13},   // 固定ﾃﾞｨｽｸ ﾄﾞﾗｲﾌﾞ
    {9, IDS_SHELLROW_FIRST + 14},   // ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ
    {10, IDS_SHELLROW_FIRST + 15},  // ﾈｯﾄﾜｰｸ ﾄﾞﾗｲﾌﾞ (切断)
    {11, IDS_SHELLROW_FIRST + 16},  // CD-ROM ﾄﾞﾗｲﾌﾞ
    {6, IDS_SHELLROW_FIRST + 17},   // 3.5ｲﾝﾁ FDD
    {5, IDS_SHELLROW_FIRST + 18},   // 5.25ｲﾝﾁ FDD
    {7, IDS_SHELLROW_FIRST + 19},   // ﾘﾑｰﾊﾞﾌﾞﾙ ﾄﾞﾗｲﾌﾞ
    {12, IDS_SHELLROW_FIRST + 20},  // RAM ﾄﾞﾗｲﾌﾞ
    // Start menu, rows 21-34 (the last two only with the integrated shell)
    {19, IDS_SHELLROW_FIRST + 21},  // ﾌﾟﾛｸﾞﾗﾑ
    {20, IDS_SHELLROW_FIRST + 22},  // 最近使ったﾌｧｲﾙ
    {21, IDS_SHELLROW_FIRST + 23},  // 設定
    {22, IDS_SHELLROW_FIRST + 24},  // 検索
    {23, IDS_SHELLROW_FIRST + 25},  // ﾍﾙﾌﾟ
    {24, IDS_SHELLROW_FIRST + 26},  // ﾌｧｲﾙ名を指定して実行
    {25, IDS_SHELLROW_FIRST + 27},  // ｻｽﾍﾟﾝﾄﾞ
    {26, IDS_SHELLROW_FIRST + 28},  // ﾄﾞｯｷﾝｸﾞ ｽﾃｰｼｮﾝ
    {27, IDS_SHELLROW_FIRST + 29},  // Windowsの終了
    {35, IDS_SHELLROW_FIRST + 30},  // 設定 - ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ
    {37, IDS_SHELLROW_FIRST + 31},  // 設定 - ﾌﾟﾘﾝﾀ
    {39, IDS_SHELLROW_FIRST + 32},  // 設定 - ﾀｽｸﾊﾞｰ
    {43, IDS_SHELLROW_FIRST + 33},  // お気に入り
    {44, IDS_SHELLROW_FIRST + 34},  // ﾛｸﾞｵﾌ
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
        char title[TEXT_BUFFER];
        CopyText(title, LoadText(kRows[row].title), TEXT_BUFFER);
        entry.DisplayName = title;
        entry.CurrentLocation = const_cast<char *>(current);
        entry.SavedLocation = const_cast<char *>(current);
        entry.DefaultLocation = standard;
        entry.RegistryKey = name;
        entry.Kind = KIND_ORDINARY;
        entry.ChangeState = STATE_UNCHANGED;
        AddEntry(list, &entry);
        if (!ServeSheetEveryFewRows(list, row - range.first))
            return;
    }
}
