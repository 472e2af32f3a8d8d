/*
 * Identifying the target of a device ELF image from its attribute sections:
 * the toolchain's own ".lum.attributes" (vendor "ostrel", Tag_LUM_ID) names
 * it directly; failing that, the architecture string (Tag_arch) of the
 * standard ".riscv.attributes" section is looked up in the registry.
 */
#ifndef lumAttributes_INCLUDED
#define lumAttributes_INCLUDED

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "llvm/ADT/bit.h"
#include "lumTargets.h"

extern "C" {

/* The target of the ELF image that starts at imageOffset in stream: from
 * ".lum.attributes" when the image has one (final, even when it yields
 * LUM_ID_INVALID), else from ".riscv.attributes". An image with neither
 * section, or whose chosen section is empty or not wholly in the stream,
 * ends the run with an assertion. */
LUM_ID getLumId(FILE *stream, uint64_t imageOffset);

/* The Tag_LUM_ID value of a ".lum.attributes" section (bytes may be null);
 * LUM_ID_INVALID for null bytes, a malformed section or no such tag. */
LUM_ID getLumIdFromLumAttributes(const uint8_t *bytes, size_t length, llvm::endianness order);

/* The registry target of the Tag_arch string of a ".riscv.attributes"
 * section (bytes may be null); LUM_ID_INVALID for null bytes, a malformed
 * section, a missing or empty string or one outside the registry. */
LUM_ID getLumIdFromRiscvAttributes(const uint8_t *bytes, size_t length, llvm::endianness order);

} // extern "C"

#endif
