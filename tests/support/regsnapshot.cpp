#include "support/regsnapshot.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "support/testing.h"

namespace {

const char *RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CURRENT_USER)
        return "HKCU";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    if (root == HKEY_USERS)
        return "HKU";
    return "HK?";
}

std::string Upper(std::string text)
{
    if (!text.empty())
        CharUpperBuffA(&text[0], DWORD(text.size()));
    return text;
}

}  // namespace

std::string RegistrySnapshot::Identity(HKEY root, const std::string &path, const std::string &name)
{
    return Upper(std::string(RootName(root)) + "\\" + path + " :: " + (name.empty() ? DEFAULT_VALUE_NAME : name));
}

std::string RegistrySnapshot::Line(char mark, HKEY root, const std::string &path, const std::string &name,
                                   const std::string &text)
{
    return std::string(1, mark) + " " + Identity(root, path, name) + " = " + text;
}

std::string RegistrySnapshot::KeyLine(char mark, HKEY root, const std::string &path)
{
    return std::string(1, mark) + " key " + Identity(root, path, "");
}

std::string RegistrySnapshot::Shown(const Value &value)
{
    if (value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) {
        std::string text = value.Data;
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        return text;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "type " + std::to_string(value.Type) + ":";
    for (unsigned char byte : value.Data) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

bool RegistrySnapshot::Excluded(HKEY root, const std::string &path) const
{
    std::string full = Upper(std::string(RootName(root)) + "\\" + path) + "\\";
    for (const std::string &excluded : excluded_) {
        std::string prefix = Upper(excluded) + "\\";
        if (full.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

void RegistrySnapshot::Read(HKEY root, const std::string &path, bool recursive)
{
    if (Excluded(root, path))
        return;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    keys_[Identity(root, path, "")] = {root, path};
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameSize = sizeof name;
        DWORD read = size;
        RegEnumValueA(key, i, name, &nameSize, nullptr, &type, size > 0 ? reinterpret_cast<BYTE *>(&data[0]) : nullptr,
                      &read);
        data.resize(read < size ? read : size);
        values_[Identity(root, path, name)] = {root, path, name, type, data};
    }
    std::vector<std::string> children;
    if (recursive) {
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD nameSize = sizeof name;
            if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            children.push_back(name);
        }
    }
    RegCloseKey(key);
    for (const std::string &child : children)
        Read(root, path.empty() ? child : path + "\\" + child, true);
}

namespace {

// Wine's registry server writes a whole branch as text in one request; read key by key, the
// whole registry takes seconds, one round trip to the server per call.
bool EnableBackupPrivilege()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    bool done = LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid) &&
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    return done;
}

// The saved text from *at to its closing mark, its C-like escapes undone.
std::wstring Unescape(const std::string &line, size_t *at, char close)
{
    static const char kNamed[] = "abtnvfre", kMeant[] = "\a\b\t\n\v\f\r\x1b";
    std::wstring text;
    size_t i = *at;
    while (i < line.size() && line[i] != close) {
        wchar_t c = BYTE(line[i++]);
        if (c == '\\' && i < line.size()) {
            c = BYTE(line[i++]);
            bool hex = c == 'x';
            if (hex || (c >= '0' && c <= '7')) {
                size_t from = hex ? i : i - 1;
                size_t digits = std::min<size_t>(strspn(line.c_str() + from, hex ? "0123456789abcdefABCDEF" : "01234567"), hex ? 4 : 3);
                c = wchar_t(strtoul(line.substr(from, digits).c_str(), nullptr, hex ? 16 : 8));
                i = from + digits;
            } else if (const char *named = c != 0 ? strchr(kNamed, c) : nullptr) {
                c = BYTE(kMeant[named - kNamed]);
            }
        }
        text += c;
    }
    *at = i < line.size() ? i + 1 : i;
    return text;
}

// In the code page of the ANSI functions; at most three bytes a character.
std::string Ansi(const std::wstring &text)
{
    std::string ansi(text.size() * 3, '\0');
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &ansi[0], int(ansi.size()), nullptr, nullptr);
    ansi.resize(size_t(size > 0 ? size : 0));
    return ansi;
}

}  // namespace

// The branch as Wine saves it; false where the system saves another format or refuses, and the
// caller reads key by key. Volatile keys are not saved, and a link key shows as itself.
bool RegistrySnapshot::ReadSaved(HKEY root, const std::string &path)
{
    static bool privileged = EnableBackupPrivilege();
    HKEY key;
    if (!privileged || RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char folder[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "reg", 0, file);
    DeleteFileA(file);
    bool saved = RegSaveKeyA(key, file, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    std::string text = saved ? ReadFileText(file) : "";
    DeleteFileA(file);
    if (text.compare(0, 23, "WINE REGISTRY Version 2") != 0)
        return false;
    // Long binary values go on over lines that end in a backslash.
    for (size_t at = text.find("\\\n"); at != std::string::npos; at = text.find("\\\n", at))
        text.erase(at, text.find_first_not_of(' ', at + 2) - at);
    std::string keyPath;
    bool skipping = true;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        size_t at = 1;
        if (line.empty() || line[0] == ';' || line[0] == '#' || (skipping && line[0] != '['))
            continue;
        if (line[0] == '[') {
            std::string relative = Ansi(Unescape(line, &at, ']'));
            keyPath = relative.empty() ? path : path.empty() ? relative : path + "\\" + relative;
            skipping = Excluded(root, keyPath);
            // A key with subkeys and no value is saved only through its subkeys.
            for (std::string parent = keyPath; !skipping && keys_.emplace(Identity(root, parent, ""), Key{root, parent}).second &&
                                               parent.size() > path.size();) {
                size_t cut = parent.rfind('\\');
                parent = cut == std::string::npos || cut < path.size() ? path : parent.substr(0, cut);
            }
            continue;
        }
        std::string name = line[0] == '"' ? Ansi(Unescape(line, &at, '"')) : "";
        if ((line[0] != '"' && line[0] != '@') || at >= line.size() || line[at++] != '=')
            continue;
        Value value = {root, keyPath, name, REG_SZ, ""};
        std::string bytes;
        if (line.compare(at, 4, "str(") == 0 || line.compare(at, 4, "hex(") == 0)
            value.Type = DWORD(strtoul(line.c_str() + at + 4, nullptr, 16));
        else if (line.compare(at, 4, "hex:") == 0)
            value.Type = REG_BINARY;
        if (line.compare(at, 3, "str") == 0)
            at = line.find(':', at) + 1;
        if (line.compare(at, 1, "\"") == 0) {
            std::wstring data = Unescape(line, &++at, '"') + L'\0';
            bytes.assign(reinterpret_cast<const char *>(data.data()), data.size() * sizeof(wchar_t));
        } else if (line.compare(at, 6, "dword:") == 0) {
            DWORD number = DWORD(strtoul(line.c_str() + at + 6, nullptr, 16));
            value.Type = REG_DWORD;
            bytes.assign(reinterpret_cast<const char *>(&number), sizeof number);
        } else if (line.compare(at, 3, "hex") == 0) {
            for (char *next = &line[line.find(':', at) + 1], *was = nullptr; *next != '\0' && next != was;) {
                was = next;
                bytes += char(strtoul(next, &next, 16));
                next += *next == ',';
            }
        } else {
            continue;
        }
        // The text types come as the ANSI functions give them.
        bool text = value.Type == REG_SZ || value.Type == REG_EXPAND_SZ || value.Type == REG_MULTI_SZ;
        value.Data = text ? Ansi(std::wstring(reinterpret_cast<const wchar_t *>(bytes.data()), bytes.size() / 2)) : bytes;
        values_[Identity(root, keyPath, name)] = value;
    }
    return true;
}

void RegistrySnapshot::Take()
{
    values_.clear();
    keys_.clear();
    for (const RegistryScope &scope : scope_) {
        if (!scope.Recursive || !ReadSaved(scope.Root, scope.Path))
            Read(scope.Root, scope.Path, scope.Recursive);
    }
}

std::vector<std::string> RegistrySnapshot::ChangesSince() const
{
    RegistrySnapshot now(scope_, excluded_);
    now.Take();
    std::vector<std::string> lines;
    for (const auto &entry : now.values_) {
        auto before = values_.find(entry.first);
        if (before == values_.end())
            lines.push_back("+ " + entry.first + " = " + Shown(entry.second));
        else if (before->second.Type != entry.second.Type || before->second.Data != entry.second.Data)
            lines.push_back("~ " + entry.first + " = " + Shown(entry.second));
    }
    for (const auto &entry : values_) {
        if (now.values_.find(entry.first) == now.values_.end())
            lines.push_back("- " + entry.first + " = " + Shown(entry.second));
    }
    for (const auto &entry : now.keys_) {
        if (keys_.find(entry.first) == keys_.end())
            lines.push_back("+ key " + entry.first);
    }
    for (const auto &entry : keys_) {
        if (now.keys_.find(entry.first) == now.keys_.end())
            lines.push_back("- key " + entry.first);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void RegistrySnapshot::Restore() const
{
    RegistrySnapshot now(scope_, excluded_);
    now.Take();
    // New keys go first, deepest last in the sorted order, so delete from the end.
    for (auto it = now.keys_.rbegin(); it != now.keys_.rend(); ++it) {
        if (keys_.find(it->first) == keys_.end())
            DeleteRegTree(it->second.Root, it->second.Path.c_str());
    }
    for (const auto &entry : now.values_) {
        if (values_.find(entry.first) != values_.end() || keys_.find(Identity(entry.second.Root, entry.second.Path, "")) == keys_.end())
            continue;
        HKEY key;
        if (RegOpenKeyExA(entry.second.Root, entry.second.Path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, entry.second.Name.c_str());
            RegCloseKey(key);
        }
    }
    for (const auto &entry : keys_) {
        if (now.keys_.find(entry.first) != now.keys_.end())
            continue;
        HKEY key;
        if (RegCreateKeyExA(entry.second.Root, entry.second.Path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    for (const auto &entry : values_) {
        auto later = now.values_.find(entry.first);
        if (later != now.values_.end() && later->second.Type == entry.second.Type &&
            later->second.Data == entry.second.Data)
            continue;
        HKEY key;
        if (RegOpenKeyExA(entry.second.Root, entry.second.Path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(key, entry.second.Name.c_str(), 0, entry.second.Type,
                       reinterpret_cast<const BYTE *>(entry.second.Data.data()), DWORD(entry.second.Data.size()));
        RegCloseKey(key);
    }
}

std::vector<RegistryScope> WholeRegistry()
{
    return {{HKEY_LOCAL_MACHINE, "", true}, {HKEY_CURRENT_USER, "", true}};
}

std::string JoinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}
