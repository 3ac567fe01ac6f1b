// Registry and version reads and writes. Every key is opened for one access and closed
// before return; strings come back as global-heap blocks the caller frees.
#ifndef TILEFOX_REGISTRY_H
#define TILEFOX_REGISTRY_H

#include <windows.h>

char *ReadRegString(HKEY root, const char *subkey, const char *valueName);
// The same below any open key; with emptyIsAbsent an empty value gives null.
char *ReadStringAt(HKEY root, const char *subkey, const char *valueName, bool emptyIsAbsent);
// Per user first, where the system or the integrated shell keeps classes per user; an
// empty value counts as absent.
char *ReadUserOrMachineString(const char *subkey, const char *valueName);
char *ExpandEnvString(char *text);
// A number stored as decimal text, as a DWORD, or as binary bytes, which the shell reads as
// text; false for a value of another type or shape.
bool StoredNumber(DWORD type, const BYTE *data, DWORD size, int *number);
// The number of a value stored in any of these ways; false when it is missing or holds none.
bool ReadRegNumber(HKEY root, const char *subkey, const char *valueName, int *number);
DWORD ReadRegDword(HKEY root, const char *subkey, const char *valueName, DWORD defaultValue);
int WriteRegString(HKEY root, const char *subkey, const char *valueName, const char *text);
// Deletes a value; true when it is gone afterwards, also when it or its key was never there,
// false when a key that is there refused.
bool RemoveRegValue(HKEY root, const char *subkey, const char *valueName);
// RegDeleteKeyA in the view RegKey opens; the result code as the system gives it.
LONG DeleteRegKey(HKEY parent, const char *name);
void ReadFileVersion(const char *fileName, DWORD *high, DWORD *low);

#endif
