/*
 * What a run leaves behind in the places it writes to: a failing run never
 * touches an existing output file (nor the input named as the output), a
 * write that fails midway keeps no part of the data, a pipe or device given
 * as the output is written to and never removed, and standard output that
 * cannot take the help, version or listing is reported, not lost.
 */
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

using ::testing::MatchesRegex;

bool isCharacterDevice(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool isLink(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isFifo(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

class ExtractOutputSafety : public ::testing::Test {
protected:
    ScratchDir scratch;

    /* A link in the scratch folder to the full device: the tests open the
     * device only through it, and never create, replace or remove it. */
    std::string fullDeviceLink()
    {
        std::string link = scratch.file("full");
        if (symlink("/dev/full", link.c_str()) != 0) {
            ADD_FAILURE() << "cannot link to /dev/full";
        }
        return link;
    }

    void TearDown() override
    {
        if (pathExists("/dev/full")) {
            EXPECT_TRUE(isCharacterDevice("/dev/full")) << "/dev/full must stay the device";
        }
    }
};

/* ------------------------------------------------- an existing output file */

struct FailingRun {
    std::vector<std::string> args;  /* "-o out" is added */
    int status;
    std::string err;
};

TEST_F(ExtractOutputSafety, EveryFailureLeavesAnExistingOutputFileAsItWas)
{
    const std::string in = fixture("prog.exe");
    const std::vector<FailingRun> runs = {
        { { "--bogus", in }, 255, diag("error", "Unknown option '--bogus'") },
        { { "--mcpu", "nosuch", in }, 1, diag("fatal", "nosuch is not a valid target name") },
        { { "missing.o" }, 1, diag("fatal", "'missing.o': No such file or directory") },
        { { fixture("prog.o") }, 1, diag("fatal", "'" + fixture("prog.o") + "': Not a LUM Program or an executable") },
        { { fixture("two_objs.a") }, 1,
          diag("fatal", "'" + fixture("two_objs.a") + "': LUM Program contains multiple object files") },
        { { fixture("noapps.exe") }, 1, diag("fatal", "No LUM apps found in '" + fixture("noapps.exe") + "'") },
        { { "--app-name", "nosuch", in }, 1, diag("fatal", "Cannot find app 'nosuch' in '" + in + "'") },
        { { "--app-name", "vecadd", in }, 1,
          diag("fatal", "'" + in + "' contains multiple target executables for app 'vecadd'. "
                        "Specify a target to extract") },
        { { "--app-name", "reduce", "--mcpu", "tk-lum-gw3", in }, 1,
          diag("fatal", "App 'reduce' does not contain an executable for target 'tk-lum-gw3'") },
        { { "--app-name", "reduce", "-pa", in }, 1,
          diag("fatal", "'" + in + "': LUM Program does not contain any process attributes for the app 'reduce'") },
        { { fixture("beyond_size.exe") }, 1,
          diag("fatal", "'" + fixture("beyond_size.exe") + "': LUM Program is truncated: the data of app "
                        "'vecadd' extends beyond the end of the file") },
    };
    for (const FailingRun &failing : runs) {
        writeText(scratch.file("out"), "earlier result");
        std::vector<std::string> args = failing.args;
        args.insert(args.end(), { "-o", "out" });
        ToolRun r = runTool(args, scratch.path());
        EXPECT_EQ(r.status, failing.status) << failing.err;
        EXPECT_EQ(r.err, failing.err);
        EXPECT_EQ(r.out, "") << failing.err;
        EXPECT_EQ(readBytes(scratch.file("out")), "earlier result") << failing.err;
    }

    writeText(scratch.file("out"), "earlier result");
    ToolRun r = runTool({ "-o", "out", fixture("badversion.exe") }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, MatchesRegex("Assertion failure at .*, line [0-9]+: NULL devObj\n"));
    EXPECT_EQ(readBytes(scratch.file("out")), "earlier result");
}

TEST_F(ExtractOutputSafety, InputNamedAsTheOutputSurvivesAFailedRun)
{
    const std::string program = readBytes(fixture("prog.exe"));
    writeText(scratch.file("prog.exe"), program);
    ToolRun r = runTool({ "--app-name", "nosuch", "-o", "prog.exe", "prog.exe" }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot find app 'nosuch' in 'prog.exe'"));
    EXPECT_EQ(readBytes(scratch.file("prog.exe")), program);
}

/* --------------------------------------------------- a write that fails */

/* The output reached through a link, to a file that exists or not yet: the
 * link stays, and the file it names is as it was (or still missing). */
TEST_F(ExtractOutputSafety, FailedWriteThroughALinkKeepsTheLinkAndTheFile)
{
    ASSERT_EQ(symlink("real.elf", scratch.file("out").c_str()), 0);
    RunSetup setup;
    setup.fileSizeLimit = 1000;  /* the entry is larger */
    for (bool exists : { false, true }) {
        if (exists) {
            writeText(scratch.file("real.elf"), "earlier result");
        }
        ToolRun r = runTool({ "--app-name", "reduce", "-o", "out", fixture("prog.exe") }, scratch.path(), setup);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, diag("fatal", "Cannot write output file : 'out'"));
        EXPECT_TRUE(isLink(scratch.file("out")));
        std::vector<std::string> left = { "out" };
        if (exists) {
            EXPECT_EQ(readBytes(scratch.file("real.elf")), "earlier result");
            left.push_back("real.elf");
        }
        EXPECT_EQ(scratch.entries(), left);
    }
}

/* However little memory the run is given, it either writes the whole entry
 * or fails leaving the existing output file as it was: the limits swept are
 * those just below the least a run needs, where its last allocations fail. */
TEST_F(ExtractOutputSafety, RunOutOfMemoryLeavesAnExistingOutputFileAsItWas)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's own mappings exceed any small address-space limit";
#endif
    const std::string entry = readBytes(fixture("dev_vecadd_gw3.elf"));
    auto runWithin = [&](long limit) {
        writeText(scratch.file("out"), "earlier result");
        RunSetup setup;
        setup.addressSpaceLimit = limit;
        return runTool({ "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", "-o", "out", fixture("prog.exe") },
                       scratch.path(), setup);
    };
    const long step = 64L << 10;
    long failing = 0, enough = 1L << 30;
    ASSERT_EQ(runWithin(enough).status, 0);
    while (enough - failing > step) {
        long middle = (failing + enough) / 2 / step * step;
        (runWithin(middle).status == 0 ? enough : failing) = middle;
    }

    int allocationFailures = 0;
    for (long limit = enough - (2L << 20); limit < enough; limit += step) {
        ToolRun r = runWithin(limit);
        if (r.status == 0) {
            EXPECT_EQ(readBytes(scratch.file("out")), entry) << limit;
            continue;
        }
        EXPECT_EQ(readBytes(scratch.file("out")), "earlier result") << limit << ": " << r.err;
        allocationFailures += r.err == diag("fatal", "Memory allocation failure");
    }
    EXPECT_GT(allocationFailures, 0) << "no limit made an allocation fail";
}

/* ----------------------------------------------- how the output is written */

/* What the output path is before the run, and what it must be after it: a
 * regular file is replaced by a new one that keeps its mode (and owner), a
 * link keeps leading to the replaced file, and where replacing would change
 * what the path is (other hard links) or cannot be done (no new file can be
 * made in the folder) the file is written in place. */
TEST_F(ExtractOutputSafety, OutputIsReplacedWholeOrWrittenInPlaceAsItsShapeAllows)
{
    struct Shape {
        const char *what;
        std::function<void()> make;  /* makes "out" (and what it leads to) in the scratch folder */
        mode_t umaskOfRun;
        bool asNobody;
        bool inPlace;                /* the file keeps its identity */
        mode_t mode;                 /* of the file "out" leads to afterwards */
        uid_t owner;
    };
    const std::string file = scratch.file("file");
    auto existing = [&](mode_t mode, uid_t owner) {
        return [=, this] {
            writeText(file, "earlier result");
            ASSERT_EQ(chmod(file.c_str(), mode), 0);
            ASSERT_EQ(chown(file.c_str(), owner, owner), 0);
            ASSERT_EQ(rename(file.c_str(), scratch.file("out").c_str()), 0);
        };
    };
    const bool root = geteuid() == 0;
    std::vector<Shape> shapes = {
        { "a new file", [] {}, 022, false, false, 0644, geteuid() },
        { "a new file, umask 027", [] {}, 027, false, false, 0640, geteuid() },
        { "a file of mode 0751", existing(0751, geteuid()), 022, false, false, 0751, geteuid() },
        { "a link to a file", [&] { existing(0600, geteuid())();
                                    rename(scratch.file("out").c_str(), file.c_str());
                                    symlink("file", scratch.file("out").c_str()); },
          022, false, false, 0600, geteuid() },
        { "a link leading nowhere", [&] { symlink("file", scratch.file("out").c_str()); },
          022, false, false, 0644, geteuid() },
        { "a file with a second hard link", [&] { existing(0640, geteuid())();
                                                  link(scratch.file("out").c_str(), file.c_str()); },
          022, false, true, 0640, geteuid() },
    };
    /* nobody can run the tool only when every folder above it lets everyone through */
    auto runnableByEveryone = [] {
        std::string path = LUM_EXTRACT_BIN;
        for (size_t slash = path.size(); slash != std::string::npos && slash > 0; slash = path.rfind('/', slash - 1)) {
            struct stat st;
            if (stat(path.substr(0, slash).c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return false;
        }
        return true;
    };
    if (root) {
        shapes.push_back({ "another user's file", existing(0604, 1234), 022, false, false, 0604, 1234 });
    }
    if (root && runnableByEveryone()) {
        /* nobody may write the file, but make nothing in root's folder */
        shapes.push_back({ "a file in a folder closed to the run",
                           [&] { existing(0666, 0)();
                                 chmod(scratch.path().c_str(), 0755); },
                           022, true, true, 0666, 0 });
    }
    const std::string entry = readBytes(fixture("dev_reduce_tv7.elf"));
    /* the input beside the output, where a run without root's rights can read it */
    writeText(scratch.file("in.exe"), readBytes(fixture("prog.exe")));
    for (const Shape &shape : shapes) {
        std::filesystem::remove(scratch.file("out"));
        std::filesystem::remove(file);
        shape.make();
        struct stat before {};
        bool existed = stat(scratch.file("out").c_str(), &before) == 0;
        bool wasLink = isLink(scratch.file("out"));
        RunSetup setup;
        setup.asNobody = shape.asNobody;
        mode_t saved = umask(shape.umaskOfRun);
        ToolRun r = runTool({ "--app-name", "reduce", "-o", "out", "in.exe" }, scratch.path(), setup);
        umask(saved);
        EXPECT_EQ(r.status, 0) << shape.what << ": " << r.err;
        EXPECT_EQ(readBytes(scratch.file("out")), entry) << shape.what;
        EXPECT_EQ(isLink(scratch.file("out")), wasLink) << shape.what;
        struct stat after {};
        ASSERT_EQ(stat(scratch.file("out").c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, shape.mode) << shape.what;
        EXPECT_EQ(after.st_uid, shape.owner) << shape.what;
        if (existed) {
            EXPECT_EQ(after.st_ino == before.st_ino, shape.inPlace) << shape.what;
        }
        for (const std::string &name : scratch.entries()) {
            EXPECT_TRUE(name == "out" || name == "file" || name == "in.exe") << shape.what << " left " << name;
        }
    }
}

/* Names that lead to no file that can be replaced: /dev/stdout names the
 * open standard output, which is written (truncated) where it is, the file
 * the caller opened, and an empty name is refused as before. */
TEST_F(ExtractOutputSafety, StandardOutputAndEmptyNamesAreNotReplaced)
{
    const std::string entry = readBytes(fixture("dev_reduce_tv7.elf"));
    writeText(scratch.file("stdout"), "earlier result");
    struct stat opened {}, after {};
    ASSERT_EQ(stat(scratch.file("stdout").c_str(), &opened), 0);
    RunSetup setup;
    setup.stdoutPath = scratch.file("stdout");
    ToolRun r = runTool({ "--app-name", "reduce", "-o", "/dev/stdout", fixture("prog.exe") }, scratch.path(), setup);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(stat(scratch.file("stdout").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, opened.st_ino);
    EXPECT_EQ(readBytes(scratch.file("stdout")), entry);

    r = runTool({ "--app-name", "reduce", "-o", "", fixture("prog.exe") }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot open output file : ''"));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{ "stdout" });
}

/* ------------------------------------------------------- a pipe as output */

TEST_F(ExtractOutputSafety, PipeAsOutputReceivesTheBytes)
{
    const std::string pipePath = scratch.file("pipe");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    /* a reader before the run, so that opening the pipe does not wait; the
     * entry fits in the pipe's buffer */
    int reader = open(pipePath.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ToolRun r = runTool({ "--app-name", "reduce", "-o", "pipe", fixture("prog.exe") }, scratch.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;) {
        received.append(buffer, (size_t)n);
    }
    close(reader);
    EXPECT_EQ(received, readBytes(fixture("dev_reduce_tv7.elf")));
    EXPECT_TRUE(isFifo(pipePath));
}

/* Nothing reads the pipe: opening it would wait for ever, so a failing run
 * must end before it gets there. */
TEST_F(ExtractOutputSafety, FailingRunNeverOpensAPipeOutput)
{
    ASSERT_EQ(mkfifo(scratch.file("pipe").c_str(), 0600), 0);
    ToolRun r = runTool({ "-o", "pipe", fixture("beyond_offset.exe") }, scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'" + fixture("beyond_offset.exe") + "': LUM Program is truncated: "
                                   "the data of app 'vecadd' extends beyond the end of the file"));
    EXPECT_TRUE(isFifo(scratch.file("pipe")));
}

/* -------------------------------------------------------- standard output */

TEST_F(ExtractOutputSafety, ListingIntoAPipeWithoutReaderIsReported)
{
    RunSetup setup;
    setup.stdoutReaderGone = true;
    ToolRun r = runTool({ "--info", "prog.exe" }, fixtureDir(), setup);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot write to standard output"));
}

TEST_F(ExtractOutputSafety, ListingOnAFullDeviceIsReported)
{
    if (!isCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full device";
    }
    RunSetup setup;
    setup.stdoutPath = fullDeviceLink();
    ToolRun r = runTool({ "--info", "prog.exe" }, fixtureDir(), setup);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Cannot write to standard output"));
    EXPECT_TRUE(isLink(scratch.file("full")));
}

/* Help and version are read by scripts too: lost text is no success. */
TEST_F(ExtractOutputSafety, HelpAndVersionThatCannotBeWrittenAreReported)
{
    for (const char *option : { "--help", "--version" }) {
        RunSetup setup;
        setup.stdoutReaderGone = true;
        ToolRun r = runTool({ option }, fixtureDir(), setup);
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.err, diag("fatal", "Cannot write to standard output")) << option;
    }
    if (!isCharacterDevice("/dev/full")) {
        GTEST_SKIP() << "no /dev/full device";
    }
    RunSetup setup;
    setup.stdoutPath = fullDeviceLink();
    for (const char *option : { "-h", "-V" }) {
        ToolRun r = runTool({ option }, fixtureDir(), setup);
        EXPECT_EQ(r.status, 1) << option;
        EXPECT_EQ(r.err, diag("fatal", "Cannot write to standard output")) << option;
    }
}

} // namespace
