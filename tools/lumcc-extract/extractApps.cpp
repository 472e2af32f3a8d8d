/*
 * Choosing what to extract: the app, then the entry for the target.
 */
#include <string.h>
#include "extract.h"

FatApp *extractReadApps(ExtractInput *input, uInt64 *count)
{
    uInt64 found = 0;
    FatApp *apps = getAppList(input->stream, &found);
    if (apps == NULL || found == 0) {
        msgReport(msgNoLUMapp, inputFile);
    }
    *count = found;
    return apps;
}

FatApp *extractPickApp(FatApp *apps, uInt64 count)
{
    if (appName != NULL) {
        for (uInt64 i = 0; i < count; i++) {
            if (strcmp(apps[i].name, appName) == 0) {
                return &apps[i];
            }
        }
        msgReport(msgCannotFindApp, appName, inputFile);
    }
    if (count > 1) {
        msgReport(msgAppNameRequired, inputFile);
    }
    return &apps[0];
}

/* What the chosen list really holds: the process-attribute container keeps
 * its own count, which may be smaller than the number of executables. */
static uInt64 searchableEntries(FatApp *app)
{
    if (lumProcAttrs) {
        return app->numProcAttrs < app->numTargets ? app->numProcAttrs : app->numTargets;
    }
    return app->numTargets;
}

/* With no --mcpu there is no name to quote for an app without targets. */
static cString requestedTargetText(void)
{
    return targetCPUName != NULL ? targetCPUName : "any";
}

DevObj *extractPickEntry(FatApp *app)
{
    if (lumProcAttrs && app->procAttrs == NULL) {
        msgReport(msgNoProcAttrs, inputFile, app->name);
    }
    DevObj *entries = lumProcAttrs ? app->procAttrs : app->executables;
    uInt64 count = searchableEntries(app);
    if (entries == NULL && app->numTargets != 0) {
        /* the reader found a container it could not read */
        stdASSERTLOGSETPOS("devObj", __FILE_NAME__, __LINE__);
        stdASSERTLOGFAIL("NULL devObj");
    }

    if (targetCPUName != NULL) {
        for (uInt64 i = 0; i < count; i++) {
            if (entries[i].targetId == targetCPUID && entries[i].targetId != LUM_ID_INVALID) {
                return &entries[i];
            }
        }
        msgReport(msgCannotFindCpu, app->name, requestedTargetText());
    }
    if (app->numTargets > 1) {
        msgReport(msgTargetNameRequired, inputFile, app->name);
    }
    if (count == 0) {
        msgReport(msgCannotFindCpu, app->name, requestedTargetText());
    }
    return &entries[0];
}
