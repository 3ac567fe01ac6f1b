#include "common/appstate.h"

AppState App;

HINSTANCE AppInstance()
{
    return App.Instance != nullptr ? App.Instance : GetModuleHandleA(nullptr);
}
