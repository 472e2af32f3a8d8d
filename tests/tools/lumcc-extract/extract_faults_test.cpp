/*
 * Faults at every moment a run gives them: each allocation, write, close and
 * rename of a clean run failing in turn (a preloaded library fails the N-th
 * one), and signals at random moments of a long extraction. Whatever fails,
 * the run ends with status 0 and the right result or with one fatal line and
 * status 1, never by a signal, and an earlier output file is either kept
 * byte for byte or replaced whole; no temporary file stays behind.
 */
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

const std::string faultLibrary = LUM_FAULT_LIBRARY;
const std::string earlier = "earlier result";

std::string sample()
{
    return fixture("demo/sample.a");
}

/* One way of running the tool on the demo's sample program. */
struct Mode {
    const char *name;
    std::vector<std::string> args;   /* "-o out" is added when writesOutput */
    bool writesOutput;
};

/* A call the library can make fail, and the line the tool must then print. */
struct Fault {
    int kind;               /* index into the counts the library reports */
    const char *setting;
    int error;              /* errno of the failing call; 0 for allocations */
    bool outputOnly;        /* only runs that write an output file have these */
};

const Fault faults[] = {
    { 0, "LUM_FAULT_ALLOC", 0, false },
    { 1, "LUM_FAULT_WRITE", ENOSPC, true },
    { 1, "LUM_FAULT_WRITE", EIO, true },
    { 1, "LUM_FAULT_WRITE", EDQUOT, true },
    { 1, "LUM_FAULT_WRITE", EFBIG, true },
    { 2, "LUM_FAULT_CLOSE", EIO, true },
    { 2, "LUM_FAULT_CLOSE", ENOSPC, true },
    { 3, "LUM_FAULT_RENAME", EXDEV, true },
    { 3, "LUM_FAULT_RENAME", EIO, true },
};

class ExtractFaultSweep : public ::testing::TestWithParam<Mode> {
protected:
    ScratchDir scratch;

    void SetUp() override
    {
        if (faultLibrary.empty()) {
            GTEST_SKIP() << "no fault-injection library in a sanitizer build";
        }
    }

    std::vector<std::string> arguments() const
    {
        std::vector<std::string> args = GetParam().args;
        if (GetParam().writesOutput) {
            args.insert(args.end(), { "-o", "out" });
        }
        return args;
    }

    ToolRun run(std::vector<std::string> environment)
    {
        writeText(scratch.file("out"), earlier);
        RunSetup setup;
        environment.push_back("LD_PRELOAD=" + faultLibrary);
        setup.environment = environment;
        return runTool(arguments(), scratch.path(), setup);
    }

    /* allocations, writes, closes and renames of a clean run */
    std::vector<long> cleanCounts()
    {
        std::string countFile = scratch.path() + "/../" + "counts-" + std::to_string(getpid());
        unlink(countFile.c_str());
        ToolRun r = run({ "LUM_FAULT_COUNT=" + countFile });
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<long> counts(4, 0);
        std::ifstream in(countFile);
        for (long &count : counts) {
            in >> count;
        }
        EXPECT_TRUE(in) << "no counts from the fault-injection library";
        unlink(countFile.c_str());
        return counts;
    }
};

TEST_P(ExtractFaultSweep, EveryFailingCallEndsInOneFatalLineOrTheRightResult)
{
    ToolRun clean = run({});
    ASSERT_EQ(clean.status, 0) << clean.err;
    const std::string result = GetParam().writesOutput ? readBytes(scratch.file("out")) : clean.out;
    const std::vector<long> counts = cleanCounts();
    ASSERT_GT(counts[0], 0);
    if (GetParam().writesOutput) {
        ASSERT_GT(counts[1], 0);
        ASSERT_GT(counts[2], 0);
        ASSERT_EQ(counts[3], 1);
    }

    const std::string memoryLine = "fatal   : Memory allocation failure\n";
    const std::string writeLine = diag("fatal", "Cannot write output file : 'out'");
    for (const Fault &fault : faults) {
        if (fault.outputOnly && !GetParam().writesOutput) {
            continue;
        }
        int failedRuns = 0;
        for (long n = 1; n <= counts[fault.kind]; n++) {
            std::vector<std::string> environment = { std::string(fault.setting) + "=" + std::to_string(n) };
            if (fault.error != 0) {
                environment.push_back("LUM_FAULT_ERRNO=" + std::to_string(fault.error));
            }
            ToolRun r = run(environment);
            const std::string where = std::string(fault.setting) + "=" + std::to_string(n) + " errno "
                                      + std::to_string(fault.error) + ": " + r.err;
            ASSERT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << " at " << where;
            EXPECT_EQ(scratch.entries(), std::vector<std::string>{ "out" }) << where;
            if (r.status == 0) {
                EXPECT_EQ(GetParam().writesOutput ? readBytes(scratch.file("out")) : r.out, result) << where;
                continue;
            }
            failedRuns++;
            if (fault.error == 0) {
                /* before main has named the tool, the line has no name */
                EXPECT_TRUE(r.err == "lumcc-extract " + memoryLine || r.err == memoryLine) << where;
            } else {
                EXPECT_EQ(r.err, writeLine) << where;
            }
            if (GetParam().writesOutput) {
                EXPECT_EQ(readBytes(scratch.file("out")), earlier) << where;
            }
        }
        EXPECT_GT(failedRuns, 0) << fault.setting << ": no injected failure was noticed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ExtractFaultSweep,
    ::testing::Values(Mode{ "info", { "--info", sample() }, false },
                      Mode{ "extract", { "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", sample() }, true },
                      Mode{ "attributes",
                            { "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", "--lum-proc-attr", sample() },
                            true }),
    [](const ::testing::TestParamInfo<Mode> &info) { return std::string(info.param.name); });

/* ------------------------------------------------ a long extraction, disturbed */

class ExtractInterrupted : public ::testing::Test {
protected:
    ScratchDir inputs;
    ScratchDir outputs;

    void SetUp() override
    {
        if (faultLibrary.empty()) {
            GTEST_SKIP() << "sanitizer builds leave the long runs out";
        }
    }

    /* A program whose app "big" holds an entry of mib MiB (also written to
     * big.entry), and app "filler" another of the same size. */
    void makeProgram(int mib)
    {
        std::string command = "python3 " LUM_SOURCE_DIR "/bench/extract_bench_gen.py " + inputs.path() + " "
                              + std::to_string(mib) + " 0 > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    std::vector<std::string> extracting(const std::string &app) const
    {
        return { "--app-name", app, "-o", "out", inputs.file("big.exe") };
    }

    /* Whether the output is exactly one of the given contents (the size is
     * looked at first: the entries are large). */
    bool outputIsOneOf(const std::vector<const std::string *> &contents)
    {
        struct stat now;
        if (stat(outputs.file("out").c_str(), &now) != 0) {
            return false;
        }
        for (const std::string *content : contents) {
            if ((size_t)now.st_size == content->size() && readBytes(outputs.file("out")) == *content) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(ExtractInterrupted, AKilledExtractionLeavesTheOldOutputOrTheWholeNewOne)
{
    makeProgram(256);
    const std::string entry = readBytes(inputs.file("big.entry"));
    auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(runTool(extracting("big"), outputs.path()).status, 0);
    auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
    ASSERT_TRUE(outputIsOneOf({ &entry }));

    const unsigned seed = (unsigned)time(nullptr);
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, took.count() * 5 / 4);
    for (int signal : { SIGKILL, SIGTERM }) {
        int interrupted = 0;
        for (int round = 0; round < 15; round++) {
            writeText(outputs.file("out"), earlier);
            long delay = moment(random);
            RunSetup setup;
            setup.withProcess = [&](int pid) {
                std::this_thread::sleep_for(std::chrono::microseconds(delay));
                kill(pid, signal);
            };
            ToolRun r = runTool(extracting("big"), outputs.path(), setup);
            const std::string where = "signal " + std::to_string(signal) + " after " + std::to_string(delay)
                                      + " us (seed " + std::to_string(seed) + ")";
            ASSERT_TRUE(r.status == 0 || r.status == 1000 + signal) << r.status << " " << where << ": " << r.err;
            interrupted += r.status != 0;
            const std::string old = earlier;
            EXPECT_TRUE(outputIsOneOf({ &old, &entry })) << where;
            std::vector<std::string> left = outputs.entries();
            if (signal == SIGKILL && left.size() == 2 && left[1].rfind("out.tmp-", 0) == 0) {
                unlink(outputs.file(left[1]).c_str()); /* all that a kill may leave */
                left.pop_back();
            }
            EXPECT_EQ(left, std::vector<std::string>{ "out" }) << where;
        }
        EXPECT_GT(interrupted, 0) << "signal " << signal << " always came too late";
    }
}

TEST_F(ExtractInterrupted, TwoRunsWritingOneOutputLeaveOneWholeResult)
{
    makeProgram(64);
    const std::string big = readBytes(inputs.file("big.entry"));
    ASSERT_EQ(runTool(extracting("filler"), outputs.path()).status, 0);
    const std::string filler = readBytes(outputs.file("out"));
    ASSERT_EQ(filler.size(), big.size());

    for (int round = 0; round < 3; round++) {
        writeText(outputs.file("out"), earlier);
        int second = 0;
        RunSetup setup;
        setup.withProcess = [&](int) { second = runTool(extracting("filler"), outputs.path()).status; };
        ToolRun first = runTool(extracting("big"), outputs.path(), setup);
        EXPECT_EQ(first.status, 0) << first.err;
        EXPECT_EQ(second, 0);
        EXPECT_TRUE(outputIsOneOf({ &big, &filler })) << "round " << round;
        EXPECT_EQ(outputs.entries(), std::vector<std::string>{ "out" });
    }
}

} // namespace
