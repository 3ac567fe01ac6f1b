#include "shellglue/iconimage.h"

#include "shellglue/handles.h"
#include "shellglue/system.h"

namespace {

const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

enum {
    ICON_DIR_HEADER = 6,        // reserved, type, count
    FILE_ENTRY = 16,            // an .ico entry ends in the image's file offset
    GROUP_ENTRY = 14,           // a resource group entry ends in the RT_ICON identifier
    MOST_FILE_IMAGES = 64,
};

struct Request {
    int First;
    int Count;
    HICON *Sizes[2];            // large, small: either may be null
    int Pixels[2];
};

bool IsPng(const BYTE *data, DWORD size)
{
    if (data == nullptr || size < sizeof kPngSignature)
        return false;
    for (UINT i = 0; i < sizeof kPngSignature; ++i) {
        if (data[i] != kPngSignature[i])
            return false;
    }
    return true;
}

// The image the system picks from a group directory for pixels; -1 when it picks none.
int PickedImage(const BYTE *directory, DWORD size, int pixels)
{
    if (size < ICON_DIR_HEADER)
        return -1;
    WORD images = *reinterpret_cast<const WORD *>(directory + 4);
    // The lookup trusts its input; a short directory would be read past its end.
    if (images == 0 || size < DWORD(ICON_DIR_HEADER + GROUP_ENTRY * images))
        return -1;
    return LookupIconIdFromDirectoryEx(const_cast<BYTE *>(directory), TRUE, pixels, pixels, LR_DEFAULTCOLOR);
}

void DropIcon(HICON *icon)
{
    if (*icon != nullptr)
        DestroyIcon(*icon);
    *icon = nullptr;
}

// Drops the slot's icon of each size whose picked image is PNG.
template <typename IsPngAt>
void CheckSlot(const Request &request, int slot, IsPngAt isPngAt)
{
    for (int s = 0; s < 2; ++s) {
        HICON *icon = request.Sizes[s] != nullptr ? request.Sizes[s] + slot : nullptr;
        if (icon != nullptr && *icon != nullptr && isPngAt(request.Pixels[s]))
            DropIcon(icon);
    }
}

bool GroupImageIsPng(HMODULE module, LPCSTR group, int pixels)
{
    HRSRC found = FindResourceA(module, group, RT_GROUP_ICON);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const BYTE *directory = loaded != nullptr ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
    if (directory == nullptr)
        return false;
    int id = PickedImage(directory, SizeofResource(module, found), pixels);
    HRSRC image = id > 0 ? FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON) : nullptr;
    HGLOBAL data = image != nullptr ? LoadResource(module, image) : nullptr;
    return data != nullptr && IsPng(static_cast<const BYTE *>(LockResource(data)), SizeofResource(module, image));
}

struct GroupWalk {
    const Request *Wanted;
    HMODULE Module;
    int Index;
};

// The shell numbers icons in the order the groups are listed.
BOOL CALLBACK CheckGroup(HMODULE module, LPCSTR, LPSTR name, LONG_PTR parameter)
{
    GroupWalk *walk = reinterpret_cast<GroupWalk *>(parameter);
    const Request &wanted = *walk->Wanted;
    int slot = walk->Index++ - wanted.First;
    if (slot >= 0)
        CheckSlot(wanted, slot, [&](int pixels) { return GroupImageIsPng(module, name, pixels); });
    return slot + 1 < wanted.Count;
}

void CheckLibrary(const char *file, const Request &request)
{
    HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return;
    if (request.First < 0) {
        LPCSTR group = MAKEINTRESOURCEA(-request.First);
        CheckSlot(request, 0, [&](int pixels) { return GroupImageIsPng(module, group, pixels); });
    } else {
        GroupWalk walk = {&request, module, 0};
        EnumResourceNamesA(module, RT_GROUP_ICON, CheckGroup, LONG_PTR(&walk));
    }
    FreeLibrary(module);
}

bool ReadAt(HANDLE file, DWORD offset, void *buffer, DWORD size)
{
    DWORD read = 0;
    return SetFilePointer(file, LONG(offset), nullptr, FILE_BEGIN) == offset &&
           ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

// An .ico file holds one icon, number 0; its directory is turned into a group directory so
// that the system's own lookup picks the image.
void CheckIconFile(HANDLE file, const BYTE *header, const Request &request)
{
    int images = *reinterpret_cast<const WORD *>(header + 4);
    if (request.First > 0 || request.First + request.Count <= 0 || images > MOST_FILE_IMAGES)
        return;
    BYTE entries[FILE_ENTRY * MOST_FILE_IMAGES];
    if (!ReadAt(file, ICON_DIR_HEADER, entries, DWORD(FILE_ENTRY * images)))
        return;
    BYTE group[ICON_DIR_HEADER + GROUP_ENTRY * MOST_FILE_IMAGES];
    CopyMemory(group, header, ICON_DIR_HEADER);
    for (int i = 0; i < images; ++i) {
        BYTE *entry = group + ICON_DIR_HEADER + GROUP_ENTRY * i;
        CopyMemory(entry, entries + FILE_ENTRY * i, GROUP_ENTRY - 2);
        *reinterpret_cast<WORD *>(entry + GROUP_ENTRY - 2) = WORD(i + 1);
    }
    DWORD groupSize = DWORD(ICON_DIR_HEADER + GROUP_ENTRY * images);
    CheckSlot(request, -request.First, [&](int pixels) {
        int id = PickedImage(group, groupSize, pixels);
        if (id < 1 || id > images)
            return false;
        DWORD offset = *reinterpret_cast<const DWORD *>(entries + FILE_ENTRY * (id - 1) + FILE_ENTRY - 4);
        BYTE start[sizeof kPngSignature];
        return ReadAt(file, offset, start, sizeof start) && IsPng(start, sizeof start);
    });
}

}  // namespace

void DropUnreadableIcons(const char *file, int first, HICON *large, HICON *small, int count)
{
    if (SystemHas(TRAIT_PNG_ICONS) || file == nullptr || count <= 0 || (large == nullptr && small == nullptr))
        return;
    Request request = {first, count, {large, small}, {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CXSMICON)}};
    FileHandle handle(CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    BYTE header[ICON_DIR_HEADER];
    if (!handle.IsOpen() || !ReadAt(handle.Get(), 0, header, sizeof header))
        return;
    if (header[0] == 'M' && header[1] == 'Z') {
        handle.Close();
        CheckLibrary(file, request);
    } else if (*reinterpret_cast<const WORD *>(header) == 0 && *reinterpret_cast<const WORD *>(header + 2) == 1) {
        CheckIconFile(handle.Get(), header, request);
    }
}
