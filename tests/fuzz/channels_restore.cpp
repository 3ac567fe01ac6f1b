// Channel of restore-point records: whatever a record file holds, reading it stays inside its
// text, a record that is refused writes nothing, and one that is taken back writes only the
// scratch files it names.
#include <windows.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "restore/restorepoint.h"
#include "restore/restorerecord.h"
#include "fuzz/fuzzchannels.h"
#include "shellglue/paths.h"
#include "support/testing.h"

namespace fuzz {
namespace {

ImportHook *g_box;

int WINAPI QuietBox(HWND, LPCSTR, LPCSTR, UINT)
{
    return IDOK;
}

std::string RecordPath()
{
    return g_run.Scratch + "\\TFRP0001.TXT";
}

std::string ItemPath()
{
    return g_run.Scratch + "\\AUTORUN.INF";
}

std::string Hex(const std::string &text)
{
    static const char kDigits[] = "0123456789ABCDEF";
    if (text.empty())
        return ".";
    std::string hex;
    for (unsigned char byte : text) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

// Paths are written "<...>" in the input and turned into hex here, after "$S$" is expanded.
std::string Encode(const std::string &input)
{
    std::string text = Expand(input);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t close = text[i] == '<' ? text.find('>', i) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i];
            continue;
        }
        out += Hex(text.substr(i + 1, close - i - 1));
        i = close;
    }
    return out;
}

void RestoreRecover()
{
    std::string item = ItemPath();
    SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(item.c_str());
    RemoveDirectoryA(item.c_str());
    DeleteFileA(RecordPath().c_str());
    SetFileAttributesA(g_run.Scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void RestoreSetUp()
{
    CopyText(App.SettingsPath, (g_run.Scratch + "\\TILEFOX.INI").c_str(), MAX_PATH);
    CopyText(App.Caption, "Tilefox", sizeof App.Caption);
    g_box = new ImportHook("user32.dll", "MessageBoxA", reinterpret_cast<const void *>(&QuietBox));
}

void RestoreTearDown()
{
    RestoreRecover();
    delete g_box;
    g_box = nullptr;
    App.SettingsPath[0] = '\0';
}

std::string MakeRecord(Random &random)
{
    const std::string before = "[autorun]\r\nopen=setup.exe\r\n";
    const std::string after = "[Autorun]\r\nDefaultIcon=a.ico\r\n";
    std::string text = "TILEFOX RESTORE POINT 1\r\n; remark\r\n";
    text += "FILE <$S$\\AUTORUN.INF> " + std::string(random.Chance(50) ? "34 " + Hex(before) : "-") +
            " ; readable\r\n";
    text += "FOLDER <$S$> 16\r\nEND 2\r\n";
    if (random.Chance(70))
        text += "AFTER 32 " + Hex(after) + "\r\nAFTER 20\r\nDONE 2\r\n";
    static const std::vector<std::string> kWords = {
        "VALUE ", "KEY ", "FILE ", "FOLDER ", "END ", "AFTER ", "DONE ", "- ", "+ ", ". ", "\r\n", "\n", " ; ",
        "HKCU ", "0 ", "4294967295 ", "99999999999 ", "<$S$\\AUTORUN.INF> ", "<$S$> ", "00", "FF", "G"};
    return random.Chance(85) ? Mutate(random, text, kWords) : text;
}

// Only records whose items are scratch files and folders are taken back: a mutation may name
// any key or file, and those are not the channel's to change.
bool OnlyScratchItems(const LoadedRecord &record)
{
    for (int i = 0; i < record.Count(); ++i) {
        const RecordItem &item = record.Item(i);
        char path[RESTORE_NAME_MAX];
        if ((item.Kind != ITEM_FILE && item.Kind != ITEM_FOLDER) || !DecodeText(item.Path, path, sizeof path))
            return false;
        std::string scratch = g_run.Scratch;
        if (lstrcmpiA(path, scratch.c_str()) != 0 && lstrcmpiA(path, ItemPath().c_str()) != 0)
            return false;
    }
    return true;
}

std::string FilesNow()
{
    std::string item = ItemPath();
    DWORD attributes = GetFileAttributesA(item.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "absent " + std::to_string(GetFileAttributesA(g_run.Scratch.c_str()));
    return std::to_string(attributes) + " " + ReadFileText(item) + " " +
           std::to_string(GetFileAttributesA(g_run.Scratch.c_str()));
}

void FeedRecord(const std::string &input)
{
    RestoreRecover();
    WriteFileText(RecordPath(), Encode(input));
    WriteFileText(ItemPath(), "applied");
    bool usable;
    bool unsealed;
    bool scratchOnly;
    {
        LoadedRecord record;
        {
            Armed watch;
            usable = record.Load(RecordPath().c_str());
        }
        unsealed = record.Unsealed();
        scratchOnly = usable && OnlyScratchItems(record);
    }
    if (usable && !scratchOnly)
        return;
    std::string before = FilesNow();
    int result;
    {
        Armed watch;
        result = TakeBackRestorePoint(nullptr, nullptr);
    }
    if (unsealed && (result != TAKEBACK_NONE || GetFileAttributesA(RecordPath().c_str()) != INVALID_FILE_ATTRIBUTES))
        Fail("a record never sealed was not skipped and removed");
    if (!usable && !unsealed && result != TAKEBACK_REFUSED)
        Fail("a record that does not read was not refused");
    if (!usable && FilesNow() != before)
        Fail("a refused record changed a file");
    if (usable && result != TAKEBACK_DONE && result != TAKEBACK_PARTLY)
        Fail("a record that reads was not taken back");
}

Channel g_restore = {"restore", RestoreSetUp, MakeRecord, FeedRecord, RestoreRecover, RestoreTearDown, nullptr};
ChannelRegistration g_restoreRegistration(&g_restore);

}  // namespace
}  // namespace fuzz
