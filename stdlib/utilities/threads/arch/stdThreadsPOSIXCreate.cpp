/*
 * Threads: creation with relative priorities, join, detach, sleep, suspend
 * and resume, signals, and the clock.
 */
#include <errno.h>
#include <sched.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdThreadsLocal.h"

#define MIN_STACK_SIZE 100000

static void *threadStart(void *argument)
{
    stdThread self = (stdThread)argument;
    pthread_setspecific(taskKey, self);
    self->startFunction(self->startData);
    /* A return, not pthread_exit: that unwinds, and the first unwinding
     * loads a library, which fails when memory is short. */
    return NULL;
}

/* 0 is the lowest priority and -1 the highest; beyond the range is clamped. */
static Int32 posixPriority(Int32 priority)
{
    Int64 level = (Int64)minPOSIXPriority + priority;
    if (priority < 0) {
        level += nrofPriorities;
    }
    if (level < minPOSIXPriority) {
        level = minPOSIXPriority;
    }
    if (level > maxPOSIXPriority) {
        level = maxPOSIXPriority;
    }
    return (Int32)level;
}

static void setRealTime(pthread_attr_t *attributes, Int32 priority)
{
    struct sched_param parameters = {};
    parameters.sched_priority = posixPriority(priority);
    pthread_attr_setinheritsched(attributes, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(attributes, SCHED_RR);
    pthread_attr_setschedparam(attributes, &parameters);
}

stdThread _stdThreadCreate(stdThreadFun function, Pointer data, Int32 priority, Int32 stackSize,
                           Bool joinable)
{
    stdThread thread = allocateThread();
    thread->startFunction = function;
    thread->startData = data;
    thread->joinable = joinable;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackSize < MIN_STACK_SIZE ? MIN_STACK_SIZE : (size_t)stackSize);
    pthread_attr_setdetachstate(&attributes, joinable ? PTHREAD_CREATE_JOINABLE : PTHREAD_CREATE_DETACHED);
    Bool realTime = geteuid() == 0;
    if (realTime) {
        setRealTime(&attributes, priority);
    }
    /* The handle is stored before the thread starts, so a thread that ends
     * at once never has its freed record written. */
    int failure = pthread_create(&thread->handle, &attributes, threadStart, thread);
    if (failure == EPERM && realTime) {
        /* Root without the right to real-time scheduling (a container). */
        pthread_attr_setinheritsched(&attributes, PTHREAD_INHERIT_SCHED);
        failure = pthread_create(&thread->handle, &attributes, threadStart, thread);
    }
    pthread_attr_destroy(&attributes);

    if (failure != 0) {
        thread->joinable = False;   /* no joiner will free it */
        destroyThread(thread);
        return NULL;
    }
    return thread;
}

void stdThreadExit(void)
{
    pthread_exit(NULL);
}

void stdThreadJoin(stdThread thread)
{
    stdASSERT(thread->joinable, ("Joining non-joinable thread"));
    pthread_join(thread->handle, NULL);
    stdSystemAllocator.release(thread);
}

/* Nothing signals the sleep condition: every return before the deadline is spurious. */
void stdThreadSleep(uInt64 nanoseconds)
{
    stdThread self = stdGetThreadContext();
    struct timespec deadline = threadsDeadline(nanoseconds);
    pthread_mutex_lock(&self->sleepMutex);
    int result;
    do {
        result = pthread_cond_timedwait(&self->sleepCondition, &self->sleepMutex, &deadline);
    } while (result == 0 || result == EINTR);
    pthread_mutex_unlock(&self->sleepMutex);
}

Int stdThreadSuspend(void)
{
    return threadsWaitSemaphore(&stdGetThreadContext()->wakeSemaphore);
}

void stdThreadResume(stdThread thread)
{
    sem_post(&thread->wakeSemaphore);
}

Int stdThreadKill(stdThread thread, Int signalNumber)
{
    return pthread_kill(thread->handle, signalNumber);
}

Int32 stdNrofThreadPriorities(void)
{
    stdThreadsInit();
    return nrofPriorities;
}

uInt64 stdTimeNow(void)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return (uInt64)now.tv_sec * 1000000000u + (uInt64)now.tv_usec * 1000u;
}
