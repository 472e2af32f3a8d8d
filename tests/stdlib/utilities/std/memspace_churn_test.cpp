/*
 * Memory spaces under thread churn: what an ended thread leaves behind (its
 * map, its queued removals) must go with it, its blocks must stay freeable
 * by the threads after it, and an exit while threads still allocate and
 * free must end cleanly.
 */
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "stdMemSpace.h"
#include "stdThreads.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
/* The sanitizers' allocators count what is in use (mallinfo2 sees nothing). */
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#define CHURN_SANITIZED 1
#endif

namespace {

/* Bytes of the process heap in use. */
size_t heapInUse()
{
#ifdef CHURN_SANITIZED
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

/* How a churning thread is made and ends: a thread of the library that is
 * joined (its context goes in the key destructor), a thread of its own that
 * is joined (adopted context, key destructor), or one that drops its
 * context itself (stdThreadDetach) before it is joined. */
enum Ending { libraryJoined, adoptedJoined, detachesItself, endings };

struct Turn {
    stdMemSpace shared;
    Pointer     handed[2];   /* blocks of the shared space the previous thread left */
    bool        notShared;
    Ending      ending;
};

/* One thread's life: a space of its own, used and deleted; blocks of the
 * shared space made by the thread before it freed (a small one in a page
 * that thread registered, a large one with a page of its own), new ones
 * left for the next. */
void churnOnce(Pointer data)
{
    Turn *turn = (Turn *)data;
    stdMemspSetMemNotSharedAmongThreads(turn->notShared);
    stdMemSpace own = memspCreate("own", nullptr, 0x2000);
    std::vector<Pointer> blocks;
    for (size_t size : { 24, 200, 3000, 9000, 40000 }) blocks.push_back(memspMalloc(own, size));
    for (Pointer block : blocks) memspFree(block);
    memspDelete(own, False);
    for (Pointer &block : turn->handed) {
        if (block != nullptr) memspFree(block);
    }
    turn->handed[0] = memspMalloc(turn->shared, 48);
    turn->handed[1] = memspMalloc(turn->shared, 0x12000);
    if (turn->ending == detachesItself) stdThreadDetach();
}

void runTurn(Turn &turn)
{
    if (turn.ending == libraryJoined) {
        stdThread thread = _stdThreadCreate(churnOnce, &turn, 0, 0, True);
        ASSERT_NE(thread, nullptr);
        stdThreadJoin(thread);
    } else {
        std::thread([&turn] { churnOnce(&turn); }).join();
    }
}

TEST(ThreadChurn, EndedThreadsLeaveNothingBehind)
{
    /* Every way of ending, with and without the not-shared flag, in turn;
     * the heap in use after 2,000 threads and after 10,000 must agree. */
    stdMemSpace shared = memspCreate("shared", nullptr, 0);
    Turn turn = { shared, { nullptr, nullptr }, false, libraryJoined };
    size_t after2000 = 0;
    for (int i = 1; i <= 10000; i++) {
        turn.notShared = i % 2 == 0;
        turn.ending = (Ending)((i / 2) % endings);
        runTurn(turn);
        if (i == 2000) after2000 = heapInUse();
    }
    size_t after10000 = heapInUse();
    printf("heap in use after 2,000 threads: %zu bytes, after 10,000: %zu bytes\n", after2000, after10000);
    /* A thread's map alone is hundreds of bytes; AddressSanitizer's own
     * bookkeeping of ended threads keeps a few bytes each. */
#ifdef CHURN_SANITIZED
    const size_t slack = 16384 + 8 * 8000;
#else
    const size_t slack = 16384;
#endif
    EXPECT_LE(after10000, after2000 + slack) << "8,000 more threads kept "
                                             << (long long)(after10000 - after2000) << " bytes";
    /* The last thread's blocks are still the shared space's. */
    EXPECT_EQ(memspGetSpace(turn.handed[0]), shared);
    EXPECT_EQ(memspGetSpace(turn.handed[1]), shared);
    memspDelete(shared, False);
}

TEST(SpaceMemory, ADeletionGivesBackAllButOnePieceAtMost)
{
    /* A deletion may keep one piece of page memory (256 KiB at most) for the
     * next page; everything else, descriptors and maps included, goes back
     * to the process heap, round after round, whatever the space's shape
     * and whether a child hands its pages to its parent first. */
    struct Shape {
        uInt32 pageSize;
        size_t smallest, largest;
        int    blocks;
    };
    const Shape shapes[] = {
        {0, 16, 256, 5000},         // small pages of many sizes
        {0x400, 16, 900, 2000},     // tiny pages
        {0, 5000, 70000, 200},      // large pages, some beyond the page size
        {0x40000, 16, 64, 2000},    // pages beyond what may be kept
        {0, 300000, 600000, 10},    // large pages beyond it too
    };
    std::mt19937 rng(5);
    auto cycle = [&](const Shape &s, bool toParent) {
        stdMemSpace parent = memspCreate("parent", nullptr, s.pageSize);
        stdMemSpace space = memspCreate("cycle", parent, 0);
        for (int i = 0; i < s.blocks; i++) memspMalloc(i % 2 ? space : parent, s.smallest + rng() % (s.largest - s.smallest + 1));
        memspDelete(space, toParent);
        memspDelete(parent, False);
    };
    /* The reserve behind page creation stays too, as large as the largest
     * page lately made: one pass first, so that the base holds it. */
    for (const Shape &s : shapes) cycle(s, false);
    const long long base = (long long)heapInUse();
    for (int round = 0; round < 20; round++) {
        for (const Shape &s : shapes) {
            cycle(s, round % 2);
            long long kept = (long long)heapInUse() - base;
            ASSERT_LE(kept, 256 * 1024 + 4096) << "round " << round << ", page size " << s.pageSize
                                               << ", blocks up to " << s.largest << " bytes";
        }
    }
}

TEST(ThreadChurn, NotSharedThreadsTakingTurnsOnOneSpace)
{
    /* Each not-shared thread frees and reallocates what the one before it
     * made; none of it may be taken for a native block (free() would abort). */
    testsupport::ChildRun run = testsupport::runChild([] {
        stdMemSpace space = memspCreate("turns", nullptr, 0);
        std::vector<Pointer> blocks;
        for (int t = 0; t < 8; t++) {
            std::thread([&] {
                stdMemspSetMemNotSharedAmongThreads(True);
                for (Pointer &block : blocks) {
                    if (memspGetSpace(block) != space) _exit(3);
                    block = memspRealloc(block, 100 + t * 1000);
                }
                for (int i = 0; i < 4; i++) blocks.push_back(memspMalloc(space, 64 << i));
                memspFree(blocks.front());
                blocks.erase(blocks.begin());
            }).join();
        }
        for (Pointer block : blocks) memspFree(block);
        memspDelete(space, False);
    });
    EXPECT_EQ(run.signal, 0) << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

TEST(ExitRace, ExitWhileThreadsStillAllocateAndFree)
{
    /* The process ends (clean-up handlers, thread teardown) while threads are
     * in the middle of allocating, freeing and making and deleting spaces. */
    for (int repetition = 0; repetition < 100; repetition++) {
        testsupport::ChildRun run = testsupport::runChild(
            [repetition] {
                stdMemSpace shared = memspCreate("shared", nullptr, 0x4000);
                std::atomic<int> running{0};
                for (int t = 0; t < 3; t++) {
                    std::thread([&, t] {
                        stdMemspSetMemNotSharedAmongThreads(t == 2);
                        running++;
                        for (unsigned i = 0;; i++) {
                            stdMemSpace own = memspCreate("own", nullptr, 0x2000);
                            Pointer a = memspMalloc(own, 16 + i % 3000);
                            Pointer b = memspMalloc(shared, 16 + i % 20000);
                            memspFree(a);
                            memspFree(b);
                            memspDelete(own, False);
                        }
                    }).detach();
                }
                while (running.load() < 3) sched_yield();
                usleep(100 * (repetition % 20));
                exit(0);
            },
            false, 60);
        ASSERT_EQ(run.signal, 0) << "repetition " << repetition << ": " << run.err;
        ASSERT_EQ(run.exitCode, 0) << "repetition " << repetition << ": " << run.err;
        ASSERT_EQ(run.err, "") << "repetition " << repetition;
    }
}

}  // namespace
