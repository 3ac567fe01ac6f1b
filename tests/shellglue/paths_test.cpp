#include <gtest/gtest.h>

#include <string>

#include "shellglue/paths.h"
#include "support/testing.h"

namespace {

// "表" is 0x95 0x5C in code page 932: its trail byte looks like a backslash.
const std::string kHyo = Ansi(u8"表");

std::string Apply(char *(*op)(char *), std::string text)
{
    char buffer[300];
    lstrcpyA(buffer, text.c_str());
    return op(buffer);
}

TEST(TextTrim, SpacesOnlyAndEdges)
{
    EXPECT_EQ("", Apply(TrimTrailingSpaces, "   "));
    EXPECT_EQ("", Apply(TrimTrailingSpaces, ""));
    EXPECT_EQ("a\t", Apply(TrimTrailingSpaces, "a\t  "));
    EXPECT_EQ("a b ", Apply(TrimLeadingSpaces, "  a b "));
    EXPECT_EQ("\ta", Apply(TrimLeadingSpaces, "\ta"));
}

TEST(TextTrim, StripQuotesRemovesOnePairOnly)
{
    EXPECT_EQ("\"", Apply(StripQuotes, "\""));
    EXPECT_EQ("", Apply(StripQuotes, "\"\""));
    EXPECT_EQ("\"a\"", Apply(StripQuotes, "\"\"a\"\""));
    EXPECT_EQ("a\"b", Apply(StripQuotes, "\"a\"b\""));
    EXPECT_EQ("\"ab", Apply(StripQuotes, "\"ab"));

    char path[] = "  \"C:\\Program Files\\x.ico\"  ";
    CleanPath(path);
    EXPECT_STREQ("C:\\Program Files\\x.ico", path);
}

TEST(PathSplit, CutToDirectory)
{
    EXPECT_EQ("", Apply(CutToDirectory, "file.ico"));
    EXPECT_EQ("c:", Apply(CutToDirectory, "c:file.ico"));
    EXPECT_EQ("c:\\a/", Apply(CutToDirectory, "c:\\a/b"));
    // The trail byte of the last character is not a separator.
    EXPECT_EQ("c:\\", Apply(CutToDirectory, "c:\\" + kHyo));
    EXPECT_EQ("c:\\" + kHyo + "\\", Apply(CutToDirectory, "c:\\" + kHyo + "\\x.ico"));
}

TEST(PathSplit, AddBackslash)
{
    EXPECT_EQ("\\", Apply(AddBackslash, ""));
    EXPECT_EQ("c:\\", Apply(AddBackslash, "c:"));
    EXPECT_EQ("c:\\a\\", Apply(AddBackslash, "c:\\a\\"));
    EXPECT_EQ("c:\\a/", Apply(AddBackslash, "c:\\a/"));
    // Ends in 0x5C as a trail byte: still needs its backslash.
    EXPECT_EQ("c:\\" + kHyo + "\\", Apply(AddBackslash, "c:\\" + kHyo));
}

TEST(PathSplit, FindExtension)
{
    char a[] = "c:\\dir.d\\file";
    EXPECT_STREQ("", FindExtension(a));
    EXPECT_EQ(a + lstrlenA(a), FindExtension(a));
    char b[] = "a.tar.gz";
    EXPECT_STREQ(".gz", FindExtension(b));
    char c[] = ".profile";
    EXPECT_STREQ("", FindExtension(c));
    std::string dbcs = "c:\\x." + kHyo;     // extension made of the double-byte character
    EXPECT_EQ("." + kHyo, std::string(FindExtension(&dbcs[0])));
    std::string noext = "c:\\a.b\\" + kHyo;
    EXPECT_STREQ("", FindExtension(&noext[0]));

    // The settings file's name is formed by writing over the extension.
    char program[MAX_PATH] = "c:\\tools\\tilefox.exe";
    lstrcpyA(FindExtension(program), ".INI");
    EXPECT_STREQ("c:\\tools\\tilefox.INI", program);
}

TEST(PathSplit, DupStringIsAGlobalBlock)
{
    char *copy = DupString("abc");
    ASSERT_NE(nullptr, copy);
    EXPECT_STREQ("abc", copy);
    EXPECT_EQ(4u, GlobalSize(copy));
    GlobalFree(copy);
    EXPECT_EQ(nullptr, DupString(nullptr));
}

struct SplitCase {
    const char *text;
    const char *file;
    int index;
};

TEST(IconLocation, SplitsAtTheLastComma)
{
    const SplitCase cases[] = {
        {"shell32.dll,-137", "shell32.dll", -137},
        {"c:\\none\\x.ico", "c:\\none\\x.ico", 0},
        {"\"c:\\no such\\x y.dll\" , 5", "c:\\no such\\x y.dll", 5},
        {"c:\\a,b\\x.dll,+12", "c:\\a,b\\x.dll", 12},
        {"x.dll,", "x.dll", 0},
        {"x.dll, \t-3junk", "x.dll", -3},
        {",5", ",5", 0},
        // Past the range of int: its end, never a number wrapped around into it.
        {"x.dll,4294967299", "x.dll", 2147483647},
        {"x.dll,-99999999999", "x.dll", -2147483647 - 1},
    };
    for (const SplitCase &c : cases) {
        char buffer[LOCATION_BUFFER];
        lstrcpyA(buffer, c.text);
        EXPECT_EQ(c.index, SplitIconLocation(buffer)) << c.text;
        EXPECT_STREQ(c.file, buffer) << c.text;
    }
}

TEST(IconLocation, ExistingFileWithCommaIsKeptWhole)
{
    std::string dir = MakeTempDir("split");
    std::string name = dir + "\\icons,2";
    WriteFileText(name, "x");
    char buffer[LOCATION_BUFFER];
    lstrcpyA(buffer, name.c_str());
    EXPECT_EQ(0, SplitIconLocation(buffer));
    EXPECT_EQ(name, std::string(buffer));

    std::string missing = dir + "\\other,2";
    lstrcpyA(buffer, missing.c_str());
    EXPECT_EQ(2, SplitIconLocation(buffer));
    EXPECT_EQ(dir + "\\other", std::string(buffer));

    // A folder is never "the whole text": the comma still splits.
    std::string folder = dir + "\\sub,4";
    CreateDirectoryA(folder.c_str(), nullptr);
    lstrcpyA(buffer, folder.c_str());
    EXPECT_EQ(4, SplitIconLocation(buffer));
    RemoveTree(dir);
}

TEST(IconLocation, DoubleByteNameWithBackslashTrailByte)
{
    std::string text = "c:\\" + kHyo + "\\" + kHyo + ".dll,7";
    char buffer[LOCATION_BUFFER];
    lstrcpyA(buffer, text.c_str());
    EXPECT_EQ(7, SplitIconLocation(buffer));
    EXPECT_EQ("c:\\" + kHyo + "\\" + kHyo + ".dll", std::string(buffer));
}

class LongPaths : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("long");
        longDir_ = dir_ + "\\Long Folder Name " + kHyo;
        CreateDirectoryA(longDir_.c_str(), nullptr);
        longFile_ = longDir_ + "\\A Long File Name.icon";
        WriteFileText(longFile_, "x");
    }
    void TearDown() override { RemoveTree(dir_); }

    std::string Short(const std::string &path)
    {
        char buffer[MAX_PATH];
        GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
        return buffer;
    }

    std::string dir_, longDir_, longFile_;
};

TEST_F(LongPaths, ExpandsEveryComponent)
{
    std::string shortForm = Short(longFile_);
    ASSERT_NE(shortForm, longFile_);
    char source[MAX_PATH];
    char destination[MAX_PATH];
    lstrcpyA(source, shortForm.c_str());
    ASSERT_EQ(1, ExpandToLongPath(source, destination));
    EXPECT_STREQ(shortForm.c_str(), source);   // restored
    EXPECT_EQ(0, lstrcmpiA(longFile_.c_str(), destination)) << destination;
}

TEST_F(LongPaths, RootAndTrailingBackslash)
{
    char source[MAX_PATH] = "C:\\";
    char destination[MAX_PATH];
    EXPECT_EQ(1, ExpandToLongPath(source, destination));
    EXPECT_STREQ("C:\\", destination);

    std::string folder = Short(longDir_) + "\\";
    lstrcpyA(source, folder.c_str());
    ASSERT_EQ(1, ExpandToLongPath(source, destination));
    EXPECT_EQ(0, lstrcmpiA((longDir_ + "\\").c_str(), destination));

    std::string file = longFile_ + "\\";
    lstrcpyA(source, file.c_str());
    EXPECT_EQ(0, ExpandToLongPath(source, destination));

    lstrcpyA(source, "nobackslash");
    EXPECT_EQ(0, ExpandToLongPath(source, destination));
    std::string missing = dir_ + "\\missing\\x";
    lstrcpyA(source, missing.c_str());
    EXPECT_EQ(0, ExpandToLongPath(source, destination));
    std::string pattern = dir_ + "\\*";
    lstrcpyA(source, pattern.c_str());
    EXPECT_EQ(0, ExpandToLongPath(source, destination));
}

TEST_F(LongPaths, ResultThatWouldNotFitFailsWithoutWriting)
{
    // Short names of folders whose long names together pass MAX_PATH.
    std::string path = dir_;
    std::string name(100, 'n');
    for (int i = 0; i < 3; ++i) {
        path += "\\" + name + char('a' + i);
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        path = Short(path);
    }
    ASSERT_LT(path.size(), size_t(MAX_PATH));
    char source[MAX_PATH];
    lstrcpyA(source, path.c_str());
    char destination[MAX_PATH + 16];
    FillMemory(destination, sizeof destination, 'Z');
    EXPECT_EQ(0, ExpandToLongPath(source, destination));
    for (size_t i = 0; i < sizeof destination; ++i)
        ASSERT_EQ('Z', destination[i]) << i;
}

TEST_F(LongPaths, CompareShortPaths)
{
    EXPECT_EQ(0, CompareShortPaths(longFile_.c_str(), Short(longFile_).c_str()));
    EXPECT_NE(0, CompareShortPaths(longFile_.c_str(), longDir_.c_str()));
    EXPECT_EQ(-1, CompareShortPaths((dir_ + "\\missing").c_str(), longFile_.c_str()));
    EXPECT_EQ(1, CompareShortPaths(longFile_.c_str(), (dir_ + "\\missing").c_str()));
}

TEST(FindCharFrom, StartPositions)
{
    char text[] = "\\\\server\\share";
    EXPECT_EQ(text, FindCharFrom(0, text, '\\'));
    EXPECT_EQ(text, FindCharFrom(1, text, '\\'));
    EXPECT_EQ(text + 8, FindCharFrom(3, text, '\\'));
    EXPECT_EQ(nullptr, FindCharFrom(100, text, '\\'));
    std::string dbcs = kHyo + "\\";
    EXPECT_EQ(&dbcs[2], FindCharFrom(1, &dbcs[0], '\\'));
}

TEST(BoundedText, CopyAndAppendNeverOverrun)
{
    char buffer[8];
    FillMemory(buffer, sizeof buffer, 'Z');
    CopyText(buffer, "0123456789", 5);
    EXPECT_STREQ("0123", buffer);
    EXPECT_EQ('Z', buffer[5]);
    EXPECT_EQ(0, AppendText(buffer, "abcd", 8));
    EXPECT_STREQ("0123", buffer);
    EXPECT_EQ(1, AppendText(buffer, "abc", 8));
    EXPECT_STREQ("0123abc", buffer);
}

}  // namespace
