#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "app/settings.h"
#include "common/texts.h"
#include "shellglue/paths.h"
#include "support/appsetup.h"
#include "support/testing.h"

namespace {

class SettingsFile : public testing::Test {
protected:
    void Write(const char *section, const char *key, const char *value)
    {
        WritePrivateProfileStringA(section, key, value, path_.c_str());
    }
    // Non-empty lines of the file, brackets and all.
    std::vector<std::string> Lines()
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
        std::vector<std::string> lines;
        for (std::string line : SplitLines(ReadFileText(path_))) {
            line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
            if (!line.empty())
                lines.push_back(line);
        }
        return lines;
    }
    HWND MakeWindow(int x, int y)
    {
        return CreateWindowExA(0, "STATIC", "sheet", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                               300, 200, nullptr, nullptr, nullptr, nullptr);
    }

    AppSetup app_{"settings"};
    std::string path_ = App.SettingsPath;
};

TEST_F(SettingsFile, NoFileGivesTheBuiltInValues)
{
    ReadStartSettings();
    EXPECT_EQ(0, ReadStartupTab());
    HWND window = MakeWindow(0, 0);
    ReadSheetSettings(window);
    DestroyWindow(window);

    EXPECT_EQ(4, Settings.DialogRows);
    EXPECT_EQ(12, Settings.DialogAnimation);
    EXPECT_EQ(0, Settings.HookComDlg);
    EXPECT_EQ(1, Settings.IconViewMode);
    EXPECT_EQ(32, Settings.IconSizeL);
    EXPECT_EQ(16, Settings.IconSizeS);
    EXPECT_EQ(11, Settings.IconLeftMargin);
    EXPECT_EQ(1, Settings.AutoRefresh);
    EXPECT_EQ(2, Settings.RefreshLevel);
    EXPECT_EQ(1, Settings.DriveIconMsg);
    EXPECT_EQ(nullptr, Settings.BmpClassBackup);
    EXPECT_EQ(nullptr, Settings.CplIconBackup);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path_.c_str())) << "reading creates nothing";
}

struct RangeCase {
    const char *key;
    const char *stored;
    int expected;
};

int Field(const char *key)
{
    std::string name = key;
    if (name == "DialogRows") return Settings.DialogRows;
    if (name == "DialogAnimation") return Settings.DialogAnimation;
    if (name == "HookComDlg") return Settings.HookComDlg;
    if (name == "IconViewMode") return Settings.IconViewMode;
    if (name == "IconSizeL") return Settings.IconSizeL;
    if (name == "IconSizeS") return Settings.IconSizeS;
    if (name == "IconLeftMargin") return Settings.IconLeftMargin;
    if (name == "AutoRefresh") return Settings.AutoRefresh;
    if (name == "RefreshLevel") return Settings.RefreshLevel;
    if (name == "DriveIconMsg") return Settings.DriveIconMsg;
    if (name == "StartupTab") return Settings.StartupTab;
    return -12345;
}

TEST_F(SettingsFile, ValuesOutsideTheirRangeFallBack)
{
    const RangeCase cases[] = {
        {"DialogRows", "0", 4},        {"DialogRows", "13", 4},      {"DialogRows", "12", 12},
        {"DialogRows", "1", 1},        {"DialogAnimation", "21", 12}, {"DialogAnimation", "0", 0},
        {"DialogAnimation", "20", 20}, {"HookComDlg", "7", 1},        {"HookComDlg", "0", 0},
        {"IconSizeL", "3", 32},        {"IconSizeL", "129", 32},      {"IconSizeL", "128", 128},
        {"IconSizeS", "4", 4},         {"IconSizeS", "0", 16},        {"IconLeftMargin", "161", 11},
        {"IconLeftMargin", "160", 160}, {"IconLeftMargin", "0", 0},   {"IconLeftMargin", "-2", 11},
        {"IconViewMode", "2", 2},      {"IconViewMode", "0", 0},      {"IconViewMode", "-1", 1},
        {"AutoRefresh", "0", 0},       {"AutoRefresh", "5", 1},       {"DriveIconMsg", "0", 0},
        {"RefreshLevel", "0", 0},      {"RefreshLevel", "1", 1},      {"RefreshLevel", "-3", 0},
        {"RefreshLevel", "258", 2},    {"StartupTab", "65542", 6},    {"StartupTab", "65543", 0},
        {"StartupTab", "-1", 0},       {"StartupTab", "7", 0},        {"StartupTab", "5", 5},
        // Numbers past 32 bits are too large, not the remainder.
        {"DialogRows", "4294967297", 4}, {"IconSizeL", "4294967344", 32}, {"StartupTab", "4294967298", 0},
    };
    HWND window = MakeWindow(0, 0);
    for (const RangeCase &c : cases) {
        ResetSettings();
        Write("Options", c.key, c.stored);
        ReadStartSettings();
        ReadStartupTab();
        ReadSheetSettings(window);
        EXPECT_EQ(c.expected, Field(c.key)) << c.key << "=" << c.stored;
        Write("Options", c.key, nullptr);
    }
    DestroyWindow(window);
}

TEST_F(SettingsFile, LanguageIsReadAtEveryStartAndNeverWritten)
{
    const struct {
        const char *stored;
        TextLanguage shown;
    } cases[] = {{"en", LANGUAGE_ENGLISH}, {" \"EN\" ", LANGUAGE_ENGLISH}, {"ja", LANGUAGE_JAPANESE},
                 {"", LANGUAGE_JAPANESE}, {"de", LANGUAGE_JAPANESE}, {nullptr, LANGUAGE_JAPANESE}};
    for (const auto &c : cases) {
        Write("Options", "Language", c.stored);
        ReadStartSettings();
        EXPECT_EQ(c.shown, ShownLanguage()) << (c.stored != nullptr ? c.stored : "(absent)");
    }
    Write("Options", "Language", "en");
    ReadStartSettings();
    HWND window = MakeWindow(0, 0);
    SaveSettings(window);
    DestroyWindow(window);
    std::vector<std::string> lines = Lines();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "Language=en"));
    ChooseLanguage("");
}

TEST(StartupTab, OnlyTheLowSixteenBitsCount)
{
    const struct {
        int value;
        int tab;
    } cases[] = {{0, 0}, {1, 1}, {6, 6}, {7, 0}, {-1, 0}, {65543, 0}, {65542, 6}, {65536 + 3, 3}, {0x7fff0002, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(c.tab, StartupTabFromValue(c.value)) << c.value;
}

TEST(SheetPosition, StoredEdgesOffTheScreenAreCentred)
{
    const struct {
        int left, top;
        int x, y;
    } cases[] = {
        {10, 20, 10, 20},       // fits
        {-1, -1, 362, 284},     // never stored
        {-5, 20, 362, 20},      // each edge on its own
        {725, 20, 362, 20},     // right edge one pixel off a 1024 screen
        {724, 568, 724, 568},   // exactly touching the corner
        {0, 569, 0, 284},
        {2147483647, 2147483647, 362, 284},
        {0, -2147483647 - 1, 0, 284},
    };
    for (const auto &c : cases) {
        POINT p = FitWindowPosition(c.left, c.top, 300, 200, 1024, 768);
        EXPECT_EQ(c.x, p.x) << c.left << "," << c.top;
        EXPECT_EQ(c.y, p.y) << c.left << "," << c.top;
    }
    // Odd differences truncate toward zero, also for a window larger than the screen.
    EXPECT_EQ(-50, FitWindowPosition(-1, 0, 1125, 10, 1024, 768).x);
}

TEST_F(SettingsFile, PositionIsKeptPerScreenWidth)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    std::string keyX = "PosX" + std::to_string(width), keyY = "PosY" + std::to_string(width);
    HWND window = MakeWindow(0, 0);
    RECT rect;
    GetWindowRect(window, &rect);
    int w = rect.right - rect.left, h = rect.bottom - rect.top;

    // A place stored for another width is not used.
    Write("General", "PosX800", "10");
    Write("General", "PosY800", "10");
    PlaceSheetWindow(window);
    GetWindowRect(window, &rect);
    EXPECT_EQ((width - w) / 2, rect.left);
    EXPECT_EQ((height - h) / 2, rect.top);

    Write("General", keyX.c_str(), "33");
    Write("General", keyY.c_str(), "44");
    PlaceSheetWindow(window);
    GetWindowRect(window, &rect);
    EXPECT_EQ(33, rect.left);
    EXPECT_EQ(44, rect.top);
    EXPECT_EQ(w, rect.right - rect.left) << "the size stays";
    DestroyWindow(window);
}

TEST_F(SettingsFile, SaveWritesTheKeysInOrder)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    Settings.IconViewMode = 2;
    Settings.IconSizeL = 48;
    Settings.IconSizeS = 20;
    Settings.AutoRefresh = 0;
    Settings.DriveIconMsg = 1;
    Settings.StartupTab = 6;
    Settings.DialogRows = 7;
    Settings.DialogAnimation = 0;
    Settings.HookComDlg = 1;
    Settings.RefreshLevel = 1;
    Settings.IconLeftMargin = 30;
    App.DefaultBrowseLocation = DupString("");
    Settings.BmpClassBackup = DupString("Paint.Picture");
    Settings.BmpIconBackup = DupString("C:\\W\\pbrush.exe,1");
    Settings.CplIconBackup = DupString("shell32.dll,21");

    HWND window = MakeWindow(-7, 25);
    SaveSettings(window);
    DestroyWindow(window);

    std::string w = std::to_string(width);
    std::vector<std::string> expected = {
        "[General]",
        "PosX" + w + "=-7",
        "PosY" + w + "=25",
        "[Options]",
        "IconViewMode=2",
        "IconSizeL=48",
        "IconSizeS=20",
        "AutoRefresh=0",
        "DriveIconMsg=1",
        "StartupTab=6",
        "DialogRows=7",
        "DialogAnimation=0",
        "HookComDlg=1",
        "DefaultFLdir=",
        "[Backup Registry]",
        ".bmp=Paint.Picture",
        "Paint.Picture\\DefaultIcon=C:\\W\\pbrush.exe,1",
        "cplfile\\DefaultIcon=shell32.dll,21",
    };
    EXPECT_EQ(expected, Lines()) << "RefreshLevel and IconLeftMargin are only ever edited by hand";
}

TEST_F(SettingsFile, MinimisedSheetKeepsItsStoredPlace)
{
    Write("General", "PosX1", "5");
    HWND window = MakeWindow(50, 60);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    SaveSettings(window);
    DestroyWindow(window);
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("[General]", lines[0]);
    EXPECT_EQ("PosX1=5", lines[1]);
    EXPECT_EQ("[Options]", lines[2]);
    for (const std::string &line : lines)
        EXPECT_EQ(std::string::npos, line.find("DefaultFLdir")) << "no location held, none written";
}

TEST_F(SettingsFile, BackupsAreHeldAsFoundAndWrittenBack)
{
    Write("Backup Registry", ".bmp", "Paint.Picture");
    Write("Backup Registry", "cplfile\\DefaultIcon", "shell32.dll,21");
    HWND window = MakeWindow(0, 0);
    ReadSheetSettings(window);
    ASSERT_NE(nullptr, Settings.BmpClassBackup);
    EXPECT_STREQ("Paint.Picture", Settings.BmpClassBackup);
    EXPECT_EQ(nullptr, Settings.BmpIconBackup) << "no key for the type's icon";
    ASSERT_NE(nullptr, Settings.CplIconBackup);
    EXPECT_STREQ("shell32.dll,21", Settings.CplIconBackup);

    Write("Backup Registry", "Paint.Picture\\DefaultIcon", "x.dll,3");
    ReadSheetSettings(window);
    ASSERT_NE(nullptr, Settings.BmpIconBackup);
    EXPECT_STREQ("x.dll,3", Settings.BmpIconBackup);

    // Written back unchanged, in the order .bmp, its icon, cplfile.
    DeleteFileA(path_.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    SaveSettings(window);
    DestroyWindow(window);
    std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ("cplfile\\DefaultIcon=shell32.dll,21", lines[lines.size() - 1]);
    EXPECT_EQ("Paint.Picture\\DefaultIcon=x.dll,3", lines[lines.size() - 2]);
    EXPECT_EQ(".bmp=Paint.Picture", lines[lines.size() - 3]);
}

// A backup is the only copy of the value it holds: read and written back whole, however long.
TEST_F(SettingsFile, LongBackupsComeBackWhole)
{
    std::string type = "Paint." + std::string(240, 'P');
    std::string icon = "C:\\" + std::string(600, 'i') + ".dll,3";
    std::string cpl = "C:\\" + Ansi(u8"表") + std::string(300, 'c') + Ansi(u8"表") + ".dll,-154";
    Write("Backup Registry", ".bmp", type.c_str());
    Write("Backup Registry", (type + "\\DefaultIcon").c_str(), icon.c_str());
    Write("Backup Registry", "cplfile\\DefaultIcon", cpl.c_str());
    HWND window = MakeWindow(0, 0);
    ReadSheetSettings(window);
    ASSERT_NE(nullptr, Settings.BmpIconBackup);
    EXPECT_EQ(icon, Settings.BmpIconBackup);
    DeleteFileA(path_.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    SaveSettings(window);
    DestroyWindow(window);
    for (const std::string &line : {".bmp=" + type, type + "\\DefaultIcon=" + icon, "cplfile\\DefaultIcon=" + cpl}) {
        std::vector<std::string> lines = Lines();
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line.substr(0, 40);
    }
}

// One too long for any buffer is not held: nothing cut is written over the file's copy.
// One too long for any buffer is not held: nothing cut is written over the file's copy.
TEST_F(SettingsFile, ABackupTooLongToReadStaysInTheFile)
{
    std::string line = "cplfile\\DefaultIcon=C:\\" + std::string(70000, 'c') + ".dll,-154";
    WriteFileText(path_, "[Backup Registry]\r\n" + line + "\r\n");
    HWND window = MakeWindow(0, 0);
    ReadSheetSettings(window);
    EXPECT_EQ(nullptr, Settings.CplIconBackup);
    SaveSettings(window);
    DestroyWindow(window);
    std::vector<std::string> lines = Lines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line));
}

TEST_F(SettingsFile, DefaultFolderIsCleanedOnReading)
{
    Write("Options", "DefaultFLdir", "  \"C:\\My Icons\"  ");
    char buffer[MAX_PATH];
    ReadDefaultBrowseSetting(buffer);
    EXPECT_STREQ("C:\\My Icons", buffer);
}

TEST(DesktopTextColor, HexadecimalRrggbbBecomesAColour)
{
    const struct {
        const char *text;
        BOOL set;
        COLORREF colour;
    } cases[] = {
        {"", FALSE, 0},
        {"   ", FALSE, 0},
        {"FFFFFF", TRUE, RGB(0xFF, 0xFF, 0xFF)},
        {"#102030", TRUE, RGB(0x10, 0x20, 0x30)},
        {" 0000ff ", TRUE, RGB(0, 0, 0xFF)},
        {"ff0000", TRUE, RGB(0xFF, 0, 0)},
        {"RGB: 80", TRUE, RGB(0, 0, 0x0B)},   // "B" is the first hexadecimal digit
        {"zz", FALSE, 0},                   // no digit left: no colour, not black
        {"#", FALSE, 0},
        {"0xFF0000", TRUE, RGB(0xFF, 0, 0)},
        {"#0x00ff00", TRUE, RGB(0, 0xFF, 0)},
        {"000000", TRUE, RGB(0, 0, 0)},
        {"0F000000", FALSE, 0},             // seven significant digits: no colour
        {"1000000", FALSE, 0},
        {"FFFFFFFFFFFFFFFFFFFF", FALSE, 0}, // far beyond 32 bits
        {"00000000FF0000", TRUE, RGB(0xFF, 0, 0)},
    };
    for (const auto &c : cases) {
        char text[64];
        lstrcpyA(text, c.text);
        COLORREF colour = 0x12345678;
        EXPECT_EQ(c.set, ParseDesktopTextColor(text, &colour)) << '"' << c.text << '"';
        if (c.set)
            EXPECT_EQ(c.colour, colour) << '"' << c.text << '"';
    }
}

}  // namespace
