/*
 * Writing the chosen entry's bytes to the output file.
 *
 * The bytes are already in memory (the input image), so they are written
 * straight from there: no second copy of a possibly large entry. The output
 * file is created only once the entry is known to lie inside the input, and
 * a file that could not be written whole never keeps the part that was.
 */
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include "extract.h"

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

static Bool writeAll(FILE *output, const uInt8 *data, uInt64 size)
{
    return (size == 0 || fwrite(data, 1, size, output) == size) && fflush(output) == 0;
}

void extractCopyEntry(ExtractInput *input, FatApp *app, DevObj *entry)
{
    if (!elfRangeInside(entry->offset, entry->size, input->elfSize)) {
        msgReport(msgEntryBeyondInput, inputFile, app->name);
    }
    const uInt8 *data = input->elf + entry->offset;

    FILE *output = fopen(outputFile, "wb");
    if (output == NULL) {
        msgReport(msgOutFileOpenFail, outputFile);
    }
    OutputFile file = describeOutput(output);
    if (!writeAll(output, data, entry->size)) {
        discardPartialOutput(output, &file);
        fclose(output);
        msgReport(msgOutFileWriteFail, outputFile);
    }
    if (fclose(output) != 0) {
        discardPartialOutput(NULL, &file);
        msgReport(msgOutFileWriteFail, outputFile);
    }
}
