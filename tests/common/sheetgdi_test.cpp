// The lists, their menu and the drive box at the DPI in force, in both languages; and every fit check
// at 120 and 144 DPI, each in a fresh copy of this program, as the system reads the DPI at start.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "common/texts.h"
#include "drives/drivepanel.h"
#include "lists/listcommands.h"
#include "support/listhost.h"

namespace {

const char kDpiVariable[] = "TILEFOX_TEST_DPI";
const char kDesktopKey[] = "Control Panel\\Desktop";
const COLORREF kRed = RGB(255, 0, 0);

// paint draws an item of the given size in the middle band of a black bitmap three items tall:
// its red pixels, or minus those outside that band.
template <class Paint> int RedPixels(int width, int height, Paint paint)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, CreateBitmap(width, 3 * height, 1, 32, nullptr));
    PatBlt(dc, 0, 0, width, 3 * height, BLACKNESS);
    paint(dc, RECT{0, height, width, 2 * height});
    int inside = 0, outside = 0;
    for (int i = 0; i < 3 * height * width; ++i)
        if ((GetPixel(dc, i % width, i / width) & 0xFFFFFF) == kRed)
            ++(i / width / height == 1 ? inside : outside);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    return outside == 0 ? inside : -outside;
}

TEST(AtDpi, RowsMenuAndDriveBoxHoldTheirIconsAndTexts)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY), large = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);
    ReleaseDC(nullptr, screen);
    char wanted[8] = "";
    if (GetEnvironmentVariableA(kDpiVariable, wanted, sizeof wanted) > 0)
        ASSERT_EQ(std::atoi(wanted), dpi) << "the DPI asked for is not in force";
    for (const char *language : {"ja", "en"}) {
        ChooseLanguage(language);
        SCOPED_TRACE(std::string(language) + " at " + std::to_string(dpi) + " DPI");
        ListHost host;
        // The fonts and icon the sheet makes at this DPI, in place of the host's fixed ones.
        for (HFONT font : {Gdi.ListFont, Gdi.ListFontLarge, Gdi.MenuFont, Gdi.MenuFontBold})
            DeleteObject(font);
        CreateSheetFonts(host.Host());
        DestroyIcon(Gdi.ChangedMarkIcon);
        Gdi.ChangedMarkIcon = LoadSmallProgramIcon(IDI_CHANGED);
        HWND page = host.CreatePage(TAB_DRIVE);
        ASSERT_NE(nullptr, page);
        HWND list = ListOf(page);
        // Each view mode: the row holds the title's font and the whole icon at the system's size.
        IconEntry entry = {};
        entry.DisplayName = const_cast<char *>("");
        const struct { BYTE mode; int icon; HFONT font; } modes[] = {
            {0, small, Gdi.ListFont}, {1, large, Gdi.ListFontLarge}, {2, large, Gdi.ListFontLarge}};
        for (const auto &m : modes) {
            Settings.IconViewMode = m.mode;
            ApplyViewMode(list, FALSE);
            int height = int(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_GE(height, TextLineHeight(m.font) + 2) << "mode " << int(m.mode);
            HICON red = (m.mode == 0 ? entry.SmallIcon : entry.LargeIcon) = SolidIcon(m.icon, kRed);
            EXPECT_EQ(m.icon * m.icon, RedPixels(300, height, [&entry](HDC dc, RECT item) {
                DRAWITEMSTRUCT draw = {ODT_LISTBOX, 0, 0, ODA_DRAWENTIRE, 0, nullptr, dc, item, ULONG_PTR(&entry)};
                DrawListItem(&draw);
            })) << "mode " << int(m.mode);
            entry.SmallIcon = entry.LargeIcon = nullptr;
            DestroyIcon(red);
        }
        // The preview shows the whole large icon.
        entry.LargeIcon = SolidIcon(large, kRed);
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(&entry));
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        RefreshPreview(list);
        LPARAM preview = SendDlgItemMessageA(page, IDC_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP shape = {};
        GetObjectA(HBITMAP(preview), sizeof shape, &shape);
        EXPECT_EQ(large * large, RedPixels(shape.bmWidth, shape.bmHeight, [preview](HDC dc, RECT item) {
            DrawStateA(dc, nullptr, nullptr, preview, 0, 0, item.top, 0, 0, DST_BITMAP);
        })) << "preview";
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        DestroyIcon(entry.LargeIcon);
        // The context menu's items: as tall as their text, the icon whole at the small size.
        HMENU menu = LoadShownMenu(IDM_CONTEXT);
        MenuItemRecord record = {SolidIcon(small, kRed), Gdi.MenuFontBold, ""};
        GetMenuStringA(menu, IDM_CHANGEICON, record.Text, sizeof record.Text, MF_BYCOMMAND);
        DestroyMenu(menu);
        MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 0, 0, 0, ULONG_PTR(&record)};
        ASSERT_TRUE(MeasureMenuItem(list, &measure));
        EXPECT_GE(int(measure.itemHeight), TextLineHeight(Gdi.MenuFontBold) + 2) << "menu";
        EXPECT_EQ(small * small, RedPixels(200, int(measure.itemHeight), [&record](HDC dc, RECT item) {
            PaintMenuItem(dc, &item, TRUE, &record);
        })) << "menu";
        DestroyIcon(record.Icon);
        // The drive box shows a whole large icon and the drive's name in its field and list.
        HWND panel = CreateDrivePanel(page);
        for (WPARAM part : {WPARAM(-1), WPARAM(0)})
            EXPECT_GE(int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_GETITEMHEIGHT, part, 0)),
                      std::max(large + 2, TextLineHeight(Gdi.ListFontLarge))) << "drive box " << int(part);
    }
    ChooseLanguage("");
}

// One copy of this program per DPI, the DPI set where Windows and Wine read it and put back afterwards.
TEST(AtDpi, EveryFitCheckHoldsAt120And144)
{
    SavedRegistry saved;
    saved.Value(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    for (DWORD dpi : {120u, 144u}) {
        SetRegBinary(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", &dpi, sizeof dpi, REG_DWORD);
        SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(StartTestProgram("test_common.exe", "--gtest_filter=BothLanguages.EveryTemplateText*:AtDpi.Rows*", &child));
        EXPECT_EQ(0u, WaitTestProgram(child, 300000)) << "the fit checks at " << dpi << " DPI (their failures are above)";
    }
    SetEnvironmentVariableA(kDpiVariable, nullptr);
}

}  // namespace
