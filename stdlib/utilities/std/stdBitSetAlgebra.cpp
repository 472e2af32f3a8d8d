/*
 * Bit sets: union, intersection, difference and the relations of two sets,
 * computed over the windows.
 */
#include <string.h>
#include "stdBitSetLocal.h"
#include "stdMemSpace.h"

using namespace bitSetLocal;

namespace bitSetLocal {

/* Number of elements common to a and b. */
uInt64 countCommon(const stdBitSetRec *a, const stdBitSetRec *b)
{
    Int32 lo = a->lo > b->lo ? a->lo : b->lo;
    Int32 hi = a->hi < b->hi ? a->hi : b->hi;
    uInt64 n = 0;
    for (Int64 k = lo; k < hi; k++) n += popCount(a->words[k - a->lo] & b->words[k - b->lo]);
    return n;
}

/* The overlap code for c common elements of sets of sizes na and nb. */
Int overlapCode(uInt64 c, uInt64 na, uInt64 nb)
{
    if (c == 0) return stdOVERLAPS_NONE;
    if (c == na) return c == nb ? stdOVERLAPS_EQUAL : stdOVERLAPS_A_IN_B;
    return c == nb ? stdOVERLAPS_B_IN_A : stdOVERLAPS_PARTLY;
}

} // namespace bitSetLocal

/* Removes the elements of b from a. */
static Bool removeAll(stdBitSet a, stdBitSet b)
{
    uInt64 removed = countCommon(a, b);
    if (removed == 0) return False;
    if ((Int64)removed == a->count) {
        makeEmpty(a);
        return True;
    }
    makePrivate(a);
    Int32 lo = a->lo > b->lo ? a->lo : b->lo;
    Int32 hi = a->hi < b->hi ? a->hi : b->hi;
    for (Int64 k = lo; k < hi; k++) a->words[k - a->lo] &= ~b->words[k - b->lo];
    a->count -= (Int64)removed;
    return True;
}

extern "C" {

/* -------------------------------------------------------------- algebra */

stdBitSet bitSetUnion(stdBitSet a, stdBitSet b)
{
    stdBitSet r = newRecord();
    if (a->lo == a->hi && b->lo == b->hi) return r;
    Int32 lo = a->lo == a->hi ? b->lo : b->lo == b->hi ? a->lo : (a->lo < b->lo ? a->lo : b->lo);
    Int32 hi = a->lo == a->hi ? b->hi : b->lo == b->hi ? a->hi : (a->hi > b->hi ? a->hi : b->hi);
    r->words = allocateWords(hi - lo);
    r->lo = lo;
    r->hi = hi;
    for (Int64 k = lo; k < hi; k++) {
        uInt64 w = wordAt(a, k) | wordAt(b, k);
        r->words[k - lo] = w;
        r->count += (Int64)popCount(w);
    }
    if (r->count == 0) makeEmpty(r);
    return r;
}

stdBitSet bitSetIntersection(stdBitSet a, stdBitSet b)
{
    stdBitSet r = newRecord();
    Int32 lo = a->lo > b->lo ? a->lo : b->lo;
    Int32 hi = a->hi < b->hi ? a->hi : b->hi;
    if (lo >= hi) return r;
    r->words = allocateWords(hi - lo);
    r->lo = lo;
    r->hi = hi;
    for (Int64 k = lo; k < hi; k++) {
        uInt64 w = a->words[k - a->lo] & b->words[k - b->lo];
        r->words[k - lo] = w;
        r->count += (Int64)popCount(w);
    }
    return r;
}


stdBitSet bitSetDifference(stdBitSet a, stdBitSet b)
{
    stdBitSet r = bitSetCopy(a);
    removeAll(r, b);
    return r;
}

Bool bitSetInPlaceUnion(stdBitSet a, stdBitSet b)
{
    if (a == b || b->count == 0 || countCommon(a, b) == (uInt64)b->count) return False;
    Int32 lo = wordIndex(nextElement(b, 0));
    Int32 hi = wordIndex(bitSetLast(b)) + 1;
    if (a->count == 0) releaseStorage(a);
    widen(a, lo, hi);
    a->count = 0;
    for (Int64 k = a->lo; k < a->hi; k++) {
        uInt64 *w = &a->words[k - a->lo];
        *w |= wordAt(b, k);
        a->count += (Int64)popCount(*w);
    }
    return True;
}

Bool bitSetInPlaceDifference(stdBitSet a, stdBitSet b)
{
    if (a == b) return bitSetEmpty(a);
    if (!removeAll(a, b)) return False;
    if (a->count <= 1) bitSetPurge(a);
    return True;
}

Bool bitSetInPlaceIntersection(stdBitSet a, stdBitSet b)
{
    uInt64 kept = countCommon(a, b);
    if ((Int64)kept == a->count) return False;
    if (kept == 0) {
        makeEmpty(a);
        return True;
    }
    makePrivate(a);
    for (Int64 k = a->lo; k < a->hi; k++) a->words[k - a->lo] &= wordAt(b, k);
    a->count = (Int64)kept;
    if (a->count <= 1) bitSetPurge(a);
    return True;
}

/* ------------------------------------------------------------ relations */

Bool bitSetSubset(stdBitSet a, stdBitSet b) { return countCommon(a, b) == (uInt64)a->count; }

Bool bitSetEqual(stdBitSet a, stdBitSet b)
{
    return a->count == b->count && countCommon(a, b) == (uInt64)a->count;
}

Bool bitSetOverlaps(stdBitSet a, stdBitSet b) { return countCommon(a, b) != 0; }

Int bitSetOverlapsHow(stdBitSet a, stdBitSet b)
{
    return overlapCode(countCommon(a, b), (uInt64)a->count, (uInt64)b->count);
}

Bool bitSetNewBits(stdBitSet a, stdBitSet b) { return countCommon(a, b) != (uInt64)b->count; }

} /* extern "C" */
