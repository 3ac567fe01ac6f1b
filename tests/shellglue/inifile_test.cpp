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

// The icon keys go; the file goes only when nothing but the program's own empty section is
// left, and never when its text is not ANSI.
TEST(IniFile, RemovingTheIconKeysKeepsEveryLineOfTheUser)
{
    const struct {
        const char *label;
        const char *before;     // ahead of the icon lines
        const char *after;      // behind them
        const char *kept;       // a line that must stay; null: the file is gone
        bool utf16;
    } cases[] = {
        {"UTF-16, Windows' own keys", "", "LocalizedResourceName=@shell32.dll,-21798\r\nIconResource=i.dll,-112\r\n",
         "LocalizedResourceName=@shell32.dll,-21798\r\nIconResource=i.dll,-112", true},
        {"UTF-16, the icon keys alone", "", "", "]\r\n", true},
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
            std::string text = std::string(c.before) + f.icon + after;
            WriteFileText(path, c.utf16 ? Utf16(text) : text);
            IniRemoval removal = RemoveIniKeys(path.c_str(), f.section, f.keys, f.count);
            EXPECT_NE(INI_REMOVE_FAILED, removal);
            bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
            EXPECT_EQ(c.kept != nullptr, exists);
            if (!exists)
                continue;
            text = ReadFileText(path);
            EXPECT_NE(std::string::npos, text.find(c.utf16 ? Utf16(c.kept, "") : c.kept)) << text;
            EXPECT_EQ(std::string::npos, text.find(c.utf16 ? Utf16("x.ico", "") : "x.ico")) << text;
            DeleteFileA(path.c_str());
        }
    }
    RemoveTree(dir);
}

}  // namespace
