// Serving the message queue during long work, so that the sheet stays responsive.
#ifndef TILEFOX_PUMP_H
#define TILEFOX_PUMP_H

#include <windows.h>

// Dispatches one waiting message, if any. A quit message taken here is posted again for the
// loop that ends the program.
void PumpOneMessage();
// Dispatches what waits, at most limit messages.
void PumpWaitingMessages(int limit);

// A list that fills once the sheet (its page's parent) is shown serves the waiting messages now
// and then: between two waits, or every few rows. Before the sheet is on screen nothing may run
// ahead of the first fill. False once Cancel or the close box has ended the list.
bool ServeSheetDuringFill(HWND list);
bool ServeSheetEveryFewRows(HWND list, int row);

#endif
