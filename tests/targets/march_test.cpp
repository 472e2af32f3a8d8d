// Recognising a target from a RISC-V architecture string.
#include <string>

#include <gtest/gtest.h>

#include "lumTargets.h"

namespace {

const char kTv8New[] =
    "rv64i2p1_m2p0_a2p1_c2p0_zihintpause2p0_zba1p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xblkop1p0_xcas1p0_"
    "xfenceheap1p0_xflush1p0_xtkcc1p0_xrpfxp1p0";
const char kTv8Old[] =
    "rv64i2p0_m2p0_a2p0_c2p0_zihintpause2p0_zba1p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xblkop1p0_xcas1p0_"
    "xfenceheap1p0_xflush1p0_xtkcc1p0_xrpfxp1p0";
const char kGw3New[] =
    "rv64i2p1_m2p0_a2p1_c2p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xfenceheap1p0_xtkcc1p0_xrpfxp1p0";
const char kGw3Old[] =
    "rv64i2p0_m2p0_a2p0_c2p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xfenceheap1p0_xtkcc1p0_xrpfxp1p0";
const char kGenericNew[] = "rv64i2p1_m2p0_a2p1_c2p0";
const char kGenericOld[] = "rv64i2p0_m2p0_a2p0_c2p0";

TEST(ArchitectureString, BothSpellingsOfEachRecognisedTarget)
{
    EXPECT_EQ(marchToLumId(kTv8New), 3);
    EXPECT_EQ(marchToLumId(kTv8Old), 3);
    EXPECT_EQ(marchToLumId(kGw3New), 2);
    EXPECT_EQ(marchToLumId(kGw3Old), 2);
    EXPECT_EQ(marchToLumId(kGenericNew), 0);
    EXPECT_EQ(marchToLumId(kGenericOld), 0);
}

TEST(ArchitectureString, WholeStringMustMatch)
{
    EXPECT_EQ(marchToLumId("rv64i2p0_m2p0_a2p0_c2p0 "), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId("rv64i2p0_m2p0_a2p0_c2"), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId("RV64I2P0_M2P0_A2P0_C2P0"), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId("rv64imac"), LUM_ID_INVALID);
    // Mixed versions are another spelling, not a recognised one.
    EXPECT_EQ(marchToLumId("rv64i2p1_m2p0_a2p0_c2p0"), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId(""), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId(nullptr), LUM_ID_INVALID);
}

TEST(ArchitectureString, PrefixOfALongerStringIsNotItsTarget)
{
    // The generic strings are prefixes of the gw3 and tv8 ones, and the gw3
    // string with one extension dropped is no target.
    std::string gw3(kGw3New);
    EXPECT_EQ(marchToLumId(gw3.substr(0, gw3.size() - 1).c_str()), LUM_ID_INVALID);
    EXPECT_EQ(marchToLumId((gw3 + "_xcas1p0").c_str()), LUM_ID_INVALID);
}

} // namespace
