/*
 * Memory spaces: statistics and the tune pass, questions about single
 * blocks, and the pointer hash and order that are stable for space blocks.
 */
#include <stdio.h>
#include <string.h>
#include "stdMemSpaceLocal.h"
#include "stdString.h"
#include "stdWriter.h"

using namespace memspLocal;

/* ------------------------------------------------------------ tune pass */

memspNoAsan static void dropBlocksOfFreePages(SmallBlock **list)
{
    while (SmallBlock *b = *list) {
        if (b->page->available == b->page->total) {
            *list = b->next;
        } else {
            list = &b->next;
        }
    }
}

struct TuneRun {
    stdThread   self;
    stdMemSpace space;
};

/* Gives every entirely free page back to the native heap; the lock is held. */
static void tuneSpace(stdThread self, stdMemSpace space)
{
    TuneRun run = {self, space};
    mapTraverse(space->smallPages, [](Pointer size, Pointer list, Pointer data) {
        TuneRun *run = (TuneRun *)data;
        dropBlocksOfFreePages(&run->space->smallFreeLists[(Address)size / 8]);
        stdMemPage &fresh = run->space->smallFresh[(Address)size / 8];
        if (fresh && fresh->available == fresh->total) fresh = nullptr;   /* it goes below */
        stdMemPage kept = nullptr, *tail = &kept;
        for (stdMemPage page = (stdMemPage)list, next; page; page = next) {
            next = page->next;
            if (page->available == page->total) {
                freePage(run->self, page);
            } else {
                *tail = page;
                tail = &page->next;
            }
        }
        *tail = nullptr;
        NativeScope native(run->self);
        if (kept) {
            mapDefine(run->space->smallPages, size, kept);
        } else {
            mapUndefine(run->space->smallPages, size);
        }
    }, &run);
    for (stdMemPage *link = &space->largePages; stdMemPage page = *link;) {
        if (page->available == page->total) {
            unlinkFree(space, (Header *)page->memory + 1);
            *link = page->next;
            freePage(self, page);
        } else {
            link = &page->next;
        }
    }
}

/* ----------------------------------------------------------- statistics */

struct LargeWalk {
    Int32  blocks;
    uInt64 lastSize;
};

memspNoAsan static LargeWalk walkLargePage(stdMemPage page)
{
    LargeWalk w = {0, 0};
    for (Header *h = (Header *)page->memory + 1; h < page->end && h->size != 0; h = nextBlock(h)) {
        w.blocks++;
        w.lastSize = h->size;
    }
    return w;
}

static void printTabs(stdWriter writer, Int count)
{
    for (Int i = 0; i < count; i++) wtrPrintf(writer, "\t");
}

static void hexText(char (&buffer)[24], uInt64 value)
{
    snprintf(buffer, sizeof buffer, "0x%llx", (unsigned long long)value);
}

struct PrintRun {
    stdWriter writer;
    stdThread self;
    Bool      tune, recursive;
    Int       level, indent, step;
};

static void printSpace(PrintRun *run, stdMemSpace space);

static void printHeader(PrintRun *run, stdMemSpace space)
{
    stdWriter w = run->writer;
    size_t quotedLength = strlen(space->name) + 2;
    printTabs(w, run->indent);
    /* The quoted name, left-justified in 40 columns. */
    int pad = quotedLength < 40 ? (int)(40 - quotedLength) : 0;
    wtrPrintf(w, "Memory space statistics for '%s'%*s", space->name, pad, "");
    if (run->level == 0) {
        wtrPrintf(w, ": ");
        return;
    }
    wtrPrintf(w, "\n");
    printTabs(w, run->indent);
    wtrPrintf(w, "============================");
    for (size_t i = 0; i < quotedLength; i++) wtrPrintf(w, "=");
    wtrPrintf(w, "\n");
}

static void printSpace(PrintRun *run, stdMemSpace space)
{
    stdWriter w = run->writer;
    printHeader(run, space);
    spaceLock(space);
    if (run->tune) tuneSpace(run->self, space);

    uInt64 available = 0, allocated = 0;
    Int32 largePages = 0, longest = 0;
    for (stdMemPage page = space->largePages; page; page = page->next, largePages++) {
        LargeWalk walk = walkLargePage(page);
        if (run->level == 2) {
            printTabs(w, run->indent);
            wtrPrintf(w, "@@ large block page %4d : 0x%llx/0x%llx, #=%d \tmax=0x%llx\n", largePages,
                      (unsigned long long)page->available, (unsigned long long)page->total, walk.blocks,
                      (unsigned long long)walk.lastSize);
        }
        if (walk.blocks > longest) longest = walk.blocks;
        available += page->available;
        allocated += page->total;
    }
    for (uInt32 size = 0; size <= 4992; size += 8) {
        uInt64 sizeAvailable = 0, sizeTotal = 0;
        Int32 pages = 0;
        for (stdMemPage p = (stdMemPage)mapApply(space->smallPages, (Pointer)(Address)size); p; p = p->next) {
            sizeAvailable += p->available;
            sizeTotal += p->total;
            pages++;
        }
        if (run->level == 2 && pages > 0) {
            printTabs(w, run->indent);
            wtrPrintf(w, "@@ small block size %3d: 0x%llx/0x%llx (%d/%d blocks) %d page%s\n", (int)size,
                      (unsigned long long)sizeAvailable, (unsigned long long)sizeTotal, (int)(sizeAvailable / size),
                      (int)(sizeTotal / size), pages, pages == 1 ? "" : "s");
        }
        available += sizeAvailable;
        allocated += sizeTotal;
    }
    uInt32 smallPages = space->nrofSmallPages;
    spaceUnlock(space);

    char availableText[24], allocatedText[24], usedText[24];
    hexText(availableText, available);
    hexText(allocatedText, allocated);
    hexText(usedText, allocated - available);
    if (run->level == 0) {
        wtrPrintf(w, "\t available= \t%15s, allocated= \t%15s, used= \t%15s\n", availableText, allocatedText, usedText);
    } else {
        Int in = run->indent;
        printTabs(w, in), wtrPrintf(w, "Page size                 : 0x%x bytes\n", space->pageSize);
        printTabs(w, in), wtrPrintf(w, "Total allocated           : %15s bytes\n", allocatedText);
        printTabs(w, in), wtrPrintf(w, "Total available           : %15s bytes\n", availableText);
        printTabs(w, in), wtrPrintf(w, "Total in use              : %15s bytes\n", usedText);
        printTabs(w, in), wtrPrintf(w, "Nrof small block pages    : %d\n", (int)smallPages);
        printTabs(w, in), wtrPrintf(w, "Nrof large block pages    : %d\n", (int)largePages);
        if (largePages > 0) {
            printTabs(w, in), wtrPrintf(w, "Longest free list size    : %d\n", (int)longest);
            printTabs(w, in), wtrPrintf(w, "Average free list size    : %d\n", 0);
        }
        wtrPrintf(w, "\n\n");
    }
    if (run->recursive && space->children) {
        run->indent += run->step;
        setTraverse(space->children, [](Pointer child, Pointer data) { printSpace((PrintRun *)data, (stdMemSpace)child); },
                    run);
        run->indent -= run->step;
    }
}

void memspPrint(stdWriter writer, stdMemSpace space, Bool tune, Int level, Bool recursive, Bool indentChildren)
{
    if (space == memspNativeMemSpace) return;
    checkKnownSpace(space);
    PrintRun run = {writer, stdGetThreadContext(), tune, recursive, level, 0, indentChildren ? 1 : 0};
    stdGlobalEnter();
    printSpace(&run, space);
    stdGlobalExit();
}

/* ------------------------------------------------------- single blocks */

void memspDescribeBlock(stdWriter writer, Pointer address)
{
    stdGlobalEnter();
    stdMemPage page = findPage(address);
    if (page) {
        stdMemSpace space = page->space;
        spaceLock(space);
        uInt64 size = usableSize(page, address);
        spaceUnlock(space);
        wtrPrintf(writer, "Block %p: size= 0x%llx, memory space = '%s'\n", address, (unsigned long long)size,
                  space->name);
    } else {
        wtrPrintf(writer, "Block %p: not from known memory space, assumed obtained via malloc\n", address);
    }
    stdGlobalExit();
}

void memspCheckBlock(Pointer address)
{
    stdMemPage page = findPage(address);
    if (page) {
        memspASSERT(!page->space->deleted, "!page->space->deleted",
                    ("Block from deleted memory space '%s' founc in memspCheckBlock", page->space->name));
    }
}

uInt32 memspPointerHash(Pointer address)
{
    Address p = (Address)address;
    if (stdMemPage page = findPage(address)) {
        Address d = p - (Address)page;
        return (uInt32)(page->id ^ (d >> 11) ^ (d >> 8) ^ (d >> 5));
    }
    return (uInt32)((p >> 5) ^ (p >> 8) ^ (p >> 11));
}

/*
 * Native addresses first, by address; then space blocks by the creation
 * order of their pages, and by address within a page. Comparing page ids
 * only when both sides lie in pages and addresses otherwise would not be an
 * order: a native address could sit between two space blocks both ways.
 */
Bool memspPointerLE(Pointer a, Pointer b)
{
    if (a == b) return True;
    stdMemPage pa = findPage(a), pb = findPage(b);
    if ((pa != nullptr) != (pb != nullptr)) return pb != nullptr;
    if (pa && pb && pa != pb) return pb->id >= pa->id;
    return (Address)b >= (Address)a;
}
