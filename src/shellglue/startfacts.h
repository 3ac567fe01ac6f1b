// What the entry learns about the system at start-up; read by every layer above.
#ifndef TILEFOX_STARTFACTS_H
#define TILEFOX_STARTFACTS_H

#include <windows.h>

struct StartupFacts {
    char *SystemDirPath;        // with trailing backslash; freed with the sheet
    BYTE NewShell;              // MSHTML.DLL 4.71.1712 or later
    BYTE IntegratedShell;       // NewShell and IntegratedBrowser set
    BYTE PlusMode;
    BYTE CoolIconsAvailable;    // cool.dll holds the 40 icons the Plus! templates name
};

extern StartupFacts Facts;

#endif
