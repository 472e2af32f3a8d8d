/*
 * Integer logarithms, GCD/LCM, mask relations, bit-field range checks and
 * bit fields in arrays of 64-bit words.
 */
#include "stdUtils.h"
#include "stdMessages.h"

#include <limits>
#include <type_traits>

namespace {

/* Index of the highest set bit; the callers have already returned for 0. */
template <typename U>
Int32 highestBit(U x)
{
    if (x == 0) {
        stdASSERT(False, ("zero argument to stdFirstBit32"));
    }
    return Int32(sizeof(U) * 8 - 1) - Int32(sizeof(U) == 8 ? __builtin_clzll(x) : __builtin_clz(x));
}

template <typename U>
Int32 overlapsHow(U a, U b)
{
    if ((a & b) == 0) return 0;
    if (a == b) return 3;
    if ((a & ~b) == 0) return 2;
    if ((b & ~a) == 0) return 1;
    return 4;
}

/* Shared by the 32- and 64-bit checks; S is the value's signed type. Shifts
 * by the full type width are avoided: a field that wide takes every value. */
template <typename S>
Bool inRange(S value, uInt32 fieldWidth, uInt32 typeWidth, Bool isSigned, Bool magnitude)
{
    using U = std::make_unsigned_t<S>;
    const uInt32 bits = sizeof(S) * 8;

    if (fieldWidth == typeWidth) {
        isSigned = True;
    } else if (isSigned && !magnitude) {
        if (fieldWidth >= bits) return True;
        if (fieldWidth == 0) return value == 0;
        S limit = S(U(1) << (fieldWidth - 1));
        return value >= S(-limit) && value <= S(limit - 1);
    }

    if (magnitude && value == std::numeric_limits<S>::min()) return False;
    U x = (value < 0 && isSigned) ? U(~value) : U(value);
    if (fieldWidth >= bits) return True;
    return (x >> fieldWidth) == 0;
}

uInt64 lowMask(uInt32 width)
{
    return width >= 64 ? ~uInt64(0) : (uInt64(1) << width) - 1;
}

} // namespace

extern "C" {

Int32 stdLOG2U(uInt32 x)
{
    if (x == 0) return -1;
    Int32 floor = highestBit(x);
    return (x & (x - 1)) == 0 ? floor : floor + 1;
}

Int32 stdLOG2(uInt32 x)
{
    return x == 0 ? -1 : highestBit(x);
}

Int32 stdLOG2_64(uInt64 x)
{
    return x == 0 ? -1 : highestBit(x);
}

Int32 stdGCD(uInt32 a, uInt32 b)
{
    while (b != 0) {
        uInt32 r = a % b;
        a = b;
        b = r;
    }
    return Int32(a);
}

Int32 stdLCM(uInt32 a, uInt32 b)
{
    if (b == 0) return 0;
    return Int32(a / uInt32(stdGCD(a, b)) * b);
}

Int32 stdBitsOverlapsHow32(uInt32 a, uInt32 b) { return overlapsHow(a, b); }
Int32 stdBitsOverlapsHow64(uInt64 a, uInt64 b) { return overlapsHow(a, b); }

Bool stdInRange32(Int32 value, uInt32 fieldWidth, uInt32 typeWidth, Bool isSigned, Bool magnitude)
{
    return inRange<Int32>(value, fieldWidth, typeWidth, isSigned, magnitude);
}

Bool stdInRange64(Int64 value, uInt32 fieldWidth, uInt32 typeWidth, Bool isSigned, Bool magnitude)
{
    return inRange<Int64>(value, fieldWidth, typeWidth, isSigned, magnitude);
}

void stdPutBits(uInt64 value, uInt64 offset, uInt32 width, uInt64 *words)
{
    uInt64 *word = words + offset / 64;
    uInt32  bit  = uInt32(offset % 64);
    uInt64  mask = lowMask(width);

    value &= mask;
    word[0] = (word[0] & ~(mask << bit)) | (value << bit);
    if (bit + width > 64) {
        /* bit is at least 1 here, so both shifts stay below 64 */
        uInt64 highMask = lowMask(bit + width - 64);
        word[1] = (word[1] & ~highMask) | (value >> (64 - bit));
    }
}

uInt64 stdGetBits(uInt64 offset, uInt32 width, const uInt64 *words)
{
    const uInt64 *word = words + offset / 64;
    uInt32 bit = uInt32(offset % 64);

    uInt64 result = word[0] >> bit;
    if (bit + width > 64) result |= word[1] << (64 - bit);
    return result & lowMask(width);
}

} // extern "C"
