/*
 * The standard hash, equality and ordering functions.
 */
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include "stdStdFun.h"

namespace {

Pointer word(uInt64 v) { return (Pointer)(Address)v; }

Pointer floatWord(float f)
{
    uInt32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return word(bits);
}

/* Expected values come from an independent implementation of 32-bit
 * MurmurHash3 that reproduces the published test vectors. */
TEST(StringHashing, MatchesMurmurHash3WithSeedZero)
{
    EXPECT_EQ(stdStringHash((Pointer) "hello"), 0x248bfa47u);
    EXPECT_EQ(stdStringHash((Pointer) "The quick brown fox jumps over the lazy dog"), 0x2e4ff723u);
    EXPECT_EQ(stdStringHash((Pointer) "Hello, world!"), 0xc0363e43u);
}

TEST(StringHashing, TailsOfOneToThreeBytes)
{
    EXPECT_EQ(stdStringHash((Pointer) "a"), 0x3c2569b2u);
    EXPECT_EQ(stdStringHash((Pointer) "ab"), 0x9bbfd75fu);
    EXPECT_EQ(stdStringHash((Pointer) "abc"), 0xb3dd93fau);
    EXPECT_EQ(stdStringHash((Pointer) "abcd"), 0x43ed676au);
}

TEST(StringHashing, BytesAboveSevenBitsAreUnsigned)
{
    EXPECT_EQ(stdStringHash((Pointer) "\xff\xfe\x80"), 0x12cb5f1fu);
}

TEST(StringHashing, EmptyAndNullTexts)
{
    EXPECT_EQ(stdStringHash((Pointer) ""), 0u);
    EXPECT_EQ(stdNStringHash(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(stdNStringHash((Pointer) "hello"), 0x248bfa47u);
}

TEST(StringComparison, EqualityAndOrderFollowStrcmp)
{
    char a[] = "abc", b[] = "abc";
    EXPECT_TRUE(stdStringEqual(a, b));
    EXPECT_FALSE(stdStringEqual((Pointer) "abc", (Pointer) "abd"));
    EXPECT_TRUE(stdStringLessEq((Pointer) "abc", (Pointer) "abd"));
    EXPECT_TRUE(stdStringLessEq((Pointer) "abc", (Pointer) "abc"));
    EXPECT_FALSE(stdStringLessEq((Pointer) "abd", (Pointer) "abc"));
    EXPECT_TRUE(stdStringLessEq((Pointer) "ab", (Pointer) "abc"));
}

TEST(StringComparison, NullableTexts)
{
    char a[] = "x", b[] = "x";
    EXPECT_TRUE(stdNStringEqual(nullptr, nullptr));
    EXPECT_FALSE(stdNStringEqual(nullptr, a));
    EXPECT_FALSE(stdNStringEqual(a, nullptr));
    EXPECT_TRUE(stdNStringEqual(a, b));
    EXPECT_FALSE(stdNStringEqual(a, (Pointer) "y"));
}

TEST(CaseIgnoringTexts, HashFoldsLettersToUpperCase)
{
    EXPECT_EQ(stdCIStringHash((Pointer) "ab"), 2081u);
    EXPECT_EQ(stdCIStringHash((Pointer) "AB"), 2081u);
    EXPECT_EQ(stdCIStringHash((Pointer) "zzzzzzzzzzzz"), 1335u);   /* wraps modulo 65535 */
    EXPECT_EQ(stdCIStringHash((Pointer) "Hello World"), 3481u);
    EXPECT_EQ(stdCIStringHash((Pointer) "\xe9t\xe9"), 30145u);      /* bytes read unsigned */
    EXPECT_EQ(stdCIStringHash((Pointer) ""), 0u);
}

TEST(CaseIgnoringTexts, OnlyLettersIgnoreTheCaseBit)
{
    EXPECT_TRUE(stdCIStringEqual((Pointer) "Ab", (Pointer) "aB"));
    EXPECT_FALSE(stdCIStringEqual((Pointer) "@", (Pointer) "`"));
    EXPECT_FALSE(stdCIStringEqual((Pointer) "[", (Pointer) "{"));
    EXPECT_FALSE(stdCIStringEqual((Pointer) "ab", (Pointer) "abc"));
    EXPECT_FALSE(stdCIStringEqual((Pointer) "abc", (Pointer) "ab"));
    EXPECT_TRUE(stdCIStringEqual((Pointer) "", (Pointer) ""));
}

TEST(CaseIgnoringTexts, OrderComparesUpperCaseBytes)
{
    EXPECT_TRUE(stdCIStringLessEq((Pointer) "abc", (Pointer) "ABD"));
    EXPECT_TRUE(stdCIStringLessEq((Pointer) "ABC", (Pointer) "abc"));
    EXPECT_TRUE(stdCIStringLessEq((Pointer) "abc", (Pointer) "ABC"));
    EXPECT_TRUE(stdCIStringLessEq((Pointer) "ab", (Pointer) "abc"));
    EXPECT_FALSE(stdCIStringLessEq((Pointer) "abc", (Pointer) "ab"));
    /* 'a' orders as 'A' (0x41), before '_' (0x5F) */
    EXPECT_TRUE(stdCIStringLessEq((Pointer) "a", (Pointer) "_"));
    EXPECT_FALSE(stdCIStringLessEq((Pointer) "_", (Pointer) "a"));
    EXPECT_FALSE(stdCIStringLessEq((Pointer) "\xe9", (Pointer) "z"));
}

TEST(Prefixes, PositionAfterThePrefix)
{
    const char *s = "--app-name";
    EXPECT_EQ(stdStringIsPrefix("--", s), s + 2);
    EXPECT_EQ(stdStringIsPrefix("", s), s);
    EXPECT_EQ(stdStringIsPrefix("--app-name", s), s + 10);
    EXPECT_EQ(stdStringIsPrefix("--app-names", s), nullptr);
    EXPECT_EQ(stdStringIsPrefix("-x", s), nullptr);
}

TEST(Prefixes, CaseIgnoringPrefix)
{
    const char *s = "LumProgram";
    EXPECT_EQ(stdCIStringIsPrefix("lum", s), s + 3);
    EXPECT_EQ(stdCIStringIsPrefix("LUMPROGRAM", s), s + 10);
    EXPECT_EQ(stdCIStringIsPrefix("lumprogramx", s), nullptr);
    EXPECT_EQ(stdCIStringIsPrefix("lux", s), nullptr);
    EXPECT_EQ(stdCIStringIsPrefix("@", "`"), nullptr);
}

TEST(IntegerFunctions, ThirtyTwoBitFormsUseTheLowHalfSigned)
{
    EXPECT_EQ(stdIntHash(word(0x1234567887654321ull)), 0x87654321u);
    EXPECT_TRUE(stdIntEqual(word(0x100000005ull), word(5)));
    EXPECT_FALSE(stdIntEqual(word(6), word(5)));
    EXPECT_TRUE(stdIntLessEq(word(0xFFFFFFFFull), word(0)));   /* -1 <= 0 */
    EXPECT_FALSE(stdIntLessEq(word(0), word((uInt64)(Int64)-1)));
    EXPECT_TRUE(stdIntLessEq(word(0x80000000ull), word(0x7FFFFFFFull)));
}

TEST(IntegerFunctions, SixtyFourBitForms)
{
    EXPECT_EQ(stdInt64Hash(word(0x1234567887654321ull)), 0x12345678u ^ 0x87654321u);
    EXPECT_FALSE(stdInt64Equal(word(0x100000005ull), word(5)));
    EXPECT_TRUE(stdInt64Equal(word(0x100000005ull), word(0x100000005ull)));
    EXPECT_TRUE(stdInt64LessEq(word((uInt64)(Int64)-1), word(0)));
    EXPECT_FALSE(stdInt64LessEq(word(0x100000000ull), word(0xFFFFFFFFull)));
}

TEST(IntegerFunctions, PointedToValues)
{
    Int32 i1 = -7, i2 = -7, i3 = 3;
    EXPECT_EQ(stdpInt32Hash(&i1), (uInt32)-7);
    EXPECT_TRUE(stdpInt32Equal(&i1, &i2));
    EXPECT_TRUE(stdpInt32LessEq(&i1, &i3));
    EXPECT_FALSE(stdpInt32LessEq(&i3, &i1));

    Int64 s1 = -1, s2 = 1, s3 = 0x0000000500000003ll;
    EXPECT_EQ(stdpInt64Hash(&s3), 5u ^ 3u);
    EXPECT_EQ(stdpInt64Hash(&s1), 0u);
    EXPECT_TRUE(stdpInt64LessEq(&s1, &s2));
    EXPECT_FALSE(stdpInt64Equal(&s1, &s2));

    uInt64 u1 = ~0ull, u2 = 1, u3 = ~0ull;
    EXPECT_EQ(stdpuInt64Hash(&u3), 0u);
    EXPECT_FALSE(stdpuInt64LessEq(&u1, &u2));   /* unsigned: the maximum is not <= 1 */
    EXPECT_TRUE(stdpuInt64LessEq(&u2, &u1));
    EXPECT_TRUE(stdpuInt64Equal(&u1, &u3));
}

TEST(PointerFunctions, HashShiftsAndOrderIsUnsigned)
{
    uInt64 p = 0x00007f12345678a0ull;
    EXPECT_EQ(stdPointerHash(word(p)), (uInt32)((p >> 8) ^ (p >> 5) ^ (p >> 11)));
    EXPECT_EQ(stdPointerHash(word(0x800)), (uInt32)(0x8 ^ 0x40 ^ 0x1));
    EXPECT_TRUE(stdPointerEqual(word(8), word(8)));
    EXPECT_FALSE(stdPointerEqual(word(8), word(16)));
    EXPECT_TRUE(stdPointerLessEq(word(1), word(~0ull)));
    EXPECT_FALSE(stdPointerLessEq(word(~0ull), word(1)));
}

TEST(FloatFunctions, BitPatternHashAndFloatingComparison)
{
    EXPECT_EQ(stdFloatHash(floatWord(1.0f)), 0x3F800000u >> 4);
    EXPECT_TRUE(stdFloatEqual(floatWord(0.0f), floatWord(-0.0f)));
    EXPECT_FALSE(stdFloatEqual(floatWord(NAN), floatWord(NAN)));
    EXPECT_TRUE(stdFloatLessEq(floatWord(-2.5f), floatWord(1.0f)));
    EXPECT_FALSE(stdFloatLessEq(floatWord(1.5f), floatWord(1.0f)));
    EXPECT_TRUE(stdFloatLessEq(floatWord(1.0f), floatWord(1.0f)));
}

} // namespace
