/*
 * Writers over callbacks, nothing, strings, stdio streams and raw buffers.
 * The filtering writers are in stdWriterFilters.cpp.
 */
#include "stdWriter.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

#include <string.h>

namespace {

stdWriter newWriter(Int32 kind, wtrWriteFun write, wtrResetFun reset, wtrDeleteFun cleanup,
                    Pointer data)
{
    stdWriter writer = (stdWriter)stdMALLOC(sizeof(stdWriterRec));
    writer->kind = kind;
    writer->write = write;
    writer->reset = reset;
    writer->cleanup = cleanup;
    writer->data = data;
    return writer;
}

/* A null stream stands for standard output, which the writer does not own:
 * like the "-" file-name writer, resetting it leaves it alone. */
void rewindStream(Pointer stream)
{
    if (stream) rewind((FILE *)stream);
}
void closeStream(Pointer stream) { fclose((FILE *)stream); }
void emptyString(Pointer string) { stringEmpty((stdString)string); }

/* Callback and null writers get their text formatted into a temporary
 * string first, then written as one piece. */
Int64 printThroughWrite(stdWriter writer, cString format, va_list arguments)
{
    stdString text = stringCreate(128);
    Int length = stringAddVFormat(text, format, arguments);
    if (length < 0) {
        stringDelete(text);
        return length;
    }
    String flat = stringStripToBuf(text);
    Int64 result = wtrWrite(writer, flat, (uInt64)length);
    memspFree(flat);
    return result;
}

} // namespace

extern "C" {

stdWriter wtrCreate(wtrWriteFun write, wtrResetFun reset, wtrDeleteFun cleanup, Pointer data)
{
    stdASSERT(write != nullptr, ("callback writer without a write function"));
    return newWriter(wtrCallbackKind, write, reset, cleanup, data);
}

stdWriter wtrCreateNullWriter(void)
{
    return newWriter(wtrNullKind, nullptr, nullptr, nullptr, nullptr);
}

stdWriter wtrCreateFileWriter(FILE *stream)
{
    return newWriter(wtrStreamKind, nullptr, rewindStream, nullptr, stream);
}

stdWriter wtrCreateFileNameWriter(cString path)
{
    if (strcmp(path, "-") == 0) return newWriter(wtrStreamKind, nullptr, nullptr, nullptr, nullptr);

    FILE *stream = fopen(path, "w");
    if (!stream) {
        msgReport(stdMsgOpenOutputFailed, path);
        /* Only a suppressed message comes back here. A stream writer with no
         * stream would print on standard output, so hand out one that
         * discards instead. */
        return wtrCreateNullWriter();
    }
    return newWriter(wtrStreamKind, nullptr, rewindStream, closeStream, stream);
}

stdWriter wtrCreateStringWriter(stdString string)
{
    return newWriter(wtrStringKind, nullptr, emptyString, nullptr, string);
}

stdWriter wtrCreateRawWriter(Pointer buffer)
{
    return newWriter(wtrRawKind, nullptr, nullptr, nullptr, buffer);
}

Int64 wtrWrite(stdWriter writer, cString bytes, uInt64 length)
{
    if (!writer) return (Int64)fwrite(bytes, 1, length, stdout);

    switch (writer->kind) {
    case wtrCallbackKind:
        return writer->write(writer->data, bytes, length);
    case wtrNullKind:
        return (Int64)length;
    case wtrStringKind:
        stringAddBufLen((stdString)writer->data, bytes, length);
        return (Int64)length;
    case wtrStreamKind:
        if (writer->data) return (Int64)fwrite(bytes, 1, length, (FILE *)writer->data);
        for (uInt64 i = 0; i < length; i++) putc(bytes[i], stdout);
        return (Int64)length;
    case wtrRawKind:
        memcpy(writer->data, bytes, length);
        writer->data = (char *)writer->data + length;
        return (Int64)length;
    default:
        return -1;
    }
}

Int64 wtrPrintf(stdWriter writer, cString format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Int64 result = wtrVPrintf(writer, format, arguments);
    va_end(arguments);
    return result;
}

Int64 wtrVPrintf(stdWriter writer, cString format, va_list arguments)
{
    if (!writer) return vfprintf(stdout, format, arguments);

    switch (writer->kind) {
    case wtrCallbackKind:
    case wtrNullKind:
        return printThroughWrite(writer, format, arguments);
    case wtrStringKind:
        return stringAddVFormat((stdString)writer->data, format, arguments);
    case wtrStreamKind:
        return vfprintf(writer->data ? (FILE *)writer->data : stdout, format, arguments);
    case wtrRawKind: {
        int length = vsprintf((char *)writer->data, format, arguments);
        if (length > 0) writer->data = (char *)writer->data + length;
        return length;
    }
    default:
        return -1;
    }
}

void wtrReset(stdWriter writer)
{
    if (writer && writer->reset) writer->reset(writer->data);
}

void wtrDelete(stdWriter writer)
{
    if (!writer) return;
    if (writer->cleanup) writer->cleanup(writer->data);
    memspFree(writer);
}

} // extern "C"
