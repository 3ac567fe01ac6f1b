// Restore points on their own: every kind of item goes back exactly, changes made by others
// since stay, damaged or cut-short records are refused before anything is written, and the
// points step back in turn, ten kept.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/appstate.h"
#include "restore/restorepoint.h"
#include "support/appsetup.h"
#include "support/boxrecorder.h"
#include "support/regsnapshot.h"
#include "support/testing.h"

namespace {

const char kScratch[] = "Software\\TilefoxTest\\Restore";

std::string Key(const char *sub)
{
    return std::string(kScratch) + "\\" + sub;
}

// A file's attributes and bytes, "absent" when there is none.
std::string FileState(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "absent";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "folder " + std::to_string(attributes & ~FILE_ATTRIBUTE_DIRECTORY);
    return std::to_string(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) +
           " " + ReadFileText(path);
}

void ForceFile(const std::string &path, const std::string &text, DWORD attributes)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteFileText(path, text);
    SetFileAttributesA(path.c_str(), attributes);
}

void RemoveFile(const std::string &path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// The record files beside the settings file, oldest first.
std::vector<std::string> Records()
{
    std::string folder = App.SettingsPath;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "TFRP*.TXT").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            names.push_back(folder + found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RestorePointTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteRegTree(HKEY_CURRENT_USER, kScratch);
        SetRegString(HKEY_CURRENT_USER, kScratch, "anchor", "");
        files_ = MakeTempDir("restoreitems");
        file_ = files_ + "\\AUTORUN.INF";
    }
    void TearDown() override
    {
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\TilefoxTest");
        SetFileAttributesA(files_.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveFile(file_);
        RemoveTree(files_);
    }

    // Records what plan names, lets change write, and finishes the point.
    void Point(const std::function<void(RestorePoint &)> &plan, const std::function<void()> &change)
    {
        RestorePoint point;
        ASSERT_TRUE(point.Begin());
        plan(point);
        ASSERT_TRUE(point.Seal());
        change();
        point.Finish();
    }

    // A point on the value a\\v, which then reads text.
    void PointOnA(const std::string &text)
    {
        Point([](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "v"); },
              [&] { SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", text.c_str()); });
    }

    static int TakeBack()
    {
        return TakeBackRestorePoint(nullptr, nullptr);
    }

    std::string State() { return JoinLines(snapshot_.ChangesSince()) + FileState(file_) + "|" + FileState(files_); }

    AppSetup app_{"restore"};
    std::string files_;
    std::string file_;
    RegistrySnapshot snapshot_{{{HKEY_CURRENT_USER, "Software\\TilefoxTest", true}}};
};

TEST_F(RestorePointTest, EveryKindOfItemGoesBackExactly)
{
    const BYTE binary[] = {0, 1, 0xFF, '\r', '\n'};
    struct Case {
        const char *label;
        std::function<void()> seed;
        std::function<void(RestorePoint &)> plan;
        std::function<void()> change;
    } cases[] = {
        {"a text value rewritten", [] { SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "old"); },
         [](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "v"); },
         [] { SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "new"); }},
        {"a binary value keeps its type",
         [&] { SetRegBinary(HKEY_CURRENT_USER, Key("a").c_str(), "", binary, sizeof binary, REG_BINARY); },
         [](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("a").c_str(), nullptr); },
         [] { SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "", "text"); }},
        {"a value in keys the write created", [] {},
         [](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("new\\deeper").c_str(), "v"); },
         [] { SetRegString(HKEY_CURRENT_USER, Key("new\\deeper").c_str(), "v", "1"); }},
        {"a value deleted", [] { SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "old", REG_EXPAND_SZ); },
         [](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "v"); },
         [] { DeleteRegValue(HKEY_CURRENT_USER, Key("a").c_str(), "v"); }},
        {"a key deleted with what it held",
         [] {
             SetRegString(HKEY_CURRENT_USER, Key("tree").c_str(), "", "top");
             SetRegString(HKEY_CURRENT_USER, Key("tree\\command").c_str(), "x", "inner");
         },
         [](RestorePoint &p) { p.KeyTree(HKEY_CURRENT_USER, Key("tree").c_str()); },
         [] { DeleteRegTree(HKEY_CURRENT_USER, Key("tree").c_str()); }},
        {"a key created with a subkey", [] {},
         [](RestorePoint &p) {
             p.KeyTree(HKEY_CURRENT_USER, Key("verb").c_str());
             p.Value(HKEY_CURRENT_USER, Key("verb").c_str(), "");
             p.Value(HKEY_CURRENT_USER, Key("verb\\command").c_str(), "");
         },
         [] {
             SetRegString(HKEY_CURRENT_USER, Key("verb").c_str(), "", "menu");
             SetRegString(HKEY_CURRENT_USER, Key("verb\\command").c_str(), "", "run");
         }},
        {"a hidden read-only file rewritten",
         [&] { ForceFile(file_, "[autorun]\r\nopen=setup.exe\r\n", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY); },
         [&](RestorePoint &p) { p.File(file_.c_str()); },
         [&] { ForceFile(file_, "[Autorun]\r\nDefaultIcon=x.ico\r\n", FILE_ATTRIBUTE_ARCHIVE); }},
        {"a file created", [] {}, [&](RestorePoint &p) { p.File(file_.c_str()); },
         [&] { WriteFileText(file_, "[Autorun]\r\n"); }},
        {"a file deleted", [&] { ForceFile(file_, "x", FILE_ATTRIBUTE_NORMAL); },
         [&](RestorePoint &p) { p.File(file_.c_str()); }, [&] { RemoveFile(file_); }},
        {"a folder's attributes", [] {}, [&](RestorePoint &p) { p.Folder(files_.c_str()); },
         [&] { SetFileAttributesA(files_.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        c.seed();
        snapshot_.Take();
        std::string before = State();
        Point(c.plan, c.change);
        ASSERT_NE(before, State()) << "the change must show";
        BoxRecorder boxes;
        EXPECT_EQ(TAKEBACK_DONE, TakeBack());
        EXPECT_EQ(before, State());
        EXPECT_EQ(1u, boxes.Texts.size());
        EXPECT_FALSE(HasRestorePoint()) << "a point taken back is gone";
        DeleteRegTree(HKEY_CURRENT_USER, kScratch);
        SetRegString(HKEY_CURRENT_USER, kScratch, "anchor", "");
        RemoveFile(file_);
        SetFileAttributesA(files_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(RestorePointTest, WhatOthersChangedSinceIsLeftAndNamed)
{
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "mine", "1");
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "theirs", "1");
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "retyped", "1");
    ForceFile(file_, "before", FILE_ATTRIBUTE_NORMAL);
    Point(
        [&](RestorePoint &p) {
            p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "mine");
            p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "theirs");
            p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "retyped");
            p.Value(HKEY_CURRENT_USER, Key("created").c_str(), "v");
            p.File(file_.c_str());
        },
        [&] {
            SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "mine", "2");
            SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "theirs", "2");
            SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "retyped", "2");
            SetRegString(HKEY_CURRENT_USER, Key("created").c_str(), "v", "2");
            ForceFile(file_, "applied", FILE_ATTRIBUTE_NORMAL);
        });
    // By hand, after the Apply: a value, the same text as another type, another value in the
    // key the Apply created, the file.
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "theirs", "by hand");
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "retyped", "2", REG_EXPAND_SZ);
    SetRegString(HKEY_CURRENT_USER, Key("created").c_str(), "other", "by hand");
    ForceFile(file_, "by hand", FILE_ATTRIBUTE_NORMAL);

    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_DONE, TakeBack());
    EXPECT_EQ("1", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "mine"));
    EXPECT_EQ("by hand", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "theirs"));
    EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_CURRENT_USER, Key("created").c_str(), "v"));
    EXPECT_EQ("by hand", GetRegString(HKEY_CURRENT_USER, Key("created").c_str(), "other"));
    EXPECT_EQ("0 by hand", FileState(file_));
    ASSERT_EQ(1u, boxes.Texts.size());
    const std::string &text = boxes.Texts[0];
    EXPECT_NE(std::string::npos, text.find("HKCU\\" + Key("a") + "\\theirs")) << text;
    EXPECT_NE(std::string::npos, text.find("HKCU\\" + Key("a") + "\\retyped")) << text;
    EXPECT_NE(std::string::npos, text.find("HKCU\\" + Key("created"))) << text;
    EXPECT_EQ(std::string::npos, text.find(Key("created") + "\\v")) << text;
    EXPECT_NE(std::string::npos, text.find(file_)) << text;
    EXPECT_EQ(std::string::npos, text.find("\\mine")) << text;
}

TEST_F(RestorePointTest, ADamagedRecordIsRefusedAndAnUnsealedOneSkippedWithoutAWrite)
{
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "before");
    auto plan = [&](RestorePoint &p) {
        p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "v");
        p.Value(HKEY_CURRENT_USER, Key("b\\c").c_str(), "w");
        p.File(file_.c_str());
    };
    auto change = [&] {
        SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "after");
        SetRegString(HKEY_CURRENT_USER, Key("b\\c").c_str(), "w", "after");
        WriteFileText(file_, "after");
    };
    Point(plan, change);
    ASSERT_EQ(1u, Records().size());
    std::string record = Records()[0];
    std::string whole = ReadFileText(record);
    snapshot_.Take();
    std::string applied = State();

    // Every place a record can be cut: at each line break and inside each line; and a few
    // damaged ones. Cut before the end of its END line, the record describes no write: it
    // goes, with a note. Cut after it, the writes were made, or cut short: it is taken back.
    struct Cut {
        std::string text;
        int result;
    };
    std::vector<Cut> cuts;
    size_t end = whole.find("END ");
    ASSERT_NE(std::string::npos, end);
    size_t afterEnd = whole.find('\n', end) + 1;
    for (size_t at = 0; at < whole.size(); at = whole.find('\n', at) + 1) {
        size_t lineEnd = whole.find('\n', at);
        int result = at >= afterEnd ? TAKEBACK_DONE : TAKEBACK_NONE;
        cuts.push_back({whole.substr(0, at), at == afterEnd ? TAKEBACK_DONE : result});
        cuts.push_back({whole.substr(0, at + (lineEnd - at) / 2), result});
        cuts.push_back({whole.substr(0, lineEnd), result});
    }
    std::string damaged = whole;
    damaged[whole.find("VALUE HKCU ") + 12] = 'G';
    cuts.push_back({damaged, TAKEBACK_REFUSED});
    damaged = whole;
    damaged.replace(whole.find("VALUE HKCU"), 10, "VALUE HKXX");
    cuts.push_back({damaged, TAKEBACK_REFUSED});
    damaged = whole;
    damaged.replace(end, 5, "END 9");
    cuts.push_back({damaged, TAKEBACK_REFUSED});
    cuts.push_back({whole + "AFTER -\r\n", TAKEBACK_REFUSED});
    cuts.push_back({whole.substr(0, end) + "AFTER -\r\n", TAKEBACK_REFUSED});

    for (const Cut &cut : cuts) {
        SCOPED_TRACE("record of " + std::to_string(cut.text.size()) + " bytes:\n" + cut.text);
        WriteFileText(record, cut.text);
        BoxRecorder boxes;
        int result = TakeBack();
        ASSERT_EQ(1u, boxes.Texts.size());
        EXPECT_EQ(cut.result, result);
        if (cut.result != TAKEBACK_DONE) {
            EXPECT_EQ(applied, State()) << "nothing is written";
            EXPECT_NE(std::string::npos, boxes.Texts[0].find(record)) << boxes.Texts[0];
            // A damaged record stays for the user to see; an unsealed one goes.
            if (cut.result == TAKEBACK_REFUSED)
                EXPECT_EQ(cut.text, ReadFileText(record));
            else
                EXPECT_EQ(0u, Records().size());
            continue;
        }
        EXPECT_EQ("before", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
        EXPECT_EQ("absent", FileState(file_));
        change();
    }
}

TEST_F(RestorePointTest, AnUnsealedRecordIsSkippedForTheOlderOne)
{
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v", "before");
    PointOnA("after");
    // A newer one cut while it was recorded: its header and part of an item.
    std::string older = ReadFileText(Records()[0]);
    std::string newer = Records()[0].substr(0, Records()[0].size() - 5) + "2.TXT";
    WriteFileText(newer, older.substr(0, older.find("VALUE") + 12));
    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_DONE, TakeBack());
    EXPECT_EQ("before", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
    EXPECT_NE(std::string::npos, boxes.All().find(newer)) << boxes.All();
    EXPECT_EQ(0u, Records().size());
}

// Windows 95 keeps a text value's bytes as written, a lead byte before a line feed too.
ImportHook *g_query;
LONG WINAPI QueryRawText(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    static const BYTE raw[] = {'a', 0x83, '\n', 'b', 0x83, 0};
    if (name == nullptr || lstrcmpA(name, "raw") != 0)
        return g_query->Original<decltype(&RegQueryValueExA)>()(key, name, reserved, type, data, size);
    if (type != nullptr)
        *type = REG_SZ;
    if (data != nullptr && *size >= sizeof raw)
        CopyMemory(data, raw, sizeof raw);
    *size = sizeof raw;
    return ERROR_SUCCESS;
}

// A record is sealed only when it reads back whole: no control byte reaches the readable
// remark of a text value; a record too large to read is not kept.
TEST_F(RestorePointTest, ASealedRecordReadsBack)
{
    SetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "raw", "");
    {
        ImportHook hook("advapi32.dll", "RegQueryValueExA", reinterpret_cast<const void *>(&QueryRawText));
        g_query = &hook;
        RestorePoint point;
        ASSERT_TRUE(point.Begin());
        point.Value(HKEY_CURRENT_USER, Key("a").c_str(), "raw");
        EXPECT_TRUE(point.Seal());
        point.Abandon();
    }
    std::string large(60000, 'x');
    RestorePoint point;
    ASSERT_TRUE(point.Begin());
    for (int i = 0; i < 40; ++i) {
        std::string name = std::to_string(i);
        SetRegBinary(HKEY_CURRENT_USER, Key("large").c_str(), name.c_str(), large.data(), DWORD(large.size()), REG_BINARY);
        point.Value(HKEY_CURRENT_USER, Key("large").c_str(), name.c_str());
    }
    EXPECT_FALSE(point.Seal());
    EXPECT_EQ(0u, Records().size());
}

TEST_F(RestorePointTest, PointsStepBackInTurnTenKept)
{
    for (int i = 1; i <= 12; ++i)
        PointOnA(std::to_string(i));
    EXPECT_EQ(10u, Records().size());
    // A point whose writes changed nothing is not kept: it would take back nothing.
    Point([&](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("a").c_str(), "v"); }, [] {});
    EXPECT_EQ(10u, Records().size());

    for (int expected = 11; expected >= 2; --expected) {
        BoxRecorder boxes;
        EXPECT_EQ(TAKEBACK_DONE, TakeBack());
        EXPECT_EQ(std::to_string(expected), GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
    }
    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_NONE, TakeBack());
    EXPECT_EQ(1u, boxes.Texts.size()) << "no point is said";
    EXPECT_EQ("2", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
}

// The shell refresh after a take-back may write itself (the icon redraw creates a missing icon
// size): what it disturbed of the restored items is put back once more.
TEST_F(RestorePointTest, WhatTheRefreshDisturbsIsPutBackAgain)
{
    snapshot_.Take();
    Point([&](RestorePoint &p) { p.Value(HKEY_CURRENT_USER, Key("metrics").c_str(), "size"); },
          [&] { SetRegString(HKEY_CURRENT_USER, Key("metrics").c_str(), "size", "40"); });
    static int refreshes;
    refreshes = 0;
    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_DONE, TakeBackRestorePoint(nullptr, [](HWND) {
                  ++refreshes;
                  SetRegString(HKEY_CURRENT_USER, Key("metrics").c_str(), "size", "32");
              }));
    EXPECT_EQ(1, refreshes);
    EXPECT_EQ("", JoinLines(snapshot_.ChangesSince()));
}

// A key that refuses the write keeps the value; a record that will not go once taken back is
// named and never taken back again.
ImportHook *g_open;
LONG WINAPI OpenRefusingWrites(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if ((access & KEY_SET_VALUE) && path != nullptr && Key("a") == path)
        return ERROR_ACCESS_DENIED;
    return g_open->Original<decltype(&RegOpenKeyExA)>()(root, path, options, access, key);
}

TEST_F(RestorePointTest, WhatCannotBeUndoneOrRemovedIsSaid)
{
    PointOnA("1");
    {
        ImportHook hook("advapi32.dll", "RegOpenKeyExA", reinterpret_cast<const void *>(&OpenRefusingWrites));
        g_open = &hook;
        BoxRecorder boxes;
        EXPECT_EQ(TAKEBACK_PARTLY, TakeBack());
        EXPECT_EQ("1", GetRegString(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
        EXPECT_TRUE(HasRestorePoint());
    }
    PointOnA("2");
    std::string newest = Records().back();
    HANDLE lock = CreateFileA(newest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    BoxRecorder boxes;
    EXPECT_EQ(TAKEBACK_PARTLY, TakeBack());
    EXPECT_NE(std::string::npos, boxes.All().find(newest)) << boxes.All();
    EXPECT_EQ(TAKEBACK_DONE, TakeBack()) << "the older one is next";
    EXPECT_EQ("(absent)", RegValueOrAbsent(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
    CloseHandle(lock);
    EXPECT_FALSE(HasRestorePoint());
    EXPECT_EQ(0u, Records().size());
}

// Past number 9999 the kept points are numbered from 1 again, oldest first.
TEST_F(RestorePointTest, NumbersGoOnPast9999)
{
    for (const char *number : {"9998", "9999"}) {
        PointOnA(number);
        std::string name = Records().back();
        MoveFileA(name.c_str(), (name.substr(0, name.size() - 8) + number + ".TXT").c_str());
    }
    PointOnA("new");
    EXPECT_EQ(3u, Records().size());
    BoxRecorder boxes;
    for (const char *expected : {"9999", "9998", "(absent)"}) {
        EXPECT_EQ(TAKEBACK_DONE, TakeBack());
        EXPECT_EQ(expected, RegValueOrAbsent(HKEY_CURRENT_USER, Key("a").c_str(), "v"));
    }
}

}  // namespace
