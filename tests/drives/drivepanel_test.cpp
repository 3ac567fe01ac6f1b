#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/sheetgdi.h"
#include "common/tabs.h"
#include "drives/autorun.h"
#include "drives/drivepanel.h"
#include "drives/testdrive.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "restore/restorepoint.h"
#include "shellglue/rightswrite.h"
#include "shellglue/system.h"
#include "support/appsetup.h"
#include "support/dialogsteps.h"
#include "support/testing.h"

using namespace testdrive;

namespace {

const char kDriveIcons[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons";
const std::string kXIcon = std::string(kDriveIcons) + "\\X\\DefaultIcon";

int g_setChanged = 0;
BYTE g_pending = 0;

// Stands in for the sheet: the pending mark and its question.
LRESULT CALLBACK SheetStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_SETCHANGED) {
        ++g_setChanged;
        g_pending = lParam != 0;
        return 0;
    }
    if (message == UM_QUERYCHANGED)
        return g_pending;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Presses OK on every message box that opens while it lives, keeping their texts.
std::vector<std::string> g_boxes;

class BoxAnswerer {
public:
    BoxAnswerer() { g_boxes.clear(); }

private:
    // The one step never ends: it answers each box in turn.
    DialogScript script_{{[](HWND box) {
                             g_boxes.push_back(BoxText(box));
                             SendMessageA(box, WM_COMMAND, IDOK, 0);
                             return false;
                         }},
                         DialogWith(0xFFFF)};
};

class DrivePanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Never write a drive root the test bed did not hand out for the purpose.
        std::string unsafe = WhyUnsafe();
        ASSERT_EQ("", unsafe) << "refusing to run";
        RemoveAutorun();
        registry_.Tree(HKEY_LOCAL_MACHINE, kDriveIcons);

        savedGdi_ = Gdi;
        Settings.DriveIconMsg = 0;
        Settings.DialogAnimation = 0;
        Gdi = SheetGdi();
        Gdi.ListFontLarge = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
        ExtractIconExA("shell32.dll", 0, &Gdi.FallbackIconLarge, &Gdi.FallbackIconSmall, 1);
        g_setChanged = 0;
        g_pending = 0;

        sheet_ = CreateHelperWindow("TfDriveSheet", SheetStandIn);
        page_ = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONLIST), sheet_, IconListPage, TAB_DRIVE);
        ASSERT_NE(nullptr, page_);
        panel_ = CreateDrivePanel(page_);
        ASSERT_NE(nullptr, panel_);
        list_ = GetDlgItem(page_, IDC_ICONLIST);
    }

    void TearDown() override
    {
        LearnSystem();
        if (IsWindow(sheet_))
            DestroyWindow(sheet_);
        DeleteObject(Gdi.ListFontLarge);
        DestroyIcon(Gdi.FallbackIconLarge);
        DestroyIcon(Gdi.FallbackIconSmall);
        Gdi = savedGdi_;
        RemoveAutorun();
        ClearRightsQueue();
        for (char letter : FixedDrives()) {
            if (letter != kDrive)
                EXPECT_FALSE(Exists(AutorunOf(letter).c_str())) << letter << ": was written";
        }
    }

    HWND Box() const { return GetDlgItem(panel_, IDC_DP_DRIVES); }

    void Fill() { SendMessageA(page_, UM_FILLLIST, 0, 0); }

    // The entry of drive X:, selected.
    int SelectX()
    {
        int index = int(SendMessageA(Box(), CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("X:")));
        EXPECT_GE(index, 0);
        SendMessageA(Box(), CB_SETCURSEL, index, 0);
        SendMessageA(panel_, WM_COMMAND, MAKEWPARAM(IDC_DP_DRIVES, CBN_SELCHANGE), LPARAM(Box()));
        return index;
    }

    // Apply as the sheet does it: through the Drive page, which hands it on.
    LRESULT Apply()
    {
        BoxAnswerer answerer;
        LRESULT result = SendMessageA(page_, UM_APPLYDRIVEICONS, 0, 0);
        g_pending = 0;
        PumpUntilIdle();
        return result;
    }

    std::string IconFile(int index) const { return FixturePath("icons12.dll") + "," + std::to_string(index); }

    // The restore point made before Apply: how many items it records for the drives, and the last.
    std::string Planned()
    {
        RestorePoint point;
        LoadedRecord record;
        char path[MAX_PATH], text[RESTORE_NAME_MAX] = "";
        if (!point.Begin())
            return "no record";
        SendMessageA(page_, UM_PLANDRIVEICONS, 0, LPARAM(&point));
        if (!point.Seal() || !RestorePointPath(NewestRestorePoint(), path) || !record.Load(path) || record.Count() == 0)
            return "none";
        const RecordItem &last = record.Item(record.Count() - 1);
        DecodeText(last.Path, text, sizeof text);
        const char *kind = last.Kind == ITEM_FILE ? " FILE " : last.Kind == ITEM_VALUE ? " VALUE " : " KEY ";
        return std::to_string(record.Count()) + kind + text;
    }

    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND panel_ = nullptr;
    HWND list_ = nullptr;
    AppSetup app_{"drivepanel"};
    SheetGdi savedGdi_;
    SavedRegistry registry_;
};

TEST_F(DrivePanelTest, ListsEveryFixedDriveInLetterOrderWithItsOwnIcon)
{
    // Before the first fill nothing can be used.
    EXPECT_FALSE(IsWindowEnabled(Box()));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_CHANGE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)));

    std::string icon = IconFile(2);
    WriteFileText(kAutorun, "[autorun]\r\nDefaultIcon=" + icon + "\r\n");
    Fill();

    std::vector<char> fixed = FixedDrives();
    ASSERT_EQ(int(fixed.size()), int(SendMessageA(Box(), CB_GETCOUNT, 0, 0)));
    for (size_t i = 0; i < fixed.size(); ++i) {
        char text[8] = "";
        SendMessageA(Box(), CB_GETLBTEXT, i, LPARAM(text));
        EXPECT_EQ(std::string(1, fixed[i]) + ":", text);
    }
    // A whole 32-pixel icon with a pixel above and below; Wine counts the field's border in.
    EXPECT_EQ(34, SendMessageA(Box(), CB_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(SendMessageA(Box(), CB_GETITEMHEIGHT, WPARAM(-1), 0), 34);
    EXPECT_EQ(0, SendMessageA(Box(), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(IsWindowEnabled(Box()));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_CHANGE)));

    int x = SelectX();
    DriveIconItem *item = DriveItemOf(panel_, x);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(icon, item->Location);
    EXPECT_NE(nullptr, item->Icon);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)));
    EXPECT_FALSE(DriveIconsModified(panel_));
    EXPECT_EQ(0, g_setChanged);
}

TEST_F(DrivePanelTest, RestoringADriveWithoutIconChangesNothing)
{
    Fill();
    int x = SelectX();
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)));
    EXPECT_EQ(0, SetDriveIcon(panel_, x, nullptr));
    EXPECT_EQ(0, SetDriveIcon(panel_, 99, "a.ico"));
    EXPECT_FALSE(DriveIconsModified(panel_));
    EXPECT_EQ(0, g_setChanged);
    EXPECT_EQ(0, Apply());
    EXPECT_FALSE(Exists(kAutorun));
}

// Restoring the standard icon removes no more of AUTORUN.INF than the icon; a new icon makes
// a file of its own. Nothing reaches the file before Apply.
TEST_F(DrivePanelTest, ApplyWritesOrRemovesOnlyTheIcon)
{
    std::string icon = IconFile(5);
    struct Case {
        const char *before;         // null: no file
        bool restore;               // else the drive gets icon
        const char *autorunKeys;    // expected key list of [Autorun], null: no such section
        const char *otherKey;       // [Other] key expected to stay, or null
        bool fileStays;
    } cases[] = {
        {"[autorun]\r\nopen=setup.exe\r\nDefaultIcon=old.ico,1\r\n", true, "open", nullptr, true},
        {"[Autorun]\r\nDefaultIcon=old.ico,1\r\n", true, nullptr, nullptr, false},
        {"[Autorun]\r\nDefaultIcon=old.ico,1\r\n[Other]\r\nkey=value\r\n", true, nullptr, "value", true},
        // The shortest other keys still count.
        {"[autorun]\r\na=1\r\nDefaultIcon=old.ico,1\r\n", true, "a", nullptr, true},
        {"[autorun]\r\nDefaultIcon=old.ico,1\r\nab=1\r\n", true, "ab", nullptr, true},
        {nullptr, false, "DefaultIcon", nullptr, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.before != nullptr ? c.before : "<no file>");
        RemoveAutorun();
        if (c.before != nullptr)
            WriteFileText(kAutorun, c.before);
        Fill();
        int x = SelectX();
        g_setChanged = 0;
        if (c.restore)
            SendMessageA(panel_, WM_COMMAND, MAKEWPARAM(IDC_DP_DEFAULT, BN_CLICKED), 0);
        else
            EXPECT_EQ(1, SetDriveIcon(panel_, x, icon.c_str()));
        EXPECT_EQ(1, g_setChanged);
        EXPECT_TRUE(DriveIconsModified(panel_));
        EXPECT_EQ(!c.restore, IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)) != 0);
        EXPECT_EQ(c.before != nullptr ? std::string(c.before) : std::string(), ReadFileText(kAutorun));

        EXPECT_EQ(1, Apply());
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_FALSE(DriveIconsModified(panel_));
        EXPECT_EQ(c.fileStays, Exists(kAutorun));
        if (!c.fileStays)
            continue;
        char keys[100] = "";
        DWORD length = GetPrivateProfileStringA("Autorun", nullptr, "", keys, sizeof keys, kAutorun);
        EXPECT_EQ(c.autorunKeys != nullptr ? c.autorunKeys : "", std::string(keys, length ? length - 1 : 0));
        EXPECT_EQ(c.autorunKeys != nullptr, ReadFileText(kAutorun).find("utorun]") != std::string::npos);
        EXPECT_EQ(c.restore ? "<none>" : icon, Profile("Autorun", "DefaultIcon"));
        EXPECT_EQ(c.otherKey != nullptr ? c.otherKey : "<none>", Profile("Other", "key"));
    }
}

// Windows 2000 and later read a drive's icon from DriveIcons before AUTORUN.INF, which stays as it
// was. A write refused for want of rights waits, unnamed, for the administrator's copy; any other
// refusal is named, without blaming AUTORUN.INF.
TEST_F(DrivePanelTest, EachSystemKeepsTheDriveIconWhereItsShellReadsIt)
{
    const std::string before = "[Autorun]\r\nDefaultIcon=" + IconFile(4) + "\r\n", icon = IconFile(5);
    const struct { SystemLine line; LONG refusal; } cases[] = {   // refusal: of the first Apply's write
        {LINE_9X, 0}, {LINE_NT5, ERROR_WRITE_FAULT}, {LINE_NT62, ERROR_ACCESS_DENIED}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.line));
        const bool registry = c.line != LINE_9X, rights = c.refusal == ERROR_ACCESS_DENIED;
        PretendSystem(c.line, false);
        DeleteRegTree(HKEY_LOCAL_MACHINE, kDriveIcons);
        WriteFileText(kAutorun, before);
        Fill();
        int x = SelectX();
        RunDriveCommand(panel_, IDM_COPY);
        EXPECT_EQ(IconFile(4), CopiedIcon());
        EXPECT_EQ(registry, DriveItemOf(panel_, x) == nullptr);
        EXPECT_EQ(registry, !IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)));

        EXPECT_EQ(1, SetDriveIcon(panel_, x, icon.c_str()));
        EXPECT_EQ(registry ? "4 VALUE " + kXIcon : std::string("1 FILE ") + kAutorun, Planned());
        if (c.refusal != 0) {
            {
                MachineRefusal refusal(c.refusal);
                EXPECT_EQ(0, Apply());
            }
            EXPECT_TRUE(DriveIconsModified(panel_));
            EXPECT_EQ(1, g_pending);
            EXPECT_EQ(rights ? 1 : 0, RightsQueueCount());
            char names[RIGHTS_NAMES_BUFFER];
            RightsQueueNames(names, sizeof names);
            EXPECT_EQ(rights, strstr(names, "X:") != nullptr) << names;
            EXPECT_EQ(rights ? 0u : 1u, g_boxes.size());
            for (const std::string &box : g_boxes)
                EXPECT_TRUE(box.find("X:") != box.npos && box.find("AUTORUN.INF") == box.npos) << Utf8(box);
            EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, kXIcon.c_str(), ""));
            EXPECT_EQ(before, ReadFileText(kAutorun));
            ClearRightsQueue();
            if (rights)
                SetRegString(HKEY_LOCAL_MACHINE, kXIcon.c_str(), "", icon.c_str());
        }
        EXPECT_EQ(1, Apply());
        EXPECT_FALSE(DriveIconsModified(panel_));
        EXPECT_EQ(0, RightsQueueCount());
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ(registry ? icon : "(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, kXIcon.c_str(), ""));
        EXPECT_EQ(registry ? IconFile(4) : icon, Profile("Autorun", "DefaultIcon"));
        Fill();
        ASSERT_NE(nullptr, DriveItemOf(panel_, SelectX()));
        EXPECT_EQ(icon, DriveItemOf(panel_, x)->Location);

        SendMessageA(panel_, WM_COMMAND, MAKEWPARAM(IDC_DP_DEFAULT, BN_CLICKED), 0);
        EXPECT_EQ(0u, Planned().find("1 "));
        EXPECT_EQ(1, Apply());
        EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_LOCAL_MACHINE, kXIcon.c_str(), ""));
        EXPECT_EQ(registry ? before : std::string(), ReadFileText(kAutorun));
        // Without the registry's icon the drive shows its file's again.
        RunDriveCommand(panel_, IDM_COPY);
        EXPECT_EQ(registry ? IconFile(4) : std::string(GetEntry(list_, 0)->CurrentLocation), CopiedIcon());
    }
}

TEST_F(DrivePanelTest, ARefillDropsUnappliedChanges)
{
    Fill();
    int x = SelectX();
    EXPECT_EQ(1, SetDriveIcon(panel_, x, IconFile(1).c_str()));
    Fill();
    EXPECT_FALSE(DriveIconsModified(panel_));
    EXPECT_EQ(nullptr, DriveItemOf(panel_, SelectX()));
    EXPECT_EQ(0, Apply());
    EXPECT_FALSE(Exists(kAutorun));
}

// A location whose file is not there stays the drive's own: drawn as the standard drive and
// written back as it was.
TEST_F(DrivePanelTest, AnUnloadableLocationIsKeptAndDrawnAsTheStandardIcon)
{
    WriteFileText(kAutorun, "[Autorun]\r\nDefaultIcon=\\icons\\missing.ico,3\r\n");
    Fill();
    int x = SelectX();
    DriveIconItem *item = DriveItemOf(panel_, x);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(nullptr, item->Icon);
    EXPECT_EQ(std::string("\\icons\\missing.ico,3"), item->Location);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel_, IDC_DP_DEFAULT)));

    // Drawn beside the first row's icon drawn by hand, the two must match.
    ASSERT_NE(nullptr, GetEntry(list_, 0));
    ASSERT_NE(nullptr, GetEntry(list_, 0)->LargeIcon);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 80, 2 * DRIVE_ITEM_HEIGHT);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_COMBOBOX;
    draw.itemID = UINT(x);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.hDC = dc;
    draw.rcItem = {0, 0, 80, DRIVE_ITEM_HEIGHT};
    draw.itemData = ULONG_PTR(item);
    DrawDriveItem(panel_, &draw);
    RECT lower = {0, DRIVE_ITEM_HEIGHT, 80, 2 * DRIVE_ITEM_HEIGHT};
    FillRect(dc, &lower, GetSysColorBrush(COLOR_WINDOW));
    DrawIconEx(dc, 1, DRIVE_ITEM_HEIGHT + 1, GetEntry(list_, 0)->LargeIcon, 32, 32, 0, nullptr, DI_NORMAL);
    int differing = 0;
    for (int y = 1; y < 33; ++y)
        for (int px = 1; px < 33; ++px)
            differing += GetPixel(dc, px, y) != GetPixel(dc, px, y + DRIVE_ITEM_HEIGHT);
    EXPECT_EQ(0, differing);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);

    // Given back as it was, the location is written back as it was.
    EXPECT_EQ(1, SetDriveIcon(panel_, x, item->Location));
    Settings.DriveIconMsg = 1;
    EXPECT_EQ(1, Apply());
    EXPECT_EQ("\\icons\\missing.ico,3", Profile("Autorun", "DefaultIcon"));
    ASSERT_EQ(1u, g_boxes.size());
    char hint[128] = "";
    LoadStringA(AppInstance(), IDS_DRIVEREFRESHHINT, hint, sizeof hint);
    EXPECT_EQ(std::string(hint), g_boxes[0]);
}

// The profile functions would not say that AUTORUN.INF was left alone: the user is told which
// drive failed, and the change waits for the next Apply.
TEST_F(DrivePanelTest, AFailedWriteIsReportedAndStaysPending)
{
    const std::string before = "[Autorun]\r\nDefaultIcon=old.ico,0\r\n";
    WriteFileText(kAutorun, before);
    SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_READONLY);
    Fill();
    int x = SelectX();
    // The icon it already holds needs no write: no failure for an untouched drive.
    EXPECT_EQ(1, SetDriveIcon(panel_, x, "old.ico,0"));
    EXPECT_EQ(1, Apply());
    EXPECT_TRUE(g_boxes.empty());

    std::string icon = IconFile(7);
    g_setChanged = 0;
    EXPECT_EQ(1, SetDriveIcon(panel_, x, icon.c_str()));
    EXPECT_EQ(1, g_setChanged);

    Settings.DriveIconMsg = 1;
    EXPECT_EQ(0, Apply());
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[0].find("X:")) << Utf8(g_boxes[0]);
    EXPECT_NE(std::string::npos, g_boxes[0].find("AUTORUN.INF"));
    EXPECT_EQ(before, ReadFileText(kAutorun));
    EXPECT_TRUE(DriveIconsModified(panel_));
    // The sheet cleared its mark after Apply; the panel marks it again.
    EXPECT_EQ(2, g_setChanged);
    EXPECT_EQ(1, g_pending);

    // Removing the drive's icon from the read-only file fails the same way.
    EXPECT_EQ(1, SetDriveIcon(panel_, x, nullptr));
    Settings.DriveIconMsg = 0;
    EXPECT_EQ(0, Apply());
    EXPECT_EQ(1u, g_boxes.size());
    EXPECT_EQ(before, ReadFileText(kAutorun));

    SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, SetDriveIcon(panel_, x, icon.c_str()));
    EXPECT_EQ(1, Apply());
    EXPECT_EQ(icon, Profile("Autorun", "DefaultIcon"));
    EXPECT_FALSE(DriveIconsModified(panel_));
}


// The drive list holds the value as the profile reader gave it; the same value given back is
// no change, whatever quotes and blanks the file has around it.
TEST_F(DrivePanelTest, TheValueItHoldsIsNotWrittenAgain)
{
    const char *const forms[] = {
        "DefaultIcon=\"\"C:\\x\\one.ico\"\"",  "DefaultIcon=\"C:\\x\\one.ico \"",
        "DefaultIcon=\" C:\\x\\one.ico\"",       "DefaultIcon =  C:\\x\\one.ico ,2  ",
        "DefaultIcon=\"C:\\x y\\one.ico\",2",
    };
    for (const char *form : forms) {
        SCOPED_TRACE(form);
        const std::string before = std::string("; mine\r\n[autorun]\r\n") + form + "\r\nopen=setup.exe\r\n";
        WriteFileText(kAutorun, before);
        Fill();
        int x = SelectX();
        ASSERT_NE(nullptr, DriveItemOf(panel_, x));
        std::string held = DriveItemOf(panel_, x)->Location;
        EXPECT_EQ(1, SetDriveIcon(panel_, x, held.c_str()));
        EXPECT_EQ(1, Apply());
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ(before, ReadFileText(kAutorun));
    }
}

std::vector<std::string> g_writes;
BOOL WINAPI RecordProfileWrite(LPCSTR, LPCSTR, LPCSTR, LPCSTR file)
{
    g_writes.push_back(file != nullptr ? file : "");
    return TRUE;
}

// Apply writes the drives the user changed and no other: X:'s file, edited since the list was
// filled, stays as it is now.
TEST_F(DrivePanelTest, OnlyTheChangedDrivesAreWritten)
{
    char other = 0;
    for (char letter : FixedDrives())
        other = other == 0 && letter != kDrive ? letter : other;
    if (other == 0)
        GTEST_SKIP() << "no second fixed drive";
    WriteFileText(kAutorun, "[Autorun]\r\nDefaultIcon=old.ico,0\r\n");
    Fill();
    WriteFileText(kAutorun, "[Autorun]\r\nDefaultIcon=new.ico,3\r\n");
    char name[] = {other, ':', '\0'};
    int index = int(SendMessageA(Box(), CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(name)));
    // The other drive's write goes nowhere.
    g_writes.clear();
    ImportHook hook("kernel32.dll", "WritePrivateProfileStringA", reinterpret_cast<const void *>(RecordProfileWrite));
    ASSERT_TRUE(hook.Hooked());
    EXPECT_EQ(1, SetDriveIcon(panel_, index, IconFile(2).c_str()));
    Apply();
    EXPECT_FALSE(g_writes.empty());
    for (const std::string &file : g_writes)
        EXPECT_NE(0, lstrcmpiA(file.c_str(), kAutorun)) << "X: was written";
}

// A file the profile functions cannot read looks like one without an icon: the restore must
// not pass for done.
TEST_F(DrivePanelTest, ARestoreOnALockedFileIsReportedAndStaysPending)
{
    const std::string before = "[Autorun]\r\nDefaultIcon=old.ico,0\r\n";
    WriteFileText(kAutorun, before);
    Fill();
    int x = SelectX();
    HANDLE lock = CreateFileA(kAutorun, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_EQ(1, SetDriveIcon(panel_, x, nullptr));
    Settings.DriveIconMsg = 1;
    EXPECT_EQ(0, Apply());
    CloseHandle(lock);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[0].find("X:")) << Utf8(g_boxes[0]);
    EXPECT_TRUE(DriveIconsModified(panel_));
    EXPECT_EQ(before, ReadFileText(kAutorun));
}

TEST_F(DrivePanelTest, OnlyDropsInsideTheGroupBoxSetTheIcon)
{
    Fill();
    int x = SelectX();
    RECT group;
    GetWindowRect(GetDlgItem(panel_, IDC_DP_GROUP), &group);
    MapWindowPoints(nullptr, panel_, reinterpret_cast<POINT *>(&group), 2);
    std::string ico = FixturePath("one.ico");

    POINT outside = {group.left - 3, group.top + 5};
    SendMessageA(panel_, WM_DROPFILES, WPARAM(MakeDropFiles({ico}, outside)), 0);
    EXPECT_EQ(nullptr, DriveItemOf(panel_, x));
    EXPECT_EQ(0, g_setChanged);

    POINT inside = {group.left + 5, group.bottom - 5};
    SendMessageA(panel_, WM_DROPFILES, WPARAM(MakeDropFiles({ico}, inside)), 0);
    DriveIconItem *item = DriveItemOf(panel_, x);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(0, lstrcmpiA(item->Location, (ico + ",0").c_str())) << item->Location;
    EXPECT_NE(nullptr, item->Icon);
    EXPECT_EQ(1, g_setChanged);
    EXPECT_FALSE(Exists(kAutorun));

    // Taken, but shown as the fallback where the system cannot draw its PNG image.
    PretendSystem(LINE_NT5, false);
    std::string png = FixturePath("png.ico");
    SendMessageA(panel_, WM_DROPFILES, WPARAM(MakeDropFiles({png}, inside)), 0);
    item = DriveItemOf(panel_, x);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(0, lstrcmpiA(item->Location, (png + ",0").c_str())) << item->Location;
    EXPECT_EQ(nullptr, item->Icon);
}

// Copy, Paste and Change on the selected drive, the Change Icon dialog answered: picking the
// icon the drive shows already is no change and nothing is written.
TEST_F(DrivePanelTest, CommandsActOnTheSelectedDrive)
{
    const std::string own = IconFile(3);
    const Step pickSeventh = Check([](HWND dialog) { SendDlgItemMessageA(dialog, IDC_CI_GRID, LB_SETCURSEL, 7, 0); });
    struct Case {
        const char *label;
        bool ownIcon;
        int command;
        std::vector<Step> dialog;
        std::string copied;     // the clipboard afterwards; "" for the first row's location
        std::string written;    // DefaultIcon after Apply, "<none>" when nothing
        int marked;             // UM_SETCHANGED sent
    } cases[] = {
        {"copy own icon", true, IDM_COPY, {}, own, own, 0},
        {"copy standard icon", false, IDM_COPY, {}, "", "<none>", 0},
        {"paste", false, IDM_PASTE, {}, IconFile(9), IconFile(9), 1},
        {"change to another icon", true, IDM_CHANGEICON, {pickSeventh, Press(IDOK)}, IconFile(9), IconFile(7), 1},
        {"change to the own icon", true, IDM_CHANGEICON, {Press(IDOK)}, IconFile(9), own, 0},
        {"change to the standard icon", false, IDM_CHANGEICON, {Press(IDOK)}, IconFile(9), "<none>", 0},
        {"change cancelled", false, IDM_CHANGEICON, {pickSeventh, Press(IDCANCEL)}, IconFile(9), "<none>", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        RemoveAutorun();
        if (c.ownIcon)
            WriteFileText(kAutorun, "[Autorun]\r\nDefaultIcon=" + own + "\r\n");
        Fill();
        SelectX();
        CopyToClipboard(IconFile(9).c_str());
        g_setChanged = 0;
        {
            DialogScript script(c.dialog, FindChangeIconDialog);
            RunDriveCommand(panel_, c.command);
            EXPECT_EQ(c.dialog.size(), script.NextStep());
        }
        ASSERT_NE(nullptr, CopiedIcon());
        ASSERT_NE(nullptr, GetEntry(list_, 0)->CurrentLocation);
        EXPECT_EQ(c.copied.empty() ? GetEntry(list_, 0)->CurrentLocation : c.copied, CopiedIcon());
        EXPECT_EQ(c.marked, g_setChanged);
        EXPECT_EQ(c.marked, Apply());
        EXPECT_EQ(c.written, Profile("Autorun", "DefaultIcon"));
    }
}

// The drive box's menu: the list's commands that make sense for one drive, greyed where they
// cannot act.
TEST_F(DrivePanelTest, MenuGreysWhatTheDriveCannotDo)
{
    struct Case {
        bool ownIcon;
        const char *copied;
        std::vector<UINT> greyed;
    } cases[] = {
        {true, "a.ico,1", {}},
        {false, "a.ico,1", {IDM_DEFAULT}},
        {true, nullptr, {IDM_PASTE}},
        {false, nullptr, {IDM_PASTE, IDM_DEFAULT}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.ownIcon ? "own icon" : "standard icon") + (c.copied ? ", copied" : ""));
        RemoveAutorun();
        if (c.ownIcon)
            WriteFileText(kAutorun, "[Autorun]\r\nDefaultIcon=" + IconFile(3) + "\r\n");
        Fill();
        SelectX();
        if (c.copied != nullptr)
            CopyToClipboard(c.copied);
        else
            ClearCopiedIcon();
        std::vector<UINT> items, greyed;    // a separator's id is 0
        UINT byDefault = 0;
        Step readMenu = [&](HWND window) {
            HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                UINT id = GetMenuItemID(menu, i);
                items.push_back(id);
                if (id != 0 && (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED))
                    greyed.push_back(id);
            }
            byDefault = GetMenuDefaultItem(menu, FALSE, 0);
            EndMenu();
            return true;
        };
        DialogScript script({readMenu}, FindPopupMenu);
        SendMessageA(panel_, WM_CONTEXTMENU, WPARAM(Box()), -1);
        EXPECT_EQ(1u, script.NextStep());
        EXPECT_EQ(std::vector<UINT>({IDM_COPY, IDM_PASTE, 0, IDM_CHANGEICON, IDM_DEFAULT}), items);
        EXPECT_EQ(UINT(IDM_CHANGEICON), byDefault);
        EXPECT_EQ(c.greyed, greyed);
    }
}

}  // namespace
