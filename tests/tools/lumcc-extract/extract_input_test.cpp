/*
 * lumcc-extract's checks of the target name and the input, and how it takes
 * the input apart: plain host ELFs, one-object archives and everything it
 * refuses, each with its exact message and no output file.
 */
#include <fcntl.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

class ExtractInputChecks : public ::testing::Test {
protected:
    ScratchDir scratch;

    /* Extracts vecadd for tk-lum-tv7 from input (a fixture name). */
    ToolRun extract(const std::string &input)
    {
        return runTool({ "--app-name", "vecadd", "--mcpu", "tk-lum-tv7", "-o", scratch.file("out"),
                         input },
                       fixtureDir());
    }

    void expectRefused(const std::string &input, const std::string &message)
    {
        ToolRun r = extract(input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, diag("fatal", message)) << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_TRUE(scratch.entries().empty()) << input << ": no output file on failure";
    }

    void expectExtracted(const std::string &input)
    {
        ToolRun r = extract(input);
        EXPECT_EQ(r.status, 0) << input << ": " << r.err;
        EXPECT_EQ(r.err, "") << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_EQ(readBytes(scratch.file("out")), readBytes(fixture("dev_vecadd_tv7.elf"))) << input;
    }
};

/* The cases below mean something only when the inputs have the shapes their
 * names claim: the tools that made them must not have chosen otherwise. */
TEST(ExtractInputFixtures, InputsHaveTheShapesTheCasesNeed)
{
    auto elfType = [](const std::string &name) {
        std::string bytes = readBytes(fixture(name));
        return bytes.size() >= 18 && bytes.compare(0, 4, "\x7f" "ELF") == 0
                   ? (int)(unsigned char)bytes[16] | (int)(unsigned char)bytes[17] << 8
                   : -1;
    };
    EXPECT_EQ(elfType("prog.exe"), 2);
    EXPECT_EQ(elfType("prog_pie.exe"), 3);
    EXPECT_EQ(elfType("prog.so"), 3);
    EXPECT_EQ(elfType("prog.o"), 1);

    auto firstMemberName = [](const std::string &name) {
        return readBytes(fixture(name)).substr(8, 16);
    };
    EXPECT_EQ(readBytes(fixture("prog.a")).substr(0, 8), "!<arch>\n");
    EXPECT_EQ(firstMemberName("prog.a"), "/               ") << "a symbol table first";
    EXPECT_NE(firstMemberName("nosymtab.a").substr(0, 1), "/") << "no symbol table";
    EXPECT_NE(readBytes(fixture("longname.a")).find("//              "), std::string::npos)
        << "a long-name table";
    EXPECT_EQ(readBytes(fixture("thin.a")).substr(0, 8), "!<thin>\n");
}

/* -------------------------------------------------------------- target name */

TEST_F(ExtractInputChecks, UnknownTargetNameIsRefusedBeforeTheInputIsLookedAt)
{
    ToolRun r = runTool({ "--mcpu", "nosuch", "-o", scratch.file("o"), "missing.o" }, fixtureDir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "nosuch is not a valid target name"));
}

TEST_F(ExtractInputChecks, TheInvalidTargetsOwnNameIsNotATargetName)
{
    ToolRun r = runTool({ "--mcpu", "generic-rv64", "-o", scratch.file("o"), "prog.exe" }, fixtureDir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "generic-rv64 is not a valid target name"));
}

TEST_F(ExtractInputChecks, TargetNamesAreCaseSensitive)
{
    ToolRun r = runTool({ "--mcpu", "TK-LUM-TV7", "-o", scratch.file("o"), "prog.exe" }, fixtureDir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "TK-LUM-TV7 is not a valid target name"));
}

TEST_F(ExtractInputChecks, UnknownTargetIsFatalEvenAfterUnknownOptions)
{
    ToolRun r = runTool({ "--zz", "--mcpu", "tv7", "-o", scratch.file("o"), "prog.exe" }, fixtureDir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--zz'") + diag("fatal", "tv7 is not a valid target name"));
}

/* ---------------------------------------------------------------- existence */

TEST_F(ExtractInputChecks, MissingInputIsNamedAsGiven)
{
    expectRefused("no/such/in.o", "'no/such/in.o': No such file or directory");
}

TEST_F(ExtractInputChecks, DirectoryIsNoInputFile)
{
    ToolRun r = runTool({ "--info", "." }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'.': No such file or directory"));
}

TEST_F(ExtractInputChecks, SymbolicLinkToTheInputIsFollowed)
{
    ASSERT_EQ(symlink(fixture("prog.exe").c_str(), scratch.file("link").c_str()), 0);
    ToolRun r = runTool({ "--app-name", "vecadd", "--mcpu", "tk-lum-tv7", "-o", "out", "link" },
                        scratch.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(scratch.file("out")), readBytes(fixture("dev_vecadd_tv7.elf")));
}

/* A socket exists and is no folder, but cannot be opened as a file. */
TEST_F(ExtractInputChecks, InputThatCannotBeOpenedIsReported)
{
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::string path = scratch.file("sock");
    if (path.size() >= sizeof address.sun_path) {
        GTEST_SKIP() << "temporary folder name too long for a socket";
    }
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(bind(fd, (struct sockaddr *)&address, sizeof address), 0);

    ToolRun r = runTool({ "--info", "sock" }, scratch.path());
    close(fd);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Could not open input file 'sock'"));
}

/* A pipe has no size to take: it is refused once open, never waited on. */
TEST_F(ExtractInputChecks, PipeAsInputCannotBeRead)
{
    ASSERT_EQ(mkfifo(scratch.file("fifo").c_str(), 0600), 0);
    /* this end keeps a writer on the pipe, so that opening it does not wait */
    int keep = open(scratch.file("fifo").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(keep, 0);
    ToolRun r = runTool({ "--info", "fifo" }, scratch.path());
    close(keep);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "Could not read file 'fifo'"));
}

/* Nobody writes to this pipe: the run must refuse it at once, not wait for a
 * writer (the tool's 60-second alarm turns a hang into a failed test). */
TEST_F(ExtractInputChecks, PipeWithoutWriterIsRefusedWithoutWaiting)
{
    ASSERT_EQ(mkfifo(scratch.file("fifo").c_str(), 0600), 0);
    ToolRun r = runTool({ "--info", "fifo" }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "Could not read file 'fifo'"));
}

/* The input is mapped or read whole: one larger than the address space the
 * process may have cannot be mapped, and reading it ends the run with the
 * allocation failure, not a crash. */
TEST_F(ExtractInputChecks, InputLargerThanTheMemoryLimit)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own mappings exceed any small address-space limit";
#endif
    const off_t size = (off_t)1 << 30;
    int fd = open(scratch.file("huge").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);  /* sparse: takes no disk space */
    close(fd);
    RunSetup setup;
    setup.addressSpaceLimit = 256L << 20;
    ToolRun r = runTool({ "--info", "huge" }, scratch.path(), setup);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "Memory allocation failure"));
}

/* ------------------------------------------------------------- plain ELFs */

TEST_F(ExtractInputChecks, ExecutablesAndSharedObjectsAreAccepted)
{
    expectExtracted("prog.exe");      /* ELF type 2 */
    expectExtracted("prog_pie.exe");  /* type 3, position independent */
    expectExtracted("prog.so");       /* type 3, shared object */
}

TEST_F(ExtractInputChecks, RelocatableObjectAloneIsRefused)
{
    expectRefused("prog.o", "'prog.o': Not a LUM Program or an executable");
}

TEST_F(ExtractInputChecks, EmptyAndTooShortFilesAreRefused)
{
    expectRefused("empty", "'empty': Not a LUM Program or an executable");
    expectRefused("tiny", "'tiny': Not a LUM Program or an executable");
}

TEST_F(ExtractInputChecks, TextFileIsRefused)
{
    expectRefused("notes.txt", "'notes.txt': Not a LUM Program or an executable");
}

TEST_F(ExtractInputChecks, ProgramWithoutAppsHasNoLumApps)
{
    expectRefused("noapps.exe", "No LUM apps found in 'noapps.exe'");
}

/* ---------------------------------------------------------------- archives */

TEST_F(ExtractInputChecks, ArchiveOfOneObjectIsAccepted)
{
    expectExtracted("prog.a");        /* symbol table, then the object */
    expectExtracted("nosymtab.a");
    expectExtracted("longname.a");    /* symbol table, long-name table, the object */
}

TEST_F(ExtractInputChecks, ArchiveWithTwoObjectsIsRefused)
{
    expectRefused("two_objs.a", "'two_objs.a': LUM Program contains multiple object files");
}

TEST_F(ExtractInputChecks, ArchiveWithoutObjectsIsRefused)
{
    expectRefused("symtab_only.a", "'symtab_only.a': LUM Program does not contain any object files");
    expectRefused("magic_only.a", "'magic_only.a': LUM Program does not contain any object files");
}

TEST_F(ExtractInputChecks, ArchiveOfATextFileIsRefused)
{
    expectRefused("text_member.a", "'text_member.a': LUM Program does not contain an ELF file");
}

TEST_F(ExtractInputChecks, ThinArchiveMembersHoldNoData)
{
    expectRefused("thin.a", "'thin.a': LUM Program does not contain an ELF file");
}

/* A member whose size field runs past the end of the archive is not read. */
TEST_F(ExtractInputChecks, ArchiveCutShortIsNeverReadPastItsEnd)
{
    std::string archive = readBytes(fixture("prog.a"));
    writeText(scratch.file("cut.a"), archive.substr(0, archive.size() - 100));
    ToolRun r = runTool({ "--info", "cut.a" }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'cut.a': LUM Program does not contain any object files"));
}

} // namespace
