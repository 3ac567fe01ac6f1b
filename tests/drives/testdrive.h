// The one drive root the drive tests may write to: X:, a throwaway folder of the test prefix
// that scripts/winebed.sh (winebed_isolate_drives) maps and marks.
#ifndef TILEFOX_TESTS_TESTDRIVE_H
#define TILEFOX_TESTS_TESTDRIVE_H

#include <windows.h>

#include <string>
#include <vector>

namespace testdrive {

const char kDrive = 'X';
const char kAutorun[] = "X:\\AUTORUN.INF";
const char kMarker[] = "X:\\TILEFOX.TST";

inline bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

inline std::vector<char> FixedDrives()
{
    std::vector<char> drives;
    DWORD mask = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        char root[] = {letter, ':', '\\', '\0'};
        if ((mask & (1u << (letter - 'A'))) && GetDriveTypeA(root) == DRIVE_FIXED)
            drives.push_back(letter);
    }
    return drives;
}

inline std::string AutorunOf(char letter)
{
    return std::string(1, letter) + ":\\AUTORUN.INF";
}

// Empty when the drives are safe to use; else why the test must not run. Every listed drive
// is rewritten on Apply when it has an AUTORUN.INF, so only X: may have one.
inline std::string WhyUnsafe()
{
    if (!Exists(kMarker))
        return "drive X: is not the test bed's throwaway drive";
    if (GetDriveTypeA("X:\\") != DRIVE_FIXED)
        return "drive X: does not count as a fixed drive";
    for (char letter : FixedDrives()) {
        if (letter != kDrive && Exists(AutorunOf(letter).c_str()))
            return AutorunOf(letter) + " exists and would be rewritten";
    }
    return std::string();
}

inline void RemoveAutorun()
{
    SetFileAttributesA(kAutorun, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kAutorun);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kAutorun);
}

inline std::string Profile(const char *section, const char *key)
{
    char value[300] = "";
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, kAutorun);
    return value;
}

}  // namespace testdrive

#endif
