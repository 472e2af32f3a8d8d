/*
 * Reading ELF headers, section tables, names, byte ranges and symbols from streams.
 */
#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include "elfRange.h"
#include "elfUtils.h"
#include "elf_test_helpers.h"
#include "stdMemSpace.h"

using namespace lumtest;

namespace {

Elf64_Shdr lookup(const char *file, const char *name, Bool *found, uInt64 offset = 0)
{
    MemStream s(readBytes(fixture(file)));
    return getSectionHeaderByNameFromOffset(s.get(), offset, name, found);
}

uInt64 tableCount(const char *file)
{
    MemStream s(readBytes(fixture(file)));
    uInt64 count = 12345;
    Elf64_Shdr *table = getSectionHeaderTableFromOffset(s.get(), 0, &count);
    memspFree(table);
    return count;
}

std::vector<std::string> symbols(const char *file)
{
    MemStream s(readBytes(fixture(file)));
    uInt64 count = 12345;
    String *names = getELFSymbols(s.get(), &count);
    std::vector<std::string> result;
    for (uInt64 i = 0; i < count; i++) {
        result.push_back(names[i]);
        memspFree(names[i]);
    }
    memspFree(names);
    return result;
}

Bool allZero(const Elf64_Shdr &sh)
{
    static const Elf64_Shdr zero = {};
    return memcmp(&sh, &zero, sizeof sh) == 0;
}

} // namespace

TEST(ElfHeader, IsTheFirst64Bytes)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    MemStream s(bytes);
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    EXPECT_TRUE(elfHasMagic(&h));
    EXPECT_EQ(h.e_type, ET_EXEC);
    EXPECT_EQ(memcmp(&h, bytes.data(), sizeof h), 0);
}

TEST(ElfHeader, SharedObjectAndRelocatableTypes)
{
    MemStream so(readBytes(fixture("elf/host.so")));
    MemStream obj(readBytes(fixture("elf/host.o")));
    EXPECT_EQ(getELFHeaderFromOffset(so.get(), 0).e_type, ET_DYN);
    EXPECT_EQ(getELFHeaderFromOffset(obj.get(), 0).e_type, ET_REL);
}

TEST(ElfHeader, ShortStreamFailsTheMagicTest)
{
    MemStream s(Bytes{ 0x7f, 'E', 'L' });
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    EXPECT_FALSE(elfHasMagic(&h));
    EXPECT_EQ(h.e_ident[0], 0x7f);
    EXPECT_EQ(h.e_ident[3], 0);   /* missing bytes read as zero */
    EXPECT_EQ(h.e_shoff, 0u);
}

TEST(ElfHeader, MissingBytesReadAsZero)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    bytes.resize(40);   /* cut just before e_shoff */
    MemStream s(bytes);
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    EXPECT_TRUE(elfHasMagic(&h));
    EXPECT_EQ(h.e_shoff, 0u);
    EXPECT_EQ(h.e_shnum, 0u);
}

TEST(ElfHeader, EmbeddedAtAnOffset)
{
    MemStream s(readBytes(fixture("elf/embedded4096.bin")));
    Elf64_Ehdr at0 = getELFHeaderFromOffset(s.get(), 0);
    Elf64_Ehdr at4096 = getELFHeaderFromOffset(s.get(), 4096);
    EXPECT_FALSE(elfHasMagic(&at0));
    EXPECT_TRUE(elfHasMagic(&at4096));
    EXPECT_EQ(at4096.e_machine, EM_RISCV);
    Elf64_Ehdr past = getELFHeaderFromOffset(s.get(), UINT64_MAX - 10);
    EXPECT_FALSE(elfHasMagic(&past));
}

TEST(ElfHeader, IsElfRestoresThePosition)
{
    MemStream elf(readBytes(fixture("elf/host.exe")));
    MemStream text(Bytes{ 'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd' });
    fseek(elf.get(), 77, SEEK_SET);
    fseek(text.get(), 3, SEEK_SET);
    EXPECT_TRUE(isELF(elf.get()));
    EXPECT_FALSE(isELF(text.get()));
    EXPECT_EQ(ftell(elf.get()), 77);
    EXPECT_EQ(ftell(text.get()), 3);
}

TEST(SectionTable, MatchesTheFileBytes)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    MemStream s(bytes);
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    uInt64 count = 0;
    Elf64_Shdr *table = getSectionHeaderTableFromOffset(s.get(), 0, &count);
    ASSERT_EQ(count, h.e_shnum);
    ASSERT_GT(count, 20u);
    EXPECT_EQ(memcmp(table, bytes.data() + h.e_shoff, count * sizeof(Elf64_Shdr)), 0);
    memspFree(table);

    uInt64 count2 = 0;
    Elf64_Shdr *table2 = getSectionHeaderTable(s.get(), &count2);
    ASSERT_EQ(count2, count);
    EXPECT_EQ(memcmp(table2, bytes.data() + h.e_shoff, count * sizeof(Elf64_Shdr)), 0);
    free(table2);
}

TEST(SectionTable, ExtendedNumberingCountAndNames)
{
    EXPECT_EQ(tableCount("elf/extended.elf"), 4u);
    Bool found = False;
    Elf64_Shdr sh = lookup("elf/extended.elf", ".lum", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(sh.sh_offset, fact("elf.extended.lum.offset"));
    EXPECT_EQ(sh.sh_size, 4u);
}

TEST(SectionTable, MoreThan65535Sections)
{
    EXPECT_EQ(tableCount("elf/extended_70000.elf"), fact("elf.extended_70000.count"));
    Bool found = False;
    Elf64_Shdr sh = lookup("elf/extended_70000.elf", ".lum_far", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(sh.sh_offset, fact("elf.extended_70000.lum_far.offset"));
    EXPECT_EQ(sh.sh_size, fact("elf.extended_70000.lum_far.size"));
}

TEST(SectionTable, WideEntriesAreSteppedOverByTheirSize)
{
    EXPECT_EQ(tableCount("elf/shentsize80.elf"), 4u);
    Bool found = False;
    Elf64_Shdr sh = lookup("elf/shentsize80.elf", ".lum", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(sh.sh_offset, fact("elf.extended.lum.offset"));
}

TEST(SectionTable, NameTableCopy)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    MemStream s(bytes);
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    uInt64 count = 0, size = 0;
    Elf64_Shdr *table = getSectionHeaderTable(s.get(), &count);
    char *names = getSectionHeaderStringTable(s.get(), table, count, &size);
    ASSERT_NE(names, nullptr);
    const Elf64_Shdr &sh = table[h.e_shstrndx];
    ASSERT_EQ(size, sh.sh_size);
    EXPECT_EQ(memcmp(names, bytes.data() + sh.sh_offset, size), 0);
    EXPECT_STREQ(elfStringAt(names, size, table[h.e_shstrndx].sh_name), ".shstrtab");
    memspFree(names);
    free(table);
}

TEST(SectionLookup, ExactNameOnlyWhenOneIsAPrefixOfAnother)
{
    Bool found = False;
    Elf64_Shdr lum = lookup("elf/prefix.exe", ".lum", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(lum.sh_offset, fact("elf.prefix.lum.offset"));
    EXPECT_EQ(lum.sh_size, fact("elf.prefix.lum.size"));
    Elf64_Shdr obj = lookup("elf/prefix.exe", ".lum_obj", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(obj.sh_offset, fact("elf.prefix.lum_obj.offset"));
    lookup("elf/prefix.exe", ".lu", &found);
    EXPECT_FALSE(found);
    lookup("elf/prefix.exe", ".lum_obj_more", &found);
    EXPECT_FALSE(found);
}

TEST(SectionLookup, MissingNameGivesSectionZero)
{
    Bytes bytes = readBytes(fixture("elf/prefix.exe"));
    MemStream s(bytes);
    Bool found = True;
    Elf64_Shdr sh = getSectionHeaderByNameFromOffset(s.get(), 0, ".nosuch", &found);
    EXPECT_FALSE(found);
    Elf64_Ehdr h = getELFHeaderFromOffset(s.get(), 0);
    EXPECT_EQ(memcmp(&sh, bytes.data() + h.e_shoff, sizeof sh), 0);
}

TEST(SectionLookup, EmbeddedElfIsReadRelativeToItsOffset)
{
    Bytes bytes = readBytes(fixture("elf/embedded4096.bin"));
    MemStream s(bytes);
    Bool found = False;
    Elf64_Shdr sh = getSectionHeaderByNameFromOffset(s.get(), 4096, ".lum.attributes", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(sh.sh_offset, fact("elf.device.lum_attributes.offset"));
    elfImage image = readFileSectionAsImageFromOffset(s.get(), 4096, ".lum.attributes");
    ASSERT_EQ(image.size, fact("elf.device.lum_attributes.size"));
    EXPECT_EQ(memcmp(image.data, bytes.data() + 4096 + sh.sh_offset, image.size), 0);
    EXPECT_EQ(image.data[0], 0x41);   /* attribute format version */
    memspFree(image.data);
    /* Absolute ranges: callers add the offset themselves. */
    elfImage text = readFileAsImageBetweenOffset(s.get(), 4096 + fact("elf.device.text.offset"),
                                                 4096 + fact("elf.device.text.offset") + 3);
    ASSERT_EQ(text.size, 4u);
    EXPECT_EQ(memcmp(text.data, bytes.data() + 4096 + fact("elf.device.text.offset"), 4), 0);
    memspFree(text.data);
}

/* Damaged section tables read as "no sections", never outside the stream. */
TEST(DamagedSectionTable, UnusableTablesGiveNoSections)
{
    for (const char *file : { "elf/shoff_past_end.exe", "elf/shoff_wraps.exe", "elf/shentsize32.exe",
                              "elf/shnum_huge.exe", "elf/shnum0_absurd.exe", "elf/table_cut.exe",
                              "elf/no_sections.exe" }) {
        SCOPED_TRACE(file);
        EXPECT_EQ(tableCount(file), 0u);
        Bool found = True;
        Elf64_Shdr sh = lookup(file, ".text", &found);
        EXPECT_FALSE(found);
        EXPECT_TRUE(allZero(sh));
        MemStream s(readBytes(fixture(file)));
        uInt64 count = 99;
        EXPECT_EQ(getSectionHeaderTable(s.get(), &count), nullptr);
        EXPECT_EQ(count, 0u);
    }
}

TEST(DamagedSectionTable, NameTableIndexOutOfRange)
{
    MemStream s(readBytes(fixture("elf/shstrndx_out.exe")));
    uInt64 count = 0, size = 77;
    Elf64_Shdr *table = getSectionHeaderTable(s.get(), &count);
    EXPECT_GT(count, 20u);
    EXPECT_EQ(getSectionHeaderStringTable(s.get(), table, count, &size), nullptr);
    EXPECT_EQ(size, 0u);
    free(table);
    Bool found = True;
    lookup("elf/shstrndx_out.exe", ".text", &found);
    EXPECT_FALSE(found);
}

TEST(DamagedSectionTable, UnterminatedLastNameIsNoName)
{
    /* The builder overwrote the final NUL of the name table: find, in the
     * intact file, the name that ended there. */
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    Elf64_Ehdr h;
    memcpy(&h, bytes.data(), sizeof h);
    Elf64_Shdr names;
    memcpy(&names, bytes.data() + h.e_shoff + h.e_shstrndx * sizeof names, sizeof names);
    const char *table = (const char *)bytes.data() + names.sh_offset;
    size_t start = names.sh_size - 1;
    while (start > 0 && table[start - 1] != 0) {
        start--;
    }
    std::string victim(table + start);
    ASSERT_FALSE(victim.empty());

    Bool found = False;
    lookup("elf/host.exe", victim.c_str(), &found);
    ASSERT_TRUE(found);
    lookup("elf/names_unterminated.exe", victim.c_str(), &found);
    EXPECT_FALSE(found);
    lookup("elf/names_unterminated.exe", ".text", &found);
    EXPECT_TRUE(found);
}

TEST(DamagedSectionTable, NamesMustEndInsideTheirTable)
{
    static const char ended[] = { 'a', 'b', 0, 'c', 0 };
    static const char unended[] = { 'a', 'b', 0, 'c', 'd' };
    EXPECT_STREQ(elfStringAt(ended, sizeof ended, 0), "ab");
    EXPECT_STREQ(elfStringAt(ended, sizeof ended, 2), "");
    EXPECT_STREQ(elfStringAt(ended, sizeof ended, 3), "c");
    EXPECT_EQ(elfStringAt(ended, sizeof ended, 5), nullptr);
    EXPECT_STREQ(elfStringAt(unended, sizeof unended, 1), "b");
    EXPECT_EQ(elfStringAt(unended, sizeof unended, 3), nullptr);
    EXPECT_EQ(elfStringAt(unended, sizeof unended, 4), nullptr);
    EXPECT_EQ(elfStringAt(nullptr, 0, 0), nullptr);
}

TEST(DamagedSectionTable, NameOffsetOutsideTheTable)
{
    Bool found = False;
    lookup("elf/hostile.elf", ".lum_good", &found);
    EXPECT_TRUE(found);
    lookup("elf/hostile.elf", ".lum_bad_name", &found);
    EXPECT_FALSE(found);
    lookup("elf/hostile.elf", "", &found);
    EXPECT_TRUE(found);   /* section 0 has the empty name */
}

TEST(DamagedSectionTable, EveryPrefixOfARealFileIsSafe)
{
    Bytes bytes = readBytes(fixture("elf/prefix.exe"));
    for (size_t cut = 64; cut <= bytes.size(); cut += 61) {
        MemStream s(Bytes(bytes.begin(), bytes.begin() + cut));
        Bool found = False;
        Elf64_Shdr sh = getSectionHeaderByNameFromOffset(s.get(), 0, ".lum", &found);
        if (found) {
            EXPECT_EQ(sh.sh_offset, fact("elf.prefix.lum.offset"));
        }
        uInt64 count = 0;
        String *names = getELFSymbols(s.get(), &count);
        for (uInt64 i = 0; i < count; i++) {
            memspFree(names[i]);
        }
        memspFree(names);
    }
}

TEST(ByteRanges, InclusiveRange)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    MemStream s(bytes);
    elfImage image = readFileAsImageBetweenOffset(s.get(), 10, 19);
    ASSERT_EQ(image.size, 10u);
    EXPECT_EQ(memcmp(image.data, bytes.data() + 10, 10), 0);
    memspFree(image.data);
    elfImage last = readFileAsImageBetweenOffset(s.get(), bytes.size() - 1, bytes.size() - 1);
    ASSERT_EQ(last.size, 1u);
    EXPECT_EQ(last.data[0], bytes.back());
    memspFree(last.data);
}

TEST(ByteRanges, WholeStream)
{
    Bytes bytes = readBytes(fixture("elf/host.exe"));
    MemStream s(bytes);
    elfImage image = readFileAsImage(s.get());
    ASSERT_EQ(image.size, bytes.size());
    EXPECT_EQ(memcmp(image.data, bytes.data(), bytes.size()), 0);
    memspFree(image.data);
}

TEST(ByteRanges, SectionImages)
{
    Bytes bytes = readBytes(fixture("elf/prefix.exe"));
    MemStream s(bytes);
    elfImage lum = readFileSectionAsImageFromOffset(s.get(), 0, ".lum");
    ASSERT_EQ(lum.size, 18u);
    EXPECT_EQ(memcmp(lum.data, "short-name-section", 18), 0);
    memspFree(lum.data);
    elfImage empty = readFileSectionAsImageFromOffset(s.get(), 0, ".lum_empty");
    EXPECT_EQ(empty.size, 0u);
    EXPECT_NE(empty.data, nullptr);
    memspFree(empty.data);
    elfImage none = readFileSectionAsImageFromOffset(s.get(), 0, ".nosuch");
    EXPECT_EQ(none.data, nullptr);
    EXPECT_EQ(none.size, 0u);
}

TEST(Symbols, NamesInTableOrder)
{
    EXPECT_EQ(symbols("elf/symbols.o"), (std::vector<std::string>{ "", "alpha_symbol", "beta" }));
}

TEST(Symbols, CompiledObject)
{
    std::vector<std::string> names = symbols("elf/host.o");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "");
    EXPECT_NE(std::find(names.begin(), names.end(), "lum_object_twice"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "lum_object_value"), names.end());
}

TEST(Symbols, NoUsableTableGivesNoNames)
{
    EXPECT_TRUE(symbols("elf/no_sections.exe").empty());
    EXPECT_TRUE(symbols("elf/symtab_entsize0.o").empty());
    EXPECT_TRUE(symbols("elf/symtab_small_entries.o").empty());
    EXPECT_TRUE(symbols("elf/extended.elf").empty());
}

TEST(Symbols, NameOutsideTheStringTableIsEmpty)
{
    EXPECT_EQ(symbols("elf/symtab_bad_name.o"), (std::vector<std::string>{ "", "" }));
}

TEST(FatBinaryTests, ContainerMagicAtTheStart)
{
    MemStream fat(Bytes{ 'T', 'K', 'L', 'U', 'M', 'F', 'B', 'F', 1, 0, 0, 0 });
    MemStream near(Bytes{ 'T', 'K', 'L', 'U', 'M', 'F', 'B', 'X', 1, 0, 0, 0 });
    MemStream shortOne(Bytes{ 'T', 'K', 'L', 'U', 'M' });
    fseek(fat.get(), 5, SEEK_SET);
    EXPECT_TRUE(isFatBin(fat.get()));
    EXPECT_EQ(ftell(fat.get()), 5);
    EXPECT_FALSE(isFatBin(near.get()));
    EXPECT_FALSE(isFatBin(shortOne.get()));
}

TEST(FatBinaryTests, FatObjectNeedsAContainerInLumObj)
{
    struct { const char *file; bool fat; } cases[] = {
        { "elf/prefix.exe", true }, { "elf/extended.elf", true }, { "elf/fake_obj.exe", false },
        { "elf/short_obj.exe", false }, { "elf/host.exe", false }, { "ar/one.a", false },
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.file);
        MemStream s(readBytes(fixture(c.file)));
        fseek(s.get(), 9, SEEK_SET);
        EXPECT_EQ(isFatLUMObj(s.get()), c.fat);
        EXPECT_EQ(ftell(s.get()), 9);
    }
}

using ElfHelpersDeathTest = ::testing::Test;

TEST(ElfHelpersDeathTest, NullStream)
{
    EXPECT_EXIT(getELFHeaderFromOffset(nullptr, 0), ::testing::ExitedWithCode(1), "invalid file pointer");
    EXPECT_EXIT(readFileAsImageBetweenOffset(nullptr, 0, 1), ::testing::ExitedWithCode(1), "invalid file pointer");
    Bool found;
    EXPECT_EXIT(getSectionHeaderByNameFromOffset(nullptr, 0, ".x", &found), ::testing::ExitedWithCode(1),
                "invalid file pointer");
}

TEST(ElfHelpersDeathTest, NotAnElfFile)
{
    MemStream s(readBytes(fixture("ar/one.a")));
    uInt64 count;
    Bool found;
    EXPECT_EXIT(getSectionHeaderTableFromOffset(s.get(), 0, &count), ::testing::ExitedWithCode(1),
                "Assertion failure at .*not an ELF file");
    EXPECT_EXIT(getSectionHeaderByNameFromOffset(s.get(), 0, ".x", &found), ::testing::ExitedWithCode(1),
                "not an ELF file");
    EXPECT_EXIT(getSectionHeaderStringTable(s.get(), nullptr, 0, &count), ::testing::ExitedWithCode(1),
                "not an ELF file");
    EXPECT_EXIT(getELFSymbols(s.get(), &count), ::testing::ExitedWithCode(1), "not an ELF file");
}

TEST(ElfHelpersDeathTest, BadRanges)
{
    MemStream s(readBytes(fixture("elf/host.exe")));
    EXPECT_EXIT(readFileAsImageBetweenOffset(s.get(), 20, 19), ::testing::ExitedWithCode(1),
                "invalid file offset for reading");
    EXPECT_EXIT(readFileAsImageBetweenOffset(s.get(), 0, 1u << 30), ::testing::ExitedWithCode(1),
                "reading file section failed");
    /* The full 64-bit range must not turn into a zero-length allocation. */
    EXPECT_EXIT(readFileAsImageBetweenOffset(s.get(), 0, UINT64_MAX), ::testing::ExitedWithCode(1),
                "reading file section failed");
}

TEST(ElfHelpersDeathTest, SectionsPastTheStream)
{
    MemStream s(readBytes(fixture("elf/hostile.elf")));
    EXPECT_EXIT(readFileSectionAsImageFromOffset(s.get(), 0, ".lum_far_offset"), ::testing::ExitedWithCode(1),
                "reading file section failed");
    EXPECT_EXIT(readFileSectionAsImageFromOffset(s.get(), 0, ".lum_far_size"), ::testing::ExitedWithCode(1),
                "reading file section failed");
}

TEST(ElfHelpersDeathTest, SymbolTableWithARemainder)
{
    MemStream s(readBytes(fixture("elf/symtab_remainder.o")));
    uInt64 count;
    EXPECT_EXIT(getELFSymbols(s.get(), &count), ::testing::ExitedWithCode(1),
                "symbol table size is not a multiple of symbol table entry size");
    /* Entries too small to read still have their size checked first. */
    MemStream small(readBytes(fixture("elf/symtab_small_remainder.o")));
    EXPECT_EXIT(getELFSymbols(small.get(), &count), ::testing::ExitedWithCode(1),
                "symbol table size is not a multiple of symbol table entry size");
}

TEST(RangeBounds, RangesAtTheEdgesAndPastThem)
{
    EXPECT_TRUE(elfRangeInside(0, 0, 0));
    EXPECT_TRUE(elfRangeInside(10, 0, 10));
    EXPECT_TRUE(elfRangeInside(4, 6, 10));
    EXPECT_FALSE(elfRangeInside(4, 7, 10));
    EXPECT_FALSE(elfRangeInside(11, 0, 10));
    EXPECT_FALSE(elfRangeInside(UINT64_MAX, 2, UINT64_MAX));     /* offset + size wraps */
    EXPECT_FALSE(elfRangeInside(2, UINT64_MAX, UINT64_MAX));
    EXPECT_EQ(elfAddSaturated(UINT64_MAX - 1, 1), UINT64_MAX);
    EXPECT_EQ(elfAddSaturated(UINT64_MAX - 1, 5), UINT64_MAX);
    EXPECT_EQ(elfAddSaturated(3, 4), 7u);
}

TEST(RangeBounds, BoundedReadsReadAllOrNothing)
{
    MemStream s(Bytes{ 1, 2, 3, 4, 5, 6, 7, 8 });
    uInt64 total = 0;
    ASSERT_TRUE(elfStreamSize(s.get(), &total));
    EXPECT_EQ(total, 8u);
    uint8_t buffer[4] = { 0, 0, 0, 0 };
    EXPECT_TRUE(elfReadAt(s.get(), total, 4, buffer, 4));
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[3], 8);
    uint8_t untouched[4] = { 9, 9, 9, 9 };
    EXPECT_FALSE(elfReadAt(s.get(), total, 5, untouched, 4));
    EXPECT_FALSE(elfReadAt(s.get(), total, UINT64_MAX - 1, untouched, 4));
    EXPECT_EQ(untouched[0], 9);
    /* A bound tighter than the stream holds too. */
    EXPECT_FALSE(elfReadAt(s.get(), 6, 4, untouched, 4));
    EXPECT_EQ(untouched[0], 9);
}
