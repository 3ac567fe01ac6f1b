#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shellglue/system.h"
#include "shellsettings/redraw.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
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

// Each Windows's cache in a stand-in for the user's local application data, beside files that are no icon cache.
class CacheDeletion : public testing::Test {
protected:
    void TearDown() override
    {
        LearnSystem();
        LocalAppDataStandIn = nullptr;
        DeleteFileA(windowsCache_.c_str());
    }
    AppSetup app_{"cache"};
    const std::string local_ = app_.Dir(), windowsCache_ = WindowsDir() + "\\ShellIconCache";
};

TEST_F(CacheDeletion, DeletesOnlyTheRunningWindowsCacheAndNamesFilesInUse)
{
    const std::string l = local_ + "\\", x = l + "Microsoft\\Windows\\Explorer\\";
    const std::string seeded[] = {l + "IconCache.db",     l + "iconcache.txt",   x + "iconcache_32.db",  x + "iconcache_idx.db",
                                  x + "iconcache_48.db", x + "thumbcache_32.db", x + "iconcache.txt", windowsCache_};
    // held: the seeded file kept open so no delete succeeds (-1: none); gone: a bit per seeded file.
    const struct { SystemLine line; int held; unsigned gone; const char *asked; } cases[] = {
        {LINE_9X, -1, 0x80, "ShellIconCache"}, {LINE_NT5, 0, 0, "IconCache.db"},
        {LINE_NT6, -1, 1, "IconCache.db"}, {LINE_NT62, 4, 4 | 8, "iconcache_*.db"}};
    const DWORD hiding = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    LocalAppDataStandIn = local_.c_str();
    for (const char *folder : {"\\Microsoft", "\\Microsoft\\Windows", "\\Microsoft\\Windows\\Explorer"})
        CreateDirectoryA((local_ + folder).c_str(), nullptr);
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.line));
        PretendSystem(c.line, false);
        for (const std::string &name : seeded)
            ASSERT_TRUE(WriteFileText(name, "cache")) << name;
        const std::string held = c.held < 0 ? "" : seeded[c.held];
        SetFileAttributesA(held.c_str(), hiding);
        HANDLE handle = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_TRUE(IconCacheExists());
        BoxRecorder boxes(IDOK);
        EXPECT_EQ(c.held < 0, DeleteIconCache(nullptr) != FALSE);
        ASSERT_EQ(2u, boxes.Texts.size()) << boxes.All();
        EXPECT_NE(std::string::npos, boxes.Texts[0].find(c.asked)) << boxes.Texts[0];
        if (c.held >= 0) {
            CloseHandle(handle);
            EXPECT_NE(std::string::npos, boxes.Texts[1].find(held)) << boxes.Texts[1];
            EXPECT_EQ(hiding, GetFileAttributesA(held.c_str()) & hiding) << "a file left keeps what hides it";
        }
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ((c.gone >> i & 1) != 0, GetFileAttributesA(seeded[i].c_str()) == INVALID_FILE_ATTRIBUTES) << seeded[i];
        SetFileAttributesA(held.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace
