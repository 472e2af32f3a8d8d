/*
 * Start-up and exit of the thread library. The static object below sets the
 * library up before main; its destructor runs at process exit, after every
 * static object constructed later has been destroyed, and runs the process
 * clean-up handlers before it tears the library down.
 */
#include "stdLocal.h"
#include "stdThreadsLocal.h"

Bool threadsDoCleanupHandlersOnTermination = True;
Bool threadsDoCleanupOnTermination = True;

Bool stdThreadsInit(void)
{
    if (!threadsInitialised()) {
        threadsSetUp();
    }
    return True;
}

void destroyStdThreads(void)
{
    /* Cleared first: a handler that ends the process must not start them over. */
    if (threadsDoCleanupHandlersOnTermination) {
        threadsDoCleanupHandlersOnTermination = False;
        stdProcessCleanupHandlers();
    }
    if (threadsDoCleanupOnTermination) {
        threadsTearDown();
        /* Threads still running read it. */
        __atomic_store_n(&threadsDoCleanupOnTermination, False, __ATOMIC_RELAXED);
    }
}

void stdExit(Int status)
{
    stdEXIT(status);
}

namespace {

class InitTerm {
public:
    InitTerm() { stdThreadsInit(); }
    ~InitTerm() { destroyStdThreads(); }
};

InitTerm ___stdThreads_initialized___;

}  // namespace
