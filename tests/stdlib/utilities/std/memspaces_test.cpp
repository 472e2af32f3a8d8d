/*
 * Memory spaces: block sizes and page shapes, splitting and coalescing,
 * realloc, handing contents to the parent, statistics in their exact
 * formats, the pointer order, debug mode and every misuse.
 */
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>
#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "childProcess.h"
#include "memspace_helpers.h"
#include "stdMemSpaceLocal.h"
#include "stdWriter.h"
#include "stringCapture.h"

namespace {

using memsptest::bytesInUse;
using memsptest::statistics;
using memsptest::usableSize;
using testsupport::runChild;

std::string pad(size_t n) { return std::string(n, ' '); }

/* A space deleted at the end of the scope. */
struct Space {
    stdMemSpace s;
    explicit Space(cString name = "test", uInt32 pageSize = 0, stdMemSpace parent = nullptr)
        : s(memspCreate(name, parent, pageSize)) {}
    ~Space() { if (s) memspDelete(s, False); }
    operator stdMemSpace() const { return s; }
};

/* The assertion line a child run must end with (and status 1). */
void expectAssertion(const std::function<void()> &body, const std::string &text)
{
    testsupport::ChildRun run = runChild(body);
    EXPECT_THAT(run.err, ::testing::MatchesRegex("Assertion failure at stdMemSpace[A-Za-z]*\\.cpp, line [0-9]+: " +
                                                 text + "\n"));
    EXPECT_EQ(run.exitCode, 1);
}

/* ------------------------------------------------------------------ */

TEST(SpaceBlocks, RequestSizesAndTheirBlocks)
{
    Space space("sizes");
    struct { size_t request; unsigned long long usable; } table[] = {
        {0, 16}, {1, 16}, {16, 16}, {17, 24}, {4985, 4992}, {4992, 4992},
        {4993, 5000},   // rounds to 5000: large, usable size - header = 5000 exactly
        {10000, 10000},
    };
    std::vector<Pointer> blocks;
    for (auto &row : table) {
        Pointer b = memspMalloc(space, row.request);
        memset(b, 0xA5, row.request);
        EXPECT_EQ(usableSize(b), row.usable) << row.request;
        EXPECT_EQ(memspGetSpace(b), space.s);
        blocks.push_back(b);
    }
    std::string stats = statistics(space, False, 2);
    EXPECT_THAT(stats, ::testing::HasSubstr("@@ small block size 4992:"));
    EXPECT_THAT(stats, ::testing::Not(::testing::HasSubstr("@@ small block size 5000")));
    for (Pointer b : blocks) memspFree(b);
    EXPECT_EQ(bytesInUse(space), 0u);
    memspFree(NULL);
}

TEST(SpaceBlocks, SmallBlocksComeFromTheTopOfThePageDown)
{
    Space space("order", 0x100);
    char *a = (char *)memspMalloc(space, 16);
    char *b = (char *)memspMalloc(space, 16);
    EXPECT_EQ(a - b, 16);   // the highest block first
    memspFree(b);
    EXPECT_EQ(memspMalloc(space, 16), b);   // last freed, first reused
    memspFree(a);
    memspFree(b);
}

TEST(SpaceBlocks, LargePagesSplitAndCoalesce)
{
    // A request above the page size gets a page of exactly its size.
    Space big("big", 0x1000);
    Pointer huge = memspMalloc(big, 0x2000);
    EXPECT_THAT(statistics(big, False, 2), ::testing::HasSubstr("@@ large block page    0 : 0x0/0x2020, #=1 \tmax=0x2020\n"));
    memspFree(huge);

    // A split leaves a free block only when more than 39 bytes remain.
    Space split("split");
    Pointer whole = memspMalloc(split, 0x10000 - 64);   // 32 bytes left over: handed out with the block
    EXPECT_EQ(usableSize(whole), 0x10000u - 32);
    Pointer cut = memspMalloc(split, 0x10000 - 72);     // 40 left over: a free block of its own
    EXPECT_EQ(usableSize(cut), 0x10000u - 72);
    EXPECT_THAT(statistics(split, False, 2), ::testing::HasSubstr("@@ large block page    0 : 0x28/0x10000, #=2 \tmax=0x28\n"));
    memspFree(whole);
    memspFree(cut);

    // Three neighbours freed middle, left, right become one free block.
    Space three("three");
    Pointer left = memspMalloc(three, 6000), middle = memspMalloc(three, 6000), right = memspMalloc(three, 6000);
    EXPECT_THAT(statistics(three, False, 2), ::testing::HasSubstr("#=4 "));
    memspFree(middle);
    memspFree(left);
    memspFree(right);
    EXPECT_THAT(statistics(three, False, 2), ::testing::HasSubstr("@@ large block page    0 : 0x10000/0x10000, #=1 \tmax=0x10000\n"));
    // ...which stays in the bucket of the block that absorbed the others
    // (12032 bytes) and serves requests from there without a new page.
    Pointer again = memspMalloc(three, 12000);
    EXPECT_THAT(statistics(three, False, 1), ::testing::HasSubstr("Nrof large block pages    : 1\n"));
    memspFree(again);
}

TEST(SpaceBlocks, ReallocMovesWithinTheSpaceAndKeepsTheContent)
{
    Space space("realloc");
    char *block = (char *)memspMalloc(space, 10);
    memcpy(block, "012345678", 10);
    char *grown = (char *)memspRealloc(block, 7000);
    EXPECT_NE(grown, block);
    EXPECT_STREQ(grown, "012345678");
    EXPECT_EQ(memspGetSpace(grown), space.s);
    char *same = (char *)memspRealloc(grown, 7000);   // a space block always moves
    EXPECT_NE(same, grown);
    EXPECT_STREQ(same, "012345678");
    char *shrunk = (char *)memspRealloc(same, 4);
    EXPECT_EQ(std::string(shrunk, 4), "0123");
    memspFree(shrunk);
    EXPECT_EQ(bytesInUse(space), 0u);
}

TEST(SpaceBlocks, TheCurrentSpaceServesStdMalloc)
{
    Space space("current");
    Pointer block;
    {
        memsptest::CurrentSpace in(space);
        block = stdMALLOC(40);
        Pointer viaFun = stdMallocFun(8);
        EXPECT_EQ(memspGetSpace(viaFun), space.s);
        stdFreeFun(viaFun);
    }
    EXPECT_EQ(memspGetSpace(block), space.s);
    EXPECT_EQ(memspGetSpace(stdGetThreadContext()), memspNativeMemSpace);
    memspFree(block);
}

/* ------------------------------------------------------------------ */

TEST(SpaceTree, CreationDefaults)
{
    Space anonymous(nullptr);
    EXPECT_THAT(statistics(anonymous, False, 0), ::testing::StartsWith("Memory space statistics for '<anonymous>'"));
    EXPECT_THAT(statistics(anonymous, False, 1), ::testing::HasSubstr("Page size                 : 0x10000 bytes\n"));
    Space odd("odd", 13);
    EXPECT_THAT(statistics(odd, False, 1), ::testing::HasSubstr("Page size                 : 0x10 bytes\n"));
    Space child("child", 0, odd);   // page size of the parent
    EXPECT_THAT(statistics(child, False, 1), ::testing::HasSubstr("Page size                 : 0x10 bytes\n"));
    uInt32 large = 5, small = 7;
    memspSwapTuneCount(child, &large, &small);
    EXPECT_EQ(large, 1000000u);
    EXPECT_EQ(small, 1000000u);
    memspSwapTuneCount(child, &large, nullptr);
    EXPECT_EQ(large, 5u);
    memspDelete(child.s, False);
    child.s = nullptr;
}

TEST(SpaceTree, DeletingHandsContentsToTheParent)
{
    Space parent("parent");
    stdMemSpace child = memspCreate("child", parent, 0);
    stdMemSpace grandchild = memspCreate("grandchild", child, 0);
    char *a = (char *)memspMalloc(child, 100);
    char *b = (char *)memspMalloc(grandchild, 8000);
    char *c = (char *)memspMalloc(parent, 100);
    strcpy(a, "kept a");
    strcpy(b, "kept b");
    Pointer freed = memspMalloc(child, 100);
    memspFree(freed);
    memspDelete(child, True);
    EXPECT_EQ(memspGetSpace(a), parent.s);
    EXPECT_EQ(memspGetSpace(b), parent.s);
    EXPECT_STREQ(a, "kept a");
    EXPECT_STREQ(b, "kept b");
    std::string stats = statistics(parent, False, 1);
    EXPECT_THAT(stats, ::testing::HasSubstr("Nrof small block pages    : 2\n"));   // counts moved too
    EXPECT_THAT(stats, ::testing::HasSubstr("Nrof large block pages    : 1\n"));
    // The child's free small blocks serve the parent now.
    std::vector<Pointer> more;
    for (int i = 0; i < 1000; i++) more.push_back(memspMalloc(parent, 100));
    EXPECT_THAT(statistics(parent, False, 1), ::testing::HasSubstr("Nrof small block pages    : 2\n"));
    for (Pointer p : more) memspFree(p);
    memspFree(a);
    memspFree(b);
    memspFree(c);
    EXPECT_EQ(bytesInUse(parent), 0u);
}

TEST(SpaceTree, DeletingReleasesEverythingBelow)
{
    stdMemSpace root = memspCreate("root", nullptr, 0);
    stdMemSpace child = memspCreate("child", root, 0x1000);
    std::vector<Pointer> blocks;
    for (int i = 0; i < 200; i++) blocks.push_back(memspMalloc(i % 2 ? child : root, i * 97 % 9000));
    memspDelete(root, False);
    for (Pointer b : blocks) EXPECT_EQ(memspGetSpace(b), memspNativeMemSpace);
    memspLocal::LocalPageMap *own = memspLocal::ownLocalMap(stdGetThreadContext());
    EXPECT_TRUE(own == nullptr || rangemapIsEmpty(own->map));
    memspLocal::lockEnter(&memspLocal::blockToSpacePageLock);
    EXPECT_TRUE(rangemapIsEmpty(memspLocal::blockToSpacePage));
    memspLocal::lockExit(&memspLocal::blockToSpacePageLock);
}

TEST(SpaceTree, DeletingASpaceSparesThePagesOfOthersBetweenItsOwn)
{
    // Pages of two spaces made in turn lie between each other in the heap.
    // The deleted space leaves the maps in one walk over its pages; every
    // page of the other between them must stay where it is.
    stdMemSpace doomed = memspCreate("doomed", nullptr, 0x1000);
    Space kept("kept", 0x1000);
    std::vector<Pointer> doomedBlocks, keptBlocks;
    for (int i = 0; i < 200; i++) {
        size_t size = i % 3 ? 0x3000 : 4000;   // a large page each, a small page every other
        doomedBlocks.push_back(memspMalloc(doomed, size));
        keptBlocks.push_back(memspMalloc(kept, size));
        memset(keptBlocks.back(), i, size);
    }
    std::vector<std::pair<Address, stdMemSpace>> pages;
    for (stdMemSpace s : {doomed, kept.s}) {
        for (stdMemPage p = s->largePages; p; p = p->next) pages.push_back({(Address)p->memory, s});
        for (stdMemPage p = (stdMemPage)mapApply(s->smallPages, (Pointer)(Address)4000); p; p = p->next) {
            pages.push_back({(Address)p->memory, s});
        }
    }
    std::sort(pages.begin(), pages.end());
    size_t between = 0;
    for (size_t i = 1; i + 1 < pages.size(); i++) {
        between += pages[i].second == kept.s && pages[i - 1].second == doomed && pages[i + 1].second == doomed;
    }
    ASSERT_GT(between, 0u) << "no page of the kept space lies between two of the doomed one";
    memspDelete(doomed, False);
    for (Pointer b : doomedBlocks) EXPECT_EQ(memspGetSpace(b), memspNativeMemSpace);
    for (size_t i = 0; i < keptBlocks.size(); i++) {
        size_t size = i % 3 ? 0x3000 : 4000;
        EXPECT_EQ(memspGetSpace(keptBlocks[i]), kept.s) << i;
        EXPECT_EQ(std::string((char *)keptBlocks[i], size), std::string(size, (char)i)) << i;
        memspFree(keptBlocks[i]);
    }
    EXPECT_EQ(bytesInUse(kept), 0u);
    memsptest::checkHeap(kept);
}

/* ------------------------------------------------------------------ */

TEST(SpaceStatistics, ExactFormatsAtEveryLevel)
{
    Space space("stats", 0x1000);
    Pointer small[3];
    for (Pointer &p : small) p = memspMalloc(space, 16);
    Pointer a = memspMalloc(space, 6000);   // page area 0x1790, no split
    Pointer b = memspMalloc(space, 5000);   // page area 0x13a8, listed first
    std::string head = "Memory space statistics for 'stats'" + pad(33);
    std::string rule = "===================================";   // 28 + 7 for "'stats'"
    EXPECT_EQ(statistics(space, False, 2),
              head + "\n" + rule + "\n"
              "@@ large block page    0 : 0x0/0x13a8, #=1 \tmax=0x13a8\n"
              "@@ large block page    1 : 0x0/0x1790, #=1 \tmax=0x1790\n"
              "@@ small block size  16: 0xfd0/0x1000 (253/256 blocks) 1 page\n"
              "Page size                 : 0x1000 bytes\n"
              "Total allocated           :          0x3b38 bytes\n"
              "Total available           :           0xfd0 bytes\n"
              "Total in use              :          0x2b68 bytes\n"
              "Nrof small block pages    : 1\n"
              "Nrof large block pages    : 2\n"
              "Longest free list size    : 1\n"
              "Average free list size    : 0\n"
              "\n\n");
    // Tuning gives the entirely free large page back.
    memspFree(b);
    EXPECT_EQ(statistics(space, False, 0),
              head + ": \t available= \t" + pad(15 - 6) + "0x2378, allocated= \t" + pad(15 - 6) + "0x3b38, used= \t" +
                  pad(15 - 6) + "0x17c0\n");
    EXPECT_EQ(statistics(space, True, 0),
              head + ": \t available= \t" + pad(15 - 5) + "0xfd0, allocated= \t" + pad(15 - 6) + "0x2790, used= \t" +
                  pad(15 - 6) + "0x17c0\n");
    memspFree(a);
    for (Pointer p : small) memspFree(p);
    EXPECT_EQ(statistics(space, True, 1),
              head + "\n" + rule + "\n"
              "Page size                 : 0x1000 bytes\n"
              "Total allocated           :             0x0 bytes\n"
              "Total available           :             0x0 bytes\n"
              "Total in use              :             0x0 bytes\n"
              "Nrof small block pages    : 0\n"
              "Nrof large block pages    : 0\n"
              "\n\n");
    // The space goes on serving after its pages went back.
    memspFree(memspMalloc(space, 16));
}

TEST(SpaceStatistics, ChildrenRecursivelyAndIndented)
{
    Space parent("p");
    Space child("c", 0, parent);
    std::string flat = statistics(parent, False, 0, True, False);
    std::string indented = statistics(parent, False, 0, True, True);
    std::string line = ": \t available= \t" + pad(12) + "0x0, allocated= \t" + pad(12) + "0x0, used= \t" + pad(12) + "0x0\n";
    EXPECT_EQ(flat, "Memory space statistics for 'p'" + pad(37) + line + "Memory space statistics for 'c'" + pad(37) + line);
    EXPECT_EQ(indented, "Memory space statistics for 'p'" + pad(37) + line + "\tMemory space statistics for 'c'" + pad(37) + line);
    EXPECT_EQ(statistics(parent, False, 0, False, True), "Memory space statistics for 'p'" + pad(37) + line);
}

TEST(SpaceStatistics, DescribeAndCheckSingleBlocks)
{
    Space space("described");
    Pointer block = memspMalloc(space, 6000);
    char expected[128];
    snprintf(expected, sizeof expected, "Block %p: size= 0x1770, memory space = 'described'\n", block);
    EXPECT_EQ(testsupport::writtenBy([&](stdWriter w) { memspDescribeBlock(w, block); }), expected);
    Pointer native = malloc(8);
    snprintf(expected, sizeof expected, "Block %p: not from known memory space, assumed obtained via malloc\n", native);
    EXPECT_EQ(testsupport::writtenBy([&](stdWriter w) { memspDescribeBlock(w, native); }), expected);
    memspCheckBlock(block);
    memspCheckBlock(native);
    free(native);
    memspFree(block);
}

/* ------------------------------------------------------------------ */

TEST(SpacePointers, OrderIsTotalAndFollowsPageCreation)
{
    Space first("first", 0x100), second("second", 0x100);
    std::vector<Pointer> pointers;
    std::vector<Pointer> natives;
    std::mt19937 rng(5);
    for (int i = 0; i < 120; i++) {
        switch (rng() % 3) {
        case 0: pointers.push_back(memspMalloc(first, 16 + rng() % 200)); break;
        case 1: pointers.push_back(memspMalloc(second, 16 + rng() % 200)); break;
        default: natives.push_back(malloc(16)); pointers.push_back(natives.back()); break;
        }
    }
    std::vector<Pointer> sorted = pointers;
    std::sort(sorted.begin(), sorted.end(), [](Pointer a, Pointer b) { return !memspPointerLE(b, a); });
    for (size_t i = 0; i < sorted.size(); i++) {
        EXPECT_TRUE(memspPointerLE(sorted[i], sorted[i]));
        for (size_t j = i + 1; j < sorted.size(); j++) {
            ASSERT_TRUE(memspPointerLE(sorted[i], sorted[j])) << i << " " << j;
            ASSERT_FALSE(memspPointerLE(sorted[j], sorted[i])) << i << " " << j;
        }
    }
    // Natives first; then blocks of a page created earlier before later ones.
    EXPECT_EQ(memspGetSpace(sorted.front()), memspNativeMemSpace);
    Pointer early = memspMalloc(first, 16);
    Pointer late = memspMalloc(second, 4000);   // a new page, created last
    EXPECT_TRUE(memspPointerLE(early, late));
    EXPECT_FALSE(memspPointerLE(late, early));
    EXPECT_TRUE(memspPointerLE(pointers[0], late));
    Address n = (Address)natives[0];
    EXPECT_EQ(memspPointerHash(natives[0]), (uInt32)((n >> 5) ^ (n >> 8) ^ (n >> 11)));
    // A space block hashes by its page's id and its distance from the page's record.
    stdMemPage page = memspLocal::findPage(late);
    ASSERT_NE(page, nullptr);
    Address d = (Address)late - (Address)page;
    EXPECT_EQ(memspPointerHash(late), (uInt32)(page->id ^ (d >> 11) ^ (d >> 8) ^ (d >> 5)));
    for (Pointer p : pointers) memspFree(p);
    memspFree(early);
    memspFree(late);
}

/* ------------------------------------------------------------------ */

TEST(SpaceMisuse, DeletionAssertions)
{
    expectAssertion([] {
        stdMemSpace s = memspCreate("s", nullptr, 0);
        stdSwapMemSpace(s);
        memspDelete(s, False);
    }, "Don't delete the current memory space");
    expectAssertion([] {
        stdMemSpace parent = memspCreate("parent", nullptr, 0);
        stdSwapMemSpace(memspCreate("child", parent, 0));
        memspDelete(parent, False);   // an ancestor of the current space
    }, "Don't delete the current memory space");
    expectAssertion([] { memspDelete(memspCreate("s", nullptr, 0), True); },
                    "Don't add contents to the native memory space");
    expectAssertion([] {
        stdMemSpace s = memspCreate("twice", nullptr, 0);
        memspDelete(s, False);
        memspDelete(s, False);
    }, "Double delete of memory space 'twice'");
    expectAssertion([] {
        memspSetGlobalDebug(True);
        stdMemSpace s = memspCreate("kept", nullptr, 0);
        memspDelete(s, False);
        memspDelete(s, False);
    }, "Double delete of memory space 'kept'");
    static Address notASpace[8];
    expectAssertion([] { memspDelete((stdMemSpace)notASpace, False); }, "Memory space 0x[0-9a-f]+ is not known");
}

TEST(SpaceMisuse, UsesOfDeletedSpacesInDebugMode)
{
    struct { size_t size; void (*use)(Pointer); const char *text; } table[] = {
        {32, [](Pointer b) { memspFree(b); }, "Block freeing from deleted memory space 'gone'"},
        {32, [](Pointer b) { memspRealloc(b, 64); }, "Block allocation from deleted memory space 'gone'"},
        {6000, [](Pointer b) { memspCheckBlock(b); }, "Block from deleted memory space 'gone' founc in memspCheckBlock"},
    };
    for (auto &row : table) {
        expectAssertion([&] {
            memspSetGlobalDebug(True);
            stdMemSpace s = memspCreate("gone", nullptr, 0);
            Pointer b = memspMalloc(s, row.size);
            memspDelete(s, False);
            row.use(b);
        }, row.text);
    }
}

TEST(SpaceMisuse, FreeingTwice)
{
    expectAssertion([] {
        stdMemSpace s = memspCreate("s", nullptr, 0);
        Pointer b = memspMalloc(s, 6000);
        memspFree(b);
        memspFree(b);
    }, "Freeing already freed block");
    expectAssertion([] {
        stdMemSpace s = memspCreate("s", nullptr, 0);
        Pointer left = memspMalloc(s, 6000), b = memspMalloc(s, 6000);
        memspFree(left);
        memspFree(b);   // absorbed by its free neighbour
        memspFree(b);
    }, "Freeing already freed block");
    expectAssertion([] {
        memspSetGlobalDebug(True);
        stdMemSpace s = memspCreate("s", nullptr, 0);
        Pointer b = memspMalloc(s, 24);
        memspMalloc(s, 24);
        memspFree(b);
        memspFree(b);
    }, "Freeing already freed block");
    expectAssertion([] {
        stdMemSpace s = memspCreate("s", nullptr, 0);
        char *b = (char *)memspMalloc(s, 6000);
        memset(b, 0xFF, 6000);   // what follows b + 32 looks like an allocated header
        memspFree(b + 64);
    }, "Block 0x[0-9a-f]+ is not a block of memory space 's'");
}

TEST(SpaceMisuse, ExhaustionAndLocks)
{
    testsupport::ChildRun run = runChild([] {
        stdMemSpace s = memspCreate("s", nullptr, 0);
        memspMalloc(s, SIZE_MAX - 3);
    });
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.exitCode, 1);
    expectAssertion([] {
        std::atomic<stdMutex> none{nullptr};
        memspLocal::lockExit(&none);
    }, "uninitialized  mutex is released");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // A page the heap cannot supply, not even as a reserve (the address
    // space is limited; the sanitizer's own reservations forbid that there):
    // running out of memory like any other allocation.
    run = runChild([] {
        struct rlimit limit = {(rlim_t)1 << 33, (rlim_t)1 << 33};
        setrlimit(RLIMIT_AS, &limit);
        memspMalloc(memspCreate("s", nullptr, 0), (size_t)1 << 34);
    });
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.exitCode, 1);
#endif
}

/* ------------------------------------------------------------------ */

TEST(SpaceCleanup, WaitsForTheLastSpace)
{
    stdMemSpace s = memspCreate("late", nullptr, 0);
    Pointer block = memspMalloc(s, 100);
    stdMemSpaceManagerCleanup();   // a space still exists: its maps stay
    EXPECT_EQ(memspGetSpace(block), s);
    memspFree(block);
    memspDelete(s, False);
    testsupport::ChildRun run = runChild([] {
        stdMemSpaceManagerCleanup();
        printf("%d %d\n", memspLocal::blockToSpacePage == nullptr, memspLocal::blockToSpacePageLock.load() == nullptr);
        stdMemSpace again = memspCreate("again", nullptr, 0);   // the state comes back
        Pointer b = memspMalloc(again, 100);
        printf("%d\n", memspGetSpace(b) == again);
        memspFree(b);
        memspDelete(again, False);
    });
    EXPECT_EQ(run.out, "1 1\n1\n");
    EXPECT_EQ(run.exitCode, 0);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(SpaceSanitizer, UseOfAFreedSpaceBlockIsCaught)
{
    testsupport::ChildRun run = runChild([] {
        stdMemSpace s = memspCreate("poisoned", nullptr, 0);
        volatile char *b = (volatile char *)memspMalloc(s, 40);
        b[0] = 1;
        memspFree((Pointer)b);
        printf("%d\n", b[0]);
    });
    EXPECT_THAT(run.err, ::testing::HasSubstr("AddressSanitizer: use-after-poison"));
    EXPECT_NE(run.exitCode, 0);
    run = runChild([] {
        stdMemSpace s = memspCreate("poisoned", nullptr, 0);
        volatile char *b = (volatile char *)memspMalloc(s, 6001);
        b[6001] = 1;   // into the slack and the next header
    });
    EXPECT_THAT(run.err, ::testing::HasSubstr("AddressSanitizer: use-after-poison"));
}
#endif

}  // namespace
