// Growable strings: bucket filling, flattening, copying and formatting
// around the size of the local formatting buffer.
#include "stdMemSpace.h"
#include "stdString.h"
#include "stringCapture.h"

#include <gtest/gtest.h>

#include <printf.h>
#include <stdarg.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

namespace {

using testsupport::textOf;

std::vector<stringBucket> bucketsOf(stdString string)
{
    std::vector<stringBucket> result;
    for (stdList cell = string->buckets; cell; cell = cell->next) result.push_back((stringBucket)cell->element);
    return result;
}

TEST(StringBuckets, LargePieceGetsItsOwnBucketThenBucketSizeAgain)
{
    stdString string = stringCreate(128);
    std::string piece(300, 'p');
    stringAddBufLen(string, piece.data(), piece.size());
    auto buckets = bucketsOf(string);
    ASSERT_EQ(buckets.size(), 1u);
    EXPECT_EQ(buckets[0]->capacity, 300u);
    EXPECT_EQ(buckets[0]->free, 0u);

    stringAddChar(string, 'a');
    stringAddChar(string, 'b');
    stringAddChar(string, 'c');
    buckets = bucketsOf(string);
    ASSERT_EQ(buckets.size(), 2u);
    EXPECT_EQ(buckets[1]->capacity, 128u);
    EXPECT_EQ(buckets[1]->free, 125u);
    EXPECT_EQ(string->current, buckets[1]);
    EXPECT_EQ(stringSize(string), 303u);
    EXPECT_EQ(textOf(string), piece + "abc");
    stringDelete(string);
}

TEST(StringBuckets, SmallPiecesFillEveryBucketBeforeANewOne)
{
    stdString string = stringCreate(32);
    std::string expected;
    for (int i = 0; i < 10; i++) {
        std::string piece = "piece-" + std::to_string(i) + "------";
        piece.resize(13, '.');
        stringAddBuf(string, piece.c_str());
        expected += piece;
    }
    auto buckets = bucketsOf(string);
    ASSERT_EQ(buckets.size(), 5u);    // 130 bytes in buckets of 32
    for (size_t i = 0; i + 1 < buckets.size(); i++) EXPECT_EQ(buckets[i]->free, 0u);
    EXPECT_EQ(buckets[4]->free, 32u * 5 - 130);
    EXPECT_EQ(textOf(string), expected);
    stringDelete(string);
}

TEST(StringBuckets, StoredTextIsNeverMoved)
{
    stdString string = stringCreate(8);
    stringAddBuf(string, "abcdefgh");
    const char *first = bucketsOf(string)[0]->data;
    for (int i = 0; i < 100; i++) stringAddBuf(string, "more text");
    EXPECT_EQ(bucketsOf(string)[0]->data, first);
    EXPECT_EQ(std::string(first, 8), "abcdefgh");
    stringDelete(string);
}

TEST(StringBuckets, ZeroBucketSize)
{
    stdString string = stringCreate(0);
    stringAddChar(string, 'x');
    stringAddChar(string, 'y');
    stringAddBuf(string, "abc");
    auto buckets = bucketsOf(string);
    ASSERT_EQ(buckets.size(), 3u);
    EXPECT_EQ(buckets[0]->capacity, 1u);
    EXPECT_EQ(buckets[2]->capacity, 3u);
    EXPECT_EQ(textOf(string), "xyabc");
    stringAddBuf(string, "");
    EXPECT_EQ(bucketsOf(string).size(), 3u);
    stringDelete(string);
}

TEST(StringContents, BytesIncludingNul)
{
    stdString string = stringCreate(4);
    stringAddBufLen(string, "a\0b", 3);
    stringAddChar(string, '\0');
    EXPECT_EQ(stringSize(string), 4u);
    EXPECT_EQ(textOf(string), std::string("a\0b\0", 4));
    stringDelete(string);
}

TEST(StringContents, FlattenLeavesTheStringUsable)
{
    stdString string = stringCreate(4);
    stringAddBuf(string, "hello");
    String flat = stringToBuf(string);
    EXPECT_STREQ(flat, "hello");
    memspFree(flat);
    stringAddBuf(string, " world");
    flat = stringStripToBuf(string);   // deletes the string
    EXPECT_STREQ(flat, "hello world");
    memspFree(flat);
}

TEST(StringContents, EmptyStringsFlattenToEmptyText)
{
    stdString string = stringCreate(128);
    String flat = stringToBuf(string);
    EXPECT_STREQ(flat, "");
    memspFree(flat);
    flat = stringStripToBuf(string);
    EXPECT_STREQ(flat, "");
    memspFree(flat);
}

TEST(StringContents, EmptyDropsTextAndAllowsReuse)
{
    stdString string = stringCreate(4);
    stringAddBuf(string, "to be dropped");
    stringEmpty(string);
    EXPECT_EQ(stringSize(string), 0u);
    EXPECT_TRUE(bucketsOf(string).empty());
    EXPECT_EQ(string->current, nullptr);
    stringAddBuf(string, "kept");
    EXPECT_EQ(textOf(string), "kept");
    stringDelete(string);
    stringDelete(nullptr);
}

TEST(StringCopying, AddStringLeavesTheOtherUnchanged)
{
    stdString a = stringCreate(3);
    stdString b = stringCreate(5);
    stringAddBuf(a, "front-");
    stringAddBuf(b, "back part");
    stringAddString(a, b);
    EXPECT_EQ(textOf(a), "front-back part");
    EXPECT_EQ(textOf(b), "back part");
    EXPECT_EQ(stringSize(b), 9u);
    stringDelete(a);
    stringDelete(b);
}

TEST(StringCopying, AddingAStringToItselfDoublesIt)
{
    stdString string = stringCreate(4);
    stringAddBuf(string, "abcdef");
    stringAddString(string, string);
    EXPECT_EQ(textOf(string), "abcdefabcdef");
    stringDelete(string);
}

TEST(StringCopying, CopyIsIndependentWithBucketSize128)
{
    stdString string = stringCreate(2);
    stringAddBuf(string, "original");
    stdString copy = stringCopy(string);
    EXPECT_EQ(copy->bucketSize, 128u);
    EXPECT_EQ(textOf(copy), "original");
    stringAddBuf(copy, "+");
    EXPECT_EQ(textOf(string), "original");
    stringDelete(string);
    stringDelete(copy);
}

// A conversion "%W" that writes n 'w' characters and counts how often the
// C library formats with it, to see whether a text was formatted twice.
int formatCalls;

int printW(FILE *stream, const struct printf_info *, const void *const *args)
{
    formatCalls++;
    int n = **(const int *const *)args;
    for (int i = 0; i < n; i++) fputc('w', stream);
    return n;
}

int printWArgs(const struct printf_info *, size_t n, int *types, int *sizes)
{
    if (n > 0) {
        types[0] = PA_INT;
        sizes[0] = sizeof(int);
    }
    return 1;
}

// Not marked as printf-like on purpose: the compiler does not know "%W".
Int addUnchecked(stdString string, cString format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Int result = stringAddVFormat(string, format, arguments);
    va_end(arguments);
    return result;
}

class StringFormatting : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(register_printf_specifier('W', printW, printWArgs), 0); }
};

TEST_F(StringFormatting, ShortResultsAreAppendedAndCounted)
{
    stdString string = stringCreate(16);
    EXPECT_EQ(stringAddFormat(string, "%s=%d;", "x", 42), 5);
    EXPECT_EQ(stringAddFormat(string, "%05.1f|%-3s|%c", 2.5, "a", 'z'), 11);
    EXPECT_EQ(stringAddFormat(string, "%s", ""), 0);
    EXPECT_EQ(textOf(string), "x=42;002.5|a  |z");
    stringDelete(string);
}

TEST_F(StringFormatting, AroundTheLocalBufferSize)
{
    struct Case { int length; int expectedCalls; };
    for (Case c : {Case{1022, 1}, Case{1023, 1}, Case{1024, 2}, Case{1025, 2}, Case{70000, 2}}) {
        stdString string = stringCreate(128);
        stringAddBuf(string, "<");
        formatCalls = 0;
        EXPECT_EQ(addUnchecked(string, "%W", c.length), c.length);
        EXPECT_EQ(formatCalls, c.expectedCalls) << "length " << c.length;
        EXPECT_EQ(textOf(string), "<" + std::string(c.length, 'w')) << "length " << c.length;
        stringDelete(string);
    }
}

TEST_F(StringFormatting, LongTextWithSurroundingPieces)
{
    std::string middle(1500, 'm');
    stdString string = stringCreate(100);
    EXPECT_EQ(stringAddFormat(string, "[%s|%d]", middle.c_str(), 7), 1504);
    EXPECT_EQ(textOf(string), "[" + middle + "|7]");
    EXPECT_EQ(stringSize(string), 1504u);
    stringDelete(string);
}

TEST_F(StringFormatting, ExpansionErrorAppendsNothing)
{
    // an unpaired surrogate cannot be converted to a multibyte character
    const wchar_t bad[] = {(wchar_t)0xD800, 0};
    stdString string = stringCreate(16);
    stringAddBuf(string, "kept");
    EXPECT_LT(stringAddFormat(string, "%ls", bad), 0);
    EXPECT_EQ(textOf(string), "kept");
    stringDelete(string);
}

} // namespace
