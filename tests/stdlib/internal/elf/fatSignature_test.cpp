/*
 * Filling signature slots in place: every result code and exactly which bytes change.
 */
#include <gtest/gtest.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>
#include "elf_test_helpers.h"
#include "fatBinary.h"

using namespace lumtest;

namespace {

const LUM_ID tv7 = (LUM_ID)1, gw3 = (LUM_ID)2, tv8 = (LUM_ID)3, unnamed = LUM_ID_INVALID;

/* A scratch copy of the signed program, opened for update. */
class SignedFile {
public:
    explicit SignedFile(const char *mode = "r+b")
        : original_(readBytes(fixture("sig/signed.exe"))), file_(original_)
    {
        stream_ = fopen(file_.path().c_str(), mode);
        EXPECT_NE(stream_, nullptr);
    }
    ~SignedFile() { close(); }
    FILE *get() const { return stream_; }
    void close()
    {
        if (stream_ != nullptr) {
            fclose(stream_);
            stream_ = nullptr;
        }
    }
    const Bytes &original() const { return original_; }
    /* The file's bytes after closing the stream. */
    Bytes after()
    {
        close();
        return file_.contents();
    }
private:
    Bytes original_;
    ScratchFile file_;
    FILE *stream_;
};

Int update(FILE *stream, const char *app, LUM_ID target, const std::string &signature)
{
    return updateSignatureData(stream, app, target, (const uInt8 *)signature.data(), signature.size());
}

/* The original bytes with a length and a signature written at position. */
Bytes withSignature(Bytes bytes, uint64_t position, const std::string &signature)
{
    putU64(bytes, position, signature.size());
    memcpy(bytes.data() + position + 8, signature.data(), signature.size());
    return bytes;
}

} // namespace

TEST(SignatureWrite, WritesLengthAndDataIntoTheTargetsSlot)
{
    SignedFile f;
    ASSERT_EQ(update(f.get(), "alpha", tv7, "signature!"), fatSigWritten);
    EXPECT_EQ(f.after(), withSignature(f.original(), fact("sig.alpha.0.offset"), "signature!"));
}

TEST(SignatureWrite, SlotFilledExactly)
{
    SignedFile f;
    std::string full(fact("sig.alpha.1.size") - 8, 'S');   /* length + 8 == slot size */
    ASSERT_EQ(update(f.get(), "alpha", gw3, full), fatSigWritten);
    EXPECT_EQ(f.after(), withSignature(f.original(), fact("sig.alpha.1.offset"), full));
}

TEST(SignatureWrite, FirstMatchingSlotAfterSlotZero)
{
    /* Slots 1 and 2 are both for gw3: slot 1 is taken. */
    ASSERT_EQ(fact("sig.alpha.2.id"), 2u);
    SignedFile f;
    ASSERT_EQ(update(f.get(), "alpha", gw3, "g"), fatSigWritten);
    EXPECT_EQ(f.after(), withSignature(f.original(), fact("sig.alpha.1.offset"), "g"));
}

TEST(SignatureWrite, BareSlotServesAnyTarget)
{
    SignedFile f;
    ASSERT_EQ(update(f.get(), "beta", (LUM_ID)5, "bare-slot"), fatSigWritten);
    EXPECT_EQ(f.after(), withSignature(f.original(), fact("sig.beta.offset"), "bare-slot"));
}

TEST(SignatureWrite, SingleUnnamedSlotServesAnyTarget)
{
    SignedFile f;
    ASSERT_EQ(update(f.get(), "gamma", tv8, "sixteen-bytes!!!"), fatSigWritten);
    EXPECT_EQ(f.after(), withSignature(f.original(), fact("sig.gamma.0.offset"), "sixteen-bytes!!!"));
}

TEST(SignatureWrite, UnnamedRequestUsesASingleNamedSlot)
{
    SignedFile f;
    /* alpha has several slots: an unnamed request matches none of them. */
    EXPECT_EQ(update(f.get(), "alpha", unnamed, "x"), fatSigNoSlot);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureWrite, LengthZeroWritesNothing)
{
    SignedFile f;
    EXPECT_EQ(updateSignatureData(f.get(), "nosuch", tv7, nullptr, 0), fatSigWritten);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, SlotTooSmall)
{
    SignedFile f;
    std::string tooLong(fact("sig.alpha.1.size") - 7, 'S');
    EXPECT_EQ(update(f.get(), "alpha", gw3, tooLong), fatSigSlotTooSmall);
    EXPECT_EQ(update(f.get(), "gamma", tv7, std::string(17, 'g')), fatSigSlotTooSmall);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, SlotOutsideTheFileIsNeverWritten)
{
    SignedFile f;
    EXPECT_EQ(update(f.get(), "far", tv7, "far away"), fatSigSlotTooSmall);
    Bytes after = f.after();
    EXPECT_EQ(after.size(), fact("sig.size"));
    EXPECT_EQ(after, f.original());
}

TEST(SignatureResults, BadArguments)
{
    SignedFile f;
    EXPECT_EQ(update(nullptr, "alpha", tv7, "x"), fatSigBadArgument);
    EXPECT_EQ(update(f.get(), nullptr, tv7, "x"), fatSigBadArgument);
    EXPECT_EQ(updateSignatureData(f.get(), "alpha", tv7, nullptr, 3), fatSigBadArgument);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, ReadOnlyStreamIsRefusedBeforeReading)
{
    SignedFile f("rb");
    fseek(f.get(), 33, SEEK_SET);
    /* Even for an app that does not exist: nothing is looked at. */
    EXPECT_EQ(update(f.get(), "nosuch", tv7, "x"), fatSigNotWritable);
    EXPECT_EQ(update(f.get(), "alpha", tv7, "x"), fatSigNotWritable);
    EXPECT_EQ(ftell(f.get()), 33);
    EXPECT_EQ(updateSignatureData(f.get(), "alpha", tv7, nullptr, 0), fatSigNotWritable);
}

TEST(SignatureResults, AppendingStreamIsRefused)
{
    /* Open for reading and writing, but every write would go to the end. */
    SignedFile f("a+b");
    EXPECT_EQ(update(f.get(), "alpha", tv7, "signature!"), fatSigNotWritable);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, MemoryStreamIsNotAFile)
{
    MemStream s(readBytes(fixture("sig/signed.exe")), "r+");
    EXPECT_EQ(update(s.get(), "alpha", tv7, "x"), fatSigNotWritable);
}

TEST(SignatureResults, WriteRefusedByTheStreamIsNotSuccess)
{
    /* The descriptor is open for both, the stdio stream only for reading. */
    SignedFile f;
    int fd = dup(fileno(f.get()));
    ASSERT_GE(fd, 0);
    FILE *readOnly = fdopen(fd, "r");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(update(readOnly, "alpha", tv7, "x"), fatSigNotWritable);
    fclose(readOnly);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, NoSignatureSectionForTheApp)
{
    SignedFile f;
    EXPECT_EQ(update(f.get(), "nosuch", tv7, "x"), fatSigNoApp);
    EXPECT_EQ(update(f.get(), "alph", tv7, "x"), fatSigNoApp);
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, NoSlotForTheTarget)
{
    SignedFile f;
    EXPECT_EQ(update(f.get(), "alpha", tv8, "x"), fatSigNoSlot);
    EXPECT_EQ(update(f.get(), "delta", tv7, "x"), fatSigNoSlot);   /* container without slots */
    EXPECT_EQ(update(f.get(), "bad", tv7, "x"), fatSigNoSlot);     /* unreadable container */
    EXPECT_EQ(f.after(), f.original());
}

TEST(SignatureResults, HostWithoutSignatures)
{
    ScratchFile file(readBytes(fixture("elf/host.exe")));
    FILE *stream = fopen(file.path().c_str(), "r+b");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(update(stream, "alpha", tv7, "x"), fatSigNoApp);
    fclose(stream);
}
