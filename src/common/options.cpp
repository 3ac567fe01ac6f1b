#include "common/options.h"

#include "common/appstate.h"
#include "shellglue/paths.h"

SettingsState Settings;

void FreeRegistryBackups()
{
    FreeText(&Settings.BmpClassBackup);
    FreeText(&Settings.BmpIconBackup);
    FreeText(&Settings.CplIconBackup);
}

BOOL ParseDesktopTextColor(char *text, COLORREF *colour)
{
    TrimLeadingSpaces(TrimTrailingSpaces(text));
    if (text[0] == '\0')
        return FALSE;
    const char *p = text;
    while (*p != '\0' && HexDigitValue(*p) < 0)
        ++p;
    DWORD rgb = 0;
    for (; HexDigitValue(*p) >= 0; ++p)
        rgb = (rgb << 4) | DWORD(HexDigitValue(*p));
    // Written as RRGGBB; a COLORREF keeps red in its lowest byte.
    *colour = (rgb & 0xFF00FF00u) | ((rgb & 0xFF) << 16) | ((rgb >> 16) & 0xFF);
    return TRUE;
}

BOOL ReadDesktopTextColor(COLORREF *colour)
{
    char text[MAX_PATH];
    GetPrivateProfileStringA("Options", "DesktopTextColor", "", text, MAX_PATH, App.SettingsPath);
    return ParseDesktopTextColor(text, colour);
}
