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

/*
 * One piece of page memory may outlive its page: of the pages a release
 * gives back, the highest in memory (when it is at most keptPageLimit bytes)
 * is kept for the next page of just its size, in any space, and the kept
 * piece of an earlier release goes back to the native heap instead of it.
 * Everything else goes back at once, so the module holds at most one such
 * piece; the clean-up at exit frees it. What it buys: the released page
 * memory below it is free in the C library's heap but does not lie at the
 * top of it, so the library keeps it for the next allocations instead of
 * handing it back to the kernel, which would have to supply it anew, page
 * by page, to the next space (a caller who wants it back has malloc_trim).
 * Guarded by safetyValLock; the atomic is read first without it.
 */
static std::atomic<Pointer> keptMemory;
static uInt64               keptBytes;   /* as the page asked for it */
const uInt64 keptPageLimit = 256 * 1024;

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
    mbFree(keptMemory.exchange(nullptr, std::memory_order_relaxed));
    keptBytes = 0;
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

/*
 * Page descriptors come from slabs of native memory that the space keeps,
 * a few descriptors at first and more in each new slab, rather than one
 * native block each: the slabs go back to the native heap with the space,
 * a handful of frees instead of one a page. And page memory then lies in
 * the native heap one piece after another, not between descriptors, so
 * that the next space of the same shape tends to get the same memory again
 * rather than memory the kernel has not handed out before.
 */
namespace memspLocal {
struct DescriptorSlab {
    DescriptorSlab *next;
    uInt32          capacity, used;   /* descriptors it holds, and has handed out */
};
}

const uInt32 firstSlabDescriptors = 4;
const uInt32 mostSlabDescriptors  = 256;

static inline stdMemPage descriptorsOf(DescriptorSlab *slab) { return (stdMemPage)(slab + 1); }

/* A descriptor of the space, not zeroed; null when the heap is exhausted. */
static stdMemPage newDescriptor(stdMemSpace space)
{
    if (stdMemPage d = space->freeDescriptors) {
        space->freeDescriptors = d->next;
        return d;
    }
    DescriptorSlab *slab = space->descriptorSlabs;
    if (slab == nullptr || slab->used == slab->capacity) {
        uInt32 capacity = slab == nullptr ? firstSlabDescriptors
                        : slab->capacity < mostSlabDescriptors ? 2 * slab->capacity : mostSlabDescriptors;
        DescriptorSlab *fresh = (DescriptorSlab *)nativeMalloc(sizeof(DescriptorSlab) + capacity * sizeof(stdMemPageRec));
        if (fresh == nullptr) return nullptr;
        fresh->next     = slab;
        fresh->capacity = capacity;
        fresh->used     = 0;
        space->descriptorSlabs = slab = fresh;
    }
    return descriptorsOf(slab) + slab->used++;
}

static void freeDescriptor(stdMemPage page)
{
    stdMemSpace space = page->space;
    page->next = space->freeDescriptors;
    space->freeDescriptors = page;
}

namespace memspLocal {

void releaseDescriptors(stdMemSpace space)
{
    while (DescriptorSlab *slab = space->descriptorSlabs) {
        space->descriptorSlabs = slab->next;
        mbFree(slab);
    }
    space->freeDescriptors = nullptr;
}

/* The parent's newest slab stays first: it is the one that hands out. */
void handDescriptorsOver(stdMemSpace space, stdMemSpace parent)
{
    if (DescriptorSlab *slabs = space->descriptorSlabs) {
        DescriptorSlab **tail = parent->descriptorSlabs ? &parent->descriptorSlabs->next : &parent->descriptorSlabs;
        DescriptorSlab *last = slabs;
        while (last->next) last = last->next;
        last->next = *tail;
        *tail = slabs;
    }
    if (stdMemPage free = space->freeDescriptors) {
        stdMemPage last = free;
        while (last->next) last = last->next;
        last->next = parent->freeDescriptors;
        parent->freeDescriptors = free;
    }
    space->descriptorSlabs = nullptr;
    space->freeDescriptors = nullptr;
}

} // namespace memspLocal

/* The kept piece of page memory, when it is of just this size; else null. */
static Pointer takeKeptMemory(uInt64 bytes)
{
    if (keptMemory.load(std::memory_order_relaxed) == nullptr) return nullptr;
    Pointer memory = nullptr;
    lockEnter(&safetyValLock);
    if (keptBytes == bytes) {
        memory = keptMemory.exchange(nullptr, std::memory_order_relaxed);
        keptBytes = 0;
    }
    lockExit(&safetyValLock);
    return memory;
}

/* Keeps the released page memory when it lies above the piece kept now;
 * what is to be freed in the end: the memory itself, the earlier piece, or
 * nothing. */
static Pointer keepMemory(Pointer memory, uInt64 bytes)
{
    if (bytes > keptPageLimit) return memory;
    lockEnter(&safetyValLock);
    Pointer spare = keptMemory.load(std::memory_order_relaxed);
    if ((Address)memory > (Address)spare) {
        keptMemory.store(memory, std::memory_order_relaxed);
        keptBytes = bytes;
    } else {
        spare = memory;
    }
    lockExit(&safetyValLock);
    return spare;
}

/* A zeroed descriptor and its memory, in the native space; null (and nothing
 * kept) when the heap is exhausted. */
static stdMemPage newPage(stdMemSpace space, uInt64 bytes)
{
    stdMemPage page = newDescriptor(space);
    if (page == nullptr) return nullptr;
    memset(page, 0, sizeof(stdMemPageRec));
    page->space  = space;
    page->memory = takeKeptMemory(bytes);
    if (page->memory == nullptr) page->memory = nativeMalloc(bytes);
    if (page->memory == nullptr) {
        freeDescriptor(page);
        return nullptr;
    }
    page->id        = blockCount.fetch_add(1) + 1;
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
    /* From the highest address down (unregistering sorted them); the
     * highest may be kept for the next page (see keptMemory). */
    for (size_t i = count; i-- > 0;) {
        stdMemPage page = pageOf(pages[i]);
        if (page->isSmall) page->space->nrofSmallPages--;
        uInt64 bytes = page->isSmall ? page->total : page->total + 2 * headerSize;
        unpoison(page->memory, bytes);
        mbFree(i == count - 1 ? keepMemory(page->memory, bytes) : page->memory);
    }
    for (size_t i = count; i-- > 0;) freeDescriptor(pageOf(pages[i]));
}

void freePage(stdThread self, stdMemPage page)
{
    PageKeys keys = keysOf(page);
    freePages(self, &keys, 1);
}

} // namespace memspLocal
