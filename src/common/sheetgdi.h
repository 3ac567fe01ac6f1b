// Fonts and icons that every page draws with: made when the sheet is set up, destroyed with
// the sheet window.
#ifndef TILEFOX_SHEETGDI_H
#define TILEFOX_SHEETGDI_H

#include <windows.h>

struct SheetGdi {
    HFONT ListFont;             // icon-title font, 9 pt
    HFONT ListFontLarge;        // 10 pt
    HFONT MenuFont;
    HFONT MenuFontBold;
    HICON FallbackIconLarge;    // shell32.dll icon 0
    HICON FallbackIconSmall;
    HICON ChangedMarkIcon;      // resource 105
    HICON UndoIcon;             // 106
    HICON CopyIcon;             // 107
    HICON PasteIcon;            // 108
};

extern SheetGdi Gdi;

// ListFont and ListFontLarge from the icon-title font (or the window's) at the DPI in force,
// then the menu fonts.
void CreateSheetFonts(HWND window);
// MenuFont and MenuFontBold from a logical font, replacing the old ones.
void CreateMenuFonts(const LOGFONTA *menuFont);
// The same from the system's menu font; nothing changes when the system does not answer.
void CreateMenuFontsFromSystem();
// Destroys every object and empties the record.
void FreeSheetGdi();

// Pixel figures for the DPI in force; at 96 DPI each is the figure the program always had.
int LargeIconSize();
int SmallIconSize();
int ScaledPixels(int pixelsAt96);
// The room left of a list row's icon, for the DPI in force.
int RowLeftMargin();
// A line of text in the font, from its top to its bottom; 0 without a font.
int TextLineHeight(HFONT font);
// A program icon resource at the system's small icon size.
HICON LoadSmallProgramIcon(WORD id);

#endif
