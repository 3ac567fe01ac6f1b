// Seeding the class registry of a benchmark: COUNT classes named {BE4C....}, every
// (classes / folders)-th of them a shell folder; removed again afterwards.
#ifndef TILEFOX_BENCH_CLASSSEED_H
#define TILEFOX_BENCH_CLASSSEED_H

#include <windows.h>

#include "support/testing.h"

namespace {

const char kClasses[] = "Software\\Classes\\CLSID";

void SeededName(int n, char *name)
{
    wsprintfA(name, "{BE4C%04X-0000-4000-8000-%012X}", n >> 16, n & 0xFFFF);
}

bool SetString(HKEY root, const char *subkey, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE *>(value), lstrlenA(value) + 1) ==
              ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// Most classes are plain COM servers; every (classes / folders)-th one is a shell folder.
bool Seed(int classes, int folders)
{
    int every = folders > 0 ? classes / folders : classes + 1;
    char name[64], key[160], value[64];
    for (int i = 0; i < classes; ++i) {
        SeededName(i, name);
        wsprintfA(key, "%s\\%s", kClasses, name);
        bool folder = i % every == every - 1;
        wsprintfA(value, folder ? "Bench Folder %d" : "Bench Class %d", i);
        if (!SetString(HKEY_LOCAL_MACHINE, key, value))
            return false;
        wsprintfA(key, "%s\\%s\\InProcServer32", kClasses, name);
        if (!SetString(HKEY_LOCAL_MACHINE, key, folder ? "shell32.dll" : "benchsrv.dll"))
            return false;
        if (folder) {
            wsprintfA(key, "%s\\%s\\DefaultIcon", kClasses, name);
            if (!SetString(HKEY_LOCAL_MACHINE, key, "benchicons.dll,1"))
                return false;
        }
    }
    return true;
}

void Unseed(int classes)
{
    char name[64], key[160];
    for (int i = 0; i < classes; ++i) {
        SeededName(i, name);
        wsprintfA(key, "%s\\%s", kClasses, name);
        DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    }
}

double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

int CountClasses()
{
    HKEY key;
    DWORD subkeys = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClasses, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
    }
    return int(subkeys);
}


}  // namespace

#endif
