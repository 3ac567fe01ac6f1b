// Registry places and sizes that the shell and the program agree on.
#ifndef TILEFOX_SHELLKEYS_H
#define TILEFOX_SHELLKEYS_H

// Overrides of shell32.dll's pictures, value name = icon index (HKEY_LOCAL_MACHINE).
#define SHELL_ICONS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Icons"

enum {
    CLASS_ID_LENGTH = 38,   // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
};

#endif
