/*
 * Thread context: the per-thread record the support layer keeps its state in
 * (message flags and settings, the recovery point, the current memory space).
 */
#ifndef stdThreads_INCLUDED
#define stdThreads_INCLUDED

#include <setjmp.h>
#include "stdTypes.h"
#include "stdMessages.h"
#include "stdMemSpace.h"

#ifdef __cplusplus
extern "C" {
#endif

struct stdStringRec;

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
} stdThreadRec, *stdThread;

/*
 * The calling thread's context, zero-filled when first asked for. For now one
 * process-wide record serves every thread.
 */
stdThread stdGetThreadContext(void);

#ifdef __cplusplus
}
#endif

#endif
