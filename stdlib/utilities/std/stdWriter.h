/*
 * Writers: one output interface over several kinds of target (a callback,
 * nothing, a growable string, a stdio stream, a raw memory buffer), plus two
 * filtering writers stacked on another writer: one that expands tabs and one
 * that scrambles the bytes with the library's obfuscation (stdObfuscate.h).
 *
 * A null writer stands for standard output. A writer does not own its target
 * except where its delete callback closes it (the file-name writer); a
 * filtering writer does not own its inner writer.
 */
#ifndef stdWriter_INCLUDED
#define stdWriter_INCLUDED

#include <stdarg.h>
#include <stdio.h>
#include "stdTypes.h"
#include "stdString.h"
#include "stdObfuscate.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    wtrCallbackKind = 0,
    wtrNullKind     = 1,
    wtrStringKind   = 2,
    wtrStreamKind   = 3,
    wtrRawKind      = 4
} wtrKind;

/* Callbacks of a kind-0 writer; the write returns the count written or < 0. */
typedef Int64 (*wtrWriteFun)(Pointer data, cString bytes, uInt64 length);
typedef void  (*wtrResetFun)(Pointer data);
typedef void  (*wtrDeleteFun)(Pointer data);

typedef struct stdWriterRec {
    Int32        kind;       /* a wtrKind */
    wtrWriteFun  write;      /* kind 0 only */
    wtrResetFun  reset;      /* may be null */
    wtrDeleteFun cleanup;    /* may be null; called by wtrDelete */
    /* kind 0: the callbacks' data; 2: the stdString; 3: the FILE (null means
     * standard output); 4: the write position, advanced by every write */
    Pointer      data;
} stdWriterRec, *stdWriter;

/* Creation */
stdWriter wtrCreate(wtrWriteFun write, wtrResetFun reset, wtrDeleteFun cleanup, Pointer data);
stdWriter wtrCreateNullWriter(void);
stdWriter wtrCreateFileWriter(FILE *stream);             /* reset rewinds; closes nothing */
/* "-" is standard output; otherwise the file is opened for writing and closed
 * by wtrDelete. Reports the fatal stdMsgOpenOutputFailed when it cannot be opened. */
stdWriter wtrCreateFileNameWriter(cString path);
stdWriter wtrCreateStringWriter(stdString string);       /* reset empties the string */
stdWriter wtrCreateRawWriter(Pointer buffer);            /* the caller guarantees the room */
/* Expands tabs to blanks up to the next multiple of tabWidth (at least 1). */
stdWriter wtrCreateTabConvWriter(stdWriter inner, Int32 tabWidth);
/* Scrambles every byte before passing it on; reset restarts the keystream. */
stdWriter wtrCreateObfuscatedWriter(stdWriter inner, uInt32 seed);

/* Output; results are counts written, or < 0 on failure */
Int64 wtrWrite(stdWriter writer, cString bytes, uInt64 length);
Int64 wtrPrintf(stdWriter writer, cString format, ...) stdFORMAT(2, 3);
Int64 wtrVPrintf(stdWriter writer, cString format, va_list arguments);

void  wtrReset(stdWriter writer);
void  wtrDelete(stdWriter writer);                       /* null is ignored */

#ifdef __cplusplus
}
#endif

#endif
