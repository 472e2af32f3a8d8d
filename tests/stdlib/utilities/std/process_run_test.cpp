// Running programs: procSystem and its formatted and string forms with
// their results, logs and reports; procRunCommand with its redirections,
// signals, and a child that fails before it runs the program.

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "privileges.h"
#include "tempDir.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdProcess.h"
#include "stdString.h"
#include "stdThreads.h"

namespace {

using testsupport::runChild;
using testsupport::TempDir;
using testsupport::writeFile;
using testsupport::fileText;
using testsupport::pathExists;

class Running : public ::testing::Test {
protected:
    TempDir area;
};

// ---------------------------------------------------------------------------

using ProcSystem = Running;

TEST_F(ProcSystem, ResultsLogAndErrorLinesFollowTheFlags)
{
    std::string made = area / "made";
    const struct {
        std::string command;
        Bool show, dryRun, runAnyway;
        int result;
        std::string log, err;
        bool makes;
    } cases[] = {
        {"exit 3", True, False, False, 3, "#$ exit 3\n", "# --error 0x3 --\n", false},
        {"exit 3", False, False, False, 3, "", "", false},
        {"true", True, False, False, 0, "#$ true\n", "", false},
        {"touch " + made, False, True, False, 0, "#$ touch " + made + "\n", "", false},
        {"touch " + made, False, True, True, 0, "#$ touch " + made + "\n", "", true},
        {"touch " + made + "; exit 2", False, True, True, 2, "#$ touch " + made + "; exit 2\n",
         "# --error 0x2 --\n", true},
    };
    for (const auto &c : cases) {
        unlink(made.c_str());
        auto run = runChild([&] {
            FILE *log = tmpfile();
            Int result = procSystem(log, c.show, c.dryRun, c.runAnyway, False, c.command.c_str());
            printf("%d\n%s", result, testsupport::readAll(log).c_str());
        });
        EXPECT_EQ(run.out, std::to_string(c.result) + "\n" + c.log) << c.command;
        EXPECT_EQ(run.err, c.err) << c.command;
        EXPECT_EQ(pathExists(made), c.makes) << c.command;
    }
}

TEST_F(ProcSystem, AShellKilledByASignalIsReportedAsAnError)
{
    auto run = runChild([] {
        msgSetToolName("t");
        Int result = procSystem(nullptr, True, False, False, False, "kill -9 $$");
        printf("%d %d\n", result, stdGetThreadContext()->errorFlag);
    });
    EXPECT_EQ(run.out, "9 1\n") << "the raw status";
    EXPECT_EQ(run.err, "t error   : 'kill' died due to signal 9 (Kill signal)\n# --error 0x9 --\n");
}

TEST_F(ProcSystem, ACoreDumpIsReportedWhereTheMachineMakesOne)
{
    auto run = runChild([&] {
        struct rlimit unlimited = {RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_CORE, &unlimited);
        if (chdir(area.root().c_str()) != 0) return;
        Int result = procSystem(nullptr, False, False, False, False, "kill -SEGV $$");
        printf("%d\n", result);
    }, true);
    if (run.out != "139\n") {
        GTEST_SKIP() << "no core dump here: " << run.out;
    }
    EXPECT_EQ(run.err, "error   : 'kill' died due to signal 11 (Invalid memory reference)\n"
                       "error   : 'kill' core dumped\n");
}

TEST_F(ProcSystem, ExitOnFailureEndsTheProcessWithTheResult)
{
    auto run = runChild([] {
        procSystem(nullptr, False, False, False, True, "exit 4");
        printf("went on\n");
    });
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, "");
}

TEST_F(ProcSystem, FormattedAndStringCommandsAndTheLengthLimit)
{
    std::string made = area / "made";
    auto run = runChild([&] {
        printf("%d\n", procVSystem(nullptr, False, False, False, False, "exit %d", 6));
        stdString command = stringCreate(8);
        stringAddBuf(command, "exit ");
        stringAddChar(command, '5');
        printf("%d\n", procStringSystem(nullptr, False, False, False, False, command));
        // The longest command that fits runs; one character more does not.
        std::string prefix = "touch " + made + "; : ";
        std::string fits(99999 - prefix.size(), 'x');
        for (const std::string &tail : {fits + "x", fits}) {
            Int result = procVSystem(nullptr, False, False, False, False, "%s%s", prefix.c_str(), tail.c_str());
            printf("%d %d\n", result, pathExists(made));
        }
    });
    EXPECT_EQ(run.out, "6\n5\n-1 0\n0 1\n");
    EXPECT_EQ(run.err, "error   : Command of 100000 characters is longer than the 99999 that can be run; not run\n");
}

// ---------------------------------------------------------------------------

using RunCommand = Running;

TEST_F(RunCommand, ExitCodesSignalsAndProgramsThatAreNotThere)
{
    const struct {
        std::vector<const char *> argv;
        Bool reportSignals;
        int result;
        std::string err;
    } cases[] = {
        {{"sh", "-c", "exit 7"}, True, 7, ""},
        {{"true"}, True, 0, ""},
        {{"sh", "-c", "kill -9 $$"}, False, 137, ""},
        {{"sh", "-c", "kill -9 $$"}, True, 137, "error   : 'sh' died due to signal 9 (Kill signal)\n"},
        {{"sh", "-c", "kill -TERM $$"}, True, 143, "error   : 'sh' died due to signal 15 \n"},
        {{"lum-no-such-program"}, True, 1, "lum-no-such-program: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        auto run = runChild([&] {
            std::vector<String> argv;
            for (const char *word : c.argv) argv.push_back((String)word);
            argv.push_back(nullptr);
            printf("%d\n", procRunCommand(argv.data(), nullptr, nullptr, nullptr, False, c.reportSignals));
        });
        EXPECT_EQ(run.out, std::to_string(c.result) + "\n") << c.argv.back();
        EXPECT_EQ(run.err, c.err) << c.argv.back();
    }
}

Int runArgs(std::vector<const char *> words, const std::string &in, const std::string &out,
            const std::string &err, Bool append = False)
{
    std::vector<String> argv;
    for (const char *word : words) argv.push_back((String)word);
    argv.push_back(nullptr);
    auto path = [](const std::string &p) { return p.empty() ? nullptr : p.c_str(); };
    return procRunCommand(argv.data(), path(in), path(out), path(err), append, True);
}

TEST_F(RunCommand, StreamsGoWhereTheyAreSent)
{
    std::string in = area / "in", out = area / "out", err = area / "err";
    writeFile(in, "hello\n");
    EXPECT_EQ(runArgs({"cat"}, in, out, ""), 0);
    EXPECT_EQ(fileText(out), "hello\n");
    EXPECT_EQ(runArgs({"echo", "more"}, "", out, "", True), 0);
    EXPECT_EQ(fileText(out), "hello\nmore\n") << "appended";
    EXPECT_EQ(runArgs({"echo", "new"}, "", out, ""), 0);
    EXPECT_EQ(fileText(out), "new\n") << "replaced";
    EXPECT_EQ(runArgs({"sh", "-c", "echo to-err 1>&2"}, "", "", err), 0);
    EXPECT_EQ(fileText(err), "to-err\n");
    // One stream for both: the lines stay whole and in order.
    EXPECT_EQ(runArgs({"sh", "-c", "echo one; echo two 1>&2; echo three"}, "", out, out), 0);
    EXPECT_EQ(fileText(out), "one\ntwo\nthree\n");
}

// A stream the caller has closed is a free descriptor that the opened file
// takes: it must still be the program's stream.
TEST_F(RunCommand, StreamsTheCallerClosedAreRedirectedToo)
{
    std::string in = area / "in", out = area / "out";
    writeFile(in, "hello\n");
    auto run = runChild([&] {
        close(STDIN_FILENO);
        Int fromClosedInput = runArgs({"cat"}, in, out, "");
        std::string copied = fileText(out);
        if (open("/dev/null", O_RDONLY) != STDIN_FILENO) return;
        close(STDOUT_FILENO);
        Int toClosedOutput = runArgs({"echo", "again"}, "", out, "");
        fprintf(stderr, "%d %s%d %s", fromClosedInput, copied.c_str(), toClosedOutput, fileText(out).c_str());
    });
    EXPECT_EQ(run.err, "0 hello\n0 again\n");
}

void sayHandler(Pointer data)
{
    printf("handler %s\n", (cString)data);
}

// A child that fails before it runs the program must not run the parent's
// clean-up handlers (they would remove the parent's temporary files), nor
// write out again what the parent had printed.
TEST_F(RunCommand, AChildThatFailsLeavesTheParentsCleanUpAndOutputAlone)
{
    const std::string missing = area / "missing/file";
    const struct {
        std::vector<const char *> argv;
        std::string in, out, errPath, err;
    } cases[] = {
        {{"true"}, "", missing, "", "tool fatal   : Could not open output file '" + missing + "'\n"},
        {{"true"}, missing, "", "", "tool fatal   : Could not open input file '" + missing + "'\n"},
        {{"true"}, "", "", missing, "tool fatal   : Could not open output file '" + missing + "'\n"},
        {{"lum-no-such-program"}, "", "", "", "lum-no-such-program: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        auto run = runChild([&] {
            setenv("TMPDIR", area.root().c_str(), 1);
            msgSetToolName("tool");   // the reports carry the calling thread's decoration
            String name = procGetTempName();
            writeFile(name, "parent's");
            stdSetCleanupHandler(sayHandler, (Pointer) "ran");
            printf("printed before; ");
            Int result = runArgs(c.argv, c.in, c.out, c.errPath);
            printf("%d %d\n", result, pathExists(name));
            memspFree(name);
            exit(0);
        });
        EXPECT_EQ(run.out, "printed before; 1 1\nhandler ran\n") << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(area.entries().empty());
    }
}

// A child of a process with threads has only the thread that forked: a lock
// another thread held at the fork stays taken in it for ever. So the child
// runs none of the library's code before the program, not even to report a
// redirection that failed. The caller here is a thread of its own without
// a context, which the library would otherwise make in the child.
TEST_F(RunCommand, AChildNeedsNoLockThatAnotherThreadHeldAtTheFork)
{
    std::string missing = area / "missing/out";
    auto run = runChild([&] {
        std::atomic<bool> held{false};
        std::thread holder([&] {
            stdGlobalEnter();
            held = true;
            usleep(300000);
            stdGlobalExit();
        });
        std::thread caller([&] {
            while (!held) std::this_thread::yield();
            Int plain = runArgs({"true"}, "", "", "");
            Int redirected = runArgs({"true"}, "", missing, "");
            printf("%d %d\n", plain, redirected);
        });
        caller.join();
        holder.join();
    }, false, 20);
    EXPECT_EQ(run.out, "0 1\n");
    EXPECT_EQ(run.err, "fatal   : Could not open output file '" + missing + "'\n");
}

TEST_F(RunCommand, AFailedForkIsReportedAndNegative)
{
    auto run = runChild([] {
        if (!testsupport::forbidNewProcesses()) {
            printf("cannot forbid\n");
            return;
        }
        printf("%d\n", runArgs({"true"}, "", "", ""));
    });
    EXPECT_EQ(run.out, std::to_string(-EAGAIN) + "\n");
    EXPECT_EQ(run.err, std::string("error   : fork() failed with '") + strerror(EAGAIN) + "'\n");
}

TEST_F(RunCommand, OnlyItsOwnChildIsWaitedFor)
{
    auto run = runChild([] {
        pid_t other = fork();
        if (other == 0) {
            _exit(42);
        }
        usleep(20000);   // the other child has ended and waits to be reaped
        Int result = runArgs({"sh", "-c", "sleep 0.05; exit 3"}, "", "", "");
        int status = 0;
        pid_t reaped = waitpid(other, &status, 0);
        printf("%d %d %d\n", result, reaped == other, WEXITSTATUS(status));
    });
    EXPECT_EQ(run.out, "3 1 42\n");
}

}  // namespace
