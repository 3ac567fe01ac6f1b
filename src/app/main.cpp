#include <windows.h>

#include "app/appstate.h"
#include "app/texts.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    App.Instance = instance;
    MessageBoxA(nullptr, LoadText(1), LoadText(6), MB_OK);
    return 0;
}
