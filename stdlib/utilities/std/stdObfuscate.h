/*
 * The library's byte-stream obfuscation: a keystream from a linear
 * congruential generator, a fixed byte permutation and chaining on the
 * previous scrambled byte. Scrambling a sequence with one obfuscation and
 * unscrambling it with another made from the same seed gives it back.
 * This hides text from casual reading; it is not encryption.
 */
#ifndef stdObfuscate_INCLUDED
#define stdObfuscate_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct stdObfuscationRec {
    uInt32 generator;   /* starts as the seed */
    uInt32 word;        /* current keystream word */
    Int32  countdown;   /* keystream bytes left in the word */
    uInt8  chain;       /* the last scrambled byte */
} stdObfuscationRec, *stdObfuscation;

stdObfuscation stdCreateObfuscation(uInt32 seed);
stdObfuscation stdCloneObfuscation(stdObfuscation obfuscation);  /* independent copy */
void           stdDeleteObfuscation(stdObfuscation obfuscation);

uInt8 stdObfuscate(stdObfuscation obfuscation, uInt8 byte);
void  stdObfuscateBuffer(stdObfuscation obfuscation, Pointer bytes, uInt64 length);  /* in place */
uInt8 stdDeobfuscate(stdObfuscation obfuscation, uInt8 byte);
void  stdDeobfuscateBuffer(stdObfuscation obfuscation, Pointer bytes, uInt64 length);

#ifdef __cplusplus
}
#endif

#endif
