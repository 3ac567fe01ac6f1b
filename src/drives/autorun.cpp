#include "drives/autorun.h"

#include "shellglue/paths.h"

static const char AUTORUN_SECTION[] = "Autorun";
static const char ICON_KEY[] = "DefaultIcon";

// Name lists are read into small buffers: only "more than our own name" matters.
enum { NAME_LIST_BUFFER = 30, ONLY_ICON_KEY = sizeof ICON_KEY - 1 + 2, ONLY_AUTORUN = sizeof AUTORUN_SECTION - 1 + 2 };

void AutorunPath(char letter, char *path)
{
    path[0] = letter;
    CopyText(path + 1, ":\\AUTORUN.INF", AUTORUN_PATH_BUFFER - 1);
}

void ReadDriveIconLocation(char letter, char *buffer)
{
    char path[AUTORUN_PATH_BUFFER];
    AutorunPath(letter, path);
    GetPrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, "", buffer, LOCATION_BUFFER, path);
}

// Windows 95 keeps profile writes in a cache until this flush.
static void FlushProfile(const char *path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

// The profile functions of Windows 95 report success for a write that only reached their
// cache; what the file holds after the flush is the answer that counts.
static bool FileHolds(const char *path, const char *expected)
{
    if (lstrlenA(expected) >= LOCATION_BUFFER)
        return true;    // cannot be read back whole; the write's own answer must do
    // The profile reader drops outer blanks and one pair of quotes; so does CleanPath.
    char wanted[LOCATION_BUFFER];
    CopyText(wanted, expected, LOCATION_BUFFER);
    CleanPath(wanted);
    char present[LOCATION_BUFFER];
    GetPrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, "", present, LOCATION_BUFFER, path);
    return lstrcmpA(present, wanted) == 0;
}

static int WriteIcon(const char *path, DWORD attributes, const char *location)
{
    // Apply rewrites every drive; one that already says so needs no write, so a read-only
    // AUTORUN.INF of an untouched drive is no failure.
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        lstrlenA(location) < LOCATION_BUFFER && FileHolds(path, location))
        return 1;
    // A read-only file is refused before the profile functions could pretend otherwise.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return 0;
    BOOL written = WritePrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, location, path);
    FlushProfile(path);
    return written && FileHolds(path, location);
}

static int RemoveIcon(const char *path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    char present[LOCATION_BUFFER];
    GetPrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, "", present, LOCATION_BUFFER, path);
    if (present[0] == '\0')
        return 1;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return 0;

    char names[NAME_LIST_BUFFER];
    DWORD keys = GetPrivateProfileStringA(AUTORUN_SECTION, nullptr, "", names, sizeof names, path);
    BOOL done;
    if (keys > ONLY_ICON_KEY) {
        done = WritePrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, nullptr, path);
    } else {
        DWORD sections = GetPrivateProfileStringA(nullptr, nullptr, "", names, sizeof names, path);
        if (sections > ONLY_AUTORUN) {
            done = WritePrivateProfileStringA(AUTORUN_SECTION, nullptr, nullptr, path);
        } else {
            FlushProfile(path);
            return DeleteFileA(path) ? 1 : 0;
        }
    }
    FlushProfile(path);
    return done && FileHolds(path, "");
}

int WriteDriveIconLocation(char letter, const char *location)
{
    char path[AUTORUN_PATH_BUFFER];
    AutorunPath(letter, path);
    DWORD attributes = GetFileAttributesA(path);
    return location != nullptr ? WriteIcon(path, attributes, location) : RemoveIcon(path, attributes);
}
