#include "stdThreads.h"

/*
 * The tools built on this layer run one thread, so one zero-initialised
 * record stands for every thread's context. Being static storage it exists
 * before any code runs and asking for it never allocates, which the
 * out-of-memory path relies on.
 */
static stdThreadRec processContext;

stdThread stdGetThreadContext(void)
{
    return &processContext;
}
