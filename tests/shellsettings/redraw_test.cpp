#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shellsettings/redraw.h"
#include "support/testing.h"

namespace {

const char kMetricsKey[] = "Control Panel\\desktop\\windowmetrics";
const char kIconSize[] = "Shell Icon Size";
const char kAbsent[] = "<no value>";

std::vector<std::string> *g_seen;

// Every top-level window hears the broadcast; this one notes the value the shell would read.
LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WININICHANGE && g_seen != nullptr)
        g_seen->push_back(GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize));
    return DefWindowProcA(window, message, wParam, lParam);
}

void DeleteIconSize()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMetricsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, kIconSize);
        RegCloseKey(key);
    }
}

class Redraw : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize);
        listener_ = CreateHelperWindow("TilefoxRedrawListener", ListenerProc);
        g_seen = &seen_;
    }
    void TearDown() override
    {
        g_seen = nullptr;
        DestroyWindow(listener_);
        if (saved_ == kAbsent || saved_ == "<no key>")
            DeleteIconSize();
        else
            SetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize, saved_.c_str());
    }

    std::string saved_;
    HWND listener_ = nullptr;
    std::vector<std::string> seen_;
};

TEST_F(Redraw, StepsTheSizeDownAndBackKeepingTheStoredForm)
{
    const struct {
        const char *stored;     // null: no value
        std::vector<std::string> broadcasts;
        std::string final;
    } cases[] = {
        {nullptr, {"31", "32"}, "32"},
        {"48", {"47", "48"}, "48"},
        {"048", {"47", "48"}, "048"},
        {"0", {"31", "32"}, "0"},
        {"-5", {"31", "32"}, "-5"},
        {"big", {"31", "32"}, "big"},
        {"1", {"0", "1"}, "1"},
        {"  40 ", {"39", "40"}, "40"},
    };
    for (const auto &c : cases) {
        if (c.stored == nullptr)
            DeleteIconSize();
        else
            SetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize, c.stored);
        seen_.clear();
        RedrawShellIcons();
        const char *label = c.stored != nullptr ? c.stored : "(absent)";
        EXPECT_EQ(c.broadcasts, seen_) << label;
        EXPECT_EQ(c.final, GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize)) << label;
    }
}

TEST_F(Redraw, ANumberStoredAsDwordIsReplacedByText)
{
    DWORD value = 48;
    SetRegBinary(HKEY_CURRENT_USER, kMetricsKey, kIconSize, &value, sizeof value, REG_DWORD);
    RedrawShellIcons();
    EXPECT_EQ((std::vector<std::string>{"31", "32"}), seen_);
    EXPECT_EQ("32", GetRegString(HKEY_CURRENT_USER, kMetricsKey, kIconSize));
}

}  // namespace
