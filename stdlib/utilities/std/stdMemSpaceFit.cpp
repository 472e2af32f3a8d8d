/*
 * Memory spaces: an index over the large free lists that finds the first
 * block of a list, in list order, that is at least a given size, without
 * walking the smaller blocks before it.
 *
 * Per bucket from fitBucket up, a treap whose in-order sequence is the
 * bucket's list and whose nodes know the largest size below them. Its nodes
 * live in the free blocks themselves, right after the header: every free
 * block of fitMinimum bytes or more carries one, and only those (a block's
 * size only grows while it is listed, so its size tells whether it has one).
 * A block listed in a lower bucket that grows past fitMinimum in place gets a
 * node that belongs to no tree: no search ever walks a list below fitBucket,
 * since the smallest large request already needs a block of more than
 * 2^fitBucket bytes. The node's first word, its tree, lies within the
 * smallest free block, so marking such a block never writes over the header
 * of a block it has just absorbed.
 *
 * Priorities are a hash of the block's address, so no random state is kept;
 * the shape of a tree never decides which block is found, only how fast.
 */
#include "stdMemSpaceLocal.h"

using namespace memspLocal;

namespace {

static_assert(headerSize + sizeof(FitNode) <= fitMinimum, "a node fits into every indexed block");
static_assert(fitMinimum == (uInt64)1 << fitBucket, "the indexed buckets hold the indexed blocks");
static_assert(sizeof(uInt64) + headerSize <= splitMinimum, "every free block holds a node's first word");

memspNoAsan inline uInt64 largestIn(Header *h) { return h ? nodeOf(h)->largest : 0; }

memspNoAsan void recount(Header *h)
{
    FitNode *n = nodeOf(h);
    uInt64 l = largestIn(n->left), r = largestIn(n->right), m = h->size;
    n->largest = m > l ? (m > r ? m : r) : (l > r ? l : r);
}

/* The treap of a's sequence followed by b's; the root's up is the caller's. */
memspNoAsan Header *join(Header *a, Header *b)
{
    if (a == nullptr) return b;
    if (b == nullptr) return a;
    if (fitPriority(a) > fitPriority(b)) {
        FitNode *n = nodeOf(a);
        n->right = join(n->right, b);
        nodeOf(n->right)->up = a;
        recount(a);
        return a;
    }
    FitNode *n = nodeOf(b);
    n->left = join(a, n->left);
    nodeOf(n->left)->up = b;
    recount(b);
    return b;
}

} // namespace

namespace memspLocal {

memspNoAsan void fitPushFirst(stdMemSpace space, Header *h)
{
    uInt32 bucket = bucketOf(h->size);
    FitNode *n = nodeOf(h);
    n->tree = bucket;
    Header **root = &space->largeFit[bucket];
    /* Down the left spine to the first node h outranks: that subtree goes
     * to h's right, and h takes its place. */
    Header *above = nullptr, *at = *root;
    uInt64 priority = fitPriority(h);
    while (at && fitPriority(at) > priority) {
        above = at;
        at = nodeOf(at)->left;
    }
    n->left  = nullptr;
    n->right = at;
    n->up    = above;
    if (at) nodeOf(at)->up = h;
    if (above) nodeOf(above)->left = h; else *root = h;
    recount(h);
    for (Header *p = above; p; p = nodeOf(p)->up) {
        if (nodeOf(p)->largest < h->size) nodeOf(p)->largest = h->size;
    }
}

memspNoAsan void fitRemove(stdMemSpace space, Header *h)
{
    FitNode *n = nodeOf(h);
    if (n->tree == noTree) return;
    Header *rest = join(n->left, n->right), *above = n->up;
    if (rest) nodeOf(rest)->up = above;
    if (above == nullptr) {
        space->largeFit[n->tree] = rest;
    } else if (nodeOf(above)->left == h) {
        nodeOf(above)->left = rest;
    } else {
        nodeOf(above)->right = rest;
    }
    for (Header *p = above; p; p = nodeOf(p)->up) recount(p);
}

memspNoAsan void fitGrown(Header *h, uInt64 oldSize)
{
    if (h->size < fitMinimum) return;
    if (oldSize < fitMinimum) {
        nodeOf(h)->tree = noTree;
        return;
    }
    if (nodeOf(h)->tree == noTree) return;
    for (Header *p = h; p && nodeOf(p)->largest < h->size; p = nodeOf(p)->up) nodeOf(p)->largest = h->size;
}

memspNoAsan void fitAppend(stdMemSpace to, stdMemSpace from)
{
    for (uInt32 i = fitBucket; i < nrofBuckets; i++) {
        Header *root = join(to->largeFit[i], from->largeFit[i]);
        if (root) nodeOf(root)->up = nullptr;
        to->largeFit[i] = root;
        from->largeFit[i] = nullptr;
    }
}

memspNoAsan Header *fitFirst(stdMemSpace space, uInt32 bucket, uInt64 need)
{
    Header *h = space->largeFit[bucket];
    if (largestIn(h) < need) return nullptr;
    for (;;) {
        FitNode *n = nodeOf(h);
        if (largestIn(n->left) >= need) {
            h = n->left;
        } else if (h->size >= need) {
            return h;
        } else {
            h = n->right;
        }
    }
}

} // namespace memspLocal
