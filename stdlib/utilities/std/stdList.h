/*
 * Lists: singly linked sequences of pointer-sized elements.
 *
 * A list is a pointer to its first cell; the empty list is null, so a list
 * variable starts as null and needs no creation call. Operations that may
 * change the first cell take the address of the list variable. Cells own
 * nothing: deleting a list frees its cells and leaves the elements alone
 * (except listObliterate). Element identity is word equality unless an
 * operation takes an equality function. Cells come from the calling
 * thread's current memory space.
 */
#ifndef stdList_INCLUDED
#define stdList_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Element functions shared by lists and the other collections. */
typedef uInt32 (*stdHashFun)(Pointer element);
typedef Bool   (*stdEqualFun)(Pointer a, Pointer b);
typedef Bool   (*stdLessEqFun)(Pointer a, Pointer b);
typedef Bool   (*stdLessEqDFun)(Pointer a, Pointer b, Pointer data);
typedef void   (*stdEltFun)(Pointer element, Pointer data);
typedef void   (*stdDeleteFun)(Pointer element);

typedef struct stdListRec {
    struct stdListRec *next;    /* the rest of the list; null at the end */
    Pointer            element;
} stdListRec, *stdList;

/* Functions on cells, for the raw traversal and sorts. */
typedef void (*listCellFun)(stdList cell, Pointer data);
typedef Bool (*listCellLessEqFun)(stdList a, stdList b);
typedef Bool (*listCellLessEqDFun)(stdList a, stdList b, Pointer data);

struct stdWriterRec;
struct stdSetRec;

/* Construction and change */
stdList listCons(Pointer element, stdList list);         /* new first cell before list */
stdList listAddTo(Pointer element, stdList *list);       /* returns the new first cell */
Pointer listPop(stdList *list);                          /* null for an empty list */
stdList listConcat(stdList a, stdList b);                /* links b behind a, no copy */
stdList listCopy(stdList list);
stdList listReverse(stdList list);                       /* in place; new first cell */
/* Inserts before the first cell holding `existing`; False if there is none. */
Bool    listPutBefore(Pointer element, Pointer existing, stdList *list);
void    listDeleteFrom(stdList *list, Pointer element);  /* first cell holding it */
void    listRemoveElement(Pointer element, stdList *list);
void    listRemoveIndex(stdList *list, uInt64 index);    /* no effect past the end */

/* Release */
stdList listDelete(stdList list);                        /* frees the cells; returns null */
/* Frees every element (with `deleteElement`, or memspFree when null) and every cell. */
void    listObliterate(stdList list, stdDeleteFun deleteElement);

/* Queries */
uInt64  listSize(stdList list);
Pointer listIndex(stdList list, uInt64 index);           /* null past the end */
Bool    listContains(stdList list, Pointer element);     /* word equality */
Bool    listContainsObject(stdList list, Pointer element, stdEqualFun equal);
Bool    listEqual(stdList a, stdList b, stdEqualFun equal);
Bool    listIsPrefix(stdList a, stdList b, stdEqualFun equal);
uInt32  listHash(stdList list, stdHashFun hash);         /* XOR of the element hashes */

/* Traversal, first to last; the function may free what it is given. */
void    listTraverse(stdList list, stdEltFun function, Pointer data);
void    listRawTraverse(stdList list, listCellFun function, Pointer data);

/* Conversion and printing */
struct stdSetRec *listToSet(stdList list, stdHashFun hash, stdEqualFun equal);
void    listPrint(struct stdWriterRec *writer, stdList list);   /* "< %p %p >\n" */

/* Sorting in place (merge sort on the cells; not stable) */
void    listSort(stdList *list, stdLessEqFun lessEq);
void    listSortD(stdList *list, stdLessEqDFun lessEq, Pointer data);
void    listRawSort(stdList *list, listCellLessEqFun lessEq);
void    listRawSortD(stdList *list, listCellLessEqDFun lessEq, Pointer data);

/* Cursor protocol: the cursor is the cell itself. */
stdList listBegin(stdList list);
Bool    listAtEnd(stdList cursor);
stdList listNext(stdList cursor);                        /* null for null */
Pointer listValue(stdList cursor);                       /* null for null */

#ifdef __cplusplus
}
#endif

#endif
