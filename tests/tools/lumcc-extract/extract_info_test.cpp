/*
 * The info listing: the header line with the input as given and its kind,
 * one line per app in section order, unnamed targets named from the
 * attribute sections of their device ELF.
 */
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

using ::testing::MatchesRegex;

ToolRun info(const std::string &input, const std::string &cwd = fixtureDir())
{
    return runTool({ "--info", input }, cwd);
}

void expectListing(const std::string &input, const std::string &listing)
{
    ToolRun r = info(input);
    EXPECT_EQ(r.status, 0) << input << ": " << r.err;
    EXPECT_EQ(r.err, "") << input;
    EXPECT_EQ(r.out, listing) << input;
}

TEST(ExtractInfoListing, ArchiveIsAProgram)
{
    expectListing("prog.a",
                  "prog.a is a LUM program containing the following apps:\n"
                  "App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3\n"
                  "App: reduce, Supported targets: tk-lum-tv7\n");
}

TEST(ExtractInfoListing, PlainElfIsAnExecutable)
{
    const std::string apps = " is a LUM executable containing the following apps:\n"
                             "App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3\n"
                             "App: reduce, Supported targets: tk-lum-tv7\n";
    expectListing("prog.exe", "prog.exe" + apps);
    expectListing("prog.so", "prog.so" + apps);
}

TEST(ExtractInfoListing, InputIsNamedAsGiven)
{
    ToolRun r = runTool({ "-i", "./extract//prog.a" }, std::string(LUM_FIXTURE_DIR));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "./extract//prog.a is a LUM program containing the following apps:");
}

TEST(ExtractInfoListing, BareDeviceElvesAreIdentifiedFromTheirAttributes)
{
    expectListing("bare.exe",
                  "bare.exe is a LUM executable containing the following apps:\n"
                  "App: solo, Supported targets: tk-lum-gw3\n"       /* .lum.attributes */
                  "App: plain, Supported targets: tk-lum-generic\n"  /* clang's architecture */
                  "App: arch, Supported targets: tk-lum-tv8\n");     /* a registry architecture */
}

TEST(ExtractInfoListing, UnnamedContainerEntriesAreIdentified)
{
    expectListing("unnamed.exe",
                  "unnamed.exe is a LUM executable containing the following apps:\n"
                  "App: mixed, Supported targets: tk-lum-gw3 tk-lum-tv7 generic-rv64\n");
}

TEST(ExtractInfoListing, AppsWithoutExecutablesListNoTargets)
{
    expectListing("junk.exe",
                  "junk.exe is a LUM executable containing the following apps:\n"
                  "App: junk, Supported targets:\n");
    expectListing("badversion.exe",
                  "badversion.exe is a LUM executable containing the following apps:\n"
                  "App: vecadd, Supported targets:\n");
}

TEST(ExtractInfoListing, ProcessAttributesAreNotListed)
{
    expectListing("short_attrs.exe",
                  "short_attrs.exe is a LUM executable containing the following apps:\n"
                  "App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3\n");
}

/* Unnamed entries that cannot be identified end the run through the
 * reading helpers' internal checks, never by reading past the file. */
TEST(ExtractInfoListing, UnidentifiableEntriesEndTheRun)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "unnamed_no_attrs.exe", "ELF file without.riscv.attributes" },
        { "unnamed_junk.exe", "not an ELF file" },
        { "unnamed_beyond.exe", "not an ELF file" },
    };
    for (const auto &[input, text] : cases) {
        ToolRun r = info(input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_THAT(r.err, MatchesRegex("Assertion failure at .*, line [0-9]+: " + text + "\n")) << input;
    }
}

TEST(ExtractInfoListing, ProgramWithoutApps)
{
    ToolRun r = info("noapps.exe");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "No LUM apps found in 'noapps.exe'"));
}

TEST(ExtractInfoListing, RefusedInputsAreRefusedInInfoModeToo)
{
    ToolRun r = info("prog.o");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'prog.o': Not a LUM Program or an executable"));
    r = info("two_objs.a");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'two_objs.a': LUM Program contains multiple object files"));
}

TEST(ExtractInfoListing, DemoSample)
{
    ToolRun r = runTool({ "--info", "sample.a" }, fixture("demo"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "sample.a is a LUM program containing the following apps:\n"
              "App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3\n"
              "App: reduce, Supported targets: tk-lum-tv7\n");
}

} // namespace
