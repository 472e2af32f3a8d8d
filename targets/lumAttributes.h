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

#include "lumTargets.h"

/* LLVM's byte-order type (llvm/ADT/bit.h), declared here so that this header
 * needs no LLVM headers: LLVM is linked into this library, not exposed by it.
 * A caller of the two section lookups includes llvm/ADT/bit.h for the values;
 * the files that define them include both, so a change of LLVM's declaration
 * is a compile error here and not a silent mismatch. */
namespace llvm {
enum class endianness;
}

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
