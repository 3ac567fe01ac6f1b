// A stand-in sheet with all five list pages and a tab control, for the theme import and the
// drop tests: it answers PSM_GETTABCONTROL and records the tabs it is switched to.
#ifndef TILEFOX_TESTS_THEMEHOST_H
#define TILEFOX_TESTS_THEMEHOST_H

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "common/sheetgdi.h"
#include "shellglue/startfacts.h"
#include "support/listhost.h"
#include "support/dialogdriver.h"

namespace themehost {

const char kThemesKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE";

struct SheetRecord {
    WNDPROC Previous = nullptr;
    HWND Tabs = nullptr;
    std::vector<int> Switches;
};

inline SheetRecord &Record()
{
    static SheetRecord record;
    return record;
}

inline LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SheetRecord &record = Record();
    if (message == PSM_GETTABCONTROL)
        return reinterpret_cast<LRESULT>(record.Tabs);
    // The property sheet is a dialog: it moves the focus where it is asked to.
    if (message == WM_NEXTDLGCTL && lParam != 0) {
        SetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    if (message == PSM_SETCURSEL) {
        record.Switches.push_back(int(wParam));
        SendMessageA(record.Tabs, TCM_SETCURSEL, wParam, 0);
        return TRUE;
    }
    return CallWindowProcA(record.Previous, window, message, wParam, lParam);
}

class ThemeSheet {
public:
    ThemeSheet()
    {
        HWND sheet = host_.Host();
        Record() = SheetRecord();
        Record().Tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD, 0, 0, 400, 20, sheet, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
        for (int tab = 0; tab < TAB_COUNT; ++tab) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            char title[] = "t";
            item.pszText = title;
            SendMessageA(Record().Tabs, TCM_INSERTITEMA, tab, reinterpret_cast<LPARAM>(&item));
        }
        Record().Previous =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProc)));
        for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
            // The frame passes each page its tab.
            pages_[tab] = CreateDialogParamA(AppInstance(), MAKEINTRESOURCEA(IDD_ICONLIST), sheet, IconListPage, tab);
            ShowWindow(pages_[tab], SW_SHOW);
        }
        ShowWindow(sheet, SW_SHOW);
    }
    ~ThemeSheet()
    {
        for (HWND page : pages_)
            DestroyWindow(page);
        SetWindowLongPtrA(host_.Host(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Record().Previous));
    }
    ThemeSheet(const ThemeSheet &) = delete;
    ThemeSheet &operator=(const ThemeSheet &) = delete;

    HWND Sheet() const { return host_.Host(); }
    HWND Page(int tab) const { return pages_[tab]; }
    HWND List(int tab) const { return GetDlgItem(pages_[tab], IDC_ICONLIST); }
    void ShowTab(int tab) { SendMessageA(Record().Tabs, TCM_SETCURSEL, tab, 0); }
    const std::vector<int> &Switches() const { return Record().Switches; }

private:
    ListHost host_;
    HWND pages_[LIST_TAB_COUNT] = {};
};

// ---- modal dialogs and message boxes: one action on the dialog holding a control ----

using DialogAction = void (*)(HWND dialog);

// A dialog is recognised by one of its controls: 0xFFFF is a message box's text.
class DialogDriver {
public:
    DialogDriver(DialogAction action, int mark)
        : script_({[action](HWND dialog) {
                      action(dialog);
                      return true;
                  }},
                  DialogWith(mark))
    {
    }
    bool Seen() const { return script_.Seen(); }

private:
    DialogScript script_;
};

enum { MESSAGE_BOX_MARK = 0xFFFF };

}  // namespace themehost

#endif
