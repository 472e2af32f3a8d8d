/*
 * Running out of memory anywhere in the process (the C++ run-time library,
 * the containers of the libraries, LLVM), before main as after it, ends the
 * run with the fatal "Memory allocation failure" and status 1, never with an
 * exception that nobody catches.
 */
#include <new>
#include "extract.h"
#include "stdMemSpace.h"

static void outOfMemory()
{
    stdOutOfMemory();
}

/* Priority 101 runs before every static object of the program is made (the
 * target registry's, LLVM's), so none of those allocates without it. */
__attribute__((constructor(101))) static void reportFailedAllocations()
{
    std::set_new_handler(outOfMemory);
}
