/* What the memory spaces print about themselves, read back by the tests. */
#ifndef memspace_helpers_INCLUDED
#define memspace_helpers_INCLUDED

#include <string>
#include "stdMemSpace.h"

namespace memsptest {

/* memspPrint into a string. */
std::string statistics(stdMemSpace space, Bool tune, Int level, Bool recursive = False, Bool indent = False);
/* The numbers of the level-1 statistics: "Total in use" and "Total allocated". */
unsigned long long bytesInUse(stdMemSpace space);
unsigned long long bytesAllocated(stdMemSpace space);
/* The usable size memspDescribeBlock reports; 0 for a native block. */
unsigned long long usableSize(Pointer block);

/* Checks the space's own structure (boundary tags, free lists, page
 * counts) with gtest assertions. */
void checkHeap(stdMemSpace space);

/* The space, made current for the scope. */
class CurrentSpace {
public:
    explicit CurrentSpace(stdMemSpace space) : previous(stdSwapMemSpace(space)) {}
    ~CurrentSpace() { stdSwapMemSpace(previous); }
    CurrentSpace(const CurrentSpace &) = delete;
    CurrentSpace &operator=(const CurrentSpace &) = delete;
private:
    stdMemSpace previous;
};

}  // namespace memsptest

#endif
