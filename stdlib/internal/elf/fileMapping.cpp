/*
 * Mapped file images, and what keeps a lost page from killing the process.
 *
 * A private read-only mapping reads each page of the file when it is first
 * touched. When the file has shrunk since it was mapped, or the disk fails
 * to deliver a page, that touch raises SIGBUS. While any mapping is held, a
 * SIGBUS handler looks the faulting address up in the table of live
 * mappings. For a fault inside one, the handler only edits the interrupted
 * context, so that once it returns the faulting thread calls
 * reportLostPage() as if the reader had called it at the access: the fatal
 * message then runs outside the handler, on the ordinary path (recovery
 * point, terminators, exit handlers), and the reader never resumes. Every
 * other SIGBUS goes to the disposition that was in force before the first
 * mapping; that disposition is reinstalled when the last mapping goes.
 * SIGSEGV is never touched: a lost page of a file mapping is always SIGBUS.
 */
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "elfRange.h"
#include "fileReaderLocal.h"
#include "stdMessages.h"

namespace {

/* Where the interrupted context can be redirected; elsewhere nothing is mapped. */
#if defined(__linux__) && defined(__x86_64__)
constexpr bool canRecoverLostPages = true;
#else
constexpr bool canRecoverLostPages = false;
#endif

/*
 * One live mapping; every field is written with mappingLock held. The
 * signal handler reads start, end and path without the lock: start is
 * published last (release) and cleared first, so a handler that sees a
 * start sees the end and path that belong to it.
 */
struct Mapping {
    std::atomic<uintptr_t>    start{0};  /* 0 while the slot is free */
    std::atomic<uintptr_t>    end{0};    /* start + the mapped length in whole pages */
    /* A copy for the message, from the C library's heap: it must outlive
     * whatever memory space is current while the mapping is held. */
    std::atomic<const char *> path{nullptr};
    uInt64 size = 0;                     /* bytes of the file mapped */
    int    fd = -1;                      /* the file, open while mapped */
};

constexpr int maxMappings = 64;          /* beyond this, files are read instead */
Mapping mappings[maxMappings];

/* Guards claiming and releasing slots, liveMappings and previousBusAction. */
std::mutex mappingLock;
int liveMappings = 0;
/* Written by sigaction when the handler goes in; read by the handler. */
struct sigaction previousBusAction;

const char *lostPagePath(uintptr_t address)
{
    for (Mapping &mapping : mappings) {
        uintptr_t start = mapping.start.load(std::memory_order_acquire);
        if (start == 0 || address < start) {
            continue;
        }
        uintptr_t end = mapping.end.load(std::memory_order_acquire);
        const char *path = mapping.path.load(std::memory_order_acquire);
        /* a slot reused meanwhile by another thread does not count */
        if (address < end && mapping.start.load(std::memory_order_acquire) == start) {
            return path;
        }
    }
    return nullptr;
}

[[noreturn]] void reportLostPage(const char *path)
{
    msgReport(hostMsgFileReadFailed, path);
    stdABORT();  /* should the message be suppressed: the reader must not resume */
}

/*
 * Makes the interrupted thread call reportLostPage(path) on return from the
 * handler. The new frame starts inside the red zone of the abandoned reader
 * (the kernel put the signal frame below it), with the faulting address as
 * its return address so that a backtrace shows the reader.
 */
__attribute__((no_sanitize_address)) bool resumeInReport(void *context, const char *path)
{
#if defined(__linux__) && defined(__x86_64__)
    greg_t *regs = static_cast<ucontext_t *>(context)->uc_mcontext.gregs;
    uintptr_t sp = ((uintptr_t)regs[REG_RSP] - 64) & ~(uintptr_t)15;
    sp -= sizeof(uintptr_t);  /* as right after a call: sp + 8 is 16-aligned */
    *reinterpret_cast<uintptr_t *>(sp) = (uintptr_t)regs[REG_RIP];
    regs[REG_RSP] = (greg_t)sp;
    regs[REG_RDI] = (greg_t)(uintptr_t)path;
    regs[REG_RIP] = (greg_t)(uintptr_t)&reportLostPage;
    regs[REG_EFL] &= ~(greg_t)0x400;  /* functions start with the direction flag clear */
    return true;
#else
    (void)context;
    (void)path;
    return false;
#endif
}

/*
 * The codes of a bus error raised by the access that failed, so that
 * returning from the handler runs the access again: a page that could not
 * be read (the file shrank, the disk or the memory holding it failed), and
 * a misaligned access. Every other bus error (sent by kill or raise, or the
 * kernel's early warning of a memory error, BUS_MCEERR_AO) interrupted the
 * thread wherever it was, maybe inside malloc with its lock held: such a
 * thread must not be sent into a report.
 */
bool isUnreadablePage(const siginfo_t *info)
{
    switch (info->si_code) {
    case BUS_ADRERR:
    case BUS_OBJERR:
#ifdef BUS_MCEERR_AR
    case BUS_MCEERR_AR:
#endif
        return true;
    default:
        return false;
    }
}

bool raisedByTheAccess(const siginfo_t *info)
{
    return isUnreadablePage(info) || info->si_code == BUS_ADRALN;
}

/* A SIGBUS that is not ours gets what it would have got without us. */
void passOn(int signo, siginfo_t *info, void *context)
{
    const struct sigaction &previous = previousBusAction;
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signo, info, context);
        return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signo);
        return;
    }
    bool again = raisedByTheAccess(info);
    if (!again && previous.sa_handler == SIG_IGN) {
        return;
    }
    /* A fault runs its access again on return, now under the previous
     * disposition (the kernel does not let a fault be ignored); any other
     * bus error is raised again. */
    sigaction(signo, &previous, nullptr);
    if (!again) {
        raise(signo);
    }
}

void onBusError(int signo, siginfo_t *info, void *context)
{
    int savedErrno = errno;
    const char *path = isUnreadablePage(info) ? lostPagePath((uintptr_t)info->si_addr) : nullptr;
    if (path == nullptr || !resumeInReport(context, path)) {
        passOn(signo, info, context);
    }
    errno = savedErrno;
}

bool isOurHandler(const struct sigaction &action)
{
    return (action.sa_flags & SA_SIGINFO) != 0 && action.sa_sigaction == onBusError;
}

/* With mappingLock held, for a mapping about to be made. */
bool holdHandler()
{
    if (liveMappings > 0) {
        liveMappings++;
        return true;
    }
    struct sigaction ours;
    memset(&ours, 0, sizeof ours);
    ours.sa_sigaction = onBusError;
    ours.sa_flags = SA_SIGINFO | SA_ONSTACK;  /* on the alternate stack when there is one */
    sigemptyset(&ours.sa_mask);
    if (sigaction(SIGBUS, &ours, &previousBusAction) != 0) {
        return false;
    }
    liveMappings = 1;
    return true;
}

/* With mappingLock held, once a mapping is gone. A handler that someone
 * installed after ours is theirs to keep. */
void dropHandler()
{
    if (--liveMappings > 0) {
        return;
    }
    struct sigaction current;
    if (sigaction(SIGBUS, nullptr, &current) == 0 && isOurHandler(current)) {
        sigaction(SIGBUS, &previousBusAction, nullptr);
    }
}

/* With mappingLock held: the slot of the mapping that starts at data. */
Mapping *slotOf(const void *data)
{
    uintptr_t start = (uintptr_t)data;
    for (Mapping &mapping : mappings) {
        if (start != 0 && mapping.start.load(std::memory_order_relaxed) == start) {
            return &mapping;
        }
    }
    return nullptr;
}

Mapping *freeSlot()
{
    for (Mapping &mapping : mappings) {
        if (mapping.fd < 0) {
            return &mapping;
        }
    }
    return nullptr;
}

} // namespace

uInt8 *fileMapOpen(int fd, uInt64 size, cString path)
{
    if (!canRecoverLostPages || size == 0 || size > SIZE_MAX) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(mappingLock);
    Mapping *slot = freeSlot();
    if (slot == nullptr || !holdHandler()) {
        return nullptr;
    }
    void *image = mmap(nullptr, (size_t)size, PROT_READ, MAP_PRIVATE, fd, 0);
    char *name = image != MAP_FAILED ? strdup(path) : nullptr;
    if (name == nullptr) {
        if (image != MAP_FAILED) {
            munmap(image, (size_t)size);
        }
        dropHandler();
        return nullptr;
    }
    uintptr_t page = (uintptr_t)sysconf(_SC_PAGESIZE);
    slot->size = size;
    slot->fd = fd;
    slot->path.store(name, std::memory_order_relaxed);
    slot->end.store((uintptr_t)image + (((uintptr_t)size + page - 1) & ~(page - 1)),
                    std::memory_order_relaxed);
    slot->start.store((uintptr_t)image, std::memory_order_release);
    return static_cast<uInt8 *>(image);
}

Bool fileMapRelease(const uInt8 *data)
{
    std::lock_guard<std::mutex> hold(mappingLock);
    Mapping *slot = slotOf(data);
    if (slot == nullptr) {
        return False;
    }
    slot->start.store(0, std::memory_order_release);
    munmap(const_cast<uInt8 *>(data), (size_t)slot->size);
    close(slot->fd);
    free(const_cast<char *>(slot->path.exchange(nullptr)));
    slot->fd = -1;
    slot->size = 0;
    dropHandler();
    return True;
}

Bool file_info_maps(FileInfo info, cString path)
{
    std::lock_guard<std::mutex> hold(mappingLock);
    Mapping *slot = slotOf(info.data);
    struct stat mapped, named;
    return slot != nullptr && path != nullptr && fstat(slot->fd, &mapped) == 0 && stat(path, &named) == 0
           && mapped.st_dev == named.st_dev && mapped.st_ino == named.st_ino;
}

Bool file_info_intact(FileInfo info)
{
    std::lock_guard<std::mutex> hold(mappingLock);
    Mapping *slot = slotOf(info.data);
    if (slot == nullptr) {
        return True;
    }
    struct stat now;
    return fstat(slot->fd, &now) == 0 && (uInt64)now.st_size >= slot->size;
}

Bool file_info_read(FileInfo info, uInt64 offset, void *buffer, uInt64 size)
{
    if (info.data == NULL || !elfRangeInside(offset, size, info.size)) {
        return False;
    }
    if (size == 0) {
        return True;
    }
    int fd;
    {
        std::lock_guard<std::mutex> hold(mappingLock);
        Mapping *slot = slotOf(info.data);
        fd = slot != nullptr ? slot->fd : -1;
    }
    if (fd < 0) {
        memcpy(buffer, info.data + offset, (size_t)size);
        return True;
    }
    return fileReadAt(fd, offset, static_cast<uInt8 *>(buffer), size);
}
