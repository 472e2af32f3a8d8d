/*
 * The info listing: one line per app with the names of its targets.
 */
#include "extract.h"

/* A target the container leaves unnamed is named by the attribute sections
 * of the device ELF that the entry holds. */
static LUM_ID entryTarget(ExtractInput *input, DevObj *entry)
{
    if (entry->targetId == LUM_ID_INVALID) {
        entry->targetId = getLumId(input->stream, entry->offset);
    }
    return entry->targetId;
}

static void listApp(ExtractInput *input, FatApp *app)
{
    printf("App: %s, Supported targets:", app->name);
    /* an unreadable container has no entries to name, whatever its count */
    if (app->executables != NULL) {
        for (uInt64 i = 0; i < app->numTargets; i++) {
            printf(" %s", LumIdToName(entryTarget(input, &app->executables[i])));
        }
    }
    putchar('\n');
}

void extractListApps(ExtractInput *input, FatApp *apps, uInt64 count)
{
    printf("%s is a LUM %s containing the following apps:\n", inputFile, input->kind);
    for (uInt64 i = 0; i < count; i++) {
        listApp(input, &apps[i]);
    }
    extractFinishStandardOutput();
}
