/*
 * Writing the chosen entry's bytes to the output file.
 *
 * The bytes are already in memory (the input image, normally a mapping of
 * the input file), so they are written straight from there: no second copy
 * of a possibly large entry. The output file is created only once the entry
 * is known to lie inside the input, and a file that could not be written
 * whole never keeps the part that was.
 */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include "extract.h"
#include "stdMemSpace.h"

/* Whether the output is a regular file, and which one: taken while it is open. */
typedef struct {
    Bool        regular;
    struct stat identity;
} OutputFile;

static OutputFile describeOutput(FILE *output)
{
    OutputFile file;
    file.regular = fstat(fileno(output), &file.identity) == 0 && S_ISREG(file.identity.st_mode);
    return file;
}

/*
 * After a failed write a regular file must not keep the part that was
 * written (it would look like a result): removed when outputFile names it
 * directly, emptied while still open when a link leads to it, so that the
 * link keeps pointing where it did. A device, a pipe or whatever else the
 * path names is left alone.
 */
static void discardPartialOutput(FILE *stillOpen, const OutputFile *file)
{
    if (!file->regular) {
        return;
    }
    struct stat named;
    Bool namedDirectly = lstat(outputFile, &named) == 0 && S_ISREG(named.st_mode)
                         && named.st_dev == file->identity.st_dev
                         && named.st_ino == file->identity.st_ino;
    if (namedDirectly) {
        unlink(outputFile);
    } else if (stillOpen != NULL && ftruncate(fileno(stillOpen), 0) != 0) {
        return; /* nothing else can be done with it */
    }
}

/*
 * Opening the output truncates the file it names. When that is the mapped
 * input itself, the mapping would lose the entry's pages, so the entry is
 * copied out first, as reading the whole input into memory used to do.
 * Null when the output is another file.
 */
static uInt8 *copyIfOutputIsInput(ExtractInput *input, const uInt8 *data, uInt64 size)
{
    if (!file_info_maps(input->file, outputFile)) {
        return NULL;
    }
    uInt8 *copy = (uInt8 *)stdMALLOC(size ? size : 1);
    memcpy(copy, data, size);
    return copy;
}

typedef enum { writeDone, writeOutputFailed, writeInputLost } WriteOutcome;

/*
 * Plain write() calls straight from the image, a few MiB at a time: a
 * mapped entry is taken from the page cache chunk by chunk, which measured
 * faster than one call for the whole entry (bench/extract_bench.sh). A
 * mapped page that the input file no longer has makes write() fail with
 * EFAULT: then the input failed, not the output.
 */
static WriteOutcome writeAll(FILE *output, const uInt8 *data, uInt64 size)
{
    const uInt64 chunk = 4u << 20;
    int fd = fileno(output);
    for (uInt64 done = 0; done < size;) {
        ssize_t wrote = write(fd, data + done, size - done < chunk ? size - done : chunk);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote < 0 && errno == EFAULT) {
            return writeInputLost;
        }
        if (wrote <= 0) {
            return writeOutputFailed;
        }
        done += (uInt64)wrote;
    }
    return writeDone;
}

void extractCopyEntry(ExtractInput *input, FatApp *app, DevObj *entry)
{
    if (!elfRangeInside(entry->offset, entry->size, input->elfSize)) {
        msgReport(msgEntryBeyondInput, inputFile, app->name);
    }
    const uInt8 *data = input->elf + entry->offset;
    uInt8 *copy = copyIfOutputIsInput(input, data, entry->size);

    FILE *output = fopen(outputFile, "wb");
    if (output == NULL) {
        msgReport(msgOutFileOpenFail, outputFile);
    }
    OutputFile file = describeOutput(output);
    WriteOutcome outcome = writeAll(output, copy != NULL ? copy : data, entry->size);
    /* a file that shrank under the mapping reads as zeros at its new end */
    if (outcome == writeDone && copy == NULL && !file_info_intact(input->file)) {
        outcome = writeInputLost;
    }
    if (outcome != writeDone) {
        discardPartialOutput(output, &file);
        fclose(output);
        if (outcome == writeInputLost) {
            msgReport(hostMsgFileReadFailed, inputFile);
        }
        msgReport(msgOutFileWriteFail, outputFile);
    }
    if (fclose(output) != 0) {
        discardPartialOutput(NULL, &file);
        msgReport(msgOutFileWriteFail, outputFile);
    }
    memspFree(copy);
}
