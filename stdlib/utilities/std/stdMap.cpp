/*
 * Hash maps on the shared table (stdMapTableLocal.h).
 */
#include "stdMapTableLocal.h"
#include "stdBitSet.h"
#include "stdMessages.h"

static stdTableRec *tableOf(stdMap map) { return &map->table; }

/* Calls f(key, value) for every entry in slot order. */
template <typename F> static void forEach(stdMap map, F f)
{
    stdTableRec *t = tableOf(map);
    tableTraverse(t, [&](uInt32 slot) {
        Pointer *entry = tableEntry(t, slot);
        f(entry[0], entry[1]);
    });
}

extern "C" {

/* ------------------------------------------------------------------ life */

stdMap mapCreate(stdHashFun hash, stdEqualFun equal, Int sizeHint)
{
    return tableCreate<stdMapRec>(2, hash, equal, nullptr, nullptr, nullptr, sizeHint);
}

stdMap mapDCreate(stdHashDFun hash, stdEqualDFun equal, Int sizeHint, Pointer data)
{
    stdASSERT(data != nullptr, ("mapDCreate needs a data pointer"));
    return tableCreate<stdMapRec>(2, nullptr, nullptr, hash, equal, data, sizeHint);
}

stdMap mapCreateLike(stdMap map) { return tableCreateLike<stdMapRec>(tableOf(map), 2); }

stdMap mapCopy(stdMap map)
{
    stdMap copy = mapCreateLike(map);
    forEach(map, [&](Pointer k, Pointer v) { mapDefine(copy, k, v); });
    return copy;
}

void mapDelete(stdMap map) { tableDeleteRecord(map); }

Bool   mapEmpty(stdMap map) { return tableEmpty(tableOf(map)); }
uInt64 mapSize(stdMap map) { return map->table.size; }
uInt32 mapHash(stdMap map) { return map->table.hash; }

void mapGetHashTableParameters(stdMap map, stdHashTableParameters parameters)
{
    tableGetParameters(tableOf(map), parameters);
}

void mapPrint(struct stdWriterRec *writer, stdMap map) { tablePrint(writer, tableOf(map)); }

/* ------------------------------------------------------------ definition */

Pointer mapDefine(stdMap map, Pointer key, Pointer value) { return tableStore(tableOf(map), key, value); }

Pointer mapAddTo(Pointer key, Pointer value, stdMap map) { return mapDefine(map, key, value); }
Pointer mapAddInvTo(Pointer key, Pointer value, stdMap map) { return mapDefine(map, value, key); }

void mapDefineMulti(stdMap map, stdSet keys, Pointer value)
{
    stdTableRec *t = &keys->table;
    tableTraverse(t, [&](uInt32 slot) { mapDefine(map, *tableEntry(t, slot), value); });
}

Pointer mapUndefine(stdMap map, Pointer key) { return tableRemove(tableOf(map), key); }

Pointer mapRemoveDomain(Pointer key, stdMap map) { return mapUndefine(map, key); }

/* ---------------------------------------------------------------- lookup */

Pointer mapApply(stdMap map, Pointer key)
{
    Pointer *entry = tableLookup(tableOf(map), key);
    return entry ? entry[1] : nullptr;
}

Pointer mapApply1(stdMap map, Pointer *key)
{
    Pointer *entry = tableLookup(tableOf(map), *key);
    if (!entry) return nullptr;
    *key = entry[0];
    return entry[1];
}

Pointer mapApplyWD(stdMap map, Pointer key, Pointer defaultValue)
{
    Pointer *entry = tableLookup(tableOf(map), key);
    return entry ? entry[1] : defaultValue;
}

Pointer mapDomain(stdMap map, Pointer key)
{
    Pointer *entry = tableLookup(tableOf(map), key);
    return entry ? entry[0] : nullptr;
}

Bool mapIsDefined(stdMap map, Pointer key) { return tableLookup(tableOf(map), key) != nullptr; }

Pointer mapAnyDomain(stdMap map)
{
    Pointer *entry = tableFirstEntry(tableOf(map));
    return entry ? entry[0] : nullptr;
}

Pointer mapAnyRange(stdMap map)
{
    Pointer *entry = tableFirstEntry(tableOf(map));
    return entry ? entry[1] : nullptr;
}

/* ------------------------------------------------------------- traversal */

void mapTraverse(stdMap map, stdPairFun function, Pointer data)
{
    forEach(map, [&](Pointer k, Pointer v) { function(k, v, data); });
}

void mapDomainTraverse(stdMap map, stdEltFun function, Pointer data)
{
    forEach(map, [&](Pointer k, Pointer) { function(k, data); });
}

void mapRangeTraverse(stdMap map, stdEltFun function, Pointer data)
{
    forEach(map, [&](Pointer, Pointer v) { function(v, data); });
}

Bool mapEqual(stdMap a, stdMap b, stdEqualFun valueEqual)
{
    if (a == b) return True;
    if (mapSize(a) != mapSize(b) || mapHash(a) != mapHash(b)) return False;
    Bool equal = True;
    forEach(a, [&](Pointer k, Pointer v) {
        if (!equal) return;
        Pointer *entry = tableLookup(tableOf(b), k);
        equal = entry && valueEqual(v, entry[1]);
    });
    return equal;
}

/* ----------------------------------------------------------- conversion */

/* The keys keep the map's key functions, data and number of buckets. */
stdSet mapDomainToSet(stdMap map)
{
    stdSet set = tableCreateLike<stdSetRec>(tableOf(map), 1);
    forEach(map, [&](Pointer k, Pointer) { setInsert(set, k); });
    return set;
}

stdSet mapRangeToSet(stdMap map, stdHashFun hash, stdEqualFun equal)
{
    stdSet set = setCreate(hash, equal, (Int)(mapSize(map) < 0x40000000u ? mapSize(map) : 0x40000000u));
    forEach(map, [&](Pointer, Pointer v) { setInsert(set, v); });
    return set;
}

stdList mapDomainToList(stdMap map)
{
    stdList list = nullptr;
    forEach(map, [&](Pointer k, Pointer) { list = listCons(k, list); });
    return list;
}

stdList mapRangeToList(stdMap map)
{
    stdList list = nullptr;
    forEach(map, [&](Pointer, Pointer v) { list = listCons(v, list); });
    return list;
}

stdList mapToList(stdMap map)
{
    stdList list = nullptr;
    forEach(map, [&](Pointer k, Pointer v) {
        list = listCons(listCons(k, listCons(v, nullptr)), list);
    });
    return list;
}

/* ------------------------------------------------------------- iterator */

stdMapIterator mapBegin(stdMap map) { return tableBegin<stdMapIteratorRec>(tableOf(map)); }
Bool mapAtEnd(stdMapIterator *iterator) { return tableAtEnd(iterator); }

void mapNext(stdMapIterator iterator)
{
    if (iterator) tableIteratorNext(&iterator->iterator);
}

Pointer mapDomainValue(stdMapIterator iterator) { return tableCurrent(iterator, 0); }
Pointer mapRangeValue(stdMapIterator iterator) { return tableCurrent(iterator, 1); }

/* ------------------------------------------------ maps of collections */

static void deleteMapValue(Pointer value, Pointer) { mapDelete((stdMap)value); }
static void deleteSetValue(Pointer value, Pointer) { setDelete((stdSet)value); }
static void deleteBitSetValue(Pointer value, Pointer) { bitSetDelete((stdBitSet)value); }
static void deleteMapMapValue(Pointer value, Pointer) { mapDeleteMapMap((stdMap)value); }

/* Deletes every value, then the map itself or only its entries. */
static void dropValues(stdMap map, stdEltFun deleteValue, Bool deleteMap)
{
    mapRangeTraverse(map, deleteValue, nullptr);
    if (deleteMap) mapDelete(map);
    else mapEmpty(map);
}

void mapDeleteMapMap(stdMap map)    { dropValues(map, deleteMapValue, True); }
void mapEmptyMapMap(stdMap map)     { dropValues(map, deleteMapValue, False); }
void mapDeleteSetMap(stdMap map)    { dropValues(map, deleteSetValue, True); }
void mapEmptySetMap(stdMap map)     { dropValues(map, deleteSetValue, False); }
void mapDeleteBitSetMap(stdMap map) { dropValues(map, deleteBitSetValue, True); }
void mapEmptyBitSetMap(stdMap map)  { dropValues(map, deleteBitSetValue, False); }
void mapDeleteMapMapMap(stdMap map) { dropValues(map, deleteMapMapValue, True); }
void mapEmptyMapMapMap(stdMap map)  { dropValues(map, deleteMapMapValue, False); }

} /* extern "C" */
