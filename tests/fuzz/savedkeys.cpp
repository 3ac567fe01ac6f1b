#include "fuzz/savedkeys.h"

#include <algorithm>

#include "support/testing.h"

bool ReadKeyValues(HKEY root, const char *path, std::vector<SavedValue> *values)
{
    values->clear();
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
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
        values->push_back({name, type, data});
    }
    RegCloseKey(key);
    std::sort(values->begin(), values->end(),
              [](const SavedValue &a, const SavedValue &b) { return lstrcmpiA(a.Name.c_str(), b.Name.c_str()) < 0; });
    return true;
}

void SavedKeys::Save(HKEY root, const char *path)
{
    for (const SavedKey &key : keys_) {
        if (key.Root == root && lstrcmpiA(key.Path.c_str(), path) == 0)
            return;
    }
    SavedKey key;
    key.Root = root;
    key.Path = path;
    key.Existed = ReadKeyValues(root, path, &key.Values);
    keys_.push_back(key);
}

void SavedKeys::RestoreAll()
{
    for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
        if (!it->Existed) {
            DeleteRegTree(it->Root, it->Path.c_str());
            continue;
        }
        HKEY key;
        if (RegCreateKeyExA(it->Root, it->Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            continue;
        std::vector<SavedValue> now;
        ReadKeyValues(it->Root, it->Path.c_str(), &now);
        for (const SavedValue &value : now)
            RegDeleteValueA(key, value.Name.c_str());
        for (const SavedValue &value : it->Values)
            RegSetValueExA(key, value.Name.c_str(), 0, value.Type, reinterpret_cast<const BYTE *>(value.Data.data()),
                           DWORD(value.Data.size()));
        RegCloseKey(key);
    }
}
