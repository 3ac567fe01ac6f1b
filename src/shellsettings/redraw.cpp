#include "shellsettings/redraw.h"

#include <windows.h>

#include "shellglue/paths.h"
#include "shellglue/registry.h"

static const char kWindowMetrics[] = "Control Panel\\desktop\\windowmetrics";
static const char kIconSize[] = "Shell Icon Size";

enum { DEFAULT_ICON_SIZE = 32 };

static void WriteIconSize(const char *text)
{
    WriteRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize, text);
}

// Every top-level window, the shell's included, rereads the metrics before this returns.
static void AnnounceMetricsChange()
{
    SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, 0);
}

// The shell only redraws its icons when their size changes: step it down by one and back.
void RedrawShellIcons()
{
    char *stored = ReadRegString(HKEY_CURRENT_USER, kWindowMetrics, kIconSize);
    int size = DEFAULT_ICON_SIZE;
    if (stored != nullptr) {
        TrimLeadingSpaces(TrimTrailingSpaces(stored));
        if (stored[0] != '\0') {
            int value = ParseInt(stored);
            if (value >= 1)
                size = value;
        }
    }

    char text[16];
    wsprintfA(text, "%u", unsigned(size - 1));
    WriteIconSize(text);
    AnnounceMetricsChange();
    Sleep(60);
    wsprintfA(text, "%u", unsigned(size));
    WriteIconSize(text);
    AnnounceMetricsChange();

    // Keep the value's stored form ("048", or whatever the user typed).
    if (stored != nullptr) {
        if (lstrcmpA(stored, text) != 0)
            WriteIconSize(stored);
        GlobalFree(stored);
    }
}
