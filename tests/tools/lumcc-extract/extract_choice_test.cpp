/*
 * Choosing the app and the target entry, and copying it: the output file
 * holds exactly the bytes that were put into the program, and no output file
 * is left behind by any failure.
 */
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

using ::testing::MatchesRegex;

class ExtractChoiceAndCopy : public ::testing::Test {
protected:
    ScratchDir scratch;

    ToolRun extract(const std::string &input, std::vector<std::string> options)
    {
        options.push_back("-o");
        options.push_back(scratch.file("out"));
        options.push_back(input);
        return runTool(options, fixtureDir());
    }

    void expectBytes(const std::string &input, const std::vector<std::string> &options,
                     const std::string &expectedFile)
    {
        ToolRun r = extract(input, options);
        EXPECT_EQ(r.status, 0) << input << ": " << r.err;
        EXPECT_EQ(r.err, "") << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_EQ(readBytes(scratch.file("out")), readBytes(fixture(expectedFile))) << input;
    }

    void expectFailure(const std::string &input, const std::vector<std::string> &options,
                       const std::string &message)
    {
        unlink(scratch.file("out").c_str());
        ToolRun r = extract(input, options);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, diag("fatal", message)) << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_TRUE(scratch.entries().empty()) << input << ": no output file on failure";
    }
};

/* ---------------------------------------------------------------- the app */

TEST_F(ExtractChoiceAndCopy, AppAndTargetByName)
{
    expectBytes("prog.exe", { "--app-name", "vecadd", "--mcpu", "tk-lum-tv7" }, "dev_vecadd_tv7.elf");
    expectBytes("prog.exe", { "--app-name", "vecadd", "--mcpu", "tk-lum-gw3" }, "dev_vecadd_gw3.elf");
    expectBytes("prog.a", { "--app-name", "reduce", "--mcpu", "tk-lum-tv7" }, "dev_reduce_tv7.elf");
}

TEST_F(ExtractChoiceAndCopy, SeveralAppsNeedAnAppName)
{
    expectFailure("prog.exe", { "--mcpu", "tk-lum-tv7" },
                  "'prog.exe' contains multiple LUM apps. Specify an app name to extract");
}

TEST_F(ExtractChoiceAndCopy, UnknownAppIsNamed)
{
    expectFailure("prog.a", { "--app-name", "vec" }, "Cannot find app 'vec' in 'prog.a'");
    expectFailure("prog.a", { "--app-name", "VECADD" }, "Cannot find app 'VECADD' in 'prog.a'");
}

TEST_F(ExtractChoiceAndCopy, FirstAppOfTheNameIsTaken)
{
    expectBytes("duplicate.exe", { "--app-name", "twin" }, "dev_vecadd_tv7.elf");
}

TEST_F(ExtractChoiceAndCopy, OnlyAppNeedsNoName)
{
    expectBytes("one_target.exe", {}, "dev_vecadd_gw3.elf");
}

/* ------------------------------------------------------------- the target */

TEST_F(ExtractChoiceAndCopy, SeveralTargetsNeedATargetName)
{
    expectFailure("prog.exe", { "--app-name", "vecadd" },
                  "'prog.exe' contains multiple target executables for app 'vecadd'. "
                  "Specify a target to extract");
}

TEST_F(ExtractChoiceAndCopy, OnlyTargetIsTakenWhateverItsId)
{
    expectBytes("prog.exe", { "--app-name", "reduce" }, "dev_reduce_tv7.elf");
    expectBytes("unnamed_one.exe", {}, "dev_vecadd_gw3.elf");
}

TEST_F(ExtractChoiceAndCopy, TargetTheAppLacksIsNamed)
{
    expectFailure("one_target.exe", { "--mcpu", "tk-lum-tv7" },
                  "App 'vecadd' does not contain an executable for target 'tk-lum-tv7'");
    expectFailure("prog.exe", { "--app-name", "reduce", "--mcpu", "tk-lum-gw4" },
                  "App 'reduce' does not contain an executable for target 'tk-lum-gw4'");
}

TEST_F(ExtractChoiceAndCopy, UnnamedTargetNeverMatchesATargetName)
{
    expectFailure("unnamed_one.exe", { "--mcpu", "tk-lum-gw3" },
                  "App 'mixed' does not contain an executable for target 'tk-lum-gw3'");
    expectBytes("unnamed.exe", { "--mcpu", "tk-lum-tv7" }, "dev_vecadd_tv7.elf");
}

TEST_F(ExtractChoiceAndCopy, BareDeviceElfIsTheWholeSection)
{
    expectBytes("bare_one.exe", {}, "dev_vecadd_tv7.elf");
    expectFailure("bare_one.exe", { "--mcpu", "tk-lum-tv7" },
                  "App 'solo' does not contain an executable for target 'tk-lum-tv7'");
}

TEST_F(ExtractChoiceAndCopy, AppWithoutExecutables)
{
    expectFailure("junk.exe", {}, "App 'junk' does not contain an executable for target 'any'");
    expectFailure("junk.exe", { "--mcpu", "tk-lum-gw3" },
                  "App 'junk' does not contain an executable for target 'tk-lum-gw3'");
    expectFailure("no_entries.exe", {}, "App 'vecadd' does not contain an executable for target 'any'");
}

TEST_F(ExtractChoiceAndCopy, UnreadableContainerIsAnInternalError)
{
    ToolRun r = extract("badversion.exe", {});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("Assertion failure at .*extractApps\\.cpp, line [0-9]+: NULL devObj\n"));
    EXPECT_TRUE(scratch.entries().empty());
}

/* ---------------------------------------------------- process attributes */

TEST_F(ExtractChoiceAndCopy, ProcessAttributeBlobWithoutItsRecordHeader)
{
    expectBytes("prog.exe", { "--app-name", "vecadd", "--mcpu", "tk-lum-tv7", "--lum-proc-attr" },
                "blob_tv7.bin");
    expectBytes("prog.a", { "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", "-pa" }, "blob_gw3.bin");
}

TEST_F(ExtractChoiceAndCopy, AppWithoutProcessAttributes)
{
    expectFailure("prog.exe", { "--app-name", "reduce", "-pa" },
                  "'prog.exe': LUM Program does not contain any process attributes for the app 'reduce'");
    expectFailure("bad_attrs.exe", { "-pa" },
                  "'bad_attrs.exe': LUM Program does not contain any process attributes for the app 'vecadd'");
}

TEST_F(ExtractChoiceAndCopy, ProcessAttributesNeedATargetNameLikeExecutables)
{
    expectFailure("prog.exe", { "--app-name", "vecadd", "-pa" },
                  "'prog.exe' contains multiple target executables for app 'vecadd'. "
                  "Specify a target to extract");
}

/* The attribute container lists fewer targets than the executables: the
 * search stops at its real length instead of reading past it. */
TEST_F(ExtractChoiceAndCopy, ShortProcessAttributeListIsNotReadPastItsEnd)
{
    expectBytes("short_attrs.exe", { "-pa", "--mcpu", "tk-lum-tv7" }, "blob_tv7.bin");
    expectFailure("short_attrs.exe", { "-pa", "--mcpu", "tk-lum-gw3" },
                  "App 'vecadd' does not contain an executable for target 'tk-lum-gw3'");
    expectFailure("empty_attrs.exe", { "-pa" },
                  "App 'vecadd' does not contain an executable for target 'any'");
    expectFailure("empty_attrs.exe", { "-pa", "--mcpu", "tk-lum-tv7" },
                  "App 'vecadd' does not contain an executable for target 'tk-lum-tv7'");
}

/* ------------------------------------------------------------- the copy */

TEST_F(ExtractChoiceAndCopy, EntryBeyondTheEndOfTheFileIsNotCopied)
{
    const std::string text =
        "'%s': LUM Program is truncated: the data of app 'vecadd' extends beyond the end of the file";
    for (const char *input : { "beyond_size.exe", "beyond_offset.exe" }) {
        std::string message = text;
        message.replace(message.find("%s"), 2, input);
        expectFailure(input, {}, message);
    }
    expectFailure("beyond_blob.exe", { "-pa" },
                  "'beyond_blob.exe': LUM Program is truncated: the data of app 'vecadd' extends "
                  "beyond the end of the file");
}

TEST_F(ExtractChoiceAndCopy, ExistingOutputFileIsReplacedWhole)
{
    writeText(scratch.file("out"), std::string(100000, 'x'));
    expectBytes("prog.exe", { "--app-name", "reduce" }, "dev_reduce_tv7.elf");
}

TEST_F(ExtractChoiceAndCopy, EmptyEntryGivesAnEmptyFile)
{
    ToolRun r = extract("empty_entry.exe", {});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(pathExists(scratch.file("out")));
    EXPECT_EQ(readBytes(scratch.file("out")), "");
}

TEST_F(ExtractChoiceAndCopy, OutputInAMissingFolderIsRefused)
{
    ToolRun r = runTool({ "--app-name", "reduce", "-o", "nodir/out.bin", fixture("prog.exe") },
                        scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot open output file : 'nodir/out.bin'"));
    EXPECT_TRUE(scratch.entries().empty());
}

TEST_F(ExtractChoiceAndCopy, OutputThatIsAFolderIsRefused)
{
    ToolRun r = runTool({ "--app-name", "reduce", "-o", ".", fixture("prog.exe") }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot open output file : '.'"));
}

/* A write that stops short (here at a file size limit) fails the run
 * instead of reporting a cut file as done, and the cut file is removed. */
TEST_F(ExtractChoiceAndCopy, OutputThatCannotBeWrittenWholeIsRemoved)
{
    RunSetup setup;
    setup.fileSizeLimit = 1000;
    ToolRun r = runTool({ "--app-name", "reduce", "-o", "out.elf", fixture("prog.exe") }, scratch.path(),
                        setup);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot write output file : 'out.elf'"));
    EXPECT_TRUE(scratch.entries().empty());
}

/* A full device reached through a link in the scratch folder: the failure is
 * reported and neither the link nor the device is removed. */
TEST_F(ExtractChoiceAndCopy, OutputDeviceThatCannotBeWrittenIsLeftInPlace)
{
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) {
        GTEST_SKIP() << "no /dev/full device";
    }
    ASSERT_EQ(symlink("/dev/full", scratch.file("full").c_str()), 0);
    ToolRun r = runTool({ "--app-name", "reduce", "-o", "full", fixture("prog.exe") }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot write output file : 'full'"));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{ "full" });
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

/* Replaced by a new file, or, with a second hard link, overwritten in place
 * (the entry is then copied out before the input is truncated). */
TEST_F(ExtractChoiceAndCopy, OutputMayReplaceTheInput)
{
    for (bool secondLink : { false, true }) {
        writeText(scratch.file("prog.exe"), readBytes(fixture("prog.exe")));
        unlink(scratch.file("link.exe").c_str());
        if (secondLink) {
            ASSERT_EQ(link(scratch.file("prog.exe").c_str(), scratch.file("link.exe").c_str()), 0);
        }
        ToolRun r = runTool({ "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", "-o", "prog.exe", "prog.exe" },
                            scratch.path());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readBytes(scratch.file("prog.exe")), readBytes(fixture("dev_vecadd_gw3.elf")));
        if (secondLink) {
            EXPECT_EQ(readBytes(scratch.file("link.exe")), readBytes(fixture("dev_vecadd_gw3.elf")));
        }
    }
}

} // namespace
