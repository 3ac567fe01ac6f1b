#include "common/sheetgdi.h"

#include "shellglue/oldsizes.h"

SheetGdi Gdi;

static LONG RaisedWeight(LONG weight)
{
    if (weight == 0)
        return FW_BOLD;
    return weight < 600 ? weight + 300 : FW_HEAVY;
}

void CreateMenuFonts(const LOGFONTA *menuFont)
{
    if (Gdi.MenuFont != nullptr)
        DeleteObject(Gdi.MenuFont);
    if (Gdi.MenuFontBold != nullptr)
        DeleteObject(Gdi.MenuFontBold);
    Gdi.MenuFont = CreateFontIndirectA(menuFont);
    LOGFONTA bold = *menuFont;
    bold.lfWeight = RaisedWeight(bold.lfWeight);
    Gdi.MenuFontBold = CreateFontIndirectA(&bold);
}

void CreateMenuFontsFromSystem()
{
    NONCLIENTMETRICSA metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = NONCLIENTMETRICS_SIZE_95;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, NONCLIENTMETRICS_SIZE_95, &metrics, 0))
        CreateMenuFonts(&metrics.lfMenuFont);
}

void FreeSheetGdi()
{
    HFONT fonts[] = {Gdi.ListFont, Gdi.ListFontLarge, Gdi.MenuFont, Gdi.MenuFontBold};
    for (HFONT font : fonts) {
        if (font != nullptr)
            DeleteObject(font);
    }
    HICON icons[] = {Gdi.FallbackIconLarge, Gdi.FallbackIconSmall, Gdi.ChangedMarkIcon,
                     Gdi.UndoIcon, Gdi.CopyIcon, Gdi.PasteIcon};
    for (HICON icon : icons) {
        if (icon != nullptr)
            DestroyIcon(icon);
    }
    ZeroMemory(&Gdi, sizeof Gdi);
}
