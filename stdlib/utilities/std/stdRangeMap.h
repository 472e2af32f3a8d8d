/*
 * Range maps: ranges of unsigned 64-bit keys to pointer values.
 *
 * A map is a 16-way trie of 4-bit levels (a node at level s has 16 slots of
 * 2^s keys each, s = 0, 4, ..., 60) with compressed paths, so defining a
 * value on a range of any length costs a few nodes, and a lookup costs at
 * most one node per four bits of key. Values are opaque non-null pointers;
 * defining null is the same as undefining. Nodes come from the calling
 * thread's current memory space. No locking: callers lock.
 *
 * Ranges are given as (start, length); length 0 does nothing. A range may end
 * exactly at the top of the key space; one that would run past it (start
 * non-zero and length > 2^64 - start) fails the assertion "Specified range
 * wraps around end of memory".
 *
 * Traversals report maximal runs (start, length, value) in ascending key
 * order. The one run a 64-bit length cannot express, all 2^64 keys with one
 * value, is reported as two runs of 2^63 keys: [0, 2^63) and [2^63, 2^64).
 */
#ifndef stdRangeMap_INCLUDED
#define stdRangeMap_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdRangeMapRec *stdRangeMap;
struct stdWriterRec;

typedef void (*rangemapRangeFun)(uInt64 start, uInt64 length, Pointer value, Pointer data);

stdRangeMap rangemapCreate(void);
void        rangemapDelete(stdRangeMap map);     /* frees the nodes and the record, not the values */
Bool        rangemapIsEmpty(stdRangeMap map);

void    rangemapDefine(stdRangeMap map, uInt64 start, uInt64 length, Pointer value);
void    rangemapDefine1(stdRangeMap map, uInt64 key, Pointer value);
void    rangemapUndefine(stdRangeMap map, uInt64 start, uInt64 length);
void    rangemapUndefine1(stdRangeMap map, uInt64 key);
Pointer rangemapApply(stdRangeMap map, uInt64 key);   /* the value, or null */

/* Every maximal run of equal values, ascending. */
void rangemapTraverse(stdRangeMap map, rangemapRangeFun function, Pointer data);
/* The same within the window start ... start + length - 1, runs clipped to it;
 * a window that would run past the top of the key space ends at the top. */
void rangemapTraverse_R(stdRangeMap map, uInt64 start, uInt64 length,
                        rangemapRangeFun function, Pointer data);

/* False for an empty map; else the smallest / largest mapped key in *key. */
Bool rangemapSmallestMapped(stdRangeMap map, uInt64 *key);
Bool rangemapLargestMapped(stdRangeMap map, uInt64 *key);

/* The node tree, one line per slot; nothing for an empty map. */
void   rangemapPrint(struct stdWriterRec *writer, stdRangeMap map);
/* Memory held: 8 bytes for the record and 160 per node. */
uInt64 rangemapRSize(stdRangeMap map);
/* Nodes on the longest root-to-leaf path; 0 for an empty map. */
uInt32 rangemapDepth(stdRangeMap map);

#ifdef __cplusplus
}
#endif

#endif
