// Lists: construction, removal, queries, traversal, conversion, printing,
// sorting and the cursor protocol.
#include "stdList.h"
#include "stdMemSpace.h"
#include "stdSet.h"
#include "stdStdFun.h"
#include "stdString.h"
#include "stdWriter.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

Pointer word(intptr_t value) { return (Pointer)value; }
intptr_t value(Pointer element) { return (intptr_t)element; }

stdList makeList(const std::vector<intptr_t> &values)
{
    stdList list = nullptr;
    for (auto it = values.rbegin(); it != values.rend(); ++it) list = listCons(word(*it), list);
    return list;
}

std::vector<intptr_t> contents(stdList list)
{
    std::vector<intptr_t> result;
    for (; list; list = list->next) result.push_back(value(list->element));
    return result;
}

using Values = std::vector<intptr_t>;

Bool sameWord(Pointer a, Pointer b) { return a == b; }
Bool sameText(Pointer a, Pointer b) { return strcmp((cString)a, (cString)b) == 0; }

TEST(ListBuilding, ConsAndAddToPutInFront)
{
    stdList list = listCons(word(2), nullptr);
    list = listCons(word(1), list);
    stdList head = listAddTo(word(0), &list);
    EXPECT_EQ(head, list);
    EXPECT_EQ(contents(list), (Values{0, 1, 2}));
    listDelete(list);
}

TEST(ListBuilding, PopTakesTheFirstElement)
{
    stdList list = makeList({7, 8});
    EXPECT_EQ(value(listPop(&list)), 7);
    EXPECT_EQ(value(listPop(&list)), 8);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(listPop(&list), nullptr);
    EXPECT_EQ(list, nullptr);
}

TEST(ListBuilding, ConcatLinksWithoutCopying)
{
    stdList a = makeList({1, 2});
    stdList b = makeList({3, 4});
    stdList secondCellOfB = b;
    stdList joined = listConcat(a, b);
    EXPECT_EQ(joined, a);
    EXPECT_EQ(contents(joined), (Values{1, 2, 3, 4}));
    EXPECT_EQ(a->next->next, secondCellOfB);

    stdList c = makeList({5});
    EXPECT_EQ(listConcat(nullptr, c), c);
    EXPECT_EQ(contents(c), (Values{5}));
    EXPECT_EQ(listConcat(c, nullptr), c);
    EXPECT_EQ(listConcat(nullptr, nullptr), nullptr);
    listDelete(joined);
    listDelete(c);
}

TEST(ListBuilding, CopyMakesNewCellsInTheSameOrder)
{
    stdList list = makeList({1, 2, 3});
    stdList copy = listCopy(list);
    EXPECT_EQ(contents(copy), (Values{1, 2, 3}));
    for (stdList a = list, b = copy; a; a = a->next, b = b->next) EXPECT_NE(a, b);
    listPop(&copy);
    EXPECT_EQ(contents(list), (Values{1, 2, 3}));
    EXPECT_EQ(listCopy(nullptr), nullptr);
    listDelete(list);
    listDelete(copy);
}

TEST(ListBuilding, ReverseInPlace)
{
    EXPECT_EQ(listReverse(nullptr), nullptr);
    stdList one = makeList({1});
    EXPECT_EQ(listReverse(one), one);
    stdList list = makeList({1, 2, 3, 4});
    stdList last = list->next->next->next;
    stdList reversed = listReverse(list);
    EXPECT_EQ(reversed, last);
    EXPECT_EQ(contents(reversed), (Values{4, 3, 2, 1}));
    EXPECT_EQ(list->next, nullptr);
    listDelete(one);
    listDelete(reversed);
}

TEST(ListInsertion, PutBeforeFirstMatch)
{
    stdList list = makeList({1, 2, 3, 2});
    EXPECT_TRUE(listPutBefore(word(9), word(2), &list));
    EXPECT_EQ(contents(list), (Values{1, 9, 2, 3, 2}));
    EXPECT_TRUE(listPutBefore(word(0), word(1), &list));
    EXPECT_EQ(contents(list), (Values{0, 1, 9, 2, 3, 2}));
    EXPECT_FALSE(listPutBefore(word(5), word(42), &list));
    EXPECT_EQ(contents(list), (Values{0, 1, 9, 2, 3, 2}));
    stdList empty = nullptr;
    EXPECT_FALSE(listPutBefore(word(5), word(1), &empty));
    EXPECT_EQ(empty, nullptr);
    listDelete(list);
}

TEST(ListRemoval, FirstMatchingElementOnly)
{
    stdList list = makeList({1, 2, 3, 2});
    listDeleteFrom(&list, word(2));
    EXPECT_EQ(contents(list), (Values{1, 3, 2}));
    listRemoveElement(word(1), &list);
    EXPECT_EQ(contents(list), (Values{3, 2}));
    listRemoveElement(word(42), &list);
    EXPECT_EQ(contents(list), (Values{3, 2}));
    listDeleteFrom(&list, word(2));
    listDeleteFrom(&list, word(3));
    EXPECT_EQ(list, nullptr);
    listDeleteFrom(&list, word(3));
    EXPECT_EQ(list, nullptr);
}

TEST(ListRemoval, ByIndex)
{
    stdList list = makeList({10, 11, 12, 13});
    listRemoveIndex(&list, 0);
    EXPECT_EQ(contents(list), (Values{11, 12, 13}));
    listRemoveIndex(&list, 2);
    EXPECT_EQ(contents(list), (Values{11, 12}));
    listRemoveIndex(&list, 2);
    listRemoveIndex(&list, 1000);
    EXPECT_EQ(contents(list), (Values{11, 12}));
    listRemoveIndex(&list, 1);
    EXPECT_EQ(contents(list), (Values{11}));
    listDelete(list);
}

TEST(ListRemoval, DeleteReturnsNull)
{
    EXPECT_EQ(listDelete(makeList({1, 2, 3})), nullptr);
    EXPECT_EQ(listDelete(nullptr), nullptr);
}

int deletedCount;
void countDelete(Pointer element)
{
    deletedCount++;
    memspFree(element);
}

TEST(ListRemoval, ObliterateFreesElementsToo)
{
    // the leak checker of the sanitizer build sees anything left behind
    stdList list = nullptr;
    for (int i = 0; i < 5; i++) listAddTo(stdMALLOC(16), &list);
    listObliterate(list, nullptr);

    deletedCount = 0;
    list = nullptr;
    for (int i = 0; i < 3; i++) listAddTo(stdMALLOC(8), &list);
    listObliterate(list, countDelete);
    EXPECT_EQ(deletedCount, 3);

    listObliterate(nullptr, countDelete);
    EXPECT_EQ(deletedCount, 3);
}

TEST(ListQueries, SizeAndIndex)
{
    EXPECT_EQ(listSize(nullptr), 0u);
    stdList list = makeList({5, 6, 7});
    EXPECT_EQ(listSize(list), 3u);
    EXPECT_EQ(value(listIndex(list, 0)), 5);
    EXPECT_EQ(value(listIndex(list, 2)), 7);
    EXPECT_EQ(listIndex(list, 3), nullptr);
    EXPECT_EQ(listIndex(nullptr, 0), nullptr);
    listDelete(list);
}

TEST(ListQueries, ContainsByWordOrByEquality)
{
    char first[] = "alpha";
    char other[] = "alpha";
    stdList list = listCons(first, nullptr);
    EXPECT_TRUE(listContains(list, first));
    EXPECT_FALSE(listContains(list, other));
    EXPECT_TRUE(listContainsObject(list, other, sameText));
    EXPECT_FALSE(listContainsObject(list, (Pointer) "beta", sameText));
    EXPECT_FALSE(listContains(nullptr, first));
    listDelete(list);
}

TEST(ListQueries, EqualityAndPrefix)
{
    stdList a = makeList({1, 2, 3});
    stdList b = makeList({1, 2, 3});
    stdList shorter = makeList({1, 2});
    stdList different = makeList({1, 5, 3});
    EXPECT_TRUE(listEqual(nullptr, nullptr, sameWord));
    EXPECT_TRUE(listEqual(a, b, sameWord));
    EXPECT_FALSE(listEqual(shorter, a, sameWord));
    EXPECT_FALSE(listEqual(a, shorter, sameWord));
    EXPECT_FALSE(listEqual(a, different, sameWord));

    EXPECT_TRUE(listIsPrefix(nullptr, a, sameWord));
    EXPECT_TRUE(listIsPrefix(nullptr, nullptr, sameWord));
    EXPECT_TRUE(listIsPrefix(shorter, a, sameWord));
    EXPECT_TRUE(listIsPrefix(a, b, sameWord));
    EXPECT_FALSE(listIsPrefix(a, shorter, sameWord));
    EXPECT_FALSE(listIsPrefix(different, a, sameWord));
    for (stdList l : {a, b, shorter, different}) listDelete(l);
}

uInt32 identityHash(Pointer element) { return (uInt32)value(element); }

TEST(ListQueries, HashIsXorOfElementHashes)
{
    EXPECT_EQ(listHash(nullptr, identityHash), 0u);
    stdList list = makeList({0x0F, 0xF0, 0x11});
    EXPECT_EQ(listHash(list, identityHash), 0x0Fu ^ 0xF0u ^ 0x11u);
    listDelete(list);
}

void collect(Pointer element, Pointer data)
{
    ((Values *)data)->push_back(value(element));
}

void freeElement(Pointer element, Pointer) { memspFree(element); }
void freeCell(stdList cell, Pointer data)
{
    (*(int *)data)++;
    memspFree(cell);
}

TEST(ListTraversal, VisitsFirstToLast)
{
    stdList list = makeList({3, 1, 2});
    Values seen;
    listTraverse(list, collect, &seen);
    EXPECT_EQ(seen, (Values{3, 1, 2}));
    listTraverse(nullptr, collect, &seen);
    EXPECT_EQ(seen.size(), 3u);
    listDelete(list);
}

TEST(ListTraversal, FunctionMayFreeWhatItIsGiven)
{
    stdList list = nullptr;
    for (int i = 0; i < 4; i++) listAddTo(stdMALLOC(4), &list);
    listTraverse(list, freeElement, nullptr);
    int freed = 0;
    listRawTraverse(list, freeCell, &freed);
    EXPECT_EQ(freed, 4);
}

TEST(ListConversion, ToSetHoldsEachDistinctElement)
{
    stdList list = makeList({4, 8, 4, 15});
    stdSet set = listToSet(list, stdIntHash, stdIntEqual);
    EXPECT_EQ(setSize(set), 3u);
    EXPECT_TRUE(setContains(set, word(4)));
    EXPECT_TRUE(setContains(set, word(8)));
    EXPECT_TRUE(setContains(set, word(15)));
    EXPECT_FALSE(setContains(set, word(16)));
    setDelete(set);
    stdSet empty = listToSet(nullptr, stdIntHash, stdIntEqual);
    EXPECT_EQ(setSize(empty), 0u);
    setDelete(empty);
    listDelete(list);
}

TEST(ListPrinting, PointersBetweenAngleBrackets)
{
    char expected[128];
    stdList list = makeList({0x10, 0x2A});
    snprintf(expected, sizeof expected, "< %p %p >\n", word(0x10), word(0x2A));
    stdString text = stringCreate(16);
    stdWriter writer = wtrCreateStringWriter(text);
    listPrint(writer, list);
    listPrint(writer, nullptr);
    String printed = stringToBuf(text);
    EXPECT_EQ(std::string(printed), std::string(expected) + "< >\n");
    memspFree(printed);
    wtrDelete(writer);
    stringDelete(text);
    listDelete(list);
}

// Elements for order checks: key in the high bits, identity in the low byte.
intptr_t item(intptr_t key, intptr_t id) { return key << 8 | id; }
Bool keyLessEq(Pointer a, Pointer b) { return (value(a) >> 8) <= (value(b) >> 8); }
Bool keyLessEqD(Pointer a, Pointer b, Pointer data)
{
    (*(int *)data)++;
    return keyLessEq(a, b);
}
Bool cellLessEq(stdList a, stdList b) { return keyLessEq(a->element, b->element); }
Bool cellLessEqD(stdList a, stdList b, Pointer data) { return keyLessEqD(a->element, b->element, data); }

TEST(ListSorting, SmallListsAndIntegerOrder)
{
    stdList list = nullptr;
    listSort(&list, stdIntLessEq);
    EXPECT_EQ(list, nullptr);
    list = makeList({3, 1, 2});
    listSort(&list, stdIntLessEq);
    EXPECT_EQ(contents(list), (Values{1, 2, 3}));
    listDelete(list);
    list = makeList({-1, 5});
    listSort(&list, stdIntLessEq);
    EXPECT_EQ(contents(list), (Values{-1, 5}));
    listDelete(list);
}

TEST(ListSorting, EqualElementsComeOutInTheMergeOrder)
{
    stdList two = makeList({item(1, 1), item(1, 2)});
    listSort(&two, keyLessEq);
    EXPECT_EQ(contents(two), (Values{item(1, 1), item(1, 2)}));

    stdList three = makeList({item(1, 1), item(1, 2), item(1, 3)});
    listSort(&three, keyLessEq);
    EXPECT_EQ(contents(three), (Values{item(1, 2), item(1, 3), item(1, 1)}));

    // split [x1 x2 x3 x4] into [x3 x1] and [x4 x2]; merge prefers the first
    stdList four = makeList({item(1, 1), item(1, 2), item(1, 3), item(1, 4)});
    listSort(&four, keyLessEq);
    EXPECT_EQ(contents(four), (Values{item(1, 3), item(1, 1), item(1, 4), item(1, 2)}));
    for (stdList l : {two, three, four}) listDelete(l);
}

TEST(ListSorting, LargeListReusesItsCellsAndOrders)
{
    std::mt19937 random(7);
    Values input;
    for (int i = 0; i < 20000; i++) input.push_back(item(random() % 500, i % 256));
    stdList list = makeList(input);
    std::set<stdList> cellsBefore;
    for (stdList c = list; c; c = c->next) cellsBefore.insert(c);

    listSort(&list, keyLessEq);

    std::set<stdList> cellsAfter;
    for (stdList c = list; c; c = c->next) cellsAfter.insert(c);
    EXPECT_EQ(cellsBefore, cellsAfter);
    Values sorted = contents(list);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                               [](intptr_t a, intptr_t b) { return (a >> 8) < (b >> 8); }));
    std::sort(input.begin(), input.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(input, sorted);
    listDelete(list);
}

TEST(ListSorting, DataAndCellFormsAgreeWithElementForm)
{
    Values input;
    std::mt19937 random(3);
    for (int i = 0; i < 300; i++) input.push_back(item(random() % 20, i % 256));
    stdList plain = makeList(input), withData = makeList(input);
    stdList raw = makeList(input), rawWithData = makeList(input);
    int calls = 0, rawCalls = 0;

    listSort(&plain, keyLessEq);
    listSortD(&withData, keyLessEqD, &calls);
    listRawSort(&raw, cellLessEq);
    listRawSortD(&rawWithData, cellLessEqD, &rawCalls);

    // one algorithm: identical order, equal elements included
    EXPECT_EQ(contents(withData), contents(plain));
    EXPECT_EQ(contents(raw), contents(plain));
    EXPECT_EQ(contents(rawWithData), contents(plain));
    EXPECT_GT(calls, 0);
    EXPECT_EQ(calls, rawCalls);
    for (stdList l : {plain, withData, raw, rawWithData}) listDelete(l);
}

TEST(ListCursor, WalksCellsAndToleratesNull)
{
    stdList list = makeList({1, 2});
    Values seen;
    for (stdList c = listBegin(list); !listAtEnd(c); c = listNext(c)) seen.push_back(value(listValue(c)));
    EXPECT_EQ(seen, (Values{1, 2}));
    EXPECT_EQ(listBegin(list), list);
    EXPECT_TRUE(listAtEnd(nullptr));
    EXPECT_EQ(listNext(nullptr), nullptr);
    EXPECT_EQ(listValue(nullptr), nullptr);
    listDelete(list);
}

} // namespace
