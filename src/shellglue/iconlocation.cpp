#include "shellglue/iconlocation.h"

int ResolveIconLocation(char *, int, BYTE *severalIcons)
{
    if (severalIcons != nullptr)
        *severalIcons = 0;
    return 0;
}
char *ApplyShellIconOverride(char *location) { return location; }
int GetLinkTarget(const char *, char *target)
{
    target[0] = '\0';
    return 0;
}
