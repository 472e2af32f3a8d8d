/*
 * Hash sets: replacement of equal elements, relations, algebra, order,
 * iterators and statistics.
 */
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "stdSet.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stringCapture.h"
#include "tableWords.h"

namespace {

using testsupport::K;
using testsupport::U;

stdSet intSet(std::vector<uInt64> elements, Int hint = 1)
{
    stdSet s = setCreate(stdIntHash, stdIntEqual, hint);
    for (uInt64 e : elements) setInsert(s, K(e));
    return s;
}

std::vector<uInt64> inOrder(stdSet s)
{
    std::vector<uInt64> v;
    setTraverse(s, [](Pointer e, Pointer d) { ((std::vector<uInt64> *)d)->push_back(U(e)); }, &v);
    return v;
}

std::string printed(stdSet set)
{
    return testsupport::writtenBy([&](stdWriter w) { setPrint(w, set); });
}

/* ------------------------------------------------------------------ */

TEST(SetElements, InsertingAnEqualElementReplacesIt)
{
    char first[] = "x", second[] = "x";
    stdSet s = setCreate(stdStringHash, stdStringEqual, 2);
    EXPECT_EQ(setInsert(s, first), nullptr);
    EXPECT_EQ(setInsert(s, second), (Pointer)first);
    EXPECT_EQ(setSize(s), 1u);
    EXPECT_EQ(setElement(s, (Pointer) "x"), (Pointer)second);
    EXPECT_EQ(setRemove(s, (Pointer) "x"), (Pointer)second);
    EXPECT_TRUE(setIsEmpty(s));
    EXPECT_EQ(setRemove(s, (Pointer) "x"), nullptr);
    setDelete(s);
}

TEST(SetElements, ContainsElementAndAnyElement)
{
    stdSet s = intSet({5, 6, 7});
    EXPECT_TRUE(setContains(s, K(6)));
    EXPECT_FALSE(setContains(s, K(8)));
    EXPECT_EQ(setElement(s, K(8)), nullptr);
    EXPECT_EQ(setAnyElement(s), K(5));
    setDeleteFrom(K(5), s);
    EXPECT_EQ(setAnyElement(s), K(6));
    setAddTo(K(5), s);   /* the search starts in word 0 and takes slot 0 again */
    EXPECT_EQ(setSize(s), 3u);
    EXPECT_EQ(setAnyElement(s), K(5));
    setDelete(s);
}

TEST(SetElements, HashIsTheXorOfTheElementHashes)
{
    stdSet s = setCreate(stdStringHash, stdStringEqual, 4);
    setInsert(s, (Pointer) "a");
    setInsert(s, (Pointer) "b");
    EXPECT_EQ(setHash(s), stdStringHash((Pointer) "a") ^ stdStringHash((Pointer) "b"));
    setInsert(s, (Pointer) "a");   /* replacing changes nothing */
    EXPECT_EQ(setHash(s), stdStringHash((Pointer) "a") ^ stdStringHash((Pointer) "b"));
    setRemove(s, (Pointer) "a");
    EXPECT_EQ(setHash(s), stdStringHash((Pointer) "b"));
    setDelete(s);
}

TEST(SetElements, ManyElementsAgainstAReferenceSet)
{
    std::mt19937 random(7);
    std::set<uInt64> model;
    stdSet s = setCreate(stdPointerHash, stdPointerEqual, 1);
    for (int step = 0; step < 30000; step++) {
        uInt64 e = 8 * (1 + random() % 4000);
        if (random() % 2) {
            ASSERT_EQ(setRemove(s, K(e)) != nullptr, model.erase(e) == 1);
        } else {
            ASSERT_EQ(setInsert(s, K(e)) != nullptr, !model.insert(e).second);
        }
    }
    EXPECT_EQ(setSize(s), model.size());
    std::vector<uInt64> seen = inOrder(s);
    EXPECT_EQ(std::set<uInt64>(seen.begin(), seen.end()), model);
    EXPECT_EQ(seen.size(), model.size());
    setDelete(s);
}

/* ------------------------------------------------------------------ */

TEST(SetRelations, OverlapCodes)
{
    stdSet s12 = intSet({1, 2}), s123 = intSet({1, 2, 3}), s23 = intSet({2, 3}), s45 = intSet({4, 5});
    stdSet s21 = intSet({2, 1}), empty = intSet({});
    EXPECT_EQ(setOverlapsHow(s12, s123), 2);
    EXPECT_EQ(setOverlapsHow(s123, s12), 1);
    EXPECT_EQ(setOverlapsHow(s12, s23), 4);
    EXPECT_EQ(setOverlapsHow(s12, s21), 3);
    EXPECT_EQ(setOverlapsHow(s12, s45), 0);
    EXPECT_EQ(setOverlapsHow(empty, s12), 0);
    EXPECT_EQ(setOverlapsHow(s12, empty), 0);
    EXPECT_TRUE(setOverlaps(s12, s23));
    EXPECT_FALSE(setOverlaps(s12, s45));
    EXPECT_EQ(nrofCommonElements(s123, s23), 2u);
    for (stdSet s : {s12, s123, s23, s45, s21, empty}) setDelete(s);
}

TEST(SetRelations, SubsetAndEquality)
{
    stdSet s12 = intSet({1, 2}), s123 = intSet({1, 2, 3}), s321 = intSet({3, 2, 1}, 64), s124 = intSet({1, 2, 4});
    stdSet empty = intSet({});
    EXPECT_TRUE(setSubset(s12, s123));
    EXPECT_FALSE(setSubset(s123, s12));
    EXPECT_TRUE(setSubset(empty, s12));
    EXPECT_TRUE(setSubset(s12, s12));
    EXPECT_FALSE(setSubset(s124, s123));
    EXPECT_TRUE(setEqual(s123, s321));
    EXPECT_FALSE(setEqual(s123, s124));
    EXPECT_FALSE(setEqual(s12, s123));
    EXPECT_TRUE(setEqual(empty, empty));
    for (stdSet s : {s12, s123, s321, s124, empty}) setDelete(s);
}

/* ------------------------------------------------------------------ */

TEST(SetAlgebra, NewSetsKeepTheOrderOfTheFirstOperand)
{
    stdSet a = intSet({5, 1, 4, 2}), b = intSet({4, 9, 2, 7});
    stdSet u = setUnion(a, b), d = setDifference(a, b), i = setIntersection(a, b);
    EXPECT_EQ(inOrder(u), (std::vector<uInt64>{5, 1, 4, 2, 9, 7}));
    EXPECT_EQ(inOrder(d), (std::vector<uInt64>{5, 1}));
    EXPECT_EQ(inOrder(i), (std::vector<uInt64>{4, 2}));
    EXPECT_EQ(inOrder(a), (std::vector<uInt64>{5, 1, 4, 2}));
    for (stdSet s : {a, b, u, d, i}) setDelete(s);
}

TEST(SetAlgebra, UnionTakesTheSecondOperandsEqualElements)
{
    char a1[] = "k", b1[] = "k";
    stdSet a = setCreate(stdStringHash, stdStringEqual, 1), b = setCreateLike(a);
    setInsert(a, a1);
    setInsert(b, b1);
    stdSet u = setUnion(a, b);
    EXPECT_EQ(setAnyElement(u), (Pointer)b1);
    for (stdSet s : {a, b, u}) setDelete(s);
}

TEST(SetAlgebra, InPlaceOperationsReportSizeChanges)
{
    stdSet a = intSet({1, 2, 3}), b = intSet({3, 4}), c = intSet({1, 2, 3, 4});
    EXPECT_TRUE(setInPlaceUnion(a, b));
    EXPECT_TRUE(setEqual(a, c));
    EXPECT_FALSE(setInPlaceUnion(a, b));
    EXPECT_FALSE(setInPlaceUnion(a, a));

    EXPECT_TRUE(setInPlaceDifference(a, b));
    EXPECT_EQ(inOrder(a), (std::vector<uInt64>{1, 2}));
    EXPECT_FALSE(setInPlaceDifference(a, b));

    EXPECT_TRUE(setInPlaceIntersection(c, b));
    EXPECT_EQ(inOrder(c), (std::vector<uInt64>{3, 4}));
    EXPECT_FALSE(setInPlaceIntersection(c, b));
    EXPECT_TRUE(setInPlaceIntersection(c, a));
    EXPECT_TRUE(setIsEmpty(c));

    EXPECT_TRUE(setInPlaceDifference(a, a));
    EXPECT_TRUE(setIsEmpty(a));
    for (stdSet s : {a, b, c}) setDelete(s);
}

/* ------------------------------------------------------------------ */

TEST(SetOrder, ToListIsDescendingSlotOrder)
{
    stdSet s = intSet({10, 20, 30, 40});
    setRemove(s, K(20));
    stdList l = setToList(s);
    std::vector<uInt64> v;
    for (stdList c = l; c; c = c->next) v.push_back(U(c->element));
    EXPECT_EQ(v, (std::vector<uInt64>{40, 30, 10}));
    listDelete(l);
    setDelete(s);
}

TEST(SetOrder, CopyKeepsOrderAfterRemovals)
{
    stdSet s = intSet({}, 2);
    for (uInt64 e = 1; e <= 70; e++) setInsert(s, K(e));
    for (uInt64 e = 1; e <= 70; e += 4) setRemove(s, K(e));
    setInsert(s, K(500));
    stdSet c = setCopy(s);
    EXPECT_EQ(inOrder(c), inOrder(s));
    EXPECT_TRUE(setEqual(c, s));
    setDelete(c);
    setDelete(s);
}

TEST(SetOrder, TraversalMayRemoveTheGivenElement)
{
    stdSet s = intSet({}, 1);
    for (uInt64 e = 1; e <= 100; e++) setInsert(s, K(e));
    setTraverse(s, [](Pointer e, Pointer d) { if (U(e) > 10) setRemove((stdSet)d, e); }, s);
    EXPECT_EQ(inOrder(s), (std::vector<uInt64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    setDelete(s);
}

TEST(SetIterator, VisitsEveryElementInSlotOrder)
{
    stdSet s = intSet({}, 8);
    for (uInt64 e = 1; e <= 80; e++) setInsert(s, K(e));
    for (uInt64 e = 1; e <= 32; e++) setRemove(s, K(e));
    std::vector<uInt64> seen;
    for (stdSetIterator it = setBegin(s); !setAtEnd(&it); setNext(it)) seen.push_back(U(setValue(it)));
    std::vector<uInt64> expected;
    for (uInt64 e = 33; e <= 80; e++) expected.push_back(e);
    EXPECT_EQ(seen, expected);

    setEmpty(s);
    stdSetIterator it = setBegin(s);
    EXPECT_EQ(it, nullptr);
    EXPECT_TRUE(setAtEnd(&it));
    EXPECT_EQ(setValue(nullptr), nullptr);
    setDelete(s);
}

/* ------------------------------------------------------------------ */

TEST(SetEmptying, RefilledSetBehavesLikeAFreshOne)
{
    stdSet s = intSet({}, 1);
    for (uInt64 e = 1; e <= 300; e++) setInsert(s, K(e));
    EXPECT_TRUE(setEmpty(s));
    EXPECT_FALSE(setEmpty(s));
    EXPECT_EQ(setHash(s), 0u);
    for (uInt64 e = 1000; e < 1040; e++) setInsert(s, K(e));
    std::vector<uInt64> expected;
    for (uInt64 e = 1000; e < 1040; e++) expected.push_back(e);
    EXPECT_EQ(inOrder(s), expected);
    EXPECT_FALSE(setContains(s, K(5)));
    setDelete(s);
}

TEST(SetStatistics, PrintsElementsPerBucket)
{
    stdSet s = intSet({2, 4, 3}, 2);
    EXPECT_EQ(printed(s),
              "-    0 :    2\t| 0x2 0x4\n"
              "-    1 :    1\t| 0x3\n"
              " Optimal bucket filling: 1.500000 / bucket\n"
              " Current bucket filling: 1.500000 / bucket\n"
              " Largest bucket filling: 2\n"
              " Bucket fillings       : 1(1) 2(1) \n");
    setDelete(s);
}

TEST(SetParameters, LikeSetsShareFunctionsAndBuckets)
{
    stdSet s = setCreate(stdCIStringHash, stdCIStringEqual, 100);
    stdSet like = setCreateLike(s);
    stdHashTableParametersRec p;
    setGetHashTableParameters(like, &p);
    EXPECT_EQ(p.hashFunction, stdCIStringHash);
    EXPECT_EQ(p.equalFunction, stdCIStringEqual);
    EXPECT_EQ(p.nrofBuckets, 128u);
    EXPECT_EQ(p.data, nullptr);
    setInsert(like, (Pointer) "Name");
    EXPECT_TRUE(setContains(like, (Pointer) "NAME"));
    setDelete(like);
    setDelete(s);
}

} // namespace
