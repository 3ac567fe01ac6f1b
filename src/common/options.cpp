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
    // "#" or "zz" names no colour; reading nothing as 0 would turn the labels black.
    if (*p == '\0')
        return FALSE;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0)
        p += 2;
    DWORD rgb = 0;
    for (; HexDigitValue(*p) >= 0; ++p) {
        // More than six significant digits is no colour at all, however many follow.
        if (rgb > 0xFFFFFF)
            return FALSE;
        rgb = (rgb << 4) | DWORD(HexDigitValue(*p));
    }
    if (rgb > 0xFFFFFF)
        return FALSE;
    // Written as RRGGBB; a COLORREF keeps red in its lowest byte.
    *colour = (rgb & 0x00FF00u) | ((rgb & 0xFF) << 16) | ((rgb >> 16) & 0xFF);
    return TRUE;
}

BOOL ReadDesktopTextColor(COLORREF *colour)
{
    char text[MAX_PATH];
    GetPrivateProfileStringA("Options", "DesktopTextColor", "", text, MAX_PATH, App.SettingsPath);
    return ParseDesktopTextColor(text, colour);
}
