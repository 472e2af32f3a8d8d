/*
 * The messages of the support layer. Each module reports its own; they are
 * defined together here so that the whole table reads in one place.
 */
#include "stdMessages.h"

/* Command-line options and options files */
msgDEFINE_MESSAGE(cmdoptMsgArgumentExpected,       msgFatal,   "argument expected after '%s'");
msgDEFINE_MESSAGE(cmdoptMsgDeprecated,             msgWarning, "option '%s' has been deprecated");
msgDEFINE_MESSAGE(cmdoptMsgIsNoKeyword,            msgFatal,   "'%s' is not in 'keyword=value' format");
msgDEFINE_MESSAGE(cmdoptMsgKeywordNotInDomain,     msgFatal,   "Keyword '%s' is not defined for option '%s'");
msgDEFINE_MESSAGE(cmdoptMsgNoArgumentExpected,     msgFatal,   "no argument expected after '%s'");
msgDEFINE_MESSAGE(cmdoptMsgNotABool,               msgFatal,   "'%s': expected true or false");
msgDEFINE_MESSAGE(cmdoptMsgNotANumber,             msgFatal,   "'%s': expected a number");
msgDEFINE_MESSAGE(cmdoptMsgOpenOptFailed,          msgFatal,   "Could not open options file '%s'");
msgDEFINE_MESSAGE(cmdoptMsgOptionNotDefined,       msgFatal,   "No value specified for option '%s'");
msgDEFINE_MESSAGE(cmdoptMsgOutOfRange,             msgFatal,   "%s value (%s) out of range");
msgDEFINE_MESSAGE(cmdoptMsgOverriddenIncompatible, msgWarning,
                  "incompatible redefinition for option '%s', the last value of this option was used");
msgDEFINE_MESSAGE(cmdoptMsgReadProblem,            msgFatal,   "Failed to read contents of options file");
msgDEFINE_MESSAGE(cmdoptMsgRedefinedArgument,      msgFatal,   "redefinition of argument '%s'");
msgDEFINE_MESSAGE(cmdoptMsgRedefinedKeyword,       msgFatal,   "redefinition of keyword '%s' ");
msgDEFINE_MESSAGE(cmdoptMsgTooManyOptFileOpened,   msgFatal,   "Too many options file opened '%s'");
msgDEFINE_MESSAGE(cmdoptMsgUnknownOption,          msgFatal,   "Unknown option '%s'");
msgDEFINE_MESSAGE(cmdoptMsgValueNotInDomain,       msgFatal,   "Value '%s' is not defined for option '%s'");

/* Host files */
msgDEFINE_MESSAGE(hostMsgError,                    msgFatal,   "%s");
msgDEFINE_MESSAGE(hostMsgFileReadFailed,           msgFatal,   "Could not read file '%s'");
msgDEFINE_MESSAGE(hostMsgFindError,                msgFatal,   "Could not find %s in '%s'");
msgDEFINE_MESSAGE(hostMsgOpenInputFailed,          msgFatal,   "Could not open input file '%s'");

/* General services, processes, memory, text */
msgDEFINE_MESSAGE(stdMsgBailoutDueToErrors,        msgFatal,   "Bailing out due to earlier errors");
msgDEFINE_MESSAGE(stdMsgCommandTooLong,            msgError,
                  "Command of %d characters is longer than the %d that can be run; not run");
msgDEFINE_MESSAGE(stdMsgCoreDumped,                msgError,   "'%s' core dumped");
msgDEFINE_MESSAGE(stdMsgExecFailed,                msgFatal,   "exec() failed with '%s'");
msgDEFINE_MESSAGE(stdMsgForkFailed,                msgError,   "fork() failed with '%s'");
msgDEFINE_MESSAGE(stdMsgMemoryOverFlow,            msgFatal,   "Memory allocation failure");
msgDEFINE_MESSAGE(stdMsgOpenInputFailed,           msgFatal,   "Could not open input file '%s'");
msgDEFINE_MESSAGE(stdMsgOpenOutputFailed,          msgFatal,   "Could not open output file '%s'");
msgDEFINE_MESSAGE(stdMsgSignal,                    msgError,   "'%s' died due to signal %d %s");
msgDEFINE_MESSAGE(stdMsgStrayBackSlash,            msgFatal,   "Stray '\\' character");
msgDEFINE_MESSAGE(stdMsgStrayBracket,              msgFatal,   "Stray '[' character");
msgDEFINE_MESSAGE(stdMsgStrayQuote,                msgFatal,   "Stray '\"' character");
msgDEFINE_MESSAGE(stdMsgWaitFailed,                msgError,   "wait() failed with '%s'");

/* Threads */
msgDEFINE_MESSAGE(threadsMsgMemoryOverFlow,        msgFatal,   "Memory allocation failure");
