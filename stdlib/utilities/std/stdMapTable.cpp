/*
 * The hash table under maps and sets: slots, occupancy, buckets, growth.
 */
#include <string.h>
#include "stdMapTableLocal.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdWriter.h"

static const uInt32 listEnd = 0xFFFFFFFFu;
static const uInt32 maxBuckets = 0x80000000u;
/* Slot numbers must stay below the index-list terminator. */
static const uInt64 maxSlots = 0xFFFFFFFFu;

uInt32 tableFirstBit(uInt32 word)
{
    if (word == 0) {
        stdASSERTLOGSETPOS("False", __FILE_NAME__, __LINE__);
        stdASSERTLOGFAIL("zero argument to stdFirstBit32");
    }
    return (uInt32)__builtin_ctz(word);
}

static Pointer allocateZero(size_t size)
{
    Pointer block = stdMALLOC(size);
    memset(block, 0, size);
    return block;
}

/* ------------------------------------------------------------------ life */

static void resetSlots(stdTableRec *t)
{
    t->entryCapacity  = 1;
    t->occupancyWords = 1;
    t->searchHint     = 0;
    t->size           = 0;
    t->hash           = 0;
    t->entries        = (Pointer *)allocateZero(t->entryWords * sizeof(Pointer));
    t->occupancy      = (uInt32 *)allocateZero(sizeof(uInt32));
}

static void initBuckets(stdTableRec *t, uInt64 nrofBuckets)
{
    t->bucketMask = (uInt32)(nrofBuckets - 1);
    t->growLimit  = 4 * nrofBuckets;
    t->buckets    = (uInt32 **)allocateZero(nrofBuckets * sizeof(uInt32 *));
}

void tableInit(stdTableRec *t, uInt8 entryWords, stdHashFun hash, stdEqualFun equal,
               stdHashDFun hashD, stdEqualDFun equalD, Pointer data, Int sizeHint)
{
    t->hashFunction   = hash;
    t->equalFunction  = equal;
    t->hashDFunction  = hashD;
    t->equalDFunction = equalD;
    t->data           = data;
    t->entryWords     = entryWords;
    t->keyKind        = tableGeneralKeys;
    if (!data && hash == stdPointerHash && equal == stdPointerEqual) t->keyKind = tablePointerKeys;
    if (!data && hash == stdIntHash && equal == stdIntEqual) t->keyKind = tableIntegerKeys;

    uInt64 nrofBuckets = 1;
    uInt64 wanted = sizeHint > 1 ? (uInt64)sizeHint : 1;
    while (nrofBuckets < wanted && nrofBuckets < maxBuckets) nrofBuckets *= 2;
    initBuckets(t, nrofBuckets);
    resetSlots(t);
}

void tableInitLike(stdTableRec *t, const stdTableRec *like, uInt8 entryWords)
{
    *t = *like;
    t->entryWords = entryWords;
    initBuckets(t, (uInt64)like->bucketMask + 1);
    resetSlots(t);
}

static void freeIndexLists(stdTableRec *t)
{
    for (uInt64 i = 0; i <= t->bucketMask; i++) {
        memspFree(t->buckets[i]);
        t->buckets[i] = nullptr;
    }
}

void tableRelease(stdTableRec *t)
{
    freeIndexLists(t);
    memspFree(t->buckets);
    memspFree(t->entries);
    memspFree(t->occupancy);
}

Bool tableEmpty(stdTableRec *t)
{
    Bool hadEntries = t->size != 0;
    freeIndexLists(t);
    memspFree(t->entries);
    memspFree(t->occupancy);
    resetSlots(t);
    return hadEntries;
}

/* ---------------------------------------------------------------- lookup */

uInt32 tableHashOf(const stdTableRec *t, Pointer key)
{
    switch (t->keyKind) {
    case tablePointerKeys: {
        uInt64 k = (uInt64)(Address)key;
        return (uInt32)((k >> 8) ^ (k >> 5) ^ (k >> 11));
    }
    case tableIntegerKeys:
        return (uInt32)(Address)key;
    default:
        return t->data ? t->hashDFunction(key, t->data) : t->hashFunction(key);
    }
}

uInt32 tableFind(const stdTableRec *t, Pointer key, uInt32 h)
{
    const uInt32 *list = t->buckets[h & t->bucketMask];
    if (!list) return tableNoSlot;

    for (const uInt32 *p = list + 1; *p != listEnd; p++) {
        Pointer stored = *tableEntry(t, *p);
        Bool same;
        if (t->keyKind != tableGeneralKeys) same = stored == key;
        else if (t->data) same = t->equalDFunction(stored, key, t->data);
        else same = t->equalFunction(stored, key);
        if (same) return *p;
    }
    return tableNoSlot;
}

/* ------------------------------------------------------------- insertion */

static void appendToBucket(stdTableRec *t, uInt32 bucket, uInt32 slot)
{
    uInt32 *list = t->buckets[bucket];
    if (!list) {
        list = (uInt32 *)stdMALLOC(3 * sizeof(uInt32));
        list[0] = 1;
        list[1] = slot;
        list[2] = listEnd;
        t->buckets[bucket] = list;
        return;
    }
    uInt32 n = 0;
    while (list[1 + n] != listEnd) n++;
    if (n == list[0]) {
        uInt64 room = 2 * (uInt64)list[0];
        list = (uInt32 *)stdReallocFun(list, (room + 2) * sizeof(uInt32));
        list[0] = (uInt32)room;
        t->buckets[bucket] = list;
    }
    list[1 + n]     = slot;
    list[1 + n + 1] = listEnd;
}

static uInt32 takeFreeSlot(stdTableRec *t)
{
    uInt32 w = t->searchHint;
    if (t->occupancy[w] == 0xFFFFFFFFu) {
        uInt32 found = tableNoSlot;
        for (uInt32 i = w + 1; i < t->occupancyWords && found == tableNoSlot; i++)
            if (t->occupancy[i] != 0xFFFFFFFFu) found = i;
        for (uInt32 i = 0; i < w && found == tableNoSlot; i++)
            if (t->occupancy[i] != 0xFFFFFFFFu) found = i;
        if (found == tableNoSlot) {
            uInt64 words = 2 * (uInt64)t->occupancyWords;
            if (32 * words > maxSlots + 1) stdOutOfMemory();   /* the table is full */
            t->occupancy = (uInt32 *)stdReallocFun(t->occupancy, words * sizeof(uInt32));
            memset(t->occupancy + t->occupancyWords, 0,
                   (words - t->occupancyWords) * sizeof(uInt32));
            found = t->occupancyWords;
            t->occupancyWords = (uInt32)words;
        }
        w = found;
    }
    uInt64 slot = 32 * (uInt64)w + tableFirstBit(~t->occupancy[w]);
    if (slot >= maxSlots) stdOutOfMemory();
    t->searchHint = w;
    return (uInt32)slot;
}

static void growEntries(stdTableRec *t, uInt32 slot)
{
    uInt64 capacity = t->entryCapacity;
    while (capacity <= slot) capacity *= 2;
    if (capacity > maxSlots) capacity = maxSlots;
    size_t slotBytes = t->entryWords * sizeof(Pointer);
    t->entries = (Pointer *)stdReallocFun(t->entries, capacity * slotBytes);
    memset((char *)t->entries + t->entryCapacity * slotBytes, 0,
           (capacity - t->entryCapacity) * slotBytes);
    t->entryCapacity = (uInt32)capacity;
}

/* Doubles the buckets and re-inserts every entry in ascending slot order. */
static void rehash(stdTableRec *t)
{
    uInt64 nrofBuckets = (uInt64)t->bucketMask + 1;
    if (nrofBuckets >= maxBuckets) {
        t->growLimit = ~(uInt64)0;   /* as many buckets as a table may have */
        return;
    }
    freeIndexLists(t);
    memspFree(t->buckets);
    t->buckets    = (uInt32 **)allocateZero(2 * nrofBuckets * sizeof(uInt32 *));
    t->bucketMask = 2 * t->bucketMask + 1;
    t->growLimit *= 2;
    for (uInt32 w = 0; w < t->occupancyWords; w++)
        for (uInt32 bits = t->occupancy[w]; bits; bits &= bits - 1) {
            uInt32 slot = 32 * w + tableFirstBit(bits);
            appendToBucket(t, tableHashOf(t, *tableEntry(t, slot)) & t->bucketMask, slot);
        }
}

uInt32 tableInsertNew(stdTableRec *t, Pointer key, Pointer value, uInt32 h)
{
    uInt32 slot = takeFreeSlot(t);
    if (slot >= t->entryCapacity) growEntries(t, slot);

    appendToBucket(t, h & t->bucketMask, slot);
    t->occupancy[slot / 32] |= 1u << (slot % 32);
    Pointer *entry = tableEntry(t, slot);
    entry[0] = key;
    if (t->entryWords > 1) entry[1] = value;
    t->size += 1;
    t->hash ^= h;

    if (t->size > t->growLimit) rehash(t);
    return slot;
}

/* --------------------------------------------------------------- removal */

void tableRemoveSlot(stdTableRec *t, uInt32 slot, uInt32 h)
{
    uInt32 bucket = h & t->bucketMask;
    uInt32 *list = t->buckets[bucket];
    uInt32 *hit = nullptr, *last = list + 1;
    for (uInt32 *p = list + 1; *p != listEnd; p++) {
        if (*p == slot) hit = p;
        last = p;
    }
    *hit  = *last;
    *last = listEnd;
    if (list[1] == listEnd) {
        memspFree(list);
        t->buckets[bucket] = nullptr;
    }
    t->occupancy[slot / 32] &= ~(1u << (slot % 32));
    t->size -= 1;
    t->hash ^= h;
}

/* ----------------------------------------------------------- inspection */

uInt32 tableFirstSlot(const stdTableRec *t)
{
    for (uInt32 w = 0; w < t->occupancyWords; w++)
        if (t->occupancy[w]) return 32 * w + tableFirstBit(t->occupancy[w]);
    return tableNoSlot;
}

void tableGetParameters(const stdTableRec *t, stdHashTableParameters parameters)
{
    parameters->hashFunction   = t->hashFunction;
    parameters->equalFunction  = t->equalFunction;
    parameters->nrofBuckets    = t->bucketMask + 1;
    parameters->data           = t->data;
    parameters->hashDFunction  = t->hashDFunction;
    parameters->equalDFunction = t->equalDFunction;
}

static uInt64 listLength(const uInt32 *list)
{
    uInt64 n = 0;
    if (list)
        while (list[1 + n] != listEnd) n++;
    return n;
}

void tablePrint(stdWriter writer, const stdTableRec *t)
{
    uInt64 nrofBuckets = (uInt64)t->bucketMask + 1;
    uInt64 nonEmpty = 0, largest = 0;

    for (uInt64 i = 0; i < nrofBuckets; i++) {
        const uInt32 *list = t->buckets[i];
        uInt64 k = listLength(list);
        if (k == 0) continue;
        nonEmpty++;
        if (k > largest) largest = k;
        wtrPrintf(writer, "- %4d : %4d\t|", (Int)i, (Int)k);
        for (const uInt32 *p = list + 1; *p != listEnd; p++) {
            const Pointer *entry = tableEntry(t, *p);
            if (t->entryWords > 1) wtrPrintf(writer, " (%p,%p)", entry[0], entry[1]);
            else wtrPrintf(writer, " %p", entry[0]);
        }
        wtrPrintf(writer, "\n");
    }

    /* An empty table has no filled bucket; its current filling is 0. */
    double current = nonEmpty ? (double)t->size / (double)nonEmpty : 0.0;
    wtrPrintf(writer, " Optimal bucket filling: %f / bucket\n", (double)t->size / (double)nrofBuckets);
    wtrPrintf(writer, " Current bucket filling: %f / bucket\n", current);
    wtrPrintf(writer, " Largest bucket filling: %d\n", (Int)largest);

    uInt64 *histogram = (uInt64 *)allocateZero((largest + 1) * sizeof(uInt64));
    for (uInt64 i = 0; i < nrofBuckets; i++) histogram[listLength(t->buckets[i])]++;
    wtrPrintf(writer, " Bucket fillings       : ");
    for (uInt64 fill = 0; fill <= largest; fill++)
        if (histogram[fill]) wtrPrintf(writer, "%lld(%lld) ", (long long)fill, (long long)histogram[fill]);
    wtrPrintf(writer, "\n");
    memspFree(histogram);
}

/* ------------------------------------------------------------ iterators */

static void seekOccupiedWord(stdTableIteratorRec *it, uInt32 from)
{
    const stdTableRec *t = it->table;
    for (uInt32 w = from; w < t->occupancyWords; w++)
        if (t->occupancy[w]) {
            it->word = w;
            it->bits = t->occupancy[w];
            return;
        }
    it->word = tableNoSlot;
    it->bits = 0;
}

void tableIteratorStart(stdTableIteratorRec *it, stdTableRec *t)
{
    it->table = t;
    seekOccupiedWord(it, 0);
}

Bool tableIteratorPast(const stdTableIteratorRec *it)
{
    return it->word == tableNoSlot || it->word >= it->table->occupancyWords;
}

uInt32 tableIteratorSlot(const stdTableIteratorRec *it)
{
    if (!it || tableIteratorPast(it) || !it->bits) return tableNoSlot;
    uInt32 slot = 32 * it->word + tableFirstBit(it->bits);
    /* The table may have been emptied since: never read past its slots. */
    return slot < it->table->entryCapacity ? slot : tableNoSlot;
}

void tableIteratorNext(stdTableIteratorRec *it)
{
    if (!it || tableIteratorPast(it)) return;
    if (it->bits) it->bits &= it->bits - 1;
    if (!it->bits) seekOccupiedWord(it, it->word + 1);
}
