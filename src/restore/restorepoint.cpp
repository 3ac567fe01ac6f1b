#include "restore/restorepoint.h"

#include "shellglue/handles.h"
#include "shellglue/paths.h"

enum {
    READABLE_MAX = 200,     // bytes of a value's text shown in its remark
    TREE_DEPTH_MAX = 8,
    CREATE_TRIES = 5,
};

static const char *const kKindWords[] = {"VALUE", "KEY", "FILE", "FOLDER"};

RestorePoint::RestorePoint() : items_(0), data_(nullptr)
{
    WriterStart(&writer_, INVALID_HANDLE_VALUE);
    path_[0] = '\0';
}

RestorePoint::~RestorePoint()
{
    Close();
}

void RestorePoint::Close()
{
    if (writer_.File != INVALID_HANDLE_VALUE)
        CloseHandle(writer_.File);
    writer_.File = INVALID_HANDLE_VALUE;
    if (data_ != nullptr)
        GlobalFree(data_);
    data_ = nullptr;
}

bool RestorePoint::Begin()
{
    Close();
    items_ = 0;
    data_ = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED, RESTORE_DATA_MAX));
    if (data_ == nullptr)
        return false;
    int number = NewestRestorePoint();
    if (number + CREATE_TRIES > RESTORE_NUMBER_MAX)
        number = RenumberRestorePoints();
    HANDLE file = INVALID_HANDLE_VALUE;
    // Another copy of the program (a folder-icon change) may take the same number meanwhile.
    for (int i = 0; i < CREATE_TRIES && file == INVALID_HANDLE_VALUE; ++i) {
        if (!RestorePointPath(++number, path_))
            break;
        file = CreateFileA(path_, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        Close();
        return false;
    }
    WriterStart(&writer_, file);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[96];
    wsprintfA(line, "TILEFOX RESTORE POINT 1\r\n; %04u-%02u-%02u %02u:%02u:%02u\r\n", now.wYear, now.wMonth,
              now.wDay, now.wHour, now.wMinute, now.wSecond);
    WriterPut(&writer_, line);
    return true;
}

// The remark after an item: what a person needs to recognise it. Control characters would
// break the line and become '?', also where a lead byte would take one as its trail byte
// ("\x83\n" in a value); a character is never cut in half.
static void PutReadable(RecordWriter *writer, const char *text, int limit)
{
    int length = 0;
    for (const char *p = text; *p != '\0' && length < limit;) {
        const char *next = CharNextA(p);
        if (next == p)
            break;
        bool control = false;
        for (const char *q = p; q < next; ++q)
            control = control || BYTE(*q) < ' ';
        if (control) {
            WriterPut(writer, "?");
            next = p + 1;
        } else {
            WriterPutBytes(writer, p, int(next - p));
        }
        length += int(next - p);
        p = next;
    }
}

static void PutRemark(RecordWriter *writer, int kind, HKEY root, const char *path, const char *name,
                      const ItemState &state)
{
    WriterPut(writer, " ; ");
    if (root != nullptr) {
        WriterPut(writer, RootToken(root));
        WriterPut(writer, "\\");
    }
    PutReadable(writer, path, RESTORE_NAME_MAX);
    if (kind == ITEM_VALUE) {
        WriterPut(writer, " [");
        PutReadable(writer, name, RESTORE_NAME_MAX);
        WriterPut(writer, "]");
    }
    if (!state.Present) {
        WriterPut(writer, " (absent)");
        return;
    }
    if (kind == ITEM_VALUE && (state.Number == REG_SZ || state.Number == REG_EXPAND_SZ)) {
        char text[READABLE_MAX + 1];
        DWORD size = state.Size < DWORD(READABLE_MAX) ? state.Size : DWORD(READABLE_MAX);
        CopyMemory(text, state.Data, size);
        text[size] = '\0';
        WriterPut(writer, " = \"");
        PutReadable(writer, text, READABLE_MAX);
        WriterPut(writer, "\"");
    } else if (kind == ITEM_FILE) {
        char text[32];
        wsprintfA(text, " (%lu bytes)", state.Size);
        WriterPut(writer, text);
    }
}

void RestorePoint::Item(int kind, HKEY root, const char *path, const char *name)
{
    if (!Active() || writer_.Failed)
        return;
    if (name == nullptr)
        name = "";
    ItemState state;
    if (items_ >= RESTORE_ITEMS_MAX || lstrlenA(path) >= RESTORE_NAME_MAX || lstrlenA(name) >= RESTORE_NAME_MAX ||
        !ReadItemState(kind, root, path, name, data_, &state)) {
        writer_.Failed = true;
        return;
    }
    WriterPut(&writer_, kKindWords[kind]);
    WriterPut(&writer_, " ");
    if (root != nullptr) {
        WriterPut(&writer_, RootToken(root));
        WriterPut(&writer_, " ");
    }
    WriterPutHex(&writer_, reinterpret_cast<const BYTE *>(path), DWORD(lstrlenA(path)));
    WriterPut(&writer_, " ");
    if (kind == ITEM_VALUE) {
        WriterPutHex(&writer_, reinterpret_cast<const BYTE *>(name), DWORD(lstrlenA(name)));
        WriterPut(&writer_, " ");
    }
    WriterPutState(&writer_, kind, state);
    PutRemark(&writer_, kind, root, path, name, state);
    WriterPut(&writer_, "\r\n");
    ++items_;
}

// Every key on the path that does not exist yet, outermost first: a write creates them, and
// taking it back removes them again.
void RestorePoint::Missing(HKEY root, const char *key)
{
    char prefix[RESTORE_NAME_MAX];
    if (lstrlenA(key) >= RESTORE_NAME_MAX) {
        writer_.Failed = true;
        return;
    }
    const char *next = key;
    for (;;) {
        while (*next != '\0' && *next != '\\')
            next = CharNextA(next);
        int length = int(next - key);
        CopyText(prefix, key, length + 1);
        RegKey probe;
        if (length > 0 && !probe.Open(root, prefix, KEY_QUERY_VALUE))
            Item(ITEM_KEY, root, prefix, nullptr);
        if (*next == '\0')
            return;
        ++next;
    }
}

void RestorePoint::Value(HKEY root, const char *key, const char *name)
{
    if (RootToken(root) == nullptr || key == nullptr) {
        writer_.Failed = true;
        return;
    }
    Missing(root, key);
    Item(ITEM_VALUE, root, key, name);
}

void RestorePoint::Tree(HKEY root, char *path, int depth)
{
    Item(ITEM_KEY, root, path, nullptr);
    RegKey key;
    if (!key.Open(root, path, KEY_READ))
        return;
    if (depth >= TREE_DEPTH_MAX) {
        writer_.Failed = true;
        return;
    }
    char name[RESTORE_NAME_MAX];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Item(ITEM_VALUE, root, path, name);
    }
    int length = lstrlenA(path);
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (length + 1 + lstrlenA(name) >= RESTORE_NAME_MAX) {
            writer_.Failed = true;
            return;
        }
        path[length] = '\\';
        CopyText(path + length + 1, name, RESTORE_NAME_MAX - length - 1);
        Tree(root, path, depth + 1);
        path[length] = '\0';
    }
}

void RestorePoint::KeyTree(HKEY root, const char *key)
{
    if (RootToken(root) == nullptr || key == nullptr || lstrlenA(key) >= RESTORE_NAME_MAX) {
        writer_.Failed = true;
        return;
    }
    RegKey probe;
    if (!probe.Open(root, key, KEY_QUERY_VALUE)) {
        Missing(root, key);
        return;
    }
    probe.Close();
    char path[RESTORE_NAME_MAX];
    CopyText(path, key, RESTORE_NAME_MAX);
    Tree(root, path, 0);
}

void RestorePoint::File(const char *path)
{
    // A folder of that name cannot be written over: there is nothing to take back.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    Item(ITEM_FILE, nullptr, path, nullptr);
}

void RestorePoint::Folder(const char *path)
{
    Item(ITEM_FOLDER, nullptr, path, nullptr);
}

bool RestorePoint::Seal()
{
    if (!Active())
        return false;
    WriterPut(&writer_, "END ");
    WriterPutNumber(&writer_, DWORD(items_));
    WriterPut(&writer_, "\r\n");
    // Read back once: a record that would be refused later is as good as none, and it would
    // stand in the way of the older ones.
    if (WriterFlush(&writer_)) {
        LoadedRecord check;
        if (check.Load(path_) && check.Count() == items_ && !check.HasAfter())
            return true;
    }
    Abandon();
    return false;
}

void RestorePoint::Abandon()
{
    bool had = Active();
    Close();
    if (had)
        DeleteFileA(path_);
}

void RestorePoint::Finish()
{
    if (!Active())
        return;
    HANDLE file = writer_.File;
    DWORD sealed = GetFileSize(file, nullptr);
    LoadedRecord record;
    bool changed = false;
    if (sealed != INVALID_FILE_SIZE && record.Load(path_)) {
        for (int i = 0; i < record.Count(); ++i) {
            const RecordItem &item = record.Item(i);
            char path[RESTORE_NAME_MAX];
            char name[RESTORE_NAME_MAX];
            ItemState now;
            if (!DecodeText(item.Path, path, sizeof path) || !DecodeText(item.Name, name, sizeof name) ||
                !ReadItemState(item.Kind, item.Root, path, name, data_, &now)) {
                writer_.Failed = true;
                break;
            }
            if (!SameState(item.Kind, item.Before, now))
                changed = true;
            WriterPut(&writer_, "AFTER ");
            WriterPutState(&writer_, item.Kind, now);
            WriterPut(&writer_, "\r\n");
        }
        WriterPut(&writer_, "DONE ");
        WriterPutNumber(&writer_, DWORD(record.Count()));
        WriterPut(&writer_, "\r\n");
    } else {
        writer_.Failed = true;
    }
    bool whole = WriterFlush(&writer_) && GetFileSize(file, nullptr) <= DWORD(RESTORE_RECORD_MAX);
    if (!whole && sealed != INVALID_FILE_SIZE) {
        // Half an after-state, or one too large to be read again, would make the whole record
        // unusable; without one it is still the record of writes that were cut short.
        SetFilePointer(file, LONG(sealed), nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        FlushFileBuffers(file);
        changed = true;
    }
    Close();
    if (!changed)
        DeleteFileA(path_);
    PruneRestorePoints(KEPT_RESTORE_POINTS);
}

bool RestorePointsHold(bool (*match)(HKEY root, const char *key, const char *name, const void *context),
                       const void *context)
{
    int oldest = OldestRestorePoint();
    for (int number = NewestRestorePoint(); number >= oldest && number > 0; --number) {
        char path[MAX_PATH];
        LoadedRecord record;
        if (!RestorePointPath(number, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ||
            !record.Load(path))
            continue;
        for (int index = 0; index < record.Count(); ++index) {
            const RecordItem &item = record.Item(index);
            char key[RESTORE_NAME_MAX];
            char name[RESTORE_NAME_MAX];
            if (item.Kind == ITEM_VALUE && DecodeText(item.Path, key, sizeof key) &&
                DecodeText(item.Name, name, sizeof name) && match(item.Root, key, name, context))
                return true;
        }
    }
    return false;
}
