/*
 * Private to the maps and sets: the hash table both are built on.
 *
 * Entries live in one slot array (a map slot holds key and value, a set slot
 * the element) with an occupancy bit per slot; each non-empty bucket holds
 * an index list of the slots whose key hashes to it:
 *     { room, slot, slot, ..., 0xFFFFFFFF }
 * Slots are handed out lowest-free-first starting at the word of the last
 * insertion, so traversal in slot order is insertion order until a removal
 * frees a slot.
 */
#ifndef stdMapTableLocal_INCLUDED
#define stdMapTableLocal_INCLUDED

#include "stdTypes.h"
#include "stdList.h"
#include "stdMemSpace.h"
#include "stdStdFun.h"
#include "stdMap.h"
#include "stdSet.h"

struct stdWriterRec;

enum : uInt32 { tableNoSlot = 0xFFFFFFFFu };

/* Key kinds: pointer and integer tables hash inline and compare words. */
enum : uInt8 { tableGeneralKeys = 0, tablePointerKeys = 1, tableIntegerKeys = 2 };

struct stdTableRec {
    stdHashFun   hashFunction;     /* null in a D table */
    stdEqualFun  equalFunction;
    stdHashDFun  hashDFunction;
    stdEqualDFun equalDFunction;
    Pointer      data;             /* the D functions are used exactly when set */
    uInt32       bucketMask;       /* number of buckets - 1, a power of two - 1 */
    uInt64       size;
    uInt32       hash;             /* XOR of the hashes of the keys present */
    uInt64       growLimit;        /* 4 entries per bucket */
    uInt32       searchHint;       /* occupancy word where the free-slot search starts */
    uInt32       entryCapacity;
    uInt32       occupancyWords;
    uInt8        keyKind;
    uInt8        entryWords;       /* 2 for maps, 1 for sets */
    Pointer     *entries;          /* entryWords words per slot */
    uInt32      *occupancy;
    uInt32     **buckets;          /* index lists, null when empty */
};

struct stdMapRec { stdTableRec table; };
struct stdSetRec { stdTableRec table; };

struct stdTableIteratorRec {
    stdTableRec *table;
    uInt32       word;             /* tableNoSlot once past the last word */
    uInt32       bits;             /* bits of that word not yet visited */
};
struct stdMapIteratorRec { stdTableIteratorRec iterator; };
struct stdSetIteratorRec { stdTableIteratorRec iterator; };

/* Set up a table in place (the record itself belongs to the caller). */
void tableInit(stdTableRec *t, uInt8 entryWords, stdHashFun hash, stdEqualFun equal,
               stdHashDFun hashD, stdEqualDFun equalD, Pointer data, Int sizeHint);
/* Empty table with the functions, data and number of buckets of `like`. */
void tableInitLike(stdTableRec *t, const stdTableRec *like, uInt8 entryWords);
void tableRelease(stdTableRec *t);          /* frees all storage but the record */
Bool tableEmpty(stdTableRec *t);

uInt32 tableHashOf(const stdTableRec *t, Pointer key);
/* Slot of the key equal to `key` (whose hash is h), or tableNoSlot. */
uInt32 tableFind(const stdTableRec *t, Pointer key, uInt32 h);
/* Stores a new entry (key absent) and returns its slot; may grow the table. */
uInt32 tableInsertNew(stdTableRec *t, Pointer key, Pointer value, uInt32 h);
void   tableRemoveSlot(stdTableRec *t, uInt32 slot, uInt32 h);
uInt32 tableFirstSlot(const stdTableRec *t);      /* lowest occupied, or tableNoSlot */
void   tableGetParameters(const stdTableRec *t, stdHashTableParameters parameters);
void   tablePrint(struct stdWriterRec *writer, const stdTableRec *t);

static inline Pointer *tableEntry(const stdTableRec *t, uInt32 slot)
{
    return t->entries + (size_t)slot * t->entryWords;
}

/* The entry of the key equal to `key`, or null. */
static inline Pointer *tableLookup(const stdTableRec *t, Pointer key)
{
    uInt32 slot = tableFind(t, key, tableHashOf(t, key));
    return slot == tableNoSlot ? nullptr : tableEntry(t, slot);
}

static inline Pointer *tableFirstEntry(const stdTableRec *t)
{
    uInt32 slot = tableFirstSlot(t);
    return slot == tableNoSlot ? nullptr : tableEntry(t, slot);
}

/*
 * Adds the key (and value) when no equal key is present and returns null.
 * Otherwise the entry stays where it is and its last word is replaced, a
 * map's value by `value`, a set's element by `key` (an equal element may be
 * another object); what that word held is returned.
 */
static inline Pointer tableStore(stdTableRec *t, Pointer key, Pointer value)
{
    uInt32 h = tableHashOf(t, key);
    uInt32 slot = tableFind(t, key, h);
    if (slot == tableNoSlot) {
        tableInsertNew(t, key, value, h);
        return nullptr;
    }
    Pointer *entry = tableEntry(t, slot);
    uInt32 last = t->entryWords - 1u;
    Pointer old = entry[last];
    entry[last] = last ? value : key;
    return old;
}

/* Removes the key equal to `key`; returns the last word of its entry (a
 * map's value, a set's element), or null when there was none. */
static inline Pointer tableRemove(stdTableRec *t, Pointer key)
{
    uInt32 h = tableHashOf(t, key);
    uInt32 slot = tableFind(t, key, h);
    if (slot == tableNoSlot) return nullptr;
    Pointer stored = tableEntry(t, slot)[t->entryWords - 1u];
    tableRemoveSlot(t, slot, h);
    return stored;
}

static inline Bool tableSlotInUse(const stdTableRec *t, uInt32 word, uInt32 bit)
{
    return word < t->occupancyWords && ((t->occupancy[word] >> bit) & 1u);
}

/* Lowest set bit of a word known to be non-zero. */
uInt32 tableFirstBit(uInt32 word);

/*
 * Calls visit(slot) for every entry in ascending slot order. Each occupancy
 * word is read when the walk reaches it and the number of words again after
 * each word; an entry removed by an earlier call of the same walk is not
 * visited (its slot only holds stale contents). The callback may remove the
 * entry it is given, and the table may grow meanwhile.
 */
template <typename Visit> void tableTraverse(stdTableRec *t, Visit visit)
{
    for (uInt32 w = 0; w < t->occupancyWords; w++) {
        uInt32 bits = t->occupancy[w];
        while (bits) {
            uInt32 b = tableFirstBit(bits);
            bits &= bits - 1;
            if (tableSlotInUse(t, w, b)) visit(32 * w + b);
        }
    }
}

/* Iterators */
void   tableIteratorStart(stdTableIteratorRec *it, stdTableRec *t);   /* t not empty */
uInt32 tableIteratorSlot(const stdTableIteratorRec *it);             /* or tableNoSlot */
void   tableIteratorNext(stdTableIteratorRec *it);
Bool   tableIteratorPast(const stdTableIteratorRec *it);

/* ------------------------------------------------- the public records */

/* A new map (2 words an entry) or set (1 word) in the manner of tableInit. */
template <typename Rec>
Rec *tableCreate(uInt8 entryWords, stdHashFun hash, stdEqualFun equal, stdHashDFun hashD,
                 stdEqualDFun equalD, Pointer data, Int sizeHint)
{
    Rec *record = (Rec *)stdMALLOC(sizeof(Rec));
    tableInit(&record->table, entryWords, hash, equal, hashD, equalD, data, sizeHint);
    return record;
}

/* A new empty map or set in the manner of tableInitLike. */
template <typename Rec> Rec *tableCreateLike(const stdTableRec *like, uInt8 entryWords)
{
    Rec *record = (Rec *)stdMALLOC(sizeof(Rec));
    tableInitLike(&record->table, like, entryWords);
    return record;
}

/* Frees a map or set with all its storage; null is allowed. */
template <typename Rec> void tableDeleteRecord(Rec *record)
{
    if (!record) return;
    tableRelease(&record->table);
    memspFree(record);
}

/* An iterator over a map or set, or null for an empty one. */
template <typename Iterator> Iterator *tableBegin(stdTableRec *t)
{
    if (t->size == 0) return nullptr;
    Iterator *it = (Iterator *)stdMALLOC(sizeof(Iterator));
    tableIteratorStart(&it->iterator, t);
    return it;
}

/* True once the iterator is past the last entry; it is then freed and nulled. */
template <typename Iterator> Bool tableAtEnd(Iterator **iterator)
{
    if (!*iterator) return True;
    if (!tableIteratorPast(&(*iterator)->iterator)) return False;
    memspFree(*iterator);
    *iterator = nullptr;
    return True;
}

/* Word `which` of the iterator's current entry, or null. */
template <typename Iterator> Pointer tableCurrent(Iterator *iterator, uInt32 which)
{
    if (!iterator) return nullptr;
    uInt32 slot = tableIteratorSlot(&iterator->iterator);
    return slot == tableNoSlot ? nullptr : tableEntry(iterator->iterator.table, slot)[which];
}

#endif
