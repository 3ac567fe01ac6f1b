// Message texts of the string table.
#ifndef TILEFOX_TEXTS_H
#define TILEFOX_TEXTS_H

enum { TEXT_BUFFER = 80 };

// Returns the text in one 80-byte buffer that the next call overwrites: copy it first when
// two texts are needed at once. An identifier without a text gives "".
const char *LoadText(unsigned id);

#endif
