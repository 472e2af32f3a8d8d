/*
 * Symbol names of an ELF's symbol table.
 */
#include <string.h>
#include "elfUtilsLocal.h"
#include "stdMemSpace.h"

static String copyText(cString text)
{
    size_t length = strlen(text);
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, text, length + 1);
    return copy;
}

String *getELFSymbols(FILE *stream, uInt64 *count)
{
    elfCHECK_STREAM(stream);
    *count = 0;
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, 0);
    stdASSERT(elfHasMagic(&h), ("not an ELF file"));
    uInt64 total = elfTotal(stream);
    uInt64 sectionCount = 0;
    Elf64_Shdr *table = elfReadSectionTable(stream, total, 0, &h, False, &sectionCount);

    /* The last symbol table, and the last string table that does not name sections. */
    uInt64 nameTable = elfNameTableIndex(&h, table, sectionCount);
    uInt64 symtab = UINT64_MAX, strtab = UINT64_MAX;
    for (uInt64 i = 0; i < sectionCount; i++) {
        if (table[i].sh_type == SHT_SYMTAB) {
            symtab = i;
        } else if (table[i].sh_type == SHT_STRTAB && i != nameTable) {
            strtab = i;
        }
    }
    if (strtab == UINT64_MAX) {
        strtab = nameTable;
    }

    /* An entry size of 0 divides nothing, and entries smaller than a symbol
     * cannot be read as symbols: both mean no table. */
    uInt64 symbolCount = 0;
    if (symtab != UINT64_MAX && table[symtab].sh_entsize != 0) {
        Bool whole = table[symtab].sh_size % table[symtab].sh_entsize == 0;
        if (!whole) {
            memspFree(table);   /* nothing stays allocated past a failed check */
        }
        stdASSERT(whole, ("symbol table size is not a multiple of symbol table entry size"));
        if (table[symtab].sh_entsize >= sizeof(Elf64_Sym)) {
            symbolCount = table[symtab].sh_size / table[symtab].sh_entsize;
        }
    }
    uInt64 symbolsSize = 0, stringsSize = 0;
    char *symbols = NULL, *strings = NULL;
    if (symbolCount > 0) {
        symbols = elfReadSectionBytes(stream, total, 0, &table[symtab], &symbolsSize);
        if (symbols == NULL) {
            symbolCount = 0;   /* the table lies outside the stream */
        }
    }
    if (symbolCount > 0 && strtab < sectionCount) {
        strings = elfReadStringTable(stream, total, 0, &table[strtab], &stringsSize);
    }

    String *names = (String *)stdMALLOC(symbolCount ? (size_t)symbolCount * sizeof(String) : sizeof(String));
    for (uInt64 i = 0; i < symbolCount; i++) {
        Elf64_Sym symbol;
        memcpy(&symbol, symbols + i * table[symtab].sh_entsize, sizeof symbol);
        cString name = elfStringAt(strings, stringsSize, symbol.st_name);
        names[i] = copyText(name != NULL ? name : "");
    }
    memspFree(strings);
    memspFree(symbols);
    memspFree(table);
    *count = symbolCount;
    return names;
}
