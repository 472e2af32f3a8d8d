/*
 * Memory spaces against a shadow model: random allocation, release,
 * reallocation and deletion over a tree of spaces and the native heap. Live
 * blocks never overlap, keep their contents, belong to the space the model
 * says, and every space's statistics add up to its live blocks.
 */
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "memspace_helpers.h"
#include "stdMemSpaceLocal.h"

namespace {

using memsptest::bytesInUse;
using memsptest::usableSize;

struct Block {
    size_t      size;
    stdMemSpace space;
    uInt8       fill;
};

/* Four spaces: root, two children, one grandchild; the model knows the tree. */
struct Tree {
    enum { Root, Left, Right, Grand, Count };
    stdMemSpace spaces[Count] = {};
    int parentOf[Count] = {-1, Root, Root, Left};
    uInt32 pageSizes[Count] = {0x1000, 0, 0x400, 0x2000};

    void make(int i)
    {
        spaces[i] = memspCreate(i == Root ? "root" : i == Left ? "left" : i == Right ? "right" : "grand",
                                parentOf[i] < 0 ? nullptr : spaces[parentOf[i]], pageSizes[i]);
    }
    bool below(int i, int ancestor) const
    {
        for (; i >= 0; i = parentOf[i]) if (i == ancestor) return true;
        return false;
    }
};

class Model {
public:
    std::map<Address, Block> live;
    std::mt19937_64 rng{31337};
    Tree tree;

    size_t randomSize()
    {
        switch (rng() % 10) {
        case 0:  return 5000 + rng() % 20000;
        case 1:
        case 2:  return 300 + rng() % 4700;
        default: return rng() % 300;
        }
    }
    stdMemSpace randomSpace()
    {
        int i = (int)(rng() % (Tree::Count + 1));
        return i == Tree::Count ? memspNativeMemSpace : tree.spaces[i];
    }
    void fill(Pointer p, const Block &b) { memset(p, b.fill, b.size); }
    bool intact(Address a, const Block &b)
    {
        const uInt8 *p = (const uInt8 *)a;
        for (size_t i = 0; i < b.size; i++) if (p[i] != b.fill) return false;
        return true;
    }
    Address pick()
    {
        auto it = live.begin();
        std::advance(it, rng() % live.size());
        return it->first;
    }

    void allocate()
    {
        Block b = {randomSize(), randomSpace(), (uInt8)rng()};
        Pointer p = memspMalloc(b.space, b.size);
        ASSERT_EQ(live.count((Address)p), 0u);
        fill(p, b);
        live[(Address)p] = b;
    }
    void release()
    {
        Address a = pick();
        ASSERT_TRUE(intact(a, live[a]));
        memspFree((Pointer)a);
        live.erase(a);
    }
    void reallocate()
    {
        Address a = pick();
        Block b = live[a];
        size_t size = randomSize();
        Pointer p = memspRealloc((Pointer)a, size);
        ASSERT_NE(p, nullptr);
        if (b.space != memspNativeMemSpace) {
            ASSERT_NE((Address)p, a);   // a space block always moves
        }
        Block moved = b;
        moved.size = std::min(b.size, size);
        live.erase(a);
        ASSERT_TRUE(intact((Address)p, moved)) << "content lost in realloc";
        b.size = size;
        fill(p, b);
        live[(Address)p] = b;
    }
    /* Deletes one of the lower spaces (with its descendants) and makes them anew. */
    void deleteAndRemake()
    {
        int victim = 1 + (int)(rng() % (Tree::Count - 1));
        bool toParent = rng() % 2;
        stdMemSpace parent = tree.spaces[tree.parentOf[victim]];
        std::vector<Address> gone;
        for (auto &[a, b] : live) {
            for (int i = 0; i < Tree::Count; i++) {
                if (b.space == tree.spaces[i] && tree.below(i, victim)) {
                    if (toParent) b.space = parent; else gone.push_back(a);
                    break;
                }
            }
        }
        memspDelete(tree.spaces[victim], toParent);
        for (Address a : gone) {
            EXPECT_EQ(memspGetSpace((Pointer)a), memspNativeMemSpace) << "a deleted block is still found";
            live.erase(a);
        }
        for (int i = 0; i < Tree::Count; i++) if (tree.below(i, victim)) tree.make(i);
    }

    /* Room taken from its space by a block, header included. */
    unsigned long long footprint(Address a, const Block &b)
    {
        unsigned long long usable = usableSize((Pointer)a), rounded = (b.size + 7) & ~7ull;
        if (rounded <= 4992) {
            EXPECT_EQ(usable, std::max(rounded, 16ull));
            return usable;
        }
        EXPECT_GE(usable, rounded);
        EXPECT_LE(usable, rounded + 39);
        return usable + 32;
    }
    void checkAll()
    {
        Address end = 0;
        std::map<stdMemSpace, unsigned long long> inUse;
        for (auto &[a, b] : live) {
            ASSERT_GE(a, end) << "blocks overlap";
            end = a + b.size;
            ASSERT_TRUE(intact(a, b)) << "content changed";
            ASSERT_EQ(memspGetSpace((Pointer)a), b.space);
            if (b.space) inUse[b.space] += footprint(a, b);
        }
        for (stdMemSpace s : tree.spaces) {
            EXPECT_EQ(bytesInUse(s), inUse[s]);
            memsptest::checkHeap(s);
        }
    }
};

TEST(SpaceModel, RandomOperationsOverATreeOfSpaces)
{
    Model m;
    for (int i = 0; i < Tree::Count; i++) m.tree.make(i);
    for (int op = 0; op < 20000 && !::testing::Test::HasFatalFailure(); op++) {
        uInt64 r = m.rng() % 1000;
        if (m.live.empty() || r < 560) {
            m.allocate();
        } else if (r < 840) {
            m.release();
        } else if (r < 995) {
            m.reallocate();
        } else {
            m.deleteAndRemake();
        }
        if (op % 250 == 0) m.checkAll();
    }
    m.checkAll();
    // Deleting the root frees what it holds; the native blocks are the model's.
    for (auto &[a, b] : m.live) if (b.space == memspNativeMemSpace) memspFree((Pointer)a);
    memspDelete(m.tree.spaces[Tree::Root], False);
    memspLocal::LocalPageMap *own = memspLocal::ownLocalMap(stdGetThreadContext());
    EXPECT_TRUE(own == nullptr || rangemapIsEmpty(own->map));
    memspLocal::lockEnter(&memspLocal::blockToSpacePageLock);
    EXPECT_TRUE(memspLocal::blockToSpacePage == nullptr || rangemapIsEmpty(memspLocal::blockToSpacePage));
    memspLocal::lockExit(&memspLocal::blockToSpacePageLock);
}

/*
 * The order small blocks come out in, against the threaded free list each
 * size would have if a new page were linked from its top block down when it
 * is made: pops from the head, frees pushed on it, a tune pass dropping the
 * blocks of entirely free pages, and a child handed over appending its lists
 * to its parent's.
 */
struct ThreadedLists {
    uInt32 pageSize;
    std::map<uInt32, std::vector<Address>> lists;   // per block size; the head is the back
    std::map<Address, std::pair<uInt32, int>> pages; // page base -> block size, blocks in use

    Address baseOf(Address block, uInt32 size) const
    {
        auto it = pages.upper_bound(block);
        EXPECT_NE(it, pages.begin());
        --it;
        EXPECT_EQ(it->second.first, size);
        return it->first;
    }
    /* The next block: the head, or the top block of a new page made here. */
    void take(Address got, uInt32 size)
    {
        std::vector<Address> &list = lists[size];
        if (list.empty()) {
            uInt32 count = (pageSize + size - 1) / size;
            Address base = got - (Address)(count - 1) * size;
            ASSERT_EQ(pages.count(base), 0u);
            pages[base] = {size, 0};
            for (uInt32 i = 0; i < count - 1; i++) list.push_back(base + (Address)i * size);
        } else {
            ASSERT_EQ(got, list.back());
            list.pop_back();
        }
        pages[baseOf(got, size)].second++;
    }
    void give(Address block, uInt32 size)
    {
        lists[size].push_back(block);
        pages[baseOf(block, size)].second--;
    }
    void tune()
    {
        for (auto &[size, list] : lists) {
            std::erase_if(list, [&](Address b) { return pages[baseOf(b, size)].second == 0; });
        }
        std::erase_if(pages, [](auto &page) { return page.second.second == 0; });
    }
    /* The child's lists go after the whole of this one's. */
    void adopt(ThreadedLists &child)
    {
        for (auto &[size, list] : child.lists) {
            std::vector<Address> &mine = lists[size];
            mine.insert(mine.begin(), list.begin(), list.end());
        }
        pages.insert(child.pages.begin(), child.pages.end());
    }
};

TEST(SpaceModel, SmallBlocksComeOutInTheThreadedListOrder)
{
    std::mt19937_64 rng(4711);
    const uInt32 sizes[] = {16, 24, 40, 136, 1000, 4992};
    for (int round = 0; round < 6 && !::testing::Test::HasFailure(); round++) {
        uInt32 pageSize = round % 2 ? 0x400 : 0x2000;
        stdMemSpace parent = memspCreate("parent", nullptr, pageSize), child = memspCreate("child", parent, 0);
        ThreadedLists model[2] = {{pageSize, {}, {}}, {pageSize, {}, {}}};
        std::vector<std::pair<Address, int>> live;   // block, space index
        auto step = [&](int ops, int spaces) {
            for (int op = 0; op < ops && !::testing::Test::HasFailure(); op++) {
                uInt64 r = rng() % 100;
                if (live.empty() || r < 55) {
                    int in = (int)(rng() % spaces);
                    uInt32 size = sizes[rng() % 6];
                    Address got = (Address)memspMalloc(in ? child : parent, size - rng() % 8);
                    model[in].take(got, size);
                    live.push_back({got, in});
                } else if (r < 99) {
                    size_t k = rng() % live.size();
                    auto [block, in] = live[k];
                    model[in].give(block, (uInt32)usableSize((Pointer)block));
                    memspFree((Pointer)block);
                    live[k] = live.back();
                    live.pop_back();
                } else {
                    int in = (int)(rng() % spaces);
                    memsptest::statistics(in ? child : parent, True, 0);
                    model[in].tune();
                }
            }
        };
        step(3000, 2);
        memsptest::checkHeap(parent);
        memsptest::checkHeap(child);
        memspDelete(child, True);
        model[0].adopt(model[1]);
        for (auto &block : live) block.second = 0;
        step(3000, 1);
        memsptest::checkHeap(parent);
        memspDelete(parent, False);
    }
}

}  // namespace

/*
 * The large block each request gets, against the first fit walked through
 * the free lists as they stand: buckets upwards from the request's, each
 * list from its head, the first block large enough; or, when none is, the
 * area of a page made for it. Frees in random order, tune passes and a
 * child's hand-over keep the lists long and mixed.
 */
memspNoAsan static Address walkedFirstFit(stdMemSpace space, uInt64 need)
{
    using namespace memspLocal;
    for (uInt32 i = bucketOf(need); i <= space->largeBucketTop; i++) {
        for (Header *h = space->largeFreeLists[i].nextFree; h; h = h->nextFree) {
            if (h->size >= need) return (Address)(h + 1);
        }
    }
    return 0;
}

TEST(SpaceModel, LargeBlocksAreTheFirstFitOfTheLists)
{
    std::mt19937_64 rng(2718);
    for (int round = 0; round < 4 && !::testing::Test::HasFailure(); round++) {
        stdMemSpace parent = memspCreate("parent", nullptr, 0x8000), child = memspCreate("child", parent, 0);
        std::vector<Pointer> live;
        auto step = [&](int ops, stdMemSpace *spaces, int count) {
            for (int op = 0; op < ops && !::testing::Test::HasFailure(); op++) {
                uInt64 r = rng() % 100;
                if (live.empty() || r < 55) {
                    stdMemSpace s = spaces[rng() % count];
                    size_t size = rng() % 8 ? 5000 + rng() % 12000 : 5000 + rng() % 60000;
                    Address expected = walkedFirstFit(s, ((size + 7) & ~(size_t)7) + 32);
                    Pointer p = memspMalloc(s, size);
                    if (expected == 0) expected = (Address)s->largePages->memory + 64;   // a new page's area
                    ASSERT_EQ((Address)p, expected);
                    live.push_back(p);
                } else if (r < 99) {
                    size_t k = rng() % live.size();
                    memspFree(live[k]);
                    live[k] = live.back();
                    live.pop_back();
                } else {
                    memsptest::statistics(spaces[rng() % count], True, 0);
                }
            }
        };
        stdMemSpace both[2] = {parent, child};
        step(4000, both, 2);
        memsptest::checkHeap(parent);
        memsptest::checkHeap(child);
        memspDelete(child, True);
        step(4000, both, 1);
        memsptest::checkHeap(parent);
        memspDelete(parent, False);
    }
}
