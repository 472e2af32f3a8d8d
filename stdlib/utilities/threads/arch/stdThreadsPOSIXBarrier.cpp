/*
 * The barrier. The gate admits one arrival at a time; the last arrival of a
 * round keeps it closed and releases the others, and the last of them to
 * leave opens it for the next round. So no thread passes before its round
 * is complete, and no thread of the next round can take a release meant
 * for this one; nor is the barrier deleted before the last has left.
 */
#include "stdLocal.h"
#include "stdThreadsLocal.h"

stdBarrier stdBarrierCreate(Int32 count)
{
    stdASSERT(count >= 1, ("Barrier of %d threads", count));
    stdBarrier barrier = (stdBarrier)stdMALLOC(sizeof *barrier);
    barrier->partyCount = count;
    barrier->arrived = 0;
    barrier->leaving = 0;
    if (!stdSemInit(&barrier->gate, 1)) {
        memspFree(barrier);
        return NULL;
    }
    if (!stdSemInit(&barrier->released, 0)) {
        stdSemTerm(&barrier->gate);
        memspFree(barrier);
        return NULL;
    }
    return barrier;
}

/* A party may delete the barrier as soon as its own wait returns: the gate
 * opens only once the last of its round has left, so take it first. */
void stdBarrierDelete(stdBarrier barrier)
{
    stdSemP(&barrier->gate);
    stdSemTerm(&barrier->gate);
    stdSemTerm(&barrier->released);
    memspFree(barrier);
}

void stdBarrierWait(stdBarrier barrier)
{
    stdSemP(&barrier->gate);
    if (++barrier->arrived == barrier->partyCount) {
        Int32 others = barrier->partyCount - 1;
        barrier->arrived = 0;
        if (others == 0) {
            stdSemV(&barrier->gate);
            return;
        }
        __atomic_store_n(&barrier->leaving, others, __ATOMIC_RELAXED);
        for (Int32 i = 0; i < others; i++) {
            stdSemV(&barrier->released);
        }
        return;
    }
    stdSemV(&barrier->gate);
    stdSemP(&barrier->released);
    if (__atomic_sub_fetch(&barrier->leaving, 1, __ATOMIC_ACQ_REL) == 0) {
        stdSemV(&barrier->gate);
    }
}
