/*
 * The allocation interface. Every allocation of the support layer goes
 * through here; today every space is served by the process heap.
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

Pointer     memspMalloc(stdMemSpace space, size_t size);
void        memspFree(Pointer block);
Pointer     memspRealloc(Pointer block, size_t size);
stdMemSpace memspGetSpace(Pointer address);
stdMemSpace stdSwapMemSpace(stdMemSpace space);

/* Allocates in the calling thread's current space; never returns null. */
Pointer stdMALLOC(size_t size);
Pointer stdMallocFun(size_t size);
Pointer stdReallocFun(Pointer block, size_t size);
void    stdFreeFun(Pointer block);

/* Reports the fatal "Memory allocation failure"; does not return. */
void stdOutOfMemory(void) __attribute__((noreturn));

#ifdef __cplusplus
}
#endif

#endif
