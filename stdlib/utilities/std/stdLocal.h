/*
 * Private header of the support layer: what most of its modules need.
 */
#ifndef stdLocal_INCLUDED
#define stdLocal_INCLUDED

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "stdTypes.h"
#include "stdMessages.h"
#include "stdMemSpace.h"
#include "stdProcess.h"
#include "stdThreads.h"
#include "stdList.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stdUtils.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The system allocator, for the records that must never live in a memory
 * space: thread contexts and clean-up handler records. Tests replace it to
 * make these allocations fail or to count them.
 */
typedef struct stdSystemAllocatorRec {
    Pointer (*allocate)(size_t size);
    void    (*release)(Pointer block);
} stdSystemAllocatorRec;
extern stdSystemAllocatorRec stdSystemAllocator;

/* What the memory-space module keeps for a thread, released when its
 * context goes (the thread library calls it, with the context bound to the
 * calling thread). */
void memspReleaseThreadMap(stdThread thread);

#ifdef __cplusplus
}
#endif

#endif
