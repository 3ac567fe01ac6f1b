// Forced into every program source of the fuzz build: fixed global-heap blocks then end
// against a page that cannot be touched, so a write one byte past a block faults at once.
// The program's settle waits for the shell (there is none to wait for here) only yield.
#ifndef TILEFOX_GUARDHEAP_H
#define TILEFOX_GUARDHEAP_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif
HGLOBAL WINAPI FuzzGlobalAlloc(UINT flags, SIZE_T size);
HGLOBAL WINAPI FuzzGlobalFree(HGLOBAL block);
// Guarded blocks alive now (to see a leak per input).
long GuardedBlocksAlive(void);
void WINAPI FuzzSleep(DWORD milliseconds);
#ifdef __cplusplus
}
#endif

#define GlobalAlloc FuzzGlobalAlloc
#define GlobalFree FuzzGlobalFree
#define Sleep FuzzSleep

#endif
