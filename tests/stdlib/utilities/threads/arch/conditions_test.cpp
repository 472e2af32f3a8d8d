// Conditions: broadcasts wake every waiter, timed waits time out, time-outs
// racing broadcasts leave no stray wake-up behind, a resume is not a
// broadcast, and misuse is an assertion.

#include <gtest/gtest.h>

#include <errno.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "childProcess.h"
#include "threads_helpers.h"

namespace {

using testsupport::runChild;
using threadstest::eventually;

int pendingWakeUps(stdThread thread)
{
    int value = -1;
    sem_getvalue(&thread->condSemaphore, &value);
    return value;
}

// How many threads wait on the condition.
int waiterCount(stdCond condition)
{
    stdCondEnter(condition);
    int count = 0;
    for (stdCondWaiter w = condition->waiters; w != nullptr; w = w->next) {
        count++;
    }
    stdCondExit(condition);
    return count;
}

// The broadcaster waits until all waiters wait, then opens the next
// generation: a waiter that returns must find exactly the generation it
// waited for, every round, or a wake-up was lost or came early.
TEST(Conditions, EveryBroadcastWakesEveryWaiterOnce)
{
    constexpr int waiters = 6, rounds = 300;
    stdCond condition = stdCondCreate();
    ASSERT_NE(condition, nullptr);
    int generation = 0;
    std::atomic<int> wrongGeneration{0}, leftovers{0};
    std::vector<stdThread> started;
    for (int i = 0; i < waiters; i++) {
        started.push_back(threadstest::start([&] {
            for (int r = 0; r < rounds; r++) {
                stdCondEnter(condition);
                if (generation != r) wrongGeneration++;
                stdCondWait(condition);
                stdCondEnter(condition);
                if (generation != r + 1) wrongGeneration++;
                stdCondExit(condition);
            }
            leftovers += pendingWakeUps(stdThreadSelf());
        }));
    }
    for (int r = 0; r < rounds; r++) {
        ASSERT_TRUE(eventually([&] { return waiterCount(condition) == waiters; }));
        stdCondEnter(condition);
        generation++;
        stdCondBroadcast(condition);
    }
    for (stdThread t : started) {
        stdThreadJoin(t);
    }
    EXPECT_EQ(wrongGeneration, 0);
    EXPECT_EQ(leftovers, 0);
    stdCondDelete(condition);
}

TEST(Conditions, ATimedWaitWithoutBroadcastTimesOutAfterTheTime)
{
    stdCond condition = stdCondCreate();
    for (uInt64 nanoseconds : {0ull, 1000000ull, 10000000ull, 30000000ull}) {
        EXPECT_EQ(stdCondEnter(condition), 1);
        uInt64 start = stdTimeNow();
        EXPECT_EQ(stdCondTimedWait(condition, nanoseconds), ETIMEDOUT);
        EXPECT_GE(stdTimeNow() - start + 1000, nanoseconds);
        EXPECT_EQ(condition->waiters, nullptr);
        EXPECT_EQ(condition->owner, nullptr);
        EXPECT_EQ(condition->count, 0);
    }
    EXPECT_EQ(pendingWakeUps(stdThreadSelf()), 0);
    stdCondDelete(condition);
}

// Waiters with short random time-outs against a broadcaster at random
// moments. Whether a wait ends by the time or by a broadcast, it must leave
// no post behind: the final untimed wait of each waiter must block until the
// final broadcast.
TEST(Conditions, TimeOutsRacingBroadcastsLeaveNoStrayWakeUp)
{
    constexpr int waiters = 4, rounds = 400;
    stdCond condition = stdCondCreate();
    std::atomic<int> timedDone{0}, returnedEarly{0}, badResults{0};
    std::atomic<bool> finalPhase{false}, finalBroadcast{false};
    std::vector<stdThread> started;
    for (int i = 0; i < waiters; i++) {
        started.push_back(threadstest::start([&, i] {
            std::minstd_rand random(i + 1);
            for (int r = 0; r < rounds; r++) {
                stdCondEnter(condition);
                Int result = stdCondTimedWait(condition, random() % 200000);
                if (result != 0 && result != ETIMEDOUT) badResults++;
            }
            timedDone++;
            while (!finalPhase) usleep(100);
            stdCondEnter(condition);
            stdCondWait(condition);
            if (!finalBroadcast) returnedEarly++;
        }));
    }
    std::minstd_rand random(99);
    while (timedDone < waiters) {
        stdCondEnter(condition);
        stdCondBroadcast(condition);
        usleep(random() % 150);
    }
    finalPhase = true;
    ASSERT_TRUE(eventually([&] { return waiterCount(condition) == waiters; }));
    usleep(20000);
    stdCondEnter(condition);
    finalBroadcast = true;
    stdCondBroadcast(condition);
    for (stdThread t : started) {
        stdThreadJoin(t);
    }
    EXPECT_EQ(badResults, 0);
    EXPECT_EQ(returnedEarly, 0);
    stdCondDelete(condition);
}

TEST(Conditions, AResumeDoesNotEndAWaitAndIsKeptForTheNextSuspend)
{
    stdCond condition = stdCondCreate();
    std::atomic<bool> broadcast{false}, returned{false};
    std::atomic<Int> suspendResult{-1};
    stdThread waiter = threadstest::start([&] {
        stdCondEnter(condition);
        stdCondWait(condition);
        returned = true;
        if (broadcast) {
            suspendResult = stdThreadSuspend();   // returns at once: the resume is remembered
        }
    });
    ASSERT_TRUE(eventually([&] { return waiterCount(condition) == 1; }));
    stdThreadResume(waiter);
    usleep(30000);
    ASSERT_FALSE(returned) << "a resume ended the wait";
    stdCondEnter(condition);
    broadcast = true;
    stdCondBroadcast(condition);
    stdThreadJoin(waiter);
    EXPECT_EQ(suspendResult, 0);
    stdCondDelete(condition);
}

TEST(Conditions, HoldsAreCountedAndABroadcastLeavesOnce)
{
    stdCond condition = stdCondCreate();
    EXPECT_EQ(stdCondEnter(condition), 1);
    EXPECT_EQ(stdCondEnter(condition), 2);
    EXPECT_EQ(condition->owner, stdThreadSelf());
    stdCondBroadcast(condition);
    EXPECT_EQ(condition->count, 1);
    EXPECT_EQ(condition->owner, stdThreadSelf());
    stdCondExit(condition);
    EXPECT_EQ(condition->owner, nullptr);
    stdCondDelete(condition);
}

// Misuse of the library, each in a child: the assertion's text ends the run.
TEST(Misuse, IsAnAssertion)
{
    const struct { const char *text; void (*misuse)(); } cases[] = {
        {"stdCondWait: held recursively",
         [] { stdCond c = stdCondCreate(); stdCondEnter(c), stdCondEnter(c), stdCondWait(c); }},
        {"stdCondTimedWait: held recursively",
         [] { stdCond c = stdCondCreate(); stdCondEnter(c), stdCondEnter(c), stdCondTimedWait(c, 1); }},
        {"stdCondWait: not owner", [] { stdCondWait(stdCondCreate()); }},
        {"stdCondTimedWait: not owner", [] { stdCondTimedWait(stdCondCreate(), 1); }},
        {"stdCondExit: not owner", [] { stdCondExit(stdCondCreate()); }},
        {"stdCondBroadcast: not owner", [] { stdCondBroadcast(stdCondCreate()); }},
        {"Joining non-joinable thread", [] { stdThreadJoin(threadstest::start([] { pause(); }, false)); }},
        {"Barrier of 0 threads", [] { stdBarrierCreate(0); }},
    };
    for (auto c : cases) {
        auto run = runChild(c.misuse);
        EXPECT_EQ(run.exitCode, 1) << c.text;
        EXPECT_NE(run.err.find(std::string(": ") + c.text + "\n"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.rfind("Assertion failure at stdThreadsPOSIX", 0), 0u) << run.err;
    }
}

}  // namespace
