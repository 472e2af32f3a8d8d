/*
 * Hash maps from one pointer-sized key to one pointer-sized value.
 *
 * Keys and values are opaque words; the caller supplies a hash and an
 * equality function for the keys (stdStdFun.h), or a D pair that also
 * receives a data pointer fixed at creation. A null key is an ordinary key;
 * a null value cannot be told from "absent" by mapApply (use mapIsDefined).
 * The map owns its table, never its keys or values.
 *
 * Order: every traversal, copy, conversion and mapAnyDomain/mapAnyRange
 * visit the entry slots in ascending order. A slot freed by a removal is
 * reused by a later insertion, so a map that only grows is visited in
 * insertion order. The buckets double when the map holds more than 4 entries
 * per bucket. Storage comes from the calling thread's current memory space.
 */
#ifndef stdMap_INCLUDED
#define stdMap_INCLUDED

#include "stdTypes.h"
#include "stdList.h"
#include "stdStdFun.h"
#include "stdSet.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdMapRec *stdMap;
struct stdWriterRec;

typedef void (*stdPairFun)(Pointer key, Pointer value, Pointer data);

/* Iterator of mapBegin/mapNext; freed by mapAtEnd when the end is reached. */
typedef struct stdMapIteratorRec *stdMapIterator;

/* Creation and life. The number of buckets is the smallest power of two
 * >= max(sizeHint, 1), at most 2^31. */
stdMap mapCreate(stdHashFun hash, stdEqualFun equal, Int sizeHint);
stdMap mapDCreate(stdHashDFun hash, stdEqualDFun equal, Int sizeHint, Pointer data /* not null */);
stdMap mapCreateLike(stdMap map);     /* empty; same functions, data and buckets */
stdMap mapCopy(stdMap map);           /* like-map holding the entries in slot order */
void   mapDelete(stdMap map);         /* frees the table, not the keys or values */
Bool   mapEmpty(stdMap map);          /* removes all; False if it was already empty */
uInt64 mapSize(stdMap map);
uInt32 mapHash(stdMap map);           /* XOR of the hashes of the keys */
void   mapGetHashTableParameters(stdMap map, stdHashTableParameters parameters);
void   mapPrint(struct stdWriterRec *writer, stdMap map);   /* bucket statistics */

/* Definition. An equal key keeps its stored key object and gets the new
 * value; the previous value is returned (null for a new key). */
Pointer mapDefine(stdMap map, Pointer key, Pointer value);
Pointer mapAddTo(Pointer key, Pointer value, stdMap map);     /* traversal-callback form */
Pointer mapAddInvTo(Pointer key, Pointer value, stdMap map);  /* defines value -> key */
void    mapDefineMulti(stdMap map, stdSet keys, Pointer value);
Pointer mapUndefine(stdMap map, Pointer key);           /* the removed value, or null */
Pointer mapRemoveDomain(Pointer key, stdMap map);       /* traversal-callback form */

/* Lookup */
Pointer mapApply(stdMap map, Pointer key);              /* value, or null */
/* Like mapApply; when found, *key is replaced by the stored key. */
Pointer mapApply1(stdMap map, Pointer *key);
Pointer mapApplyWD(stdMap map, Pointer key, Pointer defaultValue);
Pointer mapDomain(stdMap map, Pointer key);             /* the stored equal key, or null */
Bool    mapIsDefined(stdMap map, Pointer key);
Pointer mapAnyDomain(stdMap map);                       /* lowest occupied slot; null if empty */
Pointer mapAnyRange(stdMap map);

/* Traversal in slot order; the function may remove the entry it is given. */
void mapTraverse(stdMap map, stdPairFun function, Pointer data);
void mapDomainTraverse(stdMap map, stdEltFun function, Pointer data);
void mapRangeTraverse(stdMap map, stdEltFun function, Pointer data);

/* Same keys, and valueEqual(value in a, value in b) for each. */
Bool mapEqual(stdMap a, stdMap b, stdEqualFun valueEqual);

/* Conversions. The lists hold the items in descending slot order (each
 * visited item is put in front); mapToList gives (key, value) lists. */
stdSet  mapDomainToSet(stdMap map);   /* the map's key functions and buckets */
stdSet  mapRangeToSet(stdMap map, stdHashFun hash, stdEqualFun equal);
stdList mapDomainToList(stdMap map);
stdList mapRangeToList(stdMap map);
stdList mapToList(stdMap map);

/* Iterator protocol:
 *   for (stdMapIterator it = mapBegin(m); !mapAtEnd(&it); mapNext(it)) ...
 * mapBegin returns null for an empty map; mapAtEnd frees the iterator at the end. */
stdMapIterator mapBegin(stdMap map);
Bool           mapAtEnd(stdMapIterator *iterator);
void           mapNext(stdMapIterator iterator);
Pointer        mapDomainValue(stdMapIterator iterator);
Pointer        mapRangeValue(stdMapIterator iterator);

/* Maps whose values are collections: delete every value, then delete
 * (mapDelete...) or empty (mapEmpty...) the map itself. */
void mapDeleteMapMap(stdMap map);
void mapEmptyMapMap(stdMap map);
void mapDeleteSetMap(stdMap map);
void mapEmptySetMap(stdMap map);
void mapDeleteBitSetMap(stdMap map);
void mapEmptyBitSetMap(stdMap map);
void mapDeleteMapMapMap(stdMap map);   /* values are maps of maps */
void mapEmptyMapMapMap(stdMap map);

#ifdef __cplusplus
}
#endif

#endif
