// Writers of every kind, the filtering writers and the obfuscation itself.
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdObfuscate.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stringCapture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::textOf;

std::string readStream(FILE *stream)
{
    fflush(stream);
    rewind(stream);
    std::string result;
    for (int c; (c = getc(stream)) != EOF;) result += char(c);
    return result;
}

std::string readFile(const std::string &path)
{
    FILE *stream = fopen(path.c_str(), "rb");
    if (!stream) return "<missing>";
    std::string result = readStream(stream);
    fclose(stream);
    return result;
}

std::string scratchPath(const char *name)
{
    return testing::TempDir() + "writer_test_" + std::to_string(getpid()) + "_" + name;
}

/* Records what a callback writer is given. */
struct Recorder {
    std::vector<std::string> writes;
    int resets = 0;
    int deletes = 0;
    Int64 result = -2;    /* what the write reports; -2: the length */
};

Int64 recordWrite(Pointer data, cString bytes, uInt64 length)
{
    Recorder *recorder = (Recorder *)data;
    recorder->writes.emplace_back(bytes, length);
    return recorder->result == -2 ? (Int64)length : recorder->result;
}
void recordReset(Pointer data) { ((Recorder *)data)->resets++; }
void recordDelete(Pointer data) { ((Recorder *)data)->deletes++; }

std::string joined(const Recorder &recorder)
{
    std::string all;
    for (const std::string &w : recorder.writes) all += w;
    return all;
}

TEST(CallbackWriter, WritesAndCallbacksReceiveTheData)
{
    Recorder recorder;
    stdWriter writer = wtrCreate(recordWrite, recordReset, recordDelete, &recorder);
    EXPECT_EQ(writer->kind, wtrCallbackKind);
    EXPECT_EQ(wtrWrite(writer, "abc", 3), 3);
    recorder.result = 1;
    EXPECT_EQ(wtrWrite(writer, "de", 2), 1);     // a short count is passed on
    wtrReset(writer);
    EXPECT_EQ(recorder.resets, 1);
    EXPECT_EQ(recorder.writes, (std::vector<std::string>{"abc", "de"}));
    wtrDelete(writer);
    EXPECT_EQ(recorder.deletes, 1);
}

TEST(CallbackWriter, PrintfHandsOverTheWholeTextOnce)
{
    Recorder recorder;
    stdWriter writer = wtrCreate(recordWrite, nullptr, nullptr, &recorder);
    std::string longText(3000, 'L');
    EXPECT_EQ(wtrPrintf(writer, "<%s|%d>", longText.c_str(), 12), 3005);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0], "<" + longText + "|12>");
    wtrReset(writer);    // no reset callback: nothing happens
    wtrDelete(writer);
}

TEST(CallbackWriterDeathTest, WriteFunctionIsRequired)
{
    EXPECT_EXIT(wtrCreate(nullptr, nullptr, nullptr, nullptr), testing::ExitedWithCode(1),
                "Assertion failure at .*stdWriter\\.cpp, line [0-9]+: callback writer without a write function");
}

TEST(NullWriter, SwallowsEverythingAndReportsSuccess)
{
    stdWriter writer = wtrCreateNullWriter();
    EXPECT_EQ(writer->kind, wtrNullKind);
    testing::internal::CaptureStdout();
    EXPECT_EQ(wtrWrite(writer, "hidden", 6), 6);
    EXPECT_EQ(wtrPrintf(writer, "%s %d", "hidden", 1234), 11);
    wtrReset(writer);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    wtrDelete(writer);
}

TEST(StandardOutput, NullWriterPointerAndNullStream)
{
    stdWriter toStdout = wtrCreateFileWriter(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(wtrWrite(nullptr, "one ", 4), 4);
    EXPECT_EQ(wtrPrintf(nullptr, "%s ", "two"), 4);
    EXPECT_EQ(wtrWrite(toStdout, "three\0x", 7), 7);
    EXPECT_EQ(wtrPrintf(toStdout, " %d", 4), 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("one two three\0x 4", 17));
    wtrDelete(toStdout);
    wtrDelete(nullptr);
    wtrReset(nullptr);
}

TEST(StandardOutput, ResettingAWriterOnTheNullStreamIsHarmless)
{
    stdWriter toStdout = wtrCreateFileWriter(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(wtrWrite(toStdout, "ab", 2), 2);
    wtrReset(toStdout);
    EXPECT_EQ(wtrWrite(toStdout, "cd", 2), 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "abcd");
    wtrDelete(toStdout);
}

TEST(StreamWriter, WritesPrintsAndRewindsWithoutClosing)
{
    FILE *stream = tmpfile();
    ASSERT_NE(stream, nullptr);
    stdWriter writer = wtrCreateFileWriter(stream);
    EXPECT_EQ(writer->kind, wtrStreamKind);
    EXPECT_EQ(writer->data, stream);
    EXPECT_EQ(wtrWrite(writer, "0123456789", 10), 10);
    EXPECT_EQ(wtrPrintf(writer, "%x", 255), 2);
    EXPECT_EQ(readStream(stream), "0123456789ff");

    fseek(stream, 0, SEEK_END);
    wtrReset(writer);                       // rewinds: the next write overwrites
    wtrWrite(writer, "AB", 2);
    EXPECT_EQ(readStream(stream), "AB23456789ff");
    wtrDelete(writer);
    EXPECT_EQ(fputc('z', stream), 'z');     // still open
    fclose(stream);
}

TEST(FileNameWriter, CreatesTruncatesAndClosesOnDelete)
{
    std::string path = scratchPath("named");
    FILE *old = fopen(path.c_str(), "w");
    ASSERT_NE(old, nullptr);
    fputs("old content that must go", old);
    fclose(old);

    stdWriter writer = wtrCreateFileNameWriter(path.c_str());
    EXPECT_EQ(writer->kind, wtrStreamKind);
    wtrPrintf(writer, "first %d\n", 1);
    wtrReset(writer);
    wtrWrite(writer, "FIRST", 5);
    wtrDelete(writer);                      // closes, so everything is flushed
    EXPECT_EQ(readFile(path), "FIRST 1\n");
    unlink(path.c_str());
}

TEST(FileNameWriter, DashMeansStandardOutputAndDeleteClosesNothing)
{
    stdWriter writer = wtrCreateFileNameWriter("-");
    EXPECT_EQ(writer->kind, wtrStreamKind);
    EXPECT_EQ(writer->data, nullptr);
    EXPECT_EQ(writer->reset, nullptr);
    EXPECT_EQ(writer->cleanup, nullptr);
    testing::internal::CaptureStdout();
    wtrPrintf(writer, "to %s", "stdout");
    wtrWrite(writer, "!", 1);
    wtrDelete(writer);
    printf("|after");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "to stdout!|after");
    EXPECT_NE(fcntl(STDOUT_FILENO, F_GETFD), -1);
}

TEST(FileNameWriterDeathTest, UnopenableFileIsFatal)
{
    EXPECT_EXIT(wtrCreateFileNameWriter("/nonexistent-dir/sub/out.txt"), testing::ExitedWithCode(1),
                "Could not open output file '/nonexistent-dir/sub/out\\.txt'");
}

TEST(FileNameWriter, SuppressedFailureGivesADiscardingWriter)
{
    stdMsgOpenOutputFailed->suppressed = True;
    stdWriter writer = wtrCreateFileNameWriter("/nonexistent-dir/sub/out.txt");
    stdMsgOpenOutputFailed->suppressed = False;
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->kind, wtrNullKind);
    testing::internal::CaptureStdout();
    wtrPrintf(writer, "lost");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    wtrDelete(writer);
}

TEST(StringWriter, AppendsAndResetEmpties)
{
    stdString text = stringCreate(8);
    stdWriter writer = wtrCreateStringWriter(text);
    EXPECT_EQ(writer->kind, wtrStringKind);
    EXPECT_EQ(wtrWrite(writer, "ab\0c", 4), 4);
    std::string longText(2000, 'q');
    EXPECT_EQ(wtrPrintf(writer, "%s-%d", longText.c_str(), -3), 2003);
    EXPECT_EQ(textOf(text), std::string("ab\0c", 4) + longText + "--3");
    wtrReset(writer);
    EXPECT_EQ(stringSize(text), 0u);
    wtrPrintf(writer, "again");
    wtrDelete(writer);                      // the string stays with its owner
    EXPECT_EQ(textOf(text), "again");
    stringDelete(text);
}

TEST(RawWriter, WritesAtAnAdvancingPosition)
{
    char buffer[64];
    memset(buffer, '#', sizeof buffer);
    stdWriter writer = wtrCreateRawWriter(buffer);
    EXPECT_EQ(writer->kind, wtrRawKind);
    EXPECT_EQ(wtrWrite(writer, "head:", 5), 5);
    EXPECT_EQ(wtrPrintf(writer, "%03d", 7), 3);
    EXPECT_EQ(wtrPrintf(writer, "%s", ""), 0);
    EXPECT_EQ(wtrWrite(writer, "|", 1), 1);
    EXPECT_EQ(writer->data, buffer + 9);
    EXPECT_EQ(std::string(buffer, 10), "head:007|#");
    wtrDelete(writer);
}

TEST(UnknownKind, WritesAndPrintsFail)
{
    stdWriter writer = wtrCreateNullWriter();
    writer->kind = 9;
    EXPECT_EQ(wtrWrite(writer, "x", 1), -1);
    EXPECT_EQ(wtrPrintf(writer, "x"), -1);
    wtrDelete(writer);
}

struct TabFixture : testing::Test {
    Recorder  recorder;
    stdWriter inner = wtrCreate(recordWrite, recordReset, nullptr, &recorder);
    ~TabFixture() override { wtrDelete(inner); }
};

TEST_F(TabFixture, TabsAdvanceToTheNextStop)
{
    stdWriter writer = wtrCreateTabConvWriter(inner, 8);
    EXPECT_EQ(wtrWrite(writer, "a\tb", 3), 9);
    EXPECT_EQ(joined(recorder), "a" + std::string(7, ' ') + "b");
    recorder.writes.clear();

    // column 9 now; "1234567" reaches 16, a tab there is a full stop of 8
    EXPECT_EQ(wtrWrite(writer, "cdefghi\t|", 9), 16);
    EXPECT_EQ(joined(recorder), "cdefghi" + std::string(8, ' ') + "|");
    for (const std::string &w : recorder.writes) EXPECT_EQ(w.size(), 1u);
    wtrDelete(writer);
}

TEST_F(TabFixture, LineFeedRestartsTheColumnAcrossWrites)
{
    stdWriter writer = wtrCreateTabConvWriter(inner, 4);
    wtrWrite(writer, "ab", 2);
    wtrWrite(writer, "\n", 1);
    wtrWrite(writer, "\tx\t", 3);
    EXPECT_EQ(joined(recorder), "ab\n    x   ");
    recorder.writes.clear();

    // column 8 after "\tx\t": a full stop of blanks; the count is what came out
    EXPECT_EQ(wtrPrintf(writer, "%c%s", '\t', "y"), 5);
    EXPECT_EQ(joined(recorder), "    y");
    wtrDelete(writer);
}

TEST_F(TabFixture, ResetRestartsTheColumnAndResetsTheInnerWriter)
{
    stdWriter writer = wtrCreateTabConvWriter(inner, 8);
    wtrWrite(writer, "abc", 3);
    wtrReset(writer);
    EXPECT_EQ(recorder.resets, 1);
    recorder.writes.clear();
    wtrWrite(writer, "\t.", 2);
    EXPECT_EQ(joined(recorder), std::string(8, ' ') + ".");
    wtrDelete(writer);
    EXPECT_EQ(recorder.deletes, 0);         // the inner writer is not owned
}

TEST(TabConversion, WidthOneAndNullInner)
{
    stdString text = stringCreate(16);
    stdWriter target = wtrCreateStringWriter(text);
    stdWriter writer = wtrCreateTabConvWriter(target, 1);
    wtrWrite(writer, "a\t\tb", 4);
    EXPECT_EQ(textOf(text), "a  b");
    wtrDelete(writer);
    wtrDelete(target);
    stringDelete(text);

    stdWriter toStdout = wtrCreateTabConvWriter(nullptr, 3);
    testing::internal::CaptureStdout();
    wtrWrite(toStdout, "x\ty", 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "x  y");
    wtrDelete(toStdout);
}

TEST(TabConversionDeathTest, WidthBelowOneIsAnInternalError)
{
    EXPECT_EXIT(wtrCreateTabConvWriter(nullptr, 0), testing::ExitedWithCode(1),
                "Assertion failure at .*stdWriterFilters\\.cpp, line [0-9]+: "
                "tab width 0 of a tab-conversion writer is not positive");
}

std::vector<uInt8> obfuscated(uInt32 seed, const std::string &plain)
{
    std::vector<uInt8> bytes(plain.begin(), plain.end());
    stdObfuscation obfuscation = stdCreateObfuscation(seed);
    stdObfuscateBuffer(obfuscation, bytes.data(), bytes.size());
    stdDeleteObfuscation(obfuscation);
    return bytes;
}

std::vector<uInt8> bytesOf(const std::string &s) { return std::vector<uInt8>(s.begin(), s.end()); }

TEST(Obfuscation, RoundTripWithTheSameSeed)
{
    std::string plain;
    for (int i = 0; i < 1000; i++) plain += char(i * 7 + i / 13);
    std::vector<uInt8> scrambled = obfuscated(0xC0FFEE, plain);
    EXPECT_NE(scrambled, bytesOf(plain));

    stdObfuscation reader = stdCreateObfuscation(0xC0FFEE);
    std::vector<uInt8> back = scrambled;
    // half byte by byte, half as a buffer: the state carries over
    for (size_t i = 0; i < 500; i++) back[i] = stdDeobfuscate(reader, back[i]);
    stdDeobfuscateBuffer(reader, back.data() + 500, back.size() - 500);
    stdDeleteObfuscation(reader);
    EXPECT_EQ(back, bytesOf(plain));
}

TEST(Obfuscation, WrongSeedDoesNotRecoverTheText)
{
    std::string plain = "the quick brown fox jumps over the lazy dog";
    std::vector<uInt8> scrambled = obfuscated(1, plain);
    stdObfuscation reader = stdCreateObfuscation(2);
    stdDeobfuscateBuffer(reader, scrambled.data(), scrambled.size());
    stdDeleteObfuscation(reader);
    EXPECT_NE(scrambled, bytesOf(plain));
    EXPECT_NE(obfuscated(1, plain), obfuscated(2, plain));
}

TEST(Obfuscation, OutputDependsOnEverythingBefore)
{
    // chaining: one changed byte changes every later scrambled byte
    std::string a(64, 'a'), b = a;
    b[10] = 'b';
    std::vector<uInt8> sa = obfuscated(99, a), sb = obfuscated(99, b);
    EXPECT_TRUE(std::equal(sa.begin(), sa.begin() + 10, sb.begin()));
    int differing = 0;
    for (size_t i = 10; i < sa.size(); i++) differing += sa[i] != sb[i];
    EXPECT_GT(differing, 40);
    // the same byte repeated does not give a repeated pattern
    std::set<uInt8> distinct(sa.begin(), sa.end());
    EXPECT_GT(distinct.size(), 30u);
}

TEST(Obfuscation, EveryByteValueScramblesDifferentlyFromOneState)
{
    stdObfuscation base = stdCreateObfuscation(5);
    stdObfuscate(base, 'x');
    std::set<uInt8> outputs;
    for (int b = 0; b < 256; b++) {
        stdObfuscation probe = stdCloneObfuscation(base);
        outputs.insert(stdObfuscate(probe, uInt8(b)));
        stdDeleteObfuscation(probe);
    }
    EXPECT_EQ(outputs.size(), 256u);
    stdDeleteObfuscation(base);
}

TEST(Obfuscation, CloneContinuesIndependently)
{
    stdObfuscation original = stdCreateObfuscation(77);
    for (int i = 0; i < 6; i++) stdObfuscate(original, uInt8(i));
    stdObfuscation clone = stdCloneObfuscation(original);
    std::vector<uInt8> fromOriginal, fromClone;
    for (int i = 0; i < 20; i++) fromOriginal.push_back(stdObfuscate(original, uInt8(i)));
    for (int i = 0; i < 20; i++) fromClone.push_back(stdObfuscate(clone, uInt8(i)));
    EXPECT_EQ(fromOriginal, fromClone);
    stdDeleteObfuscation(original);
    stdDeleteObfuscation(clone);
}

TEST(Obfuscation, KeystreamStepsEveryFourBytes)
{
    stdObfuscation obfuscation = stdCreateObfuscation(0x12345678);
    EXPECT_EQ(obfuscation->generator, 0x12345678u);
    EXPECT_EQ(obfuscation->word, 0u);
    EXPECT_EQ(obfuscation->countdown, 1);
    EXPECT_EQ(obfuscation->chain, 0x87u);
    uInt8 out = stdObfuscate(obfuscation, 0);
    EXPECT_EQ(obfuscation->generator, 0x12345678u * 1103515245u + 12345u);
    EXPECT_EQ(obfuscation->countdown, 4);
    EXPECT_EQ(obfuscation->chain, out);
    // three more bytes come from the same generator word, shifted down
    stdObfuscate(obfuscation, 0);
    stdObfuscate(obfuscation, 0);
    stdObfuscate(obfuscation, 0);
    EXPECT_EQ(obfuscation->countdown, 1);
    EXPECT_EQ(obfuscation->word, (0x12345678u * 1103515245u + 12345u) >> 24);
    stdDeleteObfuscation(obfuscation);
}

TEST(ObfuscatedWriter, ScramblesLikeTheBufferFunction)
{
    std::string plain = "line one\nline two\tand more";
    stdString text = stringCreate(16);
    stdWriter target = wtrCreateStringWriter(text);
    stdWriter writer = wtrCreateObfuscatedWriter(target, 4242);
    EXPECT_EQ(wtrWrite(writer, plain.data(), 10), 10);
    EXPECT_EQ(wtrPrintf(writer, "%s", plain.c_str() + 10), (Int64)plain.size() - 10);
    EXPECT_EQ(wtrWrite(writer, "", 0), 0);
    std::vector<uInt8> expected = obfuscated(4242, plain);
    EXPECT_EQ(bytesOf(textOf(text)), expected);

    wtrReset(writer);                       // keystream restarts, inner emptied
    EXPECT_EQ(stringSize(text), 0u);
    wtrWrite(writer, plain.data(), plain.size());
    EXPECT_EQ(bytesOf(textOf(text)), expected);
    wtrDelete(writer);
    wtrDelete(target);
    stringDelete(text);
}

TEST(ObfuscatedWriter, PassesOnTheInnerResult)
{
    Recorder recorder;
    recorder.result = 3;
    stdWriter inner = wtrCreate(recordWrite, nullptr, recordDelete, &recorder);
    stdWriter writer = wtrCreateObfuscatedWriter(inner, 1);
    EXPECT_EQ(wtrWrite(writer, "abcdef", 6), 3);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(bytesOf(recorder.writes[0]), obfuscated(1, "abcdef"));
    wtrDelete(writer);
    EXPECT_EQ(recorder.deletes, 0);
    wtrDelete(inner);
}

TEST(ObfuscatedWriter, StackedOnATabWriter)
{
    stdString text = stringCreate(16);
    stdWriter target = wtrCreateStringWriter(text);
    stdWriter tabs = wtrCreateTabConvWriter(target, 4);
    stdWriter writer = wtrCreateObfuscatedWriter(tabs, 8);
    wtrWrite(writer, "a\tb", 3);
    // the scrambled bytes are expanded only if one of them is a tab
    std::vector<uInt8> scrambled = obfuscated(8, "a\tb");
    std::string expanded;
    for (uInt8 c : scrambled) {
        if (c == '\t') expanded += std::string(4 - expanded.size() % 4, ' ');
        else expanded += char(c);
    }
    EXPECT_EQ(textOf(text), expanded);
    wtrDelete(writer);
    wtrDelete(tabs);
    wtrDelete(target);
    stringDelete(text);
}

} // namespace
