#include "folders/browsesetting.h"

// Placeholder until the dialog itself arrives: nothing changes.
INT_PTR DefaultBrowseDialog(HWND)
{
    return IDCANCEL;
}
