// The catalogue helpers under their old names, for tests written before support/listrows.h;
// new tests use ListHost, FillRows and SavedRegistry instead.
#ifndef TILEFOX_CATALOGUE_SUPPORT_H
#define TILEFOX_CATALOGUE_SUPPORT_H

#include <memory>

#include "support/listhost.h"
#include "support/listrows.h"

namespace catalogue_test {

const char kNull[] = "<null>";
using Row = ::RowText;
using ::ClassKey;
using ::FindRow;
using ::InstallClass;
using ::Text;

// A plain owner-drawn list without strings under a hidden parent, as the pages have.
class TestList {
public:
    TestList()
        : parent_(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr, nullptr,
                                  nullptr)),
          list_(CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 0, 0, 200, 200,
                                parent_, nullptr, nullptr, nullptr))
    {
    }
    ~TestList()
    {
        FreeList(list_);
        DestroyWindow(parent_);
    }
    HWND Get() const { return list_; }
    std::vector<Row> Rows() const { return ReadRows(list_); }

private:
    HWND parent_;
    HWND list_;
};

// One registry subtree as it was; Restore puts it back.
class SavedTree {
public:
    SavedTree(HKEY root, const std::string &path) : saved_(std::make_shared<SavedRegistry>()) { saved_->Tree(root, path); }
    void Restore() const { saved_->Restore(); }

private:
    std::shared_ptr<SavedRegistry> saved_;
};

// The shell flags a catalogue reads, set per case and put back afterwards.
class ShellFlags {
public:
    ~ShellFlags() { Facts = saved_; }
    void Set(bool newShell, bool integrated, bool plus, bool cool, char *systemDir)
    {
        ListHost::SetFacts(newShell, integrated, plus, cool, systemDir);
    }

private:
    StartupFacts saved_ = Facts;
};

}  // namespace catalogue_test

#endif
