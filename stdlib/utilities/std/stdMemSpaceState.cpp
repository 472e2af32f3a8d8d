/*
 * Memory spaces: the module's shared state, its locks, the records of live
 * and deleted spaces, and the clean-up at process exit.
 */
#include <string.h>
#include "stdMemSpaceLocal.h"
#include "stdProcess.h"
#include "stdThreadsLocal.h"

namespace memspLocal {

stdRangeMap           blockToSpacePage;
std::atomic<stdMutex> blockToSpacePageLock;
stdSet                threadLocalblockToPageMaps;
std::atomic<stdMutex> safetyValLock;
std::atomic<uInt32>   blockCount;
std::atomic<bool>     globalDebug;
std::atomic<uInt64>   managerGeneration{1};

} // namespace memspLocal

using namespace memspLocal;

/* Guarded by the process global lock. */
static Bool   isCleanupHandlerSet;
static uInt64 liveSpaceCount;      /* records that exist (deleted ones too, in debug mode) */
static stdMap deletedSpaces;       /* address -> name of spaces whose records are gone */

namespace memspLocal {

/* Threads still running read it while the exiting one clears it. */
Bool threadsActive(void)
{
    return __atomic_load_n(&threadsDoCleanupOnTermination, __ATOMIC_RELAXED);
}

/* The lock, made under the global lock by whoever needs it first. */
static stdMutex ensureLock(std::atomic<stdMutex> *lock)
{
    stdMutex m = lock->load(std::memory_order_acquire);
    if (m != nullptr) return m;
    stdGlobalEnter();
    m = lock->load(std::memory_order_relaxed);
    if (m == nullptr) {
        NativeScope native(stdGetThreadContext());
        m = stdMutexCreate();
        if (m == nullptr) stdOutOfMemory();
        lock->store(m, std::memory_order_release);
    }
    stdGlobalExit();
    return m;
}

void failUninitializedRelease(Int line)
{
    stdASSERTLOGSETPOS("*lock", __FILE_NAME__, line);
    stdASSERTLOGFAIL("uninitialized  mutex is released");
}

void lockEnter(std::atomic<stdMutex> *lock)
{
    stdMutexEnter(ensureLock(lock));
}

void lockExit(std::atomic<stdMutex> *lock)
{
    stdMutex m = lock->load(std::memory_order_acquire);
    if (m == nullptr) failUninitializedRelease(__LINE__);
    stdMutexExit(m);
}

static void cleanupHandler(Pointer data)
{
    (void)data;
    stdMemSpaceManagerCleanup();
}

void setUpManager(void)
{
    stdGlobalEnter();
    ensureLock(&blockToSpacePageLock);
    ensureLock(&safetyValLock);
    if (!isCleanupHandlerSet) {
        stdSetCleanupHandler(cleanupHandler, nullptr);
        isCleanupHandlerSet = True;
    }
    liveSpaceCount++;
    stdGlobalExit();
}

cString deletedSpaceName(stdMemSpace space)
{
    return deletedSpaces ? (cString)mapApply(deletedSpaces, space) : nullptr;
}

void rememberDeletedSpace(stdMemSpace space)
{
    NativeScope native(stdGetThreadContext());
    if (deletedSpaces == nullptr) deletedSpaces = mapCreate(stdPointerHash, stdPointerEqual, 8);
    size_t length = strlen(space->name) + 1;
    String name = (String)stdMALLOC(length);
    memcpy(name, space->name, length);
    memspFree(mapDefine(deletedSpaces, space, name));
    liveSpaceCount--;
}

void forgetDeletedSpace(stdMemSpace space)
{
    if (deletedSpaces) memspFree(mapUndefine(deletedSpaces, space));
}

} // namespace memspLocal

/* Whether a thread other than the caller has a context (global lock held). */
static Bool othersHaveContexts(stdThread self)
{
    for (stdThread t = sentStart.next; t != nullptr && t != &sentEnd; t = t->next) {
        if (t != self) return True;
    }
    return False;
}

/*
 * Releases the module's maps, locks and reserve. While any space still
 * exists they stay: its blocks may yet be freed (by later clean-up handlers
 * or static destructors), and without the maps they would be taken for
 * native blocks. So they do while another thread has a context: a thread
 * still running at exit may be looking a block up or making a space.
 */
void stdMemSpaceManagerCleanup(void)
{
    if (!threadsActive()) return;
    stdThread self = stdGetThreadContext();
    stdGlobalEnter();
    if (liveSpaceCount == 0 && blockToSpacePageLock.load(std::memory_order_relaxed) != nullptr &&
        !othersHaveContexts(self)) {
        NativeScope native(self);
        releaseSafetyValve();
        /* Every map is let go of before it is deleted: freeing its nodes
         * looks blocks up. Other threads' contexts may still name their
         * maps: a new generation makes them ignore those. */
        lockEnter(&blockToSpacePageLock);
        stdRangeMap shared = blockToSpacePage;
        stdSet locals = threadLocalblockToPageMaps;
        blockToSpacePage = nullptr;
        threadLocalblockToPageMaps = nullptr;
        self->blockToPageMap = nullptr;
        managerGeneration.fetch_add(1);
        newPageEpoch();
        rangemapDelete(shared);
        if (locals) {
            setTraverse(locals, [](Pointer local, Pointer) { deleteLocalMap((LocalPageMap *)local); }, nullptr);
            setDelete(locals);
        }
        lockExit(&blockToSpacePageLock);
        stdMutexDelete(safetyValLock.exchange(nullptr));
        stdMutexDelete(blockToSpacePageLock.exchange(nullptr));
        if (deletedSpaces) {
            mapRangeTraverse(deletedSpaces, [](Pointer name, Pointer) { memspFree(name); }, nullptr);
            mapDelete(deletedSpaces);
            deletedSpaces = nullptr;
        }
        isCleanupHandlerSet = False;
    }
    stdGlobalExit();
}

/* Whether the space is the current space of a thread, or an ancestor of it.
 * The global lock is held: it guards the list of thread contexts. A current
 * space is written by its own thread only, atomically. */
Bool memspLocal::spaceIsInUse(stdMemSpace space)
{
    if (!threadsInitialised()) return False;
    for (stdThread t = sentStart.next; t != nullptr && t != &sentEnd; t = t->next) {
        stdMemSpace current = __atomic_load_n(&t->currentMemspace, __ATOMIC_RELAXED);
        for (; isKnownSpace(current); current = current->parent) {
            if (current == space) return True;
        }
    }
    return False;
}
