#include "shellglue/paths.h"

#include <shlobj.h>

char *TrimTrailingSpaces(char *text)
{
    int length = lstrlenA(text);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
    return text;
}

char *TrimLeadingSpaces(char *text)
{
    if (text[0] != ' ')
        return text;
    const char *from = text;
    while (*from == ' ')
        ++from;
    char *to = text;
    while ((*to++ = *from++) != '\0')
        ;
    return text;
}

char *StripQuotes(char *text)
{
    int length = lstrlenA(text);
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        for (int i = 0; i < length - 2; ++i)
            text[i] = text[i + 1];
        text[length - 2] = '\0';
    }
    return text;
}

void CleanPath(char *text)
{
    StripQuotes(TrimLeadingSpaces(TrimTrailingSpaces(text)));
}

static bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

char *CutToDirectory(char *path)
{
    char *cut = path;
    for (char *p = path; *p != '\0'; p = CharNextA(p)) {
        if (IsSeparator(*p) || *p == ':')
            cut = p + 1;
    }
    *cut = '\0';
    return path;
}

char *AddBackslash(char *path)
{
    char *end = path + lstrlenA(path);
    if (end == path || !IsSeparator(*CharPrevA(path, end))) {
        end[0] = '\\';
        end[1] = '\0';
    }
    return path;
}

const char *FindExtension(const char *path)
{
    const char *end = path + lstrlenA(path);
    const char *p = end;
    for (;;) {
        const char *previous = CharPrevA(path, p);
        // The first character is never looked at: ".profile" has no extension.
        if (previous == path)
            return end;
        if (*previous == '.')
            return previous;
        if (IsSeparator(*previous))
            return end;
        p = previous;
    }
}

char *FindExtension(char *path)
{
    return const_cast<char *>(FindExtension(static_cast<const char *>(path)));
}

char *DupString(const char *text)
{
    if (text == nullptr)
        return nullptr;
    int size = lstrlenA(text) + 1;
    char *copy = static_cast<char *>(GlobalAlloc(GMEM_FIXED, size));
    if (copy != nullptr)
        CopyMemory(copy, text, size);
    return copy;
}

int ParseInt(const char *text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Too many digits stop at the end of the range rather than wrap into another number.
    const unsigned limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    unsigned value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        unsigned digit = unsigned(*text - '0');
        value = value > (limit - digit) / 10u ? limit : value * 10u + digit;
    }
    return negative ? int(0u - value) : int(value);
}

int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

void FreeText(char **text)
{
    if (*text != nullptr) {
        GlobalFree(*text);
        *text = nullptr;
    }
}

// While a list fills, many rows name the same few files, and a failed search walks every
// folder of the path: the answers are kept for the length of that fill.
namespace {
enum { MEMO_SLOTS = 8 };
struct SearchAnswer {
    char Name[MAX_PATH];
    char Found[MAX_PATH];   // empty: not found
};
SearchAnswer Answers[MEMO_SLOTS];
int AnswerCount;
int NextAnswer;
int MemoDepth;
}  // namespace

void BeginSearchMemo()
{
    if (MemoDepth++ == 0)
        AnswerCount = NextAnswer = 0;
}

void EndSearchMemo()
{
    if (MemoDepth > 0)
        --MemoDepth;
}

static bool SearchPathOnce(const char *name, char *found)
{
    char *filePart = nullptr;
    DWORD length = SearchPathA(nullptr, name, nullptr, MAX_PATH, found, &filePart);
    if (length == 0 || length >= MAX_PATH) {
        found[0] = '\0';
        return false;
    }
    return true;
}

bool SearchFile(const char *name, char *found)
{
    found[0] = '\0';
    if (name == nullptr || name[0] == '\0')
        return false;
    if (MemoDepth == 0 || lstrlenA(name) >= MAX_PATH)
        return SearchPathOnce(name, found);
    for (int i = 0; i < AnswerCount; ++i) {
        if (lstrcmpiA(Answers[i].Name, name) == 0) {
            CopyText(found, Answers[i].Found, MAX_PATH);
            return found[0] != '\0';
        }
    }
    bool ok = SearchPathOnce(name, found);
    SearchAnswer &slot = Answers[NextAnswer];
    CopyText(slot.Name, name, MAX_PATH);
    CopyText(slot.Found, found, MAX_PATH);
    NextAnswer = (NextAnswer + 1) % MEMO_SLOTS;
    if (AnswerCount < MEMO_SLOTS)
        ++AnswerCount;
    return ok;
}

int SplitIconLocation(char *location)
{
    StripQuotes(location);

    char found[MAX_PATH];
    if (SearchFile(location, found)) {
        DWORD attributes = GetFileAttributesA(found);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;   // the whole text names a file, comma and all
    }

    int length = lstrlenA(location);
    int comma = -1;
    for (int i = length - 1; i >= 1; --i) {
        if (location[i] == ',') {
            comma = i;
            break;
        }
    }
    if (comma < 0)
        return 0;

    location[comma] = '\0';
    int index = ParseInt(location + comma + 1);
    StripQuotes(TrimTrailingSpaces(location));
    return index;
}

int CompareShortPaths(const char *a, const char *b)
{
    char shortA[MAX_PATH];
    char shortB[MAX_PATH];
    DWORD lengthA = GetShortPathNameA(a, shortA, MAX_PATH);
    if (lengthA == 0 || lengthA >= MAX_PATH)
        return -1;
    DWORD lengthB = GetShortPathNameA(b, shortB, MAX_PATH);
    if (lengthB == 0 || lengthB >= MAX_PATH)
        return 1;
    return lstrcmpA(shortA, shortB);
}

char *FindCharFrom(int position, char *text, char ch)
{
    int length = lstrlenA(text);
    char *p;
    if (position > length)
        p = text + length;
    else if (position <= 1)
        p = text;
    else
        p = text + position - 1;
    for (; *p != '\0'; p = CharNextA(p)) {
        if (*p == ch)
            return p;
    }
    return nullptr;
}

char *CopyText(char *destination, const char *source, int size)
{
    if (size <= 0)
        return destination;
    int i = 0;
    for (; i < size - 1 && source[i] != '\0'; ++i)
        destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

int AppendText(char *destination, const char *source, int size)
{
    int have = lstrlenA(destination);
    int add = lstrlenA(source);
    if (have + add >= size)
        return 0;
    CopyMemory(destination + have, source, add + 1);
    return 1;
}

// FindFirstFileA treats '*' and '?' as patterns; a path holding them names no one file.
static bool HasWildcard(const char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text == '*' || *text == '?')
            return true;
    }
    return false;
}

static bool LookUpLongName(const char *path, WIN32_FIND_DATAA *found)
{
    if (HasWildcard(path))
        return false;
    HANDLE search = FindFirstFileA(path, found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

int ExpandToLongPath(char *source, char *destination)
{
    // Built aside so that a result that would not fit never reaches the caller's buffer.
    char result[MAX_PATH];
    int start = (source[0] == '\\' && source[1] == '\\') ? 3 : 1;
    char *separator = FindCharFrom(start, source, '\\');
    if (separator == nullptr)
        return 0;

    int rootLength = int(separator - source);
    if (rootLength + 2 > MAX_PATH)
        return 0;
    CopyMemory(result, source, rootLength);
    result[rootLength] = '\\';
    result[rootLength + 1] = '\0';

    WIN32_FIND_DATAA found;
    if (separator[1] != '\0') {
        for (;;) {
            char *next = FindCharFrom(1, CharNextA(separator), '\\');
            if (next == nullptr)
                break;
            *next = '\0';
            bool ok = LookUpLongName(source, &found);
            *next = '\\';
            if (!ok)
                return 0;
            if (!AppendText(result, found.cFileName, MAX_PATH) || !AppendText(result, "\\", MAX_PATH))
                return 0;
            if (next[1] == '\0') {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    return 0;
                CopyText(destination, result, MAX_PATH);
                return 1;
            }
            separator = next;
        }
        if (!LookUpLongName(source, &found))
            return 0;
        if (!AppendText(result, found.cFileName, MAX_PATH))
            return 0;
    }
    CopyText(destination, result, MAX_PATH);
    return 1;
}

bool SpecialFolderPath(int csidl, char *path)
{
    path[0] = '\0';
    LPITEMIDLIST folder = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &folder)) || folder == nullptr)
        return false;
    BOOL found = SHGetPathFromIDListA(folder, path);
    IMalloc *allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        allocator->Free(folder);
        allocator->Release();
    }
    if (!found)
        path[0] = '\0';
    return path[0] != '\0';
}

bool IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
