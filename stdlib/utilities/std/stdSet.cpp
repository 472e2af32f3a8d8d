/*
 * Hash sets on the shared table (stdMapTableLocal.h).
 */
#include "stdMapTableLocal.h"
#include "stdMessages.h"

static stdTableRec *tableOf(stdSet set) { return &set->table; }

static Bool contains(stdSet set, Pointer element) { return tableLookup(tableOf(set), element) != nullptr; }

/* Calls f(element) for every element of the set in slot order. */
template <typename F> static void forEach(stdSet set, F f)
{
    stdTableRec *t = tableOf(set);
    tableTraverse(t, [&](uInt32 slot) { f(*tableEntry(t, slot)); });
}

extern "C" {

/* ------------------------------------------------------------------ life */

stdSet setCreate(stdHashFun hash, stdEqualFun equal, Int sizeHint)
{
    return tableCreate<stdSetRec>(1, hash, equal, nullptr, nullptr, nullptr, sizeHint);
}

stdSet setDCreate(stdHashDFun hash, stdEqualDFun equal, Int sizeHint, Pointer data)
{
    stdASSERT(data != nullptr, ("setDCreate needs a data pointer"));
    return tableCreate<stdSetRec>(1, nullptr, nullptr, hash, equal, data, sizeHint);
}

stdSet setCreateLike(stdSet set) { return tableCreateLike<stdSetRec>(tableOf(set), 1); }

stdSet setCopy(stdSet set)
{
    stdSet copy = setCreateLike(set);
    forEach(set, [&](Pointer e) { setInsert(copy, e); });
    return copy;
}

void setDelete(stdSet set) { tableDeleteRecord(set); }

Bool   setEmpty(stdSet set) { return tableEmpty(tableOf(set)); }
uInt64 setSize(stdSet set) { return set->table.size; }
Bool   setIsEmpty(stdSet set) { return set->table.size == 0; }
uInt32 setHash(stdSet set) { return set->table.hash; }

void setGetHashTableParameters(stdSet set, stdHashTableParameters parameters)
{
    tableGetParameters(tableOf(set), parameters);
}

void setPrint(struct stdWriterRec *writer, stdSet set) { tablePrint(writer, tableOf(set)); }

/* -------------------------------------------------------------- elements */

Pointer setInsert(stdSet set, Pointer element) { return tableStore(tableOf(set), element, nullptr); }

Pointer setAddTo(Pointer element, stdSet set) { return setInsert(set, element); }

Pointer setRemove(stdSet set, Pointer element) { return tableRemove(tableOf(set), element); }

Pointer setDeleteFrom(Pointer element, stdSet set) { return setRemove(set, element); }

Bool setContains(stdSet set, Pointer element) { return contains(set, element); }

Pointer setElement(stdSet set, Pointer element)
{
    Pointer *entry = tableLookup(tableOf(set), element);
    return entry ? *entry : nullptr;
}

Pointer setAnyElement(stdSet set)
{
    Pointer *entry = tableFirstEntry(tableOf(set));
    return entry ? *entry : nullptr;
}

void setTraverse(stdSet set, stdEltFun function, Pointer data)
{
    forEach(set, [&](Pointer e) { function(e, data); });
}

/* ------------------------------------------------------------- relations */

uInt64 nrofCommonElements(stdSet a, stdSet b)
{
    stdSet small = setSize(a) <= setSize(b) ? a : b;
    stdSet other = small == a ? b : a;
    uInt64 common = 0;
    forEach(small, [&](Pointer e) { common += contains(other, e); });
    return common;
}

Bool setOverlaps(stdSet a, stdSet b)
{
    stdSet small = setSize(a) <= setSize(b) ? a : b;
    stdSet other = small == a ? b : a;
    Bool found = False;
    forEach(small, [&](Pointer e) { found = found || contains(other, e); });
    return found;
}

Int setOverlapsHow(stdSet a, stdSet b)
{
    uInt64 c = nrofCommonElements(a, b);
    if (c == 0) return stdOVERLAPS_NONE;
    if (c == setSize(a)) return c == setSize(b) ? stdOVERLAPS_EQUAL : stdOVERLAPS_A_IN_B;
    return c == setSize(b) ? stdOVERLAPS_B_IN_A : stdOVERLAPS_PARTLY;
}

Bool setSubset(stdSet a, stdSet b)
{
    if (a == b || setSize(a) == 0) return True;
    if (setSize(b) < setSize(a)) return False;
    Bool all = True;
    forEach(a, [&](Pointer e) { all = all && contains(b, e); });
    return all;
}

Bool setEqual(stdSet a, stdSet b)
{
    if (a == b) return True;
    if (setHash(a) != setHash(b) || setSize(a) != setSize(b)) return False;
    uInt64 c = nrofCommonElements(a, b);
    return c == setSize(a) && c == setSize(b);
}

/* --------------------------------------------------------------- algebra */

stdSet setUnion(stdSet a, stdSet b)
{
    stdSet result = setCopy(a);
    forEach(b, [&](Pointer e) { setInsert(result, e); });
    return result;
}

stdSet setDifference(stdSet a, stdSet b)
{
    stdSet result = setCreateLike(a);
    forEach(a, [&](Pointer e) { if (!contains(b, e)) setInsert(result, e); });
    return result;
}

stdSet setIntersection(stdSet a, stdSet b)
{
    stdSet result = setCreateLike(a);
    forEach(a, [&](Pointer e) { if (contains(b, e)) setInsert(result, e); });
    return result;
}

Bool setInPlaceUnion(stdSet a, stdSet b)
{
    uInt64 before = setSize(a);
    if (a != b) forEach(b, [&](Pointer e) { setInsert(a, e); });
    return setSize(a) != before;
}

Bool setInPlaceDifference(stdSet a, stdSet b)
{
    uInt64 before = setSize(a);
    if (a == b) setEmpty(a);
    else forEach(b, [&](Pointer e) { setRemove(a, e); });
    return setSize(a) != before;
}

Bool setInPlaceIntersection(stdSet a, stdSet b)
{
    uInt64 before = setSize(a);
    if (a != b) forEach(a, [&](Pointer e) { if (!contains(b, e)) setRemove(a, e); });
    return setSize(a) != before;
}

stdList setToList(stdSet set)
{
    stdList list = nullptr;
    forEach(set, [&](Pointer e) { list = listCons(e, list); });
    return list;
}

/* ------------------------------------------------------------- iterator */

stdSetIterator setBegin(stdSet set) { return tableBegin<stdSetIteratorRec>(tableOf(set)); }
Bool setAtEnd(stdSetIterator *iterator) { return tableAtEnd(iterator); }

void setNext(stdSetIterator iterator)
{
    if (iterator) tableIteratorNext(&iterator->iterator);
}

Pointer setValue(stdSetIterator iterator) { return tableCurrent(iterator, 0); }

} /* extern "C" */
