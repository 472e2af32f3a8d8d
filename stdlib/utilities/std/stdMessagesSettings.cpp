/*
 * The message settings of the calling thread.
 */
#include "stdMessages.h"
#include "stdThreads.h"

void msgSetToolName(cString name)            { stdGetThreadContext()->toolName = name; }
cString msgGetToolName(void)                 { return stdGetThreadContext()->toolName; }
void msgSetSuffix(cString suffix)            { stdGetThreadContext()->suffix = suffix; }
cString msgGetSuffix(void)                   { return stdGetThreadContext()->suffix; }
void msgSetWarnAsError(Bool value)           { stdGetThreadContext()->warnAsError = value; }
Bool msgGetWarnAsError(void)                 { return stdGetThreadContext()->warnAsError; }
void msgSetIgnoreWarnings(Bool value)        { stdGetThreadContext()->ignoreWarnings = value; }
Bool msgGetIgnoreWarnings(void)              { return stdGetThreadContext()->ignoreWarnings; }
void msgSetAddErrorClassPrefixes(Bool value) { stdGetThreadContext()->addErrorClassPrefixes = value; }
Bool msgGetAddErrorClassPrefixes(void)       { return stdGetThreadContext()->addErrorClassPrefixes; }
void msgSetDontPrefixErrorLines(Bool value)  { stdGetThreadContext()->dontPrefixErrorLines = value; }
Bool msgGetDontPrefixErrorLines(void)        { return stdGetThreadContext()->dontPrefixErrorLines; }

Bool msgPreserveAddErrorClassPrefixes(void)
{
    stdThread self = stdGetThreadContext();
    self->savedAddErrorClassPrefixes = self->addErrorClassPrefixes;
    return self->savedAddErrorClassPrefixes;
}

void msgRestoreAddErrorClassPrefixes(void)
{
    stdThread self = stdGetThreadContext();
    self->addErrorClassPrefixes = self->savedAddErrorClassPrefixes;
}

Bool msgPreserveDontPrefixErrorLines(void)
{
    stdThread self = stdGetThreadContext();
    self->savedDontPrefixErrorLines = self->dontPrefixErrorLines;
    return self->savedDontPrefixErrorLines;
}

void msgRestoreDontPrefixErrorLines(void)
{
    stdThread self = stdGetThreadContext();
    self->dontPrefixErrorLines = self->savedDontPrefixErrorLines;
}
