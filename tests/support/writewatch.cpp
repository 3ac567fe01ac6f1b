#include "support/writewatch.h"

#include <windows.h>

#include <memory>

#include "support/testing.h"

namespace {

void (*g_seen)(const WriteSeen &);

struct Watched {
    const char *Library, *Function;
    const void *Watch;
    std::unique_ptr<ImportHook> *Hook;
} g_watched[10];
int g_count;

// Each watched function: its own hook, the replacement that reports the call as it returns, and
// its row in g_watched. Target, Lasting and Writing may use the parameters, not the result.
#define WATCH(Library, Name, Params, Args, Target, Lasting, Writing)                                             \
    std::unique_ptr<ImportHook> g_##Name;                                                                        \
    auto WINAPI Watch##Name Params->decltype(Name Args)                                                          \
    {                                                                                                            \
        auto result = g_##Name->Original<decltype(&Name)>() Args;                                                \
        if (g_seen != nullptr)                                                                                   \
            g_seen(WriteSeen{#Name, Target, Lasting, Writing});                                                  \
        return result;                                                                                           \
    }                                                                                                            \
    const int g_row##Name = (g_watched[g_count] = {Library, #Name, reinterpret_cast<const void *>(&Watch##Name), \
                                                   &g_##Name},                                                   \
                             g_count++);

WATCH("advapi32.dll", RegSetValueExA, (HKEY k, LPCSTR name, DWORD r, DWORD type, const BYTE *data, DWORD size),
      (k, name, r, type, data, size), name, true, true)
WATCH("advapi32.dll", RegDeleteValueA, (HKEY k, LPCSTR name), (k, name), name, true, true)
// The disposition is asked for always: only a key made anew is lasting.
DWORD g_made;
LPDWORD AskMade()
{
    g_made = 0;
    return &g_made;
}
bool TellMade(LPDWORD disposition)
{
    if (disposition != nullptr)
        *disposition = g_made;
    return g_made == REG_CREATED_NEW_KEY;
}
WATCH("advapi32.dll", RegCreateKeyExA,
      (HKEY k, LPCSTR name, DWORD r, LPSTR kind, DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
       PHKEY made, LPDWORD disposition),
      (k, name, r, kind, options, access, security, made, AskMade()), name, TellMade(disposition), true)
WATCH("advapi32.dll", RegDeleteKeyA, (HKEY k, LPCSTR name), (k, name), name, false, true)
// Without a section it only empties the cache.
WATCH("kernel32.dll", WritePrivateProfileStringA, (LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR file),
      (section, key, text, file), file, section != nullptr, true)
WATCH("kernel32.dll", WriteFile, (HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped),
      (file, data, size, written, overlapped), nullptr, true, true)
WATCH("kernel32.dll", CreateFileA,
      (LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how, DWORD flags, HANDLE pattern),
      (path, access, share, security, how, flags, pattern), path, (access & GENERIC_WRITE) && how != OPEN_EXISTING,
      (access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE)) != 0)
WATCH("kernel32.dll", DeleteFileA, (LPCSTR path), (path), path, false, true)
WATCH("kernel32.dll", CreateDirectoryA, (LPCSTR path, LPSECURITY_ATTRIBUTES security), (path, security), path,
      false, true)
WATCH("kernel32.dll", SetFileAttributesA, (LPCSTR path, DWORD attributes), (path, attributes), path, false, true)

}  // namespace

WriteWatch::WriteWatch(void (*seen)(const WriteSeen &))
{
    g_seen = seen;
    for (int i = 0; i < g_count; ++i)
        g_watched[i].Hook->reset(new ImportHook(g_watched[i].Library, g_watched[i].Function, g_watched[i].Watch));
}

WriteWatch::~WriteWatch()
{
    for (int i = 0; i < g_count; ++i)
        g_watched[i].Hook->reset();
    g_seen = nullptr;
}
