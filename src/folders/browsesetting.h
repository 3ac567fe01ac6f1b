// The dialog that sets the folder or icon file offered first when a folder icon is changed.
#ifndef TILEFOX_BROWSESETTING_H
#define TILEFOX_BROWSESETTING_H

#include <windows.h>

// Modal, owned by owner; the id of the button that closed it.
INT_PTR DefaultBrowseDialog(HWND owner);

#endif
