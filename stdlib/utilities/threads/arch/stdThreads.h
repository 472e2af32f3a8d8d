/*
 * Threads and synchronisation: the per-thread context the support layer
 * keeps its state in (message flags and settings, the recovery point, the
 * current memory space), threads with relative priorities, counting
 * semaphores, recursive mutexes, the process-wide lock, monitor-style
 * conditions and a barrier, all over POSIX threads.
 *
 * The library is set up before main and torn down at process exit, after
 * the process clean-up handlers have run; any operation that finds it torn
 * down sets it up again.
 */
#ifndef stdThreads_INCLUDED
#define stdThreads_INCLUDED

#include <pthread.h>
#include <semaphore.h>
#include <setjmp.h>
#include "stdTypes.h"
#include "stdMessages.h"
#include "stdMemSpace.h"

#ifdef __cplusplus
extern "C" {
#endif

struct stdStringRec;

typedef void (*stdThreadFun)(Pointer data);

/*
 * A thread's context, zero-filled at creation. Read and written without
 * locking by its own thread only; other threads touch it only through its
 * semaphores (resume, broadcast), its termination semaphore and its list
 * links, the last two under globalMutex.
 */
typedef struct stdThreadRec {
    /* Set by reporting, never cleared by it. */
    Bool        warningFlag;        /* a warning or worse was reported */
    Bool        errorFlag;          /* an error or fatal message was reported, or memory ran out */

    /* Where a fatal message transfers control (longjmp with value 1); null ends the process. */
    jmp_buf    *recoveryPoint;
    msgMessage  lastFatalMessage;   /* the fatal message that went to the recovery point */

    stdMemSpace currentMemspace;    /* where stdMALLOC allocates; null is the process heap */

    /* Diagnostic line decoration; the texts are not owned. */
    cString     toolName;
    cString     suffix;

    /* Message settings */
    Bool        ignoreWarnings;
    Bool        warnAsError;
    Bool        addErrorClassPrefixes;
    Bool        dontPrefixErrorLines;
    Bool        savedAddErrorClassPrefixes;
    Bool        savedDontPrefixErrorLines;

    /* Line-wise delivery of the log sink */
    stdLogLineFunc logLine;
    Pointer        logLineData;     /* for the callback's owner; never passed to the callback */
    stdLogLineFunc savedLogLine;
    Pointer        savedLogLineData;
    struct stdStringRec *pendingLogLine;  /* the incomplete line, in the process heap */

    /* Memory-space bookkeeping */
    Bool        memNotSharedAmongThreads;
    Pointer     blockToPageMap;     /* this thread's block-to-page range map, null until used */

    /* The thread library's own part; the fields above are the rest of the layer's. */
    stdThreadFun    startFunction;  /* the body of a thread made here; null for an adopted one */
    Pointer         startData;
    Bool            joinable;       /* the record outlives the thread until stdThreadJoin */
    pthread_t       handle;
    pthread_cond_t  sleepCondition; /* never signalled: stdThreadSleep waits on it for its deadline */
    pthread_mutex_t sleepMutex;
    sem_t           wakeSemaphore;  /* stdThreadSuspend / stdThreadResume */
    sem_t           condSemaphore;  /* condition waits, kept apart so that a stray resume cannot end one */
    sem_t          *terminationSemaphore; /* posted when the record is destroyed; guarded by globalMutex */
    struct stdThreadRec *next;      /* the list of all contexts; guarded by globalMutex */
    struct stdThreadRec *previous;
} stdThreadRec, *stdThread;

/* ---- Contexts and threads ---- */

/* The calling thread's context; a thread that has none (the main thread, or
 * one not made here) gets a new zero-filled one. stdThreadSelf is the same. */
stdThread stdGetThreadContext(void);
stdThread stdThreadSelf(void);

/*
 * Starts a thread running function(data). Priorities are relative: 0 is the
 * lowest, -1 the highest, and they take effect (real-time round-robin) only
 * when the effective user is root; where even root may not use real-time
 * scheduling the thread gets the inherited policy. The stack has at least
 * 100000 bytes. Null when the thread cannot be made. The context of a
 * thread that is not joinable is freed when the thread ends, so the result
 * may be used only while the thread is known to run.
 */
stdThread _stdThreadCreate(stdThreadFun function, Pointer data, Int32 priority, Int32 stackSize,
                           Bool joinable);
void stdThreadExit(void) stdNORETURN;      /* ends the calling thread */
void stdThreadJoin(stdThread thread);      /* waits for a joinable thread and frees its context */
void stdThreadDetach(void);                /* drops the calling thread's context now */
void stdThreadSleep(uInt64 nanoseconds);   /* at least that long */
Int  stdThreadSuspend(void);               /* 0, or the error number of a failed wait */
void stdThreadResume(stdThread thread);    /* a resume before the suspend is remembered */
Int  stdThreadKill(stdThread thread, Int signalNumber);  /* the result of pthread_kill */
Int32 stdNrofThreadPriorities(void);

Bool stdThreadsInit(void);                 /* sets the library up when needed; True */
/* Destroys the caller's context, then waits until every other thread with a
 * context has ended, then tears the library down. Threads blocked in a
 * condition wait or a suspend must be woken by their owners first. */
void stdThreadsTerm(void);
/* What process exit does: runs the process clean-up handlers, then tears
 * the library down (see the two flags below). */
void destroyStdThreads(void);
void stdExit(Int status) stdNORETURN;      /* stdEXIT(status) */

/* Nanoseconds since the epoch, to the microsecond. */
uInt64 stdTimeNow(void);

/*
 * At process exit: run the clean-up handlers (cleared once they have run),
 * and tear the library down (cleared once it is; the memory spaces read it
 * to know whether the library still serves). Both start set.
 */
extern Bool threadsDoCleanupHandlersOnTermination;
extern Bool threadsDoCleanupOnTermination;

/* ---- Semaphores, mutexes and the process-wide lock ---- */

/* A counting semaphore, process-private. Created ones live in the caller's
 * memory space; a caller's own record is set up with stdSemInit. */
typedef struct stdSemRec { sem_t semaphore; } stdSemRec, *stdSem;
stdSem stdSemCreate(uInt32 count);         /* null when it cannot be set up */
void   stdSemDelete(stdSem sem);
Bool   stdSemInit(stdSem sem, uInt32 count);
void   stdSemTerm(stdSem sem);
Int    stdSemP(stdSem sem);                /* waits; 0, or the error number of a failed wait */
Bool   stdSemTryP(stdSem sem);             /* takes a count if one is there */
void   stdSemV(stdSem sem);

/* A recursive mutex. */
typedef struct stdMutexRec { pthread_mutex_t mutex; } stdMutexRec, *stdMutex;
stdMutex stdMutexCreate(void);             /* null when it cannot be set up */
void     stdMutexDelete(stdMutex mutex);
Bool     stdMutexInit(stdMutex mutex);
void     stdMutexTerm(stdMutex mutex);
void     stdMutexEnter(stdMutex mutex);
void     stdMutexExit(stdMutex mutex);

/* The process-wide recursive lock; it also guards the list of contexts. */
void stdGlobalEnter(void);
void stdGlobalExit(void);

/* ---- Conditions ---- */

/*
 * A monitor: one recursive lock with an owner, and a stack of waiters each
 * blocked on its own thread's semaphore. A waiter node lives on its
 * thread's stack. Waiters, owner and count are guarded by the lock.
 */
typedef struct stdCondWaiterRec {
    struct stdCondWaiterRec *next;
    stdThread                thread;
} stdCondWaiterRec, *stdCondWaiter;

typedef struct stdCondRec {
    stdCondWaiter   waiters;           /* newest first */
    pthread_mutex_t lock;
    stdThread       owner;             /* the holder, or null */
    Int32           count;             /* how many times the owner holds it */
} stdCondRec, *stdCond;

stdCond stdCondCreate(void);               /* null when it cannot be set up */
void    stdCondDelete(stdCond condition);
Int32   stdCondEnter(stdCond condition);   /* the new hold count */
void    stdCondExit(stdCond condition);
/* Leaves the condition (held exactly once) and waits for a broadcast; the
 * caller does not hold the condition on return. 0, or an error number. */
Int     stdCondWait(stdCond condition);
/* The same, giving up after the time: ETIMEDOUT when no broadcast came. */
Int     stdCondTimedWait(stdCond condition, uInt64 nanoseconds);
/* Leaves the condition once and wakes every waiter that was waiting. */
void    stdCondBroadcast(stdCond condition);

/* ---- Barriers ---- */

/*
 * N threads meet: each waits until the last of its round has arrived, and
 * the barrier serves round after round. The gate is closed from the last
 * arrival of a round until every thread of that round has left it.
 */
typedef struct stdBarrierRec {
    Int32     partyCount;               /* N, at least 1 */
    Int32     arrived;                  /* of the current round; guarded by the gate */
    Int32     leaving;                  /* released threads yet to leave; atomic */
    stdSemRec gate;
    stdSemRec released;
} stdBarrierRec, *stdBarrier;

stdBarrier stdBarrierCreate(Int32 count); /* null when it cannot be set up */
/* Waits until every thread of a released round has left it; a party may
 * call it as soon as its own wait returns. */
void       stdBarrierDelete(stdBarrier barrier);
void       stdBarrierWait(stdBarrier barrier);

#ifdef __cplusplus
}
#endif

#endif
