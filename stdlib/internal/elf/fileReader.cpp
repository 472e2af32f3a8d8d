/*
 * Whole-file reader: regular files are mapped (fileMapping.cpp), everything
 * else is read into a buffer.
 */
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include "fileReaderLocal.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

/* Closes fd, releases buffer and reports the read failure (fatal, no return). */
static void readFailed(int fd, uInt8 *buffer, cString path)
{
    memspFree(buffer);
    close(fd);
    msgReport(hostMsgFileReadFailed, path);
}

/*
 * A large fresh heap block is faulted in page by page while read() fills
 * it, which costs more than the read itself. Asking for huge pages and
 * populating the block up front makes reading a big input run at the speed
 * of the disk. Both are hints: when the kernel refuses, nothing changes.
 */
static void prepareLargeBuffer(uInt8 *buffer, uInt64 size)
{
    const uInt64 hugePage = 2u << 20;
    if (size < 2 * hugePage) {
        return;
    }
    uintptr_t start = ((uintptr_t)buffer + hugePage - 1) & ~(uintptr_t)(hugePage - 1);
    uintptr_t end = ((uintptr_t)buffer + size) & ~(uintptr_t)(hugePage - 1);
    if (end <= start) {
        return;
    }
#ifdef MADV_HUGEPAGE
    (void)madvise((void *)start, end - start, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    (void)madvise((void *)start, end - start, MADV_POPULATE_WRITE);
#endif
}

Bool fileReadAt(int fd, uInt64 position, uInt8 *buffer, uInt64 size)
{
    for (uInt64 done = 0; done < size;) {
        ssize_t got = pread(fd, buffer + done, (size_t)(size - done), (off_t)(position + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return False;
        }
        done += (uInt64)got;
    }
    return True;
}

FileInfo read_file(cString path, Bool addTerminator)
{
    FileInfo info = { NULL, 0 };
    /*
     * Opened without blocking: a FIFO without a writer would otherwise hang
     * the open for ever; it then fails the seek below like any stream that
     * cannot be sized. A directory is refused first: its seek may succeed
     * with a meaningless size. Devices that can be sized (/dev/null) read
     * like files.
     */
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        msgReport(hostMsgOpenInputFailed, path);
        return info;
    }
    struct stat st;
    off_t end = -1;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || (end = lseek(fd, 0, SEEK_END)) < 0
        || lseek(fd, 0, SEEK_SET) != 0) {
        readFailed(fd, NULL, path);
        return info;
    }
    uInt64 size = (uInt64)end;

    /* A mapping cannot promise the terminator: the page after the contents
     * may not exist, and the file may grow into the last one. */
    if (S_ISREG(st.st_mode) && !addTerminator && size != 0) {
        uInt8 *mapped = fileMapOpen(fd, size, path);
        if (mapped != NULL) {
            info.data = mapped;
            info.size = size;
            return info;
        }
    }

    uInt64 allocSize = size + (addTerminator ? 1 : 0);
    /* Never ask for 0 bytes: an empty file still yields a real buffer. */
    uInt8 *buffer = (uInt8 *)stdMALLOC(allocSize ? allocSize : 1);
    prepareLargeBuffer(buffer, size);
    if (!fileReadAt(fd, 0, buffer, size)) {
        readFailed(fd, buffer, path);
        return info;
    }
    close(fd);
    if (addTerminator) {
        buffer[size] = 0;
    }
    info.data = buffer;
    info.size = allocSize;
    return info;
}

void free_file_info(FileInfo info)
{
    if (info.data != NULL && !fileMapRelease(info.data)) {
        memspFree(info.data);
    }
}
