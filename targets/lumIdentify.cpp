// Identifying the target of a device ELF image inside a stream.
#include "llvm/ADT/bit.h"

#include "elfRange.h"
#include "elfUtils.h"
#include "lumAttributes.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

namespace {

using SectionLookup = LUM_ID (*)(const uint8_t *, size_t, llvm::endianness);

// Reads the named section of the image, if it has one, and looks the target
// up in its bytes. False when there is no such section. A section that is
// empty, or whose bytes are not all in the stream, ends the run, so a
// section that is found always yields its bytes.
bool identifyFromSection(FILE *stream, uint64_t imageOffset, const char *name, SectionLookup lookup,
                         LUM_ID *result)
{
    Bool found = False;
    Elf64_Shdr section = getSectionHeaderByNameFromOffset(stream, imageOffset, name, &found);
    if (!found)
        return false;
    // An empty section is an empty range, which the reading helper refuses as
    // an end before the start; at position 0 that end would wrap to the top
    // of the address range and be refused for another reason instead.
    stdASSERT(section.sh_size > 0, ("invalid file offset for reading"));
    uInt64 start = elfAddSaturated(imageOffset, section.sh_offset);
    uInt64 end = elfAddSaturated(start, section.sh_size - 1);
    elfImage image = readFileAsImageBetweenOffset(stream, start, end);
    *result = lookup(image.data, static_cast<size_t>(image.size), llvm::endianness::little);
    memspFree(image.data);
    return true;
}

} // namespace

extern "C" LUM_ID getLumId(FILE *stream, uint64_t imageOffset)
{
    LUM_ID id = LUM_ID_INVALID;
    // The toolchain's own section is final: one that names no target does
    // not fall back to the architecture string.
    if (identifyFromSection(stream, imageOffset, ".lum.attributes", getLumIdFromLumAttributes, &id))
        return id;
    if (identifyFromSection(stream, imageOffset, ".riscv.attributes", getLumIdFromRiscvAttributes, &id))
        return id;
    // Every device executable the toolchain links carries at least the
    // architecture section: an image with neither is not one of ours.
    stdASSERTLOGSETPOS("RISCVAttrSec.image", __FILE_NAME__, __LINE__);
    stdASSERTLOGFAIL("ELF file without.riscv.attributes");
}
