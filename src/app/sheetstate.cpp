#include "app/sheetstate.h"

SheetState Sheet;
