// Small utilities: integer logarithms, GCD/LCM, mask relations, bit-field
// ranges, bit fields in word arrays, text helpers and debug printing.
#include "stdUtils.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <stdint.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

TEST(IntegerLogarithm, SmallValuesRoundUpAndDown)
{
    const uInt32 inputs[] = {0, 1, 2, 3, 4, 5};
    const Int32 up[] = {-1, 0, 1, 2, 2, 3};
    const Int32 down[] = {-1, 0, 1, 1, 2, 2};
    for (size_t i = 0; i < 6; i++) {
        EXPECT_EQ(stdLOG2U(inputs[i]), up[i]) << inputs[i];
        EXPECT_EQ(stdLOG2(inputs[i]), down[i]) << inputs[i];
        EXPECT_EQ(stdLOG2_64(inputs[i]), down[i]) << inputs[i];
    }
}

TEST(IntegerLogarithm, AroundEveryPowerOfTwo)
{
    for (Int32 n = 1; n < 32; n++) {
        uInt32 power = uInt32(1) << n;
        EXPECT_EQ(stdLOG2U(power), n);
        EXPECT_EQ(stdLOG2U(power + 1), n + 1);
        EXPECT_EQ(stdLOG2U(power - 1), n == 1 ? 0 : n);
        EXPECT_EQ(stdLOG2(power), n);
        EXPECT_EQ(stdLOG2(power - 1), n - 1);
    }
    EXPECT_EQ(stdLOG2U(UINT32_MAX), 32);
    EXPECT_EQ(stdLOG2(UINT32_MAX), 31);
}

TEST(IntegerLogarithm, SixtyFourBitsUseTheHighWord)
{
    EXPECT_EQ(stdLOG2_64(uInt64(1) << 32), 32);
    EXPECT_EQ(stdLOG2_64((uInt64(1) << 40) | 0xFFFF), 40);
    EXPECT_EQ(stdLOG2_64(UINT64_MAX), 63);
    EXPECT_EQ(stdLOG2_64(uInt64(1) << 63), 63);
}

TEST(GcdAndLcm, ExamplesAndZeroes)
{
    EXPECT_EQ(stdGCD(12, 18), 6);
    EXPECT_EQ(stdGCD(18, 12), 6);
    EXPECT_EQ(stdGCD(17, 5), 1);
    EXPECT_EQ(stdGCD(7, 0), 7);
    EXPECT_EQ(stdGCD(0, 9), 9);
    EXPECT_EQ(stdGCD(0, 0), 0);
    EXPECT_EQ(stdLCM(4, 6), 12);
    EXPECT_EQ(stdLCM(5, 0), 0);
    EXPECT_EQ(stdLCM(0, 5), 0);
    EXPECT_EQ(stdLCM(7, 7), 7);
}

TEST(GcdAndLcm, LcmWrapsInThirtyTwoBits)
{
    // 0x10000 * 0x10001 = 0x1'0001'0000, of which 32 bits keep 0x10000
    EXPECT_EQ(stdLCM(0x10000, 0x10001), 0x10000);
}

TEST(MaskRelation, EveryOutcomeIn32And64Bits)
{
    EXPECT_EQ(stdBitsOverlapsHow32(0x3, 0xC), 0);
    EXPECT_EQ(stdBitsOverlapsHow32(0x3, 0x3), 3);
    EXPECT_EQ(stdBitsOverlapsHow32(0x1, 0x3), 2);
    EXPECT_EQ(stdBitsOverlapsHow32(0x3, 0x1), 1);
    EXPECT_EQ(stdBitsOverlapsHow32(0x3, 0x6), 4);
    // empty masks share no bit, even with each other
    EXPECT_EQ(stdBitsOverlapsHow32(0, 0), 0);
    EXPECT_EQ(stdBitsOverlapsHow32(0, 0xFF), 0);

    const uInt64 high = uInt64(1) << 63;
    EXPECT_EQ(stdBitsOverlapsHow64(high, 1), 0);
    EXPECT_EQ(stdBitsOverlapsHow64(high | 1, high | 1), 3);
    EXPECT_EQ(stdBitsOverlapsHow64(high, high | 1), 2);
    EXPECT_EQ(stdBitsOverlapsHow64(high | 1, high), 1);
    EXPECT_EQ(stdBitsOverlapsHow64(high | 1, high | 2), 4);
}

TEST(BitFieldRange, SignedTwoComplementField)
{
    EXPECT_TRUE(stdInRange32(127, 8, 32, True, False));
    EXPECT_TRUE(stdInRange32(-128, 8, 32, True, False));
    EXPECT_FALSE(stdInRange32(128, 8, 32, True, False));
    EXPECT_FALSE(stdInRange32(-129, 8, 32, True, False));
    EXPECT_TRUE(stdInRange32(0, 1, 32, True, False));
    EXPECT_TRUE(stdInRange32(-1, 1, 32, True, False));
    EXPECT_FALSE(stdInRange32(1, 1, 32, True, False));
    EXPECT_FALSE(stdInRange32(INT32_MAX, 31, 32, True, False));
    EXPECT_TRUE(stdInRange32((1 << 30) - 1, 31, 32, True, False));
    EXPECT_FALSE(stdInRange32(INT32_MIN, 31, 32, True, False));
}

TEST(BitFieldRange, UnsignedFieldReadsTheValueUnsigned)
{
    EXPECT_TRUE(stdInRange32(255, 8, 32, False, False));
    EXPECT_FALSE(stdInRange32(256, 8, 32, False, False));
    EXPECT_FALSE(stdInRange32(-1, 8, 32, False, False));
    EXPECT_TRUE(stdInRange32(0, 8, 32, False, False));
    EXPECT_TRUE(stdInRange32(INT32_MAX, 31, 32, False, False));
    EXPECT_FALSE(stdInRange32(INT32_MIN, 31, 32, False, False));
}

TEST(BitFieldRange, MagnitudeFlagWidensBothWays)
{
    EXPECT_TRUE(stdInRange32(-256, 8, 32, True, True));
    EXPECT_FALSE(stdInRange32(-257, 8, 32, True, True));
    EXPECT_TRUE(stdInRange32(255, 8, 32, True, True));
    EXPECT_FALSE(stdInRange32(256, 8, 32, True, True));
    // without the signed flag a negative value is a large unsigned one
    EXPECT_FALSE(stdInRange32(-1, 8, 32, False, True));
}

TEST(BitFieldRange, FullWidthFieldTakesEverythingButMagnitudeMinimum)
{
    EXPECT_TRUE(stdInRange32(INT32_MIN, 32, 32, False, False));
    EXPECT_TRUE(stdInRange32(INT32_MAX, 32, 32, False, False));
    EXPECT_TRUE(stdInRange32(-1, 32, 32, False, False));
    EXPECT_FALSE(stdInRange32(INT32_MIN, 32, 32, False, True));
    EXPECT_TRUE(stdInRange32(INT32_MIN + 1, 32, 32, False, True));

    EXPECT_TRUE(stdInRange64(INT64_MIN, 64, 64, True, False));
    EXPECT_TRUE(stdInRange64(INT64_MAX, 64, 64, False, False));
    EXPECT_FALSE(stdInRange64(INT64_MIN, 64, 64, True, True));
    // a narrower type: w equal to t counts as signed
    EXPECT_TRUE(stdInRange32(-1, 16, 16, False, False));
    EXPECT_FALSE(stdInRange32(1 << 16, 16, 16, False, False));
}

TEST(BitFieldRange, SixtyFourBitFields)
{
    const Int64 big = Int64(1) << 40;
    EXPECT_TRUE(stdInRange64(big - 1, 41, 64, True, False));
    EXPECT_FALSE(stdInRange64(big, 41, 64, True, False));
    EXPECT_TRUE(stdInRange64(-big, 41, 64, True, False));
    EXPECT_FALSE(stdInRange64(-big - 1, 41, 64, True, False));
    EXPECT_TRUE(stdInRange64(2 * big - 1, 41, 64, False, False));
    EXPECT_FALSE(stdInRange64(2 * big, 41, 64, False, False));
    EXPECT_TRUE(stdInRange64(-2 * big, 41, 64, True, True));
    EXPECT_FALSE(stdInRange64(-2 * big - 1, 41, 64, True, True));
    EXPECT_TRUE(stdInRange64(INT64_MAX, 63, 64, False, False));
    EXPECT_FALSE(stdInRange64(INT64_MAX, 62, 64, False, False));
}

// Reference: one bit at a time.
uInt64 slowGet(const std::vector<uInt64> &words, uInt64 offset, uInt32 width)
{
    uInt64 value = 0;
    for (uInt32 i = 0; i < width; i++) {
        uInt64 bit = offset + i;
        value |= ((words[bit / 64] >> (bit % 64)) & 1) << i;
    }
    return value;
}

TEST(BitFieldsInWords, FieldSpanningTwoWords)
{
    uInt64 words[2] = {0, 0};
    stdPutBits(0xFF, 60, 8, words);
    EXPECT_EQ(words[0], uInt64(0xF) << 60);
    EXPECT_EQ(words[1], uInt64(0xF));
    EXPECT_EQ(stdGetBits(60, 8, words), 0xFFu);
}

TEST(BitFieldsInWords, OtherBitsStayUnchanged)
{
    uInt64 words[3] = {~uInt64(0), ~uInt64(0), ~uInt64(0)};
    stdPutBits(0, 100, 40, words);
    EXPECT_EQ(words[0], ~uInt64(0));
    EXPECT_EQ(words[1], (uInt64(1) << 36) - 1);
    EXPECT_EQ(words[2], ~((uInt64(1) << 12) - 1));
    // bits of the value above the width are not stored
    uInt64 clear[2] = {0, 0};
    stdPutBits(~uInt64(0), 4, 3, clear);
    EXPECT_EQ(clear[0], uInt64(0x70));
    EXPECT_EQ(clear[1], 0u);
}

TEST(BitFieldsInWords, FullWordWidthAlignedAndUnaligned)
{
    uInt64 words[3] = {0, 0, 0};
    stdPutBits(0x0123456789ABCDEFull, 64, 64, words);
    EXPECT_EQ(words[0], 0u);
    EXPECT_EQ(words[1], 0x0123456789ABCDEFull);
    EXPECT_EQ(words[2], 0u);
    EXPECT_EQ(stdGetBits(64, 64, words), 0x0123456789ABCDEFull);

    uInt64 shifted[2] = {0, 0};
    stdPutBits(0x0123456789ABCDEFull, 32, 64, shifted);
    EXPECT_EQ(shifted[0], 0x89ABCDEF00000000ull);
    EXPECT_EQ(shifted[1], 0x01234567ull);
    EXPECT_EQ(stdGetBits(32, 64, shifted), 0x0123456789ABCDEFull);
}

TEST(BitFieldsInWords, FieldAtTheEndOfTheArrayReadsNoFurther)
{
    // the last field ends exactly at the array end: ASan catches a read past it
    std::vector<uInt64> words(1, 0);
    stdPutBits(0x5, 61, 3, words.data());
    EXPECT_EQ(stdGetBits(61, 3, words.data()), 0x5u);
    EXPECT_EQ(stdGetBits(0, 64, words.data()), uInt64(0x5) << 61);
}

TEST(BitFieldsInWords, RandomFieldsMatchBitByBitReference)
{
    std::mt19937_64 random(42);
    std::vector<uInt64> words(4, 0);
    for (int round = 0; round < 2000; round++) {
        uInt32 width = uInt32(random() % 64) + 1;
        uInt64 offset = random() % (256 - width + 1);
        uInt64 value = random();
        std::vector<uInt64> before = words;
        stdPutBits(value, offset, width, words.data());
        uInt64 mask = width == 64 ? ~uInt64(0) : (uInt64(1) << width) - 1;
        ASSERT_EQ(slowGet(words, offset, width), value & mask);
        ASSERT_EQ(stdGetBits(offset, width, words.data()), value & mask);
        for (uInt64 bit = 0; bit < 256; bit++) {
            if (bit >= offset && bit < offset + width) continue;
            ASSERT_EQ(slowGet(words, bit, 1), slowGet(before, bit, 1)) << "bit " << bit;
        }
    }
}

TEST(TextTrimming, ShrinkWrapTrimsBothEnds)
{
    char text[] = "  \t\r\na b \n";
    String result = stdShrinkWrap(text);
    EXPECT_STREQ(result, "a b");
    EXPECT_EQ(result, text + 5);

    char blanks[] = "   ";
    result = stdShrinkWrap(blanks);
    EXPECT_STREQ(result, "");
    EXPECT_EQ(*result, '\0');

    char empty[] = "";
    EXPECT_STREQ(stdShrinkWrap(empty), "");

    char inner[] = "x\ty";
    EXPECT_STREQ(stdShrinkWrap(inner), "x\ty");
}

TEST(CommentSkipping, LineAndBlockComments)
{
    char line[] = "// x\ny";
    String p = line;
    stdSkipComments(&p);
    EXPECT_STREQ(p, "y");

    char block[] = "/* x */z";
    p = block;
    stdSkipComments(&p);
    EXPECT_STREQ(p, "z");

    char open[] = "/* x";
    p = open;
    stdSkipComments(&p);
    EXPECT_EQ(p, open + strlen(open));

    char unended[] = "// no newline";
    p = unended;
    stdSkipComments(&p);
    EXPECT_EQ(p, unended + strlen(unended));

    // "/*/" does not close itself
    char tricky[] = "/*/ a */b";
    p = tricky;
    stdSkipComments(&p);
    EXPECT_STREQ(p, "b");

    char plain[] = "a // b";
    p = plain;
    stdSkipComments(&p);
    EXPECT_EQ(p, plain);

    char slash[] = "/";
    p = slash;
    stdSkipComments(&p);
    EXPECT_EQ(p, slash);
}

TEST(IdentifierTranslation, MapsSeparatorsAndSpecials)
{
    char out[64];
    memset(out, 'Z', sizeof out);
    stdTranslateNonIdChars("a-b.c d#e", out);
    EXPECT_STREQ(out, "a_b_c_d$e");
    stdTranslateNonIdChars("*@x_y9", out);
    EXPECT_STREQ(out, "$$x_y9");
    stdTranslateNonIdChars("", out);
    EXPECT_STREQ(out, "");
}

TEST(DebugPrinting, OneValuePerLine)
{
    Int64 negative = -5;
    uInt64 large = 18446744073709551615ull;
    uInt64 hex = 0xABCDull;
    testing::internal::CaptureStdout();
    stdPrintString("text");
    stdPrintString(nullptr);
    stdPrintInt(-42);
    stdPrintInt64(-9000000000ll);
    stdPrintPInt64(&negative);
    stdPrintuInt(4000000000u);
    stdPrintuInt64(large);
    stdPrintPuInt64(&large);
    stdPrintHex(0x1F);
    stdPrintHex64(0x1F);
    stdPrintPHex64(&hex);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "text\n<Nil>\n-42\n-9000000000\n-5\n4000000000\n"
              "18446744073709551615\n18446744073709551615\n"
              "0x0000001f\n0x000000000000001f\n0x000000000000abcd\n");
}

void *idleThread(void *) { return nullptr; }

TEST(ThreadIdHashing, HashFormulaAndEquality)
{
    pthread_t id = (pthread_t)0x12345678u;
    // (0x12345678 >> 5) ^ (>> 8) ^ (>> 11), worked out by hand
    EXPECT_EQ(procpThreadIdHash(&id), 0x91A2B3u ^ 0x123456u ^ 0x2468Au);

    pthread_t self = pthread_self(), same = pthread_self(), other;
    ASSERT_EQ(pthread_create(&other, nullptr, idleThread, nullptr), 0);
    EXPECT_TRUE(procpThreadIdEqual(&self, &same));
    EXPECT_FALSE(procpThreadIdEqual(&self, &other));
    pthread_join(other, nullptr);
}

TEST(LibraryIdentification, FixedText)
{
    EXPECT_STREQ(stdIDENT(), "unofficial build by  on Wed_Jun_17_19:59:09_UTC_2026");
}

} // namespace
