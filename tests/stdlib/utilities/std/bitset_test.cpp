/*
 * Bit sets: shared one-element words, windows growing and shrinking, ranges,
 * masks, algebra against a reference, runs, hashing and printing.
 */
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include "stdBitSet.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stringCapture.h"

namespace {

using Elements = std::vector<uInt32>;
using Runs = std::vector<std::pair<uInt32, uInt32>>;

Elements elements(stdBitSet s)
{
    Elements v;
    bitSetTraverse(s, [](uInt32 e, Pointer d) { ((Elements *)d)->push_back(e); }, &v);
    return v;
}

Runs runs(stdBitSet s)
{
    Runs v;
    bitSetTraverseRanges(s, [](uInt32 f, uInt32 e, Pointer d) { ((Runs *)d)->push_back({f, e}); }, &v);
    return v;
}

stdBitSet make(Elements es)
{
    stdBitSet s = bitSetCreate();
    for (uInt32 e : es) bitSetInsert(s, e);
    return s;
}

Elements span(uInt32 first, uInt32 last)
{
    Elements v;
    for (uInt32 e = first; e <= last; e++) v.push_back(e);
    return v;
}

Elements join(std::vector<Elements> parts)
{
    Elements v;
    for (auto &p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

using testsupport::writtenBy;

/* ------------------------------------------------------------------ */

TEST(SharedSingletons, OneElementSetsOwnNoStorage)
{
    stdBitSet s70 = bitSetSingleton(70), s6 = bitSetSingleton(6);
    EXPECT_EQ(s70->lo, 1);
    EXPECT_EQ(s70->hi, 2);
    EXPECT_EQ(s70->count, 1);
    EXPECT_EQ(s70->words, s6->words);   /* both use the read-only word 1 << 6 */
    EXPECT_EQ(elements(s70), Elements{70});

    EXPECT_FALSE(bitSetInsert(s70, 71));
    EXPECT_NE(s70->words, s6->words);   /* a private copy */
    EXPECT_EQ(elements(s70), (Elements{70, 71}));
    EXPECT_EQ(elements(s6), Elements{6});

    EXPECT_TRUE(bitSetRemove(s70, 70));
    EXPECT_TRUE(bitSetRemove(s70, 71));
    EXPECT_FALSE(bitSetRemove(s70, 71));
    EXPECT_EQ(s70->count, 0);
    EXPECT_EQ(s70->words, nullptr);
    EXPECT_EQ(s70->lo, 0);
    EXPECT_EQ(s70->hi, 0);
    bitSetDelete(s70);
    bitSetDelete(s6);
}

TEST(SharedSingletons, ChangesNeverReachTheSharedWord)
{
    stdBitSet a = bitSetSingleton(6), watch = bitSetSingleton(70), seven = bitSetSingleton(7);
    EXPECT_TRUE(bitSetInPlaceUnion(a, seven));
    bitSetInsertRange(watch, 64, 65);
    bitSetRemove(watch, 64);
    bitSetRemove(watch, 65);
    stdBitSet probe = bitSetSingleton(134);   /* word 6 of the table again */
    EXPECT_EQ(elements(a), (Elements{6, 7}));
    EXPECT_EQ(elements(watch), Elements{70});
    EXPECT_EQ(elements(probe), Elements{134});
    EXPECT_EQ(elements(seven), Elements{7});
    for (stdBitSet s : {a, watch, seven, probe}) bitSetDelete(s);
}

TEST(SharedSingletons, InsertingIntoAnEmptySetUsesTheSharedWord)
{
    stdBitSet s = bitSetCreate(), ref = bitSetSingleton(9);
    EXPECT_FALSE(bitSetInsert(s, 9));
    EXPECT_TRUE(bitSetInsert(s, 9));
    EXPECT_EQ(s->words, ref->words);
    bitSetDelete(s);
    bitSetDelete(ref);
}

TEST(SharedSingletons, CopyOfAOneElementSetSharesTheWord)
{
    stdBitSet s = make({3, 4});
    bitSetRemove(s, 4);   /* one element left in a private word */
    stdBitSet c = bitSetCopy(s), ref = bitSetSingleton(3);
    EXPECT_EQ(s->words, ref->words);   /* the copy tidied the source */
    EXPECT_EQ(c->words, ref->words);
    EXPECT_EQ(elements(c), Elements{3});
    stdBitSet e = bitSetCreate(), ce = bitSetCopy(e);
    EXPECT_EQ(ce->words, nullptr);
    for (stdBitSet x : {s, c, ref, e, ce}) bitSetDelete(x);
}

TEST(SharedSingletons, InPlaceDifferenceDownToOneElementMovesToTheSharedWord)
{
    stdBitSet a = make({3, 70, 900}), b = make({70, 900}), ref = bitSetSingleton(3);
    EXPECT_TRUE(bitSetInPlaceDifference(a, b));
    EXPECT_EQ(a->words, ref->words);
    EXPECT_EQ(a->lo, 0);
    EXPECT_EQ(a->hi, 1);
    stdBitSet c = make({5, 200}), d = make({200, 1});
    EXPECT_TRUE(bitSetInPlaceIntersection(c, d));
    EXPECT_EQ(elements(c), Elements{200});
    EXPECT_EQ(c->lo, 3);
    EXPECT_EQ(c->hi, 4);
    for (stdBitSet x : {a, b, ref, c, d}) bitSetDelete(x);
}

/* ------------------------------------------------------------------ */

TEST(BitSetWindows, GrowLeftAndRightExactly)
{
    stdBitSet s = bitSetSingleton(1000);
    EXPECT_EQ(s->lo, 15);
    EXPECT_EQ(s->hi, 16);
    bitSetInsert(s, 10);   /* left */
    EXPECT_EQ(s->lo, 0);
    EXPECT_EQ(s->hi, 16);
    bitSetInsert(s, 5000);   /* right */
    EXPECT_EQ(s->lo, 0);
    EXPECT_EQ(s->hi, 79);
    bitSetInsert(s, 700);   /* inside */
    EXPECT_EQ(s->hi, 79);
    EXPECT_EQ(elements(s), (Elements{10, 700, 1000, 5000}));
    EXPECT_EQ(bitSetSize(s), 4);
    bitSetDelete(s);
}

TEST(BitSetWindows, RangesAndMasksWidenTheWindow)
{
    stdBitSet s = bitSetSingleton(300);                 /* word 4 */
    bitSetInsertRange(s, 130, 140);                      /* word 2 */
    EXPECT_EQ(s->lo, 2);
    EXPECT_EQ(s->hi, 5);
    bitSetInsertMask(s, 600, 0x3);                      /* word 9 */
    EXPECT_EQ(s->hi, 10);
    EXPECT_EQ(elements(s), join({span(130, 140), {300, 600, 601}}));
    EXPECT_EQ(bitSetSize(s), 14);
    bitSetDelete(s);
}

TEST(BitSetWindows, PurgeCutsZeroWordsAtBothEnds)
{
    stdBitSet s = make({10, 1000, 2000, 5000});
    bitSetRemove(s, 10);
    bitSetRemove(s, 5000);
    EXPECT_EQ(s->lo, 0);   /* removals leave the window */
    EXPECT_EQ(s->hi, 79);
    uInt32 hash = bitSetHash(s);
    bitSetPurge(s);
    EXPECT_EQ(s->lo, 15);
    EXPECT_EQ(s->hi, 32);
    EXPECT_EQ(elements(s), (Elements{1000, 2000}));
    EXPECT_EQ(bitSetHash(s), hash);
    bitSetDelete(s);
}

TEST(BitSetWindows, RemovingTheLastElementsFreesTheStorage)
{
    stdBitSet s = make({10, 100});
    bitSetRemoveRange(s, 0, 1000);
    EXPECT_EQ(bitSetSize(s), 0);
    EXPECT_EQ(s->words, nullptr);
    EXPECT_EQ(s->lo, s->hi);
    stdBitSet t = make({10, 100, 2000});
    EXPECT_TRUE(bitSetEmpty(t));
    EXPECT_FALSE(bitSetEmpty(t));
    EXPECT_EQ(t->words, nullptr);
    bitSetDelete(s);
    bitSetDelete(t);
}

/* ------------------------------------------------------------------ */

TEST(BitSetRanges, EmptyAndOneElementRanges)
{
    stdBitSet empty = bitSetRange(5, 4), one = bitSetRange(3, 3), ref = bitSetSingleton(3);
    EXPECT_EQ(bitSetSize(empty), 0);
    EXPECT_EQ(empty->words, nullptr);
    EXPECT_TRUE(bitSetEqual(one, ref));
    EXPECT_EQ(bitSetHash(one), bitSetHash(ref));
    bitSetInsertRange(one, 9, 2);
    EXPECT_EQ(bitSetSize(one), 1);
    for (stdBitSet s : {empty, one, ref}) bitSetDelete(s);
}

TEST(BitSetRanges, InsertAndRemoveAcrossWords)
{
    stdBitSet s = bitSetRange(60, 130);
    EXPECT_EQ(bitSetSize(s), 71);
    EXPECT_EQ(bitSetFirst(s), 60u);
    EXPECT_EQ(bitSetLast(s), 130u);
    bitSetInsertRange(s, 100, 140);   /* overlapping: only new bits count */
    EXPECT_EQ(bitSetSize(s), 81);
    bitSetRemoveRange(s, 64, 127);
    EXPECT_EQ(elements(s), join({span(60, 63), span(128, 140)}));
    EXPECT_EQ(bitSetSize(s), 17);
    bitSetRemoveRange(s, 0, 61);      /* starts before the window */
    bitSetRemoveRange(s, 139, 100000); /* ends after it */
    EXPECT_EQ(elements(s), join({span(62, 63), span(128, 138)}));
    EXPECT_EQ(bitSetSize(s), 13);
    bitSetDelete(s);
}

TEST(BitSetRanges, OverlapTests)
{
    stdBitSet s = bitSetRange(10, 20), empty = bitSetCreate();
    EXPECT_TRUE(bitSetOverlapsRange(s, 0, 1000000));
    EXPECT_FALSE(bitSetOverlapsRange(empty, 0, 1000000));
    EXPECT_FALSE(bitSetOverlapsRange(s, 21, 63));
    EXPECT_TRUE(bitSetOverlapsRange(s, 20, 20));
    EXPECT_FALSE(bitSetOverlapsRange(s, 20, 10));
    EXPECT_EQ(bitSetOverlapsRangeHow(s, 10, 20), 3);
    EXPECT_EQ(bitSetOverlapsRangeHow(s, 5, 25), 2);
    EXPECT_EQ(bitSetOverlapsRangeHow(s, 12, 15), 1);
    EXPECT_EQ(bitSetOverlapsRangeHow(s, 15, 30), 4);
    EXPECT_EQ(bitSetOverlapsRangeHow(s, 30, 40), 0);
    EXPECT_EQ(bitSetOverlapsRangeHow(empty, 1, 2), 0);
    bitSetDelete(s);
    bitSetDelete(empty);
}

/* ------------------------------------------------------------------ */

TEST(BitSetMasks, RunsOfTheMaskBecomeRanges)
{
    stdBitSet s = bitSetCreate();
    bitSetInsertMask(s, 62, 0xD);   /* bits 0, 2, 3 */
    EXPECT_EQ(elements(s), (Elements{62, 64, 65}));
    bitSetInsertMask(s, 0, ~0ull);
    EXPECT_EQ(elements(s), join({span(0, 63), {64, 65}}));
    EXPECT_EQ(bitSetSize(s), 66);
    bitSetRemoveMask(s, 60, 0x31);  /* 60, 64, 65 */
    EXPECT_EQ(elements(s), join({span(0, 59), span(61, 63)}));
    bitSetRemoveMask(s, 1, ~0ull);  /* 1 ... 64 */
    EXPECT_EQ(elements(s), Elements{0});
    bitSetDelete(s);
}

TEST(BitSetMasks, OverlapCodesAndIntersection)
{
    stdBitSet s = bitSetRange(0, 7);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 0, 0xFF), 3);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 0, 0xF), 1);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 0, 0xFFFF), 2);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 4, 0xF0F0), 0);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 6, 0x3), 1);
    EXPECT_EQ(bitSetOverlapsMaskHow(s, 6, 0x7), 4);
    EXPECT_TRUE(bitSetOverlapsMask(s, 7, 0x1));
    EXPECT_FALSE(bitSetOverlapsMask(s, 8, ~0ull));

    stdBitSet t = make({1, 5, 64, 70, 200});
    stdBitSet i = bitSetIntersectionMask(t, 60, 0x401 | 0x10 | 0x8);   /* 60, 63, 64, 70 */
    EXPECT_EQ(elements(i), (Elements{64, 70}));
    stdBitSet none = bitSetIntersectionMask(t, 2, 0x3);
    EXPECT_EQ(bitSetSize(none), 0);
    for (stdBitSet x : {s, t, i, none}) bitSetDelete(x);
}

/* ------------------------------------------------------------------ */

stdBitSet fromModel(const std::set<uInt32> &m)
{
    stdBitSet s = bitSetCreate();
    for (uInt32 e : m) bitSetInsert(s, e);
    return s;
}

Elements toVector(const std::set<uInt32> &m) { return Elements(m.begin(), m.end()); }

/* Builds a set through a random mix of operations, mirrored in the model. */
stdBitSet randomSet(std::mt19937 &random, std::set<uInt32> &model)
{
    stdBitSet s = bitSetCreate();
    uInt32 base = random() % 4 * 300;
    int steps = random() % 12;
    for (int i = 0; i < steps; i++) {
        uInt32 a = base + random() % 400, b = a + random() % 90;
        switch (random() % 4) {
        case 0:
            bitSetInsert(s, a);
            model.insert(a);
            break;
        case 1:
            bitSetInsertRange(s, a, b);
            for (uInt32 e = a; e <= b; e++) model.insert(e);
            break;
        case 2:
            bitSetRemoveRange(s, a, b);
            for (uInt32 e = a; e <= b; e++) model.erase(e);
            break;
        default: {
            uInt64 mask = (uInt64)random() << 32 | random();
            bitSetInsertMask(s, a, mask);
            for (int k = 0; k < 64; k++)
                if (mask >> k & 1) model.insert(a + k);
        }
        }
    }
    return s;
}

Int modelHow(const std::set<uInt32> &a, const std::set<uInt32> &b)
{
    size_t c = 0;
    for (uInt32 e : a) c += b.count(e);
    if (c == 0) return 0;
    if (c == a.size()) return c == b.size() ? 3 : 2;
    return c == b.size() ? 1 : 4;
}

TEST(BitSetAlgebra, AgreesWithAReferenceSet)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 400; round++) {
        std::set<uInt32> ma, mb;
        stdBitSet a = randomSet(random, ma), b = randomSet(random, mb);
        ASSERT_EQ(elements(a), toVector(ma));
        ASSERT_EQ(bitSetSize(a), (Int64)ma.size());

        std::set<uInt32> mu = ma, mi, md;
        mu.insert(mb.begin(), mb.end());
        for (uInt32 e : ma) (mb.count(e) ? mi : md).insert(e);

        stdBitSet u = bitSetUnion(a, b), i = bitSetIntersection(a, b), d = bitSetDifference(a, b);
        EXPECT_EQ(elements(u), toVector(mu));
        EXPECT_EQ(bitSetSize(u), (Int64)mu.size());
        EXPECT_EQ(elements(i), toVector(mi));
        EXPECT_EQ(bitSetSize(i), (Int64)mi.size());
        EXPECT_EQ(elements(d), toVector(md));
        EXPECT_EQ(bitSetSize(d), (Int64)md.size());

        EXPECT_EQ(bitSetOverlapsHow(a, b), modelHow(ma, mb));
        EXPECT_EQ(bitSetOverlaps(a, b), !mi.empty());
        EXPECT_EQ(bitSetSubset(a, b), md.empty());
        EXPECT_EQ(bitSetNewBits(a, b), mu.size() != ma.size());
        EXPECT_EQ(bitSetEqual(a, b), ma == mb);

        /* equal sets hash equally however their windows look */
        stdBitSet fu = fromModel(mu), fi = fromModel(mi), fd = fromModel(md);
        EXPECT_EQ(bitSetHash(u), bitSetHash(fu));
        EXPECT_EQ(bitSetHash(i), bitSetHash(fi));
        EXPECT_EQ(bitSetHash(d), bitSetHash(fd));
        EXPECT_TRUE(bitSetEqual(i, fi));

        stdBitSet c1 = bitSetCopy(a), c2 = bitSetCopy(a), c3 = bitSetCopy(a);
        EXPECT_EQ(bitSetInPlaceUnion(c1, b), mu.size() != ma.size());
        EXPECT_EQ(elements(c1), toVector(mu));
        EXPECT_EQ(bitSetSize(c1), (Int64)mu.size());
        EXPECT_EQ(bitSetInPlaceDifference(c2, b), md.size() != ma.size());
        EXPECT_EQ(elements(c2), toVector(md));
        EXPECT_EQ(bitSetSize(c2), (Int64)md.size());
        EXPECT_EQ(bitSetInPlaceIntersection(c3, b), mi.size() != ma.size());
        EXPECT_EQ(elements(c3), toVector(mi));
        EXPECT_EQ(bitSetSize(c3), (Int64)mi.size());

        EXPECT_EQ(bitSetFirst(a), ma.empty() ? bitSetNONE : *ma.begin());
        EXPECT_EQ(bitSetLast(a), ma.empty() ? bitSetNONE : *ma.rbegin());
        for (stdBitSet x : {a, b, u, i, d, fu, fi, fd, c1, c2, c3}) bitSetDelete(x);
    }
}

TEST(BitSetAlgebra, IntersectionMayKeepAWindowOfZeroWords)
{
    stdBitSet a = make({1, 100}), b = make({2, 101}), empty = bitSetCreate();
    stdBitSet i = bitSetIntersection(a, b);
    EXPECT_EQ(bitSetSize(i), 0);
    EXPECT_TRUE(bitSetEqual(i, empty));
    EXPECT_EQ(bitSetHash(i), 0u);
    EXPECT_EQ(bitSetFirst(i), bitSetNONE);
    EXPECT_EQ(bitSetLast(i), bitSetNONE);
    EXPECT_EQ(runs(i), Runs{});
    EXPECT_FALSE(bitSetInsert(i, 7));   /* like an empty set: the shared word */
    EXPECT_EQ(i->lo, 0);
    EXPECT_EQ(i->hi, 1);
    EXPECT_EQ(elements(i), Elements{7});
    for (stdBitSet x : {a, b, empty, i}) bitSetDelete(x);
}

TEST(BitSetAlgebra, OverlapCodesOfSmallSets)
{
    stdBitSet s12 = make({1, 2}), s123 = make({1, 2, 3}), s23 = make({2, 3});
    EXPECT_EQ(bitSetOverlapsHow(s12, s123), 2);
    EXPECT_EQ(bitSetOverlapsHow(s123, s12), 1);
    EXPECT_EQ(bitSetOverlapsHow(s12, s23), 4);
    for (stdBitSet x : {s12, s123, s23}) bitSetDelete(x);
}

/* ------------------------------------------------------------------ */

TEST(BitSetRuns, RunsEndAtWordEdgesUnlessTheNextWordContinues)
{
    stdBitSet a = make(join({span(60, 63), {200}}));
    EXPECT_EQ(runs(a), (Runs{{60, 64}, {200, 201}}));
    stdBitSet b = make(join({span(60, 63), {128}}));
    EXPECT_EQ(runs(b), (Runs{{60, 64}, {128, 129}}));
    stdBitSet c = make(span(60, 70));
    EXPECT_EQ(runs(c), (Runs{{60, 71}}));
    stdBitSet d = bitSetRange(0, 63);
    bitSetInsert(d, 500);
    bitSetRemove(d, 500);   /* zero words follow the run */
    EXPECT_EQ(runs(d), (Runs{{0, 64}}));
    stdBitSet e = bitSetCreate();
    EXPECT_EQ(runs(e), Runs{});
    for (stdBitSet x : {a, b, c, d, e}) bitSetDelete(x);
}

TEST(BitSetRuns, LargestElement)
{
    stdBitSet s = bitSetSingleton(0xFFFFFFFEu);
    bitSetInsert(s, 0xFFFFFFFDu);
    EXPECT_EQ(runs(s), (Runs{{0xFFFFFFFDu, 0xFFFFFFFFu}}));
    EXPECT_EQ(bitSetLast(s), 0xFFFFFFFEu);
    EXPECT_FALSE(bitSetElement(s, 0xFFFFFFFFu));
    bitSetRemoveRange(s, 0xFFFFFFFEu, 0xFFFFFFFFu);
    EXPECT_EQ(elements(s), Elements{0xFFFFFFFDu});
    bitSetDelete(s);
}

TEST(BitSetRunsDeathTest, TheNoElementValueCannotBeStored)
{
    stdBitSet s = bitSetCreate();
    EXPECT_EXIT(bitSetInsert(s, 0xFFFFFFFFu), ::testing::ExitedWithCode(1),
                "Assertion failure at .*stdBitSet.cpp, line [0-9]+: .*out of range");
    EXPECT_EXIT(bitSetInsertMask(s, 0xFFFFFFF0u, 1ull << 20), ::testing::ExitedWithCode(1), "out of range");
    bitSetDelete(s);
}

TEST(BitSetQueries, FirstLastAndMembership)
{
    stdBitSet s = bitSetCreate();
    EXPECT_EQ(bitSetFirst(s), 0xFFFFFFFFu);
    EXPECT_EQ(bitSetLast(s), 0xFFFFFFFFu);
    EXPECT_FALSE(bitSetElement(s, 0));
    bitSetInsert(s, 700);
    bitSetInsert(s, 5);
    EXPECT_EQ(bitSetFirst(s), 5u);
    EXPECT_EQ(bitSetLast(s), 700u);
    EXPECT_TRUE(bitSetElement(s, 700));
    EXPECT_FALSE(bitSetElement(s, 699));
    EXPECT_FALSE(bitSetElement(s, 100000));
    bitSetDeleteFrom(5, s);
    bitSetAddTo(6, s);
    EXPECT_EQ(elements(s), (Elements{6, 700}));
    bitSetDelete(s);
}

TEST(BitSetHashing, FoldsSixteenBitPiecesFromTheFirstNonZeroWord)
{
    stdBitSet zero = bitSetSingleton(0), word1 = bitSetSingleton(64);
    stdBitSet mixed = make({224, 255, 336}), empty = bitSetCreate();
    EXPECT_EQ(bitSetHash(zero), 29791u);
    EXPECT_EQ(bitSetHash(word1), 35822u);
    EXPECT_EQ(bitSetHash(mixed), 34933u);
    EXPECT_EQ(bitSetHash(empty), 0u);
    bitSetInsert(mixed, 10);
    bitSetRemove(mixed, 10);   /* a leading zero word stays in the window */
    EXPECT_EQ(bitSetHash(mixed), 34933u);
    for (stdBitSet x : {zero, word1, mixed, empty}) bitSetDelete(x);
}

/* ------------------------------------------------------------------ */

TEST(BitSetPrinting, ElementsAndLongRuns)
{
    stdBitSet s = make(join({{1, 2, 3}, span(20, 40)}));
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrint(w, s); }), "{ 1 2 3 20-40 }\n");
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWN(w, s); }), "{ 1 2 3 20-40 }");
    stdBitSet ten = bitSetRange(100, 109), eleven = bitSetRange(100, 110), empty = bitSetCreate();
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWN(w, ten); }),
              "{ 100 101 102 103 104 105 106 107 108 109 }");
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWN(w, eleven); }), "{ 100-110 }");
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrint(w, empty); }), "{ }\n");
    stdBitSet big = bitSetRange(0xFFFFFFF0u, 0xFFFFFFFEu);
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWN(w, big); }), "{ 4294967280-4294967294 }");
    for (stdBitSet x : {s, ten, eleven, empty, big}) bitSetDelete(x);
}

TEST(BitSetPrinting, WordsFromIndexZero)
{
    stdBitSet a = make({1, 130}), b = bitSetSingleton(130), e = bitSetCreate();
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWord(w, a); }), "0x2, 0x0, 0x4");
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWord(w, b); }), "0x0, 0x0, 0x4");
    EXPECT_EQ(writtenBy([&](stdWriter w) { bitSetPrintWord(w, e); }), "");
    for (stdBitSet x : {a, b, e}) bitSetDelete(x);
}

} // namespace
