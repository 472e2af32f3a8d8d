/*
 * Sorting lists in place: a merge sort that relinks the cells and makes no
 * new ones. The split order is part of the observable behaviour (equal
 * elements come out in a fixed, non-stable order), so keep it as it is.
 */
#include "stdList.h"

namespace {

/*
 * One pass relinks every cell to the cell two positions before it, which
 * leaves two lists of alternate cells, each in reverse order: A starts at
 * the second-to-last cell, B at the last. Recursion halves the length each
 * time, so its depth is logarithmic; the merge is a loop.
 */
template <typename LessEq>
stdList sortCells(stdList list, const LessEq &lessEq)
{
    if (!list || !list->next) return list;

    stdList twoBack = nullptr, oneBack = nullptr;
    while (list) {
        stdList next = list->next;
        list->next = twoBack;
        twoBack = oneBack;
        oneBack = list;
        list = next;
    }
    stdList a = sortCells(twoBack, lessEq);
    stdList b = sortCells(oneBack, lessEq);

    stdList  merged = nullptr;
    stdList *tail = &merged;
    while (a && b) {
        stdList *from = lessEq(a, b) ? &a : &b;
        *tail = *from;
        tail = &(*from)->next;
        *from = (*from)->next;
    }
    *tail = a ? a : b;
    return merged;
}

} // namespace

extern "C" {

void listSort(stdList *list, stdLessEqFun lessEq)
{
    *list = sortCells(*list, [&](stdList a, stdList b) { return lessEq(a->element, b->element); });
}

void listSortD(stdList *list, stdLessEqDFun lessEq, Pointer data)
{
    *list = sortCells(*list, [&](stdList a, stdList b) { return lessEq(a->element, b->element, data); });
}

void listRawSort(stdList *list, listCellLessEqFun lessEq)
{
    *list = sortCells(*list, [&](stdList a, stdList b) { return lessEq(a, b); });
}

void listRawSortD(stdList *list, listCellLessEqDFun lessEq, Pointer data)
{
    *list = sortCells(*list, [&](stdList a, stdList b) { return lessEq(a, b, data); });
}

} // extern "C"
