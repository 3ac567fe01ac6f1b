// Drives a modal dialog (or message box) from a thread timer: the timer fires inside the
// dialog's own modal loop, finds the dialog and runs the script's next step on it. A step
// returns false to be tried again on the next tick; steps that may open a box post their
// action, so that the next step can find and answer the box. The steps are in
// support/dialogsteps.h (support/dialogscript.h has the folder tests' own).
#ifndef TILEFOX_TESTS_SUPPORT_DIALOGDRIVER_H
#define TILEFOX_TESTS_SUPPORT_DIALOGDRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/probes.h"
#include "support/testing.h"

using DialogStep = std::function<bool(HWND dialog)>;
using DialogFinder = std::function<HWND()>;

// Runs while it lives; one at a time. After 20 seconds it gives up and cancels the dialog.
class DialogScript {
public:
    DialogScript(std::vector<DialogStep> steps, DialogFinder find);
    ~DialogScript();
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    bool Seen() const { return seen_; }             // the dialog was found at least once
    bool Finished() const { return next_ == steps_.size() && !timedOut_; }
    size_t NextStep() const { return next_; }
    bool TimedOut() const { return timedOut_; }
    // A dialog still there after the last step is cancelled (its box answered) and reported.
    void CancelLeftOpen() { cancelLeftOpen_ = true; }
    bool LeftOpen() const { return leftOpen_; }

    void Tick();

private:
    std::vector<DialogStep> steps_;
    DialogFinder find_;
    size_t next_ = 0;
    DWORD started_;
    bool seen_ = false;
    bool timedOut_ = false;
    bool running_ = false;
    bool cancelLeftOpen_ = false;
    bool leftOpen_ = false;
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

#endif
