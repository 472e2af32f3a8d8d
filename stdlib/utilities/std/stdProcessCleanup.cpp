/*
 * Clean-up handlers: a stack of records in the system allocator, changed
 * only under the process-wide lock, run newest first at process exit.
 */
#include "stdLocal.h"

typedef struct cleanupRecord {
    struct cleanupRecord *next;
    stdCleanupFun         handler;
    Pointer               data;
} cleanupRecord;

static cleanupRecord *cleanupHandlers;   /* newest first; guarded by the global lock */

void stdSetCleanupHandler(stdCleanupFun handler, Pointer data)
{
    cleanupRecord *record = (cleanupRecord *)stdSystemAllocator.allocate(sizeof *record);
    if (record == NULL) {
        stdOutOfMemory();
    }
    record->handler = handler;
    record->data = data;
    stdGlobalEnter();
    record->next = cleanupHandlers;
    cleanupHandlers = record;
    stdGlobalExit();
}

/* The newest record, taken off the stack; null when it is empty. */
static cleanupRecord *popHandler(void)
{
    stdGlobalEnter();
    cleanupRecord *record = cleanupHandlers;
    if (record != NULL) {
        cleanupHandlers = record->next;
    }
    stdGlobalExit();
    return record;
}

void stdProcessCleanupHandlers(void)
{
    for (cleanupRecord *record; (record = popHandler()) != NULL;) {
        record->handler(record->data);
        stdSystemAllocator.release(record);
    }
}
