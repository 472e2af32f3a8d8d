/*
 * Message reporting: diagnostics, the log sink, terminators and assertions.
 */
#ifndef stdMessages_INCLUDED
#define stdMessages_INCLUDED

#include <stdarg.h>
#include <stdio.h>
#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Message classes */
typedef enum {
    msgNone      = 0,
    msgPlain     = 1,
    msgInfo      = 2,
    msgWarning   = 3,
    msgSoftError = 4,
    msgError     = 5,
    msgFatal     = 6
} msgClass;

/* One statically initialised record per message. */
typedef struct msgMessageRec {
    uInt32  messageClass;
    Bool    suppressed;
    Bool    copied;
    cString format;
} msgMessageRec, *msgMessage;

/* Defines descriptor record NAME##Rec and the global pointer NAME. */
#define msgDEFINE_MESSAGE(name, cls, text) \
    static msgMessageRec name##Rec = { (cls), False, False, (text) }; \
    msgMessage name = &name##Rec

/* Source positions (source structures and listings arrive later). */
typedef struct msgSourceStructureRec *msgSourceStructure;
typedef struct msgSourceFileNodeRec {
    String              fileName;
    msgSourceStructure  sourceStruct;  /* null when not part of a structure */
    Pointer             messages;      /* recorded messages (stdList), newest first */
    Pointer             children;
    struct msgSourceFileNodeRec *parent;
} msgSourceFileNodeRec, *msgSourceFileNode;

#define msgNOLINE 0x0FFFFFFFu

typedef struct msgSourcePosRec {
    msgSourceFileNode node;
    uInt32            lineNo;
} msgSourcePosRec, *msgSourcePos;

/* Reporting */
void msgReport(msgMessage message, ...);
void msgReportWithPos(msgMessage message, msgSourcePos pos, ...);
void msgVReportWithPos(msgMessage message, msgSourcePos pos, va_list ap);

/* Per-thread settings */
void    msgSetToolName(cString name);
cString msgGetToolName(void);
void    msgSetSuffix(cString suffix);
cString msgGetSuffix(void);
void    msgSetWarnAsError(Bool value);
Bool    msgGetWarnAsError(void);
void    msgSetIgnoreWarnings(Bool value);
Bool    msgGetIgnoreWarnings(void);
void    msgSetAddErrorClassPrefixes(Bool value);
Bool    msgGetAddErrorClassPrefixes(void);
void    msgSetDontPrefixErrorLines(Bool value);
Bool    msgGetDontPrefixErrorLines(void);
Bool    msgPreserveAddErrorClassPrefixes(void);
void    msgRestoreAddErrorClassPrefixes(void);
Bool    msgPreserveDontPrefixErrorLines(void);
void    msgRestoreDontPrefixErrorLines(void);

/* Output channels: each argument is null or the address of a writer variable. */
struct stdWriterRec;
void msgSwapMessageChannels(struct stdWriterRec **info, struct stdWriterRec **warning,
                            struct stdWriterRec **error);

/* Log sink */
typedef void (*stdLogLineFunc)(String line);
void stdSYSLOG(cString format, ...) stdFORMAT(1, 2);
void stdVSYSLOG(cString format, va_list ap);
void stdFSYSLOG(cString format, ...) stdFORMAT(1, 2);
void stdVFSYSLOG(cString format, va_list ap);
void stdSetLogFile(FILE *stream);
stdLogLineFunc stdSetLogLine(stdLogLineFunc callback);
stdLogLineFunc stdGetLogLine(void);
void    stdRestoreLogLine(void);
Pointer stdSetLogLineData(Pointer data);
Pointer stdGetLogLineData(void);
void    stdRestoreLogLineData(void);

/* Terminators */
typedef void (*stdAbortFunc)(void);
typedef void (*stdExitFunc)(Int status);
void stdABORT(void) stdNORETURN;
void stdEXIT(Int status) stdNORETURN;
void stdSetTerminators(stdAbortFunc abortHandler, stdExitFunc exitHandler);
void stdGetTerminators(stdAbortFunc *abortHandler, stdExitFunc *exitHandler);

/* Assertions */
typedef void (*stdAssertSetPosFunc)(cString condition, cString fileName, Int line);
typedef void (*stdAssertFailFunc)(cString format, va_list ap);
void   stdASSERTLOGSETPOS(cString condition, cString fileName, Int line);
void   stdASSERTLOGFAIL(cString format, ...) stdFORMAT(1, 2) stdNORETURN;
void   stdSetAssertHandlers(stdAssertSetPosFunc setPos, stdAssertFailFunc fail);
void   stdASSERTReport(cString fileName, Int line, cString text);
String stdASSERTAssembleString(cString format, ...) stdFORMAT(1, 2);

/* Assertion macros: check a condition, fail with a formatted text. */
#define stdASSERT(cond, args) \
    do { if (!(cond)) { stdASSERTLOGSETPOS(#cond, __FILE__, __LINE__); stdASSERTLOGFAIL args; } } while (0)
#define stdCHECK(cond, args) stdASSERT(cond, args)
#define stdIMPLIES(a, b) (!(a) || (b))

/* Set by procSetTrapOnError: the default abort handler then calls abort(). */
extern Bool procTrapOnError;

/* Library messages */
extern msgMessage cmdoptMsgArgumentExpected;
extern msgMessage cmdoptMsgDeprecated;
extern msgMessage cmdoptMsgIsNoKeyword;
extern msgMessage cmdoptMsgKeywordNotInDomain;
extern msgMessage cmdoptMsgNoArgumentExpected;
extern msgMessage cmdoptMsgNotABool;
extern msgMessage cmdoptMsgNotANumber;
extern msgMessage cmdoptMsgOpenOptFailed;
extern msgMessage cmdoptMsgOptionNotDefined;
extern msgMessage cmdoptMsgOutOfRange;
extern msgMessage cmdoptMsgOverriddenIncompatible;
extern msgMessage cmdoptMsgReadProblem;
extern msgMessage cmdoptMsgRedefinedArgument;
extern msgMessage cmdoptMsgRedefinedKeyword;
extern msgMessage cmdoptMsgTooManyOptFileOpened;
extern msgMessage cmdoptMsgUnknownOption;
extern msgMessage cmdoptMsgValueNotInDomain;
extern msgMessage hostMsgError;
extern msgMessage hostMsgFileReadFailed;
extern msgMessage hostMsgFindError;
extern msgMessage hostMsgOpenInputFailed;
extern msgMessage stdMsgBailoutDueToErrors;
extern msgMessage stdMsgCoreDumped;
extern msgMessage stdMsgExecFailed;
extern msgMessage stdMsgForkFailed;
extern msgMessage stdMsgMemoryOverFlow;
extern msgMessage stdMsgOpenInputFailed;
extern msgMessage stdMsgOpenOutputFailed;
extern msgMessage stdMsgSignal;
extern msgMessage stdMsgStrayBackSlash;
extern msgMessage stdMsgStrayBracket;
extern msgMessage stdMsgStrayQuote;
extern msgMessage stdMsgWaitFailed;
extern msgMessage threadsMsgMemoryOverFlow;

#ifdef __cplusplus
}
#endif

#endif
