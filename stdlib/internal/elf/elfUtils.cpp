/*
 * ELF headers, section tables and section names.
 */
#include <stdlib.h>
#include <string.h>
#include "elfUtilsLocal.h"
#include "stdMemSpace.h"

uInt64 elfTotal(FILE *stream)
{
    uInt64 size = 0;
    return elfStreamSize(stream, &size) ? size : 0;
}

Bool elfHasMagic(const Elf64_Ehdr *header)
{
    uInt32 word;
    memcpy(&word, header->e_ident, sizeof word);
    return word == ELF_MAGIC_WORD;
}

Elf64_Ehdr getELFHeaderFromOffset(FILE *stream, uInt64 imageOffset)
{
    elfCHECK_STREAM(stream);
    Elf64_Ehdr header;
    memset(&header, 0, sizeof header);
    uInt64 total = elfTotal(stream);
    if (imageOffset < total && elfSeek(stream, imageOffset)) {
        /* A short read leaves the missing bytes zero. */
        size_t got = fread(&header, 1, sizeof header, stream);
        (void)got;
    }
    return header;
}

Bool isELF(FILE *stream)
{
    elfCHECK_STREAM(stream);
    off_t here = ftello(stream);
    Elf64_Ehdr header = getELFHeaderFromOffset(stream, 0);
    if (here >= 0) {
        fseeko(stream, here, SEEK_SET);
    }
    return elfHasMagic(&header);
}

Elf64_Shdr *elfReadSectionTable(FILE *stream, uInt64 total, uInt64 imageOffset,
                                const Elf64_Ehdr *h, Bool useMalloc, uInt64 *count)
{
    *count = 0;
    uInt64 stride = h->e_shentsize;
    if (h->e_shoff == 0 || stride < sizeof(Elf64_Shdr)) {
        return NULL;
    }
    uInt64 start = elfAddSaturated(imageOffset, h->e_shoff);
    if (!elfRangeInside(start, stride, total)) {
        return NULL;
    }
    uInt64 n = h->e_shnum;
    if (n == 0) {
        /* Extended numbering: the real count is section 0's sh_size. */
        Elf64_Shdr first;
        if (!elfReadAt(stream, total, start, &first, sizeof first)) {
            return NULL;
        }
        n = first.sh_size;
    }
    /* The whole table must lie in the stream; this also bounds n. */
    if (n == 0 || n > (total - start) / stride) {
        return NULL;
    }
    size_t bytes = (size_t)n * sizeof(Elf64_Shdr);
    Elf64_Shdr *table;
    if (useMalloc) {
        table = (Elf64_Shdr *)malloc(bytes);
        if (table == NULL) {
            stdOutOfMemory();
        }
    } else {
        table = (Elf64_Shdr *)stdMALLOC(bytes);
    }
    for (uInt64 i = 0; i < n; i++) {
        if (!elfReadAt(stream, total, start + i * stride, &table[i], sizeof(Elf64_Shdr))) {
            memset(&table[i], 0, sizeof(Elf64_Shdr));
        }
    }
    *count = n;
    return table;
}

Elf64_Shdr *getSectionHeaderTableFromOffset(FILE *stream, uInt64 imageOffset, uInt64 *count)
{
    elfCHECK_STREAM(stream);
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, imageOffset);
    stdASSERT(elfHasMagic(&h), ("not an ELF file"));
    return elfReadSectionTable(stream, elfTotal(stream), imageOffset, &h, False, count);
}

Elf64_Shdr *getSectionHeaderTable(FILE *stream, uInt64 *count)
{
    elfCHECK_STREAM(stream);
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, 0);
    return elfReadSectionTable(stream, elfTotal(stream), 0, &h, True, count);
}

uInt64 elfNameTableIndex(const Elf64_Ehdr *header, const Elf64_Shdr *headers, uInt64 count)
{
    if (header->e_shstrndx != SHN_XINDEX) {
        return header->e_shstrndx;
    }
    return count > 0 ? headers[0].sh_link : UINT64_MAX;
}

char *elfReadSectionBytes(FILE *stream, uInt64 total, uInt64 base, const Elf64_Shdr *sh, uInt64 *size)
{
    *size = 0;
    uInt64 start = elfAddSaturated(base, sh->sh_offset);
    if (!elfRangeInside(start, sh->sh_size, total)) {
        return NULL;
    }
    /* The spare zero byte keeps a name at the very end of a table harmless. */
    char *bytes = (char *)stdMALLOC((size_t)sh->sh_size + 1);
    if (!elfReadAt(stream, total, start, bytes, sh->sh_size)) {
        memspFree(bytes);
        return NULL;
    }
    bytes[sh->sh_size] = 0;
    *size = sh->sh_size;
    return bytes;
}

char *elfReadStringTable(FILE *stream, uInt64 total, uInt64 base, const Elf64_Shdr *sh, uInt64 *size)
{
    char *bytes = elfReadSectionBytes(stream, total, base, sh, size);
    if (bytes != NULL) {
        const char *lastZero = (const char *)memrchr(bytes, 0, (size_t)*size);
        *size = lastZero != NULL ? (uInt64)(lastZero - bytes) + 1 : 0;
    }
    return bytes;
}

char *getSectionHeaderStringTable(FILE *stream, const Elf64_Shdr *headers, uInt64 count, uInt64 *size)
{
    elfCHECK_STREAM(stream);
    *size = 0;
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, 0);
    stdASSERT(elfHasMagic(&h), ("not an ELF file"));
    uInt64 index = elfNameTableIndex(&h, headers, count);
    if (headers == NULL || index >= count) {
        return NULL;
    }
    return elfReadSectionBytes(stream, elfTotal(stream), 0, &headers[index], size);
}

cString elfStringAt(const char *table, uInt64 tableSize, uInt64 nameOffset)
{
    if (table == NULL || nameOffset >= tableSize) {
        return NULL;
    }
    if (table[tableSize - 1] == 0) {
        return table + nameOffset;   /* every name that starts inside ends inside */
    }
    if (memchr(table + nameOffset, 0, (size_t)(tableSize - nameOffset)) == NULL) {
        return NULL;
    }
    return table + nameOffset;
}

Elf64_Shdr getSectionHeaderByNameFromOffset(FILE *stream, uInt64 imageOffset, cString name, Bool *found)
{
    elfCHECK_STREAM(stream);
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, imageOffset);
    stdASSERT(elfHasMagic(&h), ("not an ELF file"));
    uInt64 total = elfTotal(stream);
    uInt64 count = 0;
    Elf64_Shdr *table = elfReadSectionTable(stream, total, imageOffset, &h, False, &count);

    uInt64 namesSize = 0;
    char *names = NULL;
    uInt64 index = elfNameTableIndex(&h, table, count);
    if (index < count) {
        names = elfReadStringTable(stream, total, imageOffset, &table[index], &namesSize);
    }

    Elf64_Shdr result;
    memset(&result, 0, sizeof result);
    *found = False;
    for (uInt64 i = 0; i < count; i++) {
        cString sectionName = elfStringAt(names, namesSize, table[i].sh_name);
        if (sectionName != NULL && strcmp(sectionName, name) == 0) {
            result = table[i];
            *found = True;
            break;
        }
    }
    if (!*found && count > 0) {
        result = table[0];
    }
    memspFree(names);
    memspFree(table);
    return result;
}
