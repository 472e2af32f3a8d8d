/*
 * Thread contexts: the list of all of them, the key that binds each to its
 * thread, their creation on first use and their destruction when the thread
 * ends, and the two ways the library is torn down.
 */
#include <errno.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>

#include "stdLocal.h"
#include "stdThreadsLocal.h"

stdThreadRec sentStart, sentEnd;
pthread_key_t taskKey;
pthread_mutex_t globalMutex;
Int32 minPOSIXPriority, maxPOSIXPriority, nrofPriorities;

static Pointer systemAllocate(size_t size) { return malloc(size); }
static void    systemRelease(Pointer block) { free(block); }
stdSystemAllocatorRec stdSystemAllocator = { systemAllocate, systemRelease };

/*
 * Serves a thread whose context cannot be made, for just long enough to
 * report that and end the process; it is in no list and never freed. The
 * key is missing only when the system would not give the library one.
 */
static stdThreadRec emergencyContext;
static Bool keyMissing;

static void contextOverflow(void) stdNORETURN;
static void contextOverflow(void)
{
    if (keyMissing || pthread_setspecific(taskKey, &emergencyContext) != 0) {
        keyMissing = True;
    }
    msgReport(threadsMsgMemoryOverFlow);
    stdABORT();
}

static void emptyList(void)
{
    sentStart.previous = NULL;
    threadsSetNext(&sentStart, &sentEnd);
    sentEnd.previous = &sentStart;
    sentEnd.next = NULL;
}

static void resetSentinels(void)
{
    threadsSetNext(&sentStart, NULL);
    sentStart.previous = NULL;
    sentEnd.next = sentEnd.previous = NULL;
}

void threadsSetUp(void)
{
    keyMissing = pthread_key_create(&taskKey, destroyThread) != 0;
    threadsInitRecursiveMutex(&globalMutex);
    maxPOSIXPriority = sched_get_priority_max(SCHED_RR);
    minPOSIXPriority = sched_get_priority_min(SCHED_RR);
    nrofPriorities = maxPOSIXPriority - minPOSIXPriority + 1;
    emptyList();
    if (keyMissing) {
        contextOverflow();
    }
}

Int threadsWaitSemaphore(sem_t *semaphore)
{
    while (sem_wait(semaphore) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

struct timespec threadsDeadline(uInt64 nanoseconds)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    uInt64 total = (uInt64)now.tv_usec * 1000u + nanoseconds % 1000000000u;
    struct timespec deadline;
    deadline.tv_sec = now.tv_sec + (time_t)(nanoseconds / 1000000000u) + (time_t)(total / 1000000000u);
    deadline.tv_nsec = (long)(total % 1000000000u);
    return deadline;
}

stdThread allocateThread(void)
{
    stdThreadsInit();
    stdThread thread = (stdThread)stdSystemAllocator.allocate(sizeof *thread);
    if (thread == NULL) {
        contextOverflow();
    }
    memset((void *)thread, 0, sizeof *thread);
    pthread_cond_init(&thread->sleepCondition, NULL);
    pthread_mutex_init(&thread->sleepMutex, NULL);
    sem_init(&thread->wakeSemaphore, 0, 0);
    sem_init(&thread->condSemaphore, 0, 0);

    pthread_mutex_lock(&globalMutex);
    thread->previous = &sentStart;
    thread->next = sentStart.next;
    sentStart.next->previous = thread;
    threadsSetNext(&sentStart, thread);
    pthread_mutex_unlock(&globalMutex);
    return thread;
}

/* A thread that the library did not start gets its context here. */
static stdThread adoptThread(void)
{
    stdThread self = allocateThread();
    self->handle = pthread_self();
    if (pthread_setspecific(taskKey, self) != 0) {
        destroyThread(self);
        contextOverflow();
    }
    return self;
}

stdThread stdGetThreadContext(void)
{
    if (!threadsInitialised()) {
        stdThreadsInit();
    }
    if (keyMissing) {
        return &emergencyContext;
    }
    stdThread self = (stdThread)pthread_getspecific(taskKey);
    return self != NULL ? self : adoptThread();
}

stdThread stdThreadSelf(void)
{
    return stdGetThreadContext();
}

stdThread threadsBoundContext(void)
{
    if (!threadsInitialised() || keyMissing) {
        return NULL;
    }
    stdThread self = (stdThread)pthread_getspecific(taskKey);
    return self == &emergencyContext ? NULL : self;
}

/*
 * What the context holds beyond its record: a line still pending for the
 * log-line callback and the thread's block-to-page map. The memory code that
 * releases them asks for the context: bind the record for that while it is
 * taken apart (a key destructor finds it unbound), so that no new one is made.
 */
static void releaseHeld(stdThread thread)
{
    Pointer bound = pthread_getspecific(taskKey);
    pthread_setspecific(taskKey, thread);
    if (thread->pendingLogLine != NULL) {
        stringDelete(thread->pendingLogLine);
        thread->pendingLogLine = NULL;
    }
    memspReleaseThreadMap(thread);
    pthread_setspecific(taskKey, bound);
}

void destroyThread(Pointer context)
{
    stdThread thread = (stdThread)context;
    if (thread == &emergencyContext) {
        return;
    }
    stdThreadsInit();
    releaseHeld(thread);

    pthread_mutex_lock(&globalMutex);
    threadsSetNext(thread->previous, thread->next);
    thread->next->previous = thread->previous;
    thread->next = thread->previous = NULL;
    /* Read while the record is certainly alive: a joinable one may be freed
     * by its joiner, any other one is freed below. */
    sem_t *termination = thread->terminationSemaphore;
    pthread_mutex_unlock(&globalMutex);

    pthread_cond_destroy(&thread->sleepCondition);
    pthread_mutex_destroy(&thread->sleepMutex);
    sem_destroy(&thread->wakeSemaphore);
    sem_destroy(&thread->condSemaphore);
    if (!thread->joinable) {
        stdSystemAllocator.release(thread);
    }
    if (termination != NULL) {
        sem_post(termination);
    }
}

void stdThreadDetach(void)
{
    stdThread self = threadsBoundContext();
    if (self != NULL) {
        destroyThread(self);
        pthread_setspecific(taskKey, NULL);
    }
}

static void releaseLibrary(void)
{
    pthread_mutex_destroy(&globalMutex);
    if (!keyMissing) {
        pthread_key_delete(taskKey);
    }
    resetSentinels();
}

void stdThreadsTerm(void)
{
    if (!threadsInitialised()) {
        return;
    }
    stdThreadDetach();

    sem_t ended;
    sem_init(&ended, 0, 0);
    pthread_mutex_lock(&globalMutex);
    while (sentStart.next != &sentEnd) {
        sentStart.next->terminationSemaphore = &ended;
        pthread_mutex_unlock(&globalMutex);
        threadsWaitSemaphore(&ended);
        pthread_mutex_lock(&globalMutex);
    }
    pthread_mutex_unlock(&globalMutex);
    sem_destroy(&ended);
    releaseLibrary();
}

void threadsTearDown(void)
{
    if (!threadsInitialised()) {
        return;
    }
    stdThreadDetach();
    pthread_mutex_lock(&globalMutex);
    Bool othersRemain = sentStart.next != &sentEnd;
    pthread_mutex_unlock(&globalMutex);
    if (!othersRemain && !threadsHoldingGlobalLock()) {
        releaseLibrary();
    }
}
