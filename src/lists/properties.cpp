#include "lists/properties.h"

#include "common/appstate.h"
#include "common/texts.h"
#include "ids.h"
#include "shellglue/paths.h"
#include "shellglue/shellkeys.h"


namespace {

const char kShellIconsPlace[] = "HKEY_LOCAL_MACHINE\\" SHELL_ICONS_KEY;
const char kUnknownText[] = "(Unknown)";

enum { PLACE_BUFFER = 160 };

void SetCaption(HWND dialog, const char *name)
{
    const char *format = LoadText(IDS_PROPERTIESOF);
    int size = lstrlenA(name) + 24;
    // The "%s" gives back its two bytes; a longer text than the table's would not fit.
    if (lstrlenA(format) - 2 + lstrlenA(name) + 1 > size)
        return;
    char *caption = static_cast<char *>(GlobalAlloc(GMEM_FIXED, size));
    if (caption == nullptr)
        return;
    wsprintfA(caption, format, name);
    SetWindowTextA(dialog, caption);
    GlobalFree(caption);
}

// The row comes as the dialog's creation parameter.
BOOL OnInitDialog(HWND dialog, LPARAM parameter)
{
    const IconEntry *entry = reinterpret_cast<const IconEntry *>(parameter);
    if (entry == nullptr) {
        EndDialog(dialog, 2);
        return TRUE;
    }
    if (entry->LargeIcon != nullptr)
        SendDlgItemMessageA(dialog, IDC_PR_ICON, STM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(entry->LargeIcon));
    SetCaption(dialog, entry->DisplayName != nullptr ? entry->DisplayName : "");
    SetDlgItemTextA(dialog, IDC_PR_CURRENT,
                    entry->CurrentLocation != nullptr ? entry->CurrentLocation : "");

    const char *standard = entry->DefaultLocation != nullptr ? entry->DefaultLocation : kUnknownText;
    if (entry->Kind == KIND_BROWSER)
        standard = LoadText(IDS_NOSTANDARD);  // restoring the browser row removes its key
    SetDlgItemTextA(dialog, IDC_PR_DEFAULT, standard);

    char place[PLACE_BUFFER];
    FormatRegistryPlace(entry, place, sizeof place);
    SetDlgItemTextA(dialog, IDC_PR_REGKEY, place);
    return TRUE;
}

BOOL OnCommand(HWND dialog, int id)
{
    if (id != IDOK && id != IDCANCEL)
        return FALSE;
    EndDialog(dialog, 1);
    return TRUE;
}

BOOL OnActivateApp(HWND dialog, BOOL active)
{
    if (active) {
        InvalidateRect(dialog, nullptr, FALSE);
        UpdateWindow(dialog);
    }
    return FALSE;
}

}  // namespace

void FormatRegistryPlace(const IconEntry *entry, char *buffer, int size)
{
    buffer[0] = '\0';
    const char *key = entry->RegistryKey;
    if (key == nullptr || key[0] == '\0')
        return;
    int length = lstrlenA(key);
    if (key[0] == '{') {
        if (length != CLASS_ID_LENGTH)
            return;
        CopyText(buffer, "HKEY_CLASSES_ROOT\\CLSID\\", size);
        AppendText(buffer, key, size);
        AppendText(buffer, "\\DefaultIcon", size);
        if (entry->Kind == KIND_RECYCLE_EMPTY)
            AppendText(buffer, ", \"empty\"", size);
        else if (entry->Kind == KIND_RECYCLE_FULL)
            AppendText(buffer, ", \"full\"", size);
        return;
    }
    if (length > 3)
        return;
    if (size < static_cast<int>(sizeof kShellIconsPlace) + 3 + 4)
        return;
    wsprintfA(buffer, "%s, \"%s\"", kShellIconsPlace, key);
}

INT_PTR CALLBACK PropertiesDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, lParam);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_ACTIVATEAPP:
        return OnActivateApp(dialog, static_cast<BOOL>(wParam));
    }
    return FALSE;
}

INT_PTR ShowProperties(HWND owner, IconEntry *entry)
{
    return ShowDialog(IDD_PROPERTIES, owner, PropertiesDialog, reinterpret_cast<LPARAM>(entry));
}
