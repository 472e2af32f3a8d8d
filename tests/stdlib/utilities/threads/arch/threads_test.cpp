// Threads made by the library: join and detach, stacks, priorities (as root
// in CI, so real-time; every real-time thread here only reads its settings
// and ends), sleeping, suspend and resume, signals and the clock.

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <linux/capability.h>
#include <random>
#include <vector>

#include "childProcess.h"
#include "privileges.h"
#include "systemAllocator.h"
#include "threads_helpers.h"

namespace {

using testsupport::CountingAllocator;
using testsupport::runChild;
using threadstest::contextCount;
using threadstest::eventually;

class Threads : public ::testing::Test {
protected:
    void SetUp() override { CountingAllocator::install(); }
    void TearDown() override { CountingAllocator::uninstall(); }
};

TEST_F(Threads, JoinedAndDetachedThreadsRunTheirBodiesAndFreeTheirContexts)
{
    constexpr int count = 8;
    long before = CountingAllocator::outstanding();
    size_t contextsBefore = contextCount();
    std::atomic<int> ran[count] = {};
    sem_t detachedDone;
    sem_init(&detachedDone, 0, 0);
    std::vector<stdThread> joinable;
    for (int i = 0; i < count; i++) {
        bool join = i % 2 == 0;
        stdThread t = threadstest::start([&, i, join] {
            ran[i] += 1 + (stdGetThreadContext()->joinable == (Bool)join);
            if (!join) {
                sem_post(&detachedDone);
            }
        }, join);
        ASSERT_NE(t, nullptr);
        if (join) {
            joinable.push_back(t);
        }
    }
    for (stdThread t : joinable) {
        stdThreadJoin(t);
    }
    for (int i = 0; i < count / 2; i++) {
        sem_wait(&detachedDone);
    }
    sem_destroy(&detachedDone);
    for (int i = 0; i < count; i++) {
        EXPECT_EQ(ran[i], 2) << i;
    }
    // Detached threads free their contexts in their key destructors, just after their bodies.
    EXPECT_TRUE(eventually([&] { return CountingAllocator::outstanding() == before; }));
    EXPECT_EQ(contextCount(), contextsBefore);
}

TEST_F(Threads, TheStackHasAtLeastTheMinimum)
{
    const Int32 asked[] = {0, -5, 1000, 99999, 100000, 1 << 20};
    for (Int32 size : asked) {
        size_t got = 0;
        stdThread t = threadstest::start([&] {
            pthread_attr_t attributes;
            pthread_getattr_np(pthread_self(), &attributes);
            pthread_attr_getstacksize(&attributes, &got);
            pthread_attr_destroy(&attributes);
        }, true, 0, size);
        ASSERT_NE(t, nullptr);
        stdThreadJoin(t);
        // The thread's descriptor and static TLS are carved out of the stack asked for.
        EXPECT_GE(got + 16384, (size_t)std::max(size, 100000)) << size;
        EXPECT_GT(got, (size_t)60000) << size;
    }
}

TEST_F(Threads, AThreadThatCannotBeMadeFreesItsContext)
{
    auto run = runChild([] {
        if (!testsupport::forbidNewProcesses()) {
            printf("cannot forbid\n");
            return;
        }
        for (Bool joinable : {False, True}) {
            long before = CountingAllocator::outstanding();
            size_t contexts = contextCount();
            stdThread t = threadstest::start([] {}, joinable);
            printf("%s %ld %zu\n", t == nullptr ? "null" : "made", CountingAllocator::outstanding() - before,
                   contextCount() - contexts);
        }
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "null 0 0\nnull 0 0\n");
}

// The policy and priority a thread made with the priority gets.
std::pair<int, int> scheduling(Int32 priority)
{
    int policy = -1;
    struct sched_param parameters = {};
    stdThread t = threadstest::start([&] { pthread_getschedparam(pthread_self(), &policy, &parameters); },
                                     true, priority);
    if (t == nullptr) {
        return {-1, -1};
    }
    stdThreadJoin(t);
    return {policy, parameters.sched_priority};
}

TEST_F(Threads, PrioritiesAsRootAreRealTimeLevelsCountedFromEitherEnd)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "real-time priorities are for root";
    }
    const int low = sched_get_priority_min(SCHED_RR), high = sched_get_priority_max(SCHED_RR);
    EXPECT_EQ(stdNrofThreadPriorities(), high - low + 1);
    const struct { Int32 priority; int expected; } cases[] = {
        {0, low}, {1, low + 1}, {-1, high}, {-2, high - 1}, {5000, high}, {-5000, low},
        {INT32_MAX, high}, {INT32_MIN, low},
    };
    for (auto c : cases) {
        auto [policy, level] = scheduling(c.priority);
        if (policy != SCHED_RR) {
            GTEST_SKIP() << "this machine refuses real-time scheduling even to root";
        }
        EXPECT_EQ(level, c.expected) << c.priority;
    }
}

TEST_F(Threads, PrioritiesMeanNothingToOtherUsersAndRootWithoutTheRightFallsBack)
{
    for (bool asRootWithoutRight : {false, true}) {
        if (asRootWithoutRight && geteuid() != 0) {
            continue;
        }
        auto run = runChild([&] {
            struct rlimit noRealTime = {0, 0};
            bool ready = asRootWithoutRight
                             ? geteuid() == 0 && setrlimit(RLIMIT_RTPRIO, &noRealTime) == 0 &&
                                   testsupport::dropCapability(CAP_SYS_NICE)
                             : geteuid() != 0 || seteuid(65534) == 0;
            auto [policy, level] = scheduling(-1);
            printf("%d %d %d\n", ready, policy == SCHED_OTHER, level);
        });
        EXPECT_EQ(run.out, "1 1 0\n") << (asRootWithoutRight ? "root without CAP_SYS_NICE" : "nobody");
    }
}

// ---------------------------------------------------------------------------

using Waiting = Threads;

std::atomic<pthread_t> signalledThread;

// A thread sleeps for each time, then suspends, while signals keep
// interrupting it: each sleep lasts its time, the suspend lasts until the
// resume, and the signals reach that thread.
TEST_F(Waiting, SleepsAndSuspendsOutlastSignals)
{
    struct sigaction note = {}, old;
    note.sa_handler = [](int) { signalledThread = pthread_self(); };
    sigaction(SIGUSR1, &note, &old);
    const uInt64 durations[] = {0, 1000, 100000, 1000000, 5000000, 20000000};
    std::vector<uInt64> elapsed;
    std::atomic<int> phase{0};   // 1 sleeping, 2 suspended, 3 resumed
    std::atomic<bool> returnedEarly{false};
    std::atomic<pthread_t> self{0};
    stdThread t = threadstest::start([&] {
        self = pthread_self();
        phase = 1;
        for (uInt64 nanoseconds : durations) {
            uInt64 start = stdTimeNow();
            stdThreadSleep(nanoseconds);
            elapsed.push_back(stdTimeNow() - start);
        }
        phase = 2;
        stdThreadSuspend();
        returnedEarly = phase != 3;
    });
    ASSERT_NE(t, nullptr);
    while (phase != 2) {
        if (phase == 1) stdThreadKill(t, SIGUSR1);
        usleep(300);
    }
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(stdThreadKill(t, SIGUSR1), 0);
        usleep(1000);
    }
    EXPECT_EQ(signalledThread.load(), self.load());
    phase = 3;
    stdThreadResume(t);
    stdThreadJoin(t);
    EXPECT_FALSE(returnedEarly);
    for (size_t i = 0; i < elapsed.size(); i++) {
        EXPECT_GE(elapsed[i] + 1000, durations[i]) << "the clock counts in microseconds";
    }
    sigaction(SIGUSR1, &old, nullptr);

    struct timeval before, after;
    gettimeofday(&before, nullptr);
    uInt64 now = stdTimeNow();
    gettimeofday(&after, nullptr);
    EXPECT_GE(now, (uInt64)before.tv_sec * 1000000000u + (uInt64)before.tv_usec * 1000u);
    EXPECT_LE(now, (uInt64)after.tv_sec * 1000000000u + (uInt64)after.tv_usec * 1000u);
}

// Two threads hand a token back and forth by resuming each other: every
// suspend returns for exactly one resume, and no resume is left over.
TEST_F(Waiting, SuspendAndResumeHandOverExactlyOnceEachRound)
{
    stdThreadResume(stdThreadSelf());   // a resume before the suspend is remembered
    EXPECT_EQ(stdThreadSuspend(), 0);

    constexpr int rounds = 2000;
    std::atomic<stdThread> ping{nullptr}, pong{nullptr};
    std::atomic<int> token{0};
    int seen[2] = {0, 0}, leftover[2] = {-1, -1};
    auto player = [&](int me) {
        (me == 0 ? ping : pong) = stdThreadSelf();
        while (ping == nullptr || pong == nullptr) std::this_thread::yield();
        for (int i = 0; i < rounds; i++) {
            if (me == 1) stdThreadSuspend();
            if (token.load() == 2 * i + me) seen[me]++;
            token++;
            stdThreadResume(me == 0 ? pong : ping);
            if (me == 0) stdThreadSuspend();
        }
        sem_getvalue(&stdThreadSelf()->wakeSemaphore, &leftover[me]);
    };
    stdThread a = threadstest::start([&] { player(0); });
    stdThread b = threadstest::start([&] { player(1); });
    stdThreadJoin(a);
    stdThreadJoin(b);
    EXPECT_EQ(seen[0], rounds);
    EXPECT_EQ(seen[1], rounds);
    EXPECT_EQ(leftover[0], 0);
    EXPECT_EQ(leftover[1], 0);
}

}  // namespace
