// The steps of a dialog script (support/dialogdriver.h).
#ifndef TILEFOX_TESTS_SUPPORT_DIALOGSTEPS_H
#define TILEFOX_TESTS_SUPPORT_DIALOGSTEPS_H

#include "support/dialogdriver.h"

using Step = DialogStep;

Step Press(int id);
Step Check(std::function<void(HWND)> check);
Step Type(std::string text);
// Waits for a box owned by the dialog, checks its text and answers it.
Step AnswerBox(std::string expected, int button = IDOK);
// The dialog is a message box: keeps its text and presses the button.
Step AnswerThisBox(int button, std::string *text);

#endif
