#include "support/listrows.h"

#include "lists/iconentry.h"
#include "support/listhost.h"

std::vector<RowText> ReadRows(HWND list)
{
    std::vector<RowText> rows;
    for (int row = 0; row < Rows(list); ++row) {
        const IconEntry *entry = GetEntry(list, row);
        if (entry == nullptr)
            rows.push_back(RowText{"<null>", "<null>", "<null>", "<null>", "<null>", -1});
        else
            rows.push_back(RowText{Text(entry->DisplayName), Text(entry->CurrentLocation), Text(entry->SavedLocation),
                                   Text(entry->DefaultLocation), Text(entry->RegistryKey), entry->Kind});
    }
    return rows;
}

const RowText *FindRow(const std::vector<RowText> &rows, const std::string &key)
{
    for (const RowText &row : rows) {
        if (lstrcmpiA(row.Key.c_str(), key.c_str()) == 0)
            return &row;
    }
    return nullptr;
}

int RowOfKey(HWND list, const char *key)
{
    for (int row = 0; row < Rows(list); ++row) {
        const IconEntry *entry = GetEntry(list, row);
        if (entry != nullptr && entry->RegistryKey != nullptr && lstrcmpiA(entry->RegistryKey, key) == 0)
            return row;
    }
    return -1;
}

std::vector<RowText> FillRows(ListHost &host, int tab, void (*fill)(HWND list))
{
    HWND list = host.CreateList(tab);
    fill(list);
    std::vector<RowText> rows = ReadRows(list);
    DestroyWindow(GetParent(list));
    return rows;
}

int ChangeRow(HWND list, int row, const char *location)
{
    return ChangeEntryLocation(list, row, location, STATE_CHANGED);
}

std::string ClassKey(const std::string &classText, const char *tail)
{
    return "Software\\Classes\\CLSID\\" + classText + tail;
}

std::string InstallClass(const std::string &classText, const char *title, const char *icon, HKEY root)
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
