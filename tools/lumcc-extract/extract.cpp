/*
 * main of lumcc-extract: the settings and the order of the steps.
 */
#include "extract.h"
#include "stdProcess.h"

String appName       = NULL;
String targetCPUName = NULL;
LUM_ID targetCPUID   = LUM_ID_INVALID;
String outputFile    = NULL;
Bool   printInfo     = False;
Bool   lumProcAttrs  = False;
String inputFile     = NULL;

/* Kept for the life of the process, as the option values point into them. */
static cmdoptTable options = NULL;
static FatApp     *apps    = NULL;

int main(int argc, char **argv)
{
    procProcessSetup(argv[0], argv);
    extractReportBrokenPipes();

    options = extractParseCommandLine(argc, argv);
    stdList unknownOptions = NULL;
    stdList positional = extractReadOptions(options, &unknownOptions);
    extractValidateOptions(positional, unknownOptions);

    extractCheckTargetAndInput(positional);
    if (extractErrorsReported()) {
        return -1; /* unknown options were reported: status 255 */
    }

    ExtractInput input;
    extractOpenInput(&input);

    uInt64 count = 0;
    apps = extractReadApps(&input, &count);
    if (printInfo) {
        extractListApps(&input, apps, count);
    } else {
        FatApp *app = extractPickApp(apps, count);
        DevObj *entry = extractPickEntry(app);
        extractCopyEntry(&input, app, entry);
    }

    extractCloseInput(&input);
    return 0;
}
