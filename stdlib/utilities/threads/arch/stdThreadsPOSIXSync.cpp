/*
 * Counting semaphores, recursive mutexes and the process-wide lock.
 */
#include <errno.h>

#include "stdLocal.h"
#include "stdThreadsLocal.h"

stdSem stdSemCreate(uInt32 count)
{
    stdSem sem = (stdSem)stdMALLOC(sizeof *sem);
    if (!stdSemInit(sem, count)) {
        memspFree(sem);
        return NULL;
    }
    return sem;
}

void stdSemDelete(stdSem sem)
{
    stdSemTerm(sem);
    memspFree(sem);
}

Bool stdSemInit(stdSem sem, uInt32 count)
{
    return sem_init(&sem->semaphore, 0, count) == 0;
}

void stdSemTerm(stdSem sem)
{
    sem_destroy(&sem->semaphore);
}

Int stdSemP(stdSem sem)
{
    return threadsWaitSemaphore(&sem->semaphore);
}

Bool stdSemTryP(stdSem sem)
{
    while (sem_trywait(&sem->semaphore) != 0) {
        if (errno != EINTR) {
            return False;
        }
    }
    return True;
}

void stdSemV(stdSem sem)
{
    sem_post(&sem->semaphore);
}

Bool threadsInitRecursiveMutex(pthread_mutex_t *mutex)
{
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0) {
        return False;
    }
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    Bool done = pthread_mutex_init(mutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return done;
}

stdMutex stdMutexCreate(void)
{
    stdMutex mutex = (stdMutex)stdMALLOC(sizeof *mutex);
    if (!stdMutexInit(mutex)) {
        memspFree(mutex);
        return NULL;
    }
    return mutex;
}

void stdMutexDelete(stdMutex mutex)
{
    stdMutexTerm(mutex);
    memspFree(mutex);
}

Bool stdMutexInit(stdMutex mutex)
{
    return threadsInitRecursiveMutex(&mutex->mutex);
}

void stdMutexTerm(stdMutex mutex)
{
    pthread_mutex_destroy(&mutex->mutex);
}

void stdMutexEnter(stdMutex mutex)
{
    pthread_mutex_lock(&mutex->mutex);
}

void stdMutexExit(stdMutex mutex)
{
    pthread_mutex_unlock(&mutex->mutex);
}

/* How many times the calling thread holds the global lock through stdGlobalEnter. */
static thread_local Int32 globalHolds;

void stdGlobalEnter(void)
{
    if (!threadsInitialised()) {
        stdThreadsInit();
    }
    /* Counted before the lock is taken: only this thread reads its count,
     * and never while it waits here. The lock call is then the last one. */
    globalHolds++;
    pthread_mutex_lock(&globalMutex);
}

void stdGlobalExit(void)
{
    globalHolds--;
    pthread_mutex_unlock(&globalMutex);
}

Bool threadsHoldingGlobalLock(void)
{
    return globalHolds > 0;
}
