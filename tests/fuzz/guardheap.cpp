// Guarded global-heap blocks for the fuzz build. A block sits at the very end of its committed
// pages, right before a PAGE_NOACCESS page; the reservation's first bytes carry a tag so that
// blocks the system made (drops, clipboard) still go to the real GlobalFree.
#include <windows.h>

// This file is the wrapper: it calls the real functions.
#undef GlobalAlloc
#undef GlobalFree
#undef Sleep

enum : DWORD { GUARD_TAG = 0x48474654, PAGE = 4096 };

struct GuardHeader {
    DWORD Tag;
    void *Block;
    SIZE_T Size;
};

// Counted from every thread that reads the registry for the lists.
static LONG g_alive;

extern "C" long GuardedBlocksAlive(void)
{
    return g_alive;
}

extern "C" HGLOBAL WINAPI FuzzGlobalAlloc(UINT flags, SIZE_T size)
{
    if (flags & GMEM_MOVEABLE)
        return GlobalAlloc(flags, size);
    SIZE_T dataPages = (size + sizeof(GuardHeader) + PAGE - 1) / PAGE;
    BYTE *base = static_cast<BYTE *>(VirtualAlloc(nullptr, (dataPages + 1) * PAGE, MEM_RESERVE | MEM_COMMIT,
                                                  PAGE_READWRITE));
    if (base == nullptr)
        return nullptr;
    DWORD old;
    VirtualProtect(base + dataPages * PAGE, PAGE, PAGE_NOACCESS, &old);
    BYTE *block = base + dataPages * PAGE - size;
    // Unwritten bytes of a fresh block are never zero by luck here.
    if (!(flags & GMEM_ZEROINIT))
        FillMemory(block, size, 0xCD);
    GuardHeader *header = reinterpret_cast<GuardHeader *>(base);
    header->Tag = GUARD_TAG;
    header->Block = block;
    header->Size = size;
    InterlockedIncrement(&g_alive);
    return block;
}

extern "C" HGLOBAL WINAPI FuzzGlobalFree(HGLOBAL handle)
{
    if (handle == nullptr)
        return nullptr;
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(handle, &info, sizeof info) == sizeof info && info.AllocationBase != nullptr &&
        info.Type == MEM_PRIVATE) {
        GuardHeader *header = static_cast<GuardHeader *>(info.AllocationBase);
        if (header->Tag == GUARD_TAG && header->Block == handle) {
            header->Tag = 0;
            InterlockedDecrement(&g_alive);
            // Released, not reused: a later touch of the block faults.
            VirtualFree(info.AllocationBase, 0, MEM_RELEASE);
            return nullptr;
        }
    }
    return GlobalFree(handle);
}

extern "C" void WINAPI FuzzSleep(DWORD)
{
    Sleep(0);
}
