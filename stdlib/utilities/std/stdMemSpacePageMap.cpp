/*
 * Memory spaces: the block-to-page maps. Every page is registered in the
 * shared map, under blockToSpacePageLock, and in a map of its creator
 * thread, read without a lock. A lookup tries the thread's own map first, so
 * the shared lock is taken only for blocks of other threads and for native
 * blocks. A thread whose memory is not shared among threads looks its own
 * blocks up the same way; one it does not know (a block of a thread that has
 * ended, or one it should have left to its owner) is still found in the
 * shared map, so that no block of a space is ever taken for a native one.
 *
 * When a page is released, every map that names it forgets it: the releasing
 * thread's own map directly, the shared map under its lock, and the map of a
 * creator thread through that map's queue of pending removals, which its
 * owner applies before it next looks anything up or registers a page. So a
 * released page is never found again, even for heap addresses that a later
 * page reuses.
 *
 * When a thread's context goes, so does its map: the queued removals are
 * applied, its live pages stay in the shared map and forget their creator's
 * map, and the map is released. A page's creator map is therefore written
 * under blockToSpacePageLock, and read under it by every thread but the
 * creator.
 *
 * Pages released together (a space being deleted) leave each map in one
 * walk in address order, which meets each node near them once; when they
 * are all the pages a map holds, the map is emptied at once instead.
 */
#include <string.h>
#include <algorithm>
#include <new>
#include "stdLocal.h"
#include "stdMemSpaceLocal.h"

using namespace memspLocal;

/* The calling thread's map as this module made it: the context field may
 * have been reset, and a clean-up may have released every map since. */
static thread_local LocalPageMap *ownMap;
static thread_local uInt64        ownMapGeneration;

/* Pages in blockToSpacePage; guarded by blockToSpacePageLock. */
static uInt64 sharedPages;

/* Enters the page in the shared map, made here if need be; the lock is held. */
static void defineShared(uInt64 start, uInt64 count, stdMemPage page)
{
    if (blockToSpacePage == nullptr) {
        blockToSpacePage = rangemapLocal::createPooled();
        sharedPages = 0;
    }
    rangemapDefine(blockToSpacePage, start, count, page);
    sharedPages++;
    page->inSharedMap = True;
}

static inline uInt64 keyOf(const void *address) { return (Address)address / 8; }

/* The module changes its maps in the native space only, so every node of
 * theirs comes from the process heap: what an undefine takes out goes
 * straight back there, without a block lookup for each node. */
static void undefineKeys(stdRangeMap map, uInt64 first, uInt64 last)
{
    rangemapLocal::Retired retired(mbFree);
    rangemapLocal::undefineRange(map, first, last - first + 1, retired);
}

/*
 * A small per-thread cache of recent answers, by 64 KiB window of address:
 * a free into a page it has seen lately costs a compare. Every page release
 * (and every clean-up) starts a new epoch, which empties all caches, so a
 * released page is never answered from one.
 */
namespace {
struct CachedPage {
    Address    first, end;   /* the page's memory; end 0 for an empty entry */
    stdMemPage page;
};
const uInt32 cacheSize = 64;
struct PageCache {
    CachedPage entries[cacheSize];
    uInt64     epoch;
};
}
static std::atomic<uInt64> pageEpoch{1};
static thread_local PageCache pageCache;

static inline CachedPage &cacheEntry(Address a) { return pageCache.entries[(a >> 16) % cacheSize]; }

static inline void validateCache(void)
{
    uInt64 now = pageEpoch.load(std::memory_order_relaxed);
    if (pageCache.epoch != now) {
        memset(pageCache.entries, 0, sizeof pageCache.entries);
        pageCache.epoch = now;
    }
}

static void rememberPage(Address a, stdMemPage page)
{
    CachedPage &e = cacheEntry(a);
    e.first = (Address)page->memory;
    e.end   = e.first + page->total;
    e.page  = page;
}

namespace memspLocal {

LocalPageMap *ownLocalMap(stdThread self)
{
    LocalPageMap *local = (LocalPageMap *)self->blockToPageMap;
    if (local == nullptr || local != ownMap ||
        ownMapGeneration != managerGeneration.load(std::memory_order_relaxed)) {
        return nullptr;
    }
    return local;
}

void deleteLocalMap(LocalPageMap *local)
{
    rangemapDelete(local->map);
    while (PendingRange *p = local->pending) {
        local->pending = p->next;
        memspFree(p);
    }
    local->~LocalPageMap();
    memspFree(local);
}

} // namespace memspLocal

/* Applies the removals other threads queued; blockToSpacePageLock is held. */
static void drainPendingLocked(LocalPageMap *local)
{
    while (PendingRange *p = local->pending) {
        local->pending = p->next;
        undefineKeys(local->map, p->start, p->start + p->count - 1);
        local->pages--;
        memspFree(p);
    }
    local->stale.store(false, std::memory_order_relaxed);
}

/* In the native space, by the map's owner. */
static void drainPending(LocalPageMap *local)
{
    if (!local->stale.load(std::memory_order_acquire)) return;
    lockEnter(&blockToSpacePageLock);
    drainPendingLocked(local);
    lockExit(&blockToSpacePageLock);
}

static LocalPageMap *createOwnLocalMap(stdThread self)
{
    uInt64 generation = managerGeneration.load(std::memory_order_relaxed);
    LocalPageMap *local = new (stdMALLOC(sizeof(LocalPageMap))) LocalPageMap();
    local->map        = rangemapLocal::createPooled();
    local->pending    = nullptr;
    local->pages      = 0;
    lockEnter(&blockToSpacePageLock);
    if (threadLocalblockToPageMaps == nullptr) {
        threadLocalblockToPageMaps = setCreate(stdPointerHash, stdPointerEqual, 8);
    }
    setInsert(threadLocalblockToPageMaps, local);
    lockExit(&blockToSpacePageLock);
    ownMap = local;
    ownMapGeneration = generation;
    self->blockToPageMap = local;
    return local;
}

/* The map that registered the page (null once that map is gone). Its
 * creator reads it without the lock; it is written under the lock. */
static inline LocalPageMap *creatorMap(stdMemPage page)
{
    return __atomic_load_n(&page->localMap, __ATOMIC_RELAXED);
}

/* Pages taken out of a map under one hold of its lock at most. */
const size_t pagesPerHold = 64;

/* Takes the pages, sorted by address, out of the map (in the native space),
 * holding the lock, if any, for a bounded stretch of pages at a time; the
 * nodes that come out are freed after it. *held counts the map's pages,
 * `leaving` of them among these: when that is all of them, the map is
 * emptied under one hold. */
static void undefinePages(stdRangeMap map, const PageKeys *pages, size_t count, std::atomic<stdMutex> *lock,
                          uInt64 *held, uInt64 leaving)
{
    {
        rangemapLocal::Retired retired(mbFree);
        if (lock) lockEnter(lock);
        bool all = *held == leaving;
        *held -= leaving;
        if (all) rangemapLocal::clear(map, retired);
        if (lock) lockExit(lock);
        if (all || leaving == 0) return;
    }
    for (size_t done = 0; done < count; done += pagesPerHold) {
        rangemapLocal::Retired retired(mbFree);
        if (lock) lockEnter(lock);
        rangemapLocal::undefineValues(map, pages + done, std::min(pagesPerHold, count - done), retired);
        if (lock) lockExit(lock);
    }
}

namespace memspLocal {

void forgetCachedPages(void)
{
    memset(pageCache.entries, 0, sizeof pageCache.entries);
}

void newPageEpoch(void)
{
    pageEpoch.fetch_add(1, std::memory_order_relaxed);
}

stdMemPage findPage(const void *address)
{
    Address a = (Address)address;
    validateCache();
    CachedPage &cached = cacheEntry(a);
    if (a - cached.first < cached.end - cached.first) return cached.page;
    uInt64 key = keyOf(address);
    if (threadsActive()) {
        stdThread self = stdGetThreadContext();
        if (LocalPageMap *local = ownLocalMap(self)) {
            if (local->stale.load(std::memory_order_acquire)) {
                NativeScope native(self);
                drainPending(local);
            }
            if (stdMemPage page = (stdMemPage)rangemapApply(local->map, key)) {
                rememberPage(a, page);
                return page;
            }
        }
    }
    stdMutex lock = blockToSpacePageLock.load(std::memory_order_acquire);
    if (lock == nullptr) return nullptr;   /* no space was ever made */
    stdMutexEnter(lock);
    stdMemPage page = blockToSpacePage ? (stdMemPage)rangemapApply(blockToSpacePage, key) : nullptr;
    stdMutexExit(lock);
    if (page) rememberPage(a, page);
    return page;
}

void registerPage(stdThread self, stdMemPage page)
{
    uInt64 start = keyOf(page->memory), count = page->total / 8;
    NativeScope native(self);
    /* No other thread knows the page yet. */
    page->localMap    = nullptr;
    page->inSharedMap = False;
    if (threadsActive()) {
        LocalPageMap *local = ownLocalMap(self);
        if (local == nullptr) local = createOwnLocalMap(self);
        drainPending(local);   /* an old page at these addresses goes first */
        rangemapDefine(local->map, start, count, page);
        local->pages++;
        page->localMap = local;
    }
    lockEnter(&blockToSpacePageLock);
    defineShared(start, count, page);
    lockExit(&blockToSpacePageLock);
}

void unregisterPages(stdThread self, PageKeys *pages, size_t count)
{
    std::sort(pages, pages + count, [](const PageKeys &a, const PageKeys &b) { return a.first < b.first; });
    NativeScope native(self);
    LocalPageMap *local = threadsActive() ? ownLocalMap(self) : nullptr;
    /* The thread's own pages keep their map (only this thread could let go
     * of it); any other page's creator map is read again under the lock. */
    bool others = false;
    uInt64 mine = 0, shared = 0;
    for (size_t i = 0; i < count; i++) {
        stdMemPage page = pageOf(pages[i]);
        if (local != nullptr && creatorMap(page) == local) {
            mine++;
            shared += page->inSharedMap;
        } else {
            others = true;
        }
    }
    if (local != nullptr) {
        drainPending(local);
        undefinePages(local->map, pages, count, nullptr, &local->pages, mine);
    }
    if (others) {
        /* Registered by another thread: its owner forgets them before its
         * next lookup. A creator that has ended left them in the shared map. */
        lockEnter(&blockToSpacePageLock);
        for (size_t i = 0; i < count; i++) {
            stdMemPage page = pageOf(pages[i]);
            LocalPageMap *owner = creatorMap(page);
            if (local != nullptr && owner == local) continue;
            shared += page->inSharedMap;
            if (owner == nullptr) continue;
            PendingRange *p = (PendingRange *)stdMALLOC(sizeof(PendingRange));
            p->start = pages[i].first;
            p->count = pages[i].last - pages[i].first + 1;
            p->next  = owner->pending;
            owner->pending = p;
            owner->stale.store(true, std::memory_order_release);
        }
        lockExit(&blockToSpacePageLock);
    }
    if (shared) undefinePages(blockToSpacePage, pages, count, &blockToSpacePageLock, &sharedPages, shared);
    /* Before the memory goes: no thread answers from a recent page any more. */
    newPageEpoch();
}

void dropOwnLocalMapIfEmpty(stdThread self)
{
    if (!threadsActive()) return;
    LocalPageMap *local = ownLocalMap(self);
    if (local == nullptr) return;
    NativeScope native(self);
    lockEnter(&blockToSpacePageLock);
    drainPendingLocked(local);
    bool empty = rangemapIsEmpty(local->map);
    if (empty) setRemove(threadLocalblockToPageMaps, local);
    lockExit(&blockToSpacePageLock);
    if (!empty) return;
    /* Let go of it first: freeing its nodes looks blocks up. */
    self->blockToPageMap = nullptr;
    ownMap = nullptr;
    deleteLocalMap(local);
}

} // namespace memspLocal

/* A page the ending thread registered and nobody has released: it stays
 * findable through the shared map only. blockToSpacePageLock is held. */
static void handOverPage(uInt64 start, uInt64 length, Pointer value, Pointer)
{
    stdMemPage page = (stdMemPage)value;
    __atomic_store_n(&page->localMap, nullptr, __ATOMIC_RELAXED);
    if (!page->inSharedMap) defineShared(start, length, page);
}

void memspReleaseThreadMap(stdThread self)
{
    LocalPageMap *local = ownLocalMap(self);
    if (local == nullptr) {
        /* None, or one a clean-up has already released. */
        self->blockToPageMap = nullptr;
        return;
    }
    NativeScope native(self);
    lockEnter(&blockToSpacePageLock);
    drainPendingLocked(local);
    rangemapTraverse(local->map, handOverPage, nullptr);
    setRemove(threadLocalblockToPageMaps, local);
    lockExit(&blockToSpacePageLock);
    /* Let go of it first: freeing its nodes looks blocks up. */
    self->blockToPageMap = nullptr;
    ownMap = nullptr;
    forgetCachedPages();
    deleteLocalMap(local);
}
