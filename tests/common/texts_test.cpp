// Both languages of every text, menu and dialog: the same identifiers and controls in each,
// every template text inside its control, and the choice of the language shown.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "support/probes.h"
#include "support/testing.h"

namespace {

const TextLanguage kLanguages[] = {LANGUAGE_JAPANESE, LANGUAGE_ENGLISH};

// Shows one language for the test's length, then the choice by code page again.
class ShownAs {
public:
    explicit ShownAs(const char *setting) { ChooseLanguage(setting); }
    ~ShownAs() { ChooseLanguage(""); }
};

const char *SettingOf(TextLanguage language)
{
    return language == LANGUAGE_ENGLISH ? "en" : "ja";
}

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

bool IsPlainAscii(const std::string &text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

struct Control {
    int id;
    std::string kind;
    LONG style;
    std::string text;
    HWND window;
};

INT_PTR CALLBACK InertDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A dialog of the shown language made from its template alone, hidden, and its controls.
class TemplateDialog {
public:
    TemplateDialog(UINT id, HWND host)
    {
        window_ = MakeDialog(id, host, InertDialog, 0);
        for (HWND child = window_ != nullptr ? GetWindow(window_, GW_CHILD) : nullptr; child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            char kind[64] = "";
            char text[512] = "";
            GetClassNameA(child, kind, sizeof kind);
            GetWindowTextA(child, text, sizeof text);
            controls_.push_back({GetDlgCtrlID(child), kind, GetWindowLongA(child, GWL_STYLE), text, child});
        }
    }
    ~TemplateDialog()
    {
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    HWND Window() const { return window_; }
    const std::vector<Control> &Controls() const { return controls_; }

private:
    HWND window_ = nullptr;
    std::vector<Control> controls_;
};

struct MenuItem {
    UINT id;
    UINT type;
    int depth;
    std::string text;
};

void ListMenu(HMENU menu, int depth, std::vector<MenuItem> *items)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[80] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        items->push_back({info.hSubMenu != nullptr ? 0 : info.wID, info.fType, depth, text});
        if (info.hSubMenu != nullptr)
            ListMenu(info.hSubMenu, depth + 1, items);
    }
}

class BothLanguages : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
        host_ = CreateHelperWindow("TilefoxTextsHost", DefWindowProcA);
    }
    void TearDown() override
    {
        DestroyWindow(host_);
        ChooseLanguage("");
    }
    HWND host_ = nullptr;
};

TEST_F(BothLanguages, EveryTextMenuAndDialogHasBothFormsAlike)
{
    const LPCSTR types[] = {RT_STRING, RT_MENU, RT_DIALOG};
    for (LPCSTR type : types) {
        std::vector<UINT> names = Names(type);
        ASSERT_FALSE(names.empty());
        for (UINT name : names) {
            std::vector<WORD> languages;
            EnumResourceLanguagesA(AppInstance(), type, MAKEINTRESOURCEA(name), AddLanguage,
                                   reinterpret_cast<LONG_PTR>(&languages));
            std::vector<WORD> expected = {ResourceLanguage(LANGUAGE_ENGLISH), ResourceLanguage(LANGUAGE_JAPANESE)};
            if (languages.size() == 2 && languages[0] > languages[1])
                std::swap(languages[0], languages[1]);
            EXPECT_EQ(expected, languages) << "resource type " << UINT_PTR(type) << " name " << name;
        }
    }

    for (UINT block : Names(RT_STRING)) {
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            char japanese[512], english[512];
            bool hasJapanese = LoadTextIn(LANGUAGE_JAPANESE, id, japanese, sizeof japanese);
            bool hasEnglish = LoadTextIn(LANGUAGE_ENGLISH, id, english, sizeof english);
            EXPECT_EQ(hasJapanese, hasEnglish) << "text " << id;
            EXPECT_TRUE(IsPlainAscii(english)) << "text " << id << ": " << english;
            EXPECT_EQ(std::string(japanese).find('%') == std::string::npos,
                      std::string(english).find('%') == std::string::npos) << "text " << id;
        }
    }

    for (UINT name : Names(RT_MENU)) {
        std::vector<MenuItem> forms[2];
        for (int i = 0; i < 2; ++i) {
            ShownAs shown(SettingOf(kLanguages[i]));
            HMENU menu = LoadShownMenu(name);
            ASSERT_NE(nullptr, menu) << name;
            ListMenu(menu, 0, &forms[i]);
            DestroyMenu(menu);
        }
        ASSERT_EQ(forms[0].size(), forms[1].size()) << "menu " << name;
        for (size_t i = 0; i < forms[0].size(); ++i) {
            EXPECT_EQ(forms[0][i].id, forms[1][i].id) << "menu " << name << " item " << i;
            EXPECT_EQ(forms[0][i].type, forms[1][i].type) << "menu " << name << " item " << i;
            EXPECT_EQ(forms[0][i].depth, forms[1][i].depth) << "menu " << name << " item " << i;
            EXPECT_EQ(forms[0][i].text.empty(), forms[1][i].text.empty()) << "menu " << name << " item " << i;
            EXPECT_TRUE(IsPlainAscii(forms[1][i].text)) << forms[1][i].text;
        }
    }

    for (UINT name : Names(RT_DIALOG)) {
        ShownAs japaneseShown("ja");
        TemplateDialog japanese(name, host_);
        ChooseLanguage("en");
        TemplateDialog english(name, host_);
        ASSERT_NE(nullptr, japanese.Window()) << "dialog " << name;
        ASSERT_NE(nullptr, english.Window()) << "dialog " << name;
        EXPECT_EQ(GetWindowLongA(japanese.Window(), GWL_STYLE), GetWindowLongA(english.Window(), GWL_STYLE)) << name;
        ASSERT_EQ(japanese.Controls().size(), english.Controls().size()) << "dialog " << name;
        for (size_t i = 0; i < english.Controls().size(); ++i) {
            const Control &ja = japanese.Controls()[i];
            const Control &en = english.Controls()[i];
            EXPECT_EQ(ja.id, en.id) << "dialog " << name << " control " << i;
            EXPECT_EQ(ja.kind, en.kind) << "dialog " << name << " control " << en.id;
            EXPECT_EQ(ja.style, en.style) << "dialog " << name << " control " << en.id;
            EXPECT_EQ(ja.text.empty(), en.text.empty()) << "dialog " << name << " control " << en.id;
            EXPECT_TRUE(IsPlainAscii(en.text)) << "dialog " << name << ": " << en.text;
        }
        // The system's dialog font, as Windows 98's own English dialogs have it.
        LOGFONTA font = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(english.Window(), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ("MS Sans Serif", font.lfFaceName) << "dialog " << name;
    }
}

TEST_F(BothLanguages, EveryTemplateTextFitsItsControl)
{
    for (TextLanguage language : kLanguages) {
        ShownAs shown(SettingOf(language));
        for (UINT name : Names(RT_DIALOG)) {
            TemplateDialog dialog(name, host_);
            ASSERT_NE(nullptr, dialog.Window()) << name;
            EXPECT_EQ(std::vector<std::string>(), CutTexts(dialog.Window()))
                << SettingOf(language) << " dialog " << name;
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
    } cases[] = {{"en", english}, {"EN", english}, {"ja", japanese}, {"", japanese}, {"fr", japanese},
                 {nullptr, japanese}};
    for (const auto &c : cases) {
        ShownAs shown(c.setting);
        EXPECT_STREQ(c.shown, LoadText(IDS_TAB_DESKTOP)) << (c.setting != nullptr ? c.setting : "(none)");
    }
}

TEST(ShownLanguage, LongTextsAreCutBeforeAWholeCharacter)
{
    ShownAs shown("ja");
    char full[256];
    int length = LoadTextInto(IDS_DRIVEREFRESHHINT, full, sizeof full);
    ASSERT_GT(length, 100);
    for (int size = 60; size < 80; ++size) {
        char cut[80];
        int kept = LoadTextInto(IDS_DRIVEREFRESHHINT, cut, size);
        EXPECT_LT(kept, size);
        EXPECT_GE(kept, size - 2);
        EXPECT_EQ(0, std::string(full).compare(0, kept, cut)) << size;
        EXPECT_NE(0, MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cut, -1, nullptr, 0)) << size;
    }
}

}  // namespace
