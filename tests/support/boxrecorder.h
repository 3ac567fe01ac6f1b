// Message boxes of the program answered without a window: each text is kept, and the box
// returns the answer given (IDOK, IDYES, ...). One at a time.
#ifndef TILEFOX_TESTS_SUPPORT_BOXRECORDER_H
#define TILEFOX_TESTS_SUPPORT_BOXRECORDER_H

#include <windows.h>

#include <string>
#include <vector>

#include "support/testing.h"

class BoxRecorder {
public:
    explicit BoxRecorder(int answer = IDOK);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder &) = delete;
    BoxRecorder &operator=(const BoxRecorder &) = delete;

    std::vector<std::string> Texts;     // as shown, in the ANSI code page
    int Answer;
    // All texts, one after another.
    std::string All() const;

private:
    ImportHook hook_;
};

#endif
