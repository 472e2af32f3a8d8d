// Thread contexts: one per thread, made on first use, holding that thread's
// message settings, flags and memory space; destroyed with the thread; and
// what process exit and stdThreadsTerm do with them.

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "stdMessages.h"
#include "stdProcess.h"
#include "systemAllocator.h"
#include "threads_helpers.h"

namespace {

using testsupport::runChild;
using threadstest::contextCount;
using threadstest::eventually;
using threadstest::inContextList;

bool layerPartIsZero(stdThread context)
{
    static const unsigned char zeros[offsetof(stdThreadRec, startFunction)] = {};
    return memcmp((const void *)context, zeros, sizeof zeros) == 0;
}

// A thread the library did not make gets one zero-filled context on first
// use; detaching frees it and the next use makes a fresh one; the key
// destructor frees the last when the thread ends.
TEST(Contexts, AThreadOfItsOwnGetsOneContextAtATime)
{
    testsupport::CountingAllocator::install();
    stdThread mainContext = stdGetThreadContext();
    long before = testsupport::CountingAllocator::outstanding();
    stdThread first = nullptr, second = nullptr;
    bool zero = false, stable = false, listed = false, detached = false, fresh = false;
    std::thread other([&] {
        first = stdGetThreadContext();
        zero = layerPartIsZero(first) && first->startFunction == nullptr;
        stable = stdGetThreadContext() == first && stdThreadSelf() == first;
        listed = inContextList(first);
        msgSetToolName("dropped");
        stdThreadDetach();
        detached = !inContextList(first) && testsupport::CountingAllocator::outstanding() == before;
        second = stdGetThreadContext();
        fresh = msgGetToolName() == nullptr && inContextList(second);
    });
    other.join();
    EXPECT_NE(first, mainContext);
    EXPECT_TRUE(zero && stable && listed);
    EXPECT_TRUE(detached);
    EXPECT_TRUE(fresh);
    EXPECT_FALSE(inContextList(second));
    EXPECT_TRUE(inContextList(mainContext));
    EXPECT_EQ(testsupport::CountingAllocator::outstanding(), before);
    testsupport::CountingAllocator::uninstall();
}

// Lines that reach a thread's log-line callback, per thread.
thread_local std::vector<std::string> *linesOfThisThread;
void collectLine(String line) { linesOfThisThread->push_back(line); }

msgMessageRec warningRec = {msgWarning, False, False, "w %s"};

TEST(Contexts, SettingsFlagsToolNameAndMemorySpaceBelongToOneThread)
{
    struct Seen {
        std::vector<std::string> lines;
        bool warning = false, error = false;
        stdMemSpace space = nullptr;
    } a, b;
    stdThread mainContext = stdGetThreadContext();
    Bool mainError = mainContext->errorFlag, mainWarning = mainContext->warningFlag;
    cString mainTool = msgGetToolName();
    std::latch bothSet(2), bothReported(2);

    // Both report the same warning; only A turns warnings into errors.
    auto body = [&](Seen &seen, cString tool, bool warnAsError, msgMessage message, uintptr_t space) {
        linesOfThisThread = &seen.lines;
        stdSetLogLine(collectLine);
        msgSetToolName(tool);
        msgSetWarnAsError((Bool)warnAsError);
        stdSwapMemSpace((stdMemSpace)space);   // a mark only: nothing is allocated while it is current
        bothSet.arrive_and_wait();              // both threads' settings are in place
        seen.space = stdSwapMemSpace(memspNativeMemSpace);
        msgReport(message, tool);
        stdSYSLOG("pending without newline");  // released with the context
        bothReported.arrive_and_wait();
        seen.warning = stdGetThreadContext()->warningFlag;
        seen.error = stdGetThreadContext()->errorFlag;
    };
    size_t contextsBefore = contextCount();
    stdThread ta = threadstest::start([&] { body(a, "toolA", true, &warningRec, 0x1000); });
    stdThread tb = threadstest::start([&] { body(b, "toolB", false, &warningRec, 0x2000); });
    ASSERT_TRUE(ta && tb);
    stdThreadJoin(ta);
    stdThreadJoin(tb);
    EXPECT_EQ(contextCount(), contextsBefore);

    EXPECT_EQ(a.lines, std::vector<std::string>{"toolA error   : w toolA"});
    EXPECT_EQ(b.lines, std::vector<std::string>{"toolB warning : w toolB"});
    EXPECT_TRUE(a.error && a.warning);
    EXPECT_TRUE(b.warning);
    EXPECT_FALSE(b.error) << "the other thread's error is not this one's";
    EXPECT_EQ(a.space, (stdMemSpace)0x1000);
    EXPECT_EQ(b.space, (stdMemSpace)0x2000);
    EXPECT_EQ(mainContext->errorFlag, mainError);
    EXPECT_EQ(mainContext->warningFlag, mainWarning);
    EXPECT_EQ(msgGetToolName(), mainTool);
    EXPECT_EQ(stdGetThreadContext()->currentMemspace, memspNativeMemSpace);
}

TEST(Contexts, AContextThatCannotBeAllocatedIsReportedWithoutAllocating)
{
    auto run = runChild([] {
        msgSetToolName("tool");   // the main thread's own; the new thread has none
        testsupport::CountingAllocator::install();
        testsupport::CountingAllocator::failFromNow();
        std::thread other([] { msgSetToolName("never"); });
        other.join();
        printf("went on\n");
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.out, "");
}

// ---------------------------------------------------------------------------
// Process exit and the two ways of tearing the library down.

void announce(Pointer text)
{
    printf("%s %d\n", (cString)text, threadsDoCleanupOnTermination);
}

TEST(Shutdown, DestroyStdThreadsRunsTheHandlersOnceAndClearsBothFlags)
{
    auto run = runChild([] {
        stdSetCleanupHandler(announce, (Pointer) "handler");
        destroyStdThreads();
        printf("flags %d %d\n", threadsDoCleanupHandlersOnTermination, threadsDoCleanupOnTermination);
        msgSetToolName("again");    // the library serves again after being torn down
        printf("%s\n", msgGetToolName());
        exit(0);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "handler 1\nflags 0 0\nagain\n");
}

msgMessageRec fatalRec = {msgFatal, False, False, "%s"};

// The lock a fatal report is made under stays in place while the process ends.
TEST(Shutdown, AFatalReportInsideTheGlobalLockStillEndsCleanly)
{
    auto run = runChild([] {
        stdSetCleanupHandler(announce, (Pointer) "handler");
        stdGlobalEnter();
        msgReport(&fatalRec, "inside");
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "handler 1\n");
    EXPECT_EQ(run.err, "fatal   : inside\n");
}

// At exit another thread may still be using its context and the global lock:
// neither may be freed under it (the sanitizer builds see it when they are).
TEST(Shutdown, ExitLeavesWhatRunningThreadsStillUse)
{
    auto run = runChild([] {
        std::atomic<bool> running{false};
        threadstest::start([&] {
            for (uInt64 i = 0;; i++) {
                stdGlobalEnter();
                msgSetToolName((i & 1) ? "odd" : "even");
                stdGetThreadContext()->warningFlag = (Bool)(i & 1);
                stdGlobalExit();
                running = true;
            }
        }, false);
        while (!running) {
            std::this_thread::yield();
        }
        exit(7);
    }, false, 20);   // an exit that hangs on what it took away fails the test
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(run.err, "");
}

TEST(Shutdown, TermWaitsForEveryThreadAndTheLibraryStartsAfreshAfterwards)
{
    auto run = runChild([] {
        constexpr int threads = 4;
        std::atomic<int> ended{0};
        for (int i = 0; i < threads; i++) {
            threadstest::start([&, i] {
                stdThreadSleep((uInt64)(i + 1) * 15000000);
                ended++;
            }, false);
        }
        stdThreadsTerm();
        printf("ended %d of %d\n", ended.load(), threads);
        stdThread fresh = stdGetThreadContext();
        printf("contexts %zu, fresh %d\n", contextCount(), inContextList(fresh));
        exit(0);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "ended 4 of 4\ncontexts 1, fresh 1\n");
}

}  // namespace
