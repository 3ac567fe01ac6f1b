#include "app/sheetstate.h"

SheetState Sheet;

void ResetSheetState(const ContentPage *pages)
{
    ZeroMemory(&Sheet, sizeof Sheet);
    Sheet.PreviousTab = 255;
    Sheet.ContentPages = pages;
}
