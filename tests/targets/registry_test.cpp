// The target registry: name and ID conversion, full and absolute names, and
// the enumerations that skip the invalid entry.
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumRegistryLocal.h"
#include "lumTargets.h"

namespace {

struct Target {
    int         id;
    const char *name;
    const char *fullName;
    const char *absoluteName;
};

// The published table of targets, as users and listings see it.
const Target kTargets[] = {
    {0, "tk-lum-generic", "Generic", "generic"},
    {1, "tk-lum-tv7", "Tervane-7 LUM", "tv7"},
    {2, "tk-lum-gw3", "Greywater-3 LUM", "gw3"},
    {3, "tk-lum-tv8", "Tervane-8 LUM", "tv8"},
    {4, "tk-lum-tv9", "Tervane-9 LUM", "tv9"},
    {5, "tk-lum-tv10", "Tervane-10 LUM", "tv10"},
    {6, "tk-lum-gw4", "Greywater-4 LUM", "gw4"},
};

LUM_ID id(int value) { return static_cast<LUM_ID>(value); }

TEST(TargetNameLookup, EveryRegisteredNameGivesItsId)
{
    for (const Target &t : kTargets)
        EXPECT_EQ(nameToLumId(t.name), t.id) << t.name;
}

TEST(TargetNameLookup, MatchIsExactAndCaseSensitive)
{
    EXPECT_EQ(nameToLumId("tk-lum-tv7"), 1);
    EXPECT_EQ(nameToLumId("TK-LUM-TV7"), LUM_ID_INVALID);
    EXPECT_EQ(nameToLumId("tv7"), LUM_ID_INVALID);
    EXPECT_EQ(nameToLumId("tk-lum-tv7 "), LUM_ID_INVALID);
    EXPECT_EQ(nameToLumId("tk-lum-tv1"), LUM_ID_INVALID);  // prefix of tv10
    EXPECT_EQ(nameToLumId(""), LUM_ID_INVALID);
    EXPECT_EQ(nameToLumId("nosuch"), LUM_ID_INVALID);
}

TEST(TargetNameLookup, InvalidEntryNameLooksUpToInvalidId)
{
    EXPECT_EQ(nameToLumId("generic-rv64"), LUM_ID_INVALID);
    EXPECT_EQ(static_cast<int>(LUM_ID_INVALID), 0xFFFF);
}

TEST(TargetNameLookup, NullNameIsNotFound)
{
    EXPECT_EQ(nameToLumId(nullptr), LUM_ID_INVALID);
}

TEST(TargetIdToName, RegisteredIdsGiveTheirNames)
{
    for (const Target &t : kTargets)
        EXPECT_STREQ(LumIdToName(id(t.id)), t.name) << t.id;
}

TEST(TargetIdToName, UnregisteredIdsGiveTheInvalidName)
{
    EXPECT_STREQ(LumIdToName(id(7)), "generic-rv64");
    EXPECT_STREQ(LumIdToName(LUM_ID_INVALID), "generic-rv64");
    EXPECT_STREQ(LumIdToName(id(-1)), "generic-rv64");
    EXPECT_STREQ(LumIdToName(id(0x10000)), "generic-rv64");
}

TEST(TargetIdToName, NamesRoundTrip)
{
    for (const Target &t : kTargets)
        EXPECT_EQ(nameToLumId(LumIdToName(id(t.id))), t.id);
}

TEST(TargetFullName, RegisteredInvalidAndUnknown)
{
    for (const Target &t : kTargets)
        EXPECT_STREQ(getFullNameFromID(id(t.id)), t.fullName) << t.id;
    EXPECT_STREQ(getFullNameFromID(LUM_ID_INVALID), "Invalid");
    EXPECT_STREQ(getFullNameFromID(id(9)), "unknown");
    EXPECT_STREQ(getFullNameFromID(id(-5)), "unknown");
}

TEST(TargetAbsoluteName, PartAfterTheLastDash)
{
    for (const Target &t : kTargets)
        EXPECT_STREQ(getAbsoluteTargetName(id(t.id)), t.absoluteName) << t.id;
    EXPECT_STREQ(getAbsoluteTargetName(LUM_ID_INVALID), "rv64");
    EXPECT_STREQ(getAbsoluteTargetName(id(42)), "rv64");
}

TEST(TargetAbsoluteName, PointsIntoTheShortName)
{
    const char *name = LumIdToName(id(5));
    const char *absolute = getAbsoluteTargetName(id(5));
    EXPECT_EQ(absolute, name + std::strlen("tk-lum-"));
}

// The lists are only seen through areCompatible, which ignores their order;
// the order is part of the published table all the same.
TEST(TargetRegistryTable, CompatibilityListsInPublishedOrder)
{
    const std::map<int, std::vector<int>> published = {
        {0, {}},
        {1, {1, 2}},
        {2, {2, 1}},
        {3, {3, 2, 1}},
        {4, {4, 6, 2, 1, 3}},
        {5, {5, 6, 2, 1, 3, 4}},
        {6, {6, 4, 2, 1, 3}},
        {0xFFFF, {}},
    };
    const LUM::LUMRegistry &registry = LUM::registry();
    ASSERT_EQ(registry.size(), published.size());
    for (const auto &[key, entry] : registry) {
        auto expected = published.find(key);
        ASSERT_NE(expected, published.end()) << key;
        std::vector<int> actual(entry.compatibility.begin(), entry.compatibility.end());
        EXPECT_EQ(actual, expected->second) << key;
        EXPECT_EQ(entry.id, key);
    }
}

TEST(TargetRegistryTable, InvalidEntryIsARealMember)
{
    const LUM::LUM *invalid = LUM::findEntry(LUM_ID_INVALID);
    ASSERT_NE(invalid, nullptr);
    EXPECT_STREQ(invalid->name, "generic-rv64");
    EXPECT_STREQ(invalid->fullName, "Invalid");
    EXPECT_EQ(LUM::findEntry(id(7)), nullptr);
}

TEST(TargetEnumeration, CountSkipsTheInvalidEntry)
{
    EXPECT_EQ(getNumSupportedCPUs(), 7);
}

TEST(TargetEnumeration, AbsoluteNamesInIdOrderEndedByNull)
{
    size_t count = 99;
    const char **names = getAllAbsoluteTargetNames(&count);
    ASSERT_NE(names, nullptr);
    ASSERT_EQ(count, 7u);
    for (size_t i = 0; i < count; i++)
        EXPECT_STREQ(names[i], kTargets[i].absoluteName) << i;
    EXPECT_EQ(names[count], nullptr);
    std::free(names);
}

TEST(TargetEnumeration, AbsoluteNamesWithoutCountPointer)
{
    const char **names = getAllAbsoluteTargetNames(nullptr);
    ASSERT_NE(names, nullptr);
    EXPECT_STREQ(names[0], "generic");
    EXPECT_EQ(names[7], nullptr);
    std::free(names);
}

TEST(TargetNameTable, HasASlotPerSixteenBitId)
{
    auto table = std::make_unique<LUM::LUMNameTable>(getLUMNames());
    const auto &names = table->names;
    ASSERT_EQ(std::size(names), 65536u);
    for (const Target &t : kTargets)
        EXPECT_STREQ(names[static_cast<size_t>(t.id)], t.name);
    EXPECT_STREQ(names[0xFFFF], "generic-rv64");
}

TEST(TargetNameTable, UnregisteredSlotsAreEmptyTexts)
{
    auto table = std::make_unique<LUM::LUMNameTable>(getLUMNames());
    const auto &names = table->names;
    std::set<size_t> registered = {0, 1, 2, 3, 4, 5, 6, 0xFFFF};
    size_t empty = 0;
    for (size_t i = 0; i < std::size(names); i++) {
        ASSERT_NE(names[i], nullptr) << i;
        if (registered.count(i) == 0) {
            ASSERT_STREQ(names[i], "") << i;
            empty++;
        }
    }
    EXPECT_EQ(empty, 65536u - registered.size());
    EXPECT_STREQ(names[7], "");
}

} // namespace
