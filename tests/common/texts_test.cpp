// Both languages of every text, menu and dialog: the same identifiers and controls in each,
// every template text inside its control, and the choice of the language shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "support/probes.h"
#include "support/testing.h"

namespace {

const char *const kSettings[] = {"ja", "en"};

// Shows one language for the test's length, then the choice by code page again.
struct ShownAs {
    explicit ShownAs(const char *setting, UINT codePage = GetACP()) { ChooseLanguage(setting, codePage); }
    ~ShownAs() { ChooseLanguage(""); }
};

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<UINT> *>(names)->push_back(UINT(reinterpret_cast<UINT_PTR>(name)));
    return TRUE;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD> *>(languages)->push_back(language);
    return TRUE;
}

std::vector<UINT> Names(LPCSTR type)
{
    std::vector<UINT> names;
    EnumResourceNamesA(AppInstance(), type, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

// What a menu or dialog is made of, one line per item, which both languages must share, and
// all its texts.
struct Form {
    std::vector<std::string> shape;
    std::string texts;
    void Add(int id, const std::string &kind, LONG style, const std::string &text)
    {
        shape.push_back(std::to_string(id) + " " + kind + " " + std::to_string(style) + (text.empty() ? "" : " text"));
        texts += text;
    }
};

void AddMenu(HMENU menu, const std::string &depth, Form *form)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[80] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        form->Add(info.hSubMenu != nullptr ? -1 : int(info.wID), depth, LONG(info.fType), text);
        if (info.hSubMenu != nullptr)
            AddMenu(info.hSubMenu, depth + ">", form);
    }
}

INT_PTR CALLBACK InertDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class BothLanguages : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
        host_ = CreateHelperWindow("TilefoxTextsHost", DefWindowProcA);
    }
    void TearDown() override { DestroyWindow(host_); }
    // A dialog of the shown language from its template alone, hidden; the caller destroys it.
    HWND Make(UINT id) { return MakeDialog(id, host_, InertDialog, 0); }
    HWND host_ = nullptr;
};

TEST_F(BothLanguages, EveryTextMenuAndDialogHasBothFormsAlike)
{
    const std::vector<WORD> both = {ResourceLanguage(LANGUAGE_ENGLISH), ResourceLanguage(LANGUAGE_JAPANESE)};
    for (LPCSTR type : {RT_STRING, RT_MENU, RT_DIALOG}) {
        for (UINT name : Names(type)) {
            std::vector<WORD> languages;
            EnumResourceLanguagesA(AppInstance(), type, MAKEINTRESOURCEA(name), AddLanguage,
                                   reinterpret_cast<LONG_PTR>(&languages));
            if (languages.size() == 2 && languages[0] > languages[1])
                std::swap(languages[0], languages[1]);
            EXPECT_EQ(both, languages) << "type " << UINT_PTR(type) << " name " << name;
        }
    }
    for (UINT block : Names(RT_STRING)) {
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            char japanese[512], english[512];
            EXPECT_EQ(LoadTextIn(LANGUAGE_JAPANESE, id, japanese, sizeof japanese),
                      LoadTextIn(LANGUAGE_ENGLISH, id, english, sizeof english)) << "text " << id;
            EXPECT_TRUE(IsPlainAscii(english)) << "text " << id << ": " << english;
            // A text that fits LoadText's buffer in one language fits it in the other.
            EXPECT_EQ(lstrlenA(japanese) < TEXT_BUFFER, lstrlenA(english) < TEXT_BUFFER) << "text " << id;
        }
    }
    for (UINT name : Names(RT_MENU)) {
        Form forms[2];
        for (int i = 0; i < 2; ++i) {
            ShownAs shown(kSettings[i]);
            HMENU menu = LoadShownMenu(name);
            AddMenu(menu, "", &forms[i]);
            DestroyMenu(menu);
        }
        EXPECT_EQ(forms[0].shape, forms[1].shape) << "menu " << name;
        EXPECT_TRUE(IsPlainAscii(forms[1].texts)) << forms[1].texts;
    }
    for (UINT name : Names(RT_DIALOG)) {
        Form forms[2];
        for (int i = 0; i < 2; ++i) {
            ShownAs shown(kSettings[i]);
            HWND dialog = Make(name);
            ASSERT_NE(nullptr, dialog) << kSettings[i] << " dialog " << name;
            // The same size in pixels: the other language is laid out in the system's font, as
            // the sheet around a page is.
            RECT box = {};
            GetWindowRect(dialog, &box);
            forms[i].Add(name, "dialog " + std::to_string(box.right - box.left) + "x" + std::to_string(box.bottom - box.top),
                         GetWindowLongA(dialog, GWL_STYLE), WindowText(dialog));
            for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                char kind[64] = "";
                GetClassNameA(control, kind, sizeof kind);
                forms[i].Add(GetDlgCtrlID(control), kind, GetWindowLongA(control, GWL_STYLE), WindowText(control));
            }
            // A proportional font in either language on this system, not a fixed-width stand-in
            // for a face only another system has.
            HDC dc = GetDC(dialog);
            HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
            TEXTMETRICA metrics = {};
            GetTextMetricsA(dc, &metrics);
            SelectObject(dc, previous);
            ReleaseDC(dialog, dc);
            EXPECT_NE(0, metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) << kSettings[i] << " dialog " << name;
            DestroyWindow(dialog);
        }
        EXPECT_EQ(forms[0].shape, forms[1].shape) << "dialog " << name;
        EXPECT_TRUE(IsPlainAscii(forms[1].texts)) << forms[1].texts;
    }
}

// The client size the system's property sheet gives the frame's page in the language shown:
// the room of every tab's content.
SIZE SheetPageSize()
{
    PROPSHEETPAGEA page = {};
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_DLGINDIRECT;
    page.hInstance = AppInstance();
    page.pResource = static_cast<LPCDLGTEMPLATEA>(LockResource(FindDialogTemplate(IDD_SHEETPAGE)));
    page.pfnDlgProc = InertDialog;
    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.nPages = 1;
    header.ppsp = &page;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    RECT client = {};
    GetClientRect(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), &client);
    DestroyWindow(sheet);
    return {client.right, client.bottom};
}

TEST_F(BothLanguages, EveryTemplateTextFitsItsControlAndEveryTabItsPage)
{
    const UINT tabContents[] = {IDD_ICONLIST, IDD_ICONSETTINGS, IDD_BEHAVIOUR};
    for (const char *setting : kSettings) {
        ShownAs shown(setting);
        SIZE page = SheetPageSize();
        for (UINT name : Names(RT_DIALOG)) {
            HWND dialog = Make(name);
            bool tab = std::find(std::begin(tabContents), std::end(tabContents), name) != std::end(tabContents);
            EXPECT_EQ(std::vector<std::string>(), CutTexts(dialog, tab ? &page : nullptr)) << setting << " dialog " << name;
            DestroyWindow(dialog);
        }
    }
}

TEST(ShownLanguage, SettingOrCodePageChoosesTheForms)
{
    ASSERT_EQ(932u, GetACP());
    char japanese[TEXT_BUFFER], english[TEXT_BUFFER];
    ASSERT_TRUE(LoadTextIn(LANGUAGE_JAPANESE, IDS_TAB_DESKTOP, japanese, sizeof japanese));
    ASSERT_TRUE(LoadTextIn(LANGUAGE_ENGLISH, IDS_TAB_DESKTOP, english, sizeof english));
    ASSERT_STRNE(japanese, english);
    const struct {
        const char *setting;
        const char *shown;
        UINT codePage;
    } cases[] = {{"en", english, 932},  {"EN", english, 932}, {"ja", japanese, 932},   {"", japanese, 932},
                 {"fr", japanese, 932}, {nullptr, japanese, 932}, {"", english, 1252}, {"ja", japanese, 1252}};
    for (const auto &c : cases) {
        ShownAs shown(c.setting, c.codePage);
        EXPECT_STREQ(c.shown, LoadText(IDS_TAB_DESKTOP)) << (c.setting != nullptr ? c.setting : "(none)") << c.codePage;
    }
}

TEST(ShownLanguage, LongTextsAreCutBeforeAWholeCharacter)
{
    ShownAs shown("ja");
    char full[256];
    ASSERT_GT(LoadTextInto(IDS_DRIVEREFRESHHINT, full, sizeof full), 100);
    for (int size = 60; size < 80; ++size) {
        char cut[80];
        int kept = LoadTextInto(IDS_DRIVEREFRESHHINT, cut, size);
        EXPECT_GE(kept, size - 2);
        EXPECT_EQ(0, std::string(full).compare(0, kept, cut)) << size;
        EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cut, -1, nullptr, 0)) << size;
    }
}

}  // namespace
