// Identifying the target of real device executables (clang for RISC-V,
// attribute sections added or replaced with objcopy) inside a stream.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "llvm/Support/RISCVAttributeParser.h"

#include "elfUtils.h"
#include "lumAttributes.h"
#include "stdMemSpace.h"
#include "targets_helpers.h"

using lumtest::identifyFixture;
using lumtest::readTargetFixture;

namespace {

constexpr uint64_t kEmbedOffset = 4096;

// The architecture string of the file's own .riscv.attributes, read with
// the plain RISC-V parser.
std::string archOf(const std::string &relative)
{
    std::vector<uint8_t> bytes = readTargetFixture(relative);
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "r");
    if (stream == nullptr)
        return "<no stream>";
    elfImage section = readFileSectionAsImageFromOffset(stream, 0, ".riscv.attributes");
    std::fclose(stream);
    if (section.data == nullptr)
        return "<no section>";
    llvm::RISCVAttributeParser parser;
    std::string arch = "<parse error>";
    if (llvm::Error error = parser.parse(llvm::ArrayRef<uint8_t>(section.data, section.size),
                                         llvm::endianness::little))
        llvm::consumeError(std::move(error));
    else if (auto value = parser.getAttributeString(llvm::RISCVAttrs::ARCH))
        arch = value->str();
    memspFree(section.data);
    return arch;
}

TEST(DeviceIdentification, ClangDeviceExecutableIsTheGenericTarget)
{
    EXPECT_EQ(archOf("dev_clang.elf"), "rv64i2p0_m2p0_a2p0_c2p0");
    EXPECT_EQ(identifyFixture("dev_clang.elf"), 0);
}

TEST(DeviceIdentification, LumSectionNamesTheTarget)
{
    EXPECT_EQ(identifyFixture("dev_lum3.elf"), 3);
    EXPECT_EQ(identifyFixture("dev_lum_gw4.elf"), 6);
    EXPECT_EQ(identifyFixture("dev_lum_upper.elf"), 3);
    EXPECT_EQ(identifyFixture("dev_lum_two.elf"), 3);
    EXPECT_EQ(identifyFixture("dev_lum9.elf"), 9);
}

TEST(DeviceIdentification, LumSectionWinsOverTheArchitectureString)
{
    // These carry clang's generic architecture string as well.
    EXPECT_EQ(archOf("dev_lum3.elf"), "rv64i2p0_m2p0_a2p0_c2p0");
    EXPECT_EQ(identifyFixture("dev_lum3.elf"), 3);
}

TEST(DeviceIdentification, LumSectionIsFinalEvenWhenItNamesNothing)
{
    // Its architecture string alone would give gw3 (2).
    EXPECT_EQ(archOf("dev_lum_notag.elf"),
              "rv64i2p1_m2p0_a2p1_c2p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xfenceheap1p0_xtkcc1p0_"
              "xrpfxp1p0");
    EXPECT_EQ(identifyFixture("dev_lum_notag.elf"), LUM_ID_INVALID);
    EXPECT_EQ(identifyFixture("dev_lum65536.elf"), LUM_ID_INVALID);
    EXPECT_EQ(identifyFixture("dev_lum_version42.elf"), LUM_ID_INVALID);
    EXPECT_EQ(identifyFixture("dev_lum_vendor_riscv.elf"), LUM_ID_INVALID);
}

TEST(DeviceIdentification, ArchitectureStringWithoutLumSection)
{
    EXPECT_EQ(identifyFixture("dev_riscv_generic_new.elf"), 0);
    EXPECT_EQ(identifyFixture("dev_riscv_gw3.elf"), 2);
    EXPECT_EQ(identifyFixture("dev_riscv_gw3_old.elf"), 2);
    EXPECT_EQ(identifyFixture("dev_riscv_tv8.elf"), 3);
    EXPECT_EQ(identifyFixture("dev_riscv_tv8_old.elf"), 3);
    EXPECT_EQ(identifyFixture("dev_riscv_unknown.elf"), LUM_ID_INVALID);
}

TEST(DeviceIdentification, SectionsNamingNoTargetPrintNothing)
{
    for (const char *name : {"dev_lum65536.elf", "dev_lum_version42.elf", "dev_lum_vendor_riscv.elf",
                             "dev_lum_notag.elf", "dev_riscv_unknown.elf"}) {
        ::testing::internal::CaptureStderr();
        LUM_ID id = identifyFixture(name);
        std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(id, LUM_ID_INVALID) << name;
        EXPECT_EQ(printed, "") << name;
    }
}

TEST(DeviceIdentification, ImageEmbeddedInALargerStream)
{
    EXPECT_EQ(identifyFixture("embedded_lum3.bin", kEmbedOffset), 3);
    EXPECT_EQ(identifyFixture("embedded_riscv_gw3.bin", kEmbedOffset), 2);
}

TEST(DeviceIdentification, RepeatedCallsOnOneStreamAgree)
{
    std::vector<uint8_t> bytes = readTargetFixture("embedded_riscv_gw3.bin");
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "r");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(getLumId(stream, kEmbedOffset), 2);
    std::fseek(stream, 17, SEEK_SET);
    EXPECT_EQ(getLumId(stream, kEmbedOffset), 2);
    std::fclose(stream);
}

TEST(DeviceIdentificationDeathTest, ImageWithoutAttributeSectionsEndsTheRun)
{
    EXPECT_EXIT(identifyFixture("dev_no_attributes.elf"), ::testing::ExitedWithCode(1),
                "Assertion failure at .*, line [0-9]+: ELF file without\\.riscv\\.attributes");
}

TEST(DeviceIdentificationDeathTest, EmptyLumSectionEndsTheRun)
{
    // Also at offset 0 of the image, where the end of the range cannot be
    // written as one before its start.
    for (const char *name : {"dev_lum_empty.elf", "dev_lum_empty_at0.elf"})
        EXPECT_EXIT(identifyFixture(name), ::testing::ExitedWithCode(1),
                    "Assertion failure at .*: invalid file offset for reading")
            << name;
}

TEST(DeviceIdentificationDeathTest, SectionOutsideTheStreamEndsTheRun)
{
    for (const char *name : {"dev_lum_past_end.elf", "dev_lum_wrapping.elf"})
        EXPECT_EXIT(identifyFixture(name), ::testing::ExitedWithCode(1),
                    "Assertion failure at .*: reading file section failed")
            << name;
}

TEST(DeviceIdentificationDeathTest, NoElfAtTheOffsetEndsTheRun)
{
    EXPECT_EXIT(identifyFixture("embedded_lum3.bin", 0), ::testing::ExitedWithCode(1),
                "Assertion failure at .*: not an ELF file");
}

} // namespace
