#include "shellglue/inifile.h"

#include "shellglue/paths.h"

// The program's own content is a header and two keys, a few hundred bytes; a file larger than
// this holds more than that.
enum { INI_TEXT_LIMIT = 4096, SECTION_NAME_BUFFER = 64, KEY_VALUE_BUFFER = 8 };

static bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

// The name between "[" and "]", trimmed; false when the line is no header.
static bool HeaderName(const char *line, const char *end, char *name)
{
    while (line < end && IsBlank(*line))
        ++line;
    if (line >= end || *line != '[')
        return false;
    const char *first = ++line;
    while (line < end && *line != ']')
        ++line;
    int length = int(line - first);
    if (length >= SECTION_NAME_BUFFER)
        length = SECTION_NAME_BUFFER - 1;
    CopyMemory(name, first, length);
    name[length] = '\0';
    TrimLeadingSpaces(TrimTrailingSpaces(name));
    return true;
}

static bool IsBlankLine(const char *line, const char *end)
{
    for (; line < end; ++line) {
        if (!IsBlank(*line) && *line != '\r' && *line != '\x1A')
            return false;
    }
    return true;
}

// Later Windows write DESKTOP.INI and AUTORUN.INF as UTF-16, and some tools as UTF-8 with a
// byte-order mark; read byte by byte such text shows no lines of the section at all.
static bool IsAnsiText(const char *text, int length)
{
    const BYTE *bytes = reinterpret_cast<const BYTE *>(text);
    if (length >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return false;
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        return false;
    for (int i = 0; i < length; ++i) {
        if (bytes[i] == 0)
            return false;
    }
    return true;
}

IniContent ClassifyIniText(const char *text, int length, const char *section)
{
    // Only the keys may go from text this check cannot read: the section, and the file,
    // may hold what the folder's name or its other settings need.
    if (!IsAnsiText(text, length))
        return INI_SECTION_HOLDS_MORE;
    bool otherText = false;
    bool inSection = false;
    const char *end = text + length;
    for (const char *line = text; line < end;) {
        const char *lineEnd = line;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        char name[SECTION_NAME_BUFFER];
        if (HeaderName(line, lineEnd, name)) {
            inSection = lstrcmpiA(name, section) == 0;
            otherText = otherText || !inSection;
        } else if (!IsBlankLine(line, lineEnd)) {
            // A comment or a loose line is the user's as much as a key is.
            if (inSection)
                return INI_SECTION_HOLDS_MORE;
            otherText = true;
        }
        line = lineEnd + 1;
    }
    return otherText ? INI_SECTION_EMPTY : INI_ONLY_EMPTY_SECTION;
}

bool CanOpenIniFile(const char *path, bool forWriting)
{
    DWORD access = GENERIC_READ | (forWriting ? GENERIC_WRITE : 0);
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// The file's text as it is on disk, or -1 when it cannot be read or is larger than the buffer.
static int ReadIniText(const char *path, char *text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    DWORD read = 0;
    BOOL ok = ReadFile(file, text, INI_TEXT_LIMIT, &read, nullptr);
    DWORD size = GetFileSize(file, nullptr);
    CloseHandle(file);
    return ok && size == read && read < INI_TEXT_LIMIT ? int(read) : -1;
}

static bool IsUtf16File(const char *path)
{
    BYTE mark[2] = {0, 0};
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD read = 0;
    bool utf16 = ReadFile(file, mark, sizeof mark, &read, nullptr) && read == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
    CloseHandle(file);
    return utf16;
}

// Null stays null; false when the text does not fit.
static bool Widen(const char *text, WCHAR *wide, int size, const WCHAR **result)
{
    *result = nullptr;
    if (text == nullptr)
        return true;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) == 0)
        return false;
    *result = wide;
    return true;
}

typedef BOOL(WINAPI *WriteProfileWideCall)(const WCHAR *, const WCHAR *, const WCHAR *, const WCHAR *);

bool WriteIniString(const char *path, const char *section, const char *key, const char *value)
{
    // Windows 9x would write ANSI lines into UTF-16 text.
    if (!IsUtf16File(path))
        return WritePrivateProfileStringA(section, key, value, path) != FALSE;
    WriteProfileWideCall write = reinterpret_cast<WriteProfileWideCall>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "WritePrivateProfileStringW")));
    WCHAR texts[4][MAX_PATH + 32];
    const WCHAR *wide[4];
    return write != nullptr && Widen(section, texts[0], MAX_PATH + 32, &wide[0]) &&
           Widen(key, texts[1], MAX_PATH + 32, &wide[1]) && Widen(value, texts[2], MAX_PATH + 32, &wide[2]) &&
           Widen(path, texts[3], MAX_PATH + 32, &wide[3]) && write(wide[0], wide[1], wide[2], wide[3]) != FALSE;
}

// Windows 95 keeps profile writes in a cache until this flush.
static void FlushProfile(const char *path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

IniRemoval RemoveIniKeys(const char *path, const char *section, const char *const *keys, int count)
{
    for (int i = 0; i < count; ++i)
        WritePrivateProfileStringA(section, keys[i], nullptr, path);
    FlushProfile(path);
    for (int i = 0; i < count; ++i) {
        char value[KEY_VALUE_BUFFER];
        if (GetPrivateProfileStringA(section, keys[i], "", value, sizeof value, path) != 0)
            return INI_REMOVE_FAILED;
    }

    char text[INI_TEXT_LIMIT];
    int length = ReadIniText(path, text);
    IniContent content = length >= 0 ? ClassifyIniText(text, length, section) : INI_SECTION_HOLDS_MORE;
    switch (content) {
    case INI_ONLY_EMPTY_SECTION:
        return DeleteFileA(path) ? INI_FILE_DELETED : INI_KEYS_REMOVED;
    case INI_SECTION_EMPTY:
        WritePrivateProfileStringA(section, nullptr, nullptr, path);
        FlushProfile(path);
        return INI_SECTION_REMOVED;
    case INI_SECTION_HOLDS_MORE:
        break;
    }
    return INI_KEYS_REMOVED;
}
