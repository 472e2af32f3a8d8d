/*
 * lumcc-extract: pulls one app's device executable (or its process-attribute
 * blob) for one target out of a LUM Program, or lists the apps it holds.
 *
 * main (extract.cpp) keeps the settings below and runs the steps in a fixed
 * order; each step is one function here so that its job can be read alone.
 */
#ifndef extract_INCLUDED
#define extract_INCLUDED

#include <stdio.h>
#include <sys/stat.h>
#include "stdTypes.h"
#include "stdMessages.h"
#include "stdList.h"
#include "stdCmdOpt.h"
#include "fileReader.h"
#include "elfRange.h"
#include "fatBinary.h"
#include "lumTargets.h"
#include "lumAttributes.h"

/* ------------------------------------------------------------------ settings */

/* Written once by the command-line step (targetCPUID and inputFile by the
 * input checks) and read-only afterwards. */
extern String appName;       /* --app-name, or null */
extern String targetCPUName; /* --mcpu, or null */
extern LUM_ID targetCPUID;   /* ID of targetCPUName; 0xffff when not named */
extern String outputFile;    /* --output-file, or null */
extern Bool   printInfo;     /* --info */
extern Bool   lumProcAttrs;  /* --lum-proc-attr */
extern String inputFile;     /* the single positional argument */

/* ------------------------------------------------------------------ messages */

extern msgMessage msgNoInputs;
extern msgMessage msgUnrecognizedCmdOpt;   /* error class: the run goes on */
extern msgMessage msgMoreThanOneInput;
extern msgMessage msgUnspecifiedCmdOpt;
extern msgMessage msgInfoModeExtraArgs;
extern msgMessage msgUnknownCpu;
extern msgMessage msgInputFileNotFound;
extern msgMessage msgNoObjectsInArchive;
extern msgMessage msgMultipleObjects;
extern msgMessage msgNotELFLUMProgram;
extern msgMessage msgUnknownFile;
extern msgMessage msgNoLUMapp;
extern msgMessage msgCannotFindApp;
extern msgMessage msgAppNameRequired;
extern msgMessage msgNoProcAttrs;
extern msgMessage msgTargetNameRequired;
extern msgMessage msgCannotFindCpu;
extern msgMessage msgOutFileOpenFail;
extern msgMessage msgEntryBeyondInput;     /* entry data past the end of the input */
extern msgMessage msgOutFileWriteFail;     /* the output could not be written whole */
extern msgMessage msgStdoutWriteFail;      /* help, version or listing could not be written */

/* ------------------------------------------------------------------ output */

/* A write to a pipe whose reader has gone fails like any other write, so it
 * is reported and ends the run with status 1, not by a signal. */
void extractReportBrokenPipes(void);

/* Flushes standard output; text that could not be written whole is the
 * fatal "Cannot write to standard output": scripts read the help, version
 * and listing, and a lost one must not look like success. */
void extractFinishStandardOutput(void);

/* ------------------------------------------------------------- command line */

/* Builds the option table, settles the tool name and parses argv; answers
 * --help and --version (both end the process with status 0). */
cmdoptTable extractParseCommandLine(int argc, char **argv);

/* Reads the option values into the settings; returns the positional list. */
stdList extractReadOptions(cmdoptTable options, stdList *unknownOptions);

/* The option checks, in their fixed order (fatal unless said otherwise). */
void extractValidateOptions(stdList positional, stdList unknownOptions);

/* ------------------------------------------------------------------- input */

/* Target-name and input-file checks; sets targetCPUID and inputFile. */
void extractCheckTargetAndInput(stdList positional);

/* True when an error-class message was reported so far. */
Bool extractErrorsReported(void);

/* The chosen ELF bytes of the input and the read-only stream over them. */
typedef struct {
    FileInfo     file;      /* the whole input file, mapped or read */
    const uInt8 *elf;       /* the chosen ELF: the whole file or the single member */
    uInt64       elfSize;
    FILE        *stream;    /* read-only memory stream over elf .. elf + elfSize */
    cString      kind;      /* "program" (archive) or "executable" (plain ELF) */
} ExtractInput;

/* Reads inputFile whole and opens the stream over its one ELF; every refusal
 * is a fatal message naming inputFile. */
void extractOpenInput(ExtractInput *input);

/* Closes the stream and releases the image. */
void extractCloseInput(ExtractInput *input);

/* ------------------------------------------------------------ extract / list */

/* The app list of the input; fatal "No LUM apps found" when it is empty. */
FatApp *extractReadApps(ExtractInput *input, uInt64 *count);

/* The app named appName, or the only one. */
FatApp *extractPickApp(FatApp *apps, uInt64 count);

/* The executable (or process-attribute) entry for targetCPUID, or the only one. */
DevObj *extractPickEntry(FatApp *app);

/* Copies the entry's bytes into outputFile once they are known to be inside
 * the input. A regular output is replaced whole or left as it was; one
 * written in place keeps no part of a failed write (a file named directly is
 * removed, one reached through a link emptied; devices and pipes are never
 * removed). */
void extractCopyEntry(ExtractInput *input, FatApp *app, DevObj *entry);

/* ------------------------------------------------------------- output file */

/* Where the entry's bytes go. */
typedef struct {
    int         fd;          /* -1 until opened */
    Bool        replacing;   /* fd is a new file, renamed over target when complete */
    String      target;      /* outputFile with every link followed; null when they cannot be */
    String      temporary;   /* the new file's name (replacing only) */
    Bool        existed;     /* target existed (replacing only) */
    struct stat previous;    /* target as it was (replacing only) */
    struct stat written;     /* the file opened in place */
} ExtractOutput;

/* Decides how outputFile is written, and when it is replaced makes the new
 * file beside it (removed again on every way out but success). */
void extractPlanOutput(ExtractOutput *output);

/* Opens outputFile in place when it is not replaced (fatal "Cannot open
 * output file" on failure): this truncates it. */
void extractOpenOutput(ExtractOutput *output);

/* Puts the written file in place; False (nothing of it kept) on failure. */
Bool extractFinishOutput(ExtractOutput *output);

/* Drops what was written after a failure. */
void extractAbandonOutput(ExtractOutput *output);

/* Prints the info listing of all apps on standard output. */
void extractListApps(ExtractInput *input, FatApp *apps, uInt64 count);

#endif
