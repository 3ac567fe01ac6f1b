#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shellsettings/redraw.h"
#include "support/testing.h"
#include "support/probes.h"

namespace {

void DeleteIconSize()
{
    DeleteRegValue(HKEY_CURRENT_USER, kMetricsKey, kIconSize);
}

// Every top-level window hears the broadcast; the recorder notes the value the shell would read.
class Redraw : public testing::Test {
protected:
    Redraw() { saved_.Value(HKEY_CURRENT_USER, kMetricsKey, kIconSize); }

    SavedRegistry saved_;
    IconSizeRecorder recorder_;
    std::vector<std::string> &seen_ = recorder_.Seen;
};

// The stored value's type and bytes, terminators included.
std::string StoredSize()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMetricsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "(absent)";
    char data[512];
    DWORD type = REG_NONE, size = sizeof data;
    LONG result = RegQueryValueExA(key, kIconSize, nullptr, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "(absent)";
}

std::string Text(const char *text)
{
    return std::string(text, strlen(text) + 1);
}

std::string Dword(DWORD number)
{
    return std::string(reinterpret_cast<const char *>(&number), sizeof number);
}

TEST_F(Redraw, StepsTheSizeDownAndBackKeepingTheStoredValue)
{
    const struct {
        DWORD type;             // REG_NONE: no value
        std::string stored;
        std::vector<std::string> broadcasts;
    } cases[] = {
        {REG_NONE, "", {"31", "32"}},
        {REG_SZ, Text("48"), {"47", "48"}},
        {REG_SZ, Text("048"), {"47", "48"}},
        {REG_SZ, Text("0"), {"31", "32"}},
        {REG_SZ, Text("-5"), {"31", "32"}},
        {REG_SZ, Text("big"), {"31", "32"}},
        {REG_SZ, Text("1"), {"0", "1"}},
        {REG_SZ, Text("199"), {"198", "199"}},
        {REG_SZ, Text("200"), {"31", "32"}},
        {REG_SZ, Text("  40 "), {"39", "40"}},
        {REG_SZ, Text("99999999999"), {"31", "32"}},
        {REG_SZ, Text("4294967344"), {"31", "32"}},
        {REG_EXPAND_SZ, Text("48"), {"47", "48"}},
        {REG_DWORD, Dword(48), {"47", "48"}},
        {REG_DWORD, Dword(0xFFFFFFFF), {"31", "32"}},
        {REG_BINARY, Text("48"), {"47", "48"}},
        {REG_BINARY, std::string("\x30\x00\x00", 3), {"31", "32"}},
    };
    for (const auto &c : cases) {
        if (c.type == REG_NONE)
            DeleteIconSize();
        else
            SetRegBinary(HKEY_CURRENT_USER, kMetricsKey, kIconSize, c.stored.data(), DWORD(c.stored.size()), c.type);
        seen_.clear();
        RedrawShellIcons();
        std::string label = std::to_string(c.type) + ":" + c.stored;
        EXPECT_EQ(c.broadcasts, seen_) << label;
        // A missing size is created with the standard one.
        std::string expected = c.type == REG_NONE ? "1:" + Text("32") : std::to_string(c.type) + ":" + c.stored;
        EXPECT_EQ(expected, StoredSize()) << label;
    }
}

}  // namespace
