// Shared by the Desktop and Special catalogue tests: a list box to fill, its rows read back,
// and registry subtrees saved before a test rewrites them and put back afterwards.
#ifndef TILEFOX_CATALOGUE_SUPPORT_H
#define TILEFOX_CATALOGUE_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "common/appstate.h"
#include "common/tabs.h"
#include "shellglue/startfacts.h"
#include "lists/iconentry.h"
#include "lists/listpage.h"
#include "support/testing.h"

namespace catalogue_test {

const char kNull[] = "<null>";

inline std::string Text(const char *text)
{
    return text != nullptr ? std::string(text) : std::string(kNull);
}

struct Row {
    std::string Name, Current, Saved, Default, Key;
    int Kind;
};

// A plain owner-drawn list without strings under a hidden parent, as the pages have.
class TestList {
public:
    TestList()
    {
        parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        list_ = CreateWindowExA(0, "LISTBOX", "",
                                WS_CHILD | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                0, 0, 200, 200, parent_, reinterpret_cast<HMENU>(2001), GetModuleHandleA(nullptr),
                                nullptr);
    }
    ~TestList()
    {
        FreeList(list_);
        DestroyWindow(parent_);
    }
    TestList(const TestList &) = delete;
    TestList &operator=(const TestList &) = delete;

    HWND Get() const { return list_; }

    std::vector<Row> Rows() const
    {
        std::vector<Row> rows;
        int count = int(SendMessageA(list_, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const IconEntry *entry = GetEntry(list_, i);
            if (entry == nullptr) {
                rows.push_back(Row{kNull, kNull, kNull, kNull, kNull, -1});
                continue;
            }
            rows.push_back(Row{Text(entry->DisplayName), Text(entry->CurrentLocation), Text(entry->SavedLocation),
                               Text(entry->DefaultLocation), Text(entry->RegistryKey), entry->Kind});
        }
        return rows;
    }

private:
    HWND parent_;
    HWND list_;
};

inline const Row *FindRow(const std::vector<Row> &rows, const std::string &key)
{
    for (const Row &row : rows) {
        if (lstrcmpiA(row.Key.c_str(), key.c_str()) == 0)
            return &row;
    }
    return nullptr;
}

// One registry subtree as it was; Restore deletes whatever the test left and rebuilds it.
class SavedTree {
public:
    SavedTree(HKEY root, const std::string &path) : root_(root), path_(path)
    {
        HKEY key;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            existed_ = true;
            Save(key, "");
            RegCloseKey(key);
        }
    }

    void Restore() const
    {
        DeleteRegTree(root_, path_.c_str());
        if (!existed_)
            return;
        for (const std::string &sub : keys_) {
            HKEY key;
            std::string full = path_ + sub;
            if (RegCreateKeyExA(root_, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
                ERROR_SUCCESS)
                RegCloseKey(key);
        }
        for (const Value &value : values_) {
            HKEY key;
            std::string full = path_ + value.Sub;
            if (RegCreateKeyExA(root_, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                continue;
            RegSetValueExA(key, value.Name.c_str(), 0, value.Type, value.Data.data(), DWORD(value.Data.size()));
            RegCloseKey(key);
        }
    }

private:
    struct Value {
        std::string Sub, Name;
        DWORD Type;
        std::vector<BYTE> Data;
    };

    void Save(HKEY key, const std::string &sub)
    {
        keys_.push_back(sub);
        for (DWORD i = 0;; ++i) {
            char name[512];
            DWORD nameLength = sizeof(name);
            BYTE data[4096];
            DWORD dataLength = sizeof(data);
            DWORD type = 0;
            if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
                break;
            values_.push_back(Value{sub, name, type, std::vector<BYTE>(data, data + dataLength)});
        }
        std::vector<std::string> children;
        for (DWORD i = 0;; ++i) {
            char name[512];
            DWORD nameLength = sizeof(name);
            if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            children.push_back(name);
        }
        for (const std::string &child : children) {
            HKEY childKey;
            if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &childKey) == ERROR_SUCCESS) {
                Save(childKey, sub + "\\" + child);
                RegCloseKey(childKey);
            }
        }
    }

    HKEY root_;
    std::string path_;
    bool existed_ = false;
    std::vector<std::string> keys_;
    std::vector<Value> values_;
};

// The shell flags a catalogue reads, set per case and put back afterwards.
class ShellFlags {
public:
    ShellFlags() : saved_(Facts) {}
    ~ShellFlags() { Facts = saved_; }
    void Set(bool newShell, bool integrated, bool plus, bool cool, char *systemDir)
    {
        Facts.NewShell = newShell;
        Facts.IntegratedShell = integrated;
        Facts.PlusMode = plus;
        Facts.CoolIconsAvailable = cool;
        Facts.SystemDirPath = systemDir;
    }

private:
    StartupFacts saved_;
};

inline std::string ClassKey(const std::string &classText, const char *tail = "")
{
    return "Software\\Classes\\CLSID\\" + classText + tail;
}

// A class key with an optional title and DefaultIcon; returns the key's path, or "" when the
// key could not be made.
inline std::string InstallClass(const std::string &classText, const char *title, const char *icon, HKEY root)
{
    std::string key = ClassKey(classText);
    HKEY created;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return std::string();
    RegCloseKey(created);
    if (title != nullptr)
        SetRegString(root, key.c_str(), "", title);
    if (icon != nullptr)
        SetRegString(root, (key + "\\DefaultIcon").c_str(), "", icon);
    return key;
}

}  // namespace catalogue_test

#endif
