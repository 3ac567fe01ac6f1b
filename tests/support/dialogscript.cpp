#include "support/dialogscript.h"

#include <gtest/gtest.h>

#include "support/testing.h"

namespace {

struct Script {
    int controlId;
    std::vector<Step> steps;
    size_t next = 0;
    DWORD started = 0;
    bool timedOut = false;
    bool stray = false;
    bool running = false;
};

Script *g_script = nullptr;

const DWORD kScriptLimitMs = 20000;

struct BoxSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM lParam)
{
    BoxSearch *search = reinterpret_cast<BoxSearch *>(lParam);
    if (window != search->owner && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND OwnedWindow(HWND owner)
{
    BoxSearch search = {owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchOwnedWindow, LPARAM(&search));
    return search.found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Script *script = g_script;
    if (script == nullptr || script->running)
        return;
    script->running = true;
    HWND dialog = FindThreadDialog(script->controlId);
    bool late = GetTickCount() - script->started > kScriptLimitMs;
    if (!late && script->next < script->steps.size()) {
        if (script->steps[script->next]())
            ++script->next;
    } else if (dialog != nullptr) {
        // Boxes first: a warning box may offer only OK.
        if (late)
            script->timedOut = true;
        else
            script->stray = true;
        if (HWND box = OwnedWindow(dialog)) {
            ADD_FAILURE() << "unanswered box: " << Utf8(ItemText(box, 0xFFFF));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (late) {
        script->timedOut = true;
    }
    script->running = false;
}

}  // namespace

ScriptOutcome RunScripted(int controlId, std::vector<Step> steps, const std::function<void()> &body)
{
    Script script;
    script.controlId = controlId;
    script.steps = std::move(steps);
    script.started = GetTickCount();
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, Tick);
    body();
    KillTimer(nullptr, timer);
    g_script = nullptr;
    PumpMessages(20);
    return {script.next, script.timedOut, script.stray};
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
        HWND box = dialog != nullptr ? OwnedWindow(dialog) : nullptr;
        if (box == nullptr)
            return false;
        EXPECT_EQ(Utf8(expected), Utf8(ItemText(box, 0xFFFF)));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

std::string ItemText(HWND dialog, int id)
{
    char text[600] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
