#include "support/dialogscript.h"

#include <gtest/gtest.h>

#include "support/dialogdriver.h"
#include "support/probes.h"
#include "support/testing.h"

ScriptOutcome RunScripted(int controlId, std::vector<Step> steps, const std::function<void()> &body)
{
    std::vector<DialogStep> driven;
    for (const Step &step : steps)
        driven.push_back([step](HWND) { return step(); });
    DialogScript script(std::move(driven), DialogWith(controlId));
    script.CancelLeftOpen();
    body();
    PumpMessages(20);
    return {script.NextStep(), script.TimedOut(), script.LeftOpen()};
}

Step OnDialog(int controlId, std::function<void(HWND)> action)
{
    return [controlId, action]() {
        HWND dialog = FindThreadDialog(controlId);
        if (dialog == nullptr)
            return false;
        action(dialog);
        return true;
    };
}

Step PressIn(int controlId, int button)
{
    return OnDialog(controlId, [button](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dialog, button)));
    });
}

Step AnswerBoxOf(int controlId, std::string expected)
{
    return [controlId, expected]() {
        HWND dialog = FindThreadDialog(controlId);
        HWND box = dialog != nullptr ? FindOwnedPopup(dialog) : nullptr;
        if (box == nullptr)
            return false;
        EXPECT_EQ(Utf8(expected), Utf8(BoxText(box)));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

std::string ItemText(HWND dialog, int id)
{
    return DlgItemText(dialog, id);
}
