/*
 * The allocation interface: allocation, release and reallocation in any
 * space, the current space of a thread, and the exhaustion contract.
 */
#include <stdlib.h>
#include <string.h>

#include "stdMemSpaceLocal.h"

using namespace memspLocal;

static inline uInt32 smallBlockSize(uInt64 rounded)
{
    return rounded < minSmallSize ? minSmallSize : (uInt32)rounded;
}

/* Allocation in a space, with the space's lock held; null on exhaustion. */
static Pointer spaceMalloc(stdThread self, stdMemSpace space, size_t size)
{
    uInt64 rounded = ((uInt64)size + 7) & ~(uInt64)7;
    if (rounded <= smallLimit) {
        uInt32 blockSize = smallBlockSize(rounded);
        if (!hasFreeSmall(space, blockSize) && !createSmallPage(self, space, blockSize)) {
            return nullptr;
        }
        return smallMalloc(space, blockSize, size);
    }
    return largeMalloc(self, space, rounded + headerSize, size);
}

Pointer memspMalloc(stdMemSpace space, size_t size)
{
    if (space == memspNativeMemSpace) {
        Pointer block = nativeMalloc(size);
        if (block == NULL) stdOutOfMemory();
        return block;
    }
    checkKnownSpace(space);
    memspASSERT(!space->deleted, "!space->deleted", ("Block allocation from deleted memory space '%s'", space->name));
    if (size > largestRequest) stdOutOfMemory();
    uInt64 rounded = ((uInt64)size + 7) & ~(uInt64)7;
    if (rounded <= smallLimit) {
        /* A small block from a free list needs no context. */
        uInt32 blockSize = smallBlockSize(rounded);
        bool locked = spaceLockIfShared(space);
        if (hasFreeSmall(space, blockSize)) {
            Pointer block = smallMalloc(space, blockSize, size);
            spaceUnlockIfLocked(space, locked);
            return block;
        }
        spaceUnlockIfLocked(space, locked);
    }
    /* The context before the lock: making one takes the global lock, which
     * must not be taken while the space's lock is held. */
    stdThread self = stdGetThreadContext();
    spaceLock(space);
    Pointer block = spaceMalloc(self, space, size);
    spaceUnlock(space);
    if (block == NULL) stdOutOfMemory();
    return block;
}

void memspFree(Pointer block)
{
    if (block == NULL) return;
    stdMemPage page = findPage(block);
    if (page == NULL) {
        mbFree(block);
        return;
    }
    stdMemSpace space = page->space;
    memspASSERT(!page->space->deleted, "!page->space->deleted",
                ("Block freeing from deleted memory space '%s'", page->space->name));
    bool locked = spaceLockIfShared(space);
    if (page->isSmall) {
        smallFree(page, block);
    } else {
        largeFree(page, block);
    }
    spaceUnlockIfLocked(space, locked);
}

/* A block of a space always moves, within its space. */
Pointer memspRealloc(Pointer block, size_t size)
{
    stdASSERT(block, ("Don't realloc empty block"));
    stdMemPage page = findPage(block);
    if (page == NULL) return mbRealloc(block, size);
    stdMemSpace space = page->space;
    spaceLock(space);
    uInt64 old = usableSize(page, block);
    spaceUnlock(space);
    Pointer moved = memspMalloc(space, size);
    unpoison(block, old);   /* its slack is copied too, and it is freed next */
    memcpy(moved, block, old < size ? old : size);
    memspFree(block);
    return moved;
}

stdMemSpace memspGetSpace(Pointer address)
{
    stdMemPage page = findPage(address);
    return page ? page->space : memspNativeMemSpace;
}

stdMemSpace stdSwapMemSpace(stdMemSpace space)
{
    stdThread self = stdGetThreadContext();
    stdMemSpace previous = self->currentMemspace;
    setCurrentSpace(self, space);
    return previous;
}

Pointer stdMALLOC(size_t size)
{
    Pointer block = memspMalloc(stdGetThreadContext()->currentMemspace, size);
    if (block == NULL) {
        stdOutOfMemory();
    }
    return block;
}

Pointer stdMallocFun(size_t size)
{
    return stdMALLOC(size);
}

/* Like realloc, a null block is a fresh allocation. */
Pointer stdReallocFun(Pointer block, size_t size)
{
    if (block == NULL) {
        return stdMALLOC(size);
    }
    Pointer moved = memspRealloc(block, size);
    if (moved == NULL) {
        stdOutOfMemory();
    }
    return moved;
}

void stdFreeFun(Pointer block)
{
    memspFree(block);
}

void stdOutOfMemory(void)
{
    msgReport(stdMsgMemoryOverFlow);
    /* Only reached when the message has been suppressed; still never go on. */
    stdABORT();
}

Bool stdIsOOMReported(void)
{
    msgMessage last = stdGetThreadContext()->lastFatalMessage;
    return last != NULL && last == stdMsgMemoryOverFlow;
}

String stdGetOOMErrorMessage(void)
{
    msgMessage last = stdGetThreadContext()->lastFatalMessage;
    if (last == NULL) {
        return NULL;
    }
    size_t length = strlen(last->format);
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, last->format, length + 1);
    return copy;
}

Bool stdMemspSetMemNotSharedAmongThreads(Bool notShared)
{
    stdThread self = stdGetThreadContext();
    Bool previous = self->memNotSharedAmongThreads;
    self->memNotSharedAmongThreads = notShared;
    forgetCachedPages();   /* answers found in the shared map may no longer be this thread's */
    return previous;
}

void memspSwapTuneCount(stdMemSpace space, uInt32 *largeCount, uInt32 *smallCount)
{
    checkKnownSpace(space);
    spaceLock(space);
    if (largeCount) {
        uInt32 value = space->largeTuneCount;
        space->largeTuneCount = *largeCount;
        *largeCount = value;
    }
    if (smallCount) {
        uInt32 value = space->smallTuneCount;
        space->smallTuneCount = *smallCount;
        *smallCount = value;
    }
    spaceUnlock(space);
}

void memspSetGlobalDebug(Bool on)
{
    globalDebug.store(on, std::memory_order_relaxed);
}
