/*
 * The info listing: one line per app with the names of its targets.
 */
#include "extract.h"
#include "stdMap.h"
#include "stdStdFun.h"

/*
 * A target the container leaves unnamed is named by the attribute sections
 * of the device ELF that the entry holds. Each ELF is identified once: the
 * sections of a crafted file may all point at one ELF with a huge section
 * table, and reading that table again for every entry would take hours.
 * The map holds offset -> target ID + 1, so that no stored value is null.
 */
static LUM_ID entryTarget(ExtractInput *input, DevObj *entry, stdMap identified)
{
    if (entry->targetId == LUM_ID_INVALID) {
        Pointer offset = (Pointer)(uintptr_t)entry->offset;
        uintptr_t known = (uintptr_t)mapApply(identified, offset);
        if (known == 0) {
            known = (uintptr_t)(uInt32)getLumId(input->stream, entry->offset) + 1;
            mapDefine(identified, offset, (Pointer)known);
        }
        entry->targetId = (LUM_ID)(known - 1);
    }
    return entry->targetId;
}

static void listApp(ExtractInput *input, FatApp *app, stdMap identified)
{
    printf("App: %s, Supported targets:", app->name);
    /* an unreadable container has no entries to name, whatever its count */
    if (app->executables != NULL) {
        for (uInt64 i = 0; i < app->numTargets; i++) {
            printf(" %s", LumIdToName(entryTarget(input, &app->executables[i], identified)));
        }
    }
    putchar('\n');
}

void extractListApps(ExtractInput *input, FatApp *apps, uInt64 count)
{
    printf("%s is a LUM %s containing the following apps:\n", inputFile, input->kind);
    stdMap identified = mapCreate(stdInt64Hash, stdInt64Equal, 16);
    for (uInt64 i = 0; i < count; i++) {
        listApp(input, &apps[i], identified);
    }
    mapDelete(identified);
    /* a file that shrank under the mapping read as zeros at its new end */
    if (!file_info_intact(input->file)) {
        msgReport(hostMsgFileReadFailed, inputFile);
    }
    extractFinishStandardOutput();
}
