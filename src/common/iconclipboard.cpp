#include "common/iconclipboard.h"

#include "common/appstate.h"
#include "ids.h"
#include "shellglue/paths.h"

static char *Copied;

const char *CopiedIcon()
{
    return Copied;
}

void AdoptCopiedIcon(char *text)
{
    if (Copied != nullptr && Copied != text)
        GlobalFree(Copied);
    Copied = text;
}

int CopyToClipboard(const char *text)
{
    if (text == nullptr)
        return 0;
    // Copied before the old text goes: text may be the clipboard itself.
    char *copy = DupString(text);
    if (copy == nullptr)
        return 0;
    AdoptCopiedIcon(copy);
    return 1;
}

void ClearCopiedIcon()
{
    AdoptCopiedIcon(nullptr);
}

void OfferCopiedIcon(HWND window)
{
    if (Copied == nullptr || Copied[0] == '\0' || !IsWindow(window))
        return;
    HWND running = FindWindowA(INSTANCE_CLASS, nullptr);
    if (running == nullptr || running == App.InstanceWindow)
        return;
    if (SetWindowTextA(window, Copied))
        PostMessageA(running, UM_TAKECOPIEDICON, WPARAM(TAKE_COPIEDICON), reinterpret_cast<LPARAM>(window));
}

// The text comes from a control of another process; it is read while that control's dialog
// is still open, so a window that has gone away simply yields nothing.
void TakeOfferedIcon(WPARAM wParam, LPARAM lParam)
{
    HWND source = reinterpret_cast<HWND>(lParam);
    if (wParam != WPARAM(TAKE_COPIEDICON) || !IsWindow(source))
        return;
    char text[LOCATION_BUFFER];
    ZeroMemory(text, sizeof text);
    GetWindowTextA(source, text, LOCATION_BUFFER);
    if (text[0] != '\0')
        CopyToClipboard(text);
}
