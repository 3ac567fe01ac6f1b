#include "common/sheetgdi.h"

#include "common/appstate.h"
#include "common/options.h"
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

// The system reads its DPI once at start; so may we.
static int ScreenDpi()
{
    static int dpi;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        ReleaseDC(nullptr, screen);
        if (dpi <= 0)
            dpi = 96;
    }
    return dpi;
}

void CreateSheetFonts(HWND window)
{
    LOGFONTA titleFont;
    if (!SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof titleFont, &titleFont, 0)) {
        HFONT windowFont = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
        ZeroMemory(&titleFont, sizeof titleFont);
        GetObjectA(windowFont != nullptr ? windowFont : GetStockObject(DEFAULT_GUI_FONT), sizeof titleFont,
                   &titleFont);
    }
    int dpi = ScreenDpi();
    titleFont.lfWidth = 0;
    titleFont.lfHeight = -MulDiv(9, dpi, 72);
    Gdi.ListFont = CreateFontIndirectA(&titleFont);
    titleFont.lfHeight = -MulDiv(10, dpi, 72);
    Gdi.ListFontLarge = CreateFontIndirectA(&titleFont);

    CreateMenuFontsFromSystem();
    if (Gdi.MenuFont == nullptr)
        CreateMenuFonts(&titleFont);
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

int LargeIconSize()
{
    return GetSystemMetrics(SM_CXICON);
}

int SmallIconSize()
{
    return GetSystemMetrics(SM_CXSMICON);
}

int ScaledPixels(int pixelsAt96)
{
    return MulDiv(pixelsAt96, ScreenDpi(), 96);
}

int TextLineHeight(HFONT font)
{
    if (font == nullptr)
        return 0;
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

HICON LoadSmallProgramIcon(WORD id)
{
    return static_cast<HICON>(
        LoadImageA(AppInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, SmallIconSize(), SmallIconSize(), 0));
}

int RowLeftMargin()
{
    return ScaledPixels(Settings.IconLeftMargin);
}
