#include "shellglue/registry.h"

#include "shellglue/startfacts.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"

enum { EXPAND_BUFFER = 520, SHORT_VALUE = 272, EXPAND_SOURCE_LIMIT = 32767, NUMBER_TEXT = 64 };

char *ReadStringAt(HKEY root, const char *subkey, const char *valueName, bool emptyIsAbsent)
{
    RegKey key;
    if (!key.Open(root, subkey, KEY_QUERY_VALUE))
        return nullptr;

    // Most values fit a small buffer: one call instead of asking for the size first.
    char shortValue[SHORT_VALUE];
    DWORD type = 0;
    DWORD size = sizeof shortValue - 1;
    LONG result = RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE *>(shortValue),
                                   &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
        return nullptr;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return nullptr;
    if (emptyIsAbsent && size <= 1)
        return nullptr;

    // One byte more than reported: a value stored without its terminator still ends here.
    GlobalText block(static_cast<char *>(GlobalAlloc(GMEM_FIXED, size + 1)));
    if (block.Get() == nullptr)
        return nullptr;
    DWORD read = size;
    if (result == ERROR_SUCCESS) {
        CopyMemory(block.Get(), shortValue, size);
    } else if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE *>(block.Get()),
                                &read) != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return nullptr;
    }
    block.Get()[read <= size ? read : size] = '\0';

    if (type == REG_EXPAND_SZ)
        return ExpandEnvString(block.Release());
    return block.Release();
}

char *ReadRegString(HKEY root, const char *subkey, const char *valueName)
{
    return ReadStringAt(root, subkey, valueName, false);
}

char *ReadUserOrMachineString(const char *subkey, const char *valueName)
{
    if (Facts.IntegratedShell || PlaceOf(ROW_CLASS_ICON).PerUser) {
        char *text = ReadStringAt(HKEY_CURRENT_USER, subkey, valueName, true);
        if (text != nullptr)
            return text;
    }
    return ReadStringAt(HKEY_LOCAL_MACHINE, subkey, valueName, true);
}

char *ExpandEnvString(char *text)
{
    // The system expands through a counted Unicode string of at most 32767 characters, and
    // some versions fault on longer text instead of failing; no icon path is that long.
    if (lstrlenA(text) >= EXPAND_SOURCE_LIMIT)
        return text;
    char expanded[EXPAND_BUFFER];
    DWORD needed = ExpandEnvironmentStringsA(text, expanded, EXPAND_BUFFER);
    // A result that did not fit was never written: keep the text as it was.
    if (needed == 0 || needed > EXPAND_BUFFER)
        return text;
    expanded[EXPAND_BUFFER - 1] = '\0';
    if (text[0] != '\0' && expanded[0] == '\0')
        return text;
    GlobalFree(text);
    return DupString(expanded);
}

bool StoredNumber(DWORD type, const BYTE *data, DWORD size, int *number)
{
    if (type == REG_DWORD) {
        if (size != sizeof(DWORD))
            return false;
        DWORD value = *reinterpret_cast<const DWORD *>(data);
        *number = value > DWORD(0x7FFFFFFF) ? 0x7FFFFFFF : int(value);
        return true;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_BINARY)
        return false;
    char text[NUMBER_TEXT];
    DWORD length = size < DWORD(NUMBER_TEXT) ? size : DWORD(NUMBER_TEXT - 1);
    CopyMemory(text, data, length);
    text[length] = '\0';
    *number = ParseInt(text);
    return true;
}

bool ReadRegNumber(HKEY root, const char *subkey, const char *valueName, int *number)
{
    RegKey key;
    if (!key.Open(root, subkey, KEY_QUERY_VALUE))
        return false;
    BYTE data[NUMBER_TEXT];
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    // Sizes and depths are a few digits: a longer value is taken for none.
    if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, data, &size) != ERROR_SUCCESS)
        return false;
    return StoredNumber(type, data, size, number);
}

DWORD ReadRegDword(HKEY root, const char *subkey, const char *valueName, DWORD defaultValue)
{
    RegKey key;
    if (!key.Open(root, subkey, KEY_QUERY_VALUE))
        return defaultValue;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size) ==
            ERROR_SUCCESS &&
        size == sizeof(value))
        return value;
    return defaultValue;
}

int WriteRegString(HKEY root, const char *subkey, const char *valueName, const char *text)
{
    RegKey key;
    if (!key.Create(root, subkey, KEY_SET_VALUE))
        return 0;
    return RegSetValueExA(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          lstrlenA(text) + 1) == ERROR_SUCCESS;
}

bool RemoveRegValue(HKEY root, const char *subkey, const char *valueName)
{
    RegKey key;
    if (!key.Open(root, subkey, KEY_SET_VALUE)) {
        // Only a key that is not there holds no value; one that refuses the write may.
        RegKey probe;
        return !probe.Open(root, subkey, KEY_QUERY_VALUE);
    }
    LONG result = RegDeleteValueA(key.Get(), valueName);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

LONG DeleteRegKey(HKEY parent, const char *name)
{
    typedef LONG(WINAPI * DeleteKeyExCall)(HKEY, const char *, REGSAM, DWORD);
    // RegDeleteKeyA deletes in the process's own view; only the Ex form names the other.
    if (RegistryView() != 0) {
        DeleteKeyExCall deleteEx = reinterpret_cast<DeleteKeyExCall>(
            reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
        if (deleteEx != nullptr)
            return deleteEx(parent, name, RegistryView(), 0);
    }
    return RegDeleteKeyA(parent, name);
}

void ReadFileVersion(const char *fileName, DWORD *high, DWORD *low)
{
    *high = 0;
    *low = 0;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(const_cast<char *>(fileName), &handle);
    if (size == 0)
        return;
    void *block = GlobalAlloc(GMEM_FIXED, size);
    if (block == nullptr)
        return;
    if (GetFileVersionInfoA(const_cast<char *>(fileName), 0, size, block)) {
        VS_FIXEDFILEINFO *info = nullptr;
        UINT length = 0;
        char root[] = "\\";
        if (VerQueryValueA(block, root, reinterpret_cast<void **>(&info), &length) && length != 0 &&
            info != nullptr) {
            *high = info->dwFileVersionMS;
            *low = info->dwFileVersionLS;
        }
    }
    GlobalFree(block);
}
