/*
 * Memory spaces: small blocks in per-size free lists, large blocks in a
 * boundary-tagged first-fit heap over log2 buckets. The space's lock is held
 * throughout.
 *
 * The functions that read or write free blocks and headers do so in memory
 * that AddressSanitizer sees as poisoned, so they are not instrumented.
 */
#include "stdMemSpaceLocal.h"

using namespace memspLocal;

memspNoAsan static void pushSmall(SmallBlock **head, SmallBlock *b, stdMemPage page)
{
    b->next = *head;
    b->page = page;
    *head = b;
}

/* Debug mode: the block must start a block of its page and must not be on
 * its free list already. A free block's second word names its page, so only
 * a block that looks free is searched for. */
memspNoAsan static bool isFreeSmallBlock(stdMemSpace space, stdMemPage page, Pointer block)
{
    SmallBlock *candidate = (SmallBlock *)block;
    if (isFresh(space, page, block)) return true;
    if (candidate->page != page) return false;
    for (SmallBlock *b = space->smallFreeLists[page->blockSize / 8]; b; b = b->next) {
        if (b == candidate) return true;
    }
    return false;
}

namespace memspLocal {

memspNoAsan SmallBlock **linkFresh(stdMemSpace space, uInt32 size, SmallBlock **tail)
{
    stdMemPage page = space->smallFresh[size / 8];
    if (page == nullptr) return tail;
    for (uInt64 offset = page->fresh; offset > 0;) {
        offset -= size;
        SmallBlock *b = (SmallBlock *)((char *)page->memory + offset);
        b->page = page;
        *tail = b;
        tail = &b->next;
    }
    *tail = nullptr;
    page->fresh = 0;
    space->smallFresh[size / 8] = nullptr;
    return tail;
}

void smallFree(stdMemPage page, Pointer block)
{
    stdMemSpace space = page->space;
    uInt32 size = page->blockSize;
    bool alreadyFree = isPoisoned(block);
    if (!alreadyFree && globalDebug.load(std::memory_order_relaxed)) {
        stdASSERT(((char *)block - (char *)page->memory) % size == 0,
                  ("Block %p does not start a block of its page", block));
        alreadyFree = isFreeSmallBlock(space, page, block);
    }
    memspASSERT(!alreadyFree, "!isFreeSmallBlock(block)", ("Freeing already freed block"));
    pushSmall(&space->smallFreeLists[size / 8], (SmallBlock *)block, page);
    page->available += size;
    poison(block, size);
}

memspNoAsan void unlinkFree(stdMemSpace space, Header *h)
{
    h->prevLink->nextFree = h->nextFree;
    if (h->nextFree) h->nextFree->prevLink = h->prevLink;
    if (h->size >= fitMinimum) fitRemove(space, h);
}

memspNoAsan void pushFree(stdMemSpace space, Header *h)
{
    Header *head = &space->largeFreeLists[bucketOf(h->size)];
    h->nextFree = head->nextFree;
    h->prevLink = head;
    if (head->nextFree) head->nextFree->prevLink = h;
    head->nextFree = h;
    if (h->size >= fitMinimum) fitPushFirst(space, h);
}

} // namespace memspLocal

/* First fit, buckets in ascending order from the one of the request: the
 * first block in list order that is large enough. The indexed lists answer
 * without a walk. */
memspNoAsan static Header *firstFit(stdMemSpace space, uInt64 need)
{
    for (uInt32 i = bucketOf(need); i <= space->largeBucketTop; i++) {
        if (i >= fitBucket) {
            if (Header *h = fitFirst(space, i, need)) return h;
            continue;
        }
        for (Header *h = space->largeFreeLists[i].nextFree; h; h = h->nextFree) {
            if (h->size >= need) return h;
        }
    }
    return nullptr;
}

/* Takes the block out of its list; more than 39 bytes beyond the need go
 * back as a free block of their own. The block's size in the end. */
memspNoAsan static uInt64 takeBlock(stdMemSpace space, Header *h, uInt64 need)
{
    unlinkFree(space, h);
    h->nextFree = allocatedMark;
    uInt64 rest = h->size - need;
    if (rest >= splitMinimum) {
        h->size = need;
        Header *r = nextBlock(h);
        r->size = rest;
        r->prevSize = need;
        nextBlock(r)->prevSize = rest;
        pushFree(space, r);
    }
    return h->size;
}

/* The page of a large block of the space: the maps know it; a page that only
 * a thread keeping its memory to itself registered is found in the list. */
static stdMemPage largePageOf(stdMemSpace space, Header *h)
{
    stdMemPage page = findPage(h);
    for (stdMemPage p = space->largePages; page == nullptr && p; p = p->next) {
        if ((char *)h >= (char *)p->memory && (char *)h < (char *)p->end) page = p;
    }
    return page;
}

/* Whether h lies where a block header of the page can. */
static bool inArea(stdMemPage page, const Header *h)
{
    return (const char *)h >= (const char *)page->memory + headerSize && h < page->end;
}

/* Whether h's size fits the area and the next block's tag agrees with it. */
memspNoAsan static bool tagsAgree(stdMemPage page, Header *h)
{
    uInt64 room = (uInt64)((char *)page->end - (char *)h);
    return h->size >= splitMinimum && h->size % 8 == 0 && h->size <= room && nextBlock(h)->prevSize == h->size;
}

memspNoAsan static void coalesceAndRelease(stdMemSpace space, Header *h)
{
    /* An absorbed header is left unmarked, so that freeing its address again
     * reads as freeing a free block. */
    Header *next = nextBlock(h);
    if (!isAllocated(next)) {
        unlinkFree(space, next);
        next->nextFree = nullptr;
        h->size += next->size;
        nextBlock(h)->prevSize = h->size;
    }
    Header *prev = (Header *)((char *)h - h->prevSize);
    if (!isAllocated(prev)) {
        h->nextFree = nullptr;
        uInt64 oldSize = prev->size;
        prev->size += h->size;
        nextBlock(prev)->prevSize = prev->size;
        fitGrown(prev, oldSize);
    } else {
        pushFree(space, h);
    }
}

memspNoAsan static uInt64 headerSizeOf(const Header *h) { return h->size; }
memspNoAsan static bool   headerIsAllocated(const Header *h) { return isAllocated(h); }

namespace memspLocal {

Pointer largeMalloc(stdThread self, stdMemSpace space, uInt64 need, size_t request)
{
    for (;;) {
        if (Header *h = firstFit(space, need)) {
            uInt64 size = takeBlock(space, h, need);
            stdMemPage page = largePageOf(space, h);
            page->available -= size;
            Pointer user = (char *)h + headerSize;
            unpoison(user, openBytes(request));
            return user;
        }
        if (!createLargePage(self, space, need)) return nullptr;
    }
}

void largeFree(stdMemPage page, Pointer block)
{
    Header *header = (Header *)((char *)block - headerSize);
    bool inside = inArea(page, header);
    stdASSERT(inside, ("Block %p is not a block of memory space '%s'", block, page->space->name));
    memspASSERT(headerIsAllocated(header), "isAllocated(header)", ("Freeing already freed block"));
    bool tagged = tagsAgree(page, header);
    stdASSERT(tagged, ("Block %p is not a block of memory space '%s'", block, page->space->name));
    uInt64 size = headerSizeOf(header);
    page->available += size;
    poison(block, size - headerSize);
    coalesceAndRelease(page->space, header);
}

uInt64 usableSize(stdMemPage page, Pointer block)
{
    if (page->isSmall) return page->blockSize;
    return headerSizeOf((Header *)((char *)block - headerSize)) - headerSize;
}

} // namespace memspLocal
