/*
 * The command line: option table, tool name, --help and --version, reading
 * the values into the settings and the option checks.
 */
#include <string.h>
#include "extract.h"
#include "stdFileNames.h"

#ifndef LUM_BUILD_STAMP
#error "LUM_BUILD_STAMP must be defined by the build"
#endif
#ifndef LUM_VERSION
#error "LUM_VERSION must be defined by the build"
#endif

static const char buildStamp[] = LUM_BUILD_STAMP;

/* Diagnostics keep pointing at the tool name: it lives as long as the process. */
static String programToolName  = NULL;  /* from the program path */
static String overrideToolName = NULL;  /* from --tool-name */

/* The name part of a path: no directory, no extension. */
static String toolNameOf(cString path)
{
    String name = NULL;
    fnamDecomposePath(path, NULL, &name, NULL);
    return name;
}

/* One registration: the columns that differ between the tool's options. */
typedef struct {
    cString name;
    cString shortName;
    uInt32  type;
    uInt32  mode;
    uInt32  flags;
    cString placeholder;
    cString help;
} OptionDefinition;

/* In registration order; none has a value domain, keywords, default or implicit value. */
static const OptionDefinition toolOptions[] = {
    { "app-name", "app-name", cmdoptString, cmdoptSingleValue, 0, NULL,
      "Specify name of the LUM application to extract.\n"
      "This option is mandatory if more than one application is present in the input file." },
    { "mcpu", "mcpu", cmdoptString, cmdoptSingleValue, 0, NULL,
      "Specify name of the device for which the application is to be extracted.\n"
      "This option is mandatory if the application is built for multiple devices." },
    { "output-file", "o", cmdoptString, cmdoptSingleValue, 0, NULL,
      "Specify name of the output file" },
    { "lum-proc-attr", "pa", cmdoptBool, cmdoptNoValue, 0, NULL,
      "Extract LUM process attributes blob" },
    { "info", "i", cmdoptBool, cmdoptNoValue, 0, NULL,
      "List apps and supported targets" },
    { "tool-name", "tool-name", cmdoptString, cmdoptSingleValue, cmdoptHidden, "<tool name>",
      "Change tool name to specified string" },
    { "help", "h", cmdoptBool, cmdoptNoValue, 0, NULL,
      "Print this help information on this tool" },
    { "version", "V", cmdoptBool, cmdoptNoValue, 0, NULL,
      "Print version information on this tool" },
    { "options-file", "optf", cmdoptOptionsFile, cmdoptListValue, 0, "<file>",
      "Include command line options from specified file" },
};

static void defineOptions(cmdoptTable options)
{
    for (const OptionDefinition &option : toolOptions) {
        cmdoptAddOption(options, option.name, option.shortName, option.type, option.mode,
                        option.flags, NULL, NULL, NULL, NULL, option.placeholder, option.help);
    }
}

static void printHelp(cmdoptTable options)
{
    printf("\nUsage  : %s", msgGetToolName());
    cmdoptPrint(options, False, False);
    putchar('\n');
    extractFinishStandardOutput();
    stdEXIT(0);
}

/* The year that closes the rights notice is the one in the build stamp, so
 * the two can never disagree. */
static cString buildYear(void)
{
    cString underscore = strrchr(buildStamp, '_');
    return underscore ? underscore + 1 : buildStamp;
}

static void printVersion(void)
{
    printf("%s: LUM device toolchain, device executable extractor\n", msgGetToolName());
    printf("Copyright (c) 2019-%s The lumcc developers. All rights reserved.\n", buildYear());
    printf("Built on %s\n", buildStamp);
    printf("lumcc-extract version %s\n", LUM_VERSION);
    extractFinishStandardOutput();
    stdEXIT(0);
}

cmdoptTable extractParseCommandLine(int argc, char **argv)
{
    cmdoptTable options = cmdoptCreate(True);
    programToolName = toolNameOf(argv[0]);
    msgSetToolName(programToolName);
    defineOptions(options);
    cmdoptParse(options, argc, argv);

    String toolName = NULL;
    cmdoptGetOptionValue(options, "tool-name", &toolName);
    if (toolName != NULL) {
        overrideToolName = toolNameOf(toolName);
        msgSetToolName(overrideToolName);
    }

    if (cmdoptOnCommandLine(options, "help")) {
        printHelp(options);
    } else if (cmdoptOnCommandLine(options, "version")) {
        printVersion();
    }
    return options;
}

stdList extractReadOptions(cmdoptTable options, stdList *unknownOptions)
{
    stdList positional = NULL;
    cmdoptGetOptionValue(options, cmdoptUnknownName, unknownOptions);
    cmdoptGetOptionValue(options, cmdoptPositionalName, &positional);
    cmdoptGetOptionValue(options, "app-name", &appName);
    cmdoptGetOptionValue(options, "mcpu", &targetCPUName);
    cmdoptGetOptionValue(options, "output-file", &outputFile);
    cmdoptGetOptionValue(options, "info", &printInfo);
    cmdoptGetOptionValue(options, "lum-proc-attr", &lumProcAttrs);
    return positional;
}

static void reportUnrecognizedOption(Pointer option, Pointer data)
{
    (void)data;
    msgReport(msgUnrecognizedCmdOpt, (cString)option);
}

void extractValidateOptions(stdList positional, stdList unknownOptions)
{
    if (listSize(positional) == 0) {
        msgReport(msgNoInputs);
    }
    listTraverse(unknownOptions, reportUnrecognizedOption, NULL);
    if (listSize(positional) != 1) {
        msgReport(msgMoreThanOneInput);
    }
    if (!printInfo && outputFile == NULL) {
        msgReport(msgUnspecifiedCmdOpt, "output-file");
    }
    if (printInfo && (appName != NULL || targetCPUName != NULL || outputFile != NULL || lumProcAttrs)) {
        msgReport(msgInfoModeExtraArgs);
    }
}
