/*
 * Private helpers shared by the elfUtils sources.
 */
#ifndef elfUtilsLocal_INCLUDED
#define elfUtilsLocal_INCLUDED

#include "elfRange.h"
#include "elfUtils.h"
#include "stdMessages.h"

/* Every reading helper refuses a null stream the same way. */
#define elfCHECK_STREAM(stream) stdASSERT((stream) != NULL, ("invalid file pointer"))

/* The size of the stream, 0 when it cannot be told (then nothing is readable). */
uInt64 elfTotal(FILE *stream);

/* The section table of the ELF whose header h was read at imageOffset.
 * With useMalloc the array comes from malloc, else from stdMALLOC. */
Elf64_Shdr *elfReadSectionTable(FILE *stream, uInt64 total, uInt64 imageOffset,
                                const Elf64_Ehdr *h, Bool useMalloc, uInt64 *count);

/* A copy of sh's bytes at base + sh_offset (stdMALLOC, one spare zero byte
 * after them); null with size 0 when they do not lie inside the stream. */
char *elfReadSectionBytes(FILE *stream, uInt64 total, uInt64 base, const Elf64_Shdr *sh, uInt64 *size);

/* The same for a string table, its size cut after its last zero byte: text
 * past it names nothing, and a table that ends in zero lets elfStringAt
 * answer without scanning (many names into one long unterminated run would
 * otherwise be scanned once per name). */
char *elfReadStringTable(FILE *stream, uInt64 total, uInt64 base, const Elf64_Shdr *sh, uInt64 *size);

#endif
