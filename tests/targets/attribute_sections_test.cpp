// Reading the target out of the bytes of ".lum.attributes" and
// ".riscv.attributes" sections, well-formed and damaged.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "llvm/Support/ELFAttributes.h"

#include "LUMAttributeParserLocal.h"
#include "lumAttributes.h"
#include "targets_helpers.h"

using lumtest::lumSectionId;
using lumtest::readTargetFixture;
using lumtest::riscvSectionId;

namespace {

constexpr auto kBig = llvm::endianness::big;

TEST(LumAttributeSection, NamesTheTargetDirectly)
{
    EXPECT_EQ(readTargetFixture("sections/lum_id3.bin").size(), 19u);
    EXPECT_EQ(lumSectionId("lum_id3"), 3);
}

TEST(LumAttributeSection, VendorNameIgnoresCase)
{
    EXPECT_EQ(lumSectionId("lum_vendor_upper"), 3);
    EXPECT_EQ(lumSectionId("lum_vendor_mixed"), 5);
}

TEST(LumAttributeSection, SubsectionsOfOtherVendorsAreSkipped)
{
    EXPECT_EQ(lumSectionId("lum_vendor_riscv"), LUM_ID_INVALID);
    // "acme" says 1, the LUM subsection after it says 4.
    EXPECT_EQ(lumSectionId("lum_after_other_vendor"), 4);
}

TEST(LumAttributeSection, UnregisteredIdsBelowSixteenBitsAreKept)
{
    EXPECT_EQ(lumSectionId("lum_id9"), 9);
    EXPECT_STREQ(LumIdToName(lumSectionId("lum_id9")), "generic-rv64");
    EXPECT_EQ(lumSectionId("lum_id65534"), 65534);
}

TEST(LumAttributeSection, IdsOfSixteenBitsOrMoreAreRefused)
{
    EXPECT_EQ(lumSectionId("lum_id65536"), LUM_ID_INVALID);
    EXPECT_EQ(lumSectionId("lum_id_wide"), LUM_ID_INVALID);
}

TEST(LumAttributeSection, FirstOfTwoValuesIsKept)
{
    EXPECT_EQ(lumSectionId("lum_two_values"), 3);
}

TEST(LumAttributeSection, OtherTagsCarryAValueByParity)
{
    // Tag 4 with value 2, tag 5 with a string, tag 40 with value 7, then
    // Tag_LUM_ID 6: the 2 after tag 4 must not be taken for Tag_LUM_ID.
    EXPECT_EQ(lumSectionId("lum_other_tags"), 6);
}

TEST(LumAttributeSection, NoTagGivesNoTarget)
{
    EXPECT_EQ(lumSectionId("lum_no_tag"), LUM_ID_INVALID);
    EXPECT_EQ(lumSectionId("lum_version_only"), LUM_ID_INVALID);
    EXPECT_EQ(lumSectionId("lum_empty"), LUM_ID_INVALID);
}

TEST(LumAttributeSection, NullBytesGiveNoTarget)
{
    EXPECT_EQ(getLumIdFromLumAttributes(nullptr, 19, llvm::endianness::little), LUM_ID_INVALID);
}

TEST(LumAttributeSection, WrongFormatVersionGivesNoTarget)
{
    EXPECT_EQ(lumSectionId("lum_version42"), LUM_ID_INVALID);
}

TEST(LumAttributeSection, BadLengthsAndScopesGiveNoTarget)
{
    for (const char *name : {"lum_section_cut", "lum_bad_scope", "lum_subsection_short",
                             "lum_subsection_long", "lum_block_short"})
        EXPECT_EQ(lumSectionId(name), LUM_ID_INVALID) << name;
}

// A value or tag whose encoding runs off the end of the section, or a block
// that claims more bytes than the section holds, once made the parser spin
// on the same byte for ever.
TEST(LumAttributeSection, ReadsRunningOffTheEndGiveNoTarget)
{
    for (const char *name : {"lum_value_cut", "lum_tag_cut", "lum_other_value_cut",
                             "lum_string_cut", "lum_wide_tag", "lum_block_long"})
        EXPECT_EQ(lumSectionId(name), LUM_ID_INVALID) << name;
}

TEST(LumAttributeSection, ByteOrderIsTheCallers)
{
    EXPECT_EQ(lumSectionId("lum_big_endian", kBig), 3);
    EXPECT_EQ(lumSectionId("lum_big_endian"), LUM_ID_INVALID);
    EXPECT_EQ(lumSectionId("lum_id3", kBig), LUM_ID_INVALID);
}

TEST(LumAttributeSection, EveryShorterPrefixGivesNoTarget)
{
    std::vector<uint8_t> whole = readTargetFixture("sections/lum_id3.bin");
    for (size_t length = 0; length < whole.size(); length++) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
        std::copy(whole.begin(), whole.begin() + static_cast<long>(length), exact.get());
        EXPECT_EQ(getLumIdFromLumAttributes(exact.get(), length, llvm::endianness::little),
                  LUM_ID_INVALID)
            << length;
    }
}

TEST(LumAttributeParser, TagTableNamesTagLumId)
{
    const llvm::TagNameMap &tags = llvm::LUMAttrs::getLUMAttributeTags();
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].attr, 2u);
    EXPECT_EQ(llvm::ELFAttrs::attrTypeAsString(2, tags).str(), "Tag_LUM_ID");
}

TEST(LumAttributeParser, RecordsOtherTagsWithTheirValues)
{
    std::vector<uint8_t> bytes = readTargetFixture("sections/lum_other_tags.bin");
    llvm::LUMAttributeParser parser;
    llvm::Error error = parser.parse(bytes, llvm::endianness::little);
    ASSERT_FALSE(static_cast<bool>(error)) << llvm::toString(std::move(error));
    EXPECT_EQ(parser.getAttributeValue(4), std::optional<unsigned>(2));
    EXPECT_EQ(parser.getAttributeString(5), std::optional<llvm::StringRef>("tv9"));
    EXPECT_EQ(parser.getAttributeValue(40), std::optional<unsigned>(7));
    EXPECT_EQ(parser.getAttributeValue(2), std::optional<unsigned>(6));
}

TEST(LumAttributeParser, RefusedIdFailsTheParse)
{
    std::vector<uint8_t> bytes = readTargetFixture("sections/lum_id65536.bin");
    llvm::LUMAttributeParser parser;
    llvm::Error error = parser.parse(bytes, llvm::endianness::little);
    EXPECT_TRUE(static_cast<bool>(error));
    llvm::consumeError(std::move(error));
}

// 65535 is the last ID a name table of 16-bit IDs holds: it is read and
// recorded like any other (and, as a target, means "not named").
TEST(LumAttributeParser, LargestSixteenBitIdIsRecorded)
{
    std::vector<uint8_t> bytes = readTargetFixture("sections/lum_id65535.bin");
    llvm::LUMAttributeParser parser;
    llvm::Error error = parser.parse(bytes, llvm::endianness::little);
    ASSERT_FALSE(static_cast<bool>(error)) << llvm::toString(std::move(error));
    EXPECT_EQ(parser.getAttributeValue(llvm::LUMAttrs::TAG_LUM_ID), std::optional<unsigned>(65535));
}

TEST(RiscvAttributeSection, RecognisedArchitectureStrings)
{
    EXPECT_EQ(riscvSectionId("riscv_generic_new"), 0);
    EXPECT_EQ(riscvSectionId("riscv_generic_old"), 0);
    EXPECT_EQ(riscvSectionId("riscv_gw3_new"), 2);
    EXPECT_EQ(riscvSectionId("riscv_gw3_old"), 2);
    EXPECT_EQ(riscvSectionId("riscv_tv8_new"), 3);
    EXPECT_EQ(riscvSectionId("riscv_tv8_old"), 3);
}

TEST(RiscvAttributeSection, UnknownEmptyOrMissingArchitecture)
{
    EXPECT_EQ(riscvSectionId("riscv_unknown_arch"), LUM_ID_INVALID);
    EXPECT_EQ(riscvSectionId("riscv_empty_arch"), LUM_ID_INVALID);
    EXPECT_EQ(riscvSectionId("riscv_no_arch"), LUM_ID_INVALID);
}

TEST(RiscvAttributeSection, OtherVendorOrMalformedSection)
{
    EXPECT_EQ(riscvSectionId("riscv_vendor_ostrel"), LUM_ID_INVALID);
    EXPECT_EQ(riscvSectionId("riscv_version40"), LUM_ID_INVALID);
    EXPECT_EQ(riscvSectionId("riscv_arch_cut"), LUM_ID_INVALID);
    EXPECT_EQ(getLumIdFromRiscvAttributes(nullptr, 40, llvm::endianness::little), LUM_ID_INVALID);
}

TEST(RiscvAttributeSection, ALumSectionIsNoRiscvSection)
{
    EXPECT_EQ(riscvSectionId("lum_id3"), LUM_ID_INVALID);
    EXPECT_EQ(lumSectionId("riscv_gw3_new"), LUM_ID_INVALID);
}

// Damaged sections are only "no target": the parsers' errors are dropped,
// never printed.
TEST(AttributeSectionDiagnostics, MalformedSectionsPrintNothing)
{
    const char *malformed[] = {"lum_version42", "lum_id65536", "lum_id_wide", "lum_value_cut",
                               "lum_tag_cut", "lum_other_value_cut", "lum_string_cut",
                               "lum_wide_tag", "lum_section_cut", "lum_bad_scope",
                               "lum_subsection_short", "lum_subsection_long", "lum_block_short",
                               "lum_block_long", "riscv_version40", "riscv_arch_cut"};
    for (const char *name : malformed) {
        ::testing::internal::CaptureStderr();
        LUM_ID asLum = lumSectionId(name);
        LUM_ID asRiscv = riscvSectionId(name);
        std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(asLum, LUM_ID_INVALID) << name;
        EXPECT_EQ(asRiscv, LUM_ID_INVALID) << name;
        EXPECT_EQ(printed, "") << name;
    }
}

TEST(RiscvAttributeSection, EveryShorterPrefixGivesNoTarget)
{
    std::vector<uint8_t> whole = readTargetFixture("sections/riscv_gw3_new.bin");
    for (size_t length = 0; length < whole.size(); length++) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
        std::copy(whole.begin(), whole.begin() + static_cast<long>(length), exact.get());
        EXPECT_EQ(getLumIdFromRiscvAttributes(exact.get(), length, llvm::endianness::little),
                  LUM_ID_INVALID)
            << length;
    }
}

} // namespace
