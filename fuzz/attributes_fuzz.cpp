// Arbitrary bytes through the attribute-section lookups (as a ".lum.attributes"
// and as a ".riscv.attributes" section, in both byte orders), and, when they
// form an ELF image, through getLumId, checked against a direct lookup of the
// section it must have used.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "elfRange.h"
#include "elfUtils.h"
#include "llvm/ADT/bit.h"

#include "lumAttributes.h"

namespace {

using SectionLookup = LUM_ID (*)(const uint8_t *, size_t, llvm::endianness);

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkLumSection(const uint8_t *bytes, size_t size, llvm::endianness order)
{
    LUM_ID id = getLumIdFromLumAttributes(bytes, size, order);
    require(id >= 0 && id <= LUM_ID_INVALID);
}

void checkRiscvSection(const uint8_t *bytes, size_t size, llvm::endianness order)
{
    LUM_ID id = getLumIdFromRiscvAttributes(bytes, size, order);
    require(id == 0 || id == 2 || id == 3 || id == LUM_ID_INVALID);
}

// getLumId ends the run (by design) for an image without attribute sections
// or whose chosen section is empty or not inside the stream; only images it
// can read are passed on.
void checkImage(uint8_t *bytes, size_t size)
{
    if (size < sizeof(Elf64_Ehdr))
        return;
    FILE *stream = fmemopen(bytes, size, "r");
    if (stream == nullptr)
        return;
    Elf64_Ehdr header = getELFHeaderFromOffset(stream, 0);
    if (elfHasMagic(&header)) {
        Bool hasLum = False, hasRiscv = False;
        Elf64_Shdr lum = getSectionHeaderByNameFromOffset(stream, 0, ".lum.attributes", &hasLum);
        Elf64_Shdr riscv = getSectionHeaderByNameFromOffset(stream, 0, ".riscv.attributes", &hasRiscv);
        const Elf64_Shdr *chosen = hasLum ? &lum : hasRiscv ? &riscv : nullptr;
        SectionLookup lookup = hasLum ? getLumIdFromLumAttributes : getLumIdFromRiscvAttributes;
        if (chosen != nullptr && chosen->sh_size > 0 &&
            elfRangeInside(chosen->sh_offset, chosen->sh_size, size)) {
            LUM_ID expected = lookup(bytes + chosen->sh_offset, static_cast<size_t>(chosen->sh_size),
                                     llvm::endianness::little);
            require(getLumId(stream, 0) == expected);
        }
    }
    std::fclose(stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A buffer of exactly the input's size, so that any read past it shows.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
    if (size > 0)
        std::memcpy(bytes.get(), data, size);

    for (llvm::endianness order : {llvm::endianness::little, llvm::endianness::big}) {
        checkLumSection(bytes.get(), size, order);
        checkRiscvSection(bytes.get(), size, order);
    }
    checkImage(bytes.get(), size);
    return 0;
}
