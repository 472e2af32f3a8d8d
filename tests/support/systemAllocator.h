/* Watching, or failing, the system allocator through which the support
 * layer allocates thread contexts and clean-up handler records. Blocks of
 * the usual allocator and of this one are interchangeable (both malloc). */
#ifndef systemAllocator_INCLUDED
#define systemAllocator_INCLUDED

#include <stdlib.h>

#include <atomic>

#include "stdLocal.h"

namespace testsupport {

class CountingAllocator {
public:
    static void install()
    {
        failing() = false;
        stdSystemAllocator = {allocate, release};
    }
    static void uninstall() { stdSystemAllocator = {plainAllocate, free}; }
    /* Blocks handed out minus blocks released, counted from the start of the process. */
    static long outstanding() { return balance().load(); }
    /* From now on every allocation fails. */
    static void failFromNow() { failing() = true; }

private:
    static std::atomic<long> &balance() { static std::atomic<long> n{0}; return n; }
    static std::atomic<bool> &failing() { static std::atomic<bool> f{false}; return f; }
    static Pointer plainAllocate(size_t size) { return malloc(size); }
    static Pointer allocate(size_t size)
    {
        if (failing()) {
            return nullptr;
        }
        balance()++;
        return malloc(size);
    }
    static void release(Pointer block)
    {
        balance()--;
        free(block);
    }
};

}  // namespace testsupport

#endif
