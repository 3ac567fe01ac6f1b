// Path and text helpers. Strings are ANSI (code page 932 on the target), so every scan for
// '\\', '/', ':' or '.' steps by characters; blanks, quotes and commas are single bytes.
#ifndef TILEFOX_PATHS_H
#define TILEFOX_PATHS_H

#include <windows.h>

enum { PATH_BUFFER = MAX_PATH, LOCATION_BUFFER = 270 };

char *TrimTrailingSpaces(char *text);
char *TrimLeadingSpaces(char *text);
char *StripQuotes(char *text);
// Trailing blanks, leading blanks, one pair of enclosing quotes: the idiom for typed or read paths.
void CleanPath(char *text);
char *CutToDirectory(char *path);
// The caller leaves room for one more byte.
char *AddBackslash(char *path);
char *FindExtension(char *path);
const char *FindExtension(const char *path);
// Global-heap copy (GMEM_FIXED); the receiver frees it with GlobalFree. Null when out of
// memory, and for no text at all.
char *DupString(const char *text);
// Leaves the file part in the buffer and returns the icon index.
int SplitIconLocation(char *location);
int CompareShortPaths(const char *a, const char *b);
// Writes the long form of source into destination (MAX_PATH bytes). Returns 1 or 0; on 0 the
// destination is left as it was.
int ExpandToLongPath(char *source, char *destination);
char *FindCharFrom(int position, char *text, char ch);

// Bounded copy: always terminates, copies at most size - 1 bytes. Returns destination.
char *CopyText(char *destination, const char *source, int size);
// Appends source while the whole stays within size bytes; returns 0 when it would not fit
// (destination then unchanged).
int AppendText(char *destination, const char *source, int size);
// Signed decimal: leading white space, optional sign, digits up to the first non-digit; a
// number beyond the range of int gives the nearest end of the range.
int ParseInt(const char *text);
// 0-15 for a hexadecimal digit of either case, -1 for anything else.
int HexDigitValue(char ch);
// A special folder's path (CSIDL_..., MAX_PATH bytes); false, and an empty path, when the
// system does not know the folder (Windows 95 refuses those of later shells).
bool SpecialFolderPath(int csidl, char *path);
// Whether a file (not a folder) is there.
bool IsFile(const char *path);

// Frees a global-heap text and forgets it.
void FreeText(char **text);
// SearchPathA in the default order into found (MAX_PATH bytes). A result that does not fit
// counts as not found, and found is then emptied rather than left unwritten.
bool SearchFile(const char *name, char *found);
// Between these two, SearchFile answers a name it was asked before from memory (for work
// that asks about the same files many times over without changing folders). They nest.
void BeginSearchMemo();
void EndSearchMemo();

#endif
