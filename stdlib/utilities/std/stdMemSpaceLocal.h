/*
 * Private to the memory spaces: the space and page records, block layouts,
 * the module's shared state and the helpers the module's files share.
 *
 * Lock order: the process global lock, then a space's lock (a child's before
 * its parent's), then safetyValLock or blockToSpacePageLock. The global lock
 * is never taken while a space's lock is held: every module lock and the
 * clean-up handler are set up by memspCreate, before any page exists.
 */
#ifndef stdMemSpaceLocal_INCLUDED
#define stdMemSpaceLocal_INCLUDED

#include <stdlib.h>
#include <sys/single_threaded.h>
#include <atomic>
#include "stdMemSpace.h"
#include "stdMap.h"
#include "stdMessages.h"
#include "stdRangeMapLocal.h"
#include "stdSet.h"
#include "stdThreads.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define memspNoAsan __attribute__((no_sanitize_address))
#else
#define memspNoAsan
#endif

/* stdASSERT with the condition text given apart from the code that tests it. */
#define memspASSERT(cond, conditionText, args) \
    do { \
        if (!(cond)) { \
            stdASSERTLOGSETPOS(conditionText, __FILE_NAME__, __LINE__); \
            stdASSERTLOGFAIL args; \
        } \
    } while (0)

/* The calling thread's current space, as the assertion conditions name it. */
#define stdCurrentMemspace (stdGetThreadContext()->currentMemspace)

namespace memspLocal {

const uInt32 smallLimit        = 4999;       /* rounded sizes up to this are small: at most 4992 */
const uInt32 minSmallSize      = 16;
const uInt32 nrofSmallLists    = 625;        /* indexed by size / 8 */
const uInt32 nrofBuckets       = 64;         /* large free lists, by floor(log2(size)) */
const uInt64 headerSize        = 32;
const uInt64 splitMinimum      = 40;         /* split when more than 39 bytes would remain */
const uInt32 fitBucket         = 12;         /* the lowest bucket with a fit index (stdMemSpaceFit.cpp) */
const uInt64 fitMinimum        = 4096;       /* free blocks this large carry an index node */
const uInt32 defaultPageSize   = 0x10000;
const uInt32 initialTuneCount  = 1000000;
const uInt64 SAFETY_OVERHEAD_SIZE = 4096;
/* Requests beyond this cannot be rounded and given a header without
 * overflowing; they are exhaustion. */
const uInt64 largestRequest    = (uInt64)1 << 62;

/* A large block's boundary tag. */
struct Header {
    Header *nextFree;   /* free: next in its list; allocated: allocatedMark */
    Header *prevLink;   /* free: previous element of its list (a block or the list head) */
    uInt64  size;       /* header included */
    uInt64  prevSize;   /* of the block physically before */
};
static Header *const allocatedMark = (Header *)~(Address)0;

/* The fit index's node, right after the header of a free block of at least
 * fitMinimum bytes (stdMemSpaceFit.cpp). */
struct FitNode {
    uInt64  tree;         /* its bucket, or noTree */
    Header *left, *right, *up;
    uInt64  largest;      /* the largest size in its subtree */
};
const uInt64 noTree = ~(uInt64)0;
memspNoAsan inline FitNode *nodeOf(Header *h) { return (FitNode *)(h + 1); }
/* A treap priority: distinct for distinct blocks, and the same in every run. */
inline uInt64 fitPriority(const Header *h) { return ((Address)h >> 3) * 0x9e3779b97f4a7c15ull; }

struct LocalPageMap;
struct DescriptorSlab;

} // namespace memspLocal

struct stdMemPageRec;
typedef struct stdMemPageRec *stdMemPage;

namespace memspLocal {

/* A free small block; once handed out, all of it is the user's. */
struct SmallBlock {
    SmallBlock *next;
    stdMemPage  page;
};

} // namespace memspLocal

/* Guarded by its space's lock (every field but id, memory and isSmall, which never change). */
struct stdMemPageRec {
    stdMemPage  next;         /* in largePages, or in its size's list of smallPages */
    uInt64      available;    /* bytes not handed out (large: free blocks, headers included) */
    uInt64      total;        /* size of the block area */
    stdMemSpace space;
    Pointer     memory;       /* owned, native */
    Bool        isSmall;
    uInt32      id;           /* unique in the process, in order of creation */
    uInt32      blockSize;    /* small pages */
    uInt64      fresh;        /* small pages: bytes at the bottom never handed out yet (see smallFresh) */
    memspLocal::Header *end;  /* large pages: the end marker */
    memspLocal::LocalPageMap *localMap;   /* the thread-local map it was registered in, or null */
    Bool        inSharedMap;  /* registered in blockToSpacePage too */
};

/* The lists, pages and counters are guarded by `lock`; name, parent and
 * pageSize never change; children is guarded by the process global lock. */
struct stdMemSpaceRec {
    Address     check;        /* the record's own address XOR memspRecordMagic while it exists */
    String      name;
    Bool        deleted;
    stdMemSpace parent;
    stdSet      children;
    uInt32      pageSize;
    uInt32      smallTuneCount;
    uInt32      largeTuneCount;
    uInt32      nrofSmallPages;
    stdMemPage  largePages;
    uInt32      largeBucketTop;
    memspLocal::Header      largeFreeLists[memspLocal::nrofBuckets];   /* only nextFree is used */
    memspLocal::Header     *largeFit[memspLocal::nrofBuckets];         /* per list, its fit index's root */
    stdMap                  smallPages;                                 /* block size -> page list */
    memspLocal::SmallBlock *smallFreeLists[memspLocal::nrofSmallLists];
    /* Per size, the page whose untouched bottom part, page->fresh bytes, is
     * the rest of the free list after its last linked block: those blocks
     * follow, from the highest down, without ever having been linked. */
    stdMemPage              smallFresh[memspLocal::nrofSmallLists];
    /* Where its page descriptors come from (stdMemSpacePages.cpp). */
    memspLocal::DescriptorSlab *descriptorSlabs;
    stdMemPage                  freeDescriptors;   /* linked through next */
    stdMutex    lock;
};

namespace memspLocal {

const Address memspRecordMagic = (Address)0x6d656d7370616365ull;

/*
 * A thread's own block-to-page map. Only its thread reads and writes `map`,
 * without a lock; a page that another thread releases is queued in
 * `pending` and taken out of `map` by the owner before its next use.
 */
struct PendingRange {
    PendingRange *next;
    uInt64        start, count;
};
struct LocalPageMap {
    stdRangeMap        map;
    std::atomic<bool>  stale;       /* pending is not empty; written under blockToSpacePageLock */
    PendingRange      *pending;     /* guarded by blockToSpacePageLock */
    uInt64             pages;       /* pages in map; only its owner counts them */
};

/* A page and its keys in the block-to-page maps (address / 8), inclusive. */
typedef rangemapLocal::ValueRange PageKeys;
inline PageKeys keysOf(stdMemPage page)
{
    uInt64 first = (Address)page->memory / 8;
    return {first, first + page->total / 8 - 1, page};
}
inline stdMemPage pageOf(const PageKeys &keys) { return (stdMemPage)keys.value; }

/* Module state (stdMemSpaceState.cpp) */
extern stdRangeMap            blockToSpacePage;            /* guarded by blockToSpacePageLock */
extern std::atomic<stdMutex>  blockToSpacePageLock;
extern stdSet                 threadLocalblockToPageMaps;  /* guarded by blockToSpacePageLock */
extern std::atomic<stdMutex>  safetyValLock;
extern std::atomic<uInt32>    blockCount;
extern std::atomic<bool>      globalDebug;
extern std::atomic<uInt64>    managerGeneration;           /* bumped by each clean-up */

/* Locks: created on first use under the global lock, in the native space. */
void lockEnter(std::atomic<stdMutex> *lock);
void lockExit(std::atomic<stdMutex> *lock);
void failUninitializedRelease(Int line);
inline void spaceLock(stdMemSpace space) { stdMutexEnter(space->lock); }
inline void spaceUnlock(stdMemSpace space)
{
    if (space->lock == nullptr) failUninitializedRelease(__LINE__);
    stdMutexExit(space->lock);
}
/*
 * The lock of the allocation and release fast paths, taken only while the
 * process has more than one thread (the C library's own flag, which turns
 * false when the first thread starts): alone, a thread has nobody to
 * exclude, and no call of this module starts a thread while it would hold
 * the lock. Returns whether it locked, for the matching release.
 */
inline bool spaceLockIfShared(stdMemSpace space)
{
    if (__libc_single_threaded) return false;
    spaceLock(space);
    return true;
}
inline void spaceUnlockIfLocked(stdMemSpace space, bool locked)
{
    if (locked) {
        spaceUnlock(space);
    } else if (space->lock == nullptr) {
        failUninitializedRelease(__LINE__);
    }
}
/* Creates the module's locks and registers its clean-up handler; memspCreate calls it. */
void setUpManager(void);

/* Space records */
inline Bool isKnownSpace(stdMemSpace space)
{
    return space != nullptr && space->check == ((Address)space ^ memspRecordMagic);
}
/* Asserts that the space exists, naming the caller's file and line. */
#define checkKnownSpace(space) \
    stdASSERT(memspLocal::isKnownSpace(space), ("Memory space %p is not known", (void *)(space)))
/* Deleted spaces whose records are gone, by address: name or null (global lock). */
cString deletedSpaceName(stdMemSpace space);
void    rememberDeletedSpace(stdMemSpace space);
void    forgetDeletedSpace(stdMemSpace space);
/* Whether any thread's current space is the space or lies below it (global lock held). */
Bool spaceIsInUse(stdMemSpace space);

/* Whether the thread library still runs (threadsDoCleanupOnTermination). */
Bool threadsActive(void);

/* Block-to-page maps (stdMemSpacePageMap.cpp) */
/* The page that holds the address, or null. A recent answer of the calling
 * thread costs no context fetch; otherwise the context is fetched, so a
 * caller holding a space's lock must have made sure that it exists. */
stdMemPage findPage(const void *address);
void       registerPage(stdThread self, stdMemPage page);
/* Takes the pages out of every map that names them; sorts them by address. */
void       unregisterPages(stdThread self, PageKeys *pages, size_t count);
/* Empties the calling thread's cache of answers (its sharing changed). */
void          forgetCachedPages(void);
/* Empties every thread's cache (a page went, or the maps did). */
void          newPageEpoch(void);
/* The calling thread's local map, when it is valid. */
LocalPageMap *ownLocalMap(stdThread self);
void          dropOwnLocalMapIfEmpty(stdThread self);
void          deleteLocalMap(LocalPageMap *local);

/* Pages (stdMemSpacePages.cpp); the space's lock is held. */
/* False when the heap is exhausted; nothing is kept then. */
bool createSmallPage(stdThread self, stdMemSpace space, uInt32 blockSize);
bool createLargePage(stdThread self, stdMemSpace space, uInt64 need);
/* Unregisters and frees the page, or the pages; the caller has unlinked them. */
void freePage(stdThread self, stdMemPage page);
void freePages(stdThread self, PageKeys *pages, size_t count);
/* The space's descriptor slabs back to the native heap (its pages are gone),
 * or over to the parent with the pages (both locks held). */
void releaseDescriptors(stdMemSpace space);
void handDescriptorsOver(stdMemSpace space, stdMemSpace parent);
/* The native allocator with the safety valve behind it. */
Pointer nativeMalloc(size_t size);
void    releaseSafetyValve(void);

/* Blocks (stdMemSpaceBlocks.cpp); the space's lock is held. */
Pointer largeMalloc(stdThread self, stdMemSpace space, uInt64 need, size_t request);
void    smallFree(stdMemPage page, Pointer block);
/* Whether the size's free list holds a block, linked or fresh. */
inline bool hasFreeSmall(stdMemSpace space, uInt32 size)
{
    return space->smallFreeLists[size / 8] != nullptr || space->smallFresh[size / 8] != nullptr;
}
/* Whether the block lies in the untouched part of its size's fresh page. */
inline bool isFresh(stdMemSpace space, stdMemPage page, const void *block)
{
    return space->smallFresh[page->blockSize / 8] == page &&
           (uInt64)((const char *)block - (const char *)page->memory) < page->fresh;
}
/* Links the untouched blocks of the size's fresh page, from the highest down,
 * at *tail, where the list ends; the size has no fresh page afterwards. The
 * last link's field in the end. */
SmallBlock **linkFresh(stdMemSpace space, uInt32 size, SmallBlock **tail);
void    largeFree(stdMemPage page, Pointer block);
uInt64  usableSize(stdMemPage page, Pointer block);
void    unlinkFree(stdMemSpace space, Header *h);
void    pushFree(stdMemSpace space, Header *h);
/* The fit index (stdMemSpaceFit.cpp): the list operations mirrored, and the
 * first block of a bucket's list with a size of at least need, or null. */
void    fitPushFirst(stdMemSpace space, Header *h);
void    fitRemove(stdMemSpace space, Header *h);
void    fitGrown(Header *h, uInt64 oldSize);     /* h, listed, grew in place */
void    fitAppend(stdMemSpace to, stdMemSpace from);
Header *fitFirst(stdMemSpace space, uInt32 bucket, uInt64 need);
inline uInt32 bucketOf(uInt64 size) { return 63 - (uInt32)__builtin_clzll(size); }
memspNoAsan inline Header *nextBlock(Header *h) { return (Header *)((char *)h + h->size); }
memspNoAsan inline bool isAllocated(const Header *h) { return h->nextFree == allocatedMark; }

/* Sets a thread's current space. Other threads read the field (a space in
 * use must not be deleted), so it is written atomically. */
inline void setCurrentSpace(stdThread self, stdMemSpace space)
{
    __atomic_store_n(&self->currentMemspace, space, __ATOMIC_RELAXED);
}

/* The native layer: the process heap. Zero-byte requests are served as
 * one-byte blocks: a null result must always mean exhaustion, and
 * realloc(block, 0) would free the block behind its owner's back. */
inline Pointer mbMalloc(size_t size) { return malloc(size ? size : 1); }
inline Pointer mbRealloc(Pointer block, size_t size) { return realloc(block, size ? size : 1); }
inline void    mbFree(Pointer block) { free(block); }

/* The native space for the module's own bookkeeping. */
class NativeScope {
public:
    explicit NativeScope(stdThread self) : self(self), saved(self->currentMemspace) { setCurrentSpace(self, memspNativeMemSpace); }
    ~NativeScope() { setCurrentSpace(self, saved); }
    NativeScope(const NativeScope &) = delete;
    NativeScope &operator=(const NativeScope &) = delete;
private:
    stdThread   self;
    stdMemSpace saved;
};

/* AddressSanitizer's view of space memory: free blocks, headers and slack
 * are poisoned; a block in use is open for exactly the bytes requested. */
#if defined(__SANITIZE_ADDRESS__)
inline void poison(const void *p, uInt64 n) { __asan_poison_memory_region(p, n); }
inline void unpoison(const void *p, uInt64 n) { __asan_unpoison_memory_region(p, n); }
inline bool isPoisoned(const void *p) { return __asan_address_is_poisoned(p) != 0; }
#else
inline void poison(const void *, uInt64) {}
inline void unpoison(const void *, uInt64) {}
inline bool isPoisoned(const void *) { return false; }
#endif

/* Bytes opened to the user: the request, and at least one, so that a free
 * block (wholly poisoned) can be told from a block in use. */
inline uInt64 openBytes(size_t request) { return request ? request : 1; }

/* The head of the size's free list: a linked block, or else the highest
 * untouched block of its fresh page, just as if that page had been linked
 * from the top down when it was made. */
memspNoAsan inline SmallBlock *popSmall(stdMemSpace space, uInt32 size)
{
    SmallBlock **head = &space->smallFreeLists[size / 8];
    if (SmallBlock *b = *head) {
        *head = b->next;
        b->page->available -= size;
        return b;
    }
    stdMemPage page = space->smallFresh[size / 8];
    page->fresh -= size;
    page->available -= size;
    if (page->fresh == 0) space->smallFresh[size / 8] = nullptr;
    return (SmallBlock *)((char *)page->memory + page->fresh);
}

/* A block of the size, whose free list is not empty; the lock is held. */
inline Pointer smallMalloc(stdMemSpace space, uInt32 size, size_t request)
{
    SmallBlock *b = popSmall(space, size);
    unpoison(b, openBytes(request));
    return b;
}

} // namespace memspLocal

#endif
