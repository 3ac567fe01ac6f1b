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

void RegistrySnapshot::Read(HKEY root, const std::string &path, bool recursive)
{
    for (const std::string &excluded : excluded_) {
        if (lstrcmpiA((std::string(RootName(root)) + "\\" + path).c_str(), excluded.c_str()) == 0)
            return;
    }
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

void RegistrySnapshot::Take()
{
    values_.clear();
    keys_.clear();
    for (const RegistryScope &scope : scope_)
        Read(scope.Root, scope.Path, scope.Recursive);
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
