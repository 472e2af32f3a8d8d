/*
 * Whole-file reader.
 */
#include <stdio.h>
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

FileInfo read_file(cString path, Bool addTerminator)
{
    FileInfo info = { NULL, 0 };
    FILE *f = fopen(path, "rb");
    if (f == NULL) {
        msgReport(hostMsgOpenInputFailed, path);
        return info;
    }
    /* A directory opens fine on Linux but its "size" is meaningless. */
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
