// A stand-in sheet for page tests: a top-level window that answers UM_SETCHANGED and
// UM_QUERYCHANGED with a pending flag of its own, and the options, start-up facts, fonts and
// icons a page reads, as the frame would have set them up. Everything it changes is put back
// when it goes.
#ifndef TILEFOX_TESTS_SUPPORT_LISTHOST_H
#define TILEFOX_TESTS_SUPPORT_LISTHOST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/iconclipboard.h"
#include "common/options.h"
#include "common/sheetgdi.h"
#include "common/tabs.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"
#include "shellglue/startfacts.h"
#include "support/testing.h"

class ListHost {
public:
    ListHost();
    ~ListHost();
    ListHost(const ListHost &) = delete;
    ListHost &operator=(const ListHost &) = delete;

    HWND Host() const { return host_; }
    // A page as the frame creates it, shown; its list is ListOf(page).
    HWND CreatePage(int tab);
    // The list of a new page (null, and a failure, when the page could not be made).
    HWND CreateList(int tab);
    // The start-up facts a catalogue reads; systemDir stays the caller's.
    static void SetFacts(bool newShell, bool integrated, bool plus, bool cool, char *systemDir);

    // What the pages told the host.
    static int &Pending();
    static int &SetChangedCount();
    // Old tests read the sheet's own flag: the host also writes it there.
    static void MirrorPendingInto(BYTE *flag);

private:
    HWND host_ = nullptr;
    char *systemDir_ = nullptr;
    SettingsState savedSettings_;
    StartupFacts savedFacts_;
    SheetGdi savedGdi_;
    ListsState savedLists_;
};

inline HWND ListOf(HWND page)
{
    return GetDlgItem(page, IDC_ICONLIST);
}

// The General tab's page, shown on a host of its own.
class GeneralPageTest : public testing::Test {
protected:
    void SetUp() override
    {
        page_ = host_.CreatePage(TAB_GENERAL);
        ASSERT_NE(nullptr, page_);
        list_ = ListOf(page_);
    }
    ListHost host_;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
};
inline int Rows(HWND list)
{
    return int(SendMessageA(list, LB_GETCOUNT, 0, 0));
}
inline std::string Text(const char *text)
{
    return text != nullptr ? std::string(text) : std::string("<null>");
}

// A row as a catalogue would add it; returns what AddEntry does.
int AddRow(HWND list, const char *name, const char *location, const char *saved, const char *standard,
           const char *key, BYTE kind = KIND_ORDINARY);
// A square icon of one colour; when column >= 0 only that column is opaque.
HICON SolidIcon(int size, COLORREF colour, int column = -1);

#endif
