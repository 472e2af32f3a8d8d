/*
 * Bounds for readers of untrusted files: every offset, size and count read
 * from an input goes through these before it is used to address memory or a
 * stream. Positions are 64-bit and unsigned; nothing here can wrap.
 */
#ifndef elfRange_INCLUDED
#define elfRange_INCLUDED

#include <stdio.h>
#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* True when [offset, offset + size) lies inside a buffer or stream of total bytes. */
static inline Bool elfRangeInside(uInt64 offset, uInt64 size, uInt64 total)
{
    return offset <= total && size <= total - offset;
}

/* a + b, or UINT64_MAX when the sum does not fit (a position that is never inside anything). */
static inline uInt64 elfAddSaturated(uInt64 a, uInt64 b)
{
    uInt64 sum;
    return __builtin_add_overflow(a, b, &sum) ? UINT64_MAX : sum;
}

/* The size of a seekable stream; the position is restored. False when it cannot be told. */
Bool elfStreamSize(FILE *stream, uInt64 *size);

/* Reads exactly size bytes at position into buffer, only when the range lies
 * inside the stream of total bytes; False (nothing read) otherwise. */
Bool elfReadAt(FILE *stream, uInt64 total, uInt64 position, void *buffer, uInt64 size);

/* Seeks to a 64-bit position; False when the stream refuses. */
Bool elfSeek(FILE *stream, uInt64 position);

#ifdef __cplusplus
}
#endif

#endif
