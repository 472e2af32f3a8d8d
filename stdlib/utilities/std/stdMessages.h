/*
 * Message reporting: diagnostics, the log sink, terminators and assertions.
 *
 * A diagnostic line is: the class prefix (when enabled), the tool name and a
 * blank, the position "FILE, line N; ", the class word padded to eight
 * characters, ": ", the text, a blank and the suffix (when set), a newline.
 * Further lines of a multi-line text are indented so that ". " stands under
 * the colon.
 */
#ifndef stdMessages_INCLUDED
#define stdMessages_INCLUDED

#include <stdarg.h>
#include <stdio.h>
#include "stdTypes.h"
#include "stdList.h"
#include "stdProcess.h"

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

/*
 * One statically initialised record per message, reached through a global
 * pointer named after the message. A suppressed message is never reported;
 * `copied` marks a message that may only be reported when it is recorded.
 */
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

/*
 * Source positions. A source structure is the tree of files of one
 * preprocessed text; its flags decide what reporting at a position in it
 * does. Reports with a null position, or a node outside any structure, are
 * printed and not recorded.
 */
struct stdMapRec;

#define msgRecordMessages   0x1u  /* keep reported messages in their file node */
#define msgPrintMessages    0x2u  /* print them */
#define msgPrintSourceLine  0x4u  /* print the offending source line ("# " LINE) before each */

typedef struct msgSourceStructureRec  *msgSourceStructure;
typedef struct msgSourceFileNodeRec   *msgSourceFileNode;
typedef struct msgSourcePosRec        *msgSourcePos;

typedef struct msgSourceFileNodeRec {
    msgSourceFileNode  parent;          /* null for the main file */
    uInt32             includeLine;     /* line of the parent that included this file */
    uInt32             depth;           /* 0 for the main file */
    String             fileName;        /* owned copy */
    stdList            children;        /* nodes of included files, newest first */
    stdList            messages;        /* msgRecordedMessage, newest first */
    msgSourceStructure sourceStruct;    /* the owning structure; null when there is none */
} msgSourceFileNodeRec;

/* The line msgNOLINE means "no line": such a position prints no position part. */
#define msgNOLINE 0x0FFFFFFFu

typedef struct msgSourcePosRec {
    msgSourceFileNode node;
    uInt32            lineNo;
} msgSourcePosRec;

typedef struct msgSourceStructureRec {
    uInt32            flags;            /* msgRecordMessages etc.; msgPrintMessages at creation */
    msgSourceFileNode root;
    msgSourcePos      cachedPos;
    msgSourceFileNode curNode;
    msgSourceFileNode listingNode;      /* the file whose line index and stream are open */
    struct stdMapRec *lineIndex;        /* every tenth line's start offset */
    FILE             *listingStream;
} msgSourceStructureRec;

/* A message kept in the file node it was reported against; owns its text. */
typedef struct msgRecordedMessageRec {
    uInt32     lineNo;
    msgMessage message;
    String     text;
} msgRecordedMessageRec, *msgRecordedMessage;

/*
 * Source structures. Structures, the nodes that belong to them and their
 * positions are made only by the operations below; a node made by hand must
 * leave sourceStruct null (it may still carry a position for printing).
 * Everything a structure made, positions included, stays valid until
 * msgDeleteSourceStructure, which releases all of it.
 *
 * A line marker that renames the current file leaves the positions made
 * before it in a frozen copy of the node that keeps the old name, so their
 * hash, equality, position part and listing line never change; the copy
 * orders and records as the node itself.
 */
msgSourceStructure msgCreateSourceStructure(cString mainFileName);  /* flags msgPrintMessages */
void msgSetSourceStructureFlags(msgSourceStructure sourceStruct, uInt32 flags);
void msgDeleteSourceStructure(msgSourceStructure sourceStruct);     /* null is ignored */

/* Entering and leaving an included file; leaving the main file does nothing. */
void msgPushInclude(msgSourceStructure sourceStruct, uInt32 includeLine, cString fileName);
void msgPopInclude(msgSourceStructure sourceStruct);
/*
 * Applies the preprocessor line marker  # lineNo "fileName" flags  met while
 * `line` is the current line of the current file. The first number of the
 * flags text decides: 1 enters fileName (lineNo must be 1), 2 returns to it,
 * 3 or none renames the current file, any other is ignored. A marker that
 * does not fit the structure fails "Unexpected cpp line directive".
 */
void msgCppUpdateSourceStruct(msgSourceStructure sourceStruct, uInt32 line, cString fileName,
                              uInt32 lineNo, cString flags);

/* The position of a line of the current file: the cached one when it is that
 * very line of that very file, else a new one, which becomes the cached one. */
msgSourcePos msgPullSourcePos(msgSourceStructure sourceStruct, uInt32 line);
void msgSetSourcePos(msgSourceStructure sourceStruct, msgSourcePos pos);

/* For maps, sets and sorts (the arguments are msgSourcePos). LessEq is the
 * order of the expanded text: a position in an included file stands where
 * its include directive stands. Hash and equality go by file name and line. */
Bool   msgSourcePosLessEq(Pointer a, Pointer b);
uInt32 stdSourcePosHash(Pointer pos);
Bool   stdSourcePosEqual(Pointer a, Pointer b);

/* Not provided: always fails its assertion. */
void msgGenSourceListing(msgSourceStructure sourceStruct) stdNORETURN;

/*
 * Reporting. A message of class none does nothing; a warning may be dropped
 * or turned into an error by the thread's settings; a fatal message does not
 * return: control goes to the thread's recovery point or the process ends
 * through stdABORT (exit status 1 with the default handlers). The position
 * may be null.
 */
void msgReport(msgMessage message, ...);
void msgReportWithPos(msgMessage message, msgSourcePos pos, ...);
void msgVReportWithPos(msgMessage message, msgSourcePos pos, va_list ap);

/* Settings of the calling thread. Texts are not copied: keep them alive. */
void    msgSetToolName(cString name);            /* starts every line */
cString msgGetToolName(void);
void    msgSetSuffix(cString suffix);            /* follows every line's text */
cString msgGetSuffix(void);
void    msgSetWarnAsError(Bool value);           /* warnings become errors */
Bool    msgGetWarnAsError(void);
void    msgSetIgnoreWarnings(Bool value);        /* warnings are dropped (wins over the above) */
Bool    msgGetIgnoreWarnings(void);
void    msgSetAddErrorClassPrefixes(Bool value); /* "@E@"-style prefix on every line */
Bool    msgGetAddErrorClassPrefixes(void);
void    msgSetDontPrefixErrorLines(Bool value);  /* continuation lines are not indented */
Bool    msgGetDontPrefixErrorLines(void);
/* Preserve copies the setting into its one saved slot (and returns it); restore copies it back. */
Bool    msgPreserveAddErrorClassPrefixes(void);
void    msgRestoreAddErrorClassPrefixes(void);
Bool    msgPreserveDontPrefixErrorLines(void);
void    msgRestoreDontPrefixErrorLines(void);

/*
 * Output channels (process-wide). Info takes plain and info messages,
 * warning takes warnings and soft errors, error takes errors; an empty
 * channel means the log sink, and fatal messages always go to the log sink.
 * Each argument is null or the address of a writer variable whose value is
 * exchanged with the channel, so a second identical call undoes the first.
 */
struct stdWriterRec;
void msgSwapMessageChannels(struct stdWriterRec **info, struct stdWriterRec **warning,
                            struct stdWriterRec **error);

/*
 * The log sink. stdSYSLOG goes to the calling thread's log-line callback when
 * one is set, else to the log file, else to standard error. The callback
 * receives complete lines only, without their newline, and does not own the
 * text; a partial line waits until a later print completes it.
 * stdFSYSLOG skips the callback and allocates nothing.
 */
typedef void (*stdLogLineFunc)(String line);
void stdSYSLOG(cString format, ...) stdFORMAT(1, 2);
void stdVSYSLOG(cString format, va_list ap);
void stdFSYSLOG(cString format, ...) stdFORMAT(1, 2);
void stdVFSYSLOG(cString format, va_list ap);
void stdSetLogFile(FILE *stream);                        /* null: standard error */
/* Per thread. Set saves the current value (and returns it); restore reinstalls
 * the saved one. Setting or restoring the callback discards a pending line. */
stdLogLineFunc stdSetLogLine(stdLogLineFunc callback);
stdLogLineFunc stdGetLogLine(void);
void    stdRestoreLogLine(void);
Pointer stdSetLogLineData(Pointer data);                 /* for the callback's owner */
Pointer stdGetLogLineData(void);
void    stdRestoreLogLineData(void);

/*
 * Terminators. stdABORT calls the abort handler, then abort(); stdEXIT calls
 * the exit handler with the low 8 bits of the status, then exit(). The
 * default abort handler ends with status 1 through the exit handler (or with
 * abort() when procTrapOnError is set); the default exit handler is exit().
 */
typedef void (*stdAbortFunc)(void);
typedef void (*stdExitFunc)(Int status);
void stdABORT(void) stdNORETURN;
void stdEXIT(Int status) stdNORETURN;
void stdSetTerminators(stdAbortFunc abortHandler, stdExitFunc exitHandler); /* null keeps one */
void stdGetTerminators(stdAbortFunc *abortHandler, stdExitFunc *exitHandler); /* null skips one */

/*
 * Assertions. A failed check calls stdASSERTLOGSETPOS, then stdASSERTLOGFAIL,
 * which hands the text to the fail handler and then calls stdABORT. The
 * default handlers print "Assertion failure at FILE, line N: TEXT" through
 * stdSYSLOG.
 */
typedef void (*stdAssertSetPosFunc)(cString condition, cString fileName, Int line);
typedef void (*stdAssertFailFunc)(cString format, va_list ap);
void   stdASSERTLOGSETPOS(cString condition, cString fileName, Int line);
void   stdASSERTLOGFAIL(cString format, ...) stdFORMAT(1, 2) stdNORETURN;
void   stdSetAssertHandlers(stdAssertSetPosFunc setPos, stdAssertFailFunc fail);
/* Reports "Assertion failure at FILE, line N: TEXT" as a fatal message. */
void   stdASSERTReport(cString fileName, Int line, cString text);
/* Formats into one process-wide buffer, overwritten by the next call;
 * texts past its 9999 characters are cut off. */
String stdASSERTAssembleString(cString format, ...) stdFORMAT(1, 2);

/* Checks a condition; on failure names this source file and line. ARGS is a
 * parenthesised format and arguments: stdASSERT(n > 0, ("bad count %d", n)). */
#define stdASSERT(cond, args) \
    do { \
        if (!(cond)) { \
            stdASSERTLOGSETPOS(#cond, __FILE_NAME__, __LINE__); \
            stdASSERTLOGFAIL args; \
        } \
    } while (0)
#define stdCHECK(cond, args) stdASSERT(cond, args)
#define stdIMPLIES(a, b) (!(a) || (b))

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
extern msgMessage stdMsgCommandTooLong;
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
