#include "support/dialogsteps.h"

#include <gtest/gtest.h>

#include "ids.h"

enum { TICK_MS = 30, GIVE_UP_MS = 20000 };

static DialogScript *g_script;

static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script != nullptr)
        g_script->Tick();
}

DialogScript::DialogScript(std::vector<DialogStep> steps, DialogFinder find)
    : steps_(std::move(steps)), find_(std::move(find)), started_(GetTickCount())
{
    g_script = this;
    timer_ = SetTimer(nullptr, 0, TICK_MS, OnTick);
}

DialogScript::~DialogScript()
{
    KillTimer(nullptr, timer_);
    g_script = nullptr;
}

void DialogScript::Tick()
{
    // A step that pumps messages must not run the next one from inside itself.
    if (running_ || timedOut_ || (next_ >= steps_.size() && !cancelLeftOpen_))
        return;
    HWND dialog = find_();
    if (dialog == nullptr)
        return;
    running_ = true;
    seen_ = true;
    if (GetTickCount() - started_ > GIVE_UP_MS) {
        timedOut_ = true;
        EndMenu();
        if (HWND box = FindOwnedPopup(dialog)) {
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (next_ < steps_.size()) {
        if (steps_[next_](dialog))
            ++next_;
    } else {
        leftOpen_ = true;
        if (HWND box = FindOwnedPopup(dialog)) {
            ADD_FAILURE() << "unanswered box: " << Utf8(BoxText(box));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    running_ = false;
}

DialogFinder DialogWith(int controlId)
{
    return [controlId] { return FindThreadDialog(controlId); };
}

HWND FindOwnedPopup(HWND dialog)
{
    return FindThreadWindow([dialog](HWND window) {
        return window != dialog && GetWindow(window, GW_OWNER) == dialog && IsWindowVisible(window);
    });
}

std::string BoxText(HWND box)
{
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

HWND FindPopupMenu()
{
    HWND menu = FindWindowA("#32768", nullptr);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

Step Press(int id)
{
    return [id](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id)));
        return true;
    };
}

Step Check(std::function<void(HWND)> check)
{
    return [check](HWND dialog) {
        check(dialog);
        return true;
    };
}

Step Type(std::string text)
{
    return [text](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_CI_FILENAME, text.c_str());
        return true;
    };
}

Step AnswerBox(std::string expected, int button)
{
    return [expected, button](HWND dialog) {
        HWND box = FindOwnedPopup(dialog);
        if (box == nullptr)
            return false;
        EXPECT_EQ(Utf8(expected), Utf8(BoxText(box)));
        PostMessageA(box, WM_COMMAND, button, 0);
        return true;
    };
}

Step AnswerThisBox(int button, std::string *text)
{
    return [button, text](HWND box) {
        *text = BoxText(box);
        PostMessageA(box, WM_COMMAND, button, 0);
        return true;
    };
}
