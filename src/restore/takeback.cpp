// Taking back the newest restore point.
#include "restore/restorepoint.h"

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/handles.h"
#include "shellglue/paths.h"
#include "shellglue/registry.h"

enum {
    NAMES_BUFFER = 1024,
    MESSAGE_BUFFER = NAMES_BUFFER * 2 + 4 * TEXT_BUFFER + MAX_PATH,
    NAMES_SHOWN = 8,
};

namespace {

// A list of item names for the closing message, cut off after a few.
struct NameList {
    char Text[NAMES_BUFFER];
    int Count;
};

struct Work {
    const LoadedRecord *Record;
    BYTE *Now;          // what an item holds now
    BYTE *Before;       // the recorded state, decoded
    BYTE *Restored;     // per item
    NameList Left;      // changed by someone else since
    NameList Failed;    // could not be put back
};

struct Names {
    char Path[RESTORE_NAME_MAX];
    char Name[RESTORE_NAME_MAX];
};

bool Decode(const RecordItem &item, Names *names)
{
    return DecodeText(item.Path, names->Path, sizeof names->Path) &&
           DecodeText(item.Name, names->Name, sizeof names->Name);
}

void AddName(NameList *list, const RecordItem &item, const Names &names)
{
    ++list->Count;
    if (list->Count > NAMES_SHOWN) {
        if (list->Count == NAMES_SHOWN + 1)
            AppendText(list->Text, "\n...", NAMES_BUFFER);
        return;
    }
    char line[RESTORE_NAME_MAX * 2 + 8] = "";
    if (item.Root != nullptr) {
        CopyText(line, RootToken(item.Root), sizeof line);
        AppendText(line, "\\", sizeof line);
    }
    AppendText(line, names.Path, sizeof line);
    if (item.Kind == ITEM_VALUE && names.Name[0] != '\0') {
        AppendText(line, "\\", sizeof line);
        AppendText(line, names.Name, sizeof line);
    }
    if (list->Text[0] != '\0')
        AppendText(list->Text, "\n", NAMES_BUFFER);
    if (!AppendText(list->Text, line, NAMES_BUFFER))
        AppendText(list->Text, "...", NAMES_BUFFER);
}

// SetFileAttributesA takes neither the directory nor the compressed bit, and wants
// FILE_ATTRIBUTE_NORMAL rather than no bits at all.
void SetAttributes(const char *path, DWORD attributes)
{
    attributes &= ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_COMPRESSED);
    SetFileAttributesA(path, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

bool PutValueBack(const RecordItem &item, const Names &names, const BYTE *data, int size)
{
    RegKey key;
    if (!item.Before.Present)
        return RemoveRegValue(item.Root, names.Path, names.Name);
    return key.Create(item.Root, names.Path, KEY_SET_VALUE) &&
           RegSetValueExA(key.Get(), names.Name, 0, item.Before.Number, data, DWORD(size)) == ERROR_SUCCESS;
}

// Nothing but an empty default value (which Windows 95 gives every key) is left in it.
bool KeyIsEmpty(HKEY key)
{
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    if (subkeys != 0 || values > 1)
        return false;
    if (values == 0)
        return true;
    char name[4];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    BYTE data[2];
    DWORD dataSize = sizeof data;
    if (RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
        return false;
    return nameSize == 0 && (dataSize == 0 || (type == REG_SZ && data[0] == '\0'));
}

enum KeyOutcome { KEY_GONE, KEY_KEPT_FULL, KEY_NOT_REMOVED };

// A key the writes created goes again, but only when nothing of anyone else's is in it (on
// Windows 95, RegDeleteKeyA would take its subkeys along).
KeyOutcome RemoveCreatedKey(HKEY root, const char *path)
{
    {
        RegKey key;
        if (!key.Open(root, path, KEY_READ))
            return KEY_GONE;
        if (!KeyIsEmpty(key.Get()))
            return KEY_KEPT_FULL;
    }
    char parent[RESTORE_NAME_MAX];
    CopyText(parent, path, sizeof parent);
    char *last = nullptr;
    for (char *p = parent; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\')
            last = p;
    }
    LONG result;
    if (last == nullptr) {
        result = DeleteRegKey(root, parent);
    } else {
        *last = '\0';
        RegKey key;
        if (!key.Open(root, parent, KEY_WRITE))
            return KEY_NOT_REMOVED;
        result = DeleteRegKey(key.Get(), last + 1);
    }
    return result == ERROR_SUCCESS ? KEY_GONE : KEY_NOT_REMOVED;
}

bool PutFileBack(const RecordItem &item, const Names &names, const BYTE *data, int size)
{
    const char *path = names.Path;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!item.Before.Present)
        return attributes == INVALID_FILE_ATTRIBUTES || DeleteFileA(path);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetAttributes(path, attributes);
        return false;
    }
    DWORD written = 0;
    bool whole = size == 0 || (WriteFile(file, data, DWORD(size), &written, nullptr) && written == DWORD(size));
    whole = FlushFileBuffers(file) && whole;
    CloseHandle(file);
    SetAttributes(path, item.Before.Number);
    // The profile cache of Windows 95 must not hold the old text of the file any more.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
    return whole;
}

bool PutBack(Work *work, const RecordItem &item, const Names &names, bool *keptFull)
{
    *keptFull = false;
    int size = DecodeBytes(item.Before.Hex, work->Before);
    if (size < 0)
        return false;
    switch (item.Kind) {
    case ITEM_VALUE:
        return PutValueBack(item, names, work->Before, size);
    case ITEM_KEY: {
        if (item.Before.Present) {
            RegKey key;
            return key.Create(item.Root, names.Path, KEY_READ);
        }
        KeyOutcome outcome = RemoveCreatedKey(item.Root, names.Path);
        *keptFull = outcome == KEY_KEPT_FULL;
        return outcome != KEY_NOT_REMOVED;
    }
    case ITEM_FILE:
        return PutFileBack(item, names, work->Before, size);
    case ITEM_FOLDER:
        if (!item.Before.Present)
            return true;
        SetAttributes(names.Path, item.Before.Number);
        return true;
    default:
        return false;
    }
}

void TakeBackItem(Work *work, int index)
{
    const RecordItem &item = work->Record->Item(index);
    Names names;
    ItemState now;
    if (!Decode(item, &names)) {
        AddName(&work->Failed, item, names);
        return;
    }
    if (!ReadItemState(item.Kind, item.Root, names.Path, names.Name, work->Now, &now)) {
        AddName(&work->Failed, item, names);
        return;
    }
    if (SameState(item.Kind, item.Before, now))
        return;
    // Not what the writes left: someone else has changed it since, and it stays theirs.
    if (item.HasAfter && !SameState(item.Kind, item.After, now)) {
        AddName(&work->Left, item, names);
        return;
    }
    bool keptFull = false;
    if (!PutBack(work, item, names, &keptFull))
        AddName(&work->Failed, item, names);
    else if (keptFull)
        AddName(&work->Left, item, names);
    else
        work->Restored[index] = 1;
}

int Depth(const RecordItem &item)
{
    Names names;
    if (!Decode(item, &names))
        return 0;
    int depth = 0;
    for (const char *p = names.Path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\')
            ++depth;
    }
    return depth;
}

bool IsCreatedKey(const RecordItem &item)
{
    return item.Kind == ITEM_KEY && !item.Before.Present;
}

void TakeBackAll(Work *work)
{
    const LoadedRecord &record = *work->Record;
    // Latest first, so that what one write built on another is undone in turn; the keys the
    // writes created go last, the deepest first, once their values are gone.
    for (int i = record.Count() - 1; i >= 0; --i) {
        if (!IsCreatedKey(record.Item(i)))
            TakeBackItem(work, i);
    }
    int deepest = 0;
    for (int i = 0; i < record.Count(); ++i) {
        if (IsCreatedKey(record.Item(i)) && Depth(record.Item(i)) > deepest)
            deepest = Depth(record.Item(i));
    }
    for (int depth = deepest; depth >= 0; --depth) {
        for (int i = record.Count() - 1; i >= 0; --i) {
            if (IsCreatedKey(record.Item(i)) && Depth(record.Item(i)) == depth)
                TakeBackItem(work, i);
        }
    }
}

// The shell refresh may itself write (the icon redraw creates a missing "Shell Icon Size"):
// what was put back is put back once more where it was disturbed.
void SettleAgain(Work *work)
{
    const LoadedRecord &record = *work->Record;
    for (int i = record.Count() - 1; i >= 0; --i) {
        if (!work->Restored[i])
            continue;
        const RecordItem &item = record.Item(i);
        Names names;
        ItemState now;
        bool keptFull = false;
        if (Decode(item, &names) && ReadItemState(item.Kind, item.Root, names.Path, names.Name, work->Now, &now) &&
            !SameState(item.Kind, item.Before, now))
            PutBack(work, item, names, &keptFull);
    }
}

void Say(HWND owner, const char *text, UINT icon)
{
    MessageBoxA(owner, text, App.Caption, MB_OK | icon);
}

// The message with the note on removed records, if any, after it.
void SayWithNote(HWND owner, char *message, int size, const char *note, UINT icon)
{
    if (note[0] != '\0') {
        AppendText(message, "\n\n", size);
        AppendText(message, note, size);
    }
    Say(owner, message, icon);
}

void SayEnd(HWND owner, const Work &work, const char *note)
{
    char message[MESSAGE_BUFFER];
    CopyText(message, LoadText(work.Failed.Count != 0 ? IDS_UNDO_PARTLY : IDS_UNDO_DONE), sizeof message);
    if (work.Left.Count != 0) {
        AppendText(message, "\n\n", sizeof message);
        AppendText(message, LoadText(IDS_UNDO_LEFTALONE), sizeof message);
        AppendText(message, "\n", sizeof message);
        AppendText(message, work.Left.Text, sizeof message);
    }
    if (work.Failed.Count != 0) {
        AppendText(message, "\n\n", sizeof message);
        AppendText(message, LoadText(IDS_UNDO_NOTPUTBACK), sizeof message);
        AppendText(message, "\n", sizeof message);
        AppendText(message, work.Failed.Text, sizeof message);
    }
    SayWithNote(owner, message, sizeof message, note,
                work.Left.Count != 0 || work.Failed.Count != 0 ? MB_ICONEXCLAMATION : MB_ICONINFORMATION);
}

// The newest record that was sealed; the path is set for it. Records the process never
// sealed (it ended while it recorded) go, and note says so. 0 when none is left.
int NewestSealed(char *path, char *note)
{
    for (;;) {
        int number = NewestRestorePoint();
        if (number == 0 || !RestorePointPath(number, path))
            return 0;
        {
            LoadedRecord probe;
            if (probe.Load(path) || !probe.Unsealed())
                return number;
        }
        // One that cannot go is still being written by another copy: it is refused as it is.
        if (!DeleteFileA(path))
            return number;
        if (note[0] == '\0') {
            char format[TEXT_BUFFER];
            CopyText(format, LoadText(IDS_UNDO_UNSEALED), sizeof format);
            wsprintfA(note, format, path);
        }
    }
}

}  // namespace

BOOL HasRestorePoint()
{
    return NewestRestorePoint() != 0;
}

int TakeBackRestorePoint(HWND owner, void (*refresh)(HWND owner))
{
    char path[MAX_PATH];
    char note[2 * (TEXT_BUFFER + MAX_PATH)] = "";
    char message[MESSAGE_BUFFER];
    if (NewestSealed(path, note) == 0) {
        CopyText(message, LoadText(IDS_UNDO_NOPOINT), sizeof message);
        SayWithNote(owner, message, sizeof message, note, MB_ICONINFORMATION);
        return TAKEBACK_NONE;
    }
    // The whole record is read and checked before anything is written.
    LoadedRecord record;
    Work work;
    ZeroMemory(&work, sizeof work);
    work.Record = &record;
    bool usable = record.Load(path);
    if (usable) {
        work.Now = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED, RESTORE_DATA_MAX));
        work.Before = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED, RESTORE_DATA_MAX));
        work.Restored = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, DWORD(record.Count()) + 1));
    }
    GlobalText now(reinterpret_cast<char *>(work.Now));
    GlobalText before(reinterpret_cast<char *>(work.Before));
    GlobalText restored(reinterpret_cast<char *>(work.Restored));
    if (!usable || work.Now == nullptr || work.Before == nullptr || work.Restored == nullptr) {
        char format[TEXT_BUFFER];
        CopyText(format, LoadText(usable ? IDS_UNDO_NOMEMORY : IDS_UNDO_DAMAGED), sizeof format);
        wsprintfA(message, format, path);
        SayWithNote(owner, message, sizeof message, note, MB_ICONEXCLAMATION);
        return TAKEBACK_REFUSED;
    }

    TakeBackAll(&work);
    if (refresh != nullptr)
        refresh(owner);
    SettleAgain(&work);
    // A point that could not be put back whole stays, so that it can be tried again. One
    // taken back that will not go is never taken back again; the user hears of it.
    bool removed = work.Failed.Count != 0 || RemoveRestorePoint(path);
    if (!removed) {
        char format[TEXT_BUFFER];
        CopyText(format, LoadText(IDS_UNDO_NOTREMOVED), sizeof format);
        char line[TEXT_BUFFER + MAX_PATH];
        wsprintfA(line, format, path);
        if (note[0] != '\0')
            AppendText(note, "\n", sizeof note);
        AppendText(note, line, sizeof note);
    }
    SayEnd(owner, work, note);
    return work.Failed.Count == 0 && removed ? TAKEBACK_DONE : TAKEBACK_PARTLY;
}
