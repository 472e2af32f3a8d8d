/*
 * Writing the chosen entry's bytes to the output file.
 *
 * The entry is read from the input file only now, piece by piece as it is
 * written, so a mapped input never has its pages mapped in. The output is
 * touched only once the entry is known to lie inside the input, and a file
 * that could not be written whole never keeps the part that was
 * (extractOutputFile.cpp).
 */
#include <errno.h>
#include <stdio.h>
#include <unistd.h>
#include "extract.h"
#include "stdMemSpace.h"

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
 * An output replaced by a new file leaves the input's mapping whole, even
 * when it is the input. Opening an output in place truncates the file it
 * names, though, and when that is the input (a file with other hard links)
 * the input would lose the entry's bytes before they are written, so the
 * entry is copied out first. The memory the copy needs is taken here, before
 * the output is opened: running out of it afterwards would leave the output
 * truncated.
 */
static EntrySource locateEntry(ExtractInput *input, DevObj *entry, const ExtractOutput *output)
{
    EntrySource source = { &input->file, (uInt64)(input->elf - input->file.data) + entry->offset,
                           entry->size, NULL, NULL };
    if (!output->replacing && file_info_maps(input->file, outputFile)) {
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
static WriteOutcome writeEntry(int fd, const EntrySource *source)
{
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
    ExtractOutput output;
    extractPlanOutput(&output);
    EntrySource source = locateEntry(input, entry, &output);
    extractOpenOutput(&output);

    WriteOutcome outcome = writeEntry(output.fd, &source);
    if (outcome != writeDone) {
        extractAbandonOutput(&output);
        if (outcome == writeInputLost) {
            msgReport(hostMsgFileReadFailed, inputFile);
        }
        msgReport(msgOutFileWriteFail, outputFile);
    }
    if (!extractFinishOutput(&output)) {
        msgReport(msgOutFileWriteFail, outputFile);
    }
    memspFree(source.copy);
    memspFree(source.buffer);
    memspFree(output.target);
    memspFree(output.temporary);
}
