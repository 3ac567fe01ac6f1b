// Serving the message queue during long work, so that the sheet stays responsive.
#ifndef TILEFOX_PUMP_H
#define TILEFOX_PUMP_H

// Dispatches one waiting message, if any. A quit message taken here is posted again for the
// loop that ends the program.
void PumpOneMessage();
// Dispatches what waits, at most limit messages.
void PumpWaitingMessages(int limit);

#endif
