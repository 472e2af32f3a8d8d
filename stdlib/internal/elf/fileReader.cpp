/*
 * Whole-file reader.
 */
#include <fcntl.h>
#include <stdint.h>
#include <unistd.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include "fileReader.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

/* Closes f, releases buffer and reports the read failure (fatal, no return). */
static void readFailed(FILE *f, uInt8 *buffer, cString path)
{
    memspFree(buffer);
    fclose(f);
    msgReport(hostMsgFileReadFailed, path);
}

/*
 * A large fresh heap block is faulted in page by page while fread fills it,
 * which costs more than the read itself. Asking for huge pages and
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
    FILE *f = fd >= 0 ? fdopen(fd, "rb") : NULL;
    if (f == NULL) {
        if (fd >= 0) {
            close(fd);
        }
        msgReport(hostMsgOpenInputFailed, path);
        return info;
    }
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        readFailed(f, NULL, path);
        return info;
    }
    if (fseeko(f, 0, SEEK_END) != 0) {
        readFailed(f, NULL, path);
        return info;
    }
    off_t end = ftello(f);
    if (end < 0 || fseeko(f, 0, SEEK_SET) != 0) {
        readFailed(f, NULL, path);
        return info;
    }
    uInt64 size = (uInt64)end;
    uInt64 allocSize = size + (addTerminator ? 1 : 0);
    /* Never ask for 0 bytes: an empty file still yields a real buffer. */
    uInt8 *buffer = (uInt8 *)stdMALLOC(allocSize ? allocSize : 1);
    prepareLargeBuffer(buffer, size);
    if (size != 0 && fread(buffer, 1, size, f) != size) {
        readFailed(f, buffer, path);
        return info;
    }
    fclose(f);
    if (addTerminator) {
        buffer[size] = 0;
    }
    info.data = buffer;
    info.size = allocSize;
    return info;
}

void free_file_info(FileInfo info)
{
    if (info.data != NULL) {
        memspFree(info.data);
    }
}
