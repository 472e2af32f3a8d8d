/*
 * Private to the thread library: the list of contexts, its lock and the
 * steps that set the library up and tear it down.
 */
#ifndef stdThreadsLocal_INCLUDED
#define stdThreadsLocal_INCLUDED

#include <pthread.h>
#include <time.h>
#include "stdThreads.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Bracket the doubly linked list of every context; guarded by globalMutex.
 * The library is set up while sentStart.next is not null. */
extern stdThreadRec sentStart, sentEnd;
extern pthread_key_t taskKey;           /* each thread's context; destructor destroyThread */
extern pthread_mutex_t globalMutex;     /* recursive */
extern Int32 minPOSIXPriority, maxPOSIXPriority, nrofPriorities;

/* Asked without the lock by every operation, while list changes under the
 * lock move sentStart.next: so every write of a next link is atomic. */
static inline Bool threadsInitialised(void)
{
    return __atomic_load_n(&sentStart.next, __ATOMIC_RELAXED) != NULL;
}

static inline void threadsSetNext(stdThread thread, stdThread next)
{
    __atomic_store_n(&thread->next, next, __ATOMIC_RELAXED);
}

/* Creates the key, the lock and the priority range, and empties the list. */
void threadsSetUp(void);

/* A new context entered in the list, not yet bound to any thread. */
stdThread allocateThread(void);

/* The context bound to the calling thread, or null; never creates one. */
stdThread threadsBoundContext(void);

/* Unlinks the context, releases what it holds, frees it unless it is
 * joinable, and posts its termination semaphore. */
void destroyThread(Pointer context);

/*
 * The teardown at process exit: destroys the caller's context; then, when no
 * other thread holds one any more and the caller is not inside the global
 * lock, the lock and the key as well. Contexts of threads still running are
 * left to them, and so is everything they share.
 */
void threadsTearDown(void);

/* The absolute time, on the clock of gettimeofday, that lies nanoseconds from now. */
struct timespec threadsDeadline(uInt64 nanoseconds);

/* Whether the calling thread is inside stdGlobalEnter (a fatal report there
 * ends the process with the lock held). */
Bool threadsHoldingGlobalLock(void);

/* Sets up a recursive mutex; False when the system refuses. */
Bool threadsInitRecursiveMutex(pthread_mutex_t *mutex);

/* sem_wait, retrying while a signal interrupts it: 0, or the error number. */
Int threadsWaitSemaphore(sem_t *semaphore);

#ifdef __cplusplus
}
#endif

#endif
