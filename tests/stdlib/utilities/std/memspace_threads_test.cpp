/*
 * Memory spaces and threads: one space shared by threads that free each
 * other's blocks, pages released by a thread other than their creator,
 * spaces in use by another thread, threads that keep their memory to
 * themselves, and page creation racing on the safety valve.
 */
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "memspace_helpers.h"
#include "stdMemSpace.h"
#include "stdThreads.h"

namespace {

using memsptest::bytesInUse;

/* A block stamped with who made it, checked by whoever frees it. */
struct Stamp {
    uInt64 owner, length;
};

Pointer stampedBlock(stdMemSpace space, uInt64 owner, size_t size)
{
    size = size < sizeof(Stamp) ? sizeof(Stamp) : size;
    char *block = (char *)memspMalloc(space, size);
    Stamp s = {owner, size};
    memcpy(block, &s, sizeof s);
    memset(block + sizeof s, (int)(owner & 0xFF), size - sizeof s);
    return block;
}

bool stampIntact(Pointer block)
{
    Stamp s;
    memcpy(&s, block, sizeof s);
    const unsigned char *p = (const unsigned char *)block;
    for (uInt64 i = sizeof s; i < s.length; i++) if (p[i] != (s.owner & 0xFF)) return false;
    return true;
}

/* One-shot signal between two threads. */
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> hold(m);
        opened = true;
        c.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> hold(m);
        c.wait(hold, [&] { return opened; });   // re-checked after every wake-up
    }
private:
    std::mutex m;
    std::condition_variable c;
    bool opened = false;
};

TEST(SharedSpace, ThreadsFreeEachOthersBlocks)
{
    stdMemSpace space = memspCreate("shared", nullptr, 0x4000);
    std::mutex poolLock;               // guards pool
    std::vector<Pointer> pool;
    std::atomic<int> damaged{0};
    const int threads = 4, rounds = 3000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(t);
            for (int i = 0; i < rounds; i++) {
                size_t size = rng() % 8 ? 16 + rng() % 400 : 5000 + rng() % 9000;
                Pointer mine = stampedBlock(space, (uInt64)t * rounds + i, size);
                Pointer theirs = nullptr;
                {
                    std::lock_guard<std::mutex> hold(poolLock);
                    pool.push_back(mine);
                    if (pool.size() > 64) {
                        size_t pick = rng() % pool.size();
                        theirs = pool[pick];
                        pool[pick] = pool.back();
                        pool.pop_back();
                    }
                }
                if (theirs) {
                    if (!stampIntact(theirs) || memspGetSpace(theirs) != space) damaged++;
                    memspFree(theirs);
                }
            }
        });
    }
    for (auto &w : workers) w.join();
    EXPECT_EQ(damaged.load(), 0);
    for (Pointer p : pool) {
        EXPECT_TRUE(stampIntact(p));
        memspFree(p);
    }
    EXPECT_EQ(bytesInUse(space), 0u);
    memsptest::checkHeap(space);
    memspDelete(space, False);
}

TEST(SharedSpace, ReleasedPagesAreForgottenByTheirCreator)
{
    // A thread creates the pages of a space; another deletes it and makes a
    // new space, whose pages likely reuse the same heap addresses. The first
    // thread must find the new space's blocks, not the released pages.
    stdMemSpace old = memspCreate("old", nullptr, 0);
    Gate allocated, deleted, handedBack;
    Pointer oldBlock = nullptr, newBlock = nullptr;
    stdMemSpace foundForOld = old, fresh = nullptr;
    std::thread creator([&] {
        oldBlock = memspMalloc(old, 100);
        allocated.open();
        deleted.wait();
        foundForOld = memspGetSpace(oldBlock);
        memspFree(newBlock);   // a block of the new space, perhaps at the old page's address
        handedBack.open();
    });
    allocated.wait();
    memspDelete(old, False);
    fresh = memspCreate("fresh", nullptr, 0);
    std::vector<Pointer> others;
    for (int i = 0; i < 8; i++) others.push_back(memspMalloc(fresh, 100));
    newBlock = others.back();
    others.pop_back();
    deleted.open();
    handedBack.wait();
    creator.join();
    // Native, unless a page of the new space took the address over (the new
    // record may even reuse the old one's address).
    EXPECT_TRUE(foundForOld == memspNativeMemSpace || foundForOld == fresh);
    for (Pointer p : others) memspFree(p);
    EXPECT_EQ(bytesInUse(fresh), 0u);   // the creator's free went to the new space
    memsptest::checkHeap(fresh);
    memspDelete(fresh, False);
}

TEST(SharedSpace, TuningWhileAnotherThreadAllocates)
{
    // The tune pass gives pages back while the other thread makes and
    // empties them: it works under the space's lock.
    stdMemSpace space = memspCreate("tuned", nullptr, 0x400);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::mt19937 rng(9);
        for (int i = 0; i < 2000; i++) {
            Pointer b = stampedBlock(space, 1, rng() % 2 ? 16 + rng() % 300 : 5000 + rng() % 3000);
            if (!stampIntact(b)) ADD_FAILURE() << "block damaged";
            memspFree(b);
        }
        done = true;
    });
    while (!done) memsptest::statistics(space, True, 2);
    worker.join();
    EXPECT_EQ(bytesInUse(space), 0u);
    memsptest::checkHeap(space);
    memspDelete(space, False);
}

TEST(SharedSpace, DeletionsLeaveEveryOtherPageFindable)
{
    // Each thread makes a space per round and deletes the one its neighbour
    // made (pages it did not create), or its own; blocks of a shared space
    // go round to the next thread, which finds them through the shared map.
    // Whether a deletion empties a map at once or page by page, every page
    // that stays must still be found.
    const int threads = 3, rounds = 150;
    stdMemSpace shared = memspCreate("shared", nullptr, 0x2000);
    std::mutex slotLock;   // guards slots and inbox
    std::vector<stdMemSpace> slots(threads, nullptr);
    std::vector<std::vector<Pointer>> inbox(threads);
    std::atomic<int> lost{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(t + 40);
            std::deque<Pointer> kept;
            auto size = [&] { return rng() % 6 ? 16 + rng() % 700 : 5000 + rng() % 20000; };
            for (int i = 0; i < rounds; i++) {
                stdMemSpace mine = memspCreate("mine", nullptr, 0x1000), theirs;
                std::vector<Pointer> made;
                for (int j = 0; j < 1 + (int)(rng() % 40); j++) {
                    lost += memspGetSpace(memspMalloc(mine, size())) != mine;
                    made.push_back(memspMalloc(shared, size()));
                }
                {
                    std::lock_guard<std::mutex> hold(slotLock);
                    int next = (t + 1) % threads;
                    inbox[next].insert(inbox[next].end(), made.begin(), made.end());
                    kept.insert(kept.end(), inbox[t].begin(), inbox[t].end());
                    inbox[t].clear();
                    theirs = slots[next];
                    slots[next] = nullptr;
                    if (slots[t] == nullptr) std::swap(slots[t], mine);
                }
                for (; kept.size() > 60; kept.pop_front()) memspFree(kept.front());
                if (theirs) memspDelete(theirs, False);
                if (mine) memspDelete(mine, False);
                for (Pointer b : kept) lost += memspGetSpace(b) != shared;
            }
            for (Pointer b : kept) memspFree(b);
        });
    }
    for (auto &w : workers) w.join();
    for (stdMemSpace left : slots) if (left) memspDelete(left, False);
    for (auto &box : inbox) for (Pointer b : box) memspFree(b);
    EXPECT_EQ(lost.load(), 0);
    EXPECT_EQ(bytesInUse(shared), 0u);
    memspDelete(shared, False);
}

TEST(SharedSpace, ASpaceInUseByAnotherThreadIsNotDeleted)
{
    testsupport::ChildRun run = testsupport::runChild([] {
        stdMemSpace parent = memspCreate("parent", nullptr, 0);
        stdMemSpace child = memspCreate("child", parent, 0);
        Gate current, never;
        std::thread user([&] {
            stdSwapMemSpace(child);
            current.open();
            never.wait();
        });
        current.wait();
        memspDelete(parent, False);
        _exit(0);
    });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "Assertion failure at stdMemSpaceTree\\.cpp, line [0-9]+: Don't delete the current memory space\n"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST(PrivateMemory, ThreadsThatKeepTheirPagesToThemselves)
{
    Pointer seen = nullptr;
    Gate allocated, looked;
    stdMemSpace mine = nullptr;
    std::thread loner([&] {
        stdMemspSetMemNotSharedAmongThreads(True);
        mine = memspCreate("mine", nullptr, 0);
        Pointer small = memspMalloc(mine, 64), large = memspMalloc(mine, 9000);
        EXPECT_EQ(memspGetSpace(small), mine);
        EXPECT_EQ(memspGetSpace(large), mine);
        memspFree(large);
        seen = small;
        allocated.open();
        looked.wait();
        memspDelete(mine, False);
        stdMemspSetMemNotSharedAmongThreads(False);
    });
    allocated.wait();
    EXPECT_EQ(memspGetSpace(seen), mine);   // still a block of its space for any other thread
    looked.open();
    loner.join();

    // Such a thread may still release pages another thread registered: their
    // creator forgets them before its next lookup.
    stdMemSpace shared = memspCreate("shared", nullptr, 0);
    Pointer kept = memspMalloc(shared, 64);
    std::thread([&] {
        stdMemspSetMemNotSharedAmongThreads(True);
        EXPECT_EQ(memspGetSpace(kept), shared);
        memspDelete(shared, False);
    }).join();
    EXPECT_EQ(memspGetSpace(kept), memspNativeMemSpace);
}

TEST(PageCreation, ManyThreadsCreatingPagesAtOnce)
{
    // Every thread makes pages of all shapes in its own space and in a shared
    // one; the reserve behind page creation is armed and renewed all along.
    stdMemSpace shared = memspCreate("together", nullptr, 0x800);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; t++) {
        workers.emplace_back([shared, t] {
            stdMemSpace own = memspCreate("own", nullptr, 0x800);
            std::vector<Pointer> blocks;
            std::mt19937 rng(t + 100);
            for (int i = 0; i < 400; i++) {
                stdMemSpace where = i % 2 ? own : shared;
                blocks.push_back(memspMalloc(where, rng() % 3 ? 8 * (1 + rng() % 600) : 5000 + rng() % 70000));
            }
            for (Pointer b : blocks) if (memspGetSpace(b) == shared) memspFree(b);
            memspDelete(own, False);
        });
    }
    for (auto &w : workers) w.join();
    EXPECT_EQ(bytesInUse(shared), 0u);
    std::string tuned = memsptest::statistics(shared, True, 1);
    EXPECT_THAT(tuned, ::testing::HasSubstr("Nrof small block pages    : 0\n"));
    EXPECT_THAT(tuned, ::testing::HasSubstr("Nrof large block pages    : 0\n"));
    memspDelete(shared, False);
}

}  // namespace
