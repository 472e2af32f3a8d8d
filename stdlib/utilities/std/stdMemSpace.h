/*
 * The allocation interface. Every allocation of the support layer and its
 * tools goes through here. Each thread has a current memory space, where
 * stdMALLOC allocates; a thread starts in the native space, the process heap,
 * which is the null space and today the only one.
 *
 * Allocation never hands out null to its user: an allocation that fails
 * ends in stdOutOfMemory, the fatal "Memory allocation failure".
 */
#ifndef stdMemSpace_INCLUDED
#define stdMemSpace_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdMemSpaceRec *stdMemSpace;

/* The native space (the process heap) is the null space. */
#define memspNativeMemSpace ((stdMemSpace)0)

/* Allocates size bytes in the space; never null. */
Pointer     memspMalloc(stdMemSpace space, size_t size);
/* Releases a block of any space; null is ignored. */
void        memspFree(Pointer block);
/* Moves a non-null block into a block of size bytes of the same space, keeping
 * min(old, new) bytes. Null when the process heap is exhausted: the caller
 * then calls stdOutOfMemory. */
Pointer     memspRealloc(Pointer block, size_t size);
/* The space whose memory holds the address; null for the process heap. */
stdMemSpace memspGetSpace(Pointer address);

/* Makes the space current for the calling thread; returns the previous one. */
stdMemSpace stdSwapMemSpace(stdMemSpace space);

/* Allocates in the calling thread's current space; never returns null. */
Pointer stdMALLOC(size_t size);
/* Function-pointer forms of malloc, realloc and free over the current space;
 * the first two never return null. */
Pointer stdMallocFun(size_t size);
Pointer stdReallocFun(Pointer block, size_t size);
void    stdFreeFun(Pointer block);

/* Reports the fatal "Memory allocation failure"; does not return. */
void stdOutOfMemory(void) stdNORETURN;

/* Whether the fatal message that last went to this thread's recovery point
 * is the out-of-memory message. */
Bool   stdIsOOMReported(void);
/* A new copy (current space) of that message's text; null when there is none. */
String stdGetOOMErrorMessage(void);

/* Sets the calling thread's "memory not shared among threads" flag; returns
 * the previous value. */
Bool stdMemspSetMemNotSharedAmongThreads(Bool notShared);

#ifdef __cplusplus
}
#endif

#endif
