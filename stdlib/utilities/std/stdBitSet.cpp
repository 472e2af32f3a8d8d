/*
 * Bit sets: a window of 64-bit words over the part of the number line that
 * holds elements; the storage of the window, elements, ranges and masks.
 * One-element sets point into a process-wide table of read-only words.
 */
#include <string.h>
#include "stdBitSetLocal.h"
#include "stdMemSpace.h"

using namespace bitSetLocal;

/* Word i is 1 << i: the storage of one-element sets. Never written or freed;
 * constant-initialised, so it is ready before any static constructor runs. */
struct SingletonTable {
    uInt64 words[64];
};
static constexpr SingletonTable buildSingletons(void)
{
    SingletonTable table{};
    for (int i = 0; i < 64; i++) table.words[i] = (uInt64)1 << i;
    return table;
}
static constexpr SingletonTable singletonTable = buildSingletons();
static const uInt64 *const singletons = singletonTable.words;

namespace bitSetLocal {

Bool isShared(const stdBitSetRec *s)
{
    Address a = (Address)s->words;
    return a >= (Address)singletons && a < (Address)(singletons + 64);
}

void checkElement(uInt64 element)
{
    stdASSERT(element <= maxElement, ("bit set element %llu out of range", (unsigned long long)element));
}

uInt64 *allocateWords(Int64 n)
{
    uInt64 *words = (uInt64 *)stdMALLOC((size_t)n * sizeof(uInt64));
    memset(words, 0, (size_t)n * sizeof(uInt64));
    return words;
}

stdBitSet newRecord(void)
{
    stdBitSet s = (stdBitSet)stdMALLOC(sizeof(stdBitSetRec));
    s->count = 0;
    s->words = nullptr;
    s->lo = s->hi = 0;
    return s;
}

void releaseStorage(stdBitSet s)
{
    if (!isShared(s)) memspFree(s->words);
    s->words = nullptr;
    s->lo = s->hi = 0;
}

void makeEmpty(stdBitSet s)
{
    releaseStorage(s);
    s->count = 0;
}

void useSingleton(stdBitSet s, uInt32 element)
{
    releaseStorage(s);
    s->words = (uInt64 *)&singletons[element % 64];
    s->lo    = wordIndex(element);
    s->hi    = s->lo + 1;
    s->count = 1;
}

/* Replaces the storage by a private block for the window [lo, hi), which
 * contains the current one; the words stay where they are. */
static void setWindow(stdBitSet s, Int32 lo, Int32 hi)
{
    uInt64 *words = allocateWords(hi - lo);
    if (s->lo < s->hi) memcpy(words + (s->lo - lo), s->words, (size_t)(s->hi - s->lo) * sizeof(uInt64));
    releaseStorage(s);
    s->words = words;
    s->lo = lo;
    s->hi = hi;
}

/* Makes the window cover [lo, hi) and the storage private. */
void widen(stdBitSet s, Int32 lo, Int32 hi)
{
    if (s->lo < s->hi) {
        lo = lo < s->lo ? lo : s->lo;
        hi = hi > s->hi ? hi : s->hi;
    }
    if (lo != s->lo || hi != s->hi || isShared(s)) setWindow(s, lo, hi);
}

void makePrivate(stdBitSet s)
{
    if (isShared(s)) setWindow(s, s->lo, s->hi);
}

/* Smallest element >= from, or noBit. */
uInt64 nextElement(const stdBitSetRec *s, uInt64 from)
{
    Int64 k = (Int64)(from / 64);
    uInt64 mask = allBits << (from % 64);
    if (k < s->lo) {
        k = s->lo;
        mask = allBits;
    }
    for (; k < s->hi; k++, mask = allBits) {
        uInt64 w = s->words[k - s->lo] & mask;
        if (w) return 64 * (uInt64)k + firstBit64(w);
    }
    return noBit;
}

/* Smallest non-element >= from. */
uInt64 nextGap(const stdBitSetRec *s, uInt64 from)
{
    Int64 k = (Int64)(from / 64);
    uInt64 mask = allBits << (from % 64);
    for (; k >= s->lo && k < s->hi; k++, mask = allBits) {
        uInt64 w = ~s->words[k - s->lo] & mask;
        if (w) return 64 * (uInt64)k + firstBit64(w);
    }
    return k * 64 > (Int64)from ? (uInt64)k * 64 : from;
}

/* Number of elements in first ... last. */
uInt64 countRange(const stdBitSetRec *s, uInt64 first, uInt64 last)
{
    if (last < first || s->lo >= s->hi) return 0;
    Int64 kFirst = (Int64)(first / 64), kLast = (Int64)(last / 64);
    if (kFirst < s->lo) kFirst = s->lo;
    if (kLast >= s->hi) kLast = s->hi - 1;
    uInt64 n = 0;
    for (Int64 k = kFirst; k <= kLast; k++) n += popCount(s->words[k - s->lo] & rangeMask(k, first, last));
    return n;
}

} // namespace bitSetLocal

/* Runs of the mask as element ranges, cut at the largest element. */
template <typename F> static void forEachMaskRange(uInt32 start, uInt64 mask, F f)
{
    forEachRun(mask, [&](uInt32 lo, uInt32 hi) {
        uInt64 first = (uInt64)start + lo, last = (uInt64)start + hi;
        if (first > maxElement) return;
        f((uInt32)first, (uInt32)(last > maxElement ? maxElement : last));
    });
}

static uInt64 countMask(stdBitSet set, uInt32 start, uInt64 mask)
{
    uInt64 n = 0;
    forEachMaskRange(start, mask, [&](uInt32 first, uInt32 last) { n += countRange(set, first, last); });
    return n;
}

extern "C" {

/* ----------------------------------------------------------------- life */

stdBitSet bitSetCreate(void) { return newRecord(); }

stdBitSet bitSetSingleton(uInt32 element)
{
    checkElement(element);
    stdBitSet s = newRecord();
    useSingleton(s, element);
    return s;
}

stdBitSet bitSetRange(uInt32 first, uInt32 last)
{
    stdBitSet s = newRecord();
    bitSetInsertRange(s, first, last);
    return s;
}

stdBitSet bitSetCopy(stdBitSet set)
{
    bitSetPurge(set);
    stdBitSet copy = newRecord();
    copy->count = set->count;
    copy->lo = set->lo;
    copy->hi = set->hi;
    if (set->count <= 1) {
        copy->words = set->words;   /* the shared word, or none */
    } else {
        copy->words = allocateWords(set->hi - set->lo);
        memcpy(copy->words, set->words, (size_t)(set->hi - set->lo) * sizeof(uInt64));
    }
    return copy;
}

void bitSetDelete(stdBitSet set)
{
    if (!set) return;
    releaseStorage(set);
    memspFree(set);
}

Bool bitSetEmpty(stdBitSet set)
{
    Bool had = set->count != 0;
    makeEmpty(set);
    return had;
}

void bitSetPurge(stdBitSet set)
{
    if (set->count == 0) {
        makeEmpty(set);
        return;
    }
    if (set->count == 1) {
        if (!isShared(set)) useSingleton(set, (uInt32)nextElement(set, 0));
        return;
    }
    Int32 lo = set->lo, hi = set->hi;
    while (set->words[lo - set->lo] == 0) lo++;
    while (set->words[hi - 1 - set->lo] == 0) hi--;
    if (lo == set->lo && hi == set->hi) return;
    uInt64 *words = allocateWords(hi - lo);
    memcpy(words, set->words + (lo - set->lo), (size_t)(hi - lo) * sizeof(uInt64));
    releaseStorage(set);
    set->words = words;
    set->lo = lo;
    set->hi = hi;
}

Int64 bitSetSize(stdBitSet set) { return set->count; }

/* ------------------------------------------------------------- elements */

Bool bitSetElement(stdBitSet set, uInt32 element)
{
    return (wordAt(set, wordIndex(element)) >> (element % 64)) & 1;
}

Bool bitSetInsert(stdBitSet set, uInt32 element)
{
    checkElement(element);
    if (set->count == 0) {
        useSingleton(set, element);
        return False;
    }
    if (bitSetElement(set, element)) return True;
    Int32 k = wordIndex(element);
    widen(set, k, k + 1);
    set->words[k - set->lo] |= (uInt64)1 << (element % 64);
    set->count += 1;
    return False;
}

void bitSetAddTo(uInt32 element, stdBitSet set) { bitSetInsert(set, element); }

Bool bitSetRemove(stdBitSet set, uInt32 element)
{
    if (!bitSetElement(set, element)) return False;
    if (set->count == 1) {
        makeEmpty(set);
        return True;
    }
    makePrivate(set);
    set->words[wordIndex(element) - set->lo] &= ~((uInt64)1 << (element % 64));
    set->count -= 1;
    return True;
}

void bitSetDeleteFrom(uInt32 element, stdBitSet set) { bitSetRemove(set, element); }

/* --------------------------------------------------------------- ranges */

void bitSetInsertRange(stdBitSet set, uInt32 first, uInt32 last)
{
    if (last < first) return;
    checkElement(last);
    if (first == last) {
        bitSetInsert(set, first);
        return;
    }
    if (set->count == 0) releaseStorage(set);
    Int32 kFirst = wordIndex(first), kLast = wordIndex(last);
    widen(set, kFirst, kLast + 1);
    for (Int64 k = kFirst; k <= kLast; k++) {
        uInt64 *w = &set->words[k - set->lo];
        uInt64 added = rangeMask(k, first, last) & ~*w;
        *w |= added;
        set->count += (Int64)popCount(added);
    }
}

void bitSetRemoveRange(stdBitSet set, uInt32 first, uInt32 last)
{
    uInt64 removed = countRange(set, first, last);
    if (removed == 0) return;
    if ((Int64)removed == set->count) {
        makeEmpty(set);
        return;
    }
    makePrivate(set);
    Int64 kFirst = wordIndex(first) < set->lo ? set->lo : wordIndex(first);
    Int64 kLast  = wordIndex(last) >= set->hi ? set->hi - 1 : wordIndex(last);
    for (Int64 k = kFirst; k <= kLast; k++) set->words[k - set->lo] &= ~rangeMask(k, first, last);
    set->count -= (Int64)removed;
}

Bool bitSetOverlapsRange(stdBitSet set, uInt32 first, uInt32 last)
{
    return countRange(set, first, last) != 0;
}

Int bitSetOverlapsRangeHow(stdBitSet set, uInt32 first, uInt32 last)
{
    if (last < first) return stdOVERLAPS_NONE;
    return overlapCode(countRange(set, first, last), (uInt64)set->count, (uInt64)last - first + 1);
}

/* ---------------------------------------------------------------- masks */

void bitSetInsertMask(stdBitSet set, uInt32 start, uInt64 mask)
{
    forEachRun(mask, [&](uInt32 lo, uInt32 hi) {
        checkElement((uInt64)start + hi);
        bitSetInsertRange(set, start + lo, start + hi);
    });
}

void bitSetRemoveMask(stdBitSet set, uInt32 start, uInt64 mask)
{
    forEachMaskRange(start, mask, [&](uInt32 first, uInt32 last) { bitSetRemoveRange(set, first, last); });
}

Bool bitSetOverlapsMask(stdBitSet set, uInt32 start, uInt64 mask) { return countMask(set, start, mask) != 0; }

Int bitSetOverlapsMaskHow(stdBitSet set, uInt32 start, uInt64 mask)
{
    return overlapCode(countMask(set, start, mask), (uInt64)set->count, popCount(mask));
}

stdBitSet bitSetIntersectionMask(stdBitSet set, uInt32 start, uInt64 mask)
{
    stdBitSet result = newRecord();
    forEachMaskRange(start, mask, [&](uInt32 first, uInt32 last) {
        for (uInt64 e = nextElement(set, first); e <= last; e = nextElement(set, e + 1))
            bitSetInsert(result, (uInt32)e);
    });
    return result;
}

} /* extern "C" */
