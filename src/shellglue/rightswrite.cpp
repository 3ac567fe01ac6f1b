#include "shellglue/rightswrite.h"

#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"

namespace {

enum { NAME_MAX = 64, ROW_NAME_MAX = 80, JOB_MAX = 128 * 1024, DRIVE_KEY_TAIL = 24 };

struct QueuedWrite {
    BYTE Kind;
    BYTE Remove;
    char Key[MAX_PATH];
    char Name[NAME_MAX];
    char Text[LOCATION_BUFFER];
    char Row[ROW_NAME_MAX];
};

QueuedWrite g_queue[RIGHTS_QUEUE_MAX];
int g_queued;

bool HoldsText(HKEY root, const char *key, const char *name, const char *text)
{
    RegKey open;
    if (!open.Open(root, key, KEY_QUERY_VALUE))
        return text == nullptr;
    char value[LOCATION_BUFFER];
    DWORD type = REG_NONE;
    DWORD size = sizeof value - 1;
    LONG result = RegQueryValueExA(open.Get(), name, nullptr, &type, reinterpret_cast<BYTE *>(value), &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return text == nullptr;
    if (result != ERROR_SUCCESS || text == nullptr || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value[size] = '\0';
    return lstrcmpA(value, text) == 0;
}

LONG SetOrDelete(HKEY root, const char *key, const char *name, const char *text)
{
    RegKey open;
    if (text == nullptr) {
        if (!open.Open(root, key, KEY_SET_VALUE)) {
            RegKey probe;
            return probe.Open(root, key, KEY_QUERY_VALUE) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        }
        LONG result = RegDeleteValueA(open.Get(), name);
        return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
    }
    HKEY handle = nullptr;
    DWORD disposition = 0;
    char emptyClass[1] = {0};
    LONG result = RegCreateKeyExA(root, key, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | RegistryView(),
                                  nullptr, &handle, &disposition);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), lstrlenA(text) + 1);
    RegCloseKey(handle);
    return result;
}

void Queue(RowKind kind, const char *key, const char *name, const char *text, const char *rowName)
{
    if (g_queued == RIGHTS_QUEUE_MAX)
        return;
    QueuedWrite &write = g_queue[g_queued++];
    write.Kind = BYTE(kind);
    write.Remove = text == nullptr;
    CopyText(write.Key, key, sizeof write.Key);
    CopyText(write.Name, name != nullptr ? name : "", sizeof write.Name);
    CopyText(write.Text, text != nullptr ? text : "", sizeof write.Text);
    CopyText(write.Row, rowName != nullptr ? rowName : "", sizeof write.Row);
}

bool StartsWith(const char *text, const char *prefix, const char **rest)
{
    int length = lstrlenA(prefix);
    if (lstrlenA(text) < length ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, length, prefix, length) != CSTR_EQUAL)
        return false;
    *rest = text + length;
    return true;
}

// Only the machine-wide rows the program itself writes: an administrator copy must not become
// a way to write anything else.
bool FitsRightsRow(RowKind kind, const char *key, const char *name, const char *text)
{
    if (kind >= ROW_KIND_COUNT)
        return false;
    const RowPlace &place = PlaceOf(kind);
    const char *rest = nullptr;
    if (!place.MachineWide || place.Root != HKEY_LOCAL_MACHINE || !StartsWith(key, place.Prefix, &rest))
        return false;
    if (text != nullptr && lstrlenA(text) >= LOCATION_BUFFER)
        return false;
    switch (kind) {
    case ROW_SHELL_ICON:
        return lstrcmpiA(rest, SHELL_ICONS_KEY) == 0 && name[0] != '\0' && lstrlenA(name) <= 4;
    case ROW_DRIVE_ICON:
        return StartsWith(rest, "DriveIcons\\", &rest) && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')) &&
               lstrcmpiA(rest + 1, "\\DefaultIcon") == 0 && name[0] == '\0';
    case ROW_SHORTCUT_ARROW:
        return (lstrcmpiA(rest, "lnkfile") == 0 || lstrcmpiA(rest, "piffile") == 0) &&
               lstrcmpiA(name, "IsShortcut") == 0 && (text == nullptr || text[0] == '\0');
    default:
        return false;
    }
}

bool PutJob(HANDLE file, const char *text)
{
    DWORD written = 0;
    DWORD length = DWORD(lstrlenA(text));
    return WriteFile(file, text, length, &written, nullptr) && written == length;
}

// Splits the next field off at a tab; false at the end of the line.
char *Field(char **cursor, char end)
{
    char *start = *cursor;
    char *p = start;
    while (*p != '\0' && *p != end && *p != '\r' && *p != '\n')
        ++p;
    if (*p != end)
        return nullptr;
    *p = '\0';
    *cursor = p + 1;
    return start;
}

}  // namespace

WriteOutcome WriteRowValue(RowKind kind, HKEY root, const char *key, const char *name, const char *text,
                           const char *rowName)
{
    if (HoldsText(root, key, name, text))
        return WRITE_DONE;
    LONG result = SetOrDelete(root, key, name, text);
    if (result == ERROR_SUCCESS)
        return WRITE_DONE;
    if (result == ERROR_ACCESS_DENIED && root == HKEY_LOCAL_MACHINE && FitsRightsRow(kind, key, name, text)) {
        Queue(kind, key, name, text, rowName);
        return WRITE_NEEDS_RIGHTS;
    }
    return WRITE_FAILED;
}

int RightsQueueCount()
{
    return g_queued;
}

void RightsQueueNames(char *names, int size)
{
    names[0] = '\0';
    for (int i = 0; i < g_queued; ++i) {
        bool seen = false;
        for (int j = 0; j < i && !seen; ++j)
            seen = lstrcmpA(g_queue[i].Row, g_queue[j].Row) == 0;
        if (seen)
            continue;
        if (names[0] != '\0')
            AppendText(names, "\n", size);
        if (!AppendText(names, g_queue[i].Row, size)) {
            AppendText(names, "...", size);
            return;
        }
    }
}

void ClearRightsQueue()
{
    g_queued = 0;
}

bool SaveRightsJob(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool whole = true;
    for (int i = 0; i < g_queued && whole; ++i) {
        const QueuedWrite &write = g_queue[i];
        char kind[4] = {char('0' + write.Kind), '\t', '\0', '\0'};
        whole = PutJob(file, kind) && PutJob(file, write.Key) && PutJob(file, "\t") && PutJob(file, write.Name) &&
                PutJob(file, write.Remove ? "\t-" : "\t=") && PutJob(file, write.Text) && PutJob(file, "\r\n");
    }
    whole = FlushFileBuffers(file) && whole;
    CloseHandle(file);
    if (!whole)
        DeleteFileA(path);
    return whole;
}

bool ReadRightsJob(const char *path, RightsJobVisit visit, void *context)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    GlobalText job(size != INVALID_FILE_SIZE && size < JOB_MAX ? static_cast<char *>(GlobalAlloc(GMEM_FIXED, size + 1))
                                                               : nullptr);
    DWORD read = 0;
    bool whole = job.Get() != nullptr && ReadFile(file, job.Get(), size, &read, nullptr) && read == size;
    CloseHandle(file);
    if (!whole)
        return false;
    job.Get()[size] = '\0';

    // Twice over the text: every line is checked before the first is visited.
    for (int pass = 0; pass < 2; ++pass) {
        GlobalText copy(DupString(job.Get()));
        if (copy.Get() == nullptr)
            return false;
        char *cursor = copy.Get();
        while (*cursor != '\0') {
            char *kind = Field(&cursor, '\t');
            char *key = kind != nullptr ? Field(&cursor, '\t') : nullptr;
            char *name = key != nullptr ? Field(&cursor, '\t') : nullptr;
            if (name == nullptr || kind[0] < '0' || kind[0] > '9' || kind[1] != '\0' ||
                (*cursor != '=' && *cursor != '-'))
                return false;
            bool remove = *cursor++ == '-';
            char *text = cursor;
            while (*cursor != '\0' && *cursor != '\r' && *cursor != '\n')
                ++cursor;
            if (*cursor == '\r')
                *cursor++ = '\0';
            if (*cursor != '\n')
                return false;
            *cursor++ = '\0';
            RightsJobWrite write = {RowKind(kind[0] - '0'), key, name, remove ? nullptr : text};
            if (remove && text[0] != '\0')
                return false;
            if (!FitsRightsRow(write.Kind, key, name, write.Text))
                return false;
            if (pass == 1)
                visit(write, context);
        }
    }
    return true;
}
