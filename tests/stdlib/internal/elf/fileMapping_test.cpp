/*
 * Mapped file images: which files are mapped, what the image is told about
 * its file, and what becomes of a page that the file loses while mapped.
 */
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "childProcess.h"
#include "elf_test_helpers.h"
#include "arReader.h"
#include "fatBinary.h"
#include "fileReader.h"
#include "stdThreads.h"

using namespace lumtest;
using ::testing::HasSubstr;
using testsupport::ChildRun;
using testsupport::runChild;

namespace {

const size_t page = (size_t)sysconf(_SC_PAGESIZE);

/* The file that the mapping holding address maps, "" when none does. */
std::string mappedFile(const void *address)
{
    std::ifstream maps("/proc/self/maps");
    uintptr_t at = (uintptr_t)address;
    for (std::string line; std::getline(maps, line);) {
        uintptr_t start = 0, end = 0;
        if (sscanf(line.c_str(), "%lx-%lx", &start, &end) == 2 && at >= start && at < end) {
            size_t path = line.find('/');
            return path == std::string::npos ? "" : line.substr(path);
        }
    }
    return "";
}

/* Resident KiB of the mapping that starts at address, -1 when there is none. */
long residentKiB(const void *address)
{
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        uintptr_t start = 0, end = 0;
        if (sscanf(line.c_str(), "%lx-%lx ", &start, &end) == 2 && line.find(':') > line.find(' ')) {
            inside = start == (uintptr_t)address;
        } else if (inside && line.rfind("Rss:", 0) == 0) {
            return atol(line.c_str() + 4);
        }
    }
    return -1;
}

int openDescriptors()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr) {
        count++;
    }
    if (dir != nullptr) {
        closedir(dir);
    }
    return count;
}

std::string realPath(const std::string &path)
{
    char *resolved = realpath(path.c_str(), nullptr);
    std::string result = resolved != nullptr ? resolved : "";
    free(resolved);
    return result;
}

struct sigaction busAction()
{
    struct sigaction current;
    sigaction(SIGBUS, nullptr, &current);
    return current;
}

bool isHandler(const struct sigaction &action, void (*handler)(int, siginfo_t *, void *))
{
    return (action.sa_flags & SA_SIGINFO) != 0 && action.sa_sigaction == handler;
}

void earlierHandler(int, siginfo_t *, void *)
{
    static const char text[] = "earlier handler\n";
    (void)!write(2, text, sizeof text - 1);
    _exit(42);
}

void otherHandler(int, siginfo_t *, void *) {}

void installBusHandler(void (*handler)(int, siginfo_t *, void *))
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

/* The disposition a test changed comes back at its end. */
class SavedBusAction {
public:
    SavedBusAction() { sigaction(SIGBUS, nullptr, &saved_); }
    ~SavedBusAction() { sigaction(SIGBUS, &saved_, nullptr); }
private:
    struct sigaction saved_;
};

/* Where a copy goes that the compiler may not leave out. */
char copySink[2 * 4096];

Bytes pages(size_t count)
{
    return Bytes(count * page, 0x5a);
}

void shrink(const std::string &path, off_t size)
{
    ASSERT_EQ(truncate(path.c_str(), size), 0);
}

/* A fault that no image of read_file holds: a page of a mapping of its own. */
void faultOutsideAnyImage(const std::string &path)
{
    int fd = open(path.c_str(), O_RDONLY);
    void *own = mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (own == MAP_FAILED || truncate(path.c_str(), 0) != 0) {
        _exit(90);
    }
    (void)*(volatile const uInt8 *)((const uInt8 *)own + page);
}

/* Sends this thread a SIGBUS that looks as the kernel's own: code and
 * address as given (a process may do so to itself). */
void sendBusError(int code, const void *address)
{
    siginfo_t info;
    memset(&info, 0, sizeof info);
    info.si_signo = SIGBUS;
    info.si_code = code;
    info.si_addr = const_cast<void *>(address);
    if (syscall(SYS_rt_tgsigqueueinfo, getpid(), gettid(), SIGBUS, &info) != 0) {
        _exit(91);
    }
}

/* Under the sanitizers their own handler reports a crash and exits. */
bool crashedAsBefore(const ChildRun &run, int signal)
{
    if (run.err.find("Could not read file") != std::string::npos) {
        return false;
    }
#if defined(__SANITIZE_ADDRESS__)
    (void)signal;
    return run.exitCode != 0;
#else
    return run.signal == signal;
#endif
}

} // namespace

/* ------------------------------------------------------------ what is mapped */

TEST(FileMapping, RegularFilesAreMappedAndEverythingElseRead)
{
    ScratchFile file(pages(3));
    ScratchFile empty(Bytes{});
    struct Case {
        const char *what;
        std::string path;
        Bool terminator;
        bool mapped;
    } cases[] = {
        { "a regular file", file.path(), False, true },
        { "a regular file with a terminator", file.path(), True, false },
        { "an empty file", empty.path(), False, false },
        { "a device", "/dev/null", False, false },
    };
    for (const Case &c : cases) {
        int descriptors = openDescriptors();
        FileInfo info = read_file(c.path.c_str(), c.terminator);
        Bytes expected = c.path == "/dev/null" ? Bytes{} : readBytes(c.path);
        if (c.terminator) {
            expected.push_back(0);
        }
        ASSERT_EQ(info.size, expected.size()) << c.what;
        EXPECT_EQ(Bytes(info.data, info.data + info.size), expected) << c.what;
        EXPECT_EQ(mappedFile(info.data), c.mapped ? realPath(c.path) : "") << c.what;
        EXPECT_EQ(openDescriptors(), descriptors + (c.mapped ? 1 : 0)) << c.what;
        free_file_info(info);
        EXPECT_EQ(openDescriptors(), descriptors) << c.what << ": the file is closed with the image";
        if (c.mapped) {
            EXPECT_EQ(mappedFile(info.data), "") << c.what << ": unmapped";
        }
    }
}

/* The handler is ours only while some image is mapped, and a handler that
 * someone installed meanwhile is left to them. */
TEST(FileMapping, BusErrorHandlerIsHeldOnlyWhileAnImageIsMapped)
{
    SavedBusAction restore;
    ScratchFile file(pages(1));
    installBusHandler(earlierHandler);

    FileInfo terminated = read_file(file.path().c_str(), True);
    EXPECT_TRUE(isHandler(busAction(), earlierHandler)) << "nothing mapped, nothing changed";
    FileInfo first = read_file(file.path().c_str(), False);
    FileInfo second = read_file(file.path().c_str(), False);
    EXPECT_FALSE(isHandler(busAction(), earlierHandler));
    free_file_info(first);
    EXPECT_FALSE(isHandler(busAction(), earlierHandler)) << "one image is still mapped";
    free_file_info(second);
    EXPECT_TRUE(isHandler(busAction(), earlierHandler));
    free_file_info(terminated);

    FileInfo again = read_file(file.path().c_str(), False);
    installBusHandler(otherHandler);
    free_file_info(again);
    EXPECT_TRUE(isHandler(busAction(), otherHandler));
}

/* ---------------------------------------------------------------- lost pages */

/* Whoever touches a page the file has lost, the run ends with the read
 * failure naming the file, status 1: a plain load, the C library copying
 * (a memory stream's read), the ELF and archive readers. */
TEST(FileMapping, LostPageEndsTheRunWithTheReadFailure)
{
    struct Case {
        const char *what;
        std::string source;
        off_t cut;
        std::function<void(const FileInfo &)> touch;
    } cases[] = {
        { "a load", "", (off_t)page,
          [](const FileInfo &info) { (void)*(volatile const uInt8 *)(info.data + 2 * page); } },
        { "the C library's memcpy", "", 0,
          [](const FileInfo &info) {
              memcpy(copySink, info.data, sizeof copySink);
              asm volatile("" : : "r"(copySink) : "memory");
          } },
        { "the ELF reader on a memory stream", fixture("fat/two_apps.exe"), 64,
          [](const FileInfo &info) {
              FILE *stream = fmemopen(info.data, info.size, "r");
              uInt64 count = 0;
              getAppList(stream, &count);
          } },
        { "the archive walk", fixture("ar/one.a"), 0,
          [](const FileInfo &info) { (void)is_archive(info.data, info.size); } },
    };
    for (const Case &c : cases) {
        ScratchFile file(c.source.empty() ? pages(3) : readBytes(c.source));
        ChildRun run = runChild([&] {
            FileInfo info = read_file(file.path().c_str(), False);
            if (truncate(file.path().c_str(), c.cut) != 0) {
                _exit(90);
            }
            c.touch(info);
            _exit(0);  /* not reached */
        });
        EXPECT_EQ(run.exitCode, 1) << c.what << ": " << run.err;
        EXPECT_THAT(run.err, HasSubstr("fatal   : Could not read file '" + file.path() + "'\n")) << c.what;
    }
}

/* The report takes the ordinary fatal path: a recovery point gets it, and
 * the reader that faulted never resumes. */
TEST(FileMapping, LostPageReachesTheRecoveryPoint)
{
    ScratchFile file(pages(2));
    FileInfo info = read_file(file.path().c_str(), False);
    shrink(file.path(), 0);

    stdThread thread = stdGetThreadContext();
    jmp_buf *savedPoint = thread->recoveryPoint;
    Bool savedWarning = thread->warningFlag, savedError = thread->errorFlag;
    static jmp_buf recovery;
    static volatile bool resumed;
    resumed = false;
    thread->recoveryPoint = &recovery;
    if (setjmp(recovery) == 0) {
        (void)*(volatile const uInt8 *)(info.data + page);
        resumed = true;
    }
    thread->recoveryPoint = savedPoint;
    EXPECT_FALSE(resumed);
    EXPECT_EQ(thread->lastFatalMessage, hostMsgFileReadFailed);
    thread->warningFlag = savedWarning;
    thread->errorFlag = savedError;
    free_file_info(info);
}

/* Only a fault inside an image is ours; every other bus error or
 * segmentation fault ends as it would have without any image. */
TEST(FileMapping, OtherFaultsCrashAsBefore)
{
    ScratchFile file(pages(2));
    ScratchFile other(pages(2));
    auto withImage = [&](const std::function<void()> &body) {
        return runChild([&] {
            FileInfo info = read_file(file.path().c_str(), False);
            (void)*(volatile const uInt8 *)info.data;
            body();
            _exit(0);
        });
    };

    EXPECT_TRUE(crashedAsBefore(withImage([] { raise(SIGBUS); }), SIGBUS)) << "a sent SIGBUS";
    /* The kernel's early warning of a memory error in a page of the image
     * comes whenever the thread happens to run, maybe inside malloc: the
     * thread must not be sent into a report from there. */
    EXPECT_TRUE(crashedAsBefore(runChild([&] {
                                    FileInfo info = read_file(file.path().c_str(), False);
                                    sendBusError(BUS_MCEERR_AO, info.data);
                                    _exit(0);
                                }),
                                SIGBUS))
        << "an asynchronous memory error inside an image";
    ChildRun sentLoss = runChild([&] {
        FileInfo info = read_file(file.path().c_str(), False);
        sendBusError(BUS_MCEERR_AR, info.data);
        _exit(0);
    });
    EXPECT_EQ(sentLoss.exitCode, 1) << "a memory error at the access is a lost page";
    EXPECT_THAT(sentLoss.err, HasSubstr("Could not read file '" + file.path() + "'"));
    EXPECT_TRUE(crashedAsBefore(withImage([&] { faultOutsideAnyImage(other.path()); }), SIGBUS))
        << "a lost page of a mapping of its own";
    EXPECT_TRUE(crashedAsBefore(withImage([] {
                                    void *none = mmap(nullptr, page, PROT_NONE,
                                                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
                                    (void)*(volatile const uInt8 *)none;
                                }),
                                SIGSEGV))
        << "a segmentation fault";

    /* An earlier handler still gets the faults that are not ours, and only those. */
    ChildRun passed = runChild([&] {
        installBusHandler(earlierHandler);
        FileInfo info = read_file(file.path().c_str(), False);
        (void)info;
        faultOutsideAnyImage(other.path());
    });
    EXPECT_EQ(passed.exitCode, 42);
    EXPECT_EQ(passed.err, "earlier handler\n");

    ChildRun ours = runChild([&] {
        installBusHandler(earlierHandler);
        FileInfo info = read_file(file.path().c_str(), False);
        if (truncate(file.path().c_str(), 0) != 0) {
            _exit(90);
        }
        (void)*(volatile const uInt8 *)(info.data + page);
    });
    EXPECT_EQ(ours.exitCode, 1);
    EXPECT_THAT(ours.err, HasSubstr("Could not read file '" + file.path() + "'"));
}

/* ------------------------------------------------------- what the image tells */

TEST(FileMapping, ImageTellsWhetherItsFileStillHoldsItAndWhichFileItIs)
{
    ScratchFile file(pages(2));
    ScratchFile copy(readBytes(file.path()));
    std::string hardLink = file.path() + ".hard", symLink = file.path() + ".sym";
    ASSERT_EQ(link(file.path().c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(symlink(file.path().c_str(), symLink.c_str()), 0);

    FileInfo mapped = read_file(file.path().c_str(), False);
    FileInfo read = read_file(file.path().c_str(), True);
    struct {
        const char *path;
        bool maps;
    } names[] = {
        { file.path().c_str(), true }, { hardLink.c_str(), true }, { symLink.c_str(), true },
        { copy.path().c_str(), false }, { "/nonexistent/lum-input", false },
    };
    for (const auto &name : names) {
        EXPECT_EQ(file_info_maps(mapped, name.path), name.maps) << name.path;
        EXPECT_FALSE(file_info_maps(read, name.path)) << name.path << ": a read image maps nothing";
    }

    EXPECT_TRUE(file_info_intact(mapped));
    std::ofstream(file.path(), std::ios::app) << "grown";
    EXPECT_TRUE(file_info_intact(mapped)) << "a file that grew still holds every mapped byte";
    shrink(file.path(), (off_t)(2 * page - 1));
    EXPECT_FALSE(file_info_intact(mapped)) << "one byte lost";
    EXPECT_TRUE(file_info_intact(read)) << "a read image is its own copy";

    free_file_info(mapped);
    free_file_info(read);
    unlink(hardLink.c_str());
    unlink(symLink.c_str());
}

/* Ranges are read from the file, so they map nothing in; what the file no
 * longer holds, or what lies outside the image, is refused. */
TEST(FileMapping, RangesAreReadFromTheFileWithoutMappingItsPages)
{
    Bytes contents = pages(4);
    for (size_t i = 0; i < contents.size(); i++) {
        contents[i] = (uint8_t)(i * 7);
    }
    ScratchFile file(contents);
    FileInfo mapped = read_file(file.path().c_str(), False);
    FileInfo read = read_file(file.path().c_str(), True);
    ASSERT_EQ(residentKiB(mapped.data), 0);

    struct Range {
        uInt64 offset, size;
        bool inside;
    } ranges[] = {
        { 0, 4 * page, true }, { page - 3, 2 * page + 5, true }, { 4 * page, 0, true },
        { 4 * page, 2, false }, { 1, UINT64_MAX, false }, { UINT64_MAX, 1, false },
    };
    Bytes buffer(4 * page + 8);
    for (const Range &range : ranges) {
        for (FileInfo image : { mapped, read }) {
            std::fill(buffer.begin(), buffer.end(), 0xee);
            bool got = file_info_read(image, range.offset, buffer.data(), range.size);
            EXPECT_EQ(got, range.inside) << range.offset << "+" << range.size;
            if (got) {
                EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + range.size,
                                       contents.begin() + range.offset));
            }
        }
    }
    EXPECT_EQ(residentKiB(mapped.data), 0) << "reading ranges mapped pages in";

    shrink(file.path(), (off_t)(2 * page));
    EXPECT_TRUE(file_info_read(mapped, page, buffer.data(), page)) << "still in the file";
    EXPECT_FALSE(file_info_read(mapped, page, buffer.data(), 2 * page)) << "cut off";
    EXPECT_TRUE(file_info_read(read, page, buffer.data(), 2 * page)) << "a read image is its own copy";
    free_file_info(mapped);
    free_file_info(read);
}
