#include "support/writewatch.h"

#include <windows.h>

#include <memory>

#include "support/testing.h"

namespace {

void (*g_seen)(const WriteSeen &);
std::unique_ptr<ImportHook> g_hooks[10];

enum Slot { SET_VALUE, DELETE_VALUE, CREATE_KEY, DELETE_KEY, PROFILE, WRITE, CREATE_FILE, DELETE_FILE, MAKE_FOLDER, ATTRIBUTES };

template <typename Function> Function Original(Slot slot)
{
    return g_hooks[slot]->Original<Function>();
}

template <typename Result>
Result Seen(Result result, const char *function, const char *target, bool lasting, bool writing = true)
{
    if (g_seen != nullptr)
        g_seen(WriteSeen{function, target, lasting, writing});
    return result;
}

LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    return Seen(Original<decltype(&RegSetValueExA)>(SET_VALUE)(key, name, reserved, type, data, size),
                "RegSetValueExA", name, true);
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name)
{
    return Seen(Original<decltype(&RegDeleteValueA)>(DELETE_VALUE)(key, name), "RegDeleteValueA", name, true);
}

LONG WINAPI CreateKey(HKEY key, LPCSTR name, DWORD reserved, LPSTR kind, DWORD options, REGSAM access,
                      LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    DWORD made = 0;
    LONG code = Original<decltype(&RegCreateKeyExA)>(CREATE_KEY)(key, name, reserved, kind, options, access,
                                                                 security, result, &made);
    if (disposition != nullptr)
        *disposition = made;
    return Seen(code, "RegCreateKeyExA", name, made == REG_CREATED_NEW_KEY);
}

LONG WINAPI DeleteKey(HKEY key, LPCSTR name)
{
    return Seen(Original<decltype(&RegDeleteKeyA)>(DELETE_KEY)(key, name), "RegDeleteKeyA", name, false);
}

BOOL WINAPI WriteProfile(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR file)
{
    // Without a section it only empties the cache.
    return Seen(Original<decltype(&WritePrivateProfileStringA)>(PROFILE)(section, key, text, file),
                "WritePrivateProfileStringA", file, section != nullptr);
}

BOOL WINAPI Write(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    return Seen(Original<decltype(&WriteFile)>(WRITE)(file, data, size, written, overlapped), "WriteFile", nullptr,
                true);
}

HANDLE WINAPI Create(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                     DWORD flags, HANDLE pattern)
{
    return Seen(Original<decltype(&CreateFileA)>(CREATE_FILE)(path, access, share, security, disposition, flags,
                                                               pattern),
                "CreateFileA", path, (access & GENERIC_WRITE) && disposition != OPEN_EXISTING,
                (access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE)) != 0);
}

BOOL WINAPI DeleteFileSeen(LPCSTR path)
{
    return Seen(Original<decltype(&DeleteFileA)>(DELETE_FILE)(path), "DeleteFileA", path, false);
}

BOOL WINAPI MakeFolder(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    return Seen(Original<decltype(&CreateDirectoryA)>(MAKE_FOLDER)(path, security), "CreateDirectoryA", path, false);
}

BOOL WINAPI SetAttributes(LPCSTR path, DWORD attributes)
{
    return Seen(Original<decltype(&SetFileAttributesA)>(ATTRIBUTES)(path, attributes), "SetFileAttributesA", path,
                false);
}

// In the order of the slots.
const struct {
    const char *Library, *Function;
    const void *Watch;
} kWrites[] = {
    {"advapi32.dll", "RegSetValueExA", reinterpret_cast<const void *>(&SetValue)},
    {"advapi32.dll", "RegDeleteValueA", reinterpret_cast<const void *>(&DeleteValue)},
    {"advapi32.dll", "RegCreateKeyExA", reinterpret_cast<const void *>(&CreateKey)},
    {"advapi32.dll", "RegDeleteKeyA", reinterpret_cast<const void *>(&DeleteKey)},
    {"kernel32.dll", "WritePrivateProfileStringA", reinterpret_cast<const void *>(&WriteProfile)},
    {"kernel32.dll", "WriteFile", reinterpret_cast<const void *>(&Write)},
    {"kernel32.dll", "CreateFileA", reinterpret_cast<const void *>(&Create)},
    {"kernel32.dll", "DeleteFileA", reinterpret_cast<const void *>(&DeleteFileSeen)},
    {"kernel32.dll", "CreateDirectoryA", reinterpret_cast<const void *>(&MakeFolder)},
    {"kernel32.dll", "SetFileAttributesA", reinterpret_cast<const void *>(&SetAttributes)},
};

}  // namespace

WriteWatch::WriteWatch(void (*seen)(const WriteSeen &))
{
    g_seen = seen;
    for (size_t slot = 0; slot < sizeof kWrites / sizeof kWrites[0]; ++slot)
        g_hooks[slot].reset(new ImportHook(kWrites[slot].Library, kWrites[slot].Function, kWrites[slot].Watch));
}

WriteWatch::~WriteWatch()
{
    for (auto &hook : g_hooks)
        hook.reset();
    g_seen = nullptr;
}
