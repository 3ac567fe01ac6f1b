#include "drives/autorun.h"

#include "shellglue/handles.h"
#include "shellglue/inifile.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

static const char AUTORUN_SECTION[] = "Autorun";
static const char ICON_KEY[] = "DefaultIcon";

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
    // A drive the user set to what its file already says needs no write. The value is
    // compared as the profile reader gave it, the way the drive list was filled: cleaning it
    // once more would take "\"x.ico\"" for a change and rewrite the user's file.
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        lstrlenA(location) < LOCATION_BUFFER - 1 && CanOpenIniFile(path, false)) {
        char present[LOCATION_BUFFER];
        GetPrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, "", present, LOCATION_BUFFER, path);
        if (lstrcmpA(present, location) == 0)
            return 1;
    }
    // A read-only file, or one another program holds open, is refused before the profile
    // functions could pretend otherwise.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) || !CanOpenIniFile(path, true)))
        return 0;
    BOOL written = WritePrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, location, path);
    FlushProfile(path);
    return written && FileHolds(path, location);
}

static bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

static int RemoveIcon(const char *path, DWORD attributes, DWORD error)
{
    // No file, nothing to remove; a file that is there but cannot be read is no such answer.
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return IsMissing(error) ? 1 : 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return 1;
    if (!CanOpenIniFile(path, false))
        return 0;
    char present[LOCATION_BUFFER];
    GetPrivateProfileStringA(AUTORUN_SECTION, ICON_KEY, "", present, LOCATION_BUFFER, path);
    if (present[0] == '\0')
        return 1;
    if ((attributes & FILE_ATTRIBUTE_READONLY) || !CanOpenIniFile(path, true))
        return 0;
    const char *const keys[] = {ICON_KEY};
    return RemoveIniKeys(path, AUTORUN_SECTION, keys, 1) != INI_REMOVE_FAILED;
}

int WriteDriveIconLocation(char letter, const char *location)
{
    char path[AUTORUN_PATH_BUFFER];
    AutorunPath(letter, path);
    DWORD attributes = GetFileAttributesA(path);
    DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
    return location != nullptr ? WriteIcon(path, attributes, location) : RemoveIcon(path, attributes, error);
}

bool DriveIconKey(char letter, char *key)
{
    char tail[] = "DriveIcons\\?\\DefaultIcon";
    tail[11] = letter >= 'a' && letter <= 'z' ? char(letter - 'a' + 'A') : letter;
    return FormRowKey(ROW_DRIVE_ICON, tail, key);
}

void ReadDriveIcon(char letter, char *buffer)
{
    char key[MAX_PATH];
    if (!DriveIconKey(letter, key)) {
        ReadDriveIconLocation(letter, buffer);
        return;
    }
    // An empty value gives Explorer no icon either.
    GlobalText value(ReadStringAt(PlaceOf(ROW_DRIVE_ICON).Root, key, "", true));
    CopyText(buffer, value.Get() != nullptr ? value.Get() : "", LOCATION_BUFFER);
}

void ReadOverriddenFileIcon(char letter, char *buffer)
{
    char key[MAX_PATH];
    buffer[0] = '\0';
    if (DriveIconKey(letter, key))
        ReadDriveIconLocation(letter, buffer);
}

WriteOutcome WriteDriveIcon(char letter, const char *location, const char *rowName)
{
    char key[MAX_PATH];
    if (!DriveIconKey(letter, key))
        return WriteDriveIconLocation(letter, location) ? WRITE_DONE : WRITE_FAILED;
    // Only the value goes: its keys, when this program made them, go with the restore point
    // that recorded them missing; others' keys may hold a label of the drive beside it.
    return WriteRowValue(ROW_DRIVE_ICON, PlaceOf(ROW_DRIVE_ICON).Root, key, "", location, rowName);
}
