/*
 * The driver's diagnostics. All end the run except the unknown-option error,
 * after which the remaining checks still run.
 */
#include "extract.h"

/* command line */
msgDEFINE_MESSAGE(msgNoInputs,           msgFatal, "No input file");
msgDEFINE_MESSAGE(msgUnrecognizedCmdOpt, msgError, "Unknown option '%s'");
msgDEFINE_MESSAGE(msgMoreThanOneInput,   msgFatal, "Expected one input file");
msgDEFINE_MESSAGE(msgUnspecifiedCmdOpt,  msgFatal, "No value specified for option '%s'");
msgDEFINE_MESSAGE(msgInfoModeExtraArgs,  msgFatal, "Unrecognized arguments for info mode");

/* target and input */
msgDEFINE_MESSAGE(msgUnknownCpu,         msgFatal, "%s is not a valid target name");
msgDEFINE_MESSAGE(msgInputFileNotFound,  msgFatal, "'%s': No such file or directory");
msgDEFINE_MESSAGE(msgNoObjectsInArchive, msgFatal, "'%s': LUM Program does not contain any object files");
msgDEFINE_MESSAGE(msgMultipleObjects,    msgFatal, "'%s': LUM Program contains multiple object files");
msgDEFINE_MESSAGE(msgNotELFLUMProgram,   msgFatal, "'%s': LUM Program does not contain an ELF file");
msgDEFINE_MESSAGE(msgUnknownFile,        msgFatal, "'%s': Not a LUM Program or an executable");

/* apps and targets */
msgDEFINE_MESSAGE(msgNoLUMapp,           msgFatal, "No LUM apps found in '%s'");
msgDEFINE_MESSAGE(msgCannotFindApp,      msgFatal, "Cannot find app '%s' in '%s'");
msgDEFINE_MESSAGE(msgAppNameRequired,    msgFatal,
                  "'%s' contains multiple LUM apps. Specify an app name to extract");
msgDEFINE_MESSAGE(msgNoProcAttrs,        msgFatal,
                  "'%s': LUM Program does not contain any process attributes for the app '%s'");
msgDEFINE_MESSAGE(msgTargetNameRequired, msgFatal,
                  "'%s' contains multiple target executables for app '%s'. Specify a target to extract");
msgDEFINE_MESSAGE(msgCannotFindCpu,      msgFatal,
                  "App '%s' does not contain an executable for target '%s'");

/* output */
msgDEFINE_MESSAGE(msgOutFileOpenFail,    msgFatal, "Cannot open output file : '%s'");
msgDEFINE_MESSAGE(msgEntryBeyondInput,   msgFatal,
                  "'%s': LUM Program is truncated: the data of app '%s' extends beyond the end of the file");
msgDEFINE_MESSAGE(msgOutFileWriteFail,   msgFatal, "Cannot write output file : '%s'");
msgDEFINE_MESSAGE(msgStdoutWriteFail,    msgFatal, "Cannot write to standard output");
