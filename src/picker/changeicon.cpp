#include "picker/changeicon.h"

char *OpenChangeIconDialog(HWND, char *buffer, const char *, const POINT *)
{
    if (buffer != nullptr)
        buffer[0] = '\0';
    return buffer;
}
