#include "memspace_helpers.h"

#include <stdlib.h>
#include <string.h>

#include "stringCapture.h"
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

}  // namespace memsptest
