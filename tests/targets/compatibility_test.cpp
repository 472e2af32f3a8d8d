// Which code runs on which device, and which of several code variants a
// device gets.
#include <vector>

#include <gtest/gtest.h>

#include "lumTargets.h"

namespace {

LUM_ID id(int value) { return static_cast<LUM_ID>(value); }

LUM_ID mostCompatible(int device, std::vector<int> available)
{
    std::vector<LUM_ID> ids;
    for (int a : available)
        ids.push_back(id(a));
    return getMostCompatible(id(device), ids.data(), ids.size());
}

// The published lists: for each device, the targets whose code it runs.
const std::vector<std::vector<int>> kRunsCodeOf = {
    {},               // 0 generic: only generic code (rule, not list)
    {1, 2},           // 1 tv7
    {2, 1},           // 2 gw3
    {3, 2, 1},        // 3 tv8
    {4, 6, 2, 1, 3},  // 4 tv9
    {5, 6, 2, 1, 3, 4},  // 5 tv10
    {6, 4, 2, 1, 3},  // 6 gw4
};

bool listed(int device, int code)
{
    for (int c : kRunsCodeOf[static_cast<size_t>(device)])
        if (c == code)
            return true;
    return false;
}

TEST(TargetCompatibility, MatrixOfRegisteredTargets)
{
    for (int device = 0; device <= 6; device++)
        for (int code = 0; code <= 6; code++) {
            bool expected = code == 0 || code == device || listed(device, code);
            EXPECT_EQ(areCompatible(id(device), id(code)), expected)
                << "device " << device << " code " << code;
        }
}

TEST(TargetCompatibility, PublishedExamples)
{
    EXPECT_TRUE(areCompatible(id(3), id(0)));
    EXPECT_TRUE(areCompatible(id(3), id(3)));
    EXPECT_TRUE(areCompatible(id(3), id(2)));
    EXPECT_FALSE(areCompatible(id(2), id(3)));
    EXPECT_FALSE(areCompatible(id(0), id(1)));
    EXPECT_TRUE(areCompatible(id(2), id(1)));
    EXPECT_TRUE(areCompatible(id(1), id(2)));
}

TEST(TargetCompatibility, GenericCodeRunsEverywhere)
{
    for (int device : {0, 1, 2, 3, 4, 5, 6, 0xFFFF, 9, -1})
        EXPECT_TRUE(areCompatible(id(device), id(0))) << device;
}

TEST(TargetCompatibility, Tervane7CodeRunsOnEveryLaterTarget)
{
    for (int device = 1; device <= 6; device++)
        EXPECT_TRUE(areCompatible(id(device), id(1))) << device;
    EXPECT_FALSE(areCompatible(id(0), id(1)));
}

TEST(TargetCompatibility, Tervane9CodeRunsOnlyOnTv9Tv10AndGw4)
{
    for (int device = 0; device <= 6; device++)
        EXPECT_EQ(areCompatible(id(device), id(4)), device >= 4) << device;
}

TEST(TargetCompatibility, UnregisteredDeviceRunsOnlyGenericAndItsOwnCode)
{
    EXPECT_FALSE(areCompatible(id(9), id(1)));
    EXPECT_TRUE(areCompatible(id(9), id(9)));
    EXPECT_FALSE(areCompatible(LUM_ID_INVALID, id(2)));
    EXPECT_TRUE(areCompatible(LUM_ID_INVALID, LUM_ID_INVALID));
}

TEST(TargetCompatibility, UnregisteredCodeRunsNowhereElse)
{
    for (int device = 0; device <= 6; device++) {
        EXPECT_FALSE(areCompatible(id(device), id(7)));
        EXPECT_FALSE(areCompatible(id(device), LUM_ID_INVALID));
    }
}

TEST(VariantChoice, PublishedExamples)
{
    EXPECT_EQ(mostCompatible(4, {4, 6}), 4);
    EXPECT_EQ(mostCompatible(5, {1, 3, 6}), 6);
    EXPECT_EQ(mostCompatible(1, {3, 4}), 0);
    EXPECT_EQ(mostCompatible(2, {0, 1}), 1);
    EXPECT_EQ(mostCompatible(9, {1, 2}), 0);
}

TEST(VariantChoice, DeviceOwnCodeWinsOverHigherIds)
{
    EXPECT_EQ(mostCompatible(2, {6, 1, 2}), 2);
    EXPECT_EQ(mostCompatible(9, {1, 9}), 9);
}

TEST(VariantChoice, HighestCompatibleIdWinsNotListOrder)
{
    // tv10 lists gw3 (2) before tv8 (3), and gw4 lists tv9 ... gw3 before
    // tv8: the higher ID still wins.
    EXPECT_EQ(mostCompatible(5, {4, 6}), 6);
    EXPECT_EQ(mostCompatible(5, {2, 3}), 3);
    EXPECT_EQ(mostCompatible(6, {3, 2, 1}), 3);
    EXPECT_EQ(mostCompatible(4, {1, 2}), 2);
}

TEST(VariantChoice, IncompatibleVariantsAreNeverChosen)
{
    EXPECT_EQ(mostCompatible(2, {3, 4, 5, 6}), 0);
    EXPECT_EQ(mostCompatible(4, {5}), 0);
    EXPECT_EQ(mostCompatible(3, {5, 1}), 1);
}

TEST(VariantChoice, NoCompatibleVariantGivesGenericEvenWhenNotOffered)
{
    EXPECT_EQ(mostCompatible(0, {1, 2, 3}), 0);
    EXPECT_EQ(mostCompatible(1, {}), 0);
    EXPECT_EQ(getMostCompatible(id(1), nullptr, 3), 0);
    EXPECT_EQ(mostCompatible(3, {0}), 0);
}

TEST(VariantChoice, ChosenVariantAlwaysRunsOnTheDevice)
{
    // Every non-empty set of registered variants, for every device.
    for (int device = 0; device <= 6; device++)
        for (unsigned mask = 1; mask < (1u << 7); mask++) {
            std::vector<int> offered;
            for (int v = 0; v <= 6; v++)
                if (mask & (1u << v))
                    offered.push_back(v);
            LUM_ID chosen = mostCompatible(device, offered);
            EXPECT_TRUE(areCompatible(id(device), chosen)) << device << " mask " << mask;
            for (int v : offered) {
                if (v != device && chosen != device && areCompatible(id(device), id(v))) {
                    EXPECT_GE(chosen, v) << device << " mask " << mask;
                }
            }
        }
}

} // namespace
