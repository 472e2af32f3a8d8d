/*
 * Memory spaces: pages and the safety valve.
 *
 * A page is carved out of the native heap. While a page is being created the
 * safety valve holds a reserve of native memory: should the heap run dry
 * half-way (descriptor, page memory, map nodes), the reserve is given back
 * and the allocation tried once more, so that the page comes into being
 * whole rather than leaving a space half-updated.
 */
#include <string.h>
#include "stdMemSpaceLocal.h"

using namespace memspLocal;

/* Guarded by safetyValLock. The size is kept in 64 bits: a reserve for a
 * page beyond 4 GiB must not read as a small one. */
static Pointer safetyValve;
static uInt64  safetyValveSize;
static Int32   safetyValveTimeout;
static Int32   safetyValveIsSet;     /* page creations in flight, over all threads */

/* Page creations in flight on this thread: only these may use the reserve. */
static thread_local Int32 creatingPages;

static bool armSafetyValve(uInt64 n)
{
    bool armed = true;
    lockEnter(&safetyValLock);
    creatingPages++;
    if (safetyValveIsSet++ == 0) {
        uInt64 want = n + SAFETY_OVERHEAD_SIZE;
        if (!(safetyValveSize >= want && safetyValveTimeout-- != 0)) {
            mbFree(safetyValve);
            safetyValve = mbMalloc(want);
            if (safetyValve != nullptr) {
                safetyValveSize = want;
                safetyValveTimeout = 100;
            } else {
                safetyValveSize = 0;
                safetyValveIsSet--;
                creatingPages--;
                armed = false;
            }
        }
    }
    lockExit(&safetyValLock);
    return armed;
}

static void disarmSafetyValve(void)
{
    lockEnter(&safetyValLock);
    safetyValveIsSet--;
    creatingPages--;
    lockExit(&safetyValLock);
}

namespace memspLocal {

void releaseSafetyValve(void)
{
    if (safetyValLock.load(std::memory_order_acquire) == nullptr) return;
    lockEnter(&safetyValLock);
    mbFree(safetyValve);
    safetyValve = nullptr;
    safetyValveSize = 0;
    lockExit(&safetyValLock);
}

/*
 * malloc, and when that fails during a page creation of this thread, once
 * more after giving back the reserve. Null when the heap is exhausted.
 * Another thread's failure never takes the reserve from under this thread's
 * page; if a concurrent creation has used it up, that is plain exhaustion.
 */
Pointer nativeMalloc(size_t size)
{
    Pointer block = mbMalloc(size);
    if (block != nullptr || creatingPages == 0) return block;
    lockEnter(&safetyValLock);
    bool othersInFlight = safetyValveIsSet > 1;
    if (!safetyValve && !othersInFlight) {
        /* The reserve went to an earlier failure of this creation: the
         * heap is exhausted, which the caller reports as such. */
        lockExit(&safetyValLock);
        return nullptr;
    }
    mbFree(safetyValve);
    safetyValve = nullptr;
    safetyValveSize = 0;
    lockExit(&safetyValLock);
    return mbMalloc(size);
}

} // namespace memspLocal

/* A zeroed descriptor and its memory, in the native space; null (and nothing
 * kept) when the heap is exhausted. */
static stdMemPage newPage(stdMemSpace space, uInt64 bytes)
{
    stdMemPage page = (stdMemPage)nativeMalloc(sizeof(stdMemPageRec));
    if (page == nullptr) return nullptr;
    memset(page, 0, sizeof(stdMemPageRec));
    page->memory = nativeMalloc(bytes);
    if (page->memory == nullptr) {
        mbFree(page);
        return nullptr;
    }
    page->id        = blockCount.fetch_add(1) + 1;
    page->space     = space;
    page->available = page->total = bytes;
    return page;
}

namespace memspLocal {

bool createSmallPage(stdThread self, stdMemSpace space, uInt32 blockSize)
{
    /* No reserve to be had: the page could not be had either. */
    if (!armSafetyValve(space->pageSize)) return false;
    stdMemPage page;
    {
        NativeScope native(self);
        uInt64 count = ((uInt64)space->pageSize + blockSize - 1) / blockSize;
        page = newPage(space, (count ? count : 1) * blockSize);
        if (page != nullptr) {
            page->isSmall   = True;
            page->blockSize = blockSize;
            Pointer key = (Pointer)(Address)blockSize;
            page->next = (stdMemPage)mapApply(space->smallPages, key);
            mapDefine(space->smallPages, key, page);
            /* Nothing is written into the blocks: the free list, empty
             * now, goes on in the page's untouched part (smallFresh). */
            page->fresh = page->total;
            space->smallFresh[blockSize / 8] = page;
            space->nrofSmallPages++;
            poison(page->memory, page->total);
            registerPage(self, page);
        }
    }
    disarmSafetyValve();
    return page != nullptr;
}

memspNoAsan static void setHeader(Header *h, Header *nextFree, uInt64 size, uInt64 prevSize)
{
    h->nextFree = nextFree;
    h->prevLink = nullptr;
    h->size     = size;
    h->prevSize = prevSize;
}

bool createLargePage(stdThread self, stdMemSpace space, uInt64 need)
{
    if (!armSafetyValve(need)) return false;
    stdMemPage page;
    {
        NativeScope native(self);
        uInt64 len = need > space->pageSize ? need : space->pageSize;
        page = newPage(space, len + 2 * headerSize);
        if (page != nullptr) {
            page->available = page->total = len;
            Header *start = (Header *)page->memory;
            Header *area  = start + 1;
            page->end     = (Header *)((char *)area + len);
            setHeader(start, allocatedMark, headerSize, 0);
            setHeader(area, nullptr, len, headerSize);
            setHeader(page->end, allocatedMark, headerSize, len);
            poison(page->memory, len + 2 * headerSize);
            pushFree(space, area);
            page->next = space->largePages;
            space->largePages = page;
            if (bucketOf(len) > space->largeBucketTop) space->largeBucketTop = bucketOf(len);
            registerPage(self, page);
        }
    }
    disarmSafetyValve();
    return page != nullptr;
}

void freePages(stdThread self, PageKeys *pages, size_t count)
{
    unregisterPages(self, pages, count);
    /* From the highest address down, as the page lists give them out (newest
     * first): freed from the bottom up, they would all reach the heap's top
     * at the end, and the C library would give the whole of it back to the
     * system at once. The descriptors go after all the memory: each free of
     * a page's memory would otherwise sweep the descriptor freed just before
     * it out of the C library's fast bins. */
    for (size_t i = count; i-- > 0;) {
        stdMemPage page = pageOf(pages[i]);
        if (page->isSmall) page->space->nrofSmallPages--;
        unpoison(page->memory, page->isSmall ? page->total : page->total + 2 * headerSize);
        mbFree(page->memory);
    }
    for (size_t i = count; i-- > 0;) mbFree(pageOf(pages[i]));
}

void freePage(stdThread self, stdMemPage page)
{
    PageKeys keys = keysOf(page);
    freePages(self, &keys, 1);
}

} // namespace memspLocal
