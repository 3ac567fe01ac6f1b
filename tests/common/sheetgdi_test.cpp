// The lists, their menu and the drive box at the DPI in force, in both languages; and every fit
// check once more at 120 and 144 DPI, each DPI in one fresh copy of this program, since the
// system reads its DPI only when a process starts.
#include <gtest/gtest.h>

#include <windows.h>

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

// A bitmap three times as tall as one item, the item in the middle band; red pixels are
// counted inside and outside that band.
class Band {
public:
    Band(int width, int height) : width_(width), height_(height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, 3 * height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, width, 3 * height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~Band()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    RECT Item() const { return {0, height_, width_, 2 * height_}; }
    // "inside/outside" red pixel counts.
    std::string RedPixels() const
    {
        int inside = 0, outside = 0;
        for (int y = 0; y < 3 * height_; ++y)
            for (int x = 0; x < width_; ++x)
                if ((GetPixel(dc_, x, y) & 0xFFFFFF) == kRed)
                    ++(y >= height_ && y < 2 * height_ ? inside : outside);
        return std::to_string(inside) + "/" + std::to_string(outside);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

std::string Whole(int size)
{
    return std::to_string(size * size) + "/0";
}

// The fonts and icons the sheet makes at this DPI, in place of the host's fixed ones.
void UseSheetGdi(HWND host)
{
    for (HFONT font : {Gdi.ListFont, Gdi.ListFontLarge, Gdi.MenuFont, Gdi.MenuFontBold})
        DeleteObject(font);
    CreateSheetFonts(host);
    DestroyIcon(Gdi.ChangedMarkIcon);
    Gdi.ChangedMarkIcon = LoadSmallProgramIcon(IDI_CHANGED);
}

TEST(AtDpi, RowsMenuAndDriveBoxHoldTheirIconsAndTexts)
{
    char wanted[8] = "";
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (GetEnvironmentVariableA(kDpiVariable, wanted, sizeof wanted) > 0)
        ASSERT_EQ(std::atoi(wanted), dpi) << "the DPI asked for is not in force";
    const int large = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);

    for (const char *language : {"ja", "en"}) {
        ChooseLanguage(language);
        const std::string where = std::string(language) + " at " + std::to_string(dpi) + " DPI";
        ListHost host;
        UseSheetGdi(host.Host());
        HWND page = host.CreatePage(TAB_DRIVE);
        ASSERT_NE(nullptr, page) << where;
        HWND list = ListOf(page);

        // Each view mode: the row holds the title's font and the whole icon at the system's size.
        IconEntry entry = {};
        entry.DisplayName = const_cast<char *>("");
        const struct {
            BYTE mode;
            int icon;
            HFONT font;
        } modes[] = {{0, small, Gdi.ListFont}, {1, large, Gdi.ListFontLarge}, {2, large, Gdi.ListFontLarge}};
        for (const auto &m : modes) {
            Settings.IconViewMode = m.mode;
            ApplyViewMode(list, FALSE);
            int height = int(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_GE(height, TextLineHeight(m.font) + 2) << where << " mode " << int(m.mode);
            HICON red = SolidIcon(m.icon, kRed);
            (m.mode == 0 ? entry.SmallIcon : entry.LargeIcon) = red;
            Band band(300, height);
            DRAWITEMSTRUCT draw = {};
            draw.CtlType = ODT_LISTBOX;
            draw.itemAction = ODA_DRAWENTIRE;
            draw.hDC = band.Dc();
            draw.rcItem = band.Item();
            draw.itemData = reinterpret_cast<ULONG_PTR>(&entry);
            DrawListItem(&draw);
            EXPECT_EQ(Whole(m.icon), band.RedPixels()) << where << " mode " << int(m.mode);
            entry.SmallIcon = entry.LargeIcon = nullptr;
            DestroyIcon(red);
        }

        // The preview shows the whole large icon.
        entry.LargeIcon = SolidIcon(large, kRed);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&entry));
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        RefreshPreview(list);
        HBITMAP preview = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(page, IDC_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP shape = {};
        GetObjectA(preview, sizeof shape, &shape);
        Band previewBand(shape.bmWidth, shape.bmHeight);
        HDC source = CreateCompatibleDC(previewBand.Dc());
        HGDIOBJ old = SelectObject(source, preview);
        BitBlt(previewBand.Dc(), 0, shape.bmHeight, shape.bmWidth, shape.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        EXPECT_EQ(Whole(large), previewBand.RedPixels()) << where << " preview";
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        DestroyIcon(entry.LargeIcon);

        // The context menu's items: as tall as their text, the icon whole at the small size.
        HMENU menu = LoadShownMenu(IDM_CONTEXT);
        MenuItemRecord record = {SolidIcon(small, kRed), Gdi.MenuFontBold, ""};
        GetMenuStringA(menu, IDM_CHANGEICON, record.Text, sizeof record.Text, MF_BYCOMMAND);
        DestroyMenu(menu);
        MEASUREITEMSTRUCT measure = {};
        measure.CtlType = ODT_MENU;
        measure.itemData = reinterpret_cast<ULONG_PTR>(&record);
        ASSERT_TRUE(MeasureMenuItem(list, &measure));
        EXPECT_GE(int(measure.itemHeight), TextLineHeight(Gdi.MenuFontBold) + 2) << where << " menu";
        Band menuBand(200, int(measure.itemHeight));
        RECT item = menuBand.Item();
        PaintMenuItem(menuBand.Dc(), &item, TRUE, &record);
        EXPECT_EQ(Whole(small), menuBand.RedPixels()) << where << " menu";
        DestroyIcon(record.Icon);

        // The drive box shows a whole large icon and the drive's name in its field and list.
        HWND panel = CreateDrivePanel(page);
        ASSERT_NE(nullptr, panel) << where;
        HWND box = GetDlgItem(panel, IDC_DP_DRIVES);
        for (WPARAM part : {WPARAM(-1), WPARAM(0)}) {
            int height = int(SendMessageA(box, CB_GETITEMHEIGHT, part, 0));
            EXPECT_GE(height, large + 2) << where << " drive box " << int(part);
            EXPECT_GE(height, TextLineHeight(Gdi.ListFontLarge)) << where << " drive box " << int(part);
        }
    }
    ChooseLanguage("");
}

// One copy of this program per DPI runs the fit checks; both keys that Windows and Wine read
// the DPI from are set for it and put back afterwards.
TEST(AtDpi, EveryFitCheckHoldsAt120And144)
{
    if (GetEnvironmentVariableA(kDpiVariable, nullptr, 0) > 0)
        return;
    SavedRegistry saved;
    saved.Value(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    for (int dpi : {120, 144}) {
        DWORD value = DWORD(dpi);
        SetRegBinary(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", &value, sizeof value, REG_DWORD);
        SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
        std::string command = std::string("\"") + program +
                              "\" --gtest_filter=BothLanguages.EveryTemplateText*:AtDpi.Rows*";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child));
        DWORD code = 1;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 300000)) << dpi;
        GetExitCodeProcess(child.hProcess, &code);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        EXPECT_EQ(0u, code) << "the fit checks at " << dpi << " DPI (their failures are above)";
    }
    SetEnvironmentVariableA(kDpiVariable, nullptr);
}

}  // namespace
