/*
 * Private to the bit sets: word arithmetic and the storage of the window.
 *
 * The storage of a set is private to it, none (empty window), or one word
 * of the shared read-only table of one-element sets; every change first
 * makes it private (makePrivate, widen).
 */
#ifndef stdBitSetLocal_INCLUDED
#define stdBitSetLocal_INCLUDED

#include "stdBitSet.h"
#include "stdMessages.h"

namespace bitSetLocal {

const uInt32 maxElement = 0xFFFFFFFEu;
const uInt64 noBit      = ~(uInt64)0;   /* "no such element" of the searches */
const uInt64 allBits    = ~(uInt64)0;

/* Population count by the bit-parallel method. */
inline uInt64 popCount(uInt64 x)
{
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return (x * 0x0101010101010101ull) >> 56;
}

inline uInt32 firstBit64(uInt64 x)
{
    if (x == 0) {
        stdASSERTLOGSETPOS("False", __FILE_NAME__, __LINE__);
        stdASSERTLOGFAIL("zero argument to stdFirstBit32");
    }
    return (uInt32)__builtin_ctzll(x);
}

inline Int32 wordIndex(uInt64 element) { return (Int32)(element / 64); }

/* The bits of word k that lie in first ... last. */
inline uInt64 rangeMask(Int64 k, uInt64 first, uInt64 last)
{
    uInt64 mask = allBits;
    if (k == (Int64)(first / 64)) mask &= allBits << (first % 64);
    if (k == (Int64)(last / 64)) mask &= allBits >> (63 - last % 64);
    return mask;
}

/* Word k of the set; 0 outside the window. */
inline uInt64 wordAt(const stdBitSetRec *s, Int64 k)
{
    return (k >= s->lo && k < s->hi) ? s->words[k - s->lo] : 0;
}

/* Calls f(firstBit, lastBit) for every run of consecutive set bits of mask. */
template <typename F> void forEachRun(uInt64 mask, F f)
{
    while (mask) {
        uInt32 b = firstBit64(mask);
        uInt64 rest = ~(mask >> b);
        uInt32 length = rest ? firstBit64(rest) : 64 - b;
        f(b, b + length - 1);
        mask = length + b >= 64 ? 0 : mask & (allBits << (b + length));
    }
}

/* Storage (stdBitSet.cpp) */
void      checkElement(uInt64 element);       /* asserts element <= maxElement */
uInt64   *allocateWords(Int64 n);             /* zeroed */
stdBitSet newRecord(void);                    /* empty */
Bool      isShared(const stdBitSetRec *s);
void      makeEmpty(stdBitSet s);             /* drops the storage too */
void      releaseStorage(stdBitSet s);        /* leaves count alone */
void      useSingleton(stdBitSet s, uInt32 element);
void      widen(stdBitSet s, Int32 lo, Int32 hi);   /* covers [lo, hi), private */
void      makePrivate(stdBitSet s);

/* Searches and counts (stdBitSet.cpp) */
uInt64 nextElement(const stdBitSetRec *s, uInt64 from);   /* or noBit */
uInt64 nextGap(const stdBitSetRec *s, uInt64 from);       /* smallest non-element >= from */
uInt64 countRange(const stdBitSetRec *s, uInt64 first, uInt64 last);
uInt64 countCommon(const stdBitSetRec *a, const stdBitSetRec *b);
/* The overlap code for c common elements of sets of sizes na and nb. */
Int    overlapCode(uInt64 c, uInt64 na, uInt64 nb);

} // namespace bitSetLocal

#endif
