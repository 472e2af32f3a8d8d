/*
 * Memory spaces: creation, and deletion of a space with its descendants,
 * releasing their memory or handing it to the parent.
 */
#include <new>
#include <string.h>
#include "stdMemSpaceLocal.h"

using namespace memspLocal;

static uInt32 roundedPageSize(uInt64 size)
{
    uInt64 rounded = (size + 7) & ~(uInt64)7;
    return rounded > 0xFFFFFFF8u ? 0xFFFFFFF8u : (uInt32)rounded;
}

stdMemSpace memspCreate(cString name, stdMemSpace parent, uInt32 pageSize)
{
    stdThread self = stdGetThreadContext();
    if (parent != memspNativeMemSpace) checkKnownSpace(parent);
    setUpManager();
    NativeScope native(self);
    stdMemSpace space = (stdMemSpace)stdMALLOC(sizeof(stdMemSpaceRec));
    memset((void *)space, 0, sizeof(stdMemSpaceRec));
    space->parent         = parent;
    space->pageSize       = pageSize ? roundedPageSize(pageSize)
                          : parent   ? roundedPageSize(parent->pageSize)
                                     : defaultPageSize;
    space->children       = setCreate(stdPointerHash, stdPointerEqual, 8);
    space->smallPages     = mapCreate(stdIntHash, stdIntEqual, 8);
    space->smallTuneCount = initialTuneCount;
    space->largeTuneCount = initialTuneCount;
    space->lock           = stdMutexCreate();
    if (space->lock == nullptr) stdOutOfMemory();
    cString given = name ? name : "<anonymous>";
    size_t length = strlen(given) + 1;
    space->name = (String)stdMALLOC(length);
    memcpy(space->name, given, length);
    space->check = (Address)space ^ memspRecordMagic;
    stdGlobalEnter();
    forgetDeletedSpace(space);   /* the address names this space now */
    if (parent) setInsert(parent->children, space);
    stdGlobalExit();
    return space;
}

/* The page lists of a space: the large pages and one list per block size. */
struct PageLists {
    stdMemPage heads[1 + nrofSmallLists];
    uInt32     count;
};

/* Every page of the space back to the native heap: all at once, or page
 * by page when the heap cannot even hold the list of them. */
static void releasePages(stdThread self, stdMemSpace space)
{
    size_t count = space->nrofSmallPages;
    for (stdMemPage page = space->largePages; page; page = page->next) count++;
    PageKeys *pages = count ? (PageKeys *)nativeMalloc(count * sizeof(PageKeys)) : nullptr;
    if (pages != nullptr) {
        PageLists lists;
        lists.heads[0] = space->largePages;
        lists.count = 1;
        mapRangeTraverse(space->smallPages, [](Pointer list, Pointer lists) {
            PageLists *l = (PageLists *)lists;
            if (l->count < 1 + nrofSmallLists) l->heads[l->count++] = (stdMemPage)list;
        }, &lists);
        /* A page of each list in turn: the descriptors lie far apart in the
         * heap, and the lists' next ones are fetched side by side. */
        size_t gathered = 0;
        for (bool more = true; more && gathered < count;) {
            more = false;
            for (uInt32 k = 0; k < lists.count && gathered < count; k++) {
                if (stdMemPage page = lists.heads[k]) {
                    pages[gathered++] = keysOf(page);
                    lists.heads[k] = page->next;
                    more = true;
                }
            }
        }
        space->largePages = nullptr;
        freePages(self, pages, gathered);
        mbFree(pages);
    } else {
        while (stdMemPage page = space->largePages) {
            space->largePages = page->next;
            freePage(self, page);
        }
        mapRangeTraverse(space->smallPages, [](Pointer list, Pointer self) {
            for (stdMemPage page = (stdMemPage)list, next; page; page = next) {
                next = page->next;
                freePage((stdThread)self, page);
            }
        }, self);
    }
    NativeScope native(self);
    mapEmpty(space->smallPages);
    releaseDescriptors(space);
}

/* The child's list of the size goes after the whole of the parent's, whose
 * fresh part is linked for that; the child's fresh page goes on at the end. */
memspNoAsan static void appendSmallList(stdMemSpace parent, stdMemSpace space, uInt32 i)
{
    SmallBlock **tail = &parent->smallFreeLists[i];
    while (*tail) tail = &(*tail)->next;
    tail = linkFresh(parent, i * 8, tail);
    *tail = space->smallFreeLists[i];
    parent->smallFresh[i] = space->smallFresh[i];
    space->smallFreeLists[i] = nullptr;
    space->smallFresh[i] = nullptr;
}

memspNoAsan static void appendLargeList(Header *to, Header *list)
{
    while (to->nextFree) to = to->nextFree;
    to->nextFree = list;
    if (list) list->prevLink = to;
}

static stdMemPage lastPage(stdMemPage list)
{
    while (list->next) list = list->next;
    return list;
}

struct HandOver {
    stdThread   self;
    stdMemSpace parent;
};

/* Pages, free lists and counts to the parent, under both spaces' locks. */
static void handToParent(stdThread self, stdMemSpace space)
{
    stdMemSpace parent = space->parent;
    spaceLock(space);
    spaceLock(parent);
    if (space->largePages) {
        for (stdMemPage p = space->largePages; p; p = p->next) p->space = parent;
        lastPage(space->largePages)->next = parent->largePages;
        parent->largePages = space->largePages;
        space->largePages = nullptr;
    }
    HandOver to = {self, parent};
    mapTraverse(space->smallPages, [](Pointer size, Pointer list, Pointer data) {
        HandOver *to = (HandOver *)data;
        for (stdMemPage p = (stdMemPage)list; p; p = p->next) p->space = to->parent;
        lastPage((stdMemPage)list)->next = (stdMemPage)mapApply(to->parent->smallPages, size);
        NativeScope native(to->self);
        mapDefine(to->parent->smallPages, size, list);
    }, &to);
    {
        NativeScope native(self);
        mapEmpty(space->smallPages);
    }
    parent->nrofSmallPages += space->nrofSmallPages;
    space->nrofSmallPages = 0;
    for (uInt32 i = 0; i < nrofSmallLists; i++) {
        if (space->smallFreeLists[i] != nullptr || space->smallFresh[i] != nullptr) appendSmallList(parent, space, i);
    }
    for (uInt32 i = 0; i < nrofBuckets; i++) {
        appendLargeList(&parent->largeFreeLists[i], space->largeFreeLists[i].nextFree);
        space->largeFreeLists[i].nextFree = nullptr;
    }
    fitAppend(parent, space);
    handDescriptorsOver(space, parent);
    if (space->largeBucketTop > parent->largeBucketTop) parent->largeBucketTop = space->largeBucketTop;
    spaceUnlock(parent);
    spaceUnlock(space);
}

struct Deletion {
    stdThread self;
    Bool      addToParent;
};

/* Deletes the space and its descendants; the global lock is held. */
static void deleteTree(stdThread self, stdMemSpace space, Bool addToParent)
{
    space->deleted = True;
    if (globalDebug.load(std::memory_order_relaxed)) return;   /* kept, so later uses are caught */
    Deletion d = {self, addToParent};
    setTraverse(space->children, [](Pointer child, Pointer data) {
        Deletion *d = (Deletion *)data;
        deleteTree(d->self, (stdMemSpace)child, d->addToParent);
    }, &d);
    NativeScope native(self);
    setDelete(space->children);
    space->children = nullptr;
    if (space->parent) setRemove(space->parent->children, space);
    if (addToParent) {
        handToParent(self, space);
    } else {
        spaceLock(space);
        releasePages(self, space);
        spaceUnlock(space);
    }
    dropOwnLocalMapIfEmpty(self);
    mapDelete(space->smallPages);
    stdMutexDelete(space->lock);
    rememberDeletedSpace(space);
    memspFree(space->name);
    space->check = 0;
    memspFree(space);
}

void memspDelete(stdMemSpace space, Bool addToParent)
{
    stdThread self = stdGetThreadContext();
    memspASSERT(space != stdCurrentMemspace, "space != stdCurrentMemspace", ("Don't delete the current memory space"));
    stdGlobalEnter();
    if (cString gone = deletedSpaceName(space)) {
        memspASSERT(False, "!space->deleted", ("Double delete of memory space '%s'", gone));
    }
    checkKnownSpace(space);
    memspASSERT(stdIMPLIES(addToParent, space->parent != memspNativeMemSpace),
                "stdIMPLIES(addToParent, parent!=memspNativeMemSpace)", ("Don't add contents to the native memory space"));
    memspASSERT(!space->deleted, "!space->deleted", ("Double delete of memory space '%s'", space->name));
    memspASSERT(!spaceIsInUse(space), "!spaceIsInUse(space)", ("Don't delete the current memory space"));
    deleteTree(self, space, addToParent);
    stdGlobalExit();
}
