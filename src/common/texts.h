// Message texts of the string table, and the menus and dialog templates, in the language shown.
#ifndef TILEFOX_TEXTS_H
#define TILEFOX_TEXTS_H

#include <windows.h>

enum { TEXT_BUFFER = 80 };

// Every text, menu and dialog is kept in both languages under the same identifiers.
enum TextLanguage { LANGUAGE_BY_CODE_PAGE, LANGUAGE_JAPANESE, LANGUAGE_ENGLISH, LANGUAGE_COUNT };

// "ja" or "en" as the settings file names them; anything else leaves the choice to the
// code page (the system's ANSI one): Japanese on 932, English everywhere else.
void ChooseLanguage(const char *setting, UINT codePage = GetACP());
TextLanguage ShownLanguage();
// The language Windows itself shows on a code page.
TextLanguage LanguageOfCodePage(UINT codePage);
// The resource language that holds a language's forms.
WORD ResourceLanguage(TextLanguage language);

// Returns the text in one 80-byte buffer that the next call overwrites: copy it first when
// two texts are needed at once. An identifier without a text gives "".
const char *LoadText(unsigned id);
// For texts longer than LoadText's buffer; the length copied, 0 when there is no text.
int LoadTextInto(unsigned id, char *buffer, int size);
// A text in a given language, only when the system's code page writes every character of it:
// what the other language may have left on disk or in the registry.
bool LoadTextIn(TextLanguage language, unsigned id, char *buffer, int size);

// A message box of the program's caption: the text, then the names one per line (rows that
// could not be written, or that need rights). Returns the button pressed.
int NamesMessageBox(HWND owner, unsigned id, const char *names, UINT style);

// The menu and dialog templates in the language shown.
HMENU LoadShownMenu(unsigned id);
HGLOBAL FindDialogTemplate(unsigned id);
INT_PTR ShowDialog(unsigned id, HWND owner, DLGPROC procedure, LPARAM parameter);
HWND MakeDialog(unsigned id, HWND owner, DLGPROC procedure, LPARAM parameter);

#endif
