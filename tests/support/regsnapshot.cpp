#include "support/regsnapshot.h"

#include <algorithm>

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
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool done = LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid) &&
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    return done;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

unsigned char CEscape(char c)
{
    switch (c) {
    case 'a': return '\a';
    case 'b': return '\b';
    case 't': return '\t';
    case 'n': return '\n';
    case 'v': return '\v';
    case 'f': return '\f';
    case 'r': return '\r';
    case 'e': return 0x1b;
    default: return static_cast<unsigned char>(c);
    }
}

// A quoted or bracketed text of the saved branch, from *at to its closing mark, escapes undone.
std::wstring Unescape(const std::string &line, size_t *at, char close)
{
    std::wstring text;
    size_t i = *at;
    while (i < line.size() && line[i] != close) {
        char c = line[i++];
        if (c != '\\' || i >= line.size()) {
            text += wchar_t(static_cast<unsigned char>(c));
            continue;
        }
        c = line[i++];
        if (c == 'x') {
            unsigned value = 0;
            for (int n = 0; n < 4 && i < line.size() && HexDigit(line[i]) >= 0; ++n)
                value = value * 16 + unsigned(HexDigit(line[i++]));
            text += wchar_t(value);
        } else if (c >= '0' && c <= '7') {
            unsigned value = unsigned(c - '0');
            for (int n = 1; n < 3 && i < line.size() && line[i] >= '0' && line[i] <= '7'; ++n)
                value = value * 8 + unsigned(line[i++] - '0');
            text += wchar_t(value);
        } else {
            text += wchar_t(CEscape(c));
        }
    }
    *at = i < line.size() ? i + 1 : i;
    return text;
}

std::string Ansi(const std::wstring &text)
{
    if (text.empty())
        return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), &ansi[0], size, nullptr, nullptr);
    return ansi;
}

bool IsTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

// The branch as Wine saves it; false where the system saves another format or refuses, and the
// caller reads key by key. Volatile keys are not saved, and a link key shows as itself.
bool RegistrySnapshot::ReadSaved(HKEY root, const std::string &path)
{
    static bool privileged = EnableBackupPrivilege();
    if (!privileged)
        return false;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return true;
    char folder[MAX_PATH];
    char file[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "reg", 0, file);
    DeleteFileA(file);
    bool saved = RegSaveKeyA(key, file, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    std::string text = saved ? ReadFileText(file) : "";
    DeleteFileA(file);
    if (text.compare(0, 23, "WINE REGISTRY Version 2") != 0)
        return false;

    std::string keyPath;
    bool skipping = true;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        // Long binary values go on over lines that end in a backslash.
        while (!line.empty() && line.back() == '\\' && start < text.size()) {
            end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            line.pop_back();
            line += text.substr(start, end - start);
            start = end + 1;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            size_t at = 1;
            std::string relative = Ansi(Unescape(line, &at, ']'));
            keyPath = path.empty() ? relative : (relative.empty() ? path : path + "\\" + relative);
            skipping = Excluded(root, keyPath);
            if (skipping)
                continue;
            // Keys with subkeys and no value are saved only through their subkeys.
            std::string parent = keyPath;
            while (keys_.emplace(Identity(root, parent, ""), Key{root, parent}).second && parent.size() > path.size()) {
                size_t cut = parent.rfind('\\');
                parent = cut == std::string::npos || cut < path.size() ? path : parent.substr(0, cut);
            }
            continue;
        }
        if (skipping)
            continue;
        std::string name;
        size_t at = 0;
        if (line[0] == '"') {
            at = 1;
            name = Ansi(Unescape(line, &at, '"'));
        } else if (line[0] == '@') {
            at = 1;
        } else {
            continue;
        }
        if (at >= line.size() || line[at] != '=')
            continue;
        ++at;
        Value value = {root, keyPath, name, REG_SZ, ""};
        if (line.compare(at, 4, "str(") == 0) {
            value.Type = DWORD(strtoul(line.c_str() + at + 4, nullptr, 16));
            at = line.find(':', at) + 1;
        }
        if (line.compare(at, 1, "\"") == 0) {
            ++at;
            std::wstring data = Unescape(line, &at, '"');
            data += L'\0';
            value.Data = Ansi(data);
        } else if (line.compare(at, 6, "dword:") == 0) {
            DWORD number = DWORD(strtoul(line.c_str() + at + 6, nullptr, 16));
            value.Type = REG_DWORD;
            value.Data.assign(reinterpret_cast<const char *>(&number), sizeof number);
        } else if (line.compare(at, 3, "hex") == 0) {
            value.Type = REG_BINARY;
            if (line.compare(at, 4, "hex(") == 0)
                value.Type = DWORD(strtoul(line.c_str() + at + 4, nullptr, 16));
            at = line.find(':', at);
            std::string bytes;
            for (size_t i = at + 1; at != std::string::npos && i + 1 < line.size(); ++i) {
                if (HexDigit(line[i]) >= 0 && HexDigit(line[i + 1]) >= 0) {
                    bytes += char(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
                    ++i;
                }
            }
            if (IsTextType(value.Type))
                bytes = Ansi(std::wstring(reinterpret_cast<const wchar_t *>(bytes.data()), bytes.size() / 2));
            value.Data = bytes;
        } else {
            continue;
        }
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
