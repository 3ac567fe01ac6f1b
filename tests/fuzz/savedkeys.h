// Registry keys saved as they were and put back exactly: values, and whether the key existed.
// Shared by the fuzz channels and the soak run; only the values of the key itself are kept.
#ifndef TILEFOX_SAVEDKEYS_H
#define TILEFOX_SAVEDKEYS_H

#include <windows.h>

#include <string>
#include <vector>

struct SavedValue {
    std::string Name;
    DWORD Type;
    std::string Data;
};

struct SavedKey {
    HKEY Root;
    std::string Path;
    bool Existed;
    std::vector<SavedValue> Values;
};

// The values of one key, sorted by name; false when the key does not exist.
bool ReadKeyValues(HKEY root, const char *path, std::vector<SavedValue> *values);

class SavedKeys {
public:
    // Parents before children: they are put back in reverse order.
    void Save(HKEY root, const char *path);
    void RestoreAll();

private:
    std::vector<SavedKey> keys_;
};

#endif
