#include "lists/themeexport.h"

#include "restore/restorepoint.h"
#include "lists/iconentry.h"
#include "lists/liststandard.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"

enum { WRITE_BUFFER = 1024, SECTION_BUFFER = MAX_PATH };

static const char kClassSectionPrefix[] = "CLSID\\";
static const char kDefaultIconSuffix[] = "\\DefaultIcon";
static const char kTempPrefix[] = "tfx";

// --- tokens ---------------------------------------------------------------------------------

using DirectoryReader = UINT(WINAPI *)(LPSTR, UINT);

// The folder without its trailing separator; false for none, and for a drive root, whose
// token would expand to a doubled separator.
static bool ReadFolder(DirectoryReader read, char *folder)
{
    UINT length = read(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    char *last = CharPrevA(folder, folder + length);
    if (*last == '\\' || *last == '/')
        *last = '\0';
    return lstrlenA(folder) > 2 && folder[lstrlenA(folder) - 1] != ':';
}

// The rest of location after folder, from its separator on; null unless location lies
// inside folder. The folder must end on a character boundary of location.
static const char *InsideFolder(const char *location, const char *folder)
{
    int length = lstrlenA(folder);
    const char *p = location;
    while (*p != '\0' && p - location < length)
        p = CharNextA(p);
    if (p - location != length || *p != '\\')
        return nullptr;
    char head[MAX_PATH];
    CopyText(head, location, length + 1);
    return lstrcmpiA(head, folder) == 0 ? p : nullptr;
}

void FormThemeValue(const char *location, char *value)
{
    struct Token {
        const char *Name;
        DirectoryReader Read;
    };
    // The system folder lies inside the Windows folder: the closer one first.
    const Token tokens[] = {{"%SysDir%", GetSystemDirectoryA}, {"%WinDir%", GetWindowsDirectoryA}};
    for (const Token &token : tokens) {
        char folder[MAX_PATH];
        const char *rest = ReadFolder(token.Read, folder) ? InsideFolder(location, folder) : nullptr;
        if (rest == nullptr)
            continue;
        CopyText(value, token.Name, LOCATION_BUFFER);
        if (AppendText(value, rest, LOCATION_BUFFER))
            return;
    }
    CopyText(value, location, LOCATION_BUFFER);
}

// --- the file -------------------------------------------------------------------------------

// Lines gathered into a buffer and written in blocks; a failed write sticks.
struct ThemeWriter {
    HANDLE File;
    char Buffer[WRITE_BUFFER];
    int Used;
    bool Failed;
    int Rows;
};

static void Flush(ThemeWriter *writer)
{
    if (writer->Failed || writer->Used == 0)
        return;
    DWORD written = 0;
    if (!WriteFile(writer->File, writer->Buffer, DWORD(writer->Used), &written, nullptr) ||
        written != DWORD(writer->Used))
        writer->Failed = true;
    writer->Used = 0;
}

static void Put(ThemeWriter *writer, const char *text)
{
    for (const char *p = text; *p != '\0' && !writer->Failed; ++p) {
        if (writer->Used == WRITE_BUFFER)
            Flush(writer);
        writer->Buffer[writer->Used++] = *p;
    }
}

static void PutLine(ThemeWriter *writer, const char *first, const char *second = "", const char *third = "")
{
    Put(writer, first);
    Put(writer, second);
    Put(writer, third);
    Put(writer, "\r\n");
}

// Rows without a known standard that the sheet shows unchanged: whether an Apply of this
// program wrote them is read from the kept restore points once for the whole save, not once
// per row.
struct UnknownRow {
    const IconEntry *Entry;
    bool Held;
};

struct UnknownRows {
    UnknownRow *Rows;
    int Count;
    int Open;       // rows no record has named yet
};

static bool NoKnownStandard(const IconEntry *entry)
{
    return (entry->DefaultLocation == nullptr || entry->DefaultLocation[0] == '\0') &&
           entry->ChangeState == STATE_UNCHANGED;
}

static bool MarkHeld(HKEY root, const char *key, const char *name, const void *context)
{
    UnknownRows *unknown = static_cast<UnknownRows *>(const_cast<void *>(context));
    for (int i = 0; i < unknown->Count; ++i) {
        UnknownRow &row = unknown->Rows[i];
        if (!row.Held && EntryWritesValue(row.Entry, root, key, name)) {
            row.Held = true;
            --unknown->Open;
        }
    }
    return unknown->Open == 0;
}

// A row whose standard is unknown goes into the theme only when this program changed it, here
// or by an Apply a kept restore point records: imported elsewhere it replaces that machine's
// own icon.
static bool Wanted(const IconEntry *entry, const UnknownRows *unknown, int *leftOut)
{
    if (!NoKnownStandard(entry))
        return true;
    for (int i = 0; i < unknown->Count; ++i)
        if (unknown->Rows[i].Entry == entry && unknown->Rows[i].Held)
            return true;
    ++*leftOut;
    return false;
}

// Rows the import can look up again and that show something else than their standard.
static bool Exported(const IconEntry *entry, bool classRows)
{
    if (entry == nullptr || entry->RegistryKey == nullptr || entry->RegistryKey[0] == '\0' ||
        entry->CurrentLocation == nullptr || entry->CurrentLocation[0] == '\0')
        return false;
    bool isClass = entry->RegistryKey[0] == '{';
    if (isClass != classRows)
        return false;
    if (isClass ? lstrlenA(entry->RegistryKey) != CLASS_ID_LENGTH : lstrlenA(entry->RegistryKey) > 3)
        return false;
    // The profile reader could not give back a value that fills its whole buffer.
    if (lstrlenA(entry->CurrentLocation) >= LOCATION_BUFFER - 1)
        return false;
    return !ShowsStandard(entry);
}

// Desktop items and shell folders, one section per class; the recycle bin's two rows
// share theirs.
static void WriteClassRows(ThemeWriter *writer, const UnknownRows *unknown, int *leftOut)
{
    char lastSection[SECTION_BUFFER] = "";
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int rows = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
        for (int row = 0; row < rows; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if (!Exported(entry, true) || !Wanted(entry, unknown, leftOut))
                continue;
            ++writer->Rows;
            char section[SECTION_BUFFER];
            CopyText(section, kClassSectionPrefix, SECTION_BUFFER);
            AppendText(section, entry->RegistryKey, SECTION_BUFFER);
            AppendText(section, kDefaultIconSuffix, SECTION_BUFFER);
            if (lstrcmpiA(section, lastSection) != 0) {
                if (lastSection[0] != '\0')
                    PutLine(writer, "");
                PutLine(writer, "[", section, "]");
                CopyText(lastSection, section, SECTION_BUFFER);
            }
            const char *name = entry->Kind == KIND_RECYCLE_EMPTY  ? "empty="
                               : entry->Kind == KIND_RECYCLE_FULL ? "full="
                                                                  : "DefaultValue=";
            char value[LOCATION_BUFFER];
            FormThemeValue(entry->CurrentLocation, value);
            PutLine(writer, name, value);
        }
    }
    if (lastSection[0] != '\0')
        PutLine(writer, "");
}

// The shell's own pictures of every list, in one section.
static void WriteShellIconRows(ThemeWriter *writer, const UnknownRows *unknown, int *leftOut)
{
    bool headed = false;
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int rows = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
        for (int row = 0; row < rows; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if (!Exported(entry, false) || !Wanted(entry, unknown, leftOut))
                continue;
            ++writer->Rows;
            if (!headed) {
                PutLine(writer, "[" SHELL_ICONS_KEY "]");
                headed = true;
            }
            char value[LOCATION_BUFFER];
            FormThemeValue(entry->CurrentLocation, value);
            PutLine(writer, entry->RegistryKey, "=", value);
        }
    }
}

// The exported rows of the lists whose standard is unknown, into rows as far as room goes;
// how many there are.
static int CollectUnknownRows(UnknownRow *rows, int room)
{
    int count = 0;
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        int listRows = list != nullptr ? int(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
        for (int row = 0; row < listRows; ++row) {
            const IconEntry *entry = GetEntry(list, row);
            if ((!Exported(entry, true) && !Exported(entry, false)) || !NoKnownStandard(entry))
                continue;
            if (count < room)
                rows[count] = {entry, false};
            ++count;
        }
    }
    return count;
}

static void ReadUnknownRows(UnknownRows *unknown, GlobalText *memory)
{
    int count = CollectUnknownRows(nullptr, 0);
    if (count > 0)
        memory->Reset(static_cast<char *>(GlobalAlloc(GMEM_FIXED, count * sizeof(UnknownRow))));
    unknown->Rows = reinterpret_cast<UnknownRow *>(memory->Get());
    unknown->Count = unknown->Rows != nullptr ? CollectUnknownRows(unknown->Rows, count) : 0;
    unknown->Open = unknown->Count;
    if (unknown->Count > 0)
        RestorePointsHold(MarkHeld, unknown);
}

static bool WriteRows(const char *path, int *saved, int *leftOut)
{
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    UnknownRows unknown;
    GlobalText memory;
    ReadUnknownRows(&unknown, &memory);
    ThemeWriter writer;
    writer.File = file.Get();
    writer.Used = 0;
    writer.Failed = false;
    writer.Rows = 0;
    *leftOut = 0;
    WriteClassRows(&writer, &unknown, leftOut);
    WriteShellIconRows(&writer, &unknown, leftOut);
    Flush(&writer);
    *saved = writer.Rows;
    return file.Close() && !writer.Failed;
}

// A free name in the folder (made empty by the system, so the caller may reuse it).
static bool FreeName(const char *folder, char *name)
{
    return GetTempFileNameA(folder, kTempPrefix, 0, name) != 0;
}

int WriteThemeFile(const char *path, int *leftOut, int *saved)
{
    int notWritten = 0;
    int written = 0;
    if (leftOut == nullptr)
        leftOut = &notWritten;
    if (saved == nullptr)
        saved = &written;
    *leftOut = 0;
    *saved = 0;
    char target[MAX_PATH];
    char *filePart = nullptr;
    DWORD full = GetFullPathNameA(path, MAX_PATH, target, &filePart);
    if (full == 0 || full >= MAX_PATH || filePart == nullptr || *filePart == '\0')
        return 0;
    DWORD attributes = GetFileAttributesA(target);
    // A folder or a file the user protected is not replaced.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return 0;
    char folder[MAX_PATH];
    CopyText(folder, target, MAX_PATH);
    CutToDirectory(folder);

    // The new file is complete before the old one moves: a full disk or a failed write never
    // costs the user the file that was there.
    char fresh[MAX_PATH];
    if (!FreeName(folder, fresh))
        return 0;
    if (!WriteRows(fresh, saved, leftOut)) {
        DeleteFileA(fresh);
        return 0;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (MoveFileA(fresh, target))
            return 1;
        DeleteFileA(fresh);
        return 0;
    }
    char old[MAX_PATH];
    if (!FreeName(folder, old)) {
        DeleteFileA(fresh);
        return 0;
    }
    DeleteFileA(old);
    if (!MoveFileA(target, old)) {
        DeleteFileA(fresh);
        return 0;
    }
    if (!MoveFileA(fresh, target)) {
        MoveFileA(old, target);
        DeleteFileA(fresh);
        return 0;
    }
    DeleteFileA(old);
    return 1;
}
