// Shared helpers of the target tests: fixture files and identification runs.
#ifndef targets_helpers_INCLUDED
#define targets_helpers_INCLUDED

#include <stdint.h>
#include <string>
#include <vector>

#include "llvm/ADT/bit.h"

#include "lumAttributes.h"

namespace lumtest {

// Path of a file the fixture builder made under OUTDIR/targets/.
std::string targetFixture(const std::string &relative);

// The bytes of a fixture file; an unreadable file fails the current test.
std::vector<uint8_t> readTargetFixture(const std::string &relative);

// Looks the target up in the attribute section sections/NAME.bin. The bytes
// sit in a buffer of exactly their size, so the sanitizers see any read
// past the section.
LUM_ID lumSectionId(const std::string &name, llvm::endianness order = llvm::endianness::little);
LUM_ID riscvSectionId(const std::string &name, llvm::endianness order = llvm::endianness::little);

// getLumId on a read-only memory stream over the whole fixture file.
LUM_ID identifyFixture(const std::string &relative, uint64_t imageOffset = 0);

} // namespace lumtest

#endif
