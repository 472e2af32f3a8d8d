#include "threads_helpers.h"

#include "stdThreadsLocal.h"

namespace threadstest {

static void runBody(Pointer data)
{
    auto *body = static_cast<std::function<void()> *>(data);
    (*body)();
    delete body;
}

stdThread start(std::function<void()> body, bool joinable, Int32 priority, Int32 stackSize)
{
    auto *copy = new std::function<void()>(std::move(body));
    stdThread thread = _stdThreadCreate(runBody, copy, priority, stackSize, joinable);
    if (thread == nullptr) {
        delete copy;
    }
    return thread;
}

template <typename Visit>
static void eachContext(Visit visit)
{
    stdGlobalEnter();
    for (stdThread t = sentStart.next; t != &sentEnd; t = t->next) {
        visit(t);
    }
    stdGlobalExit();
}

size_t contextCount()
{
    size_t count = 0;
    eachContext([&](stdThread) { count++; });
    return count;
}

bool inContextList(stdThread thread)
{
    bool found = false;
    eachContext([&](stdThread t) { found = found || t == thread; });
    return found;
}

}  // namespace threadstest
