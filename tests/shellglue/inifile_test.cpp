#include <gtest/gtest.h>

#include <string>

#include "shellglue/inifile.h"
#include "support/testing.h"

namespace {

struct IconKeys {
    const char *file;
    const char *section;
    const char *keys[2];
    int count;
    const char *icon;   // the program's lines, as it writes them
};

const IconKeys kFiles[] = {
    {"DESKTOP.INI", ".ShellClassInfo", {"IconFile", "IconIndex"}, 2,
     "[.ShellClassInfo]\r\nIconFile=C:\\x.ico\r\nIconIndex=1\r\n"},
    {"AUTORUN.INF", "Autorun", {"DefaultIcon", nullptr}, 1, "[Autorun]\r\nDefaultIcon=C:\\x.ico,1\r\n"},
};

// The icon keys go; the file goes only when nothing but the program's own empty section is left.
TEST(IniFile, RemovingTheIconKeysKeepsEveryLineOfTheUser)
{
    const struct {
        const char *label;
        const char *before;     // ahead of the icon lines
        const char *after;      // behind them
        const char *kept;       // a line that must stay; null: the file is gone
    } cases[] = {
        {"the icon keys alone", "", "", nullptr},
        {"blank lines and a repeated empty header", "\r\n", "\r\n[%s]\r\n\r\n", nullptr},
        {"a loose line before the first section", "Owner=Yamada\r\n", "", "Owner=Yamada"},
        {"a comment before the first section", "; made by hand\r\n", "", "; made by hand"},
        {"a comment inside the section", "", "; keep me\r\n", "; keep me"},
        {"another key in the section", "", "open=setup.exe\r\n", "open=setup.exe"},
        {"another section", "", "[Other]\r\nkey=value\r\n", "key=value"},
        {"another empty section", "", "[Other]\r\n", "[Other]"},
    };
    std::string dir = MakeTempDir("inifile");
    for (const IconKeys &f : kFiles) {
        std::string path = dir + "\\" + f.file;
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(f.file) + ": " + c.label);
            char after[200];
            wsprintfA(after, c.after, f.section);
            WriteFileText(path, std::string(c.before) + f.icon + after);
            IniRemoval removal = RemoveIniKeys(path.c_str(), f.section, f.keys, f.count);
            EXPECT_NE(INI_REMOVE_FAILED, removal);
            bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
            EXPECT_EQ(c.kept != nullptr, exists);
            if (!exists)
                continue;
            std::string text = ReadFileText(path);
            EXPECT_NE(std::string::npos, text.find(c.kept)) << text;
            EXPECT_EQ(std::string::npos, text.find("x.ico")) << text;
            DeleteFileA(path.c_str());
        }
    }
    RemoveTree(dir);
}

// As later Windows write them: UTF-16 with a byte-order mark.
std::string Utf16File(const std::string &ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char ch : ascii)
        bytes += std::string(1, ch) + '\0';
    return bytes;
}

// Text that is not ANSI keeps its section and the file, whatever else it holds: only the
// program's keys go.
TEST(IniFile, Utf16FileKeepsItsSectionAndItself)
{
    const struct {
        const IconKeys &file;
        const char *others;     // the rest of the section, as Windows writes it
    } cases[] = {
        {kFiles[0], "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21798\r\n"
                    "IconResource=%SystemRoot%\\system32\\imageres.dll,-112\r\n"},
        {kFiles[0], ""},
        {kFiles[1], "label=STICK\r\n"},
        {kFiles[1], ""},
    };
    std::string dir = MakeTempDir("inifile16");
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file.file) + " with " + c.others);
        std::string path = dir + "\\" + c.file.file;
        WriteFileText(path, Utf16File(c.file.icon + std::string(c.others)));
        EXPECT_EQ(INI_KEYS_REMOVED, RemoveIniKeys(path.c_str(), c.file.section, c.file.keys, c.file.count));
        std::string text = ReadFileText(path);
        EXPECT_NE(std::string::npos, text.find(Utf16File(std::string("[") + c.file.section + "]").substr(2)));
        EXPECT_NE(std::string::npos, text.find(Utf16File(c.others).substr(2)));
        EXPECT_EQ(std::string::npos, text.find(Utf16File("x.ico").substr(2)));
        DeleteFileA(path.c_str());
    }
    RemoveTree(dir);
}

}  // namespace
