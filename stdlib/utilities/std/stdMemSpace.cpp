#include <stdlib.h>
#include <string.h>

#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdThreads.h"

/*
 * The native layer. Zero-byte requests are served as one-byte blocks: a null
 * result must always mean exhaustion, and realloc(block, 0) would free the
 * block behind its owner's back.
 */
static Pointer mbMalloc(size_t size) { return malloc(size ? size : 1); }
static Pointer mbRealloc(Pointer block, size_t size) { return realloc(block, size ? size : 1); }
static void    mbFree(Pointer block) { free(block); }

static void checkNativeSpace(stdMemSpace space)
{
    stdASSERT(space == memspNativeMemSpace, ("Memory space %p is not known", (void *)space));
}

Pointer memspMalloc(stdMemSpace space, size_t size)
{
    checkNativeSpace(space);
    Pointer block = mbMalloc(size);
    if (block == NULL) {
        stdOutOfMemory();
    }
    return block;
}

void memspFree(Pointer block)
{
    mbFree(block);
}

Pointer memspRealloc(Pointer block, size_t size)
{
    stdASSERT(block, ("Don't realloc empty block"));
    return mbRealloc(block, size);
}

stdMemSpace memspGetSpace(Pointer address)
{
    (void)address;
    return memspNativeMemSpace;
}

stdMemSpace stdSwapMemSpace(stdMemSpace space)
{
    stdThread self = stdGetThreadContext();
    stdMemSpace previous = self->currentMemspace;
    self->currentMemspace = space;
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
    return previous;
}
