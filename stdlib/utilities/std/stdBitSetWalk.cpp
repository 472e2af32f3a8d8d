/*
 * Bit sets: first and last elements, hashing, traversal and printing.
 */
#include "stdBitSetLocal.h"
#include "stdWriter.h"

using namespace bitSetLocal;

extern "C" {

/* -------------------------------------------------------------- queries */

uInt32 bitSetFirst(stdBitSet set)
{
    uInt64 e = nextElement(set, 0);
    return e == noBit ? bitSetNONE : (uInt32)e;
}

uInt32 bitSetLast(stdBitSet set)
{
    for (Int64 k = set->hi - 1; k >= set->lo; k--) {
        uInt64 w = set->words[k - set->lo];
        if (w) return (uInt32)(64 * k + 63 - __builtin_clzll(w));
    }
    return bitSetNONE;
}

/* Over the words from the first to the last non-zero one, so that zero
 * words left at the ends of the window do not change the hash. */
uInt32 bitSetHash(stdBitSet set)
{
    Int64 first = set->lo, last = set->hi - 1;
    while (first <= last && set->words[first - set->lo] == 0) first++;
    while (last >= first && set->words[last - set->lo] == 0) last--;
    if (first > last) return 0;
    uInt32 h = (uInt32)first;
    for (Int64 k = first; k <= last; k++) {
        uInt64 w = set->words[k - set->lo];
        for (int piece = 0; piece < 4; piece++) h = (31 * h + (uInt32)((w >> (16 * piece)) & 0xFFFF)) % 65535;
    }
    return h;
}

/* ------------------------------------------------------------ traversal */

void bitSetTraverse(stdBitSet set, bitSetEltFun function, Pointer data)
{
    /* Each word is read when reached, and the window again after each word. */
    for (Int64 k = set->lo; k < set->hi; k++) {
        uInt64 w = wordAt(set, k);
        while (w) {
            uInt32 b = firstBit64(w);
            w &= w - 1;
            function((uInt32)(64 * k + b), data);
        }
    }
}

void bitSetTraverseRanges(stdBitSet set, bitSetRangeFun function, Pointer data)
{
    for (uInt64 first = nextElement(set, 0); first != noBit;) {
        uInt64 end = nextGap(set, first);
        function((uInt32)first, (uInt32)end, data);
        first = nextElement(set, end);
    }
}

/* ------------------------------------------------------------- printing */

static void printRun(uInt32 first, uInt32 end, Pointer data)
{
    stdWriter writer = (stdWriter)data;
    if (end - first > 10) {
        wtrPrintf(writer, "%u-%u ", first, end - 1);
        return;
    }
    for (uInt32 e = first; e < end; e++) wtrPrintf(writer, "%u ", e);
}

void bitSetPrintWN(struct stdWriterRec *writer, stdBitSet set)
{
    wtrPrintf(writer, "{ ");
    bitSetTraverseRanges(set, printRun, writer);
    wtrPrintf(writer, "}");
}

void bitSetPrint(struct stdWriterRec *writer, stdBitSet set)
{
    bitSetPrintWN(writer, set);
    wtrPrintf(writer, "\n");
}

void bitSetPrintWord(struct stdWriterRec *writer, stdBitSet set)
{
    for (Int32 k = 0; k < set->lo; k++) wtrPrintf(writer, "0x0, ");
    for (Int32 k = set->lo; k < set->hi; k++)
        wtrPrintf(writer, "0x%llx%s", (unsigned long long)set->words[k - set->lo], k + 1 < set->hi ? ", " : "");
}

} /* extern "C" */
