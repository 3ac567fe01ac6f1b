// Drives a modal dialog (or message box) from a thread timer: the timer fires inside the
// dialog's own modal loop, finds the dialog and runs the script's next step on it. A step
// returns false to be tried again on the next tick; steps that may open a box post their
// action, so that the next step can find and answer the box.
#ifndef TILEFOX_TESTS_SUPPORT_DIALOGDRIVER_H
#define TILEFOX_TESTS_SUPPORT_DIALOGDRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/probes.h"
#include "support/testing.h"

using Step = std::function<bool(HWND dialog)>;
using DialogFinder = std::function<HWND()>;

// Runs while it lives; one at a time. After 20 seconds it gives up and cancels the dialog.
class DialogScript {
public:
    DialogScript(std::vector<Step> steps, DialogFinder find);
    ~DialogScript();
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    bool Seen() const { return seen_; }             // the dialog was found at least once
    bool Finished() const { return next_ == steps_.size() && !timedOut_; }
    size_t NextStep() const { return next_; }
    bool TimedOut() const { return timedOut_; }

    void Tick();

private:
    std::vector<Step> steps_;
    DialogFinder find_;
    size_t next_ = 0;
    DWORD started_;
    bool seen_ = false;
    bool timedOut_ = false;
    bool running_ = false;
    UINT_PTR timer_;
};

// Finders: FindChangeIconDialog (support/testing.h), or the visible dialog holding a control
// (0xFFFF: the text of a message box).
DialogFinder DialogWith(int controlId);
// A visible window owned by the dialog: its message box or file dialog.
HWND FindOwnedPopup(HWND dialog);
std::string BoxText(HWND box);
// The pop-up menu on screen, or null.
HWND FindPopupMenu();

// Steps.
Step Press(int id);
Step Check(std::function<void(HWND)> check);
Step Type(std::string text);
// Waits for a box owned by the dialog, checks its text and answers it.
Step AnswerBox(std::string expected, int button = IDOK);
// The dialog is a message box: keeps its text and presses the button.
Step AnswerThisBox(int button, std::string *text);

#endif
