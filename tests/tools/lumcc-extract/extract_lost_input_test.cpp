/*
 * An input that loses bytes while the tool uses it (another program
 * truncates it): the run fails with the read failure, status 1, and leaves
 * no output behind. The tool is held at a known point while the input
 * shrinks: opening the output waits on a lease the test holds (an output
 * with a second hard link is written in place, so it is opened), or writing
 * the listing waits on a full pipe.
 */
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

const off_t page = (off_t)sysconf(_SC_PAGESIZE);

/* SIGIO, which tells a lease holder that someone opens its file, is taken
 * with sigtimedwait while a test runs. */
class BlockedLeaseSignal {
public:
    BlockedLeaseSignal()
    {
        sigemptyset(&set_);
        sigaddset(&set_, SIGIO);
        sigprocmask(SIG_BLOCK, &set_, &saved_);
    }
    ~BlockedLeaseSignal()
    {
        struct timespec none = { 0, 0 };
        while (sigtimedwait(&set_, nullptr, &none) > 0) {
        }
        sigprocmask(SIG_SETMASK, &saved_, nullptr);
    }
    bool wait(int seconds)
    {
        struct timespec limit = { seconds, 0 };
        return sigtimedwait(&set_, nullptr, &limit) == SIGIO;
    }

private:
    sigset_t set_, saved_;
};

class ExtractLostInput : public ::testing::Test {
protected:
    ScratchDir scratch;
};

/* The entry is read from the input and written once the open of the output
 * has waited on the test's lease; meanwhile the input was cut: before the
 * entry (nothing can be read), inside it (part is written, then the rest
 * cannot be read) or by one byte past it (the entry is whole, but the file
 * shrank under what the run read). */
TEST_F(ExtractLostInput, OutputOfAnInputCutWhileWritingIsRemoved)
{
    const std::string program = readBytes(fixture("large.exe"));
    const std::string entry = readBytes(fixture("dev_large_gw3.elf"));
    const off_t entryAt = (off_t)program.find(entry);
    ASSERT_NE(program.find(entry), std::string::npos);
    ASSERT_GT(entry.size(), (size_t)(64 * page));
    /* three quarters of the entry stay: part of it is written before the loss */
    const off_t insideEntry = (entryAt + (off_t)entry.size() * 3 / 4) / page * page;

    struct Cut {
        const char *what;
        off_t size;   /* negative: not cut */
    } cuts[] = {
        { "not cut", -1 },
        { "cut to nothing", 0 },
        { "cut inside the entry", insideEntry },
        { "cut by its last byte", (off_t)program.size() - 1 },
    };
    for (const Cut &cut : cuts) {
        writeText(scratch.file("in.exe"), program);
        writeText(scratch.file("out"), "");
        unlink(scratch.file("out.link").c_str());
        ASSERT_EQ(link(scratch.file("out").c_str(), scratch.file("out.link").c_str()), 0);
        BlockedLeaseSignal signal;
        int leased = open(scratch.file("out").c_str(), O_RDONLY);
        ASSERT_GE(leased, 0);
        if (fcntl(leased, F_SETLEASE, F_RDLCK) != 0) {
            close(leased);
            GTEST_SKIP() << "file leases are not available here";
        }
        bool opened = false;
        RunSetup setup;
        setup.whileRunning = [&] {
            opened = signal.wait(30);
            if (opened && cut.size >= 0) {
                EXPECT_EQ(truncate(scratch.file("in.exe").c_str(), cut.size), 0);
            }
            fcntl(leased, F_SETLEASE, F_UNLCK);
        };
        ToolRun r = runTool({ "--app-name", "large", "-o", "out", "in.exe" }, scratch.path(), setup);
        close(leased);
        EXPECT_TRUE(opened) << cut.what << ": the tool never opened its output: " << r.err;
        if (cut.size < 0) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(readBytes(scratch.file("out")), entry);
            continue;
        }
        EXPECT_EQ(r.status, 1) << cut.what;
        EXPECT_EQ(r.err, diag("fatal", "Could not read file 'in.exe'")) << cut.what;
        EXPECT_FALSE(pathExists(scratch.file("out"))) << cut.what << ": the partial output stays";
    }
}

/* The listing waits on a full one-page pipe while the input is cut; once
 * the pipe is widened it ends with the read failure instead of success. */
TEST_F(ExtractLostInput, ListingOfAnInputCutMeanwhileFails)
{
    const std::string program = readBytes(fixture("many_apps.exe"));
    writeText(scratch.file("in.exe"), program);
    const std::string pipePath = scratch.file("listing");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    int reader = open(pipePath.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(fcntl(reader, F_SETPIPE_SZ, (int)page), 0);

    bool full = false;
    RunSetup setup;
    setup.stdoutPath = pipePath;
    setup.whileRunning = [&] {
        for (int waited = 0; waited < 30000 && !full; waited++) {
            int queued = 0;
            full = ioctl(reader, FIONREAD, &queued) == 0 && queued >= page;
            if (!full) {
                usleep(1000);
            }
        }
        if (full) {
            EXPECT_EQ(truncate(scratch.file("in.exe").c_str(), (off_t)program.size() / 2), 0);
        }
        /* room for the rest of the listing, which is far below a MiB */
        fcntl(reader, F_SETPIPE_SZ, 1 << 20);
    };
    ToolRun r = runTool({ "--info", "in.exe" }, scratch.path(), setup);
    close(reader);
    EXPECT_TRUE(full) << "the listing never filled the pipe";
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Could not read file 'in.exe'"));
}

} // namespace
