/*
 * Allocation failures anywhere in the support layer: each family of
 * operations is run by a driver program with the fault-injection library
 * preloaded, failing each of its allocations in turn (those before main
 * too). Every run must succeed, or end with the one fatal line "Memory
 * allocation failure" and status 1: never an assertion, never a signal.
 */
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "childProcess.h"

namespace {

const std::string faultLibrary = LUM_FAULT_LIBRARY;

struct DriverRun {
    int status = -1, signal = 0;
    std::string out, err;
};

/* The driver next to this test program, run with the extra environment. */
DriverRun runDriver(const std::string &family, const std::vector<std::string> &settings)
{
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string exe = std::string(self, length > 0 ? length : 0);
    std::string driver = exe.substr(0, exe.rfind('/') + 1) + "lum_alloc_driver";
    FILE *out = tmpfile(), *err = tmpfile();
    pid_t child = fork();
    if (child == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        std::vector<std::string> environment = settings;
        environment.push_back("LD_PRELOAD=" + faultLibrary);
        std::vector<char *> envp, argv = { (char *)driver.c_str(), (char *)family.c_str(), nullptr };
        for (std::string &setting : environment) envp.push_back((char *)setting.c_str());
        envp.push_back(nullptr);
        execve(driver.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    DriverRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.out = testsupport::readAll(out);
    run.err = testsupport::readAll(err);
    fclose(out);
    fclose(err);
    return run;
}

class AllocationFailures : public ::testing::TestWithParam<const char *> {};

TEST_P(AllocationFailures, EveryFailingAllocationEndsInTheFatalLineOrSuccess)
{
    if (faultLibrary.empty()) GTEST_SKIP() << "no fault-injection library in a sanitizer build";
    const std::string family = GetParam();
    std::string countFile = testing::TempDir() + "alloc-counts-" + std::to_string(getpid());
    unlink(countFile.c_str());
    DriverRun clean = runDriver(family, { "LUM_FAULT_COUNT=" + countFile });
    ASSERT_EQ(clean.status, 0) << clean.err;
    ASSERT_EQ(clean.out, "done\n");
    long allocations = 0;
    std::ifstream(countFile) >> allocations;
    unlink(countFile.c_str());
    ASSERT_GT(allocations, 0);

    const std::string fatalLine = "fatal   : Memory allocation failure\n";
    long failed = 0;
    for (long n = 1; n <= allocations; n++) {
        DriverRun run = runDriver(family, { "LUM_FAULT_ALLOC=" + std::to_string(n) });
        const std::string where = family + ", allocation " + std::to_string(n) + ": " + run.err;
        ASSERT_EQ(run.signal, 0) << where;
        ASSERT_TRUE(run.status == 0 || run.status == 1) << "status " << run.status << " at " << where;
        if (run.status == 0) {
            EXPECT_EQ(run.out, "done\n") << where;
            continue;
        }
        failed++;   /* at exit too, after "done": a clean-up handler may allocate */
        ASSERT_GE(run.err.size(), fatalLine.size()) << where;
        EXPECT_EQ(run.err.substr(run.err.size() - fatalLine.size()), fatalLine) << where;
        EXPECT_EQ(run.err.find("Assertion"), std::string::npos) << where;
    }
    printf("%s: %ld allocations swept, %ld ended in the fatal line\n", family.c_str(), allocations, failed);
    EXPECT_GT(failed, 0) << "no failure was noticed";
}

INSTANTIATE_TEST_SUITE_P(Families, AllocationFailures,
                         ::testing::Values("pages", "valve", "collections", "options", "messages",
                                           "threads", "process"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

}  // namespace
