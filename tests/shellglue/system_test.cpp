#include <gtest/gtest.h>

#include "shellglue/system.h"

namespace {

// What the program must learn in each test prefix (TILEFOX_TEST_SYSTEM, set by scripts/winebed.sh).
// Only a 32-bit process on 64-bit Windows reads the registry through the 64-bit view.
struct Expected {
    const char *Prefix;
    SystemLine Line;
    bool Wow64;
};

const Expected kSystems[] = {
    {"win98", LINE_9X, false},
    {"winxp", LINE_NT5, false},
    {"win10", LINE_NT62, sizeof(void *) == 4},
};

TEST(LaterWindowsSystemTest, LearntAsThePrefixStandsFor)
{
    char prefix[16] = "";
    if (GetEnvironmentVariableA("TILEFOX_TEST_SYSTEM", prefix, sizeof prefix) == 0)
        GTEST_SKIP() << "TILEFOX_TEST_SYSTEM names no test prefix";
    for (const Expected &e : kSystems) {
        if (lstrcmpA(prefix, e.Prefix) != 0)
            continue;
        EXPECT_EQ(int(e.Line), int(System.Line));
        EXPECT_EQ(e.Wow64, System.Wow64 != 0);
        EXPECT_EQ(e.Wow64 ? REGSAM(KEY_WOW64_64KEY) : REGSAM(0), RegistryView());
        return;
    }
    ADD_FAILURE() << "no expectation for TILEFOX_TEST_SYSTEM=" << prefix;
}

class SystemPlace : public testing::Test {
protected:
    void TearDown() override { LearnSystem(); }
};

struct PlaceRow {
    SystemLine Line;
    RowKind Kind;
    HKEY Root;
    bool MachineWide;
};

const PlaceRow kPlaces[] = {
    {LINE_NT62, ROW_CLASS_ICON, HKEY_CURRENT_USER, false},
    {LINE_NT62, ROW_SHELL_ICON, HKEY_LOCAL_MACHINE, true},
    {LINE_9X, ROW_CLASS_ICON, HKEY_LOCAL_MACHINE, false},
    {LINE_9X, ROW_SHELL_ICON, HKEY_LOCAL_MACHINE, false},
};

TEST_F(SystemPlace, RootByLine)
{
    for (const PlaceRow &row : kPlaces) {
        PretendSystem(row.Line, false);
        const RowPlace &place = PlaceOf(row.Kind);
        EXPECT_EQ(row.Root, place.Root) << "line " << int(row.Line) << ", row " << int(row.Kind);
        EXPECT_EQ(row.MachineWide, place.MachineWide != 0) << "line " << int(row.Line) << ", row " << int(row.Kind);
    }
}

}  // namespace
