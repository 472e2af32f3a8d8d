/*
 * Byte ranges of streams and sections as images.
 */
#include <string.h>
#include "elfUtilsLocal.h"
#include "stdMemSpace.h"

/* An image of no bytes still owns a (one-byte) buffer. */
static elfImage emptyImage(void)
{
    elfImage image = { (uInt8 *)stdMALLOC(1), 0 };
    return image;
}

elfImage readFileAsImageBetweenOffset(FILE *stream, uInt64 start, uInt64 end)
{
    elfCHECK_STREAM(stream);
    stdASSERT(end >= start, ("invalid file offset for reading"));
    /* Checked before allocating, so a hostile end never sizes an allocation. */
    uInt64 total = elfTotal(stream);
    stdASSERT(end < total, ("reading file section failed"));
    uInt64 length = end - start + 1;
    elfImage image = { (uInt8 *)stdMALLOC((size_t)length), length };
    Bool read = elfReadAt(stream, total, start, image.data, length);
    if (!read) {
        memspFree(image.data);
    }
    stdASSERT(read, ("reading file section failed"));
    return image;
}

elfImage readFileAsImage(FILE *stream)
{
    elfCHECK_STREAM(stream);
    uInt64 total = elfTotal(stream);
    if (total == 0) {
        return emptyImage();
    }
    return readFileAsImageBetweenOffset(stream, 0, total - 1);
}

elfImage readFileSectionAsImageFromOffset(FILE *stream, uInt64 imageOffset, cString name)
{
    elfCHECK_STREAM(stream);
    Bool found = False;
    Elf64_Shdr sh = getSectionHeaderByNameFromOffset(stream, imageOffset, name, &found);
    if (!found) {
        elfImage none = { NULL, 0 };
        return none;
    }
    if (sh.sh_size == 0) {
        return emptyImage();
    }
    uInt64 start = elfAddSaturated(imageOffset, sh.sh_offset);
    return readFileAsImageBetweenOffset(stream, start, elfAddSaturated(start, sh.sh_size - 1));
}

Bool isFatBin(FILE *stream)
{
    elfCHECK_STREAM(stream);
    off_t here = ftello(stream);
    char magic[8];
    Bool ok = elfReadAt(stream, elfTotal(stream), 0, magic, sizeof magic);
    if (here >= 0) {
        fseeko(stream, here, SEEK_SET);
    }
    return ok && memcmp(magic, "TKLUMFBF", sizeof magic) == 0;
}

Bool isFatLUMObj(FILE *stream)
{
    elfCHECK_STREAM(stream);
    off_t here = ftello(stream);
    Bool result = False;
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, 0);
    if (elfHasMagic(&h)) {
        Bool found = False;
        Elf64_Shdr sh = getSectionHeaderByNameFromOffset(stream, 0, ".lum_obj", &found);
        char magic[8];
        result = found && sh.sh_size >= sizeof magic
              && elfReadAt(stream, elfTotal(stream), sh.sh_offset, magic, sizeof magic)
              && memcmp(magic, "TKLUMFBF", sizeof magic) == 0;
    }
    if (here >= 0) {
        fseeko(stream, here, SEEK_SET);
    }
    return result;
}
