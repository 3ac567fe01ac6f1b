// The page host under its old names, for tests written before support/listhost.h; new tests
// include that header instead. The host keeps its own pending flag (ListHost::Pending()) and
// mirrors it into Sheet.ChangesPending for the tests that still read the sheet's.
#ifndef TILEFOX_TESTS_LISTHOST_H
#define TILEFOX_TESTS_LISTHOST_H

#include "app/sheetstate.h"
#include "support/listhost.h"

namespace listhost {

using ::AddRow;
using ::ListHost;
using ::ListOf;
using ::Rows;
using ::SolidIcon;
using ::SystemDir;
using ::Text;

inline int &SetChangedCount()
{
    return ListHost::SetChangedCount();
}

inline const bool kMirrorsSheetFlag = (ListHost::MirrorPendingInto(&Sheet.ChangesPending), true);

// Values of one key, put back as they were.
class SavedValues {
public:
    SavedValues(HKEY root, const char *subkey) : root_(root), subkey_(subkey) {}
    void Keep(const char *name) { saved_.Value(root_, subkey_, name); }

private:
    HKEY root_;
    std::string subkey_;
    SavedRegistry saved_;
};

const char kShellIconsKey[] = SHELL_ICONS_KEY;

}  // namespace listhost

#endif
