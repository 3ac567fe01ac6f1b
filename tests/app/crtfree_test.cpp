// The memory routines tilefox.exe brings in place of the C run-time's, compiled here under
// other names beside the C run-time's own, which serve as the reference.
#include <gtest/gtest.h>

#include <string.h>

#define CRTFREE_NAME(name) Tested_##name
#include "app/crtfree.cpp"

namespace {

enum { BUFFER = 64, GUARD = 0xA5 };

struct Block {
    unsigned char bytes[BUFFER];
    Block()
    {
        for (int i = 0; i < BUFFER; ++i)
            bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    }
};

TEST(CrtFree, MoveAndCopyMatchTheRuntimeForEveryOverlap)
{
    // Source and destination offsets in one buffer: forward, backward, equal, adjacent, apart.
    const struct {
        int from, to, count;
    } cases[] = {{0, 1, 20}, {1, 0, 20}, {5, 5, 10}, {0, 20, 20}, {20, 0, 20}, {3, 40, 17}, {10, 12, 0}, {0, 63, 1}};
    for (const auto &c : cases) {
        Block tested, expected;
        EXPECT_EQ(tested.bytes + c.to, Tested_memmove(tested.bytes + c.to, tested.bytes + c.from, c.count));
        memmove(expected.bytes + c.to, expected.bytes + c.from, c.count);
        EXPECT_EQ(0, memcmp(expected.bytes, tested.bytes, BUFFER)) << c.from << "->" << c.to << " x" << c.count;
    }
    Block source, tested, expected;
    EXPECT_EQ(tested.bytes + 8, Tested_memcpy(tested.bytes + 8, source.bytes + 30, 25));
    memcpy(expected.bytes + 8, source.bytes + 30, 25);
    EXPECT_EQ(0, memcmp(expected.bytes, tested.bytes, BUFFER));
}

TEST(CrtFree, SetFillsExactlyTheCountAndCompareOrdersUnsigned)
{
    unsigned char buffer[BUFFER];
    memset(buffer, GUARD, sizeof buffer);
    EXPECT_EQ(buffer + 4, Tested_memset(buffer + 4, 0x1234, 9));
    for (int i = 0; i < BUFFER; ++i)
        EXPECT_EQ(i >= 4 && i < 13 ? 0x34 : GUARD, buffer[i]) << i;

    const struct {
        const char *a, *b;
        size_t count;
        int sign;
    } cases[] = {{"abc", "abd", 3, -1}, {"abd", "abc", 3, 1}, {"abc", "abd", 2, 0},
                 {"\x80", "\x01", 1, 1}, {"", "x", 0, 0}};
    for (const auto &c : cases) {
        int result = Tested_memcmp(c.a, c.b, c.count);
        EXPECT_EQ(c.sign, (result > 0) - (result < 0)) << c.a << " / " << c.b;
    }
}

}  // namespace
