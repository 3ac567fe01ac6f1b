#include <gtest/gtest.h>

#include <string>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "support/testing.h"

namespace {

// The texts themselves are checked where the user meets them; here only what every text
// needs: code-page-932 bytes, and room in LoadText's shared buffer.
TEST(StringTable, EveryTextAsCodePage932Bytes)
{
    ASSERT_EQ(932u, GetACP());
    for (UINT id = 1; id <= 31; ++id) {
        char full[256] = {0};
        int length = LoadStringA(AppInstance(), id, full, sizeof full);
        EXPECT_EQ(id != 14 && id != 15, length > 0) << "text " << id;
        EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, full, length + 1, nullptr, 0)) << "text " << id;
        if (id != IDS_DRIVEREFRESHHINT)
            EXPECT_LT(length, 80) << "text " << id;
    }
    // Spot-check real bytes: half-width katakana stays single-byte.
    char text[80];
    LoadStringA(AppInstance(), IDS_TAB_DESKTOP, text, sizeof text);
    EXPECT_STREQ("\xC3\xDE\xBD\xB8\xC4\xAF\xCC\xDF", text);
}

TEST(StringTable, LoadTextSharesOneBuffer)
{
    const char *first = LoadText(IDS_CAPTION);
    EXPECT_STREQ("Tilefox", first);
    const char *second = LoadText(IDS_TAB_GENERAL);
    EXPECT_EQ(first, second);   // a caller that needs both copies the first
    EXPECT_EQ(Ansi(u8" 一般 "), std::string(second));
    EXPECT_STREQ("", LoadText(14));
    EXPECT_STREQ("", LoadText(15));
    EXPECT_STREQ("", LoadText(999));
    // Text 23 does not fit the shared buffer: it comes back cut, still terminated.
    char full[256] = "";
    LoadStringA(AppInstance(), IDS_DRIVEREFRESHHINT, full, sizeof full);
    const char *cut = LoadText(IDS_DRIVEREFRESHHINT);
    EXPECT_LE(lstrlenA(cut), 79);
    EXPECT_GT(lstrlenA(cut), 70);
    EXPECT_EQ(0, std::string(full).compare(0, lstrlenA(cut), cut));
}

struct Item {
    UINT id;        // 0 for a separator, -1 for a sub-menu
    const char *utf8;
};

void ExpectMenu(HMENU menu, const Item *items, int count, const char *where)
{
    ASSERT_EQ(count, GetMenuItemCount(menu)) << where;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = {};
        char text[80] = {0};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info)) << where << " " << i;
        if (items[i].id == 0) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << where << " " << i;
            continue;
        }
        EXPECT_EQ(Ansi(items[i].utf8), std::string(text)) << where << " " << i;
        if (items[i].id == UINT(-1))
            EXPECT_NE(nullptr, info.hSubMenu) << where << " " << i;
        else
            EXPECT_EQ(items[i].id, info.wID) << where << " " << i;
    }
}

TEST(ContextMenus, BothPopupsItemByItem)
{
    HMENU menu = LoadMenuA(AppInstance(), MAKEINTRESOURCEA(IDM_CONTEXT));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(2, GetMenuItemCount(menu));

    const Item list[] = {
        {UINT(-1), u8"表示(&V)"}, {0, nullptr},
        {IDM_COPY, u8"コピー(&C)"}, {IDM_PASTE, u8"貼り付け(&P)"}, {0, nullptr},
        {IDM_CHANGEICON, u8"アイコンの変更(&I)"}, {IDM_DEFAULT, u8"標準に戻す(&M)"},
        {IDM_UNDO, u8"変更を取り消す(&U)"}, {0, nullptr},
        {IDM_PROPERTIES, u8"プロパティ(&R)"},
    };
    HMENU listMenu = GetSubMenu(menu, MENUPOS_LIST);
    ExpectMenu(listMenu, list, 10, "list");
    const Item view[] = {
        {IDM_VIEW_LARGE, u8"大きいアイコン(&G)"},
        {IDM_VIEW_SMALL, u8"小さいアイコン(&M)"},
        {IDM_VIEW_BOTH, u8"両方(&B)"},
    };
    ExpectMenu(GetSubMenu(listMenu, 0), view, 3, "view");
    const Item grid[] = {
        {IDM_GRID_COPY, u8"コピー(&C)"}, {0, nullptr}, {IDM_GRID_SELECT, u8"決定(&S)"},
    };
    ExpectMenu(GetSubMenu(menu, MENUPOS_GRID), grid, 3, "grid");
    DestroyMenu(menu);
}

TEST(ProgramIcons, EveryIconLoadsAtItsOwnSize)
{
    const struct {
        int id;
        int size;
    } icons[] = {{IDI_SHEET, 32}, {IDI_CHANGED, 16}, {IDI_UNDO, 16}, {IDI_COPY, 16}, {IDI_PASTE, 16}};
    for (const auto &icon : icons) {
        HICON handle = static_cast<HICON>(LoadImageA(AppInstance(), MAKEINTRESOURCEA(icon.id), IMAGE_ICON, 0, 0, 0));
        ASSERT_NE(nullptr, handle) << icon.id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(handle, &info));
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(icon.size, mask.bmWidth) << icon.id;
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(handle);
    }
}

}  // namespace
