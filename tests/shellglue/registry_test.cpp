#include <gtest/gtest.h>

#include <string>

#include "common/appstate.h"
#include "shellglue/paths.h"
#include "shellglue/startfacts.h"
#include "shellglue/registry.h"
#include "support/testing.h"

namespace {

const char kKey[] = "Software\\TilefoxTest\\Registry";

class Registry : public testing::Test {
protected:
    void TearDown() override
    {
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\TilefoxTest");
        DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\TilefoxTest");
        Facts.IntegratedShell = 0;
    }

    static std::string Take(char *text)
    {
        if (text == nullptr)
            return "<null>";
        std::string value(text);
        GlobalFree(text);
        return value;
    }
};

TEST_F(Registry, StringTypesAndExpansion)
{
    SetRegString(HKEY_CURRENT_USER, kKey, "plain", "%SystemRoot%\\x");
    SetRegString(HKEY_CURRENT_USER, kKey, "expand", "%SystemRoot%\\x", REG_EXPAND_SZ);
    SetRegString(HKEY_CURRENT_USER, kKey, "", "default");
    DWORD number = 5;
    SetRegBinary(HKEY_CURRENT_USER, kKey, "dword", &number, 4, REG_DWORD);

    char root[MAX_PATH];
    GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    EXPECT_EQ("%SystemRoot%\\x", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "plain")));
    EXPECT_EQ(std::string(root) + "\\x", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "expand")));
    EXPECT_EQ("default", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "")));
    EXPECT_EQ("<null>", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "dword")));
    EXPECT_EQ("<null>", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "missing")));
    EXPECT_EQ("<null>", Take(ReadRegString(HKEY_CURRENT_USER, "Software\\TilefoxTest\\None", "x")));
}

TEST_F(Registry, StringsWithoutTerminatorComeBackTerminated)
{
    SetRegBinary(HKEY_CURRENT_USER, kKey, "unterminated", "abc", 3, REG_SZ);
    SetRegBinary(HKEY_CURRENT_USER, kKey, "zero", "", 0, REG_SZ);
    SetRegBinary(HKEY_CURRENT_USER, kKey, "empty", "", 1, REG_SZ);
    EXPECT_EQ("abc", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "unterminated")));
    EXPECT_EQ("", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "zero")));
    EXPECT_EQ("", Take(ReadRegString(HKEY_CURRENT_USER, kKey, "empty")));
}

TEST_F(Registry, ExpansionThatDoesNotFitKeepsTheText)
{
    std::string longText(600, 'a');
    char *block = DupString(longText.c_str());
    EXPECT_EQ(longText, Take(ExpandEnvString(block)));
    std::string grows = "%SystemRoot%" + std::string(510, 'b');
    EXPECT_EQ(grows, Take(ExpandEnvString(DupString(grows.c_str()))));
}

TEST_F(Registry, UserOrMachinePrecedence)
{
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "v", "machine");
    SetRegString(HKEY_CURRENT_USER, kKey, "v", "user");
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "w", "machine-w");
    SetRegString(HKEY_CURRENT_USER, kKey, "w", "");
    DWORD number = 1;
    SetRegBinary(HKEY_CURRENT_USER, kKey, "x", &number, 4, REG_DWORD);
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "x", "machine-x");
    SetRegString(HKEY_CURRENT_USER, kKey, "u", "user only");
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "e", "");

    Facts.IntegratedShell = 1;
    EXPECT_EQ("user", Take(ReadUserOrMachineString(kKey, "v")));
    EXPECT_EQ("machine-w", Take(ReadUserOrMachineString(kKey, "w")));
    EXPECT_EQ("machine-x", Take(ReadUserOrMachineString(kKey, "x")));
    EXPECT_EQ("user only", Take(ReadUserOrMachineString(kKey, "u")));
    EXPECT_EQ("<null>", Take(ReadUserOrMachineString(kKey, "e")));

    Facts.IntegratedShell = 0;
    EXPECT_EQ("machine", Take(ReadUserOrMachineString(kKey, "v")));
    EXPECT_EQ("<null>", Take(ReadUserOrMachineString(kKey, "u")));
}

TEST_F(Registry, DwordNeedsExactlyFourBytes)
{
    DWORD number = 0x12345678;
    SetRegBinary(HKEY_CURRENT_USER, kKey, "dword", &number, 4, REG_DWORD);
    SetRegBinary(HKEY_CURRENT_USER, kKey, "binary4", &number, 4, REG_BINARY);
    SetRegBinary(HKEY_CURRENT_USER, kKey, "binary2", &number, 2, REG_BINARY);
    SetRegBinary(HKEY_CURRENT_USER, kKey, "binary8", "12345678", 8, REG_BINARY);
    EXPECT_EQ(0x12345678u, ReadRegDword(HKEY_CURRENT_USER, kKey, "dword", 7));
    EXPECT_EQ(0x12345678u, ReadRegDword(HKEY_CURRENT_USER, kKey, "binary4", 7));
    EXPECT_EQ(7u, ReadRegDword(HKEY_CURRENT_USER, kKey, "binary2", 7));
    EXPECT_EQ(7u, ReadRegDword(HKEY_CURRENT_USER, kKey, "binary8", 7));
    EXPECT_EQ(7u, ReadRegDword(HKEY_CURRENT_USER, kKey, "missing", 7));
    EXPECT_EQ(7u, ReadRegDword(HKEY_CURRENT_USER, "Software\\TilefoxTest\\None", "x", 7));
}

TEST_F(Registry, WriteCreatesTheWholePath)
{
    const char deep[] = "Software\\TilefoxTest\\Registry\\a\\b\\c";
    ASSERT_EQ(1, WriteRegString(HKEY_CURRENT_USER, deep, "name", "text"));
    EXPECT_EQ("text", GetRegString(HKEY_CURRENT_USER, deep, "name"));

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, deep, 0, KEY_QUERY_VALUE, &key));
    DWORD type = 0;
    DWORD size = 0;
    RegQueryValueExA(key, "name", nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(5u, size);   // terminator counted
}

TEST(FileVersion, FixedVersionOfAModule)
{
    DWORD high = 1, low = 1;
    ReadFileVersion(FixturePath("verfixture.dll").c_str(), &high, &low);
    EXPECT_EQ(0x00040047u, high);
    EXPECT_EQ(0x06B00005u, low);

    high = low = 1;
    ReadFileVersion(FixturePath("noicons.txt").c_str(), &high, &low);
    EXPECT_EQ(0u, high);
    EXPECT_EQ(0u, low);
    high = low = 1;
    ReadFileVersion(FixturePath("missing.dll").c_str(), &high, &low);
    EXPECT_EQ(0u, high);
    EXPECT_EQ(0u, low);
}

}  // namespace
