/*
 * Range maps: creation, lookup, define and undefine.
 *
 * Define and undefine keep two invariants: a node at exactly one level below
 * its parent slot whose 16 slots are leaves of one value becomes that value
 * as a leaf of the parent, and a node with no leaf and at most one non-null
 * slot is replaced by that slot's child (or by nothing). So no node is ever
 * empty.
 */
#include <string.h>
#include "stdRangeMapLocal.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

using namespace rangemapLocal;

namespace rangemapLocal {

bool isUniform(const Node *n)
{
    for (uInt32 i = 0; i < slotCount; i++) {
        if (!n->isLeaf[i] || n->slots[i] != n->slots[0]) return false;
    }
    return true;
}

/* The nodes of a pooled map: slabs, a bump pointer in the newest, and the
 * nodes given back, linked through slots[0]. */
const uInt32 nodesPerSlab = 63;
struct Slab {
    Slab *next;
    Node  nodes[nodesPerSlab];
};
struct NodePool {
    Slab  *slabs;
    uInt32 used;    /* nodes of the newest slab handed out */
    Node  *spare;
};

static void retire(Node *n, Retired &retired)
{
    if (NodePool *pool = retired.pool) {
        /* Unlinked already, and a pool's nodes are no allocation that a
         * lookup could be asked about: back at once. */
        n->slots[0] = pool->spare;
        pool->spare = n;
        return;
    }
    n->slots[0] = retired.head;
    retired.head = n;
}

static Node *allocateNode(Retired &retired)
{
    NodePool *pool = retired.pool;
    if (pool == nullptr) return (Node *)stdMALLOC(sizeof(Node));
    if (Node *n = pool->spare) {
        pool->spare = (Node *)n->slots[0];
        return n;
    }
    if (pool->slabs == nullptr || pool->used == nodesPerSlab) {
        Slab *slab = (Slab *)stdMALLOC(sizeof(Slab));
        slab->next  = pool->slabs;
        pool->slabs = slab;
        pool->used  = 0;
    }
    return &pool->slabs->nodes[pool->used++];
}

/* An emptied map's slabs leave with the retired nodes. */
static void releaseSlabsIfEmpty(stdRangeMap map, Retired &retired)
{
    NodePool *pool = map->pool;
    if (pool == nullptr || map->root != nullptr) return;
    while (Slab *slab = pool->slabs) {
        pool->slabs = slab->next;
        *(Pointer *)slab = retired.slabs;
        retired.slabs = slab;
    }
    pool->used  = 0;
    pool->spare = nullptr;
}

void retireTree(Node *n, Retired &retired)
{
    for (uInt32 i = 0; i < slotCount; i++) {
        if (Node *child = childAt(n, i)) retireTree(child, retired);
    }
    retire(n, retired);
}

Retired::~Retired()
{
    while (Node *n = head) {
        head = (Node *)n->slots[0];
        release(n);
    }
    while (Pointer slab = slabs) {
        slabs = *(Pointer *)slab;
        release(slab);
    }
}

} // namespace rangemapLocal

static inline uInt64 maxKey(uInt64 a, uInt64 b) { return a > b ? a : b; }
static inline uInt64 minKey(uInt64 a, uInt64 b) { return a < b ? a : b; }

/* An empty node of the level whose coverage holds the key. */
static Node *newNode(uInt64 key, uInt32 shift, Retired &retired)
{
    Node *n = allocateNode(retired);
    memset(n, 0, sizeof(Node));
    n->shift = shift;
    n->base  = key & ~nodeSpanMask(shift);
    return n;
}

/* The highest level <= limit at which first and last fall into different
 * blocks of 2^level keys (0 when there is none): the level of the smallest
 * node that holds both in different slots. */
static uInt32 splitLevel(uInt64 first, uInt64 last, uInt32 limit)
{
    uInt64 differing = first ^ last;
    if (differing == 0) return 0;
    uInt32 level = (63 - (uInt32)__builtin_clzll(differing)) / 4 * 4;
    return level < limit ? level : limit;
}

static void setLeaf(Node *n, uInt32 i, Pointer value, Retired &retired)
{
    if (Node *child = childAt(n, i)) retireTree(child, retired);
    n->slots[i]  = value;
    n->isLeaf[i] = value != nullptr;
}

/* A child sitting exactly one level below its slot, made of 16 leaves of one
 * value, becomes that value as a leaf. */
static void mergeUniformChild(Node *n, uInt32 i, Retired &retired)
{
    Node *child = childAt(n, i);
    if (child && child->shift + 4 == n->shift && isUniform(child)) {
        n->slots[i]  = child->slots[0];
        n->isLeaf[i] = 1;
        retire(child, retired);
    }
}

static void defineIn(Node **slot, uInt64 first, uInt64 last, Pointer value, uInt32 limit, Retired &retired);

/* Defines the value on [first, last], which lies inside slot i of n. */
static void defineInSlot(Node *n, uInt32 i, uInt64 first, uInt64 last, Pointer value, Retired &retired)
{
    uInt64 slotLo = slotFirst(n, i), slotHi = slotLast(n, i);
    if (first == slotLo && last == slotHi) {
        setLeaf(n, i, value, retired);
        return;
    }
    uInt32 below = n->shift - 4;
    Node **child = (Node **)&n->slots[i];
    if (n->isLeaf[i]) {
        Pointer old = n->slots[i];
        if (old == value) return;
        /* The old value keeps the parts of the slot outside the range. */
        n->slots[i]  = nullptr;
        n->isLeaf[i] = 0;
        if (slotLo < first) defineIn(child, slotLo, first - 1, old, below, retired);
        if (last < slotHi) defineIn(child, last + 1, slotHi, old, below, retired);
    }
    defineIn(child, first, last, value, below, retired);
    mergeUniformChild(n, i, retired);
}

/*
 * Defines the value on [first, last] in the subtree at *slot, whose nodes may
 * sit at levels up to limit; the range lies inside the keys that slot covers.
 */
static void defineIn(Node **slot, uInt64 first, uInt64 last, Pointer value, uInt32 limit, Retired &retired)
{
    Node *n = *slot;
    if (n == nullptr) {
        n = *slot = newNode(first, splitLevel(first, last, limit), retired);
    } else {
        uInt32 level = splitLevel(minKey(first, n->base), maxKey(last, nodeLast(n)), limit);
        if (level != n->shift) {
            /* The range reaches outside the node: put a node above both. */
            Node *above = newNode(first, level, retired);
            uInt32 i = slotOf(above, n->base);
            above->slots[i] = n;
            mergeUniformChild(above, i, retired);
            n = *slot = above;
        }
    }
    uInt32 lastSlot = slotOf(n, last);
    for (uInt32 i = slotOf(n, first); i <= lastSlot; i++) {
        defineInSlot(n, i, maxKey(first, slotFirst(n, i)), minKey(last, slotLast(n, i)), value, retired);
    }
}

/* A node without leaves and with at most one non-null slot gives way to that
 * slot's child, or to nothing. */
static void collapseSparse(Node **slot, Retired &retired)
{
    Node *n = *slot;
    Node *only = nullptr;
    uInt32 used = 0;
    for (uInt32 i = 0; i < slotCount; i++) {
        if (n->isLeaf[i]) return;
        if (n->slots[i]) {
            only = (Node *)n->slots[i];
            used++;
        }
    }
    if (used > 1) return;
    *slot = only;
    retire(n, retired);
}

/* Unmaps the part of [first, last] that the subtree at *slot covers. */
static void undefineIn(Node **slot, uInt64 first, uInt64 last, Retired &retired)
{
    Node *n = *slot;
    if (n == nullptr) return;
    first = maxKey(first, n->base);
    last  = minKey(last, nodeLast(n));
    if (first > last) return;
    uInt32 lastSlot = slotOf(n, last);
    for (uInt32 i = slotOf(n, first); i <= lastSlot; i++) {
        uInt64 slotLo = slotFirst(n, i), slotHi = slotLast(n, i);
        uInt64 lo = maxKey(first, slotLo), hi = minKey(last, slotHi);
        if (lo == slotLo && hi == slotHi) {
            setLeaf(n, i, nullptr, retired);
        } else if (n->isLeaf[i]) {
            Pointer old = n->slots[i];
            setLeaf(n, i, nullptr, retired);
            Node **child = (Node **)&n->slots[i];
            if (slotLo < lo) defineIn(child, slotLo, lo - 1, old, n->shift - 4, retired);
            if (hi < slotHi) defineIn(child, hi + 1, slotHi, old, n->shift - 4, retired);
        } else {
            undefineIn((Node **)&n->slots[i], lo, hi, retired);
        }
    }
    collapseSparse(slot, retired);
}

/* The ranges of undefineValues still ahead of a walk in ascending key order. */
struct RangesAhead {
    const ValueRange *at, *end;
    /* The first range that does not end before the key. */
    const ValueRange *from(uInt64 key)
    {
        while (at < end && at->last < key) at++;
        return at;
    }
};

/* A leaf of a range's value lies inside the range, so it goes whole; slots
 * that meet no range are not entered. */
static void undefineValuesIn(Node **slot, RangesAhead &ahead, Retired &retired)
{
    Node *n = *slot;
    /* The children are scattered through the heap: ask for all of them
     * before going down into the first. */
    for (uInt32 i = 0; i < slotCount; i++) {
        if (Node *child = childAt(n, i)) {
            for (uInt32 line = 0; line < sizeof(Node); line += 64) __builtin_prefetch((char *)child + line);
        }
    }
    for (uInt32 i = 0; i < slotCount; i++) {
        if (n->slots[i] == nullptr) continue;
        const ValueRange *r = ahead.from(slotFirst(n, i));
        if (r == ahead.end) break;
        if (r->first > slotLast(n, i)) continue;
        if (!n->isLeaf[i]) {
            undefineValuesIn((Node **)&n->slots[i], ahead, retired);
        } else if (n->slots[i] == r->value) {
            setLeaf(n, i, nullptr, retired);
        }
    }
    collapseSparse(slot, retired);
}

/* The last key of a non-empty range; a range running past the top of the
 * key space is an assertion. */
static uInt64 lastKeyOf(uInt64 start, uInt64 length)
{
    stdASSERT(start == 0 || length <= 0 - start, ("Specified range wraps around end of memory"));
    return start + (length - 1);
}

stdRangeMap rangemapCreate(void)
{
    stdRangeMap map = (stdRangeMap)stdMALLOC(sizeof(stdRangeMapRec));
    map->root = nullptr;
    map->pool = nullptr;
    return map;
}

stdRangeMap rangemapLocal::createPooled(void)
{
    stdRangeMap map = rangemapCreate();
    map->pool = (NodePool *)stdMALLOC(sizeof(NodePool));
    map->pool->slabs = nullptr;
    map->pool->used  = 0;
    map->pool->spare = nullptr;
    return map;
}

void rangemapDelete(stdRangeMap map)
{
    if (map == nullptr) return;
    {
        Retired retired(map, memspFree);
        clear(map, retired);
    }
    memspFree(map->pool);
    memspFree(map);
}

Bool rangemapIsEmpty(stdRangeMap map)
{
    return map->root == nullptr;
}

void rangemapDefine(stdRangeMap map, uInt64 start, uInt64 length, Pointer value)
{
    if (value == nullptr) {
        rangemapUndefine(map, start, length);
        return;
    }
    if (length == 0) return;
    Retired retired(map, memspFree);
    defineIn(&map->root, start, lastKeyOf(start, length), value, topShift, retired);
}

void rangemapDefine1(stdRangeMap map, uInt64 key, Pointer value)
{
    rangemapDefine(map, key, 1, value);
}

void rangemapLocal::undefineRange(stdRangeMap map, uInt64 start, uInt64 length, Retired &retired)
{
    retired.pool = map->pool;
    if (length == 0) return;
    undefineIn(&map->root, start, lastKeyOf(start, length), retired);
    releaseSlabsIfEmpty(map, retired);
}

void rangemapLocal::undefineValues(stdRangeMap map, const ValueRange *ranges, size_t count, Retired &retired)
{
    retired.pool = map->pool;
    RangesAhead ahead = {ranges, ranges + count};
    if (map->root && count) undefineValuesIn(&map->root, ahead, retired);
    releaseSlabsIfEmpty(map, retired);
}

void rangemapLocal::clear(stdRangeMap map, Retired &retired)
{
    retired.pool = map->pool;
    /* A pool's slabs hold every node: no walk needed. */
    if (map->root && map->pool == nullptr) retireTree(map->root, retired);
    map->root = nullptr;
    releaseSlabsIfEmpty(map, retired);
}

void rangemapUndefine(stdRangeMap map, uInt64 start, uInt64 length)
{
    Retired retired(map, memspFree);
    undefineRange(map, start, length, retired);
}

void rangemapUndefine1(stdRangeMap map, uInt64 key)
{
    rangemapUndefine(map, key, 1);
}

Pointer rangemapApply(stdRangeMap map, uInt64 key)
{
    /* One shift gives both the coverage test and the slot: a key outside the
     * node's 16 slots (below its base as well, by wrap-around) yields 16 or
     * more; at level 60 every key yields a slot. */
    const Node *n = map->root;
    while (n != nullptr) {
        uInt64 i = (key - n->base) >> n->shift;
        if (i >= slotCount) return nullptr;
        Pointer slot = n->slots[i];
        if (n->isLeaf[i]) return slot;
        n = (const Node *)slot;
    }
    return nullptr;
}
