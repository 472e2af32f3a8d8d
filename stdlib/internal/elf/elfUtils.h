/*
 * Reading ELF64 files (little-endian, host byte order) from stdio streams:
 * headers, section tables, section names, symbols and byte ranges.
 *
 * Helpers that take an image offset read an ELF that starts at that
 * position of the stream (an ELF embedded in a larger stream); the offsets
 * found in that ELF are then relative to it. The others read the ELF at
 * position 0. Only the four magic bytes are checked, never class or byte
 * order.
 *
 * Nothing is read outside the stream. A section table is used only when it
 * lies wholly inside the stream, has entries of at least 64 bytes (larger
 * entries are stepped over by e_shentsize) and a non-zero e_shoff; otherwise
 * the ELF has no sections. A name offset outside its string table, or a name
 * not ended inside the table, names nothing.
 */
#ifndef elfUtils_INCLUDED
#define elfUtils_INCLUDED

#include <elf.h>
#include <stdio.h>
#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A byte range read from a stream, allocated through the shared allocation
 * interface; the caller releases data with memspFree. */
typedef struct {
    uInt8  *data;
    uInt64  size;
} elfImage;

/* The 4-byte magic, as the 32-bit little-endian word at offset 0. */
#define ELF_MAGIC_WORD 0x464C457Fu

/* True when the header carries the ELF magic. */
Bool elfHasMagic(const Elf64_Ehdr *header);

/* ----------------------------------------------------------- headers */

/* The 64-byte header at imageOffset; bytes the stream does not hold read
 * as zero (so a stream shorter than offset + 4 fails the magic test). */
Elf64_Ehdr getELFHeaderFromOffset(FILE *stream, uInt64 imageOffset);

/* True when position 0 holds the ELF magic; the position is restored. */
Bool isELF(FILE *stream);

/* ----------------------------------------------------- section tables */

/* All section headers of the ELF at imageOffset (extended numbering
 * followed), allocated through the shared interface; *count gets their
 * number. Null with count 0 when there is no usable table. Asserts
 * "not an ELF file" on a wrong magic. */
Elf64_Shdr *getSectionHeaderTableFromOffset(FILE *stream, uInt64 imageOffset, uInt64 *count);

/* The same for the ELF at position 0, allocated with malloc (release with
 * free), without the magic test. */
Elf64_Shdr *getSectionHeaderTable(FILE *stream, uInt64 *count);

/* Index of the section-name table: e_shstrndx, or section 0's sh_link when
 * e_shstrndx is SHN_XINDEX. Not checked against the count. */
uInt64 elfNameTableIndex(const Elf64_Ehdr *header, const Elf64_Shdr *headers, uInt64 count);

/* A copy of the section-name table of the ELF at position 0 (headers and
 * count as getSectionHeaderTable gave them); *size gets its length. Null
 * with size 0 when the index or the section's bytes lie outside the table or
 * the stream. Asserts "not an ELF file" on a wrong magic. */
char *getSectionHeaderStringTable(FILE *stream, const Elf64_Shdr *headers, uInt64 count, uInt64 *size);

/* The zero-terminated name at nameOffset of a string table of tableSize
 * bytes, or null when it does not start and end inside the table. */
cString elfStringAt(const char *table, uInt64 tableSize, uInt64 nameOffset);

/* The first section of the ELF at imageOffset named exactly name: *found
 * True and the header; else *found False and a copy of section header 0
 * (all zero when the ELF has no sections). Asserts "not an ELF file". */
Elf64_Shdr getSectionHeaderByNameFromOffset(FILE *stream, uInt64 imageOffset, cString name, Bool *found);

/* -------------------------------------------------------- byte ranges */

/* The bytes start..end (both inclusive, absolute positions). Asserts
 * "invalid file offset for reading" when end < start and "reading file
 * section failed" when the stream does not hold them all (checked before
 * anything is allocated). */
elfImage readFileAsImageBetweenOffset(FILE *stream, uInt64 start, uInt64 end);

/* The whole stream (length 0 for an empty one). */
elfImage readFileAsImage(FILE *stream);

/* The bytes of the named section of the ELF at imageOffset; length 0 for an
 * empty section, (null, 0) when there is no such section. */
elfImage readFileSectionAsImageFromOffset(FILE *stream, uInt64 imageOffset, cString name);

/* ---------------------------------------------------------- symbols */

/* The name of every symbol of the last symbol table (index 0 included), each
 * a separate allocation, in a new array; *count gets their number. Without a
 * symbol table, or when its entries are smaller than a symbol (entry size 0
 * included), an empty array. A name outside the string table reads as "".
 * Asserts "not an ELF file", and "symbol table size is not a multiple of
 * symbol table entry size". */
String *getELFSymbols(FILE *stream, uInt64 *count);

/* --------------------------------------------------- fat-binary tests */

/* True when position 0 holds the container magic "TKLUMFBF"; position restored. */
Bool isFatBin(FILE *stream);

/* True when the stream is an ELF whose ".lum_obj" section starts with the
 * container magic; position restored. */
Bool isFatLUMObj(FILE *stream);

#ifdef __cplusplus
}
#endif

#endif
