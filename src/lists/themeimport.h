// Desktop-theme files: their icons become pending changes of the five lists.
#ifndef TILEFOX_THEMEIMPORT_H
#define TILEFOX_THEMEIMPORT_H

#include <windows.h>

// The theme files that are imported rather than turned into an icon: not a folder, and the
// extension ".themi", ".theme" or ".motif".
int IsThemeFile(const char *path);
// Imports every icon the theme names into the five lists as pending changes.
// (failed << 16) | (loaded & 0xFFFF)
DWORD ImportThemeFile(const char *path);

// value (LOCATION_BUFFER bytes) holds a path as a theme file writes it and receives the icon
// location it names. themeFolder is the theme file's folder, themesFolder the installed
// themes folder or null; neither ends with a separator. 1 when value now names a file with a
// usable icon; 0 otherwise, also when an expansion would not fit.
int ExpandThemePath(char *value, const char *themeFolder, const char *themesFolder);

// What a drop or the start-up file does with a theme file: imports it with the sheet's
// redrawing held back, lets the pages redraw and tells the user the two counts (text 20).
void ImportThemeAndReport(HWND sheet, const char *path);

#endif
