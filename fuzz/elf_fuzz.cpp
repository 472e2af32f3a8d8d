/*
 * Fuzzes the ELF helpers on a read-only memory stream: headers, section
 * tables, names, section images, symbols and the container tests, with the
 * ELF at position 0 and embedded at an offset.
 */
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>
#include "elfUtils.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

/* Checks that fail by design (a section past the stream, a ragged symbol
 * table) end in the abort handler; come back here instead of exiting. */
static jmp_buf recovery;
static void backToFuzzer(void) { longjmp(recovery, 1); }
static void quietFail(cString, va_list) {}

static void exercise(FILE *stream, uInt64 offset)
{
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, offset);
    if (!elfHasMagic(&h)) {
        return;
    }
    uInt64 count = 0;
    memspFree(getSectionHeaderTableFromOffset(stream, offset, &count));
    Bool found = False;
    getSectionHeaderByNameFromOffset(stream, offset, ".lum_obj", &found);
    if (setjmp(recovery) == 0) {
        elfImage image = readFileSectionAsImageFromOffset(stream, offset, ".lum.attributes");
        memspFree(image.data);
    }
    if (offset != 0) {
        return;
    }
    Elf64_Shdr *table = getSectionHeaderTable(stream, &count);
    uInt64 size = 0;
    memspFree(getSectionHeaderStringTable(stream, table, count, &size));
    free(table);
    if (setjmp(recovery) == 0) {
        uInt64 symbols = 0;
        String *names = getELFSymbols(stream, &symbols);
        for (uInt64 i = 0; i < symbols; i++) {
            memspFree(names[i]);
        }
        memspFree(names);
    }
    (void)isELF(stream);
    (void)isFatBin(stream);
    (void)isFatLUMObj(stream);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        stdSetAssertHandlers(nullptr, quietFail);
        stdSetTerminators(backToFuzzer, nullptr);
        ready = true;
    }
    if (size == 0) {
        return 0;
    }
    std::vector<uint8_t> bytes(data, data + size);
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "r");
    if (stream == nullptr) {
        return 0;
    }
    exercise(stream, 0);
    /* The same bytes seen as an ELF embedded after a small prefix. */
    uInt64 offset = bytes[0] % 64;
    if (offset < size) {
        exercise(stream, offset);
    }
    fclose(stream);
    return 0;
}
