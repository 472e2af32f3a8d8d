#include "memspace_helpers.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "stringCapture.h"
#include "stdMemSpaceLocal.h"
#include "stdWriter.h"

namespace memsptest {

std::string statistics(stdMemSpace space, Bool tune, Int level, Bool recursive, Bool indent)
{
    return testsupport::writtenBy([&](stdWriter w) { memspPrint(w, space, tune, level, recursive, indent); });
}

static unsigned long long numberAfter(const std::string &text, const std::string &label)
{
    size_t at = text.find(label);
    if (at == std::string::npos) return ~0ull;
    return strtoull(text.c_str() + at + label.size(), nullptr, 16);
}

unsigned long long bytesInUse(stdMemSpace space)
{
    return numberAfter(statistics(space, False, 1), "Total in use              : ");
}

unsigned long long bytesAllocated(stdMemSpace space)
{
    return numberAfter(statistics(space, False, 1), "Total allocated           : ");
}

unsigned long long usableSize(Pointer block)
{
    std::string line = testsupport::writtenBy([&](stdWriter w) { memspDescribeBlock(w, block); });
    return line.find("size= ") == std::string::npos ? 0 : numberAfter(line, "size= ");
}

/* The fit index of a bucket: in order, it is the list; its counts, links
 * and priorities hold. Returns the subtree's largest size. */
memspNoAsan static uInt64 checkFit(memspLocal::Header *h, memspLocal::Header *up, uInt32 bucket,
                                   memspLocal::Header **listed)
{
    using namespace memspLocal;
    if (h == nullptr) return 0;
    /* Read out first: gtest's comparisons are instrumented. */
    FitNode n;
    n.tree = nodeOf(h)->tree, n.left = nodeOf(h)->left, n.right = nodeOf(h)->right;
    n.up = nodeOf(h)->up, n.largest = nodeOf(h)->largest;
    uInt64 size = h->size;
    EXPECT_EQ(n.up, up);
    EXPECT_EQ(n.tree, (uInt64)bucket);
    uInt64 largest = std::max(checkFit(n.left, h, bucket, listed), size);
    EXPECT_EQ(h, *listed) << "the index and the list disagree in bucket " << bucket;
    if (*listed) *listed = (*listed)->nextFree;
    largest = std::max(largest, checkFit(n.right, h, bucket, listed));
    EXPECT_EQ(n.largest, largest);
    for (Header *child : {n.left, n.right}) {
        EXPECT_TRUE(child == nullptr || fitPriority(child) < fitPriority(h));
    }
    return largest;
}

/*
 * The space's own structure: the blocks of every large page tile its area
 * with matching boundary tags and no two free neighbours, the free lists
 * hold exactly the free blocks, and each page's available bytes are what its
 * free blocks add up to.
 */
memspNoAsan void checkHeap(stdMemSpace space)
{
    using namespace memspLocal;
    size_t listed = 0, tiledFree = 0;
    for (uInt32 i = 0; i < nrofBuckets; i++) {
        Header *prev = &space->largeFreeLists[i];
        for (Header *h = prev->nextFree; h; prev = h, h = h->nextFree) {
            Header *link = h->prevLink;
            bool free = !isAllocated(h);
            ASSERT_EQ(link, prev);
            ASSERT_TRUE(free);
            listed++;
        }
        if (i >= fitBucket) {
            Header *next = space->largeFreeLists[i].nextFree;
            checkFit(space->largeFit[i], nullptr, i, &next);
            EXPECT_EQ(next, nullptr) << "blocks of bucket " << i << " missing from its index";
        } else {
            EXPECT_EQ(space->largeFit[i], nullptr);
        }
    }
    for (stdMemPage page = space->largePages; page; page = page->next) {
        ASSERT_EQ(page->space, space);
        uInt64 prevSize = headerSize, sum = 0, available = 0;
        bool prevFree = false;
        Header *h = (Header *)page->memory + 1;
        for (; h < page->end; h = nextBlock(h)) {
            uInt64 tag = h->prevSize, size = h->size;
            bool free = !isAllocated(h);
            ASSERT_EQ(tag, prevSize) << "boundary tags disagree";
            ASSERT_GE(size, splitMinimum);
            ASSERT_FALSE(free && prevFree) << "free neighbours left apart";
            if (free) {
                available += h->size;
                tiledFree++;
            }
            prevFree = free;
            prevSize = size;
            sum += size;
        }
        ASSERT_EQ(h, page->end);
        ASSERT_EQ(sum, page->total);
        uInt64 endTag = page->end->prevSize;
        ASSERT_EQ(endTag, prevSize);
        ASSERT_EQ(page->available, available);
    }
    ASSERT_EQ(listed, tiledFree) << "free lists and free blocks differ";
    std::map<stdMemPage, uInt64> freeSmall;
    uInt32 smallPages = 0;
    for (uInt32 size = 16; size <= 4992; size += 8) {
        for (SmallBlock *b = space->smallFreeLists[size / 8]; b; b = b->next) {
            stdMemPage page = b->page;
            ASSERT_EQ(page->blockSize, size);
            ASSERT_EQ(((char *)b - (char *)page->memory) % size, 0);
            freeSmall[page] += size;
        }
        if (stdMemPage fresh = space->smallFresh[size / 8]) {
            ASSERT_EQ(fresh->blockSize, size);
            ASSERT_EQ(fresh->fresh % size, 0u);
            ASSERT_LE(fresh->fresh, fresh->total);
            ASSERT_GT(fresh->fresh, 0u);
            freeSmall[fresh] += fresh->fresh;
        }
        for (stdMemPage p = (stdMemPage)mapApply(space->smallPages, (Pointer)(Address)size); p; p = p->next) {
            ASSERT_EQ(p->space, space);
            ASSERT_EQ(p->available, freeSmall[p]);
            smallPages++;
        }
    }
    ASSERT_EQ(space->nrofSmallPages, smallPages);
}

}  // namespace memsptest
