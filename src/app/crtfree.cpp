// The memory routines GCC calls on its own for structure copies and clearing. The program
// links no C run-time DLL (Windows 95 ships none), so it brings these few itself.
// Kept out of the core library: the test programs take them from their C run-time.
#include <stddef.h>

// Without this GCC may recognise the loops below and turn them into calls to themselves.
#define PLAIN_LOOPS __attribute__((optimize("no-tree-loop-distribute-patterns")))

// The tests compile this file under other names, beside their C run-time's routines.
#ifndef CRTFREE_NAME
#define CRTFREE_NAME(name) name
#endif

extern "C" {

PLAIN_LOOPS void *CRTFREE_NAME(memset)(void *destination, int value, size_t count)
{
    unsigned char *to = static_cast<unsigned char *>(destination);
    while (count-- != 0)
        *to++ = static_cast<unsigned char>(value);
    return destination;
}

PLAIN_LOOPS void *CRTFREE_NAME(memcpy)(void *destination, const void *source, size_t count)
{
    unsigned char *to = static_cast<unsigned char *>(destination);
    const unsigned char *from = static_cast<const unsigned char *>(source);
    while (count-- != 0)
        *to++ = *from++;
    return destination;
}

// Overlapping ranges: a move towards higher addresses copies from the end.
PLAIN_LOOPS void *CRTFREE_NAME(memmove)(void *destination, const void *source, size_t count)
{
    unsigned char *to = static_cast<unsigned char *>(destination);
    const unsigned char *from = static_cast<const unsigned char *>(source);
    if (to <= from || to >= from + count) {
        while (count-- != 0)
            *to++ = *from++;
    } else {
        to += count;
        from += count;
        while (count-- != 0)
            *--to = *--from;
    }
    return destination;
}

PLAIN_LOOPS int CRTFREE_NAME(memcmp)(const void *a, const void *b, size_t count)
{
    const unsigned char *left = static_cast<const unsigned char *>(a);
    const unsigned char *right = static_cast<const unsigned char *>(b);
    for (; count != 0; --count, ++left, ++right) {
        if (*left != *right)
            return *left < *right ? -1 : 1;
    }
    return 0;
}

}
