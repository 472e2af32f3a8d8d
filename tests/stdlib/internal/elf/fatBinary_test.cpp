/*
 * Reading the app list of LUM Programs: sections, containers, process attributes.
 */
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>
#include "arReader.h"
#include "elf_test_helpers.h"
#include "fatBinary.h"

using namespace lumtest;

namespace {

/* An app list read from a fixture, released at the end. */
class AppList {
public:
    explicit AppList(const char *file, Bool signatureMode = False)
        : stream_(readBytes(fixture(file)))
    {
        apps_ = getFatList(stream_.get(), signatureMode, &count_);
    }
    ~AppList() { freeAppList(apps_, count_); }
    uInt64 count() const { return count_; }
    const FatApp &operator[](uInt64 i) const { return apps_[i]; }
    const Bytes &bytes() const { return stream_.bytes(); }
    const FatApp *find(const char *name) const
    {
        for (uInt64 i = 0; i < count_; i++) {
            if (strcmp(apps_[i].name, name) == 0) {
                return &apps_[i];
            }
        }
        return nullptr;
    }
private:
    MemStream stream_;
    FatApp *apps_;
    uInt64 count_ = 0;
};

void expectEntriesFromFacts(const FatApp &app, const std::string &prefix)
{
    ASSERT_EQ(app.numTargets, fact(prefix + ".count"));
    ASSERT_NE(app.executables, nullptr);
    for (uInt64 i = 0; i < app.numTargets; i++) {
        std::string key = prefix + "." + std::to_string(i);
        EXPECT_EQ((uint64_t)app.executables[i].targetId, fact(key + ".id")) << key;
        EXPECT_EQ(app.executables[i].offset, fact(key + ".offset")) << key;
        EXPECT_EQ(app.executables[i].size, fact(key + ".size")) << key;
    }
}

bool elfAt(const Bytes &bytes, uint64_t offset)
{
    return offset + 4 <= bytes.size() && memcmp(bytes.data() + offset, "\x7f" "ELF", 4) == 0;
}

} // namespace

TEST(AppList, TwoAppsInSectionOrder)
{
    AppList list("fat/two_apps.exe");
    ASSERT_EQ(list.count(), 2u);
    EXPECT_STREQ(list[0].name, "alpha");
    EXPECT_STREQ(list[1].name, "beta");
    expectEntriesFromFacts(list[0], "fat.two_apps.alpha");
    expectEntriesFromFacts(list[1], "fat.two_apps.beta");
    /* Each entry addresses a whole device ELF in the stream. */
    for (uInt64 a = 0; a < 2; a++) {
        for (uInt64 i = 0; i < list[a].numTargets; i++) {
            EXPECT_TRUE(elfAt(list.bytes(), list[a].executables[i].offset));
        }
    }
}

TEST(AppList, ProcessAttributesOnlyForTheirApp)
{
    AppList list("fat/two_apps.exe");
    ASSERT_EQ(list.count(), 2u);
    const FatApp &alpha = list[0];
    ASSERT_NE(alpha.procAttrs, nullptr);
    ASSERT_EQ(alpha.numProcAttrs, 2u);
    const char *blobs[] = { "tv7-attributes", "gw3-attributes-longer" };
    for (uInt64 i = 0; i < 2; i++) {
        std::string key = "fat.two_apps.proc_alpha." + std::to_string(i);
        EXPECT_EQ(alpha.procAttrs[i].targetId, (LUM_ID)(i + 1));
        EXPECT_EQ(alpha.procAttrs[i].offset, fact(key + ".blob_offset"));
        ASSERT_EQ(alpha.procAttrs[i].size, strlen(blobs[i]));
        EXPECT_EQ(memcmp(list.bytes().data() + alpha.procAttrs[i].offset, blobs[i], strlen(blobs[i])), 0);
    }
    EXPECT_EQ(list[1].procAttrs, nullptr);
    EXPECT_EQ(list[1].numProcAttrs, 0u);
}

TEST(AppList, SharedObject)
{
    AppList list("fat/two_apps.so");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_STREQ(list[0].name, "alpha");
    EXPECT_EQ(list[0].numTargets, 2u);
}

TEST(AppList, ObjectInsideAnArchiveIsReadInPlace)
{
    Bytes archive = readBytes(fixture("fat/prog.a"));
    const uInt8 *data = nullptr;
    uInt64 size = 0;
    ArchiveMember object = { nullptr, 0 };
    Int kind = 0;
    do {
        ArchiveMember m = get_next_archive_member(archive.data(), archive.size(), data, size, nullptr, &kind);
        data = m.data;
        size = m.size;
        if (m.data != nullptr && kind == arMemberOrdinary) {
            object = m;
        }
    } while (data != nullptr);
    ASSERT_NE(object.data, nullptr);

    MemStream s(Bytes(object.data, object.data + object.size));
    uInt64 count = 0;
    FatApp *apps = getAppList(s.get(), &count);
    ASSERT_EQ(count, 1u);
    EXPECT_STREQ(apps[0].name, "alpha");
    ASSERT_EQ(apps[0].numTargets, 2u);
    EXPECT_TRUE(elfAt(s.bytes(), apps[0].executables[1].offset));
    EXPECT_EQ(apps[0].numProcAttrs, 2u);
    freeAppList(apps, count);
}

TEST(AppList, NameThatIsAPrefixOfAnotherGetsOnlyItsOwnAttributes)
{
    AppList list("fat/prefix_apps.exe");
    ASSERT_EQ(list.count(), 2u);
    EXPECT_STREQ(list[0].name, "vecadd");
    EXPECT_STREQ(list[1].name, "vec");
    ASSERT_EQ(list[0].numProcAttrs, 1u);
    EXPECT_EQ(memcmp(list.bytes().data() + list[0].procAttrs[0].offset, "vecadd-only", 11), 0);
    EXPECT_EQ(list[1].procAttrs, nullptr);
    EXPECT_EQ(list[1].numProcAttrs, 0u);
}

TEST(AppList, BareDeviceElfIsOneUnnamedTarget)
{
    AppList list("fat/bare.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_STREQ(list[0].name, "x");
    ASSERT_EQ(list[0].numTargets, 1u);
    ASSERT_NE(list[0].executables, nullptr);
    EXPECT_EQ(list[0].executables[0].targetId, LUM_ID_INVALID);
    EXPECT_EQ(list[0].executables[0].offset, fact("fat.bare.x.offset"));
    EXPECT_EQ(list[0].executables[0].size, fact("fat.bare.x.size"));
}

TEST(AppList, OtherContentHasNoTargets)
{
    AppList list("fat/other.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list[0].numTargets, 0u);
    EXPECT_EQ(list[0].executables, nullptr);
}

TEST(AppList, SectionNamedByThePrefixAloneIsAnAppWithAnEmptyName)
{
    AppList list("fat/empty_name.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_STREQ(list[0].name, "");
    ASSERT_EQ(list[0].numTargets, 1u);
    EXPECT_EQ(list[0].executables[0].targetId, LUM::LUM_ID_GW3);
}

TEST(AppList, EntryOffsetsAreRelativeToTheContainer)
{
    AppList list("fat/relative.exe");
    ASSERT_EQ(list.count(), 1u);
    ASSERT_EQ(list[0].numTargets, 1u);
    EXPECT_EQ(list[0].executables[0].offset, fact("fat.relative.r.offset") + 0x100);
    EXPECT_EQ(list[0].executables[0].size, 0x20u);
}

TEST(AppList, SectionBeyondIndex65535)
{
    AppList list("elf/extended_70000.elf");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_STREQ(list[0].name, "far");
    expectEntriesFromFacts(list[0], "elf.extended_70000.far");
    EXPECT_EQ(memcmp(list.bytes().data() + list[0].executables[0].offset, "far-away-code", 13), 0);
}

TEST(SharedSectionNames, SectionsSharingOneNameAreEachAnApp)
{
    AppList list("fat/shared_short_name.exe");
    ASSERT_EQ(list.count(), fact("fat.shared_short_name.count"));
    for (uInt64 i = 0; i < list.count(); i++) {
        ASSERT_STREQ(list[i].name, "s") << i;
    }
}

TEST(SharedSectionNames, CopiedNamesNeverOutgrowTheFile)
{
    /* 2001 sections share a 60000-character app name: copying it for each
     * would take 120 MB from a 200 KB file. */
    AppList list("fat/shared_long_name.exe");
    const uInt64 length = fact("fat.shared_long_name.length");
    ASSERT_GE(list.count(), 1u);
    EXPECT_LE(list.count() * (length + 1), list.bytes().size());
    for (uInt64 i = 0; i < list.count(); i++) {
        EXPECT_EQ(std::string(list[i].name), std::string(length, 'L')) << i;
    }
}

TEST(SharedSectionNames, SectionsSharingOneContainerNeverOutgrowTheFile)
{
    /* 1001 sections cover one container of 2000 entries, or name one app
     * whose attribute container has 2000: each list in full would be 48 MB. */
    const uInt64 entries = fact("fat.shared_container.entries");
    for (const char *file : { "fat/shared_container.exe", "fat/shared_proc_attrs.exe" }) {
        SCOPED_TRACE(file);
        AppList list(file);
        ASSERT_GE(list.count(), 1u);
        EXPECT_LT(list.count(), 1001u);
        uInt64 listed = 0;
        for (uInt64 i = 0; i < list.count(); i++) {
            EXPECT_STREQ(list[i].name, "big");
            listed += list[i].numTargets + list[i].numProcAttrs;
        }
        EXPECT_LE(listed * 32, list.bytes().size());
        EXPECT_EQ(std::max(list[0].numTargets, list[0].numProcAttrs), entries);
    }
}

TEST(AppList, NoAppsGivesNothing)
{
    for (const char *file : { "elf/host.exe", "ar/one.a", "fat/two_apps_cut_in_alpha.exe",
                              "fat/two_apps_cut_header.exe" }) {
        SCOPED_TRACE(file);
        AppList list(file);
        EXPECT_EQ(list.count(), 0u);
    }
    uInt64 count = 7;
    EXPECT_EQ(getAppList(nullptr, &count), nullptr);
    EXPECT_EQ(count, 0u);
}

/* Containers that cannot be read degrade the app, never the reader. */
TEST(DamagedContainer, UnreadableContainersGiveOneTargetAndNoList)
{
    for (const char *file : { "fat/version2.exe", "fat/count_past_end.exe", "fat/header_cut.exe" }) {
        SCOPED_TRACE(file);
        AppList list(file);
        ASSERT_EQ(list.count(), 1u);
        EXPECT_EQ(list[0].numTargets, 1u);
        EXPECT_EQ(list[0].executables, nullptr);
    }
}

TEST(DamagedContainer, BadMagicIsNeitherContainerNorElf)
{
    AppList list("fat/bad_magic.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list[0].numTargets, 0u);
    EXPECT_EQ(list[0].executables, nullptr);
}

TEST(DamagedContainer, ZeroEntries)
{
    AppList list("fat/zero_entries.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list[0].numTargets, 0u);
}

TEST(DamagedContainer, EntriesPastTheStreamKeepWhatTheyRecord)
{
    AppList list("fat/past_end.exe");
    ASSERT_EQ(list.count(), 1u);
    ASSERT_EQ(list[0].numTargets, 3u);
    const DevObj *e = list[0].executables;
    uint64_t base = fact("fat.past_end.p.offset");
    EXPECT_EQ(e[0].offset, base + (1ull << 40));
    EXPECT_EQ(e[0].size, 64u);
    EXPECT_EQ(e[1].size, 1ull << 40);
    EXPECT_EQ(e[2].offset, UINT64_MAX);   /* base + offset does not fit in 64 bits */
    EXPECT_EQ(e[2].size, 16u);
}

TEST(DamagedContainer, FewerProcessAttributesThanTargets)
{
    AppList list("fat/proc_fewer.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list[0].numTargets, 3u);
    ASSERT_EQ(list[0].numProcAttrs, 1u);
    EXPECT_EQ(list[0].procAttrs[0].targetId, LUM::LUM_ID_GW3);
    EXPECT_EQ(list[0].procAttrs[0].offset, fact("fat.proc_fewer.blob_offset"));
    EXPECT_EQ(list[0].procAttrs[0].size, 12u);
    EXPECT_EQ(memcmp(list.bytes().data() + list[0].procAttrs[0].offset, "twelve bytes", 12), 0);
}

TEST(DamagedContainer, BlobRecordPastTheStreamCannotBeCopied)
{
    AppList list("fat/proc_bad_record.exe");
    ASSERT_EQ(list.count(), 1u);
    ASSERT_EQ(list[0].numProcAttrs, 2u);
    EXPECT_EQ(list[0].procAttrs[0].size, 1u);
    EXPECT_GT(list[0].procAttrs[1].offset, list.bytes().size());
    EXPECT_EQ(list[0].procAttrs[1].size, UINT64_MAX);
}

TEST(DamagedContainer, HugeBlobSizeIsKept)
{
    AppList list("fat/proc_huge_blob.exe");
    ASSERT_EQ(list.count(), 1u);
    ASSERT_EQ(list[0].numProcAttrs, 1u);
    EXPECT_EQ(list[0].procAttrs[0].size, 1ull << 62);
}

TEST(DamagedContainer, UnreadableAttributeContainerGivesNoAttributes)
{
    AppList list("fat/proc_bad_container.exe");
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list[0].numTargets, 3u);
    EXPECT_EQ(list[0].procAttrs, nullptr);
    EXPECT_EQ(list[0].numProcAttrs, 0u);
}

TEST(DamagedContainer, EveryPrefixAndEveryByteFlipIsSafe)
{
    Bytes bytes = readBytes(fixture("fat/two_apps.exe"));
    uint64_t alpha = fact("fat.two_apps.alpha.offset");
    for (size_t cut = 0; cut <= bytes.size(); cut += 97) {
        MemStream s(Bytes(bytes.begin(), bytes.begin() + cut));
        uInt64 count = 0;
        FatApp *apps = getAppList(s.get(), &count);
        EXPECT_LE(count, 2u);
        freeAppList(apps, count);
    }
    /* Flip each byte of the container header and entry table. */
    for (size_t i = 0; i < 24 + 2 * 32; i++) {
        Bytes damaged = bytes;
        damaged[alpha + i] ^= 0xff;
        MemStream s(damaged);
        uInt64 count = 0;
        FatApp *apps = getAppList(s.get(), &count);
        EXPECT_EQ(count, 2u);
        freeAppList(apps, count);
    }
}

TEST(SignatureList, SlotsOfEverySignatureSection)
{
    AppList list("sig/signed.exe", True);
    ASSERT_EQ(list.count(), 6u);
    const FatApp *alpha = list.find("alpha");
    ASSERT_NE(alpha, nullptr);
    expectEntriesFromFacts(*alpha, "sig.alpha");
    const FatApp *beta = list.find("beta");
    ASSERT_NE(beta, nullptr);
    ASSERT_EQ(beta->numTargets, 1u);
    EXPECT_EQ(beta->executables[0].targetId, LUM_ID_INVALID);
    EXPECT_EQ(beta->executables[0].offset, fact("sig.beta.offset"));
    EXPECT_EQ(beta->executables[0].size, fact("sig.beta.size"));
    const FatApp *bad = list.find("bad");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->numTargets, 1u);
    EXPECT_EQ(bad->executables, nullptr);
    for (uInt64 i = 0; i < list.count(); i++) {
        EXPECT_EQ(list[i].procAttrs, nullptr);
    }
}

TEST(SignatureList, AppModeIgnoresSignatureSections)
{
    AppList list("sig/signed.exe", False);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_STREQ(list[0].name, "alpha");
}
