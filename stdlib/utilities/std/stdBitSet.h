/*
 * Bit sets: sets of small non-negative integers, stored as a window of
 * 64-bit words covering only the part of the number line where the set has
 * elements. Word k holds elements 64k ... 64k+63 (bit b for 64k+b).
 *
 * Elements are 0 ... 0xFFFFFFFE; 0xFFFFFFFF is the "no element" answer of
 * bitSetFirst/bitSetLast and may not be stored. A set with exactly one
 * element may share a word of a process-wide read-only table instead of
 * owning storage; the set copies it before any change. Storage comes from
 * the calling thread's current memory space.
 */
#ifndef stdBitSet_INCLUDED
#define stdBitSet_INCLUDED

#include "stdTypes.h"
#include "stdSet.h"    /* the stdOVERLAPS_... codes */

#ifdef __cplusplus
extern "C" {
#endif

struct stdWriterRec;

typedef struct stdBitSetRec {
    Int64   count;   /* number of elements */
    uInt64 *words;   /* the stored words: words[k - lo] holds word k, for lo <= k < hi;
                        null when nothing is stored */
    Int32   lo;      /* first word index stored */
    Int32   hi;      /* one past the last word index stored */
} stdBitSetRec, *stdBitSet;

#define bitSetNONE 0xFFFFFFFFu   /* bitSetFirst/bitSetLast of the empty set */

typedef void (*bitSetEltFun)(uInt32 element, Pointer data);
/* A run of consecutive elements first ... end - 1. */
typedef void (*bitSetRangeFun)(uInt32 first, uInt32 end, Pointer data);

/* Creation and life */
stdBitSet bitSetCreate(void);
stdBitSet bitSetSingleton(uInt32 element);          /* shares the read-only word */
stdBitSet bitSetRange(uInt32 first, uInt32 last);   /* inclusive; empty if last < first */
stdBitSet bitSetCopy(stdBitSet set);                /* tidies the source first */
void      bitSetDelete(stdBitSet set);
Bool      bitSetEmpty(stdBitSet set);               /* True if it had elements */
/* Cuts zero words off both ends, frees the storage of an empty set and moves
 * a one-element set to the shared word. */
void      bitSetPurge(stdBitSet set);
Int64     bitSetSize(stdBitSet set);

/* Elements */
Bool bitSetElement(stdBitSet set, uInt32 element);
Bool bitSetInsert(stdBitSet set, uInt32 element);   /* True if it was already present */
void bitSetAddTo(uInt32 element, stdBitSet set);    /* traversal-callback form */
Bool bitSetRemove(stdBitSet set, uInt32 element);   /* True if it was present */
void bitSetDeleteFrom(uInt32 element, stdBitSet set);

/* Inclusive ranges first ... last (nothing when last < first) */
void bitSetInsertRange(stdBitSet set, uInt32 first, uInt32 last);
void bitSetRemoveRange(stdBitSet set, uInt32 first, uInt32 last);
Bool bitSetOverlapsRange(stdBitSet set, uInt32 first, uInt32 last);
Int  bitSetOverlapsRangeHow(stdBitSet set, uInt32 first, uInt32 last);  /* stdOVERLAPS_..., b = the range */

/* Masks: the elements start + i for every set bit i of mask */
void      bitSetInsertMask(stdBitSet set, uInt32 start, uInt64 mask);
void      bitSetRemoveMask(stdBitSet set, uInt32 start, uInt64 mask);
Bool      bitSetOverlapsMask(stdBitSet set, uInt32 start, uInt64 mask);
Int       bitSetOverlapsMaskHow(stdBitSet set, uInt32 start, uInt64 mask);  /* b = the mask */
stdBitSet bitSetIntersectionMask(stdBitSet set, uInt32 start, uInt64 mask);

/* Algebra: new sets, or a changed in place (True if a changed) */
stdBitSet bitSetUnion(stdBitSet a, stdBitSet b);
stdBitSet bitSetIntersection(stdBitSet a, stdBitSet b);
stdBitSet bitSetDifference(stdBitSet a, stdBitSet b);
Bool      bitSetInPlaceUnion(stdBitSet a, stdBitSet b);
Bool      bitSetInPlaceDifference(stdBitSet a, stdBitSet b);
Bool      bitSetInPlaceIntersection(stdBitSet a, stdBitSet b);

/* Relations */
Bool bitSetSubset(stdBitSet a, stdBitSet b);        /* a is a subset of b */
Bool bitSetEqual(stdBitSet a, stdBitSet b);
Bool bitSetOverlaps(stdBitSet a, stdBitSet b);
Int  bitSetOverlapsHow(stdBitSet a, stdBitSet b);   /* stdOVERLAPS_... */
Bool bitSetNewBits(stdBitSet a, stdBitSet b);       /* b has an element not in a */

/* Queries */
uInt32 bitSetFirst(stdBitSet set);                  /* bitSetNONE when empty */
uInt32 bitSetLast(stdBitSet set);
uInt32 bitSetHash(stdBitSet set);                   /* equal sets hash equally */

/* Traversal in ascending order */
void bitSetTraverse(stdBitSet set, bitSetEltFun function, Pointer data);
/* Every maximal run of consecutive elements, ascending. */
void bitSetTraverseRanges(stdBitSet set, bitSetRangeFun function, Pointer data);

/* Printing: "{ 1 2 3 20-40 }" (runs of more than 10 elements as first-last) */
void bitSetPrint(struct stdWriterRec *writer, stdBitSet set);     /* ends with "\n" */
void bitSetPrintWN(struct stdWriterRec *writer, stdBitSet set);   /* no newline */
/* The words from index 0 as "0x..." separated by ", " (words below the window as 0x0). */
void bitSetPrintWord(struct stdWriterRec *writer, stdBitSet set);

#ifdef __cplusplus
}
#endif

#endif
