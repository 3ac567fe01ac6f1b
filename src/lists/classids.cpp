#include "lists/classids.h"

#include "shellglue/paths.h"
#include "shellglue/startfacts.h"

// Reads count hex digits (an even number) from text into count / 2 bytes, first digits first.
static bool ReadHexGroup(const char *text, int count, BYTE *out)
{
    for (int i = 0; i < count; i += 2) {
        int high = HexDigitValue(text[i]);
        int low = HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i / 2] = BYTE((high << 4) | low);
    }
    return true;
}

int ParseGuidText(const char *text, BYTE *bytes)
{
    if (text == nullptr || text[0] != '{')
        return 0;
    for (int i = 1; i < CLASS_ID_LENGTH; ++i) {
        if (text[i] == '\0')
            return 0;
    }
    if (text[CLASS_ID_LENGTH - 1] != '}' || text[CLASS_ID_LENGTH] != '\0')
        return 0;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-')
        return 0;

    // Every group is hex digits only: no sign, blank or "0x" slips through as a number.
    BYTE parsed[CLASS_ID_BYTES];
    if (!ReadHexGroup(text + 1, 8, parsed) || !ReadHexGroup(text + 10, 4, parsed + 4) ||
        !ReadHexGroup(text + 15, 4, parsed + 6) || !ReadHexGroup(text + 20, 4, parsed + 8) ||
        !ReadHexGroup(text + 25, 12, parsed + 10))
        return 0;
    CopyMemory(bytes, parsed, CLASS_ID_BYTES);
    return 1;
}

void FormatClassId(const ClassId &id, char *text)
{
    const BYTE *b = id.Bytes;
    wsprintfA(text, "{%08lX-%04X-%04X-%04X-%04X%08lX}",
              (unsigned long)((DWORD(b[0]) << 24) | (DWORD(b[1]) << 16) | (DWORD(b[2]) << 8) | b[3]),
              (b[4] << 8) | b[5], (b[6] << 8) | b[7], (b[8] << 8) | b[9], (b[10] << 8) | b[11],
              (unsigned long)((DWORD(b[12]) << 24) | (DWORD(b[13]) << 16) | (DWORD(b[14]) << 8) | b[15]));
}

bool SameClassId(const ClassId &a, const BYTE *bytes)
{
    for (int i = 0; i < CLASS_ID_BYTES; ++i) {
        if (a.Bytes[i] != bytes[i])
            return false;
    }
    return true;
}

int ExpandIconTemplate(const char *templateText, bool coolMark, char *out, int size)
{
    out[0] = '\0';
    if (templateText == nullptr)
        return 0;
    for (const char *p = templateText; *p != '\0'; ++p) {
        const char *piece;
        bool last = false;
        if (*p == '*')
            piece = Facts.SystemDirPath != nullptr ? Facts.SystemDirPath : "";
        else if (*p == '?' && coolMark)
            piece = "cool.dll";
        else if (*p == '|')
            piece = "shell32.dll";
        else {
            piece = p;
            last = true;
        }
        if (!AppendText(out, piece, size)) {
            out[0] = '\0';
            return 0;
        }
        if (last)
            break;
    }
    return out[0] != '\0';
}
