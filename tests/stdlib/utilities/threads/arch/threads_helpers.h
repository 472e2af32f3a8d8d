/* Starting library threads from lambdas, looking at the list of contexts,
 * and waiting for conditions with a bound. */
#ifndef threads_helpers_INCLUDED
#define threads_helpers_INCLUDED

#include <chrono>
#include <functional>
#include <thread>

#include "stdThreads.h"

namespace threadstest {

/* A library thread running body; stack and priority as _stdThreadCreate takes them. */
stdThread start(std::function<void()> body, bool joinable = true, Int32 priority = 0, Int32 stackSize = 0);

/* Contexts in the library's list, and whether one is among them. */
size_t contextCount();
bool inContextList(stdThread thread);

/* Polls until done() holds, for at most the time; whether it came to hold. */
inline bool eventually(const std::function<bool()> &done,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

}  // namespace threadstest

#endif
