/*
 * Reporting a message: decide its class, format it, build the diagnostic
 * line, send it to its channel, record it or drop it, set the thread's flags,
 * and end the run for a fatal message.
 */
#include <setjmp.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdMemSpace.h"
#include "stdList.h"
#include "stdString.h"
#include "stdThreads.h"
#include "stdWriter.h"

/* Indexed by class; the class word is always eight characters except for plain. */
static cString const classWords[]    = { "", "", "info    ", "warning ", "error*  ", "error   ", "fatal   " };
static cString const classPrefixes[] = { "", "@I@", "@O@", "@W@", "@E@", "@E@", "@E@" };

/* Channel slots; fatal messages have none and always go to the log sink. */
static stdWriter infoChannel;
static stdWriter warningChannel;
static stdWriter errorChannel;

static stdWriter channelOf(uInt32 messageClass)
{
    switch (messageClass) {
    case msgPlain:
    case msgInfo:      return infoChannel;
    case msgWarning:
    case msgSoftError: return warningChannel;
    case msgError:     return errorChannel;
    default:           return NULL;
    }
}

static void swapChannel(stdWriter *variable, stdWriter *slot)
{
    if (variable != NULL) {
        stdWriter held = *slot;
        *slot = *variable;
        *variable = held;
    }
}

void msgSwapMessageChannels(stdWriter *info, stdWriter *warning, stdWriter *error)
{
    swapChannel(info, &infoChannel);
    swapChannel(warning, &warningChannel);
    swapChannel(error, &errorChannel);
}

/* The class the message is handled as, or msgNone when it is dropped. */
static uInt32 effectiveClass(stdThread self, msgMessage message)
{
    uInt32 messageClass = message->messageClass;
    if (messageClass == msgWarning) {
        if (self->ignoreWarnings) {
            return msgNone;
        }
        return self->warnAsError ? (uInt32)msgError : (uInt32)msgWarning;
    }
    if (messageClass > msgFatal) {
        stdASSERT(False, ("Case label out of bounds"));
    }
    return messageClass;
}

static Bool hasLine(msgSourcePos pos)
{
    return pos != NULL && pos->node != NULL && pos->lineNo != msgNOLINE;
}

/*
 * The diagnostic line. Every newline of the text is followed by the line head
 * and enough blanks to put ". " under the colon of the first line.
 */
static String buildLine(stdThread self, msgSourcePos pos, uInt32 messageClass, cString text)
{
    stdString head = stringCreate(64);
    if (self->addErrorClassPrefixes) {
        stringAddBuf(head, classPrefixes[messageClass]);
    }
    if (self->toolName != NULL) {
        stringAddBuf(head, self->toolName);
        stringAddChar(head, ' ');
    }
    String headText = stringStripToBuf(head);

    stdString line = stringCreate(256);
    stringAddBuf(line, headText);
    uInt64 indent = 0;
    if (hasLine(pos)) {
        Int added = stringAddFormat(line, "%s, line %u; ", pos->node->fileName, pos->lineNo);
        indent += added > 0 ? (uInt64)added : 0;
    }
    stringAddBuf(line, classWords[messageClass]);
    indent += strlen(classWords[messageClass]);
    stringAddBuf(line, ": ");

    cString rest = text;
    for (cString newline; (newline = strchr(rest, '\n')) != NULL; rest = newline + 1) {
        stringAddBufLen(line, rest, (uInt64)(newline - rest + 1));
        if (!self->dontPrefixErrorLines) {
            stringAddBuf(line, headText);
            for (uInt64 i = 0; i < indent; i++) {
                stringAddChar(line, ' ');
            }
            stringAddBuf(line, ". ");
        }
    }
    stringAddBuf(line, rest);

    if (self->suffix != NULL) {
        stringAddChar(line, ' ');
        stringAddBuf(line, self->suffix);
    }
    stringAddChar(line, '\n');

    memspFree(headText);
    return stringStripToBuf(line);
}

/*
 * Everything after formatting. Takes over the text: it ends up in the
 * position's file node or is released. Returns whether the run must end.
 */
static Bool emitReport(stdThread self, msgMessage message, msgSourcePos pos,
                       uInt32 messageClass, String text)
{
    uInt32 flags = msgPrintMessages;
    if (pos != NULL && pos->node != NULL && pos->node->sourceStruct != NULL) {
        flags = pos->node->sourceStruct->flags;
    }

    if (flags & msgPrintMessages) {
        /* Line and listing go out in one print, so that no other line comes between. */
        String listing = (flags & msgPrintSourceLine) ? msgSourceLine(pos) : NULL;
        String line = buildLine(self, pos, messageClass, text);
        stdWriter channel = channelOf(messageClass);
        if (channel != NULL) {
            wtrPrintf(channel, "%s%s", listing != NULL ? listing : "", line);
        } else {
            stdSYSLOG("%s%s", listing != NULL ? listing : "", line);
        }
        memspFree(line);
        memspFree(listing);
    }

    if (flags & msgRecordMessages) {
        msgRecordMessage(pos, message, text);
    } else {
        stdASSERT(message->copied == False, ("message->copied not supported"));
        memspFree(text);
    }

    if (messageClass >= msgWarning) {
        self->warningFlag = True;
    }
    if (messageClass >= msgError) {
        self->errorFlag = True;
    }
    return messageClass == msgFatal;
}

/*
 * Running out of memory is reported without allocating: straight to the log
 * stream, never through a callback or a channel writer, and with none of the
 * decoration that would need a buffer.
 */
static Bool reportOutOfMemory(stdThread self, msgMessage message, va_list ap)
{
    FILE *stream = msgLogStream();
    flockfile(stream);
    if (self->toolName != NULL) {
        stdFSYSLOG("%s ", self->toolName);
    }
    stdFSYSLOG("%s: ", classWords[msgFatal]);
    stdVFSYSLOG(message->format, ap);
    stdFSYSLOG("\n");
    funlockfile(stream);
    self->errorFlag = True;
    return True;
}

static void endFatal(stdThread self, msgMessage message) stdNORETURN;
static void endFatal(stdThread self, msgMessage message)
{
    if (self->recoveryPoint != NULL) {
        self->lastFatalMessage = message;
        longjmp(*self->recoveryPoint, 1);
    }
    stdABORT();
}

/* Up to the fatal ending, which the callers do once their argument list is closed. */
static Bool reportV(stdThread self, msgMessage message, msgSourcePos pos, va_list ap)
{
    /* The thread library's message comes when not even a context could be had. */
    if (message == stdMsgMemoryOverFlow || message == threadsMsgMemoryOverFlow) {
        return reportOutOfMemory(self, message, ap);
    }
    uInt32 messageClass = effectiveClass(self, message);
    if (messageClass == msgNone) {
        return False;
    }
    stdString formatted = stringCreate(256);
    stringAddVFormat(formatted, message->format, ap);
    return emitReport(self, message, pos, messageClass, stringStripToBuf(formatted));
}

void msgVReportWithPos(msgMessage message, msgSourcePos pos, va_list ap)
{
    if (message->suppressed) {
        return;
    }
    stdThread self = stdGetThreadContext();
    if (reportV(self, message, pos, ap)) {
        endFatal(self, message);
    }
}

void msgReportWithPos(msgMessage message, msgSourcePos pos, ...)
{
    if (message->suppressed) {
        return;
    }
    stdThread self = stdGetThreadContext();
    va_list ap;
    va_start(ap, pos);
    Bool fatal = reportV(self, message, pos, ap);
    va_end(ap);
    if (fatal) {
        endFatal(self, message);
    }
}

void msgReport(msgMessage message, ...)
{
    if (message->suppressed) {
        return;
    }
    stdThread self = stdGetThreadContext();
    va_list ap;
    va_start(ap, message);
    Bool fatal = reportV(self, message, NULL, ap);
    va_end(ap);
    if (fatal) {
        endFatal(self, message);
    }
}

String msgReportLine(msgMessage message, ...)
{
    if (message->suppressed) {
        return NULL;
    }
    stdThread self = stdGetThreadContext();
    uInt32 messageClass = effectiveClass(self, message);
    if (messageClass == msgNone) {
        return NULL;
    }
    stdString formatted = stringCreate(256);
    va_list ap;
    va_start(ap, message);
    stringAddVFormat(formatted, message->format, ap);
    va_end(ap);
    String text = stringStripToBuf(formatted);
    String line = buildLine(self, NULL, messageClass, text);
    memspFree(text);
    return line;
}

String msgCopyText(cString text)
{
    size_t size = strlen(text) + 1;
    String copy = (String)stdMALLOC(size);
    memcpy(copy, text, size);
    return copy;
}

void msgReportText(msgMessage message, msgSourcePos pos, uInt32 messageClass, cString text)
{
    stdThread self = stdGetThreadContext();
    if (emitReport(self, message, pos, messageClass, msgCopyText(text))) {
        endFatal(self, message);
    }
}
