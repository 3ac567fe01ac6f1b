// Icons the running Windows cannot draw.
#ifndef TILEFOX_ICONIMAGE_H
#define TILEFOX_ICONIMAGE_H

#include <windows.h>

// Takes what ExtractIconExA(file, first, large, small, count) gave and drops, destroyed and
// set to null, every icon whose image picked for its size is PNG-compressed where the
// system cannot read such images (before Vista: nothing or garbage would be drawn). Only .ico
// files and 32-bit programs and libraries are looked into; the rest is left as extracted.
void DropUnreadableIcons(const char *file, int first, HICON *large, HICON *small, int count);

#endif
