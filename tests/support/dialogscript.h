// The dialog driver (support/dialogdriver.h) as the folder tests call it: each step runs on a
// tick inside the modal loop of the dialog holding controlId, finds what it acts on itself, and
// returns false to be tried again on the next tick.
#ifndef TILEFOX_DIALOGSCRIPT_H
#define TILEFOX_DIALOGSCRIPT_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Step = std::function<bool()>;

struct ScriptOutcome {
    size_t stepsDone;
    bool timedOut;
    bool strayDialog;   // a dialog of controlId was open after the last step and was cancelled
};

// Runs body (which opens the modal dialog) with the steps. A dialog holding controlId that is
// still open once the steps are done is cancelled and reported.
ScriptOutcome RunScripted(int controlId, std::vector<Step> steps, const std::function<void()> &body);

// Steps on the visible dialog holding controlId: wait for it, then act.
Step OnDialog(int controlId, std::function<void(HWND)> action);
Step PressIn(int controlId, int button);
// Waits for a message box owned by the dialog holding controlId, checks its text, answers it.
Step AnswerBoxOf(int controlId, std::string expected);

std::string ItemText(HWND dialog, int id);

#endif
