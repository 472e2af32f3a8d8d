/*
 * Hash maps on the shared table (stdMapTable.h).
 */
#include "stdMapTable.h"
#include "stdBitSet.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

static stdTableRec *tableOf(stdMap map) { return &map->table; }

static stdMap newMap(void)
{
    stdMap map = (stdMap)stdMALLOC(sizeof(stdMapRec));
    if (!map) stdOutOfMemory();
    return map;
}

static uInt32 slotOf(stdMap map, Pointer key)
{
    const stdTableRec *t = tableOf(map);
    return tableFind(t, key, tableHashOf(t, key));
}

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
    stdMap map = newMap();
    tableInit(tableOf(map), 2, hash, equal, nullptr, nullptr, nullptr, sizeHint);
    return map;
}

stdMap mapDCreate(stdHashDFun hash, stdEqualDFun equal, Int sizeHint, Pointer data)
{
    stdASSERT(data != nullptr, ("mapDCreate needs a data pointer"));
    stdMap map = newMap();
    tableInit(tableOf(map), 2, nullptr, nullptr, hash, equal, data, sizeHint);
    return map;
}

stdMap mapCreateLike(stdMap map)
{
    stdMap like = newMap();
    tableInitLike(tableOf(like), tableOf(map), 2);
    return like;
}

stdMap mapCopy(stdMap map)
{
    stdMap copy = mapCreateLike(map);
    forEach(map, [&](Pointer k, Pointer v) { mapDefine(copy, k, v); });
    return copy;
}

void mapDelete(stdMap map)
{
    if (!map) return;
    tableRelease(tableOf(map));
    memspFree(map);
}

Bool   mapEmpty(stdMap map) { return tableEmpty(tableOf(map)); }
uInt64 mapSize(stdMap map) { return map->table.size; }
uInt32 mapHash(stdMap map) { return map->table.hash; }

void mapGetHashTableParameters(stdMap map, stdHashTableParameters parameters)
{
    tableGetParameters(tableOf(map), parameters);
}

void mapPrint(struct stdWriterRec *writer, stdMap map) { tablePrint(writer, tableOf(map)); }

/* ------------------------------------------------------------ definition */

Pointer mapDefine(stdMap map, Pointer key, Pointer value)
{
    stdTableRec *t = tableOf(map);
    uInt32 h = tableHashOf(t, key);
    uInt32 slot = tableFind(t, key, h);
    if (slot == tableNoSlot) {
        tableInsertNew(t, key, value, h);
        return nullptr;
    }
    Pointer *entry = tableEntry(t, slot);
    Pointer old = entry[1];
    entry[1] = value;
    return old;
}

Pointer mapAddTo(Pointer key, Pointer value, stdMap map) { return mapDefine(map, key, value); }
Pointer mapAddInvTo(Pointer key, Pointer value, stdMap map) { return mapDefine(map, value, key); }

void mapDefineMulti(stdMap map, stdSet keys, Pointer value)
{
    stdTableRec *t = &keys->table;
    tableTraverse(t, [&](uInt32 slot) { mapDefine(map, *tableEntry(t, slot), value); });
}

Pointer mapUndefine(stdMap map, Pointer key)
{
    stdTableRec *t = tableOf(map);
    uInt32 h = tableHashOf(t, key);
    uInt32 slot = tableFind(t, key, h);
    if (slot == tableNoSlot) return nullptr;
    Pointer value = tableEntry(t, slot)[1];
    tableRemoveSlot(t, slot, h);
    return value;
}

Pointer mapRemoveDomain(Pointer key, stdMap map) { return mapUndefine(map, key); }

/* ---------------------------------------------------------------- lookup */

Pointer mapApply(stdMap map, Pointer key)
{
    uInt32 slot = slotOf(map, key);
    return slot == tableNoSlot ? nullptr : tableEntry(tableOf(map), slot)[1];
}

Pointer mapApply1(stdMap map, Pointer *key)
{
    uInt32 slot = slotOf(map, *key);
    if (slot == tableNoSlot) return nullptr;
    Pointer *entry = tableEntry(tableOf(map), slot);
    *key = entry[0];
    return entry[1];
}

Pointer mapApplyWD(stdMap map, Pointer key, Pointer defaultValue)
{
    uInt32 slot = slotOf(map, key);
    return slot == tableNoSlot ? defaultValue : tableEntry(tableOf(map), slot)[1];
}

Pointer mapDomain(stdMap map, Pointer key)
{
    uInt32 slot = slotOf(map, key);
    return slot == tableNoSlot ? nullptr : tableEntry(tableOf(map), slot)[0];
}

Bool mapIsDefined(stdMap map, Pointer key) { return slotOf(map, key) != tableNoSlot; }

Pointer mapAnyDomain(stdMap map)
{
    uInt32 slot = tableFirstSlot(tableOf(map));
    return slot == tableNoSlot ? nullptr : tableEntry(tableOf(map), slot)[0];
}

Pointer mapAnyRange(stdMap map)
{
    uInt32 slot = tableFirstSlot(tableOf(map));
    return slot == tableNoSlot ? nullptr : tableEntry(tableOf(map), slot)[1];
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
        uInt32 slot = slotOf(b, k);
        equal = slot != tableNoSlot && valueEqual(v, tableEntry(tableOf(b), slot)[1]);
    });
    return equal;
}

/* ----------------------------------------------------------- conversion */

/* The keys keep the map's key functions, data and number of buckets. */
stdSet mapDomainToSet(stdMap map)
{
    stdSet set = (stdSet)stdMALLOC(sizeof(stdSetRec));
    if (!set) stdOutOfMemory();
    tableInitLike(&set->table, tableOf(map), 1);
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

stdMapIterator mapBegin(stdMap map)
{
    if (mapSize(map) == 0) return nullptr;
    stdMapIterator it = (stdMapIterator)stdMALLOC(sizeof(stdMapIteratorRec));
    if (!it) stdOutOfMemory();
    tableIteratorStart(&it->iterator, tableOf(map));
    return it;
}

Bool mapAtEnd(stdMapIterator *iterator)
{
    if (!*iterator) return True;
    if (!tableIteratorPast(&(*iterator)->iterator)) return False;
    memspFree(*iterator);
    *iterator = nullptr;
    return True;
}

void mapNext(stdMapIterator iterator)
{
    if (iterator) tableIteratorNext(&iterator->iterator);
}

static Pointer currentWord(stdMapIterator iterator, int which)
{
    if (!iterator) return nullptr;
    uInt32 slot = tableIteratorSlot(&iterator->iterator);
    return slot == tableNoSlot ? nullptr : tableEntry(iterator->iterator.table, slot)[which];
}

Pointer mapDomainValue(stdMapIterator iterator) { return currentWord(iterator, 0); }
Pointer mapRangeValue(stdMapIterator iterator) { return currentWord(iterator, 1); }

/* ------------------------------------------------ maps of collections */

static void deleteMapValue(Pointer value, Pointer) { mapDelete((stdMap)value); }
static void deleteSetValue(Pointer value, Pointer) { setDelete((stdSet)value); }
static void deleteBitSetValue(Pointer value, Pointer) { bitSetDelete((stdBitSet)value); }
static void deleteMapMapValue(Pointer value, Pointer) { mapDeleteMapMap((stdMap)value); }

void mapDeleteMapMap(stdMap map)
{
    mapRangeTraverse(map, deleteMapValue, nullptr);
    mapDelete(map);
}

void mapEmptyMapMap(stdMap map)
{
    mapRangeTraverse(map, deleteMapValue, nullptr);
    mapEmpty(map);
}

void mapDeleteSetMap(stdMap map)
{
    mapRangeTraverse(map, deleteSetValue, nullptr);
    mapDelete(map);
}

void mapEmptySetMap(stdMap map)
{
    mapRangeTraverse(map, deleteSetValue, nullptr);
    mapEmpty(map);
}

void mapDeleteBitSetMap(stdMap map)
{
    mapRangeTraverse(map, deleteBitSetValue, nullptr);
    mapDelete(map);
}

void mapEmptyBitSetMap(stdMap map)
{
    mapRangeTraverse(map, deleteBitSetValue, nullptr);
    mapEmpty(map);
}

void mapDeleteMapMapMap(stdMap map)
{
    mapRangeTraverse(map, deleteMapMapValue, nullptr);
    mapDelete(map);
}

void mapEmptyMapMapMap(stdMap map)
{
    mapRangeTraverse(map, deleteMapMapValue, nullptr);
    mapEmpty(map);
}

} /* extern "C" */
