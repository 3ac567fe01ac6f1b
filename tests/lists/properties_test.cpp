#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/appstate.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/properties.h"
#include "shellglue/shellkeys.h"
#include "support/dialogsteps.h"

namespace {

const char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";
const char kShellIconsPlace[] = "HKEY_LOCAL_MACHINE\\" SHELL_ICONS_KEY;

IconEntry MakeEntry(const char *name, const char *current, const char *standard, const char *key,
                    BYTE kind)
{
    IconEntry entry = {};
    entry.DisplayName = const_cast<char *>(name);
    entry.CurrentLocation = const_cast<char *>(current);
    entry.SavedLocation = const_cast<char *>(current);
    entry.DefaultLocation = const_cast<char *>(standard);
    entry.RegistryKey = const_cast<char *>(key);
    entry.Kind = kind;
    return entry;
}

TEST(PropertiesPlace, EveryFormOfTheRegistryKey)
{
    const std::string binKey = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kRecycleBin + "\\DefaultIcon";
    struct Case {
        const char *key;
        BYTE kind;
        std::string expected;
    } cases[] = {
        {"3", KIND_ORDINARY, std::string(kShellIconsPlace) + ", \"3\""},
        {"123", KIND_ORDINARY, std::string(kShellIconsPlace) + ", \"123\""},
        {"1234", KIND_ORDINARY, ""},
        {"", KIND_ORDINARY, ""},
        {nullptr, KIND_ORDINARY, ""},
        {kRecycleBin, KIND_ORDINARY, binKey},
        {kRecycleBin, KIND_RECYCLE_EMPTY, binKey + ", \"empty\""},
        {kRecycleBin, KIND_RECYCLE_FULL, binKey + ", \"full\""},
        {kRecycleBin, KIND_BROWSER, binKey},
        {"{645FF040-5081-101B}", KIND_ORDINARY, ""},
        {"{645FF040-5081-101B-9F08-00AA002F954E}x", KIND_ORDINARY, ""},
    };
    for (const Case &c : cases) {
        IconEntry entry = MakeEntry("x", "", nullptr, c.key, c.kind);
        char buffer[200];
        memset(buffer, 'Z', sizeof buffer);
        FormatRegistryPlace(&entry, buffer, sizeof buffer);
        EXPECT_EQ(c.expected, buffer) << (c.key ? c.key : "(null)") << " kind " << int(c.kind);
    }
}

TEST(PropertiesPlace, SmallBufferStaysTerminated)
{
    IconEntry entry = MakeEntry("x", "", nullptr, kRecycleBin, KIND_RECYCLE_FULL);
    char buffer[40];
    memset(buffer, 'Z', sizeof buffer);
    FormatRegistryPlace(&entry, buffer, 30);
    EXPECT_LT(lstrlenA(buffer), 30);
    EXPECT_EQ('Z', buffer[31]);

    IconEntry shell = MakeEntry("x", "", nullptr, "12", KIND_ORDINARY);
    memset(buffer, 'Z', sizeof buffer);
    FormatRegistryPlace(&shell, buffer, 30);
    EXPECT_LT(lstrlenA(buffer), 30);
}

// What the dialog showed, read while it was open.
struct Shown {
    bool seen = false;
    std::string caption, current, standard, place;
    bool hasIcon = false;
    bool cancelVisible = true;
};
Shown g_shown;

// Reads the dialog, then closes it with OK, or with Escape.
INT_PTR RunAndRead(IconEntry *entry, bool pressOk)
{
    g_shown = Shown();
    Step escape = [](HWND dialog) { return PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0) != FALSE; };
    DialogScript script({Check([](HWND dialog) {
                             g_shown.caption = WindowText(dialog);
                             g_shown.current = DlgItemText(dialog, IDC_PR_CURRENT);
                             g_shown.standard = DlgItemText(dialog, IDC_PR_DEFAULT);
                             g_shown.place = DlgItemText(dialog, IDC_PR_REGKEY);
                             g_shown.hasIcon = SendDlgItemMessageA(dialog, IDC_PR_ICON, STM_GETIMAGE, IMAGE_ICON, 0) != 0;
                             g_shown.cancelVisible = IsWindowVisible(GetDlgItem(dialog, IDCANCEL)) != FALSE;
                         }),
                         pressOk ? Press(IDOK) : escape},
                        DialogWith(IDC_PR_REGKEY));
    INT_PTR result = ShowProperties(nullptr, entry);
    g_shown.seen = script.Seen();
    return result;
}

TEST(PropertiesDialog, ShowsTheThreeFieldsByKindOfRow)
{
    std::string lib = FixturePath("icons12.dll");
    std::string current = lib + ",4";
    std::string binName = Ansi(u8"ごみ箱 (空)");
    struct Case {
        std::string name;
        const char *standard;
        const char *key;
        BYTE kind;
        std::string expectedStandard, expectedPlace;
    } cases[] = {
        {"Shell", "shell32.dll,3", "3", KIND_ORDINARY, "shell32.dll,3",
         std::string(kShellIconsPlace) + ", \"3\""},
        {binName, "shell32.dll,31", kRecycleBin, KIND_RECYCLE_EMPTY, "shell32.dll,31",
         std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kRecycleBin + "\\DefaultIcon, \"empty\""},
        {"Folder", nullptr, "{00000000-1111-2222-3333-444444444444}", KIND_ORDINARY, "(Unknown)",
         "HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}\\DefaultIcon"},
        {"Browser", "shell32.dll,5", "{871C5380-42A0-1069-A2EA-08002B30309D}", KIND_BROWSER,
         Ansi(u8"(なし)"),
         "HKEY_CLASSES_ROOT\\CLSID\\{871C5380-42A0-1069-A2EA-08002B30309D}\\DefaultIcon"},
    };
    for (Case &c : cases) {
        IconEntry entry = MakeEntry(&c.name[0], &current[0], c.standard, c.key, c.kind);
        ExtractIconExA(lib.c_str(), 4, &entry.LargeIcon, nullptr, 1);
        EXPECT_EQ(1, RunAndRead(&entry, true)) << c.name;
        ASSERT_TRUE(g_shown.seen) << c.name;
        EXPECT_EQ(c.name + Ansi(u8" のプロパティ"), g_shown.caption);
        EXPECT_EQ(current, g_shown.current) << c.name;
        EXPECT_EQ(c.expectedStandard, g_shown.standard) << c.name;
        EXPECT_EQ(c.expectedPlace, g_shown.place) << c.name;
        EXPECT_TRUE(g_shown.hasIcon) << c.name;
        EXPECT_FALSE(g_shown.cancelVisible);
        EXPECT_EQ(nullptr, FindThreadDialog(IDC_PR_CURRENT));
        DestroyIcon(entry.LargeIcon);
    }
}

TEST(PropertiesDialog, EscapeClosesLikeOkAndARowWithoutIconShowsNone)
{
    std::string name = "Row";
    std::string current = "missing.dll,2";
    IconEntry entry = MakeEntry(&name[0], &current[0], nullptr, "1234", KIND_ORDINARY);
    EXPECT_EQ(1, RunAndRead(&entry, false));
    ASSERT_TRUE(g_shown.seen);
    EXPECT_FALSE(g_shown.hasIcon);
    EXPECT_EQ("", g_shown.place);
    EXPECT_EQ(nullptr, FindThreadDialog(IDC_PR_CURRENT));
}

TEST(PropertiesDialog, WithoutAnEntryEndsAtOnce)
{
    EXPECT_EQ(2, DialogBoxParamA(AppInstance(), MAKEINTRESOURCEA(IDD_PROPERTIES), nullptr,
                                 PropertiesDialog, 0));
}

INT_PTR CALLBACK InertDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(PropertiesDialog, TemplateLayout)
{
    // Modeless copy of the template so that its controls can be measured in dialog units.
    HWND dialog = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_PROPERTIES), nullptr,
                                     InertDialog, 0);
    ASSERT_NE(nullptr, dialog);
    struct Control {
        int id;
        RECT units;     // left, top, width, height
    } controls[] = {
        {IDC_PR_ICON, {10, 8, 16, 17}},     {IDC_PR_CURRENT, {7, 46, 205, 14}},
        {IDC_PR_DEFAULT, {7, 77, 205, 14}}, {IDC_PR_REGKEY, {7, 110, 205, 14}},
        {IDOK, {160, 136, 52, 16}},         {IDCANCEL, {98, 136, 52, 16}},
    };
    for (const Control &c : controls) {
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(nullptr, control) << c.id;
        // The dialog manager converts position and size separately.
        RECT units = c.units;
        MapDialogRect(dialog, &units);
        RECT expected = {units.left, units.top, units.left + units.right, units.top + units.bottom};
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&actual), 2);
        EXPECT_EQ(expected.left, actual.left) << c.id;
        EXPECT_EQ(expected.top, actual.top) << c.id;
        EXPECT_EQ(expected.right, actual.right) << c.id;
        EXPECT_EQ(expected.bottom, actual.bottom) << c.id;
    }
    for (int id : {IDC_PR_CURRENT, IDC_PR_DEFAULT, IDC_PR_REGKEY}) {
        LONG style = GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE);
        EXPECT_TRUE(style & ES_READONLY) << id;
        // A long registry place must not be cut to the field's width.
        EXPECT_TRUE(style & ES_AUTOHSCROLL) << id;
    }
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(dialog, IDCANCEL), GWL_STYLE) & WS_VISIBLE);
    RECT client, size = {0, 0, 220, 161};
    GetClientRect(dialog, &client);
    MapDialogRect(dialog, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
    DestroyWindow(dialog);
}

}  // namespace
