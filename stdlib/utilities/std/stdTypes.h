/*
 * Basic scalar types shared by the whole support layer.
 */
#ifndef stdTypes_INCLUDED
#define stdTypes_INCLUDED

#include <stddef.h>
#include <stdint.h>

typedef unsigned char Bool; /* one-byte Boolean */
#ifndef True
#define True  ((Bool)1)
#define False ((Bool)0)
#endif

typedef int8_t   Int8;
typedef uint8_t  uInt8;
typedef int16_t  Int16;
typedef uint16_t uInt16;
typedef int32_t  Int32;
typedef uint32_t uInt32;
typedef int64_t  Int64;
typedef uint64_t uInt64;
typedef int      Int;
typedef unsigned uInt;
typedef uintptr_t Address;

typedef void       *Pointer;
typedef char       *String;
typedef const char *cString;

/* printf-style checking for the formatting functions of the library */
#define stdFORMAT(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))
#define stdNORETURN __attribute__((noreturn))

#endif
