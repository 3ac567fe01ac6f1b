#include "shellsettings/shortcut.h"

#include <objbase.h>
#include <shlobj.h>

BOOL CreateShortcut(const char *linkPath, const char *target, const char *arguments, const char *iconFile,
                    int iconIndex)
{
    HRESULT result = CoInitialize(nullptr);
    bool initialised = SUCCEEDED(result);
    IShellLinkA *link = nullptr;
    result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void **>(&link));
    if (SUCCEEDED(result)) {
        link->SetPath(target);
        if (arguments != nullptr)
            link->SetArguments(arguments);
        if (iconFile != nullptr)
            link->SetIconLocation(iconFile, iconIndex);
        IPersistFile *file = nullptr;
        result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file));
        if (SUCCEEDED(result)) {
            WCHAR widePath[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0)
                result = E_FAIL;
            else
                result = file->Save(widePath, TRUE);
            file->Release();
        }
        link->Release();
    }
    if (initialised)
        CoUninitialize();
    return SUCCEEDED(result);
}
