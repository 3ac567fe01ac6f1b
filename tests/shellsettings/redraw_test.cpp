#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "shellglue/paths.h"
#include "shellglue/system.h"
#include "shellsettings/redraw.h"
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

// Each Windows's cache, in a folder standing in for the user's local application data, beside
// files of the same folders that are no icon cache.
class CacheDeletion : public testing::Test {
protected:
    void TearDown() override
    {
        LearnSystem();
        LocalAppDataStandIn = nullptr;
        RemoveTree(local_);
        DeleteFileA(windowsCache_.c_str());
    }

    std::string local_ = MakeTempDir("cache");
    std::string windowsCache_ = WindowsDir() + "\\ShellIconCache";
};

TEST_F(CacheDeletion, DeletesOnlyTheRunningWindowsCacheAndNamesFilesInUse)
{
    const std::string explorer = "Microsoft\\Windows\\Explorer\\";
    const std::vector<std::string> seeded = {"IconCache.db", "iconcache.txt", explorer + "iconcache_32.db",
                                             explorer + "iconcache_idx.db", explorer + "iconcache_48.db",
                                             explorer + "thumbcache_32.db", explorer + "iconcache.txt"};
    const struct {
        SystemLine line;
        const char *held;       // kept open, so no delete can succeed
        std::vector<std::string> gone;
        const char *asked;      // named in the question
    } cases[] = {
        {LINE_9X, nullptr, {}, "ShellIconCache"},
        {LINE_NT5, "IconCache.db", {}, "IconCache.db"},
        {LINE_NT6, nullptr, {"IconCache.db"}, "IconCache.db"},
        {LINE_NT62, "Microsoft\\Windows\\Explorer\\iconcache_48.db",
         {explorer + "iconcache_32.db", explorer + "iconcache_idx.db"}, "iconcache_*.db"},
    };
    CopyText(App.Caption, "Tilefox", sizeof App.Caption);
    LocalAppDataStandIn = local_.c_str();
    CreateDirectoryA((local_ + "\\Microsoft").c_str(), nullptr);
    CreateDirectoryA((local_ + "\\Microsoft\\Windows").c_str(), nullptr);
    CreateDirectoryA((local_ + "\\" + explorer).c_str(), nullptr);
    for (const auto &c : cases) {
        PretendSystem(c.line, false);
        for (const std::string &name : seeded)
            ASSERT_TRUE(WriteFileText(local_ + "\\" + name, "cache")) << name;
        ASSERT_TRUE(WriteFileText(windowsCache_, "cache"));
        HANDLE held = INVALID_HANDLE_VALUE;
        std::string heldPath = c.held != nullptr ? local_ + "\\" + c.held : "";
        if (c.held != nullptr) {
            SetFileAttributesA(heldPath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
            held = CreateFileA(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
        }
        ASSERT_TRUE(IconCacheExists()) << int(c.line);

        BoxRecorder boxes(IDOK);
        EXPECT_EQ(c.held == nullptr, DeleteIconCache(nullptr) != FALSE) << int(c.line);
        ASSERT_EQ(2u, boxes.Texts.size()) << int(c.line) << boxes.All();
        EXPECT_NE(std::string::npos, boxes.Texts[0].find(c.asked)) << boxes.Texts[0];
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
            EXPECT_NE(std::string::npos, boxes.Texts[1].find(heldPath)) << boxes.Texts[1];
            const DWORD hiding = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
            EXPECT_EQ(hiding, GetFileAttributesA(heldPath.c_str()) & hiding)
                << "a file left keeps what hides it";
        }
        for (const std::string &name : seeded) {
            bool gone = std::find(c.gone.begin(), c.gone.end(), name) != c.gone.end();
            EXPECT_EQ(gone, GetFileAttributesA((local_ + "\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES)
                << int(c.line) << " " << name;
        }
        EXPECT_EQ(c.line == LINE_9X, GetFileAttributesA(windowsCache_.c_str()) == INVALID_FILE_ATTRIBUTES) << int(c.line);
        SetFileAttributesA(heldPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace
