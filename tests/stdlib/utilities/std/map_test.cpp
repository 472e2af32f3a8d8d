/*
 * Hash maps: growth, slot reuse and visiting order, lookups, iterators,
 * conversions and the maps of collections.
 */
#include <gtest/gtest.h>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>
#include "stdBitSet.h"
#include "stdMap.h"
#include "stdSet.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stringCapture.h"
#include "tableWords.h"

namespace {

using testsupport::K;
using testsupport::U;

std::vector<uInt64> keysInOrder(stdMap map)
{
    std::vector<uInt64> keys;
    mapDomainTraverse(map, [](Pointer k, Pointer data) { ((std::vector<uInt64> *)data)->push_back(U(k)); }, &keys);
    return keys;
}

std::vector<uInt64> range(uInt64 first, uInt64 end)
{
    std::vector<uInt64> v;
    for (uInt64 i = first; i < end; i++) v.push_back(i);
    return v;
}

std::vector<uInt64> concat(std::vector<std::vector<uInt64>> parts)
{
    std::vector<uInt64> v;
    for (auto &p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

uInt32 nrofBuckets(stdMap map)
{
    stdHashTableParametersRec p;
    mapGetHashTableParameters(map, &p);
    return p.nrofBuckets;
}

std::string printed(stdMap map)
{
    return testsupport::writtenBy([&](stdWriter w) { mapPrint(w, map); });
}

std::vector<uInt64> listWords(stdList list)
{
    std::vector<uInt64> v;
    for (stdList l = list; l; l = l->next) v.push_back(U(l->element));
    return v;
}

stdMap intMap(Int hint) { return mapCreate(stdIntHash, stdIntEqual, hint); }

/* ------------------------------------------------------------------ */

TEST(MapGrowth, BucketsDoubleWhenMoreThanFourPerBucket)
{
    stdMap m = intMap(1);
    EXPECT_EQ(nrofBuckets(m), 1u);
    for (uInt64 k = 1; k <= 4; k++) mapDefine(m, K(k), K(k));
    EXPECT_EQ(nrofBuckets(m), 1u);
    mapDefine(m, K(5), K(5));
    EXPECT_EQ(nrofBuckets(m), 2u);
    for (uInt64 k = 6; k <= 8; k++) mapDefine(m, K(k), K(k));
    EXPECT_EQ(nrofBuckets(m), 2u);
    mapDefine(m, K(9), K(9));
    EXPECT_EQ(nrofBuckets(m), 4u);
    mapDelete(m);
}

TEST(MapGrowth, RemovalsInBetweenDelayTheNextDoubling)
{
    stdMap m = intMap(1);
    for (uInt64 k = 1; k <= 9; k++) mapDefine(m, K(k), K(100 + k));
    ASSERT_EQ(nrofBuckets(m), 4u);
    for (uInt64 k = 1; k <= 5; k++) EXPECT_EQ(mapUndefine(m, K(k)), K(100 + k));
    EXPECT_EQ(mapSize(m), 4u);
    EXPECT_EQ(nrofBuckets(m), 4u);   /* never shrinks */

    for (uInt64 k = 20; k < 32; k++) mapDefine(m, K(k), K(100 + k));   /* size 16 = limit */
    EXPECT_EQ(nrofBuckets(m), 4u);
    mapDefine(m, K(32), K(132));                                       /* 17 > 16 */
    EXPECT_EQ(nrofBuckets(m), 8u);

    for (uInt64 k = 1; k <= 5; k++) EXPECT_FALSE(mapIsDefined(m, K(k)));
    for (uInt64 k = 6; k <= 9; k++) EXPECT_EQ(mapApply(m, K(k)), K(100 + k));
    for (uInt64 k = 20; k <= 32; k++) EXPECT_EQ(mapApply(m, K(k)), K(100 + k));
    mapDelete(m);
}

TEST(MapGrowth, SizeHintRoundsUpToAPowerOfTwo)
{
    stdMap a = intMap(0), b = intMap(5), c = intMap(64), d = intMap(-3);
    EXPECT_EQ(nrofBuckets(a), 1u);
    EXPECT_EQ(nrofBuckets(b), 8u);
    EXPECT_EQ(nrofBuckets(c), 64u);
    EXPECT_EQ(nrofBuckets(d), 1u);
    mapDelete(a), mapDelete(b), mapDelete(c), mapDelete(d);
}

TEST(MapGrowth, RehashKeepsSlotOrderInsideBuckets)
{
    stdMap m = intMap(1);
    for (uInt64 k = 5; k >= 1; k--) mapDefine(m, K(k), K(k + 0x10));   /* slots 0..4 hold 5..1 */
    EXPECT_EQ(printed(m),
              "-    0 :    2\t| (0x4,0x14) (0x2,0x12)\n"
              "-    1 :    3\t| (0x5,0x15) (0x3,0x13) (0x1,0x11)\n"
              " Optimal bucket filling: 2.500000 / bucket\n"
              " Current bucket filling: 2.500000 / bucket\n"
              " Largest bucket filling: 3\n"
              " Bucket fillings       : 2(1) 3(1) \n");
    mapDelete(m);
}

TEST(MapGrowth, ManyKeysAgainstAReferenceMap)
{
    std::mt19937_64 random(12345);
    std::unordered_map<uInt64, uInt64> model;
    stdMap m = intMap(1);
    for (int step = 0; step < 40000; step++) {
        uInt64 key = 1 + random() % 5000;
        if (random() % 3 == 0) {
            auto it = model.find(key);
            Pointer expected = it == model.end() ? nullptr : K(it->second);
            ASSERT_EQ(mapUndefine(m, K(key)), expected);
            model.erase(key);
        } else {
            uInt64 value = random() | 1;
            auto it = model.find(key);
            Pointer expected = it == model.end() ? nullptr : K(it->second);
            ASSERT_EQ(mapDefine(m, K(key), K(value)), expected);
            model[key] = value;
        }
    }
    EXPECT_EQ(mapSize(m), model.size());
    uInt32 hash = 0;
    for (auto &[k, v] : model) {
        EXPECT_EQ(mapApply(m, K(k)), K(v));
        hash ^= (uInt32)k;
    }
    EXPECT_EQ(mapHash(m), hash);
    std::vector<uInt64> keys = keysInOrder(m);
    EXPECT_EQ(keys.size(), model.size());
    for (uInt64 k : keys) EXPECT_TRUE(model.count(k));
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapOrder, GrowingMapIsVisitedInInsertionOrder)
{
    stdMap m = mapCreate(stdStringHash, stdStringEqual, 1);
    std::vector<std::string> names;
    for (int i = 0; i < 300; i++) names.push_back("name" + std::to_string((i * 7919) % 1000));
    for (auto &n : names) mapDefine(m, (Pointer)n.c_str(), nullptr);
    std::vector<std::string> seen;
    mapDomainTraverse(m, [](Pointer k, Pointer d) { ((std::vector<std::string> *)d)->push_back((cString)k); }, &seen);
    EXPECT_EQ(seen, names);
    mapDelete(m);
}

TEST(MapOrder, FreedSlotIsReusedOnlyWhenTheSearchWrapsToIt)
{
    stdMap m = intMap(64);
    for (uInt64 k = 100; k < 140; k++) mapDefine(m, K(k), K(1));   /* slots 0..39 */
    mapUndefine(m, K(103));                                          /* frees slot 3 */

    mapDefine(m, K(200), K(1));   /* the search starts in word 1, which has room */
    EXPECT_EQ(keysInOrder(m), concat({range(100, 103), range(104, 140), {200}}));

    for (uInt64 k = 201; k < 224; k++) mapDefine(m, K(k), K(1));    /* fills word 1 */
    mapDefine(m, K(300), K(1));   /* word 1 full, none after it: wraps to slot 3 */
    EXPECT_EQ(keysInOrder(m), concat({range(100, 103), {300}, range(104, 140), range(200, 224)}));

    mapDefine(m, K(301), K(1));   /* every word full: a new word */
    EXPECT_EQ(keysInOrder(m), concat({range(100, 103), {300}, range(104, 140), range(200, 224), {301}}));
    mapDelete(m);
}

TEST(MapOrder, RemovalMovesTheLastSlotOfTheBucketForward)
{
    stdMap m = intMap(1);
    for (uInt64 k = 1; k <= 4; k++) mapDefine(m, K(k), K(10 * k));
    EXPECT_EQ(mapUndefine(m, K(1)), K(10));
    EXPECT_EQ(printed(m),
              "-    0 :    3\t| (0x4,0x28) (0x2,0x14) (0x3,0x1e)\n"
              " Optimal bucket filling: 3.000000 / bucket\n"
              " Current bucket filling: 3.000000 / bucket\n"
              " Largest bucket filling: 3\n"
              " Bucket fillings       : 3(1) \n");
    /* slot order is unaffected by the bucket's list order */
    EXPECT_EQ(keysInOrder(m), (std::vector<uInt64>{2, 3, 4}));
    mapDelete(m);
}

TEST(MapOrder, AnyDomainIsTheLowestOccupiedSlot)
{
    stdMap m = intMap(4);
    EXPECT_EQ(mapAnyDomain(m), nullptr);
    EXPECT_EQ(mapAnyRange(m), nullptr);
    for (uInt64 k = 1; k <= 3; k++) mapDefine(m, K(k), K(10 * k));
    mapUndefine(m, K(1));
    EXPECT_EQ(mapAnyDomain(m), K(2));
    EXPECT_EQ(mapAnyRange(m), K(20));
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapTraversal, CallbackMayRemoveTheEntryItIsGiven)
{
    stdMap m = intMap(1);
    for (uInt64 k = 1; k <= 100; k++) mapDefine(m, K(k), K(k));
    int visits = 0;
    struct Ctx { stdMap m; int *visits; } ctx{m, &visits};
    mapTraverse(m, [](Pointer k, Pointer, Pointer d) {
        Ctx *c = (Ctx *)d;
        (*c->visits)++;
        if (U(k) % 2 == 0) mapUndefine(c->m, k);
    }, &ctx);
    EXPECT_EQ(visits, 100);
    EXPECT_EQ(mapSize(m), 50u);
    for (uInt64 k = 1; k <= 100; k++) EXPECT_EQ(mapIsDefined(m, K(k)), k % 2 == 1);
    mapDelete(m);
}

TEST(MapTraversal, EntryRemovedByAnEarlierCallbackIsNotVisited)
{
    stdMap m = intMap(8);
    for (uInt64 k = 1; k <= 10; k++) mapDefine(m, K(k), K(k));
    struct Ctx { stdMap m; std::vector<uInt64> seen; } ctx{m, {}};
    mapTraverse(m, [](Pointer k, Pointer, Pointer d) {
        Ctx *c = (Ctx *)d;
        c->seen.push_back(U(k));
        if (U(k) == 3) mapUndefine(c->m, K(4));
    }, &ctx);
    EXPECT_EQ(ctx.seen, (std::vector<uInt64>{1, 2, 3, 5, 6, 7, 8, 9, 10}));
    mapDelete(m);
}

TEST(MapTraversal, EmptyingTheMapFromACallbackEndsTheWalk)
{
    stdMap m = intMap(8);
    for (uInt64 k = 1; k <= 100; k++) mapDefine(m, K(k), K(k));
    struct Ctx { stdMap m; int visits; } ctx{m, 0};
    mapTraverse(m, [](Pointer, Pointer, Pointer d) {
        Ctx *c = (Ctx *)d;
        c->visits++;
        mapEmpty(c->m);
    }, &ctx);
    EXPECT_EQ(ctx.visits, 1);
    EXPECT_EQ(mapSize(m), 0u);
    mapDelete(m);
}

TEST(MapTraversal, RangeTraversalSeesValuesInSlotOrder)
{
    stdMap m = intMap(2);
    for (uInt64 k = 1; k <= 5; k++) mapDefine(m, K(k), K(k * 11));
    std::vector<uInt64> values;
    mapRangeTraverse(m, [](Pointer v, Pointer d) { ((std::vector<uInt64> *)d)->push_back(U(v)); }, &values);
    EXPECT_EQ(values, (std::vector<uInt64>{11, 22, 33, 44, 55}));
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapIterator, SkipsAnEmptiedFirstWord)
{
    stdMap m = intMap(16);
    for (uInt64 k = 0; k < 100; k++) mapDefine(m, K(1000 + k), K(k));
    for (uInt64 k = 0; k < 32; k++) mapUndefine(m, K(1000 + k));
    std::vector<uInt64> keys, values;
    for (stdMapIterator it = mapBegin(m); !mapAtEnd(&it); mapNext(it)) {
        keys.push_back(U(mapDomainValue(it)));
        values.push_back(U(mapRangeValue(it)));
    }
    EXPECT_EQ(keys, range(1032, 1100));
    EXPECT_EQ(values, range(32, 100));
    mapDelete(m);
}

TEST(MapIterator, EmptyMapGivesNoIterator)
{
    stdMap m = intMap(1);
    stdMapIterator it = mapBegin(m);
    EXPECT_EQ(it, nullptr);
    EXPECT_TRUE(mapAtEnd(&it));
    EXPECT_EQ(mapDomainValue(nullptr), nullptr);
    EXPECT_EQ(mapRangeValue(nullptr), nullptr);
    mapNext(nullptr);
    mapDelete(m);
}

TEST(MapIterator, AtEndFreesAndClearsTheVariable)
{
    stdMap m = intMap(1);
    mapDefine(m, K(7), K(70));
    stdMapIterator it = mapBegin(m);
    ASSERT_NE(it, nullptr);
    EXPECT_FALSE(mapAtEnd(&it));
    EXPECT_EQ(mapDomainValue(it), K(7));
    mapNext(it);
    EXPECT_EQ(mapDomainValue(it), nullptr);
    EXPECT_TRUE(mapAtEnd(&it));
    EXPECT_EQ(it, nullptr);
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapLookup, RedefinitionKeepsTheFirstKeyObject)
{
    char first[] = "key", second[] = "key";
    stdMap m = mapCreate(stdStringHash, stdStringEqual, 4);
    EXPECT_EQ(mapDefine(m, first, K(1)), nullptr);
    EXPECT_EQ(mapDefine(m, second, K(2)), K(1));
    EXPECT_EQ(mapSize(m), 1u);
    EXPECT_EQ(mapDomain(m, second), (Pointer)first);
    EXPECT_EQ(mapApply(m, second), K(2));

    Pointer probe = second;
    EXPECT_EQ(mapApply1(m, &probe), K(2));
    EXPECT_EQ(probe, (Pointer)first);

    Pointer missing = (Pointer) "other";
    EXPECT_EQ(mapApply1(m, &missing), nullptr);
    EXPECT_STREQ((cString)missing, "other");
    mapDelete(m);
}

TEST(MapLookup, AbsentKeysAndNullValues)
{
    stdMap m = intMap(4);
    mapDefine(m, K(5), nullptr);
    EXPECT_TRUE(mapIsDefined(m, K(5)));
    EXPECT_EQ(mapApply(m, K(5)), nullptr);
    EXPECT_EQ(mapApplyWD(m, K(5), K(99)), nullptr);
    EXPECT_EQ(mapApplyWD(m, K(6), K(99)), K(99));
    EXPECT_FALSE(mapIsDefined(m, K(6)));
    EXPECT_EQ(mapUndefine(m, K(6)), nullptr);
    EXPECT_EQ(mapRemoveDomain(K(5), m), nullptr);
    EXPECT_EQ(mapSize(m), 0u);
    mapDelete(m);
}

TEST(MapLookup, NullIsAnOrdinaryKey)
{
    stdMap m = mapCreate(stdNStringHash, stdNStringEqual, 4);
    mapDefine(m, nullptr, K(1));
    mapDefine(m, (Pointer) "a", K(2));
    EXPECT_EQ(mapApply(m, nullptr), K(1));
    EXPECT_EQ(mapApply(m, (Pointer) "a"), K(2));
    EXPECT_EQ(mapHash(m), 0xFFFFFFFFu ^ stdStringHash((Pointer) "a"));
    mapDelete(m);
}

TEST(MapLookup, HashIsTheXorOfThePresentKeys)
{
    stdMap m = mapCreate(stdPointerHash, stdPointerEqual, 4);
    int a, b, c;
    mapDefine(m, &a, nullptr);
    mapDefine(m, &b, nullptr);
    mapDefine(m, &c, nullptr);
    mapUndefine(m, &b);
    EXPECT_EQ(mapHash(m), stdPointerHash(&a) ^ stdPointerHash(&c));
    mapUndefine(m, &a);
    mapUndefine(m, &c);
    EXPECT_EQ(mapHash(m), 0u);
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(CaseIgnoringMaps, KeysDifferingInCaseAreOneEntry)
{
    char key[] = "Key";
    stdMap m = mapCreate(stdCIStringHash, stdCIStringEqual, 1);
    mapDefine(m, key, K(1));
    EXPECT_EQ(mapDefine(m, (Pointer) "KEY", K(2)), K(1));
    EXPECT_EQ(mapSize(m), 1u);
    EXPECT_EQ(mapDomain(m, (Pointer) "kEY"), (Pointer)key);
    EXPECT_FALSE(mapIsDefined(m, (Pointer) "Ke`"));
    mapDelete(m);
}

TEST(CaseIgnoringMaps, SurviveGrowthAndRemoval)
{
    stdMap m = mapCreate(stdCIStringHash, stdCIStringEqual, 1);
    std::vector<std::string> lower, upper;
    for (int i = 0; i < 200; i++) {
        lower.push_back("option-name-" + std::to_string(i));
        std::string u = lower.back();
        for (char &ch : u) ch = (char)toupper((unsigned char)ch);
        upper.push_back(u);
    }
    for (int i = 0; i < 200; i++) mapDefine(m, (Pointer)lower[i].c_str(), K(i + 1));
    EXPECT_GE(nrofBuckets(m), 64u);
    for (int i = 0; i < 200; i += 3) EXPECT_EQ(mapUndefine(m, (Pointer)upper[i].c_str()), K(i + 1));
    for (int i = 0; i < 200; i++) {
        EXPECT_EQ(mapIsDefined(m, (Pointer)upper[i].c_str()), i % 3 != 0) << i;
        if (i % 3) {
            EXPECT_EQ(mapDomain(m, (Pointer)upper[i].c_str()), (Pointer)lower[i].c_str());
        }
    }
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

struct DTableData {
    int hashes = 0;
    int compares = 0;
};

uInt32 countingHash(Pointer k, Pointer data)
{
    ((DTableData *)data)->hashes++;
    return (uInt32)U(k) / 10;   /* 10..19 collide, and so on */
}

Bool countingEqual(Pointer a, Pointer b, Pointer data)
{
    ((DTableData *)data)->compares++;
    return a == b;
}

TEST(DTables, FunctionsReceiveTheData)
{
    DTableData data;
    stdMap m = mapDCreate(countingHash, countingEqual, 4, &data);
    for (uInt64 k = 10; k < 20; k++) mapDefine(m, K(k), K(k));
    EXPECT_GE(data.hashes, 10);
    EXPECT_GT(data.compares, 0);
    for (uInt64 k = 10; k < 20; k++) EXPECT_EQ(mapApply(m, K(k)), K(k));
    stdHashTableParametersRec p;
    mapGetHashTableParameters(m, &p);
    EXPECT_EQ(p.data, &data);
    EXPECT_EQ(p.hashDFunction, countingHash);
    EXPECT_EQ(p.equalDFunction, countingEqual);
    EXPECT_EQ(p.hashFunction, nullptr);
    EXPECT_EQ(p.nrofBuckets, 4u);

    stdSet keys = mapDomainToSet(m);   /* keeps the D functions */
    int before = data.hashes;
    EXPECT_TRUE(setContains(keys, K(15)));
    EXPECT_GT(data.hashes, before);
    setDelete(keys);
    mapDelete(m);
}

TEST(DTablesDeathTest, NeedADataPointer)
{
    EXPECT_EXIT(mapDCreate(countingHash, countingEqual, 4, nullptr), ::testing::ExitedWithCode(1),
                "Assertion failure at .*stdMap.cpp, line [0-9]+: ");
}

/* ------------------------------------------------------------------ */

TEST(MapEmptying, RefilledMapBehavesLikeAFreshOne)
{
    stdMap m = intMap(2);
    for (uInt64 k = 0; k < 500; k++) mapDefine(m, K(k + 1), K(k));
    for (uInt64 k = 0; k < 500; k += 2) mapUndefine(m, K(k + 1));
    uInt32 buckets = nrofBuckets(m);
    EXPECT_TRUE(mapEmpty(m));
    EXPECT_FALSE(mapEmpty(m));
    EXPECT_EQ(mapSize(m), 0u);
    EXPECT_EQ(mapHash(m), 0u);
    EXPECT_EQ(nrofBuckets(m), buckets);
    EXPECT_EQ(mapAnyDomain(m), nullptr);

    for (uInt64 k = 0; k < 40; k++) mapDefine(m, K(7000 + k), K(k));
    EXPECT_EQ(keysInOrder(m), range(7000, 7040));
    EXPECT_FALSE(mapIsDefined(m, K(2)));
    EXPECT_EQ(mapApply(m, K(7039)), K(39));
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapCopies, CopyKeepsOrderAndIsIndependent)
{
    stdMap m = intMap(1);
    for (uInt64 k = 1; k <= 50; k++) mapDefine(m, K(k), K(k * 2));
    for (uInt64 k = 1; k <= 50; k += 5) mapUndefine(m, K(k));
    mapDefine(m, K(999), K(1));   /* reuses a freed slot in the middle */
    std::vector<uInt64> order = keysInOrder(m);

    stdMap c = mapCopy(m);
    EXPECT_EQ(keysInOrder(c), order);
    EXPECT_EQ(mapHash(c), mapHash(m));
    EXPECT_EQ(nrofBuckets(c), nrofBuckets(m));
    EXPECT_TRUE(mapEqual(m, c, stdPointerEqual));
    mapDefine(c, K(2), K(0));
    EXPECT_EQ(mapApply(m, K(2)), K(4));
    EXPECT_FALSE(mapEqual(m, c, stdPointerEqual));

    stdMap like = mapCreateLike(m);
    EXPECT_EQ(mapSize(like), 0u);
    EXPECT_EQ(nrofBuckets(like), nrofBuckets(m));
    mapDelete(like);
    mapDelete(c);
    mapDelete(m);
}

TEST(MapCopies, EqualityComparesKeysAndValues)
{
    char v1[] = "v", v2[] = "v", w[] = "w";
    stdMap a = intMap(1), b = intMap(8);
    mapDefine(a, K(1), v1);
    mapDefine(a, K(2), w);
    mapDefine(b, K(2), w);
    mapDefine(b, K(1), v2);
    EXPECT_TRUE(mapEqual(a, b, stdStringEqual));
    EXPECT_FALSE(mapEqual(a, b, stdPointerEqual));
    EXPECT_TRUE(mapEqual(a, a, stdPointerEqual));

    stdMap c = intMap(1);
    mapDefine(c, K(1), v1);
    mapDefine(c, K(3), w);
    EXPECT_FALSE(mapEqual(a, c, stdStringEqual));
    mapDelete(a), mapDelete(b), mapDelete(c);
}

/* ------------------------------------------------------------------ */

TEST(MapConversions, ListsHoldDescendingSlotOrder)
{
    stdMap m = intMap(4);
    for (uInt64 k = 1; k <= 3; k++) mapDefine(m, K(k), K(k * 10));
    stdList keys = mapDomainToList(m), values = mapRangeToList(m), pairs = mapToList(m);
    EXPECT_EQ(listWords(keys), (std::vector<uInt64>{3, 2, 1}));
    EXPECT_EQ(listWords(values), (std::vector<uInt64>{30, 20, 10}));
    ASSERT_EQ(listSize(pairs), 3u);
    stdList first = (stdList)pairs->element;
    EXPECT_EQ(listWords(first), (std::vector<uInt64>{3, 30}));
    for (stdList l = pairs; l; l = l->next) listDelete((stdList)l->element);
    listDelete(pairs), listDelete(keys), listDelete(values);
    mapDelete(m);
}

TEST(MapConversions, SetsOfKeysAndValues)
{
    stdMap m = mapCreate(stdCIStringHash, stdCIStringEqual, 4);
    mapDefine(m, (Pointer) "alpha", K(1));
    mapDefine(m, (Pointer) "beta", K(2));
    mapDefine(m, (Pointer) "gamma", K(1));
    stdSet keys = mapDomainToSet(m);
    EXPECT_EQ(setSize(keys), 3u);
    EXPECT_TRUE(setContains(keys, (Pointer) "ALPHA"));   /* the map's key functions */
    stdSet values = mapRangeToSet(m, stdIntHash, stdIntEqual);
    EXPECT_EQ(setSize(values), 2u);
    EXPECT_TRUE(setContains(values, K(2)));
    setDelete(keys), setDelete(values);
    mapDelete(m);
}

TEST(MapConversions, InverseMapFromATraversal)
{
    stdMap m = intMap(4), inverse = intMap(4);
    for (uInt64 k = 1; k <= 6; k++) mapDefine(m, K(k), K(100 + k));
    mapTraverse(m, [](Pointer k, Pointer v, Pointer d) { mapAddInvTo(k, v, (stdMap)d); }, inverse);
    for (uInt64 k = 1; k <= 6; k++) EXPECT_EQ(mapApply(inverse, K(100 + k)), K(k));

    stdMap copy = intMap(1);
    mapTraverse(m, [](Pointer k, Pointer v, Pointer d) { mapAddTo(k, v, (stdMap)d); }, copy);
    EXPECT_TRUE(mapEqual(m, copy, stdPointerEqual));
    mapDelete(m), mapDelete(inverse), mapDelete(copy);
}

TEST(MapConversions, DefineMultiGivesEveryKeyTheValue)
{
    stdSet s = setCreate(stdIntHash, stdIntEqual, 4);
    for (uInt64 k = 1; k <= 9; k++) setInsert(s, K(k));
    stdMap m = intMap(1);
    mapDefine(m, K(3), K(0));
    mapDefineMulti(m, s, K(42));
    EXPECT_EQ(mapSize(m), 9u);
    for (uInt64 k = 1; k <= 9; k++) EXPECT_EQ(mapApply(m, K(k)), K(42));
    setDelete(s);
    mapDelete(m);
}

/* ------------------------------------------------------------------ */

TEST(MapsOfCollections, EmptyingDeletesTheValuesAndKeepsTheMap)
{
    stdMap sets = intMap(4), bitSets = intMap(4), maps = intMap(4), mapMaps = intMap(4);
    for (uInt64 k = 1; k <= 5; k++) {
        stdSet s = setCreate(stdIntHash, stdIntEqual, 1);
        setInsert(s, K(k));
        mapDefine(sets, K(k), s);
        mapDefine(bitSets, K(k), bitSetRange(0, (uInt32)(k * 100)));
        stdMap inner = intMap(1);
        mapDefine(inner, K(k), K(k));
        mapDefine(maps, K(k), inner);
        stdMap outer = intMap(1);
        mapDefine(outer, K(1), intMap(2));
        mapDefine(outer, K(2), intMap(2));
        mapDefine(mapMaps, K(k), outer);
    }
    mapEmptySetMap(sets);
    mapEmptyBitSetMap(bitSets);
    mapEmptyMapMap(maps);
    mapEmptyMapMapMap(mapMaps);
    EXPECT_EQ(mapSize(sets) + mapSize(bitSets) + mapSize(maps) + mapSize(mapMaps), 0u);
    mapDefine(sets, K(1), setCreate(stdIntHash, stdIntEqual, 1));
    mapDeleteSetMap(sets);
    mapDefine(bitSets, K(1), bitSetSingleton(3));
    mapDeleteBitSetMap(bitSets);
    mapDefine(maps, K(1), intMap(1));
    mapDeleteMapMap(maps);
    stdMap outer = intMap(1);
    mapDefine(outer, K(1), intMap(1));
    mapDefine(mapMaps, K(1), outer);
    mapDeleteMapMapMap(mapMaps);
    /* the leak checker of the sanitizer build verifies that every value went */
}

/* ------------------------------------------------------------------ */

TEST(MapStatistics, EmptyAndSpreadTables)
{
    stdMap empty = intMap(1);
    EXPECT_EQ(printed(empty),
              " Optimal bucket filling: 0.000000 / bucket\n"
              " Current bucket filling: 0.000000 / bucket\n"
              " Largest bucket filling: 0\n"
              " Bucket fillings       : 0(1) \n");
    mapDelete(empty);

    stdMap m = intMap(4);
    for (uInt64 k : {4, 8, 12, 1}) mapDefine(m, K(k), K(k + 0x100));
    EXPECT_EQ(printed(m),
              "-    0 :    3\t| (0x4,0x104) (0x8,0x108) (0xc,0x10c)\n"
              "-    1 :    1\t| (0x1,0x101)\n"
              " Optimal bucket filling: 1.000000 / bucket\n"
              " Current bucket filling: 2.000000 / bucket\n"
              " Largest bucket filling: 3\n"
              " Bucket fillings       : 0(2) 1(1) 3(1) \n");
    mapDelete(m);
}

} // namespace
