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

}  // namespace
