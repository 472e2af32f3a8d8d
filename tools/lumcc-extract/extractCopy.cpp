/*
 * Writing the chosen entry's bytes to the output file.
 *
 * The entry is read from the input file only now, piece by piece as it is
 * written, so a mapped input never has its pages mapped in. The output file is
 * created only once the entry is known to lie inside the input, and a file
 * that could not be written whole never keeps the part that was.
 */
#include <errno.h>
#include <stdio.h>
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

/* The piece of the entry read from the input and written at a time. */
static const uInt64 copyChunk = 256u << 10;

/* Where the entry's bytes are: in the input file, or copied out of it. */
typedef struct {
    const FileInfo *file;
    uInt64          offset;    /* in the input file */
    uInt64          size;
    uInt8          *copy;      /* the whole entry, or null when read from the file */
    uInt8          *buffer;    /* copyChunk bytes the entry passes through when read from the file */
} EntrySource;

/*
 * Opening the output truncates the file it names. When that is the input
 * itself, the input would lose the entry's bytes before they are written,
 * so the entry is copied out first, as reading the whole input into memory
 * used to do. The memory the copy needs is taken here, before the output is
 * opened: running out of it afterwards would leave the output truncated.
 */
static EntrySource locateEntry(ExtractInput *input, DevObj *entry)
{
    EntrySource source = { &input->file, (uInt64)(input->elf - input->file.data) + entry->offset,
                           entry->size, NULL, NULL };
    if (file_info_maps(input->file, outputFile)) {
        source.copy = (uInt8 *)stdMALLOC(source.size ? source.size : 1);
        if (!file_info_read(input->file, source.offset, source.copy, source.size)) {
            msgReport(hostMsgFileReadFailed, inputFile);
        }
    } else {
        source.buffer = (uInt8 *)stdMALLOC(copyChunk);
    }
    return source;
}

typedef enum { writeDone, writeOutputFailed, writeInputLost } WriteOutcome;

static Bool writeWhole(int fd, const uInt8 *data, uInt64 size)
{
    for (uInt64 done = 0; done < size;) {
        ssize_t wrote = write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return False;
        }
        done += (uInt64)wrote;
    }
    return True;
}

/*
 * The entry goes from the input file to the output through a buffer small
 * enough to stay in the processor's cache: that measured faster than
 * writing straight from the mapping, which maps every page of the entry
 * into the process (bench/extract_bench.sh), and it costs no memory beyond
 * the buffer. Bytes that the input file no longer holds are the input
 * failing, not the output.
 */
static WriteOutcome writeEntry(FILE *output, const EntrySource *source)
{
    int fd = fileno(output);
    if (source->copy != NULL) {
        return writeWhole(fd, source->copy, source->size) ? writeDone : writeOutputFailed;
    }
    WriteOutcome outcome = writeDone;
    for (uInt64 done = 0; done < source->size && outcome == writeDone; done += copyChunk) {
        uInt64 length = source->size - done < copyChunk ? source->size - done : copyChunk;
        if (!file_info_read(*source->file, source->offset + done, source->buffer, length)) {
            outcome = writeInputLost;
        } else if (!writeWhole(fd, source->buffer, length)) {
            outcome = writeOutputFailed;
        }
    }
    /* a file that shrank under the mapping read as zeros at its new end */
    if (outcome == writeDone && !file_info_intact(*source->file)) {
        outcome = writeInputLost;
    }
    return outcome;
}

void extractCopyEntry(ExtractInput *input, FatApp *app, DevObj *entry)
{
    if (!elfRangeInside(entry->offset, entry->size, input->elfSize)) {
        msgReport(msgEntryBeyondInput, inputFile, app->name);
    }
    EntrySource source = locateEntry(input, entry);

    FILE *output = fopen(outputFile, "wb");
    if (output == NULL) {
        msgReport(msgOutFileOpenFail, outputFile);
    }
    OutputFile file = describeOutput(output);
    WriteOutcome outcome = writeEntry(output, &source);
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
    memspFree(source.copy);
    memspFree(source.buffer);
}
