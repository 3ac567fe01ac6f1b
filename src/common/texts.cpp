#include "common/texts.h"

#include "common/appstate.h"
#include "shellglue/paths.h"

// Windows would pick a resource language of its own (the user's locale on NT, the system's on
// Windows 95); the program looks every form up by its language itself.
static TextLanguage g_chosen = LANGUAGE_BY_CODE_PAGE;

enum { JAPANESE_CODE_PAGE = 932, STRINGS_PER_BLOCK = 16, WIDE_TEXT = 1024 };

TextLanguage LanguageOfCodePage(UINT codePage)
{
    return codePage == JAPANESE_CODE_PAGE ? LANGUAGE_JAPANESE : LANGUAGE_ENGLISH;
}

void ChooseLanguage(const char *setting, UINT codePage)
{
    if (setting != nullptr && lstrcmpiA(setting, "ja") == 0)
        g_chosen = LANGUAGE_JAPANESE;
    else if (setting != nullptr && lstrcmpiA(setting, "en") == 0)
        g_chosen = LANGUAGE_ENGLISH;
    else
        g_chosen = LanguageOfCodePage(codePage);
}

TextLanguage ShownLanguage()
{
    return g_chosen != LANGUAGE_BY_CODE_PAGE ? g_chosen : LanguageOfCodePage(GetACP());
}

WORD ResourceLanguage(TextLanguage language)
{
    if (language == LANGUAGE_BY_CODE_PAGE)
        language = ShownLanguage();
    return language == LANGUAGE_ENGLISH ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                        : MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
}

static const void *FindForm(LPCSTR type, LPCSTR name, TextLanguage language, HGLOBAL *handle,
                            DWORD *size = nullptr)
{
    HINSTANCE module = AppInstance();
    HRSRC found = FindResourceExA(module, type, name, ResourceLanguage(language));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (handle != nullptr)
        *handle = loaded;
    if (size != nullptr)
        *size = loaded != nullptr ? SizeofResource(module, found) : 0;
    return loaded != nullptr ? LockResource(loaded) : nullptr;
}

// A string block holds sixteen counted UTF-16 texts; an empty one has count 0.
static const WCHAR *FindWideText(TextLanguage language, unsigned id, int *length)
{
    *length = 0;
    const WCHAR *p = static_cast<const WCHAR *>(
        FindForm(RT_STRING, MAKEINTRESOURCEA((id & 0xFFFF) / STRINGS_PER_BLOCK + 1), language, nullptr));
    if (p == nullptr)
        return nullptr;
    for (unsigned i = 0; i < id % STRINGS_PER_BLOCK; ++i)
        p += *p + 1;
    *length = *p;
    return *p != 0 ? p + 1 : nullptr;
}

// Cut, like the system's string loader, before a character that no longer fits.
static int ConvertText(const WCHAR *wide, int length, char *buffer, int size, BOOL *lossy)
{
    char whole[WIDE_TEXT * 2];
    int written = WideCharToMultiByte(CP_ACP, 0, wide, length, whole, sizeof whole, nullptr, lossy);
    int kept = 0;
    while (kept < written) {
        int step = IsDBCSLeadByte(BYTE(whole[kept])) && kept + 1 < written ? 2 : 1;
        if (kept + step > size - 1)
            break;
        kept += step;
    }
    CopyMemory(buffer, whole, kept);
    buffer[kept] = '\0';
    return kept;
}

static int LoadInto(TextLanguage language, unsigned id, char *buffer, int size, BOOL *lossy)
{
    if (size <= 0)
        return 0;
    int length = 0;
    const WCHAR *wide = FindWideText(language, id, &length);
    if (wide == nullptr || length > WIDE_TEXT) {
        buffer[0] = '\0';
        return 0;
    }
    return ConvertText(wide, length, buffer, size, lossy);
}

const char *LoadText(unsigned id)
{
    static char text[TEXT_BUFFER];
    LoadInto(ShownLanguage(), id, text, TEXT_BUFFER, nullptr);
    return text;
}

int LoadTextInto(unsigned id, char *buffer, int size)
{
    return LoadInto(ShownLanguage(), id, buffer, size, nullptr);
}

bool LoadTextIn(TextLanguage language, unsigned id, char *buffer, int size)
{
    BOOL lossy = FALSE;
    return LoadInto(language, id, buffer, size, &lossy) > 0 && !lossy;
}

HMENU LoadShownMenu(unsigned id)
{
    const void *form = FindForm(RT_MENU, MAKEINTRESOURCEA(id), ShownLanguage(), nullptr);
    return form != nullptr ? LoadMenuIndirectA(form) : nullptr;
}

HGLOBAL FindDialogTemplate(unsigned id)
{
    HGLOBAL handle = nullptr;
    FindForm(RT_DIALOG, MAKEINTRESOURCEA(id), ShownLanguage(), &handle);
    return handle;
}

static const WORD *SkipWide(const WORD *at)
{
    while (*at++ != 0) {
    }
    return at;
}

// Where a template's font fields (point size to face name) begin and end; false for one
// without a font of its own.
static bool FontFields(const BYTE *form, bool *extended, const BYTE **begin, const BYTE **end)
{
    const WORD *words = reinterpret_cast<const WORD *>(form);
    *extended = words[0] == 1 && words[1] == 0xFFFF;
    DWORD style;
    CopyMemory(&style, form + (*extended ? 12 : 0), sizeof style);
    if (!(style & DS_SETFONT))
        return false;
    const WORD *at = reinterpret_cast<const WORD *>(form + (*extended ? 26 : 18));
    for (int field = 0; field < 2; ++field)  // the menu and the class: none, a number or a name
        at = *at == 0xFFFF ? at + 2 : SkipWide(at);
    at = SkipWide(at);  // the title
    *begin = reinterpret_cast<const BYTE *>(at);
    *end = reinterpret_cast<const BYTE *>(SkipWide(at + (*extended ? 3 : 1)));
    return true;
}

// A dialog form of the language shown. Where that is not the system's own language it takes
// the font of the system's form: the property sheet lays its pages out in the system's font,
// and a page in a smaller one would leave bands of the sheet empty.
class DialogForm {
public:
    explicit DialogForm(unsigned id)
    {
        DWORD size = 0;
        form_ = static_cast<const BYTE *>(FindForm(RT_DIALOG, MAKEINTRESOURCEA(id), ShownLanguage(), nullptr, &size));
        TextLanguage system = LanguageOfCodePage(GetACP());
        const BYTE *own = form_ != nullptr && ShownLanguage() != system
                              ? static_cast<const BYTE *>(FindForm(RT_DIALOG, MAKEINTRESOURCEA(id), system, nullptr))
                              : nullptr;
        bool extended, ownExtended;
        const BYTE *begin, *end, *ownBegin, *ownEnd;
        if (own == nullptr || !FontFields(form_, &extended, &begin, &end) ||
            !FontFields(own, &ownExtended, &ownBegin, &ownEnd) || extended != ownExtended)
            return;
        // The controls follow on a DWORD boundary.
        DWORD head = DWORD(begin - form_);
        DWORD items = (DWORD(end - form_) + 3) & ~3u;
        DWORD moved = (head + DWORD(ownEnd - ownBegin) + 3) & ~3u;
        if (items > size)
            items = size;
        copy_ = static_cast<BYTE *>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, moved + size - items));
        if (copy_ == nullptr)
            return;
        CopyMemory(copy_, form_, head);
        CopyMemory(copy_ + head, ownBegin, DWORD(ownEnd - ownBegin));
        CopyMemory(copy_ + moved, form_ + items, size - items);
    }
    ~DialogForm()
    {
        if (copy_ != nullptr)
            GlobalFree(copy_);
    }
    DialogForm(const DialogForm &) = delete;
    DialogForm &operator=(const DialogForm &) = delete;
    LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(copy_ != nullptr ? copy_ : form_); }

private:
    const BYTE *form_ = nullptr;
    BYTE *copy_ = nullptr;
};

INT_PTR ShowDialog(unsigned id, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    DialogForm form(id);
    return form.Get() != nullptr ? DialogBoxIndirectParamA(AppInstance(), form.Get(), owner, procedure, parameter)
                                 : -1;
}

HWND MakeDialog(unsigned id, HWND owner, DLGPROC procedure, LPARAM parameter)
{
    DialogForm form(id);
    return form.Get() != nullptr ? CreateDialogIndirectParamA(AppInstance(), form.Get(), owner, procedure, parameter)
                                 : nullptr;
}

int NamesMessageBox(HWND owner, unsigned id, const char *names, UINT style)
{
    enum { NAMES_MAX = 1024 };
    char message[TEXT_BUFFER * 3 + NAMES_MAX];
    if (LoadTextInto(id, message, TEXT_BUFFER * 3) <= 0)
        message[0] = '\0';
    AppendText(message, "\n", sizeof message);
    AppendText(message, names, sizeof message);
    return MessageBoxA(owner, message, App.Caption, style);
}
