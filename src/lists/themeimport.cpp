#include "lists/listcommands.h"

// Theme files are not read yet: nothing loaded, nothing failed.
DWORD ImportThemeFile(const char *)
{
    return 0;
}
