// Clean-up handlers and temporary files, each in a child process so that its
// exit (which runs the handlers) can be watched: names, their exclusive
// reservation, removal at exit without following links, and open streams.

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "childProcess.h"
#include "tempDir.h"
#include "stdMemSpace.h"
#include "stdProcess.h"
#include "stdThreads.h"
#include "systemAllocator.h"

namespace {

using testsupport::runChild;
using testsupport::TempDir;
using testsupport::writeFile;
using testsupport::fileText;
using testsupport::pathExists;

// The base a child with this process ID reserves with the counter.
std::string baseFor(const std::string &directory, int pid, unsigned counter)
{
    char name[64];
    snprintf(name, sizeof name, "/tmpxft_%08x_%08x", (unsigned)pid, counter);
    return directory + name;
}

// ---------------------------------------------------------------------------

// Handlers run before the thread library goes: its flag is still set.
void say(Pointer text)
{
    printf("%s %d\n", (cString)text, threadsDoCleanupOnTermination);
}

void sayAndAddAnother(Pointer text)
{
    say(text);
    stdSetCleanupHandler(say, (Pointer) "added while running");
}

TEST(CleanupHandlers, RunNewestFirstOnceEachAndThoseAddedOnTheWayInTheSamePass)
{
    auto run = runChild([] {
        stdSetCleanupHandler(say, (Pointer) "first");
        stdSetCleanupHandler(sayAndAddAnother, (Pointer) "second");
        stdProcessCleanupHandlers();
        printf("--\n");
        stdProcessCleanupHandlers();   // nothing is left
        stdSetCleanupHandler(say, (Pointer) "at exit");
        exit(0);
    });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "second 1\nadded while running 1\nfirst 1\n--\nat exit 1\n");
}

TEST(CleanupHandlers, ARecordThatCannotBeAllocatedIsReportedAsOutOfMemory)
{
    auto run = runChild([] {
        stdGetThreadContext();
        testsupport::CountingAllocator::install();
        testsupport::CountingAllocator::failFromNow();
        stdSetCleanupHandler(say, (Pointer) "never");
        printf("went on\n");
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.out, "");
}

// ---------------------------------------------------------------------------

class TempNames : public ::testing::Test {
protected:
    // Runs body in a child whose temporary directory is tmpdir (the scratch
    // directory when empty); the child's output starts with its process ID.
    testsupport::ChildRun inChild(const std::function<void()> &body, std::string tmpdir = "")
    {
        auto run = runChild([&] {
            setenv("TMPDIR", tmpdir.empty() ? area.root().c_str() : tmpdir.c_str(), 1);
            printf("%d\n", (int)getpid());
            fflush(stdout);
            body();
        }, false, 20);   // a search for a name that never ends fails the test, not the run
        childPid = atoi(run.out.c_str());
        run.out.erase(0, run.out.find('\n') + 1);
        return run;
    }
    TempDir area;
    int childPid = 0;
};

TEST_F(TempNames, NamesFollowOneExclusivelyCreatedBasePerKind)
{
    auto run = inChild([] {
        String before = procGetTempNameBase();
        printf("before %s %d\n", before ? before : "null", procIsTempName("/"));
        String files[] = {procGetTempName(), procGetTempName()};
        String directory = procGetTempDirName();
        String base = procGetTempNameBase();
        struct stat status;
        stat(base, &status);
        printf("%s\n%s\n%s\n%s\n", files[0], files[1], directory, base);
        printf("mode %o size %lld\n", (unsigned)(status.st_mode & 0777), (long long)status.st_size);
        printf("%d %d %d %d\n", procIsTempName(files[1]), procIsTempName(directory), procIsTempDirName(directory),
               procIsTempDirName(files[0]));
        for (String text : {files[0], files[1], directory, base}) {
            memspFree(text);
        }
        exit(0);
    });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string fileBase = baseFor(area.root(), childPid, 0), dirBase = baseFor(area.root(), childPid, 1);
    EXPECT_EQ(run.out, "before null 0\n" + fileBase + "-0\n" + fileBase + "-1\n" + dirBase + "-0\n" + fileBase +
                           "\nmode 600 size 0\n1 0 1 0\n");
    EXPECT_TRUE(area.entries().empty()) << "the bases go at exit";
}

// Names already taken are passed over without opening them: a dangling link
// planted where the first base would be must not make anything.
TEST_F(TempNames, TakenNamesAndPlantedLinksAreSkippedUntouched)
{
    mkdir((area / "outside").c_str(), 0700);
    writeFile(area / "outside/victim", "keep");
    auto run = inChild([&] {
        int pid = (int)getpid();
        std::vector<std::string> planted = {baseFor(area.root(), pid, 0), baseFor(area.root(), pid, 1), baseFor(area.root(), pid, 2)};
        symlink((area / "outside/created").c_str(), planted[0].c_str());
        symlink((area / "outside/victim").c_str(), planted[1].c_str());
        writeFile(planted[2], "someone else's");
        String name = procGetTempName();
        printf("%s\n", name);
        memspFree(name);
        exit(0);
    });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, baseFor(area.root(), childPid, 3) + "-0\n");
    EXPECT_FALSE(pathExists(area / "outside/created"));
    EXPECT_EQ(fileText(area / "outside/victim"), "keep");
    EXPECT_EQ(area.entries().size(), 4u) << "the planted names stay; the child's own base went";
}

TEST_F(TempNames, ExitRemovesAllUnderTheBasesWithoutFollowingLinks)
{
    for (std::string dir : {"outside", "outside2"}) {
        mkdir((area / dir).c_str(), 0700);
        writeFile(area / dir + "/precious", "keep");
    }
    auto run = inChild([&] {
        // Every name is taken into a std::string and given back at once.
        auto name = [](String (*get)(void)) {
            String text = get();
            std::string copy = text;
            memspFree(text);
            return copy;
        };
        std::string file = name(procGetTempName);
        writeFile(file, "x");
        writeFile(file + "more", "x");
        std::string tree = name(procGetTempName);
        mkdir(tree.c_str(), 0700);
        mkdir((tree + "/sub").c_str(), 0700);
        writeFile(tree + "/sub/deep", "x");
        symlink((area / "outside").c_str(), (tree + "/link").c_str());
        symlink((area / "outside").c_str(), name(procGetTempName).c_str());
        std::string directory = name(procGetTempDirName);
        mkdir(directory.c_str(), 0700);
        writeFile(directory + "/file", "x");
        symlink((area / "outside2").c_str(), (directory + "/link").c_str());
        symlink((area / "outside2").c_str(), name(procGetTempDirName).c_str());
        exit(0);
    });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(area.entries(), (std::vector<std::string>{"outside", "outside2"}));
    EXPECT_EQ(fileText(area / "outside/precious"), "keep");
    EXPECT_EQ(fileText(area / "outside2/precious"), "keep");
}

TEST_F(TempNames, ATemporaryDirectoryThatCannotServeEndsInAFatalReport)
{
    const struct {
        const char *tmpdir;
        bool directory;
        unsigned lastCounter;   // the eleventh failure, or the first for a bad path
    } cases[] = {
        {"missing", false, 10}, {"missing", true, 10}, {"a?b", true, 0}, {"a*b", true, 0}, {"a\"b", true, 0},
    };
    for (auto c : cases) {
        mkdir((area / c.tmpdir).c_str(), 0700);   // even an existing one with such a name is refused
        if (std::string(c.tmpdir) == "missing") {
            rmdir((area / c.tmpdir).c_str());
        }
        auto run = inChild([&] {
            c.directory ? procGetTempDirName() : procGetTempName();
            printf("went on\n");
        }, area / c.tmpdir);
        EXPECT_EQ(run.exitCode, 1) << c.tmpdir;
        EXPECT_EQ(run.err, "fatal   : Could not open output file '" + baseFor(area / c.tmpdir, childPid, c.lastCounter) +
                               "'\n");
        EXPECT_EQ(run.out, "");
    }
}

// A fatal report that a recovery point catches leaves the caller as it was
// before the call: outside the global lock (another thread can take it)
// and in its own memory space.
TEST_F(TempNames, AFatalReportCaughtByARecoveryPointLeavesNothingHeld)
{
    auto run = inChild([] {
        stdMemSpace own = memspCreate("own", memspNativeMemSpace, 4096);
        stdMemSpace before = stdSwapMemSpace(own);
        jmp_buf recovery;
        stdGetThreadContext()->recoveryPoint = &recovery;
        if (setjmp(recovery) == 0) {
            procGetTempDirName();
            printf("went on\n");
        }
        stdGetThreadContext()->recoveryPoint = nullptr;
        printf("own space %d\n", stdSwapMemSpace(before) == own);
        std::thread other([] {
            stdGlobalEnter();
            stdGlobalExit();
        });
        other.join();
        printf("lock free\n");
        memspDelete(own, False);
        exit(0);
    }, area / "a?b");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "own space 1\nlock free\n");
    EXPECT_EQ(run.err, "fatal   : Could not open output file '" + baseFor(area / "a?b", childPid, 0) + "'\n");
}

TEST_F(TempNames, ConcurrentCallersGetDistinctNames)
{
    auto run = inChild([] {
        constexpr int threads = 4, each = 100;
        std::vector<std::string> names[threads];
        std::vector<std::thread> started;
        for (int i = 0; i < threads; i++) {
            started.emplace_back([&, i] {
                for (int n = 0; n < each; n++) {
                    String name = n % 5 == 0 ? procGetTempDirName() : procGetTempName();
                    names[i].push_back(name);
                    memspFree(name);
                }
            });
        }
        for (auto &t : started) t.join();
        std::set<std::string> distinct;
        for (auto &list : names) distinct.insert(list.begin(), list.end());
        printf("%zu\n", distinct.size());
        exit(0);
    });
    EXPECT_EQ(run.out, "400\n");
    EXPECT_TRUE(area.entries().empty());
}

TEST_F(TempNames, StreamsStillOpenAreClosedWhenTheTemporaryFilesGo)
{
    auto run = inChild([&] {
        FILE *kept = procFOPEN((area / "kept").c_str(), "w");
        FILE *closed = procFOPEN((area / "closed").c_str(), "w");
        printf("%d %d\n", procFOPEN((area / "no/such").c_str(), "r") == nullptr, procFCLOSE(closed));
        fputs("buffered", kept);
        int fd = fileno(kept);
        memspFree(procGetTempName());   // the clean-up of temporary files now runs at exit
        stdProcessCleanupHandlers();
        printf("%d %s\n", fcntl(fd, F_GETFD) == -1 && errno == EBADF, fileText(area / "kept").c_str());
        exit(0);
    });
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "1 0\n1 buffered\n");
}

}  // namespace
