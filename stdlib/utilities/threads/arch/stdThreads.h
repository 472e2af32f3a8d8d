/*
 * Thread context: the per-thread record the support layer keeps its state in.
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
    Bool        warningFlag;
    Bool        errorFlag;
    jmp_buf    *recoveryPoint;
    msgMessage  lastFatalMessage;
    stdMemSpace currentMemspace;
    cString     toolName;
    cString     suffix;
    Bool        ignoreWarnings;
    Bool        warnAsError;
    Bool        addErrorClassPrefixes;
    Bool        dontPrefixErrorLines;
    Bool        savedAddErrorClassPrefixes;
    Bool        savedDontPrefixErrorLines;
    stdLogLineFunc logLine;
    Pointer        logLineData;
    stdLogLineFunc savedLogLine;
    Pointer        savedLogLineData;
    struct stdStringRec *pendingLogLine;
    Bool        memNotSharedAmongThreads;
} stdThreadRec, *stdThread;

/* The calling thread's context, created (zero-filled) on first use. */
stdThread stdGetThreadContext(void);

#ifdef __cplusplus
}
#endif

#endif
