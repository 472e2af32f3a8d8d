/*
 * Byte-stream obfuscation: keystream, permutation and chaining.
 */
#include "stdObfuscate.h"
#include "stdMemSpace.h"

#include <array>

namespace {

using ByteTable = std::array<uInt8, 256>;

/* A fixed shuffle of the byte values (Fisher-Yates driven by a small LCG),
 * made once at compile time; any permutation serves. */
constexpr ByteTable makePermutation()
{
    ByteTable table{};
    for (unsigned i = 0; i < 256; i++) table[i] = uInt8(i);
    uInt32 state = 0x2545F491u;
    for (unsigned i = 255; i > 0; i--) {
        state = state * 1664525u + 1013904223u;
        unsigned j = (state >> 8) % (i + 1);
        uInt8 swap = table[i];
        table[i] = table[j];
        table[j] = swap;
    }
    return table;
}

constexpr ByteTable makeInverse(const ByteTable &forward)
{
    ByteTable inverse{};
    for (unsigned i = 0; i < 256; i++) inverse[forward[i]] = uInt8(i);
    return inverse;
}

constexpr ByteTable permutation = makePermutation();
constexpr ByteTable invPermutation = makeInverse(permutation);

/* Each generator step supplies four keystream bytes, lowest first; a fresh
 * obfuscation (countdown 1) steps on its first byte. */
uInt8 nextKeyByte(stdObfuscation obfuscation)
{
    if (obfuscation->countdown-- == 1) {
        obfuscation->countdown = 4;
        obfuscation->generator = obfuscation->generator * 1103515245u + 12345u;
        obfuscation->word = obfuscation->generator;
    } else {
        obfuscation->word >>= 8;
    }
    return uInt8(obfuscation->word);
}

stdObfuscation allocateObfuscation()
{
    stdObfuscation obfuscation = (stdObfuscation)stdMALLOC(sizeof(stdObfuscationRec));
    return obfuscation;
}

} // namespace

extern "C" {

stdObfuscation stdCreateObfuscation(uInt32 seed)
{
    stdObfuscation obfuscation = allocateObfuscation();
    obfuscation->generator = seed;
    obfuscation->word = 0;
    obfuscation->countdown = 1;
    obfuscation->chain = uInt8(~seed);
    return obfuscation;
}

stdObfuscation stdCloneObfuscation(stdObfuscation obfuscation)
{
    stdObfuscation clone = allocateObfuscation();
    *clone = *obfuscation;
    return clone;
}

void stdDeleteObfuscation(stdObfuscation obfuscation)
{
    memspFree(obfuscation);
}

uInt8 stdObfuscate(stdObfuscation obfuscation, uInt8 byte)
{
    uInt8 key = nextKeyByte(obfuscation);
    obfuscation->chain = uInt8(obfuscation->chain ^ permutation[byte ^ key]);
    return obfuscation->chain;
}

uInt8 stdDeobfuscate(stdObfuscation obfuscation, uInt8 byte)
{
    uInt8 key = nextKeyByte(obfuscation);
    uInt8 plain = uInt8(key ^ invPermutation[byte ^ obfuscation->chain]);
    obfuscation->chain = byte;
    return plain;
}

void stdObfuscateBuffer(stdObfuscation obfuscation, Pointer bytes, uInt64 length)
{
    uInt8 *p = (uInt8 *)bytes;
    for (uInt64 i = 0; i < length; i++) p[i] = stdObfuscate(obfuscation, p[i]);
}

void stdDeobfuscateBuffer(stdObfuscation obfuscation, Pointer bytes, uInt64 length)
{
    uInt8 *p = (uInt8 *)bytes;
    for (uInt64 i = 0; i < length; i++) p[i] = stdDeobfuscate(obfuscation, p[i]);
}

} // extern "C"
