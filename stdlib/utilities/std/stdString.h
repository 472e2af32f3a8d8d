/*
 * Growable strings: text built by appending pieces, characters and
 * printf-style formatting, kept as a list of buckets and flattened into one
 * allocated text when done. Stored text is never moved: a new bucket is made
 * only when the current one is full. Texts are byte strings; no terminator
 * is kept inside the buckets.
 *
 * Strings and buckets come from the calling thread's current memory space;
 * a flattened text belongs to the caller, who frees it with memspFree.
 */
#ifndef stdString_INCLUDED
#define stdString_INCLUDED

#include <stdarg.h>
#include "stdTypes.h"
#include "stdList.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stringBucketRec {
    uInt64 capacity;
    uInt64 free;          /* room left at the end; used part is capacity - free */
    char  *data;
} stringBucketRec, *stringBucket;

typedef struct stdStringRec {
    uInt64       bucketSize;     /* smallest capacity of a new bucket */
    uInt64       length;         /* characters held */
    stdList      buckets;        /* of stringBucket, oldest first */
    stdList     *tail;           /* the last cell's next field, for appending */
    stringBucket current;        /* receives the next characters; may be null */
} stdStringRec, *stdString;

/* Life */
stdString stringCreate(uInt64 bucketSize);
void      stringDelete(stdString string);
void      stringEmpty(stdString string);                 /* drops all text */
stdString stringCopy(stdString string);                  /* same text, bucket size 128 */

/* Appending */
void stringAddBufLen(stdString string, cString bytes, uInt64 length);
void stringAddBuf(stdString string, cString text);       /* NUL-terminated */
void stringAddChar(stdString string, char character);
void stringAddString(stdString string, stdString other); /* other is unchanged */
/* Return the number of characters appended (negative, nothing appended,
 * when the format cannot be expanded). */
Int  stringAddFormat(stdString string, cString format, ...) stdFORMAT(2, 3);
Int  stringAddVFormat(stdString string, cString format, va_list arguments);

/* Queries and taking the text out */
uInt64 stringSize(stdString string);
String stringToBuf(stdString string);        /* new NUL-terminated text; string unchanged */
String stringStripToBuf(stdString string);   /* the same, and the string is deleted */

#ifdef __cplusplus
}
#endif

#endif
