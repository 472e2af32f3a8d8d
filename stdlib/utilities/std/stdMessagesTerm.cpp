/*
 * Terminators: every ending of a run that the support layer decides on goes
 * through stdABORT or stdEXIT, so that a tool (or a test) can take them over.
 */
#include <stdlib.h>

#include "stdMessages.h"
#include "stdProcess.h"

static stdExitFunc exitHandler = exit;

static void defaultAbortHandler(void)
{
    if (procTrapOnError) {
        abort();
    }
    exitHandler(1);
    exit(1);
}

static stdAbortFunc abortHandler = defaultAbortHandler;

void stdABORT(void)
{
    abortHandler();
    abort();
}

void stdEXIT(Int status)
{
    Int lowBits = status & 0xFF;
    exitHandler(lowBits);
    exit(lowBits);
}

void stdSetTerminators(stdAbortFunc newAbortHandler, stdExitFunc newExitHandler)
{
    if (newAbortHandler != NULL) {
        abortHandler = newAbortHandler;
    }
    if (newExitHandler != NULL) {
        exitHandler = newExitHandler;
    }
}

void stdGetTerminators(stdAbortFunc *currentAbortHandler, stdExitFunc *currentExitHandler)
{
    if (currentAbortHandler != NULL) {
        *currentAbortHandler = abortHandler;
    }
    if (currentExitHandler != NULL) {
        *currentExitHandler = exitHandler;
    }
}
