/*
 * A library preloaded into a program under test (LD_PRELOAD) that makes one
 * chosen call fail, so that tests can show what the program does when memory
 * or the disk runs out at any moment, not only at the moments a test can
 * arrange by other means.
 *
 * Settings, read from the environment when the first call is counted:
 *   LUM_FAULT_ALLOC=N    the N-th allocation (malloc, calloc, realloc,
 *                        posix_memalign, aligned_alloc, memalign, every
 *                        operator new) answers null, or runs the new-handler
 *                        and throws as a failing operator new does
 *   LUM_FAULT_WRITE=N    the N-th write or pwrite fails with LUM_FAULT_ERRNO
 *   LUM_FAULT_CLOSE=N    the N-th close closes the descriptor, then fails
 *   LUM_FAULT_RENAME=N   the N-th rename fails without renaming
 *   LUM_FAULT_ERRNO=E    the errno of a failing write, close or rename
 *                        (a number; ENOSPC when unset)
 *   LUM_FAULT_COUNT=PATH at exit, "allocations writes closes renames\n" of
 *                        this process is appended to PATH
 * Counting starts with the process, so allocations made before main count.
 * Only calls that go through the dynamic symbols count: the C library's own
 * internal writes (stdio's, for example) do not.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *block, size_t size);
extern void *__libc_memalign(size_t alignment, size_t size);

enum { countAllocations, countWrites, countCloses, countRenames, countKinds };

static const char *const settingNames[countKinds] = {
    "LUM_FAULT_ALLOC", "LUM_FAULT_WRITE", "LUM_FAULT_CLOSE", "LUM_FAULT_RENAME"
};

static atomic_long counts[countKinds];
static long        failAt[countKinds];
static int         failErrno = ENOSPC;
static atomic_int  settled;   /* 0: not read, 1: being read, 2: read */

/* getenv allocates nothing, so the settings can be read from inside malloc. */
static long numberSetting(const char *name)
{
    const char *text = getenv(name);
    return text != NULL ? strtol(text, NULL, 10) : 0;
}

static void settle(void)
{
    int expected = 0;
    if (atomic_load(&settled) == 2 || !atomic_compare_exchange_strong(&settled, &expected, 1)) {
        return;
    }
    for (int kind = 0; kind < countKinds; kind++) {
        failAt[kind] = numberSetting(settingNames[kind]);
    }
    long code = numberSetting("LUM_FAULT_ERRNO");
    if (code > 0) {
        failErrno = (int)code;
    }
    atomic_store(&settled, 2);
}

/* Counts one call of the kind; true when this is the one to fail. */
static int failsNow(int kind)
{
    settle();
    long number = atomic_fetch_add(&counts[kind], 1) + 1;
    return atomic_load(&settled) == 2 && failAt[kind] != 0 && number == failAt[kind];
}

static void writeCounts(void)
{
    const char *path = getenv("LUM_FAULT_COUNT");
    if (path == NULL) {
        return;
    }
    char line[128];
    int length = snprintf(line, sizeof line, "%ld %ld %ld %ld\n", atomic_load(&counts[countAllocations]),
                          atomic_load(&counts[countWrites]), atomic_load(&counts[countCloses]),
                          atomic_load(&counts[countRenames]));
    int fd = (int)syscall(SYS_open, path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
        (void)syscall(SYS_write, fd, line, (size_t)length);
        (void)syscall(SYS_close, fd);
    }
}

/* Runs after every ordinary exit path, those of the program's own
 * destructors included, so the counts are the whole run's. */
__attribute__((destructor(101))) static void reportCounts(void)
{
    writeCounts();
}

/* ------------------------------------------------------------ allocation */

/* For the operators new (faultInjectionNew.cpp). */
__attribute__((visibility("hidden"))) int lumFaultAllocationFails(void)
{
    return failsNow(countAllocations);
}

void *malloc(size_t size)
{
    return failsNow(countAllocations) ? (errno = ENOMEM, NULL) : __libc_malloc(size);
}

void *calloc(size_t count, size_t size)
{
    return failsNow(countAllocations) ? (errno = ENOMEM, NULL) : __libc_calloc(count, size);
}

void *realloc(void *block, size_t size)
{
    return failsNow(countAllocations) ? (errno = ENOMEM, NULL) : __libc_realloc(block, size);
}

void *memalign(size_t alignment, size_t size)
{
    return failsNow(countAllocations) ? (errno = ENOMEM, NULL) : __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void **result, size_t alignment, size_t size)
{
    if (alignment % sizeof(void *) != 0 || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void *block = memalign(alignment, size);
    if (block == NULL) {
        return ENOMEM;
    }
    *result = block;
    return 0;
}

/* -------------------------------------------------------- files and disks */

ssize_t write(int fd, const void *data, size_t size)
{
    if (failsNow(countWrites)) {
        errno = failErrno;
        return -1;
    }
    return syscall(SYS_write, fd, data, size);
}

ssize_t pwrite(int fd, const void *data, size_t size, off_t offset)
{
    if (failsNow(countWrites)) {
        errno = failErrno;
        return -1;
    }
    return syscall(SYS_pwrite64, fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void *data, size_t size, off_t offset) __attribute__((alias("pwrite")));

int close(int fd)
{
    int failing = failsNow(countCloses);
    long result = syscall(SYS_close, fd);
    if (failing && result == 0) {
        errno = failErrno;
        return -1;
    }
    return (int)result;
}

int rename(const char *from, const char *to)
{
    if (failsNow(countRenames)) {
        errno = failErrno;
        return -1;
    }
    return (int)syscall(SYS_rename, from, to);
}
