// Forced into every program source of the fuzz build: fixed global-heap blocks then end
// against a page that cannot be touched, so a write one byte past a block faults at once.
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
#ifdef __cplusplus
}
#endif

#define GlobalAlloc FuzzGlobalAlloc
#define GlobalFree FuzzGlobalFree

#endif
