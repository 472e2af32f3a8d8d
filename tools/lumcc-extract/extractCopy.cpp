/*
 * Writing the chosen entry's bytes to the output file.
 *
 * The bytes are already in memory (the input image), so they are written
 * straight from there: no second copy of a possibly large entry. The output
 * file is created only once the entry is known to lie inside the input, and
 * a regular file that could not be written whole is removed again, so that a
 * failed run never leaves a file that looks like a result.
 */
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include "extract.h"

/* Only a regular file may be removed after a failed write: never a device,
 * a pipe or whatever else the output path names. */
static Bool isRegularFile(FILE *stream)
{
    struct stat st;
    return fstat(fileno(stream), &st) == 0 && S_ISREG(st.st_mode);
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
    Bool regular = isRegularFile(output);
    Bool written = (entry->size == 0 || fwrite(data, 1, entry->size, output) == entry->size)
                   && fflush(output) == 0;
    if (fclose(output) != 0 || !written) {
        if (regular) {
            unlink(outputFile);
        }
        msgReport(msgOutFileWriteFail, outputFile);
    }
}
