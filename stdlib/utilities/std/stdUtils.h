/*
 * Small stateless helpers: integer logarithms, GCD and LCM, relations of bit
 * masks, bit-field range checks, bit fields in arrays of 64-bit words, text
 * trimming and comment skipping, debug printing and thread-ID hashing.
 * None allocates. Unless stated otherwise they trust their arguments.
 */
#ifndef stdUtils_INCLUDED
#define stdUtils_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Integer arithmetic */
Int32 stdLOG2U(uInt32 x);            /* log2 rounded up; -1 for 0 */
Int32 stdLOG2(uInt32 x);             /* index of the highest set bit; -1 for 0 */
Int32 stdLOG2_64(uInt64 x);          /* the same for 64 bits */
Int32 stdGCD(uInt32 a, uInt32 b);    /* gcd(a, 0) = a, gcd(0, b) = b */
Int32 stdLCM(uInt32 a, uInt32 b);    /* 0 when b is 0; wraps on overflow */

/* How two masks relate: 0 disjoint, 3 equal, 2 a within b, 1 b within a,
 * 4 partial overlap (checked in that order). */
Int32 stdBitsOverlapsHow32(uInt32 a, uInt32 b);
Int32 stdBitsOverlapsHow64(uInt64 a, uInt64 b);

/*
 * Whether `value` fits a bit field of `fieldWidth` bits in a type of
 * `typeWidth` bits. Signed only: two's complement of fieldWidth bits.
 * Unsigned: the value read as unsigned fits. Signed with `magnitude`:
 * -2^w <= value <= 2^w - 1 and never the type's most negative value.
 * A field as wide as the type (or wider) takes every value.
 */
Bool stdInRange32(Int32 value, uInt32 fieldWidth, uInt32 typeWidth, Bool isSigned, Bool magnitude);
Bool stdInRange64(Int64 value, uInt32 fieldWidth, uInt32 typeWidth, Bool isSigned, Bool magnitude);

/* Bit fields in arrays of 64-bit words: bit i is bit i % 64 of word i / 64;
 * a field of 1 to 64 bits may span two adjacent words. */
void   stdPutBits(uInt64 value, uInt64 offset, uInt32 width, uInt64 *words);
uInt64 stdGetBits(uInt64 offset, uInt32 width, const uInt64 *words);

/* Text helpers */
/* Trims blanks, tabs, newlines and carriage returns: NULs over the trailing
 * ones, returns the first remaining character. */
String stdShrinkWrap(String text);
/* Moves *text past one leading "//" line or "/" "*" comment, if any. */
void   stdSkipComments(String *text);
/* Copies source to destination (room for strlen(source) + 1), mapping
 * " ", "-", "." to "_" and "#", "*", "@" to "$". */
void   stdTranslateNonIdChars(cString source, String destination);

/* Debug printing to standard output, one value per line */
void stdPrintString(cString text);   /* "<Nil>" for null */
void stdPrintInt(Int32 value);
void stdPrintInt64(Int64 value);
void stdPrintPInt64(const Int64 *value);
void stdPrintuInt(uInt32 value);
void stdPrintuInt64(uInt64 value);
void stdPrintPuInt64(const uInt64 *value);
void stdPrintHex(uInt32 value);
void stdPrintHex64(uInt64 value);
void stdPrintPHex64(const uInt64 *value);

/* Hashing of thread IDs (each argument points to a pthread_t), for maps */
uInt32 procpThreadIdHash(Pointer threadId);
Bool   procpThreadIdEqual(Pointer a, Pointer b);

/* A function that does nothing, for breakpoints */
void STOP(void);

/* The library's identification text, fixed when the library is built */
cString stdIDENT(void);

#ifdef __cplusplus
}
#endif

#endif
