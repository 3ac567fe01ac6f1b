#include "shellsettings/redraw.h"

void RedrawShellIcons() {}
