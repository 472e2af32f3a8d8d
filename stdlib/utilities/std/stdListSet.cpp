/*
 * Converting a list into a hash set.
 */
#include "stdList.h"
#include "stdSet.h"

#include <limits.h>

extern "C" {

stdSet listToSet(stdList list, stdHashFun hash, stdEqualFun equal)
{
    uInt64 size = listSize(list);
    stdSet set = setCreate(hash, equal, size > (uInt64)INT_MAX ? INT_MAX : (Int)size);
    for (; list; list = list->next) setInsert(set, list->element);
    return set;
}

} // extern "C"
