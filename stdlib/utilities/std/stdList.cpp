/*
 * Lists: construction, removal, queries, traversal and the cursor protocol.
 * Sorting is in stdListSort.cpp, conversion to sets in stdListSet.cpp.
 */
#include "stdList.h"
#include "stdMemSpace.h"
#include "stdWriter.h"

namespace {

stdList newCell(Pointer element, stdList next)
{
    stdList cell = (stdList)stdMALLOC(sizeof(stdListRec));
    cell->next = next;
    cell->element = element;
    return cell;
}

/* Unlinks and frees the cell *link points to. */
void unlinkCell(stdList *link)
{
    stdList cell = *link;
    *link = cell->next;
    memspFree(cell);
}

} // namespace

extern "C" {

stdList listCons(Pointer element, stdList list)
{
    return newCell(element, list);
}

stdList listAddTo(Pointer element, stdList *list)
{
    *list = newCell(element, *list);
    return *list;
}

Pointer listPop(stdList *list)
{
    if (!*list) return nullptr;
    Pointer element = (*list)->element;
    unlinkCell(list);
    return element;
}

stdList listConcat(stdList a, stdList b)
{
    if (!a) return b;
    stdList last = a;
    while (last->next) last = last->next;
    last->next = b;
    return a;
}

stdList listCopy(stdList list)
{
    stdList  result = nullptr;
    stdList *tail = &result;
    for (; list; list = list->next) {
        *tail = newCell(list->element, nullptr);
        tail = &(*tail)->next;
    }
    return result;
}

stdList listReverse(stdList list)
{
    stdList reversed = nullptr;
    while (list) {
        stdList next = list->next;
        list->next = reversed;
        reversed = list;
        list = next;
    }
    return reversed;
}

Bool listPutBefore(Pointer element, Pointer existing, stdList *list)
{
    for (stdList *link = list; *link; link = &(*link)->next) {
        if ((*link)->element == existing) {
            *link = newCell(element, *link);
            return True;
        }
    }
    return False;
}

void listDeleteFrom(stdList *list, Pointer element)
{
    for (stdList *link = list; *link; link = &(*link)->next) {
        if ((*link)->element == element) {
            unlinkCell(link);
            return;
        }
    }
}

void listRemoveElement(Pointer element, stdList *list)
{
    listDeleteFrom(list, element);
}

void listRemoveIndex(stdList *list, uInt64 index)
{
    stdList *link = list;
    while (*link && index > 0) {
        link = &(*link)->next;
        index--;
    }
    if (*link) unlinkCell(link);
}

stdList listDelete(stdList list)
{
    while (list) unlinkCell(&list);
    return nullptr;
}

void listObliterate(stdList list, stdDeleteFun deleteElement)
{
    while (list) {
        if (deleteElement) deleteElement(list->element);
        else memspFree(list->element);
        unlinkCell(&list);
    }
}

uInt64 listSize(stdList list)
{
    uInt64 size = 0;
    for (; list; list = list->next) size++;
    return size;
}

Pointer listIndex(stdList list, uInt64 index)
{
    for (; list; list = list->next, index--) {
        if (index == 0) return list->element;
    }
    return nullptr;
}

Bool listContains(stdList list, Pointer element)
{
    for (; list; list = list->next) {
        if (list->element == element) return True;
    }
    return False;
}

Bool listContainsObject(stdList list, Pointer element, stdEqualFun equal)
{
    for (; list; list = list->next) {
        if (equal(list->element, element)) return True;
    }
    return False;
}

Bool listEqual(stdList a, stdList b, stdEqualFun equal)
{
    for (; a && b; a = a->next, b = b->next) {
        if (!equal(a->element, b->element)) return False;
    }
    return a == nullptr && b == nullptr;
}

Bool listIsPrefix(stdList a, stdList b, stdEqualFun equal)
{
    for (; a && b; a = a->next, b = b->next) {
        if (!equal(a->element, b->element)) return False;
    }
    return a == nullptr;
}

uInt32 listHash(stdList list, stdHashFun hash)
{
    uInt32 result = 0;
    for (; list; list = list->next) result ^= hash(list->element);
    return result;
}

/* Both traversals read next first: the function may free what it gets. */
void listTraverse(stdList list, stdEltFun function, Pointer data)
{
    while (list) {
        stdList next = list->next;
        function(list->element, data);
        list = next;
    }
}

void listRawTraverse(stdList list, listCellFun function, Pointer data)
{
    while (list) {
        stdList next = list->next;
        function(list, data);
        list = next;
    }
}

void listPrint(stdWriter writer, stdList list)
{
    wtrPrintf(writer, "< ");
    for (; list; list = list->next) wtrPrintf(writer, "%p ", list->element);
    wtrPrintf(writer, ">\n");
}

stdList listBegin(stdList list) { return list; }
Bool    listAtEnd(stdList cursor) { return cursor == nullptr; }
stdList listNext(stdList cursor) { return cursor ? cursor->next : nullptr; }
Pointer listValue(stdList cursor) { return cursor ? cursor->element : nullptr; }

} // extern "C"
