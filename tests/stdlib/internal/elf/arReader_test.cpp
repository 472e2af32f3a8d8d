/*
 * Walking ar archives and naming their members.
 */
#include <gtest/gtest.h>
#include <string.h>
#include "arReader.h"
#include "elf_test_helpers.h"
#include "stdMemSpace.h"

using namespace lumtest;

namespace {

struct Member {
    Int      kind;
    uint64_t dataOffset;   /* from the image start */
    uint64_t size;
    const uInt8 *header;
};

std::vector<Member> walk(const Bytes &image)
{
    std::vector<Member> members;
    const uInt8 *data = nullptr;
    uInt64 size = 0;
    for (int guard = 0; guard < 1000; guard++) {
        const uInt8 *header = nullptr;
        Int kind = -1;
        ArchiveMember m = get_next_archive_member(image.data(), image.size(), data, size, &header, &kind);
        if (m.data == nullptr) {
            EXPECT_EQ(m.size, 0u);
            EXPECT_EQ(kind, arMemberOrdinary);
            return members;
        }
        EXPECT_GE(m.data, image.data());
        EXPECT_LE(m.data + m.size, image.data() + image.size());
        EXPECT_EQ(m.data, header + AR_HEADER_SIZE);
        members.push_back({ kind, (uint64_t)(m.data - image.data()), m.size, header });
        data = m.data;
        size = m.size;
    }
    ADD_FAILURE() << "walk does not end";
    return members;
}

std::vector<Int> kinds(const std::vector<Member> &members)
{
    std::vector<Int> result;
    for (const Member &m : members) {
        result.push_back(m.kind);
    }
    return result;
}

std::string memberName(const char *archive, const Member &m, const uInt8 *longNames)
{
    String name = get_archive_member_name(archive, m.header, longNames);
    std::string result = name;
    memspFree(name);
    return result;
}

} // namespace

TEST(ArchiveRecognition, MagicDecides)
{
    Bytes regular = readBytes(fixture("ar/one.a"));
    Bytes thin = readBytes(fixture("ar/thin.a"));
    Bytes elf = readBytes(fixture("elf/host.exe"));
    EXPECT_TRUE(is_archive(regular.data(), regular.size()));
    EXPECT_FALSE(is_thin_archive(regular.data(), regular.size()));
    EXPECT_TRUE(is_archive(thin.data(), thin.size()));
    EXPECT_TRUE(is_thin_archive(thin.data(), thin.size()));
    EXPECT_FALSE(is_archive(elf.data(), elf.size()));
}

TEST(ArchiveRecognition, ShortOrEmptyImagesAreNotArchives)
{
    Bytes regular = readBytes(fixture("ar/one.a"));
    EXPECT_FALSE(is_archive(regular.data(), 7));   /* "!<arch>" without its newline */
    EXPECT_FALSE(is_thin_archive(regular.data(), 0));
    EXPECT_FALSE(is_archive(nullptr, 0));
    Bytes empty = readBytes(fixture("ar/empty.a"));
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_TRUE(is_archive(empty.data(), empty.size()));
}

TEST(ArchiveWalk, SymbolTableThenObject)
{
    Bytes image = readBytes(fixture("ar/one.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(kinds(members), (std::vector<Int>{ arMemberSymbolTable, arMemberOrdinary }));
    EXPECT_EQ(members[0].dataOffset, 8u + 60u);
    EXPECT_EQ(members[1].size, fact("ar.vec_o.size"));
    /* The member's data is the object itself. */
    Bytes object = readBytes(fixture("ar/vec.o"));
    EXPECT_EQ(memcmp(image.data() + members[1].dataOffset, object.data(), object.size()), 0);
}

TEST(ArchiveWalk, WithoutSymbolTableOnlyTheObject)
{
    std::vector<Member> members = walk(readBytes(fixture("ar/nosym.a")));
    EXPECT_EQ(kinds(members), (std::vector<Int>{ arMemberOrdinary }));
}

TEST(ArchiveWalk, SymbolTableLongNamesAndObjects)
{
    std::vector<Member> members = walk(readBytes(fixture("ar/longname.a")));
    EXPECT_EQ(kinds(members), (std::vector<Int>{ arMemberSymbolTable, arMemberLongNames,
                                                 arMemberOrdinary, arMemberOrdinary }));
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EQ(members[2].size, fact("ar.long_o.size"));
    EXPECT_EQ(members[3].size, fact("ar.vec_o.size"));
}

TEST(ArchiveWalk, OddSizedDataIsFollowedByOnePaddingByte)
{
    Bytes image = readBytes(fixture("ar/odd.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].size, 5u);
    EXPECT_EQ(memcmp(image.data() + members[0].dataOffset, "hello", 5), 0);
    /* 5 bytes of data, 1 of padding, then the next 60-byte header. */
    EXPECT_EQ(members[1].dataOffset, members[0].dataOffset + 5 + 1 + 60);
    EXPECT_EQ(members[1].size, 10u);
    EXPECT_EQ(memcmp(image.data() + members[1].dataOffset, "tail-data\n", 10), 0);
}

TEST(ArchiveWalk, ThinArchiveMembersHaveNoData)
{
    Bytes image = readBytes(fixture("ar/thin.a"));
    std::vector<Member> members = walk(image);
    std::vector<Int> k = kinds(members);
    ASSERT_EQ(k, (std::vector<Int>{ arMemberSymbolTable, arMemberLongNames,
                                    arMemberOrdinary, arMemberOrdinary }));
    EXPECT_GT(members[0].size, 0u);   /* the special members keep their sizes */
    EXPECT_GT(members[1].size, 0u);
    EXPECT_EQ(members[2].size, 0u);
    EXPECT_EQ(members[3].size, 0u);
    /* The next header follows the previous one directly. */
    EXPECT_EQ(members[3].dataOffset, members[2].dataOffset + 60);
}

TEST(ArchiveWalk, ArchiveWithoutMembersEndsAtOnce)
{
    EXPECT_TRUE(walk(readBytes(fixture("ar/empty.a"))).empty());
}

TEST(ArchiveWalk, FieldWithoutDigitsIsSizeZero)
{
    Bytes image = readBytes(fixture("ar/no_digits.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].size, 0u);
    EXPECT_EQ(members[1].size, 2u);
    EXPECT_EQ(memcmp(image.data() + members[1].dataOffset, "yy", 2), 0);
}

TEST(ArchiveWalk, WithoutOutParametersStillWalks)
{
    Bytes image = readBytes(fixture("ar/one.a"));
    ArchiveMember first = get_next_archive_member(image.data(), image.size(), nullptr, 0, nullptr, nullptr);
    ASSERT_NE(first.data, nullptr);
    ArchiveMember second = get_next_archive_member(image.data(), image.size(), first.data, first.size,
                                                   nullptr, nullptr);
    EXPECT_EQ(second.size, fact("ar.vec_o.size"));
}

/* Damaged archives: the walk stops where the damage starts and never
 * hands out bytes outside the image. */
TEST(DamagedArchiveWalk, NegativeSizeEndsTheWalk)
{
    EXPECT_TRUE(walk(readBytes(fixture("ar/neg_size.a"))).empty());
}

TEST(DamagedArchiveWalk, DataPastTheEndEndsTheWalk)
{
    EXPECT_TRUE(walk(readBytes(fixture("ar/past_end.a"))).empty());
    EXPECT_TRUE(walk(readBytes(fixture("ar/huge_size.a"))).empty());
}

TEST(DamagedArchiveWalk, HeaderCutShortEndsTheWalk)
{
    EXPECT_TRUE(walk(readBytes(fixture("ar/cut_header.a"))).empty());
}

TEST(DamagedArchiveWalk, TruncatedObjectIsNotHandedOut)
{
    std::vector<Member> members = walk(readBytes(fixture("ar/one_cut.a")));
    EXPECT_EQ(kinds(members), (std::vector<Int>{ arMemberSymbolTable }));
}

TEST(DamagedArchiveWalk, PreviousMemberOutsideTheImageEndsTheWalk)
{
    Bytes image = readBytes(fixture("ar/one.a"));
    Bytes other = readBytes(fixture("ar/nosym.a"));
    Int kind = -1;
    ArchiveMember m = get_next_archive_member(image.data(), image.size(), other.data(), 4, nullptr, &kind);
    EXPECT_EQ(m.data, nullptr);
    EXPECT_EQ(kind, arMemberOrdinary);
    /* A previous size that runs past the image. */
    m = get_next_archive_member(image.data(), image.size(), image.data() + 68, UINT64_MAX - 3, nullptr, &kind);
    EXPECT_EQ(m.data, nullptr);
}

TEST(DamagedArchiveWalk, EveryPrefixOfARealArchiveIsSafe)
{
    Bytes image = readBytes(fixture("ar/longname.a"));
    size_t full = walk(image).size();
    for (size_t cut = 0; cut <= image.size(); cut += 7) {
        /* A private copy of exactly cut bytes, so ASan sees any overread. */
        Bytes prefix(image.begin(), image.begin() + cut);
        size_t n = walk(prefix).size();
        EXPECT_LE(n, full);
    }
}

TEST(ArchiveMemberNames, OrdinaryNameEndsAtSlash)
{
    Bytes image = readBytes(fixture("ar/one.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(memberName("lib.a", members[1], nullptr), "lib.a:vec.o");
}

TEST(ArchiveMemberNames, LongNameComesFromTheTable)
{
    Bytes image = readBytes(fixture("ar/longname.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 4u);
    ASSERT_EQ(memcmp(members[2].header, "/0 ", 3), 0);
    EXPECT_EQ(memberName("lib.a", members[2], members[1].header), "lib.a:a_very_long_member_name.o");
    EXPECT_EQ(memberName("lib.a", members[3], members[1].header), "lib.a:vec.o");
}

TEST(ArchiveMemberNames, NamesNeverRunPastFieldOrTable)
{
    Bytes image = readBytes(fixture("ar/unterminated_long.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 5u);
    const uInt8 *table = members[0].header;
    EXPECT_EQ(memberName("x.a", members[1], table), "x.a:first_long_name.o");
    EXPECT_EQ(memberName("x.a", members[2], table), "x.a:second_long_name");  /* no "/" before the table's end */
    EXPECT_EQ(memberName("x.a", members[3], table), "x.a:/400");              /* offset outside the table */
    EXPECT_EQ(memberName("x.a", members[4], table), "x.a:plain_no_slash");    /* no "/" in its field */
}

using ArchiveMemberNamesDeathTest = ::testing::Test;

TEST(ArchiveMemberNamesDeathTest, LongNameWithoutTableIsFatal)
{
    Bytes image = readBytes(fixture("ar/longname.a"));
    std::vector<Member> members = walk(image);
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EXIT(get_archive_member_name("lib.a", members[2].header, nullptr),
                ::testing::ExitedWithCode(1), "longnames header not found");
}
