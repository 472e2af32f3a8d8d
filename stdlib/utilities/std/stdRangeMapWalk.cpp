/*
 * Range maps: traversal by runs, the smallest and largest mapped keys,
 * printing, size and depth.
 */
#include "stdRangeMapLocal.h"
#include "stdMessages.h"
#include "stdWriter.h"

using namespace rangemapLocal;

namespace {

/* A depth-first walk in slot order over the window [windowFirst, windowLast],
 * holding one pending run that the next adjacent leaf of the same value
 * extends. */
struct RunWalk {
    uInt64           windowFirst, windowLast;
    rangemapRangeFun function;
    Pointer          data;
    bool             pending;
    uInt64           first, last;
    Pointer          value;
};

void reportPending(RunWalk *w)
{
    if (!w->pending) return;
    w->pending = false;
    uInt64 length = w->last - w->first + 1;
    if (length == 0) {
        /* All 2^64 keys: two halves, each of a length 64 bits can hold. */
        uInt64 half = (uInt64)1 << 63;
        w->function(0, half, w->value, w->data);
        w->function(half, half, w->value, w->data);
    } else {
        w->function(w->first, length, w->value, w->data);
    }
}

void visitLeaf(RunWalk *w, uInt64 first, uInt64 last, Pointer value)
{
    if (w->pending && w->value == value && w->last + 1 == first) {
        w->last = last;
        return;
    }
    reportPending(w);
    w->pending = true;
    w->first   = first;
    w->last    = last;
    w->value   = value;
}

void walkNode(RunWalk *w, const Node *n)
{
    if (nodeLast(n) < w->windowFirst || n->base > w->windowLast) return;
    uInt32 from = covers(n, w->windowFirst) ? slotOf(n, w->windowFirst) : 0;
    uInt32 to   = covers(n, w->windowLast) ? slotOf(n, w->windowLast) : slotCount - 1;
    for (uInt32 i = from; i <= to; i++) {
        if (n->isLeaf[i]) {
            uInt64 lo = slotFirst(n, i), hi = slotLast(n, i);
            visitLeaf(w, lo > w->windowFirst ? lo : w->windowFirst,
                      hi < w->windowLast ? hi : w->windowLast, n->slots[i]);
        } else if (n->slots[i]) {
            walkNode(w, (const Node *)n->slots[i]);
        } else {
            reportPending(w);
        }
    }
}

void walkRuns(stdRangeMap map, uInt64 first, uInt64 last, rangemapRangeFun function, Pointer data)
{
    RunWalk w = {first, last, function, data, false, 0, 0, nullptr};
    if (map->root) walkNode(&w, map->root);
    reportPending(&w);
}

/* The first (or last) non-null slot of a node; a node without one breaks
 * the invariants. */
uInt32 outermostSlot(const Node *n, bool fromTop)
{
    for (uInt32 k = 0; k < slotCount; k++) {
        uInt32 i = fromTop ? slotCount - 1 - k : k;
        if (n->slots[i]) return i;
    }
    stdASSERT(False, ("Range map blocks should not be completely empty"));
    return 0;
}

Bool outermostKey(stdRangeMap map, uInt64 *key, bool largest)
{
    const Node *n = map->root;
    if (n == nullptr) return False;
    for (;;) {
        uInt32 i = outermostSlot(n, largest);
        if (n->isLeaf[i]) {
            *key = largest ? slotLast(n, i) : slotFirst(n, i);
            return True;
        }
        n = (const Node *)n->slots[i];
    }
}

void printTabs(stdWriter writer, uInt32 count)
{
    for (uInt32 i = 0; i < count; i++) wtrPrintf(writer, "\t");
}

void printNode(stdWriter writer, const Node *n, uInt32 depth)
{
    printTabs(writer, depth + 1);
    wtrPrintf(writer, "[ (%d)\n", (int)n->shift);
    for (uInt32 i = 0; i < slotCount; i++) {
        unsigned long long lo = slotFirst(n, i), hi = slotLast(n, i);
        printTabs(writer, depth + 1);
        if (n->isLeaf[i]) {
            wtrPrintf(writer, " %4llx-%4llx: 0x%llx\n", lo, hi, (unsigned long long)(Address)n->slots[i]);
        } else if (n->slots[i]) {
            wtrPrintf(writer, " %4llx-%4llx: *\n", lo, hi);
            printNode(writer, (const Node *)n->slots[i], depth + 1);
        } else {
            wtrPrintf(writer, " %4llx-%4llx: ----\n", lo, hi);
        }
    }
    printTabs(writer, depth + 1);
    wtrPrintf(writer, "]\n");
}

uInt64 countNodes(const Node *n)
{
    uInt64 count = 1;
    for (uInt32 i = 0; i < slotCount; i++) {
        if (const Node *child = childAt(n, i)) count += countNodes(child);
    }
    return count;
}

uInt32 depthOf(const Node *n)
{
    uInt32 deepest = 0;
    for (uInt32 i = 0; i < slotCount; i++) {
        if (const Node *child = childAt(n, i)) {
            uInt32 d = depthOf(child);
            if (d > deepest) deepest = d;
        }
    }
    return deepest + 1;
}

} // namespace

void rangemapTraverse(stdRangeMap map, rangemapRangeFun function, Pointer data)
{
    walkRuns(map, 0, ~(uInt64)0, function, data);
}

void rangemapTraverse_R(stdRangeMap map, uInt64 start, uInt64 length,
                        rangemapRangeFun function, Pointer data)
{
    if (length == 0) return;
    uInt64 last = start + (length - 1);
    if (last < start) last = ~(uInt64)0;
    walkRuns(map, start, last, function, data);
}

Bool rangemapSmallestMapped(stdRangeMap map, uInt64 *key)
{
    return outermostKey(map, key, false);
}

Bool rangemapLargestMapped(stdRangeMap map, uInt64 *key)
{
    return outermostKey(map, key, true);
}

void rangemapPrint(stdWriter writer, stdRangeMap map)
{
    if (map->root) printNode(writer, map->root, 0);
}

uInt64 rangemapRSize(stdRangeMap map)
{
    return 8 + 160 * (map->root ? countNodes(map->root) : 0);
}

uInt32 rangemapDepth(stdRangeMap map)
{
    return map->root ? depthOf(map->root) : 0;
}
