#include <windows.h>

#include "app/startup.h"

// The process starts here, with no C run-time start-up code before it: Windows 95 has no
// C run-time DLL for such code to live in. The stack may be only 4-byte aligned on entry.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup()
{
    ExitProcess(UINT(RunTilefox(GetModuleHandleA(nullptr), SkipProgramName(GetCommandLineA()))));
}
