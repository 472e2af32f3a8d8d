// The barrier: nobody passes before the last of its round has arrived, over
// many rounds of the same barrier.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "threads_helpers.h"

namespace {

using testsupport::runChild;

// In a child with a time limit: a barrier that loses a release hangs its
// threads, and that must fail the test rather than stop the run.
TEST(Barriers, NoThreadPassesBeforeTheLastOfItsRoundOverManyRounds)
{
    auto run = runChild([] {
        constexpr int parties = 5, rounds = 500;
        stdBarrier barrier = stdBarrierCreate(parties);
        if (barrier == nullptr) return;
        std::vector<std::atomic<int>> arrived(rounds + 1);
        std::atomic<int> early{0}, overtaken{0};
        std::vector<stdThread> started;
        for (int i = 0; i < parties; i++) {
            started.push_back(threadstest::start([&] {
                for (int r = 0; r < rounds; r++) {
                    arrived[r]++;
                    stdBarrierWait(barrier);
                    if (arrived[r] != parties) early++;        // someone of this round is still missing
                    if (arrived[r + 1] > parties) overtaken++;  // the next round cannot hold more
                }
            }));
        }
        for (stdThread t : started) {
            stdThreadJoin(t);
        }
        printf("early %d overtaken %d last round %d\n", early.load(), overtaken.load(), arrived[rounds - 1].load());
        stdBarrierDelete(barrier);
    }, false, 30);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "early 0 overtaken 0 last round 5\n");
}

TEST(Barriers, OnePartyNeverWaitsAndTheFirstOfThreeWaitsForTheOtherTwo)
{
    stdBarrier single = stdBarrierCreate(1);
    for (int i = 0; i < 1000; i++) {
        stdBarrierWait(single);
    }
    stdBarrierDelete(single);

    stdBarrier three = stdBarrierCreate(3);
    std::atomic<int> passed{0};
    auto party = [&] {
        stdBarrierWait(three);
        passed++;
    };
    stdThread first = threadstest::start(party);
    usleep(20000);
    stdThread second = threadstest::start(party);
    usleep(20000);
    EXPECT_EQ(passed, 0) << "two of three have arrived";
    stdThread third = threadstest::start(party);
    for (stdThread t : {first, second, third}) {
        stdThreadJoin(t);
    }
    EXPECT_EQ(passed, 3);
    stdBarrierDelete(three);
}

// A party may delete the barrier as soon as its own wait returns, while the
// others of the round are still on their way out (the sanitizer builds see
// a barrier freed under them).
TEST(Barriers, APartyMayDeleteTheBarrierOnceItsOwnWaitReturns)
{
    for (int round = 0; round < 200; round++) {
        stdBarrier barrier = stdBarrierCreate(3);
        ASSERT_NE(barrier, nullptr);
        std::atomic<int> coming{0};
        auto party = [&] {
            coming++;
            stdBarrierWait(barrier);
        };
        stdThread others[] = {threadstest::start(party), threadstest::start(party)};
        if (round % 2 == 0) {   // this thread comes last, the others have long been waiting
            while (coming < 2) std::this_thread::yield();
            usleep(500);
        }
        stdBarrierWait(barrier);
        stdBarrierDelete(barrier);
        for (stdThread t : others) {
            stdThreadJoin(t);
        }
    }
}

}  // namespace
