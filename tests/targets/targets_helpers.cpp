#include "targets_helpers.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include <gtest/gtest.h>

namespace lumtest {

std::string targetFixture(const std::string &relative)
{
    return std::string(LUM_FIXTURE_DIR) + "/targets/" + relative;
}

std::vector<uint8_t> readTargetFixture(const std::string &relative)
{
    std::ifstream in(targetFixture(relative), std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "missing fixture " << targetFixture(relative);
        return {};
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static LUM_ID lookUpSection(const std::string &name, llvm::endianness order,
                            LUM_ID (*lookup)(const uint8_t *, size_t, llvm::endianness))
{
    std::vector<uint8_t> bytes = readTargetFixture("sections/" + name + ".bin");
    // An empty section still needs a non-null (zero-length) buffer.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    return lookup(exact.get(), bytes.size(), order);
}

LUM_ID lumSectionId(const std::string &name, llvm::endianness order)
{
    return lookUpSection(name, order, getLumIdFromLumAttributes);
}

LUM_ID riscvSectionId(const std::string &name, llvm::endianness order)
{
    return lookUpSection(name, order, getLumIdFromRiscvAttributes);
}

LUM_ID identifyFixture(const std::string &relative, uint64_t imageOffset)
{
    std::vector<uint8_t> bytes = readTargetFixture(relative);
    if (bytes.empty())
        return LUM_ID_INVALID;
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "r");
    if (stream == nullptr) {
        ADD_FAILURE() << "fmemopen failed for " << relative;
        return LUM_ID_INVALID;
    }
    LUM_ID id = getLumId(stream, imageOffset);
    std::fclose(stream);
    return id;
}

} // namespace lumtest
