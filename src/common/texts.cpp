#include "common/texts.h"

#include <windows.h>

#include "common/appstate.h"

const char *LoadText(unsigned id)
{
    static char text[TEXT_BUFFER];
    if (LoadStringA(AppInstance(), id, text, TEXT_BUFFER) <= 0)
        text[0] = '\0';
    return text;
}
