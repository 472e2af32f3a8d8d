/*
 * The log sink: standard error, a log file, or line by line to a callback.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdMemSpace.h"
#include "stdString.h"
#include "stdThreads.h"

static FILE *logFile;

FILE *msgLogStream(void)
{
    return logFile ? logFile : stderr;
}

void stdSetLogFile(FILE *stream)
{
    logFile = stream;
}

void stdVFSYSLOG(cString format, va_list ap)
{
    vfprintf(msgLogStream(), format, ap);
}

void stdFSYSLOG(cString format, ...)
{
    va_list ap;
    va_start(ap, format);
    stdVFSYSLOG(format, ap);
    va_end(ap);
}

static void discardPendingLine(stdThread self)
{
    if (self->pendingLogLine != NULL) {
        stringDelete(self->pendingLogLine);
        self->pendingLogLine = NULL;
    }
}

/*
 * Appends text to the pending line and hands every line completed by a
 * newline to the callback. The pending line is detached before the callback
 * runs, so a callback that prints through the log sink starts a new line.
 */
static void deliverLines(stdThread self, cString text, size_t length)
{
    cString end = text + length;
    while (text < end) {
        cString newline = (cString)memchr(text, '\n', (size_t)(end - text));
        if (self->pendingLogLine == NULL) {
            self->pendingLogLine = stringCreate(128);
        }
        if (newline == NULL) {
            stringAddBufLen(self->pendingLogLine, text, (uInt64)(end - text));
            return;
        }
        stringAddBufLen(self->pendingLogLine, text, (uInt64)(newline - text));
        String line = stringStripToBuf(self->pendingLogLine);
        self->pendingLogLine = NULL;
        if (self->logLine != NULL) {
            self->logLine(line);
        }
        memspFree(line);
        text = newline + 1;
    }
}

static void logThroughCallback(stdThread self, cString format, va_list ap)
{
    /* The lines belong to the log sink, not to the caller's memory space. */
    stdMemSpace callerSpace = stdSwapMemSpace(memspNativeMemSpace);

    stdString text = stringCreate(128);
    Int length = stringAddVFormat(text, format, ap);
    String buffer = stringStripToBuf(text);
    if (length > 0) {
        deliverLines(self, buffer, (size_t)length);
    }
    memspFree(buffer);

    stdSwapMemSpace(callerSpace);
}

void stdVSYSLOG(cString format, va_list ap)
{
    stdThread self = stdGetThreadContext();
    if (self->logLine != NULL) {
        logThroughCallback(self, format, ap);
    } else {
        vfprintf(msgLogStream(), format, ap);
    }
}

void stdSYSLOG(cString format, ...)
{
    va_list ap;
    va_start(ap, format);
    stdVSYSLOG(format, ap);
    va_end(ap);
}

stdLogLineFunc stdSetLogLine(stdLogLineFunc callback)
{
    stdThread self = stdGetThreadContext();
    discardPendingLine(self);
    stdLogLineFunc previous = self->logLine;
    self->savedLogLine = previous;
    self->logLine = callback;
    return previous;
}

stdLogLineFunc stdGetLogLine(void)
{
    return stdGetThreadContext()->logLine;
}

void stdRestoreLogLine(void)
{
    stdThread self = stdGetThreadContext();
    discardPendingLine(self);
    self->logLine = self->savedLogLine;
}

Pointer stdSetLogLineData(Pointer data)
{
    stdThread self = stdGetThreadContext();
    Pointer previous = self->logLineData;
    self->savedLogLineData = previous;
    self->logLineData = data;
    return previous;
}

Pointer stdGetLogLineData(void)
{
    return stdGetThreadContext()->logLineData;
}

void stdRestoreLogLineData(void)
{
    stdThread self = stdGetThreadContext();
    self->logLineData = self->savedLogLineData;
}
