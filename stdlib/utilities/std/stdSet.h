/*
 * Hash sets of pointer-sized elements.
 *
 * Elements are opaque words (integers, pointers, texts by pointer); the
 * caller supplies a hash and an equality function (stdStdFun.h), or a D pair
 * that also receives a data pointer fixed at creation. A null element is an
 * ordinary element. The set owns its table, never its elements.
 *
 * Order: every traversal, copy, conversion and setAnyElement visit the
 * entry slots in ascending order. A slot freed by a removal is reused by a
 * later insertion, so a set that only grows is visited in insertion order.
 * The buckets double when the set holds more than 4 elements per bucket.
 * Storage comes from the calling thread's current memory space.
 */
#ifndef stdSet_INCLUDED
#define stdSet_INCLUDED

#include "stdTypes.h"
#include "stdList.h"
#include "stdStdFun.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdSetRec *stdSet;
struct stdWriterRec;

/* Iterator of setBegin/setNext; freed by setAtEnd when the end is reached. */
typedef struct stdSetIteratorRec *stdSetIterator;

/* What a table was made with (setGetHashTableParameters, mapGetHashTableParameters). */
typedef struct stdHashTableParametersRec {
    stdHashFun   hashFunction;    /* null in a D table */
    stdEqualFun  equalFunction;   /* null in a D table */
    uInt32       nrofBuckets;
    Pointer      data;            /* non-null exactly in a D table */
    stdHashDFun  hashDFunction;
    stdEqualDFun equalDFunction;
} stdHashTableParametersRec, *stdHashTableParameters;

/* Overlap codes of setOverlapsHow (shared with the bit sets) */
#define stdOVERLAPS_NONE      0   /* no common element, or one side empty */
#define stdOVERLAPS_B_IN_A    1   /* b is a proper subset of a */
#define stdOVERLAPS_A_IN_B    2   /* a is a proper subset of b */
#define stdOVERLAPS_EQUAL     3
#define stdOVERLAPS_PARTLY    4   /* common elements, neither contains the other */

/* Creation and life. The number of buckets is the smallest power of two
 * >= max(sizeHint, 1), at most 2^31. */
stdSet setCreate(stdHashFun hash, stdEqualFun equal, Int sizeHint);
stdSet setDCreate(stdHashDFun hash, stdEqualDFun equal, Int sizeHint, Pointer data /* not null */);
stdSet setCreateLike(stdSet set);     /* empty; same functions, data and buckets */
stdSet setCopy(stdSet set);           /* like-set holding the elements in slot order */
void   setDelete(stdSet set);         /* frees the table, not the elements */
Bool   setEmpty(stdSet set);          /* removes all; False if it was already empty */
uInt64 setSize(stdSet set);
Bool   setIsEmpty(stdSet set);
uInt32 setHash(stdSet set);           /* XOR of the hashes of the elements */
void   setGetHashTableParameters(stdSet set, stdHashTableParameters parameters);
void   setPrint(struct stdWriterRec *writer, stdSet set);   /* bucket statistics */

/* Elements */
/* An equal element is replaced by the new one and returned; otherwise null. */
Pointer setInsert(stdSet set, Pointer element);
Pointer setAddTo(Pointer element, stdSet set);          /* traversal-callback form */
Pointer setRemove(stdSet set, Pointer element);         /* the stored element, or null */
Pointer setDeleteFrom(Pointer element, stdSet set);     /* traversal-callback form */
Bool    setContains(stdSet set, Pointer element);
Pointer setElement(stdSet set, Pointer element);        /* the stored equal element, or null */
Pointer setAnyElement(stdSet set);                      /* lowest occupied slot; null if empty */

/* Visits every element in slot order; the function may remove the element it is given. */
void    setTraverse(stdSet set, stdEltFun function, Pointer data);

/* Relations */
uInt64 nrofCommonElements(stdSet a, stdSet b);
Bool   setOverlaps(stdSet a, stdSet b);
Int    setOverlapsHow(stdSet a, stdSet b);             /* stdOVERLAPS_... */
Bool   setSubset(stdSet a, stdSet b);                  /* a is a subset of b */
Bool   setEqual(stdSet a, stdSet b);

/* Algebra: new like-sets of a, or a changed in place (True if its size changed) */
stdSet setUnion(stdSet a, stdSet b);                   /* a's then b's elements */
stdSet setDifference(stdSet a, stdSet b);
stdSet setIntersection(stdSet a, stdSet b);
Bool   setInPlaceUnion(stdSet a, stdSet b);
Bool   setInPlaceDifference(stdSet a, stdSet b);
Bool   setInPlaceIntersection(stdSet a, stdSet b);

/* The elements, in descending slot order (each visited element is put in front). */
stdList setToList(stdSet set);

/* Iterator protocol:
 *   for (stdSetIterator it = setBegin(s); !setAtEnd(&it); setNext(it)) use(setValue(it));
 * setBegin returns null for an empty set; setAtEnd frees the iterator at the end. */
stdSetIterator setBegin(stdSet set);
Bool           setAtEnd(stdSetIterator *iterator);
void           setNext(stdSetIterator iterator);
Pointer        setValue(stdSetIterator iterator);

#ifdef __cplusplus
}
#endif

#endif
