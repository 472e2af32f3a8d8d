/*
 * Positioned, bounded reads on stdio streams.
 */
#include <limits.h>
#include <sys/types.h>
#include "elfRange.h"

Bool elfSeek(FILE *stream, uInt64 position)
{
    if (position > (uInt64)LLONG_MAX) {
        return False;
    }
    return fseeko(stream, (off_t)position, SEEK_SET) == 0;
}

Bool elfStreamSize(FILE *stream, uInt64 *size)
{
    off_t here = ftello(stream);
    if (here < 0 || fseeko(stream, 0, SEEK_END) != 0) {
        return False;
    }
    off_t end = ftello(stream);
    Bool restored = fseeko(stream, here, SEEK_SET) == 0;
    if (end < 0 || !restored) {
        return False;
    }
    *size = (uInt64)end;
    return True;
}

Bool elfReadAt(FILE *stream, uInt64 total, uInt64 position, void *buffer, uInt64 size)
{
    if (!elfRangeInside(position, size, total) || !elfSeek(stream, position)) {
        return False;
    }
    return size == 0 || fread(buffer, 1, size, stream) == size;
}
