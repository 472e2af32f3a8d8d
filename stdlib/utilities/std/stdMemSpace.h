/*
 * The allocation interface. Every allocation of the support layer and its
 * tools goes through here. Each thread has a current memory space, where
 * stdMALLOC allocates; a thread starts in the native space, the process heap,
 * which is the null space.
 *
 * Memory spaces are named sub-heaps carved out of the native heap in pages
 * (64 KiB unless asked otherwise): requests up to 4992 bytes (rounded up to
 * a multiple of 8, at least 16) come from per-size pages without block
 * headers, larger ones from a boundary-tagged first-fit heap. Spaces form a
 * tree and are deleted as a whole, with their descendants: their memory goes
 * back to the native heap, or to the parent. A block of any space, or of the
 * native heap, is released or reallocated without naming its space.
 *
 * Allocation never hands out null to its user: an allocation that fails
 * ends in stdOutOfMemory, the fatal "Memory allocation failure".
 *
 * Threads: a space may be shared; its lock guards it. A thread that declares
 * its memory not shared among threads registers its pages only for itself
 * and must free their blocks itself. A block may not be freed while its space
 * (or an ancestor) is being deleted.
 */
#ifndef stdMemSpace_INCLUDED
#define stdMemSpace_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdMemSpaceRec *stdMemSpace;
struct stdWriterRec;

/* The native space (the process heap) is the null space. */
#define memspNativeMemSpace ((stdMemSpace)0)

/* A space named after a copy of name ("<anonymous>" for null) below parent
 * (null: the native space). Page size 0 takes the parent's, or 65536; others
 * are rounded up to a multiple of 8. */
stdMemSpace memspCreate(cString name, stdMemSpace parent, uInt32 pageSize);
/* Deletes the space and its descendants. Their blocks are released at once,
 * or with addToParent become the parent's. Deleting a thread's current space
 * or an ancestor of it, or twice, is an assertion. In debug mode the spaces
 * are only marked deleted and kept, so that later uses of their blocks fail
 * their assertions.
 * Released pages go back to the process heap, but for the memory of one
 * page of at most 256 KiB, kept for the next page made (and freed at exit):
 * with it in place, the C library keeps the rest for the next allocations
 * rather than returning it to the system; malloc_trim(0) returns it. */
void memspDelete(stdMemSpace space, Bool addToParent);

/* Allocates size bytes in the space; never null. */
Pointer     memspMalloc(stdMemSpace space, size_t size);
/* Releases a block of any space; null is ignored. */
void        memspFree(Pointer block);
/* Moves a non-null block into a block of size bytes of the same space, keeping
 * min(old, new) bytes. Null when the process heap is exhausted: the caller
 * then calls stdOutOfMemory. */
Pointer     memspRealloc(Pointer block, size_t size);
/* The space whose page holds the address; null for the process heap. */
stdMemSpace memspGetSpace(Pointer address);

/* Statistics: level 0 one line, 1 totals, 2 every page and block size too;
 * tune first gives entirely free pages back to the native heap; recursive
 * adds the descendants, indented by a tab per generation with indentChildren. */
void memspPrint(struct stdWriterRec *writer, stdMemSpace space, Bool tune, Int level, Bool recursive,
                Bool indentChildren);
/* Exchanges the space's tuning counts with *largeCount and *smallCount (each
 * may be null). They steer nothing. */
void memspSwapTuneCount(stdMemSpace space, uInt32 *largeCount, uInt32 *smallCount);

/* A hash of a pointer, and a total order on pointers: native addresses
 * first, then space blocks by the creation order of their pages. Both are
 * stable for blocks of spaces wherever the pages lie. */
uInt32 memspPointerHash(Pointer address);
Bool   memspPointerLE(Pointer a, Pointer b);

/* Debug mode: deleted spaces are kept (see memspDelete), and a small block
 * freed twice is caught. */
void memspSetGlobalDebug(Bool on);
/* Asserts that the address is not in a page of a deleted space. */
void memspCheckBlock(Pointer address);
/* One line: the block's usable size and its space, or that it is native. */
void memspDescribeBlock(struct stdWriterRec *writer, Pointer address);
/* The process clean-up handler: releases the module's maps, locks and
 * reserve once no space exists any more and no other thread has a context. */
void stdMemSpaceManagerCleanup(void);

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
