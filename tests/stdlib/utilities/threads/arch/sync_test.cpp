// Semaphores, mutexes and the global lock under contention, N threads by M
// rounds, with invariants that a lost or invented count would break.

#include <gtest/gtest.h>

#include <limits.h>
#include <semaphore.h>

#include <atomic>
#include <functional>
#include <vector>

#include "threads_helpers.h"

namespace {

constexpr int threads = 4;

// Runs body(i) on `threads` library threads and waits for all of them.
void onThreads(const std::function<void(int)> &body)
{
    std::vector<stdThread> started;
    for (int i = 0; i < threads; i++) {
        started.push_back(threadstest::start([&body, i] { body(i); }));
        ASSERT_NE(started.back(), nullptr);
    }
    for (stdThread t : started) {
        stdThreadJoin(t);
    }
}

TEST(Semaphores, NoPostIsLostOrInvented)
{
    constexpr int rounds = 5000;
    stdSem items = stdSemCreate(0);
    ASSERT_NE(items, nullptr);
    std::atomic<long> taken{0};
    // Half the threads post, half take, with tries mixed into the takes.
    onThreads([&](int i) {
        for (int r = 0; r < rounds; r++) {
            if (i % 2 == 0) {
                stdSemV(items);
            } else if (!(r % 3 == 0 && stdSemTryP(items))) {
                EXPECT_EQ(stdSemP(items), 0);
            }
            if (i % 2 == 1) {
                taken++;
            }
        }
    });
    EXPECT_EQ(taken, (long)(threads / 2) * rounds);
    EXPECT_FALSE(stdSemTryP(items)) << "every post was taken exactly once";
    stdSemDelete(items);
}

TEST(Semaphores, InitialCountsAndRefusedOnes)
{
    stdSemRec own;
    ASSERT_TRUE(stdSemInit(&own, 3));
    int tries = 0;
    while (stdSemTryP(&own)) {
        tries++;
    }
    EXPECT_EQ(tries, 3);
    stdSemV(&own);
    EXPECT_EQ(stdSemP(&own), 0);
    stdSemTerm(&own);
    EXPECT_EQ(stdSemCreate((uInt32)SEM_VALUE_MAX + 1u), nullptr) << "beyond the system's largest count";
}

// Each round enters twice (the mutex is recursive), checks that nobody else
// is inside, and adds one: the total is exact only under mutual exclusion.
void exclusionHolds(const std::function<void()> &enter, const std::function<void()> &exit)
{
    constexpr int rounds = 20000;
    long counter = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    onThreads([&](int) {
        for (int r = 0; r < rounds; r++) {
            enter();
            enter();
            if (inside.fetch_add(1) != 0) {
                overlaps++;
            }
            counter++;
            inside--;
            exit();
            exit();
        }
    });
    EXPECT_EQ(counter, (long)threads * rounds);
    EXPECT_EQ(overlaps, 0);
}

TEST(Mutexes, CreatedEmbeddedAndGlobalLocksExcludeEachOther)
{
    stdMutex created = stdMutexCreate();
    ASSERT_NE(created, nullptr);
    exclusionHolds([&] { stdMutexEnter(created); }, [&] { stdMutexExit(created); });
    stdMutexDelete(created);

    stdMutexRec embedded;
    ASSERT_TRUE(stdMutexInit(&embedded));
    exclusionHolds([&] { stdMutexEnter(&embedded); }, [&] { stdMutexExit(&embedded); });
    stdMutexTerm(&embedded);

    exclusionHolds(stdGlobalEnter, stdGlobalExit);
}

}  // namespace
