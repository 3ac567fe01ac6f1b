// Sizes of the structures the program hands to the system, as Windows 95's own DLLs know
// them: a newer, larger size makes those DLLs refuse the call.
#ifndef TILEFOX_OLDSIZES_H
#define TILEFOX_OLDSIZES_H

#include <windows.h>

enum {
    // NONCLIENTMETRICSA without the padded border width of later systems.
    NONCLIENTMETRICS_SIZE_95 = 340,
};

#endif
