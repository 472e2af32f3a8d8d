/*
 * Range maps: lookups, runs and the tree's invariants against a plain model
 * of disjoint ranges, the top of the key space, printing and misuse.
 */
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>
#include "childProcess.h"
#include "stdRangeMapLocal.h"
#include "stdWriter.h"
#include "stringCapture.h"
#include "tableWords.h"

namespace {

using rangemapLocal::Node;
using testsupport::K;
using testsupport::U;

const uInt64 top  = ~(uInt64)0;
const uInt64 half = (uInt64)1 << 63;

/* (start, length, value) as traversals report them. */
using Run  = std::tuple<uInt64, uInt64, uInt64>;
using Runs = std::vector<Run>;

Runs runsOf(stdRangeMap map)
{
    Runs runs;
    rangemapTraverse(map, [](uInt64 s, uInt64 l, Pointer v, Pointer d) { ((Runs *)d)->push_back({s, l, U(v)}); },
                     &runs);
    return runs;
}

Runs runsIn(stdRangeMap map, uInt64 start, uInt64 length)
{
    Runs runs;
    rangemapTraverse_R(map, start, length,
                       [](uInt64 s, uInt64 l, Pointer v, Pointer d) { ((Runs *)d)->push_back({s, l, U(v)}); }, &runs);
    return runs;
}

std::string printed(stdRangeMap map)
{
    return testsupport::writtenBy([&](stdWriter w) { rangemapPrint(w, map); });
}

/*
 * The model: disjoint inclusive ranges first -> (last, value), not merged.
 */
class Model {
public:
    void assign(uInt64 first, uInt64 last, uInt64 value)
    {
        cut(first, last);
        if (value) ranges[first] = {last, value};
    }
    uInt64 lookup(uInt64 key) const
    {
        auto it = ranges.upper_bound(key);
        if (it == ranges.begin()) return 0;
        --it;
        return key <= it->second.first ? it->second.second : 0;
    }
    /* Maximal runs clipped to [lo, hi], in the traversal's representation. */
    Runs runs(uInt64 lo = 0, uInt64 hi = top) const
    {
        std::vector<std::tuple<uInt64, uInt64, uInt64>> merged;   // first, last, value
        for (auto &[first, rest] : ranges) {
            uInt64 a = std::max(first, lo), b = std::min(rest.first, hi);
            if (a > b) continue;
            if (!merged.empty() && std::get<2>(merged.back()) == rest.second && std::get<1>(merged.back()) + 1 == a) {
                std::get<1>(merged.back()) = b;
            } else {
                merged.push_back({a, b, rest.second});
            }
        }
        Runs out;
        for (auto &[a, b, v] : merged) {
            if (a == 0 && b == top) {
                out.push_back({0, half, v});
                out.push_back({half, half, v});
            } else {
                out.push_back({a, b - a + 1, v});
            }
        }
        return out;
    }
    /* Unmaps the keys of [first, last] that hold the value. */
    void unassignValue(uInt64 first, uInt64 last, uInt64 value)
    {
        std::vector<std::pair<uInt64, uInt64>> held;
        auto it = ranges.upper_bound(first);
        if (it != ranges.begin()) --it;
        for (; it != ranges.end() && it->first <= last; ++it) {
            uInt64 a = std::max(it->first, first), b = std::min(it->second.first, last);
            if (it->second.second == value && a <= b) held.push_back({a, b});
        }
        for (auto [a, b] : held) assign(a, b, 0);
    }
    bool empty() const { return ranges.empty(); }
    uInt64 smallest() const { return ranges.begin()->first; }
    uInt64 largest() const { return ranges.rbegin()->second.first; }

private:
    void cut(uInt64 first, uInt64 last)
    {
        auto it = ranges.upper_bound(first);
        if (it != ranges.begin()) --it;
        while (it != ranges.end() && it->first <= last) {
            uInt64 f = it->first, l = it->second.first, v = it->second.second;
            if (l < first) {
                ++it;
                continue;
            }
            it = ranges.erase(it);
            if (f < first) ranges[f] = {first - 1, v};
            if (l > last) ranges[last + 1] = {l, v};
        }
    }
    std::map<uInt64, std::pair<uInt64, uInt64>> ranges;
};

/*
 * The tree's shape: levels and alignment, children inside their slots, no
 * empty node, no sparse node, no uniform node left one level below its slot.
 * Returns the number of nodes; depth gets the longest path.
 */
uInt64 checkTree(const Node *n, uInt64 slotLo, uInt64 slotHi, uInt32 parentShift, uInt32 level, uInt32 *depth)
{
    using namespace rangemapLocal;
    EXPECT_EQ(n->shift % 4, 0u);
    EXPECT_LE(n->shift, 60u);
    EXPECT_EQ(n->base & nodeSpanMask(n->shift), 0u);
    EXPECT_GE(n->base, slotLo);
    EXPECT_LE(nodeLast(n), slotHi);
    if (parentShift) {
        EXPECT_LT(n->shift, parentShift);
        EXPECT_FALSE(n->shift + 4 == parentShift && isUniform(n)) << "uniform node left below its slot";
    }
    *depth = std::max(*depth, level);
    uInt64 nodes = 1;
    int used = 0, leaves = 0;
    for (uInt32 i = 0; i < slotCount; i++) {
        if (n->isLeaf[i]) {
            EXPECT_NE(n->slots[i], nullptr);
            leaves++;
        }
        if (n->slots[i]) used++;
        if (Node *child = childAt(n, i)) {
            nodes += checkTree(child, slotFirst(n, i), slotLast(n, i), n->shift, level + 1, depth);
        }
    }
    EXPECT_GT(used, 0) << "empty node";
    EXPECT_TRUE(leaves > 0 || used > 1) << "sparse node";
    return nodes;
}

void checkShape(stdRangeMap map)
{
    uInt32 depth = 0;
    uInt64 nodes = map->root ? checkTree(map->root, 0, top, 0, 1, &depth) : 0;
    EXPECT_EQ(rangemapDepth(map), depth);
    EXPECT_LE(depth, 16u);
    EXPECT_EQ(rangemapRSize(map), 8 + 160 * nodes);
    EXPECT_EQ(rangemapIsEmpty(map), nodes == 0);
}

/* Keys that crowd a few places, the ends of the key space among them, so
 * that ranges overlap, touch and cross level boundaries. */
struct KeyMaker {
    std::mt19937_64 rng{20240611};
    uInt64 anchors[6] = {0, 0x7ffff000, half - 0x800, top - 0xfff, 0x123456789ab000ull, 0};
    uInt64 key()
    {
        uInt64 a = anchors[rng() % 6];
        if (a == 0 && rng() % 8 == 0) return rng();
        return a + rng() % 0x2000;
    }
    uInt64 length(uInt64 start)
    {
        uInt64 room = 0 - start;   // keys up to the top; 0 means all 2^64
        uInt64 pick;
        switch (rng() % 8) {
        case 0:  pick = 1; break;
        case 1:  pick = 16 << (rng() % 3 * 4); break;
        case 2:  pick = rng() >> (rng() % 64); break;
        case 3:  pick = room; break;                // up to the top exactly
        default: pick = 1 + rng() % 0x1800; break;
        }
        if (start == 0) return pick ? pick : top;
        return pick == 0 || pick > room ? room : pick;
    }
};

/* ------------------------------------------------------------------ */

TEST(RangeMapModel, RandomOperationsAgreeWithAModelOfRanges)
{
    KeyMaker keys;
    Model model;
    stdRangeMap map = rangemapCreate();
    for (int op = 0; op < 6000; op++) {
        uInt64 start = keys.key(), length = keys.length(start);
        uInt64 last = start + (length - 1);
        uInt64 value = keys.rng() % 5 * 8;   // 0 undefines; few values, so runs merge
        switch (keys.rng() % 4) {
        case 0:
            rangemapUndefine(map, start, length);
            model.assign(start, last, 0);
            break;
        case 1:
            rangemapDefine1(map, start, K(value));
            model.assign(start, start, value);
            break;
        default:
            rangemapDefine(map, start, length, K(value));
            model.assign(start, last, value);
            break;
        }
        for (int probe = 0; probe < 8; probe++) {
            uInt64 k = probe < 2 ? (probe ? start : last) : keys.key();
            ASSERT_EQ(U(rangemapApply(map, k)), model.lookup(k)) << "op " << op << " key " << std::hex << k;
        }
        ASSERT_EQ(runsOf(map), model.runs()) << "op " << op;
        uInt64 ws = keys.key(), wl = keys.length(ws);
        ASSERT_EQ(runsIn(map, ws, wl), model.runs(ws, ws + (wl - 1))) << "op " << op;
        uInt64 lo = 1, hi = 1;
        ASSERT_EQ(rangemapSmallestMapped(map, &lo), !model.empty());
        ASSERT_EQ(rangemapLargestMapped(map, &hi), !model.empty());
        if (!model.empty()) {
            ASSERT_EQ(lo, model.smallest());
            ASSERT_EQ(hi, model.largest());
        }
        checkShape(map);
        if (::testing::Test::HasFailure()) break;
        if (op % 1000 == 999) {   // start over now and then, from an emptied map
            rangemapUndefine(map, 0, top);
            rangemapUndefine1(map, top);
            EXPECT_TRUE(rangemapIsEmpty(map));
            EXPECT_EQ(rangemapDepth(map), 0u);
            model = Model();
            rangemapDelete(map);   // the next stretch with the other kind of map
            map = op / 1000 % 2 ? rangemapCreate() : rangemapLocal::createPooled();
        }
    }
    rangemapDelete(map);
}

TEST(RangeMapModel, UndefiningTheValuesOfSortedRanges)
{
    // Page-like ranges, each with a value of its own, packed like heap
    // blocks or spread out, with other values between them and inside them;
    // a sorted selection of them goes in one walk, the rest stays.
    std::mt19937_64 rng(5150);
    for (int round = 0; round < 300 && !::testing::Test::HasFailure(); round++) {
        stdRangeMap map = round % 2 ? rangemapLocal::createPooled() : rangemapCreate();   // deleted unemptied
        Model model;
        std::vector<rangemapLocal::ValueRange> pages;
        uInt64 at = round % 3 == 2 ? top - 0x4000000 : 0x555555550000ull / 8 + rng() % 0x10000;
        size_t count = 1 + rng() % 160;
        for (size_t i = 0; i < count && at < top - 0x200000; i++) {
            uInt64 length = rng() % 4 ? 0x2000 + rng() % 3 : 1 + rng() % 0x30000;
            uInt64 value = 0x1000 + 8 * i;
            pages.push_back({at, at + length - 1, K(value)});
            rangemapDefine(map, at, length, K(value));
            model.assign(at, at + length - 1, value);
            uInt64 gap = rng() % 3 == 0 ? 0 : rng() % 4 ? 2 + rng() % 0x200 : rng() % 0x100000;
            if (gap && rng() % 3 == 0) {   // another value between pages
                rangemapDefine(map, at + length, gap, K(8));
                model.assign(at + length, at + length + gap - 1, 8);
            }
            if (rng() % 8 == 0) {          // and inside one
                uInt64 inside = at + rng() % length, n = 1 + rng() % (at + length - inside);
                rangemapDefine(map, inside, n, K(16));
                model.assign(inside, inside + n - 1, 16);
            }
            at += length + gap;
        }
        std::vector<rangemapLocal::ValueRange> chosen;
        for (auto &p : pages) if (rng() % 4) chosen.push_back(p);
        {
            rangemapLocal::Retired retired;
            rangemapLocal::undefineValues(map, chosen.data(), chosen.size(), retired);
        }
        for (auto &p : chosen) model.unassignValue(p.first, p.last, U(p.value));
        ASSERT_EQ(runsOf(map), model.runs()) << "round " << round;
        checkShape(map);
        rangemapDelete(map);
    }
}

TEST(RangeMapCases, LookupsRunsAndEnds)
{
    stdRangeMap m = rangemapCreate();
    rangemapDefine(m, 0x1000, 0x2000, K(8));
    EXPECT_EQ(U(rangemapApply(m, 0xfff)), 0u);
    EXPECT_EQ(U(rangemapApply(m, 0x1000)), 8u);
    EXPECT_EQ(U(rangemapApply(m, 0x2fff)), 8u);
    EXPECT_EQ(U(rangemapApply(m, 0x3000)), 0u);

    // Undefining the middle leaves two runs; adjacent equal values make one.
    rangemapUndefine(m, 0x1800, 0x100);
    EXPECT_EQ(runsOf(m), (Runs{{0x1000, 0x800, 8}, {0x1900, 0x1700, 8}}));
    rangemapDefine(m, 0x1800, 0x100, K(8));
    EXPECT_EQ(runsOf(m), (Runs{{0x1000, 0x2000, 8}}));
    // Same keys, different value: separate runs; define null undefines.
    rangemapDefine(m, 0x3000, 0x10, K(16));
    rangemapDefine(m, 0x1000, 0x10, nullptr);
    EXPECT_EQ(runsOf(m), (Runs{{0x1010, 0x1ff0, 8}, {0x3000, 0x10, 16}}));
    // Clipped traversal.
    EXPECT_EQ(runsIn(m, 0x2ff8, 0x10), (Runs{{0x2ff8, 8, 8}, {0x3000, 8, 16}}));
    EXPECT_EQ(runsIn(m, 0x5000, 0x10), Runs{});
    EXPECT_EQ(runsIn(m, 0x1010, 0), Runs{});
    rangemapDefine(m, 0x9999, 0, K(8));   // length 0 does nothing
    EXPECT_EQ(U(rangemapApply(m, 0x9999)), 0u);
    rangemapUndefine(m, 0, top);
    EXPECT_TRUE(rangemapIsEmpty(m));
    EXPECT_EQ(rangemapDepth(m), 0u);
    EXPECT_EQ(printed(m), "");

    rangemapDefine(m, 5, 5, K(8));
    uInt64 k = 0;
    EXPECT_TRUE(rangemapLargestMapped(m, &k));
    EXPECT_EQ(k, 9u);
    EXPECT_TRUE(rangemapSmallestMapped(m, &k));
    EXPECT_EQ(k, 5u);
    rangemapUndefine1(m, 5);
    EXPECT_TRUE(rangemapSmallestMapped(m, &k));
    EXPECT_EQ(k, 6u);
    rangemapDelete(m);
    stdRangeMap empty = rangemapCreate();
    EXPECT_FALSE(rangemapSmallestMapped(empty, &k));
    EXPECT_FALSE(rangemapLargestMapped(empty, &k));
    EXPECT_EQ(rangemapRSize(empty), 8u);
    rangemapDelete(empty);
}

TEST(RangeMapTop, RangesReachingTheTopOfTheKeySpace)
{
    stdRangeMap m = rangemapCreate();
    rangemapDefine(m, 1, top, K(8));   // ends exactly at the top
    rangemapDefine(m, 0, 1, K(16));
    EXPECT_EQ(U(rangemapApply(m, top)), 8u);
    EXPECT_EQ(U(rangemapApply(m, 0)), 16u);
    EXPECT_EQ(runsOf(m), (Runs{{0, 1, 16}, {1, top, 8}}));
    // One value on every key: a length of 2^64 cannot be reported, two halves can.
    rangemapDefine1(m, 0, K(8));
    EXPECT_EQ(runsOf(m), (Runs{{0, half, 8}, {half, half, 8}}));
    EXPECT_EQ(runsIn(m, 0, top), (Runs{{0, top, 8}}));
    EXPECT_EQ(runsIn(m, top, 5), (Runs{{top, 1, 8}}));   // window clipped at the top
    uInt64 k = 0;
    EXPECT_TRUE(rangemapLargestMapped(m, &k));
    EXPECT_EQ(k, top);
    rangemapDelete(m);

    // A level-60 root grown around a node near the top keeps its coverage.
    m = rangemapCreate();
    rangemapDefine1(m, top, K(8));
    rangemapDefine(m, 0, 0x10, K(16));
    rangemapDefine(m, half, half, K(24));
    EXPECT_THAT(printed(m), ::testing::StartsWith("\t[ (60)\n"));
    EXPECT_EQ(runsOf(m), (Runs{{0, 0x10, 16}, {half, half, 24}}));
    rangemapDefine(m, half + 0x100, 0x100, K(8));
    EXPECT_EQ(U(rangemapApply(m, half + 0x1ff)), 8u);
    EXPECT_EQ(U(rangemapApply(m, top)), 24u);
    checkShape(m);
    rangemapDelete(m);
}

TEST(RangeMapMerge, OnlyLeavesOfOneValueMerge)
{
    // A slot's value may equal the address of a child node; a node whose
    // slots all hold that word is still not uniform while one is a child.
    stdRangeMap m = rangemapCreate();
    rangemapDefine1(m, 1, K(8));
    Pointer child = m->root;
    rangemapDefine1(m, 0x100, K(8));
    rangemapDefine(m, 0x10, 0xf0, child);
    EXPECT_EQ(U(rangemapApply(m, 1)), 8u);
    EXPECT_EQ(rangemapApply(m, 0), nullptr);
    EXPECT_EQ(rangemapApply(m, 0x10), child);
    checkShape(m);

    // Filling the last gap of a one-level-below node turns it into a leaf.
    rangemapDefine(m, 0, 0x100, K(8));
    EXPECT_EQ(rangemapDepth(m), 2u);
    EXPECT_EQ(runsOf(m), (Runs{{0, 0x101, 8}}));
    rangemapDelete(m);
}

TEST(RangeMapPrint, NodesSlotsAndChildren)
{
    stdRangeMap m = rangemapCreate();
    rangemapDefine(m, 0x1000, 0x2000, K(0x10));
    rangemapDefine1(m, 5, K(0x20));
    std::string expected = "\t[ (12)\n\t    0- fff: *\n\t\t[ (0)\n";
    for (int i = 0; i < 16; i++) {
        char line[64];
        snprintf(line, sizeof line, "\t\t %4x-%4x: %s\n", i, i, i == 5 ? "0x20" : "----");
        expected += line;
    }
    expected += "\t\t]\n\t 1000-1fff: 0x10\n\t 2000-2fff: 0x10\n";
    for (int i = 3; i < 16; i++) {
        char line[64];
        snprintf(line, sizeof line, "\t %4x-%4x: ----\n", i << 12, (i << 12) + 0xfff);
        expected += line;
    }
    expected += "\t]\n";
    EXPECT_EQ(printed(m), expected);
    EXPECT_EQ(rangemapRSize(m), 8u + 2 * 160);
    EXPECT_EQ(rangemapDepth(m), 2u);
    rangemapDelete(m);
}

TEST(RangeMapMisuse, WrappingRangesAndEmptyNodesAreAssertions)
{
    using testsupport::runChild;
    const char *wraps = "Assertion failure at stdRangeMap\\.cpp, line [0-9]+: "
                        "Specified range wraps around end of memory\n";
    auto run = runChild([] { rangemapDefine(rangemapCreate(), 2, top, K(8)); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(wraps));
    EXPECT_EQ(run.exitCode, 1);
    run = runChild([] { rangemapUndefine(rangemapCreate(), top, 2); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(wraps));
    EXPECT_EQ(run.exitCode, 1);
    run = runChild([] {
        stdRangeMap m = rangemapCreate();
        rangemapDefine1(m, 3, K(8));
        m->root->slots[3] = nullptr;   // a damaged tree
        m->root->isLeaf[3] = 0;
        uInt64 k;
        rangemapSmallestMapped(m, &k);
    });
    EXPECT_THAT(run.err, ::testing::MatchesRegex("Assertion failure at stdRangeMapWalk\\.cpp, line [0-9]+: "
                                                 "Range map blocks should not be completely empty\n"));
    EXPECT_EQ(run.exitCode, 1);
}

} // namespace
