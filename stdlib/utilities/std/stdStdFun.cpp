/*
 * The standard hash, equality and ordering functions.
 */
#include <string.h>
#include "stdStdFun.h"

static inline uInt64 wordOf(Pointer p) { return (uInt64)(Address)p; }

static inline Int32 int32Of(Pointer p) { return (Int32)(uInt32)wordOf(p); }

static inline float floatOf(Pointer p)
{
    uInt32 bits = (uInt32)wordOf(p);
    float  f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

static inline uInt32 fold64(uInt64 v) { return (uInt32)v ^ (uInt32)(v >> 32); }

/* Loads through memcpy: the pointed-to values need not be aligned. */
template <typename T> static inline T load(Pointer p)
{
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}

/* The per-block scrambling of 32-bit MurmurHash3. */
static inline uInt32 murmurScramble(uInt32 k)
{
    k *= 0xcc9e2d51u;
    k = (k << 15) | (k >> 17);
    return k * 0x1b873593u;
}

static inline unsigned char upper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? (unsigned char)(c - 'a' + 'A') : c;
}

/* Where two texts first differ with case ignored: negative, zero or
 * positive as a orders before, with or after b. */
static int ciCompare(Pointer a, Pointer b)
{
    const unsigned char *p = (const unsigned char *)a, *q = (const unsigned char *)b;
    for (; *p && upper(*p) == upper(*q); p++, q++) {
    }
    return (int)upper(*p) - (int)upper(*q);
}

extern "C" {

uInt32 stdIntHash(Pointer k) { return (uInt32)wordOf(k); }
Bool   stdIntEqual(Pointer a, Pointer b) { return int32Of(a) == int32Of(b); }
Bool   stdIntLessEq(Pointer a, Pointer b) { return int32Of(a) <= int32Of(b); }

uInt32 stdInt64Hash(Pointer k) { return fold64(wordOf(k)); }
Bool   stdInt64Equal(Pointer a, Pointer b) { return wordOf(a) == wordOf(b); }
Bool   stdInt64LessEq(Pointer a, Pointer b) { return (Int64)wordOf(a) <= (Int64)wordOf(b); }

uInt32 stdFloatHash(Pointer f) { return (uInt32)wordOf(f) >> 4; }
Bool   stdFloatEqual(Pointer a, Pointer b) { return floatOf(a) == floatOf(b); }
Bool   stdFloatLessEq(Pointer a, Pointer b) { return floatOf(a) <= floatOf(b); }

uInt32 stdPointerHash(Pointer p)
{
    uInt64 k = wordOf(p);
    return (uInt32)((k >> 8) ^ (k >> 5) ^ (k >> 11));
}
Bool stdPointerEqual(Pointer a, Pointer b) { return a == b; }
Bool stdPointerLessEq(Pointer a, Pointer b) { return wordOf(a) <= wordOf(b); }

uInt32 stdpInt32Hash(Pointer p) { return (uInt32)load<Int32>(p); }
Bool   stdpInt32Equal(Pointer a, Pointer b) { return load<Int32>(a) == load<Int32>(b); }
Bool   stdpInt32LessEq(Pointer a, Pointer b) { return load<Int32>(a) <= load<Int32>(b); }

uInt32 stdpInt64Hash(Pointer p) { return fold64((uInt64)load<Int64>(p)); }
Bool   stdpInt64Equal(Pointer a, Pointer b) { return load<Int64>(a) == load<Int64>(b); }
Bool   stdpInt64LessEq(Pointer a, Pointer b) { return load<Int64>(a) <= load<Int64>(b); }

uInt32 stdpuInt64Hash(Pointer p) { return fold64(load<uInt64>(p)); }
Bool   stdpuInt64Equal(Pointer a, Pointer b) { return load<uInt64>(a) == load<uInt64>(b); }
Bool   stdpuInt64LessEq(Pointer a, Pointer b) { return load<uInt64>(a) <= load<uInt64>(b); }

/* 32-bit MurmurHash3 (x86 variant), seed 0. */
uInt32 stdStringHash(Pointer s)
{
    const unsigned char *data = (const unsigned char *)s;
    size_t length = strlen((const char *)data);
    uInt32 h = 0;

    size_t blocks = length / 4;
    for (size_t i = 0; i < blocks; i++) {
        const unsigned char *b = data + 4 * i;
        uInt32 k = (uInt32)b[0] | (uInt32)b[1] << 8 | (uInt32)b[2] << 16 | (uInt32)b[3] << 24;
        h ^= murmurScramble(k);
        h = (h << 13) | (h >> 19);
        h = h * 5 + 0xe6546b64u;
    }

    const unsigned char *tail = data + 4 * blocks;
    uInt32 k = 0;
    switch (length & 3) {
    case 3: k ^= (uInt32)tail[2] << 16; [[fallthrough]];
    case 2: k ^= (uInt32)tail[1] << 8;  [[fallthrough]];
    case 1:
        k ^= tail[0];
        h ^= murmurScramble(k);
    }

    h ^= (uInt32)length;
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

Bool stdStringEqual(Pointer a, Pointer b) { return strcmp((cString)a, (cString)b) == 0; }
Bool stdStringLessEq(Pointer a, Pointer b) { return strcmp((cString)a, (cString)b) <= 0; }

uInt32 stdNStringHash(Pointer s) { return s ? stdStringHash(s) : 0xFFFFFFFFu; }

Bool stdNStringEqual(Pointer a, Pointer b)
{
    if (a == b) return True;
    return a && b && strcmp((cString)a, (cString)b) == 0;
}

uInt32 stdCIStringHash(Pointer s)
{
    uInt32 h = 0;
    for (const unsigned char *p = (const unsigned char *)s; *p; p++)
        h = (31 * h + upper(*p)) % 65535;
    return h;
}

Bool stdCIStringEqual(Pointer a, Pointer b) { return ciCompare(a, b) == 0; }
Bool stdCIStringLessEq(Pointer a, Pointer b) { return ciCompare(a, b) <= 0; }

String stdStringIsPrefix(cString prefix, cString s)
{
    size_t n = strlen(prefix);
    return strncmp(prefix, s, n) == 0 ? (String)(s + n) : nullptr;
}

String stdCIStringIsPrefix(cString prefix, cString s)
{
    const unsigned char *p = (const unsigned char *)prefix, *q = (const unsigned char *)s;
    for (; *p; p++, q++)
        if (upper(*p) != upper(*q)) return nullptr;   /* also stops at the end of s */
    return (String)q;
}

} /* extern "C" */
