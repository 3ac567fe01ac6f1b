// Writing the icons of the five lists as a desktop-theme file that the import reads back.
#ifndef TILEFOX_THEMEEXPORT_H
#define TILEFOX_THEMEEXPORT_H

#include <windows.h>

// Writes every row that shows another icon than its standard, as shown (pending changes
// included), in the sections the theme packs of Windows 95 use. A row whose standard is
// unknown is written only when this program changed it (pending, or as a kept restore point
// records); leftOut, when given, counts the others, saved the rows written. An existing file
// is replaced only once the new one is complete. 1 when the file was written, 0 when it was
// not (the file that was there is then kept).
int WriteThemeFile(const char *path, int *leftOut = nullptr, int *saved = nullptr);

// A location as a theme file carries it (value of LOCATION_BUFFER bytes): a path inside the
// system or Windows folder with the token the import expands, any other text whole.
void FormThemeValue(const char *location, char *value);

#endif
