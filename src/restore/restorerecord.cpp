#include "restore/restorerecord.h"

#include "common/appstate.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"

static const char kHexDigits[] = "0123456789ABCDEF";
static const char kHeader[] = "TILEFOX RESTORE POINT 1";
static const char kPattern[] = "TFRP????.TXT";
static const DWORD kCompared = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// --- reading what an item holds -------------------------------------------------------------

static bool ReadValueState(HKEY root, const char *path, const char *name, BYTE *data, ItemState *state)
{
    RegKey key;
    if (!key.Open(root, path, KEY_QUERY_VALUE))
        return true;
    DWORD type = 0;
    DWORD size = RESTORE_DATA_MAX;
    LONG result = RegQueryValueExA(key.Get(), name, nullptr, &type, data, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS || size > RESTORE_DATA_MAX)
        return false;
    state->Present = 1;
    state->Number = type;
    state->Size = size;
    return true;
}

static bool ReadFileState(const char *path, BYTE *data, ItemState *state)
{
    // Windows 95 keeps profile writes in a cache: what the file holds counts only after this.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    DWORD read = 0;
    bool whole = size <= RESTORE_DATA_MAX && (size == 0 || (ReadFile(file, data, size, &read, nullptr) && read == size));
    CloseHandle(file);
    if (!whole)
        return false;
    state->Present = 1;
    state->Number = attributes;
    state->Size = size;
    return true;
}

bool ReadItemState(int kind, HKEY root, const char *path, const char *name, BYTE *data, ItemState *state)
{
    state->Present = 0;
    state->Number = 0;
    state->Data = data;
    state->Size = 0;
    switch (kind) {
    case ITEM_VALUE:
        return ReadValueState(root, path, name, data, state);
    case ITEM_KEY: {
        RegKey key;
        state->Present = key.Open(root, path, KEY_QUERY_VALUE);
        return true;
    }
    case ITEM_FILE:
        return ReadFileState(path, data, state);
    case ITEM_FOLDER: {
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return true;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        state->Present = 1;
        state->Number = attributes;
        return true;
    }
    default:
        return false;
    }
}

// --- writing a record -----------------------------------------------------------------------

void WriterStart(RecordWriter *writer, HANDLE file)
{
    writer->File = file;
    writer->Failed = file == INVALID_HANDLE_VALUE;
    writer->Used = 0;
}

static void WriterEmpty(RecordWriter *writer)
{
    if (writer->Used == 0)
        return;
    DWORD written = 0;
    if (!writer->Failed && (!WriteFile(writer->File, writer->Buffer, DWORD(writer->Used), &written, nullptr) ||
                            written != DWORD(writer->Used)))
        writer->Failed = true;
    writer->Used = 0;
}

void WriterPutBytes(RecordWriter *writer, const char *text, int length)
{
    for (int i = 0; i < length; ++i) {
        if (writer->Used == int(sizeof writer->Buffer))
            WriterEmpty(writer);
        writer->Buffer[writer->Used++] = text[i];
    }
}

void WriterPut(RecordWriter *writer, const char *text)
{
    WriterPutBytes(writer, text, lstrlenA(text));
}

void WriterPutHex(RecordWriter *writer, const BYTE *data, DWORD size)
{
    if (size == 0) {
        WriterPut(writer, ".");
        return;
    }
    for (DWORD i = 0; i < size; ++i) {
        char pair[2] = {kHexDigits[data[i] >> 4], kHexDigits[data[i] & 15]};
        WriterPutBytes(writer, pair, 2);
    }
}

void WriterPutNumber(RecordWriter *writer, DWORD number)
{
    char text[16];
    wsprintfA(text, "%lu", number);
    WriterPut(writer, text);
}

void WriterPutState(RecordWriter *writer, int kind, const ItemState &state)
{
    if (!state.Present) {
        WriterPut(writer, "-");
        return;
    }
    if (kind == ITEM_KEY) {
        WriterPut(writer, "+");
        return;
    }
    WriterPutNumber(writer, state.Number);
    if (kind == ITEM_FOLDER)
        return;
    WriterPut(writer, " ");
    WriterPutHex(writer, state.Data, state.Size);
}

bool WriterFlush(RecordWriter *writer)
{
    WriterEmpty(writer);
    if (!writer->Failed && !FlushFileBuffers(writer->File))
        writer->Failed = true;
    return !writer->Failed;
}

const char *RootToken(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CURRENT_USER)
        return "HKCU";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    return nullptr;
}

static HKEY RootOfToken(const TextSpan &token)
{
    static const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT};
    for (HKEY root : kRoots) {
        const char *name = RootToken(root);
        if (token.Length == lstrlenA(name) && CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, name, token.Length,
                                                             token.Text, token.Length) == CSTR_EQUAL)
            return root;
    }
    return nullptr;
}

// --- record files ---------------------------------------------------------------------------

// The folder of the settings file, with a backslash.
static bool RecordFolder(char *folder)
{
    if (App.SettingsPath[0] == '\0')
        return false;
    CopyText(folder, App.SettingsPath, MAX_PATH);
    CutToDirectory(folder);
    if (folder[0] == '\0' || lstrlenA(folder) + 1 + 12 >= MAX_PATH)
        return false;
    AddBackslash(folder);
    return true;
}

static int NumberOfName(const char *name)
{
    // "TFRP" and four digits: anything else matched by the pattern is not ours.
    int number = 0;
    for (int i = 4; i < 8; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return lstrcmpiA(name + 8, ".TXT") == 0 ? number : 0;
}

// A record taken back that could not be deleted (locked by another program) is marked by an
// empty file of the same name with this extension: it counts no more, and goes when it can.
static const char kTakenMark[] = ".UND";

static bool TakenMarkPath(const char *record, char *mark)
{
    CopyText(mark, record, MAX_PATH);
    char *extension = FindExtension(mark);
    return *extension == '.' && CopyText(extension, kTakenMark, MAX_PATH - int(extension - mark)) != nullptr;
}

static bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// A read-only record goes too; true when it is gone.
static bool DeleteRecordFile(const char *path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) || !Exists(path);
}

// Whether a record was taken back already; one that can go now goes, with its mark.
static bool TakenBack(const char *record)
{
    char mark[MAX_PATH];
    if (!TakenMarkPath(record, mark) || !Exists(mark))
        return false;
    if (DeleteRecordFile(record))
        DeleteFileA(mark);
    return true;
}

bool RemoveRestorePoint(const char *path)
{
    if (DeleteRecordFile(path))
        return true;
    char mark[MAX_PATH];
    if (TakenMarkPath(path, mark)) {
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return false;
}

// Walks the records that count, calling visit (when given) for each number.
static int ScanRestorePoints(int *newest, int *oldest, void (*visit)(int number, void *context) = nullptr,
                             void *context = nullptr)
{
    *newest = 0;
    *oldest = 0;
    char folder[MAX_PATH];
    if (!RecordFolder(folder))
        return 0;
    char pattern[MAX_PATH];
    CopyText(pattern, folder, MAX_PATH);
    AppendText(pattern, kPattern, MAX_PATH);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        int number = NumberOfName(found.cFileName);
        if (number == 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        char path[MAX_PATH];
        CopyText(path, folder, MAX_PATH);
        if (AppendText(path, found.cFileName, MAX_PATH) && TakenBack(path))
            continue;
        ++count;
        if (visit != nullptr)
            visit(number, context);
        if (number > *newest)
            *newest = number;
        if (*oldest == 0 || number < *oldest)
            *oldest = number;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int NewestRestorePoint()
{
    int newest;
    int oldest;
    ScanRestorePoints(&newest, &oldest);
    return newest;
}

int OldestRestorePoint()
{
    int newest;
    int oldest;
    ScanRestorePoints(&newest, &oldest);
    return oldest;
}

bool RestorePointPath(int number, char *path)
{
    if (number < 1 || number > RESTORE_NUMBER_MAX || !RecordFolder(path))
        return false;
    char name[16];
    wsprintfA(name, "TFRP%04d.TXT", number);
    return AppendText(path, name, MAX_PATH) != 0;
}

namespace {
enum { RENUMBERED_MAX = 64 };
struct Numbers {
    int Count;
    int Value[RENUMBERED_MAX];
};
}  // namespace

static void CollectNumber(int number, void *context)
{
    Numbers *numbers = static_cast<Numbers *>(context);
    if (numbers->Count < RENUMBERED_MAX)
        numbers->Value[numbers->Count++] = number;
}

int RenumberRestorePoints()
{
    Numbers numbers;
    numbers.Count = 0;
    int newest;
    int oldest;
    ScanRestorePoints(&newest, &oldest, CollectNumber, &numbers);
    // Oldest first, so that each moves down into a number already free and the order stays.
    for (int i = 1; i < numbers.Count; ++i) {
        for (int j = i; j > 0 && numbers.Value[j - 1] > numbers.Value[j]; --j) {
            int swap = numbers.Value[j];
            numbers.Value[j] = numbers.Value[j - 1];
            numbers.Value[j - 1] = swap;
        }
    }
    int last = 0;
    for (int i = 0; i < numbers.Count; ++i) {
        int number = numbers.Value[i];
        char from[MAX_PATH];
        char to[MAX_PATH];
        char mark[MAX_PATH];
        int target = last + 1;
        // A number still held by a record taken back, or its mark, is passed over.
        while (target < number && RestorePointPath(target, to) &&
               (Exists(to) || (TakenMarkPath(to, mark) && Exists(mark))))
            ++target;
        if (target < number && RestorePointPath(number, from) && RestorePointPath(target, to) &&
            MoveFileA(from, to))
            number = target;
        last = number;
    }
    return last;
}

void PruneRestorePoints(int keep)
{
    for (;;) {
        int newest;
        int oldest;
        if (ScanRestorePoints(&newest, &oldest) <= keep)
            return;
        char path[MAX_PATH];
        if (!RestorePointPath(oldest, path) || !DeleteFileA(path))
            return;
    }
}

// --- reading a record -----------------------------------------------------------------------

static int HexValue(char ch)
{
    return HexDigitValue(ch);
}

bool DecodeText(const TextSpan &hex, char *text, int size)
{
    if (hex.Length == 1 && hex.Text[0] == '.') {
        text[0] = '\0';
        return true;
    }
    int length = hex.Length / 2;
    if (length >= size)
        return false;
    for (int i = 0; i < length; ++i) {
        text[i] = char(HexValue(hex.Text[2 * i]) * 16 + HexValue(hex.Text[2 * i + 1]));
        if (text[i] == '\0')
            return false;
    }
    text[length] = '\0';
    return true;
}

int DecodeBytes(const TextSpan &hex, BYTE *data)
{
    if (hex.Length == 1 && hex.Text[0] == '.')
        return 0;
    int length = hex.Length / 2;
    if (length > RESTORE_DATA_MAX)
        return -1;
    for (int i = 0; i < length; ++i)
        data[i] = BYTE(HexValue(hex.Text[2 * i]) * 16 + HexValue(hex.Text[2 * i + 1]));
    return length;
}

bool SameState(int kind, const StateSpan &recorded, const ItemState &now)
{
    if (recorded.Present != now.Present)
        return false;
    if (!now.Present || kind == ITEM_KEY)
        return true;
    if (kind == ITEM_FOLDER)
        return (recorded.Number & kCompared) == (now.Number & kCompared);
    if (kind == ITEM_FILE ? (recorded.Number & kCompared) != (now.Number & kCompared) : recorded.Number != now.Number)
        return false;
    const TextSpan &hex = recorded.Hex;
    DWORD size = hex.Length == 1 && hex.Text[0] == '.' ? 0 : DWORD(hex.Length / 2);
    if (size != now.Size)
        return false;
    for (DWORD i = 0; i < size; ++i) {
        if (BYTE(HexValue(hex.Text[2 * i]) * 16 + HexValue(hex.Text[2 * i + 1])) != now.Data[i])
            return false;
    }
    return true;
}

LoadedRecord::~LoadedRecord()
{
    if (text_ != nullptr)
        GlobalFree(text_);
    if (items_ != nullptr)
        GlobalFree(items_);
}

bool LoadedRecord::Load(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bool read = false;
    if (size != INVALID_FILE_SIZE && size <= RESTORE_RECORD_MAX) {
        text_ = static_cast<char *>(GlobalAlloc(GMEM_FIXED, size + 1));
        DWORD got = 0;
        read = text_ != nullptr && ReadFile(file, text_, size, &got, nullptr) && got == size;
    }
    CloseHandle(file);
    if (!read)
        return false;
    text_[size] = '\0';
    length_ = size;
    items_ = static_cast<RecordItem *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, RESTORE_ITEMS_MAX * sizeof(RecordItem)));
    if (items_ == nullptr)
        return false;
    status_ = Parse();
    return status_ == RECORD_USABLE;
}

namespace {

// Walks one line's fields.
class LineReader {
public:
    LineReader(const char *line, int length) : p_(line), end_(line + length) {}
    bool Next(TextSpan *token)
    {
        if (p_ >= end_ || *p_ == ' ')
            return false;
        token->Text = p_;
        while (p_ < end_ && *p_ != ' ')
            ++p_;
        token->Length = int(p_ - token->Text);
        if (p_ < end_)
            ++p_;   // the blank
        return true;
    }
    // Nothing left, or only the readable remark.
    bool AtEnd() const { return p_ >= end_ || (*p_ == ';' && p_[-1] == ' '); }
    bool Ended() const { return p_ >= end_ && p_[-1] != ' '; }

private:
    const char *p_;
    const char *end_;
};

bool Is(const TextSpan &token, const char *word)
{
    int length = lstrlenA(word);
    return token.Length == length && CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, word, length, token.Text, length) ==
                                         CSTR_EQUAL;
}

bool IsHex(const TextSpan &token, bool evenCount)
{
    if (token.Length == 1 && token.Text[0] == '.')
        return true;
    if (token.Length == 0 || (evenCount && token.Length % 2 != 0))
        return false;
    for (int i = 0; i < token.Length; ++i) {
        if (HexDigitValue(token.Text[i]) < 0)
            return false;
    }
    return true;
}

bool ReadNumber(const TextSpan &token, DWORD *number)
{
    if (token.Length == 0 || token.Length > 10)
        return false;
    unsigned long long value = 0;
    for (int i = 0; i < token.Length; ++i) {
        if (token.Text[i] < '0' || token.Text[i] > '9')
            return false;
        value = value * 10 + unsigned(token.Text[i] - '0');
    }
    if (value > 0xFFFFFFFFull)
        return false;
    *number = DWORD(value);
    return true;
}

bool ReadState(LineReader *line, int kind, StateSpan *state)
{
    TextSpan token;
    if (!line->Next(&token))
        return false;
    state->Present = 0;
    state->Number = 0;
    state->Hex.Text = ".";
    state->Hex.Length = 1;
    if (Is(token, "-"))
        return true;
    state->Present = 1;
    if (kind == ITEM_KEY)
        return Is(token, "+");
    if (!ReadNumber(token, &state->Number))
        return false;
    if (kind == ITEM_FOLDER)
        return true;
    if (!line->Next(&state->Hex) || !IsHex(state->Hex, true))
        return false;
    return state->Hex.Length / 2 <= RESTORE_DATA_MAX;
}

bool ReadName(LineReader *line, TextSpan *name)
{
    char text[RESTORE_NAME_MAX];
    return line->Next(name) && IsHex(*name, true) && DecodeText(*name, text, sizeof text);
}

bool ReadItem(LineReader *line, const TextSpan &word, RecordItem *item)
{
    static const char *const kWords[] = {"VALUE", "KEY", "FILE", "FOLDER"};
    int kind = -1;
    for (int i = 0; i < 4; ++i) {
        if (Is(word, kWords[i]))
            kind = i;
    }
    if (kind < 0)
        return false;
    item->Kind = BYTE(kind);
    item->Root = nullptr;
    item->Name.Text = ".";
    item->Name.Length = 1;
    if (kind == ITEM_VALUE || kind == ITEM_KEY) {
        TextSpan root;
        if (!line->Next(&root) || (item->Root = RootOfToken(root)) == nullptr)
            return false;
    }
    if (!ReadName(line, &item->Path))
        return false;
    if (kind == ITEM_VALUE && !ReadName(line, &item->Name))
        return false;
    return ReadState(line, kind, &item->Before) && line->AtEnd();
}

}  // namespace

// A process ended while it recorded leaves a record cut anywhere before the end of its END
// line; one ended while it wrote the after-state, the AFTER lines cut anywhere. Lines that
// are whole but wrong are damage, never a cut.
int LoadedRecord::Parse()
{
    enum Stage { HEADER, ITEMS, AFTER, FINISHED };
    Stage stage = HEADER;
    int afters = 0;
    const char *p = text_;
    const char *end = text_ + length_;
    while (p < end) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        int length = int(lineEnd - p);
        // Every line, the last included, ends with its line break: one without was cut.
        bool cut = lineEnd == end;
        if (length > 0 && p[length - 1] == '\r')
            --length;
        const char *line = p;
        p = lineEnd + 1;

        if (stage == HEADER) {
            int whole = lstrlenA(kHeader);
            if ((cut ? length > whole : length != whole) ||
                CompareStringA(LOCALE_SYSTEM_DEFAULT, 0, line, length, kHeader, length) != CSTR_EQUAL)
                return RECORD_DAMAGED;
            if (cut)
                return RECORD_UNSEALED;
            stage = ITEMS;
            continue;
        }
        if (cut) {
            if (stage == FINISHED)
                return RECORD_DAMAGED;
            break;
        }
        if (length == 0 || line[0] == ';')
            continue;
        if (stage == FINISHED)
            return RECORD_DAMAGED;
        LineReader reader(line, length);
        TextSpan word;
        TextSpan number;
        DWORD count = 0;
        if (!reader.Next(&word))
            return RECORD_DAMAGED;
        if (stage == ITEMS) {
            if (Is(word, "END")) {
                if (!reader.Next(&number) || !ReadNumber(number, &count) || count != DWORD(count_) || !reader.Ended())
                    return RECORD_DAMAGED;
                stage = AFTER;
                continue;
            }
            if (count_ >= RESTORE_ITEMS_MAX || !ReadItem(&reader, word, &items_[count_]))
                return RECORD_DAMAGED;
            ++count_;
            continue;
        }
        // The state each item was left in.
        if (Is(word, "DONE")) {
            if (afters != count_ || !reader.Next(&number) || !ReadNumber(number, &count) ||
                count != DWORD(count_) || !reader.Ended())
                return RECORD_DAMAGED;
            stage = FINISHED;
            continue;
        }
        if (!Is(word, "AFTER") || afters >= count_)
            return RECORD_DAMAGED;
        RecordItem &item = items_[afters];
        if (!ReadState(&reader, item.Kind, &item.After) || !reader.Ended())
            return RECORD_DAMAGED;
        item.HasAfter = 1;
        ++afters;
    }
    // Without END the list was never sealed, so nothing was written after it.
    if (stage == HEADER || stage == ITEMS)
        return RECORD_UNSEALED;
    hasAfter_ = stage == FINISHED;
    // A cut after-state: the writes were made, but what they left is not known whole; the
    // record counts as one whose writes were cut short.
    for (int i = 0; !hasAfter_ && i < count_; ++i)
        items_[i].HasAfter = 0;
    return RECORD_USABLE;
}
