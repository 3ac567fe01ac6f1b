#include "lists/listcommands.h"

// Files dropped on a list are not taken yet: the drop is refused with a beep.
void DropFilesOnList(HWND, HWND, HDROP)
{
    MessageBeep(0);
}
