/*
 * The library's standard hash, equality and ordering functions, passed to
 * maps, sets and sorts.
 *
 * Every function takes machine words. Integer forms read the value held in
 * the word itself; the stdp... forms read the value the word points to.
 * A float is held as its 32-bit single-precision pattern in the low 32 bits
 * of the word. Only the low 32 bits of a hash are used.
 */
#ifndef stdStdFun_INCLUDED
#define stdStdFun_INCLUDED

#include "stdTypes.h"
#include "stdList.h"   /* stdHashFun, stdEqualFun, stdLessEqFun */

#ifdef __cplusplus
extern "C" {
#endif

/* Hash and equality that also receive the data pointer fixed at table creation. */
typedef uInt32 (*stdHashDFun)(Pointer element, Pointer data);
typedef Bool   (*stdEqualDFun)(Pointer stored, Pointer probe, Pointer data);

/* 32-bit signed integers: hash is the word itself; compare the low 32 bits. */
uInt32 stdIntHash(Pointer k);
Bool   stdIntEqual(Pointer a, Pointer b);
Bool   stdIntLessEq(Pointer a, Pointer b);

/* 64-bit signed integers: hash is low 32 XOR high 32. */
uInt32 stdInt64Hash(Pointer k);
Bool   stdInt64Equal(Pointer a, Pointer b);
Bool   stdInt64LessEq(Pointer a, Pointer b);

/* Single-precision floats: hash is the float's bit pattern shifted right by 4. */
uInt32 stdFloatHash(Pointer f);
Bool   stdFloatEqual(Pointer a, Pointer b);
Bool   stdFloatLessEq(Pointer a, Pointer b);

/* Pointers: hash (p >> 8) ^ (p >> 5) ^ (p >> 11); order is unsigned. */
uInt32 stdPointerHash(Pointer p);
Bool   stdPointerEqual(Pointer a, Pointer b);
Bool   stdPointerLessEq(Pointer a, Pointer b);

/* The pointed-to Int32, Int64 and uInt64 */
uInt32 stdpInt32Hash(Pointer p);
Bool   stdpInt32Equal(Pointer a, Pointer b);
Bool   stdpInt32LessEq(Pointer a, Pointer b);
uInt32 stdpInt64Hash(Pointer p);
Bool   stdpInt64Equal(Pointer a, Pointer b);
Bool   stdpInt64LessEq(Pointer a, Pointer b);
uInt32 stdpuInt64Hash(Pointer p);
Bool   stdpuInt64Equal(Pointer a, Pointer b);
Bool   stdpuInt64LessEq(Pointer a, Pointer b);

/* NUL-terminated texts. The hash is 32-bit MurmurHash3 with seed 0 (0 for "");
 * the ordering is strcmp's. */
uInt32 stdStringHash(Pointer s);
Bool   stdStringEqual(Pointer a, Pointer b);
Bool   stdStringLessEq(Pointer a, Pointer b);

/* Texts that may be null: null hashes to 0xFFFFFFFF and equals only null. */
uInt32 stdNStringHash(Pointer s);
Bool   stdNStringEqual(Pointer a, Pointer b);

/* Texts with the ASCII letters compared without regard to case; all other
 * bytes compare exactly. A prefix orders before the longer text. */
uInt32 stdCIStringHash(Pointer s);
Bool   stdCIStringEqual(Pointer a, Pointer b);
Bool   stdCIStringLessEq(Pointer a, Pointer b);

/* If `prefix` begins `s`: the position in `s` just after it; else null. */
String stdStringIsPrefix(cString prefix, cString s);
String stdCIStringIsPrefix(cString prefix, cString s);

#ifdef __cplusplus
}
#endif

#endif
