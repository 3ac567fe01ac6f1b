#include <gtest/gtest.h>

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
