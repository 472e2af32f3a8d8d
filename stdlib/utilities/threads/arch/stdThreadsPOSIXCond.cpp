/*
 * Conditions: a monitor whose waiters each block on their own thread's
 * condition semaphore. A broadcaster takes the whole stack under the lock
 * and posts once it has left, so the woken find the lock free. A waiter
 * that gives up finds, under the lock, either its node still on the stack
 * or taken by a broadcaster whose post is sure to come; until that post it
 * stays, so its node outlives the broadcaster's use of it.
 */
#include <errno.h>
#include <string.h>

#include "stdLocal.h"
#include "stdThreadsLocal.h"

stdCond stdCondCreate(void)
{
    stdCond condition = (stdCond)stdMALLOC(sizeof *condition);
    memset((void *)condition, 0, sizeof *condition);
    if (!threadsInitRecursiveMutex(&condition->lock)) {
        memspFree(condition);
        return NULL;
    }
    return condition;
}

void stdCondDelete(stdCond condition)
{
    pthread_mutex_destroy(&condition->lock);
    memspFree(condition);
}

Int32 stdCondEnter(stdCond condition)
{
    stdThread self = stdThreadSelf();
    pthread_mutex_lock(&condition->lock);
    condition->owner = self;
    return ++condition->count;
}

static void leave(stdCond condition)
{
    if (--condition->count == 0) {
        condition->owner = NULL;
    }
    pthread_mutex_unlock(&condition->lock);
}

void stdCondExit(stdCond condition)
{
    stdASSERT(stdThreadSelf() == condition->owner, ("stdCondExit: not owner"));
    leave(condition);
}

static Int waitUntil(sem_t *semaphore, const struct timespec *deadline)
{
    while (sem_timedwait(semaphore, deadline) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

/* Takes the node off the stack; False when a broadcast took it first. */
static Bool withdraw(stdCond condition, stdCondWaiter node)
{
    Bool found = False;
    pthread_mutex_lock(&condition->lock);
    for (stdCondWaiter *link = &condition->waiters; *link != NULL; link = &(*link)->next) {
        if (*link == node) {
            *link = node->next;
            found = True;
            break;
        }
    }
    pthread_mutex_unlock(&condition->lock);
    return found;
}

/* The caller holds the condition exactly once; it leaves it and waits. */
static Int awaitBroadcast(stdCond condition, stdThread self, const struct timespec *deadline)
{
    stdCondWaiterRec node = { condition->waiters, self };
    condition->waiters = &node;
    leave(condition);

    Int result = deadline != NULL ? waitUntil(&self->condSemaphore, deadline)
                                  : threadsWaitSemaphore(&self->condSemaphore);
    if (result != 0 && !withdraw(condition, &node) && result == ETIMEDOUT) {
        /* Woken as the time ran out: take the post, made now or soon. */
        result = threadsWaitSemaphore(&self->condSemaphore);
    }
    return result;
}

Int stdCondWait(stdCond condition)
{
    stdThread self = stdThreadSelf();
    stdASSERT(self == condition->owner, ("stdCondWait: not owner"));
    stdASSERT(condition->count == 1, ("stdCondWait: held recursively"));
    return awaitBroadcast(condition, self, NULL);
}

Int stdCondTimedWait(stdCond condition, uInt64 nanoseconds)
{
    stdThread self = stdThreadSelf();
    stdASSERT(self == condition->owner, ("stdCondTimedWait: not owner"));
    stdASSERT(condition->count == 1, ("stdCondTimedWait: held recursively"));
    struct timespec deadline = threadsDeadline(nanoseconds);
    return awaitBroadcast(condition, self, &deadline);
}

void stdCondBroadcast(stdCond condition)
{
    stdASSERT(stdThreadSelf() == condition->owner, ("stdCondBroadcast: not owner"));
    stdCondWaiter waiter = condition->waiters;
    condition->waiters = NULL;
    leave(condition);
    while (waiter != NULL) {
        /* The node lives on the waiter's stack, which it may leave as soon as it is woken. */
        stdCondWaiter next = waiter->next;
        sem_post(&waiter->thread->condSemaphore);
        waiter = next;
    }
}
