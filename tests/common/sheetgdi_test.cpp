// The lists, their menu and the drive box at the DPI in force, in both languages; and the fit checks at
// 120 and 144 DPI, each in a fresh copy of this program, as the system reads the DPI at start.
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
    if (const char *wanted = std::getenv(kDpiVariable))
        ASSERT_EQ(std::atoi(wanted), dpi) << "the DPI asked for is not in force";
    for (const char *language : {"ja", "en"}) {
        ChooseLanguage(language);
        SCOPED_TRACE(std::string(language) + " at " + std::to_string(dpi) + " DPI");
        ListHost host;
        for (HFONT font : {Gdi.ListFont, Gdi.ListFontLarge, Gdi.MenuFont, Gdi.MenuFontBold})
            DeleteObject(font);
        CreateSheetFonts(host.Host());
        DestroyIcon(Gdi.ChangedMarkIcon);
        Gdi.ChangedMarkIcon = LoadSmallProgramIcon(IDI_CHANGED);
        HWND page = host.CreatePage(TAB_DRIVE), list = ListOf(page);
        ASSERT_NE(nullptr, page);
        IconEntry entry = {nullptr, nullptr, 0, 0, const_cast<char *>("")};
        const struct { BYTE mode; int icon; HFONT font; HICON IconEntry::*slot; } modes[] = {
            {0, small, Gdi.ListFont, &IconEntry::SmallIcon}, {1, large, Gdi.ListFontLarge, &IconEntry::LargeIcon},
            {2, large, Gdi.ListFontLarge, &IconEntry::LargeIcon}};
        for (const auto &m : modes) {
            Settings.IconViewMode = m.mode;
            ApplyViewMode(list, FALSE);
            int height = int(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_GE(height, TextLineHeight(m.font) + 2) << "mode " << int(m.mode);
            DestroyIcon(entry.*m.slot);
            entry.SmallIcon = entry.LargeIcon = nullptr;
            entry.*m.slot = SolidIcon(m.icon, kRed);
            EXPECT_EQ(m.icon * m.icon, RedPixels(300, height, [&entry](HDC dc, RECT item) {
                DRAWITEMSTRUCT draw = {ODT_LISTBOX, 0, 0, ODA_DRAWENTIRE, 0, nullptr, dc, item, ULONG_PTR(&entry)};
                DrawListItem(&draw);
            })) << "mode " << int(m.mode);
        }
        // The last mode's large icon, whole in the preview.
        SendMessageA(list, LB_SETCURSEL, SendMessageA(list, LB_ADDSTRING, 0, LPARAM(&entry)), 0);
        RefreshPreview(list);
        LPARAM preview = SendDlgItemMessageA(page, IDC_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP shape = {};
        GetObjectA(HBITMAP(preview), sizeof shape, &shape);
        EXPECT_EQ(large * large, RedPixels(shape.bmWidth, shape.bmHeight, [preview](HDC dc, RECT item) {
            DrawStateA(dc, nullptr, nullptr, preview, 0, 0, item.top, 0, 0, DST_BITMAP);
        })) << "preview";
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        DestroyIcon(entry.LargeIcon);
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
        HWND panel = CreateDrivePanel(page);
        for (WPARAM part : {WPARAM(-1), WPARAM(0)})
            EXPECT_GE(int(SendDlgItemMessageA(panel, IDC_DP_DRIVES, CB_GETITEMHEIGHT, part, 0)),
                      std::max(large + 2, TextLineHeight(Gdi.ListFontLarge))) << "drive box " << int(part);
    }
    ChooseLanguage("");
}

// Windows and Wine read the DPI from the user's desktop settings, put back afterwards.
TEST(AtDpi, EveryFitCheckHoldsAt120And144)
{
    SavedRegistry saved;
    saved.Value(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    for (DWORD dpi : {120u, 144u}) {
        SetRegBinary(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", &dpi, sizeof dpi, REG_DWORD);
        SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(StartTestProgram("test_common.exe", "--gtest_filter=BothLanguages.EveryTemplateText*:AtDpi.Rows*", &child));
        EXPECT_EQ(0u, WaitTestProgram(child, 300000)) << "the fit checks at " << dpi << " DPI (their failures are above)";
    }
    SetEnvironmentVariableA(kDpiVariable, nullptr);
}

}  // namespace
