/*
 * Private to the range maps: the node record and its key arithmetic.
 *
 * Keys are handled as inclusive [first, last] pairs throughout, so that a
 * range or node reaching the top of the key space (a level-60 node covers
 * all 2^64 keys) never needs a count that 64 bits cannot hold.
 */
#ifndef stdRangeMapLocal_INCLUDED
#define stdRangeMapLocal_INCLUDED

#include "stdRangeMap.h"
#include "stdMemSpace.h"

namespace rangemapLocal {

const uInt32 slotCount = 16;
const uInt32 topShift  = 60;   /* the level whose node covers every key */

struct Node {
    uInt64  base;                /* first key covered; 0 at the top level */
    uInt32  shift;               /* each slot covers 2^shift keys */
    uInt8   isLeaf[slotCount];   /* 1: the slot holds a value for its whole range */
    Pointer slots[slotCount];    /* value, child node, or null (unmapped) */
};
static_assert(sizeof(Node) == 160, "a node is counted as 160 bytes");

} // namespace rangemapLocal

namespace rangemapLocal { struct NodePool; }

struct stdRangeMapRec {
    rangemapLocal::Node     *root;   /* null for an empty map */
    rangemapLocal::NodePool *pool;   /* where its nodes come from; null: one allocation each */
};

namespace rangemapLocal {

/* Keys covered by a node of the level, minus one: a mask of the offsets. */
inline uInt64 nodeSpanMask(uInt32 shift)
{
    return shift >= topShift ? ~(uInt64)0 : ((uInt64)slotCount << shift) - 1;
}

inline uInt64 nodeLast(const Node *n) { return n->base + nodeSpanMask(n->shift); }
inline uInt64 slotFirst(const Node *n, uInt32 i) { return n->base + ((uInt64)i << n->shift); }
inline uInt64 slotLast(const Node *n, uInt32 i) { return slotFirst(n, i) + (((uInt64)1 << n->shift) - 1); }
inline bool   covers(const Node *n, uInt64 key) { return key - n->base <= nodeSpanMask(n->shift); }
inline uInt32 slotOf(const Node *n, uInt64 key) { return (uInt32)((key - n->base) >> n->shift); }
inline Node  *childAt(const Node *n, uInt32 i) { return n->isLeaf[i] ? nullptr : (Node *)n->slots[i]; }

/* True when all 16 slots are leaves holding one value. */
bool isUniform(const Node *n);
/*
 * Nodes taken out of a tree, freed only when the operation that took them
 * out is done. Freeing goes through the allocation interface, which may look
 * blocks up in range maps, this one included: it must find the tree whole.
 * An owner that knows where its nodes came from may name a cheaper release.
 */
struct Retired {
    Node *head = nullptr;   /* linked through slots[0] */
    void (*release)(Pointer);
    NodePool *pool = nullptr;   /* the map's pool: its nodes go back there at once */
    Pointer   slabs = nullptr;  /* slabs of an emptied pool, linked through their first word */
    explicit Retired(void (*release)(Pointer) = memspFree) : release(release) {}
    Retired(stdRangeMap map, void (*release)(Pointer)) : release(release), pool(map->pool) {}
    Retired(const Retired &) = delete;
    Retired &operator=(const Retired &) = delete;
    ~Retired();
};
/*
 * A map whose nodes are carved from slabs of its own, allocated in the
 * current space when the map needs room: a tree built in key order then lies
 * in address order, and building and taking apart a tree costs no
 * allocation per node. The slabs go when the map becomes empty, so an empty
 * map holds no more memory than any other.
 */
stdRangeMap createPooled(void);

/* Retires the node and every node below it; the caller unlinks it. */
void retireTree(Node *n, Retired &retired);

/* rangemapUndefine, with the nodes it takes out left in retired (or given
 * back to the map's pool). */
void undefineRange(stdRangeMap map, uInt64 start, uInt64 length, Retired &retired);

/* Empties the map at once, its nodes left in retired (a pool's slabs with them). */
void clear(stdRangeMap map, Retired &retired);

/* A range of keys, inclusive, and a value. */
struct ValueRange {
    uInt64  first, last;
    Pointer value;
};
/*
 * Unmaps the ranges' values. The ranges are sorted and disjoint, and the map
 * holds each range's value within that range only (a page and its keys).
 * One walk meets each node near the ranges once, where undefining range by
 * range would take the nodes at both ends of every range apart; keys of
 * other values, between the ranges or in them, stay as they are.
 */
void undefineValues(stdRangeMap map, const ValueRange *ranges, size_t count, Retired &retired);

} // namespace rangemapLocal

#endif
