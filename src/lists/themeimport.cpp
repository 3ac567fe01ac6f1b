#include "lists/listcommands.h"

#include "shellglue/paths.h"

int IsThemeFile(const char *path)
{
    if (path == nullptr)
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != DWORD(-1) && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    const char *extension = FindExtension(path);
    return lstrcmpiA(extension, ".themi") == 0 || lstrcmpiA(extension, ".theme") == 0 ||
           lstrcmpiA(extension, ".motif") == 0;
}

// Theme files are not read yet: nothing loaded, nothing failed.
DWORD ImportThemeFile(const char *)
{
    return 0;
}
