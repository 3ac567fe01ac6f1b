#include "support/testing.h"

#include <shlobj.h>

#include "app/sheetstate.h"
#include "common/tabs.h"
#include "ids.h"
#include "lists/iconentry.h"
#include "picker/changeicon.h"
#include "shellglue/paths.h"

#include <utility>
#include <vector>

std::string TestBinDir()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string FixturePath(const char *name)
{
    return TestBinDir() + "fixtures\\" + name;
}

std::string MakeTempDir(const char *tag)
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (unsigned i = GetTickCount() & 0xffff;; ++i) {
        std::string dir = std::string(base) + "tf_" + tag + "_" + std::to_string(i);
        if (CreateDirectoryA(dir.c_str(), nullptr))
            return dir;
    }
}

void RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool WriteFileText(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == text.size();
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        size_t end = text.find('\n', from);
        parts.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos)
            return parts;
        from = end + 1;
    }
}

std::string SystemDir()
{
    char dir[MAX_PATH + 1];
    GetSystemDirectoryA(dir, MAX_PATH);
    AddBackslash(dir);
    return dir;
}

std::string WindowsDir()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

std::string ReadFileText(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        text.append(chunk, read);
    CloseHandle(file);
    return text;
}

static std::string Convert(const std::string &text, UINT from, UINT to)
{
    int wide = MultiByteToWideChar(from, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> buffer(wide > 0 ? wide : 1);
    MultiByteToWideChar(from, 0, text.c_str(), -1, buffer.data(), wide);
    int narrow = WideCharToMultiByte(to, 0, buffer.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> out(narrow > 0 ? narrow : 1);
    WideCharToMultiByte(to, 0, buffer.data(), -1, out.data(), narrow, nullptr, nullptr);
    return std::string(out.data());
}

std::string Ansi(const char *utf8)
{
    return Convert(utf8, CP_UTF8, CP_ACP);
}

std::string Utf8(const std::string &ansi)
{
    return Convert(ansi, CP_ACP, CP_UTF8);
}

std::string Utf16(const std::string &ascii, const char *mark)
{
    std::string text = mark;
    for (char ch : ascii)
        text.append({ch, '\0'});
    return text;
}

void DeleteRegTree(HKEY root, const char *subkey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char name[MAX_PATH];
    for (;;) {
        DWORD length = MAX_PATH;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string child = std::string(subkey) + "\\" + name;
        DeleteRegTree(root, child.c_str());
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, subkey);
}

void SetRegBinary(HKEY root, const char *subkey, const char *name, const void *data, DWORD size, DWORD type)
{
    HKEY key;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(key);
}

void SetRegString(HKEY root, const char *subkey, const char *name, const char *text, DWORD type)
{
    SetRegBinary(root, subkey, name, text, DWORD(lstrlenA(text) + 1), type);
}

bool RegValueExists(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool exists = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

bool RegKeyExists(HKEY root, const char *subkey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string GetRegString(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[1024] = {0};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : std::string("<no value>");
}

std::string RegValueOrAbsent(HKEY root, const char *subkey, const char *name, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return "(absent)";
    char data[1024] = {0};
    DWORD size = sizeof data - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : std::string("(absent)");
}

void DeleteRegValue(HKEY root, const char *subkey, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void SavedRegistry::Restore() const
{
    for (size_t i = saved_.size(); i-- > 0;)
        RestoreOne(saved_[i]);
}

void SavedRegistry::Tree(HKEY root, const std::string &path)
{
    Saved saved = {root, path, "", true, false};
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        saved.Existed = true;
        SaveKey(saved, key, "");
        RegCloseKey(key);
    }
    saved_.push_back(saved);
}

void SavedRegistry::Value(HKEY root, const std::string &path, const char *name)
{
    Saved saved = {root, path, name, false, false};
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char data[4096];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) == ERROR_SUCCESS) {
            saved.Existed = true;
            saved.Values.push_back({"", name, type, std::string(data, size)});
        }
        RegCloseKey(key);
    }
    saved_.push_back(saved);
}

void SavedRegistry::SaveKey(Saved &saved, HKEY key, const std::string &sub)
{
    saved.Keys.push_back(sub);
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLength = sizeof name;
        char data[4096];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE *>(data), &dataLength) !=
            ERROR_SUCCESS)
            break;
        saved.Values.push_back({sub, name, type, std::string(data, dataLength)});
    }
    std::vector<std::string> children;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.push_back(name);
    }
    for (const std::string &child : children) {
        HKEY childKey;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &childKey) == ERROR_SUCCESS) {
            SaveKey(saved, childKey, sub + "\\" + child);
            RegCloseKey(childKey);
        }
    }
}

void SavedRegistry::RestoreOne(const Saved &saved)
{
    if (saved.WholeTree)
        DeleteRegTree(saved.Root, saved.Path.c_str());
    else if (!saved.Existed)
        DeleteRegValue(saved.Root, saved.Path.c_str(), saved.Name.c_str());
    for (const std::string &sub : saved.Keys) {
        HKEY key;
        if (RegCreateKeyExA(saved.Root, (saved.Path + sub).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    for (const Saved::Kept &value : saved.Values)
        SetRegBinary(saved.Root, (saved.Path + value.Key).c_str(), value.Name.c_str(), value.Data.data(),
                     DWORD(value.Data.size()), value.Type);
}

HWND CreateHelperWindow(const char *className, WNDPROC procedure, const char *title)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

static BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<std::pair<const std::function<bool(HWND)> *, HWND> *>(data);
    if (!(*search->first)(window))
        return TRUE;
    search->second = window;
    return FALSE;
}

HWND FindThreadWindow(const std::function<bool(HWND)> &match)
{
    std::pair<const std::function<bool(HWND)> *, HWND> search(&match, nullptr);
    EnumThreadWindows(GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

static bool IsDialog(HWND window)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}

HWND FindThreadDialog(int controlId)
{
    return FindThreadWindow([controlId](HWND window) {
        return IsDialog(window) && IsWindowVisible(window) && GetDlgItem(window, controlId) != nullptr;
    });
}

HWND FindChangeIconDialog()
{
    return FindThreadWindow([](HWND window) {
        return IsDialog(window) && GetDlgItem(window, IDC_CI_FILENAME) != nullptr && ChangeIconRequestOf(window) != nullptr;
    });
}

void FreeAppText(char **text)
{
    if (*text != nullptr)
        GlobalFree(*text);
    *text = nullptr;
}

void PumpMessages(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (int(end - GetTickCount()) > 0);
}

void PumpUntilIdle(DWORD limit)
{
    DWORD end = GetTickCount() + limit;
    MSG msg;
    for (int quiet = 0; quiet < 2 && int(end - GetTickCount()) > 0;) {
        bool served = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            served = true;
        }
        quiet = served ? 0 : quiet + 1;
        Sleep(5);
    }
}

namespace {

void **FindImportSlot(const char *dll, const char *function)
{
    BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr));
    auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    for (auto *entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + entry->Name), dll) != 0)
            continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char *>(byName->Name), function) == 0)
                return reinterpret_cast<void **>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void **slot, void *value)
{
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

ImportHook::ImportHook(const char *dll, const char *function, const void *replacement)
    : slot_(FindImportSlot(dll, function))
{
    if (slot_ != nullptr) {
        original_ = *slot_;
        WriteSlot(slot_, const_cast<void *>(replacement));
    }
}

ImportHook::~ImportHook()
{
    if (slot_ != nullptr)
        WriteSlot(slot_, original_);
}

bool AllListsFilled(bool specialMayBeEmpty)
{
    for (int tab = 0; tab < LIST_TAB_COUNT; ++tab) {
        HWND list = ListOfTab(tab);
        if (list == nullptr || Lists.Filling[tab])
            return false;
        if ((tab != TAB_SPECIAL || !specialMayBeEmpty) && SendMessageA(list, LB_GETCOUNT, 0, 0) <= 0)
            return false;
    }
    return true;
}

HWND DrivePanelOfSheet()
{
    HWND page = Sheet.TabDialogs[TAB_DRIVE];
    HWND panel = FindWindowExA(page, nullptr, "#32770", nullptr);
    while (panel != nullptr && GetDlgItem(panel, IDC_DP_DRIVES) == nullptr)
        panel = FindWindowExA(page, panel, "#32770", nullptr);
    return panel;
}

HDROP MakeDropFiles(const std::vector<std::string> &names, POINT point, BOOL nonClient)
{
    SIZE_T size = sizeof(DROPFILES) + 1;
    for (const std::string &name : names)
        size += name.size() + 1;
    // Moveable, as the shell makes them: the fuzz build leaves those to the system heap.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
        return nullptr;
    DROPFILES *files = static_cast<DROPFILES *>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->pt = point;
    files->fNC = nonClient;
    files->fWide = FALSE;
    char *at = reinterpret_cast<char *>(files + 1);
    for (const std::string &name : names) {
        CopyMemory(at, name.data(), name.size());
        at += name.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

bool StartTestProgram(const char *name, const std::string &tail, PROCESS_INFORMATION *process)
{
    std::string program = name[0] != '\0' && name[1] == ':' ? name : TestBinDir() + name;
    std::string command = "\"" + program + "\"" + (tail.empty() ? "" : " " + tail);
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          process) != FALSE;
}

DWORD WaitTestProgram(PROCESS_INFORMATION &process, DWORD timeout, bool serve)
{
    DWORD end = GetTickCount() + timeout;
    DWORD code = DWORD(-1);
    for (;;) {
        if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, serve ? QS_ALLINPUT : 0) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &code);
            break;
        }
        if (serve)
            PumpMessages(0);
        if (int(end - GetTickCount()) <= 0) {
            TerminateProcess(process.hProcess, 1);
            break;
        }
    }
    // What the program posted before it ended is served too.
    PumpMessages(0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool TestSystemIs(const char *name)
{
    char system[16] = "";
    GetEnvironmentVariableA("TILEFOX_TEST_SYSTEM", system, sizeof system);
    return lstrcmpiA(system, name) == 0;
}

namespace {
ImportHook *g_machineHook;
LONG WINAPI RefuseMachineKeys(HKEY root, LPCSTR key, DWORD reserved, LPSTR type, DWORD options, REGSAM access,
                              SECURITY_ATTRIBUTES *security, HKEY *result, DWORD *disposition)
{
    if (!MachineRefusal::Off && root == HKEY_LOCAL_MACHINE)
        return MachineRefusal::Error;
    return g_machineHook->Original<decltype(&RegCreateKeyExA)>()(root, key, reserved, type, options, access,
                                                                 security, result, disposition);
}
}  // namespace

bool MachineRefusal::Off;
LONG MachineRefusal::Error;

MachineRefusal::MachineRefusal(LONG error)
    : hook_("advapi32.dll", "RegCreateKeyExA", reinterpret_cast<const void *>(&RefuseMachineKeys))
{
    g_machineHook = &hook_;
    Off = false;
    Error = error;
}
