// Reading, finding and changing the rows of a list, and seeding the class keys catalogues read.
#ifndef TILEFOX_TESTS_SUPPORT_LISTROWS_H
#define TILEFOX_TESTS_SUPPORT_LISTROWS_H

#include <windows.h>

#include <string>
#include <vector>

// A row's texts, "<null>" for a null text; Kind -1 for a row without an entry.
struct RowText {
    std::string Name, Current, Saved, Default, Key;
    int Kind;
};

std::vector<RowText> ReadRows(HWND list);
// A page of the tab under the host, filled by the catalogue, read, and destroyed.
std::vector<RowText> FillRows(class ListHost &host, int tab, void (*fill)(HWND list));
const RowText *FindRow(const std::vector<RowText> &rows, const std::string &key);
// The row whose registry key is key (case ignored), or -1.
int RowOfKey(HWND list, const char *key);
// Gives a row a new location as the commands do (ChangeEntryLocation); 1 when it took it.
int ChangeRow(HWND list, int row, const char *location);

// A class key under Software\Classes\CLSID, and one made with an optional title and
// DefaultIcon; InstallClass returns the key's path, or "" when it could not be made.
std::string ClassKey(const std::string &classText, const char *tail = "");
std::string InstallClass(const std::string &classText, const char *title, const char *icon, HKEY root);

#endif
