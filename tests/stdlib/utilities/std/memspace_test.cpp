// The allocation interface over the process heap, and how exhaustion ends a run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>

#include "childProcess.h"
#include "layerState.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdThreads.h"

// Under AddressSanitizer an impossible request must fail like malloc does
// (null) instead of stopping the process, so that the exhaustion path runs.
extern "C" const char *__asan_default_options(void)
{
    return "allocator_may_return_null=1";
}
/* The same under ThreadSanitizer, which runs these tests too. */
extern "C" const char *__tsan_default_options(void)
{
    return "allocator_may_return_null=1";
}

namespace {

using testsupport::ChildRun;
using testsupport::readAll;

// AddressSanitizer notes each failed request on standard error even when it
// returns null as asked; those notes are not ours.
std::string withoutSanitizerNotes(const std::string &text)
{
    static const std::string note = "WARNING: AddressSanitizer failed to allocate ";
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(start, end - start);
        if (!(line.rfind("==", 0) == 0 && line.find(note) != std::string::npos)) {
            kept += line;
        }
        start = end;
    }
    return kept;
}

// A child run whose standard error is cleared of the sanitizer's notes.
ChildRun runChild(const std::function<void()> &body)
{
    ChildRun run = testsupport::runChild(body);
    run.err = withoutSanitizerNotes(run.err);
    return run;
}

// A size no heap can supply; volatile keeps the compiler from judging it.
volatile size_t impossibleSize = (size_t)1 << 62;

bool endsAtRecoveryPoint(void (*body)(void))
{
    stdThread self = stdGetThreadContext();
    jmp_buf *outer = self->recoveryPoint;
    jmp_buf here;
    if (setjmp(here) == 0) {
        self->recoveryPoint = &here;
        body();
        self->recoveryPoint = outer;
        return false;
    }
    self->recoveryPoint = outer;
    return true;
}

class Memory : public ::testing::Test {
protected:
    void SetUp() override { saved = testsupport::saveLayerState(); }
    void TearDown() override
    {
        stdSetLogFile(NULL);
        testsupport::restoreLayerState(saved);
    }
    testsupport::LayerState saved;
};

// ---------------------------------------------------------------------------

using NativeSpace = Memory;

TEST_F(NativeSpace, BlocksAreUsableToTheirLastByte)
{
    char *block = (char *)stdMALLOC(1000);
    ASSERT_NE(block, nullptr);
    memset(block, 0x5A, 1000);
    EXPECT_EQ(block[999], 0x5A);
    EXPECT_EQ(memspGetSpace(block), memspNativeMemSpace);
    memspFree(block);
    memspFree(NULL);   // ignored, like free(NULL)
    stdFreeFun(NULL);
}

TEST_F(NativeSpace, ZeroByteRequestsGiveDistinctBlocks)
{
    Pointer a = memspMalloc(memspNativeMemSpace, 0);
    Pointer b = stdMALLOC(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    memspFree(a);
    memspFree(b);
}

TEST_F(NativeSpace, ReallocKeepsTheSmallerOfBothSizes)
{
    char *block = (char *)stdMALLOC(16);
    memcpy(block, "0123456789abcdef", 16);
    block = (char *)memspRealloc(block, 100000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(block, 16), "0123456789abcdef");
    block[99999] = 'z';
    block = (char *)memspRealloc(block, 4);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(block, 4), "0123");
    memspFree(block);
}

TEST_F(NativeSpace, ReallocToZeroKeepsALiveBlock)
{
    // realloc(block, 0) may free the block and answer null, which would read
    // as exhaustion and leave the caller with a freed block.
    char *block = (char *)stdMALLOC(8);
    block = (char *)memspRealloc(block, 0);
    ASSERT_NE(block, nullptr);
    memspFree(block);
}

TEST_F(NativeSpace, ReallocOfNullIsAnAssertion)
{
    ChildRun run = runChild([] { memspRealloc(NULL, 8); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "Assertion failure at stdMemSpace\\.cpp, line [0-9]+: Don't realloc empty block\n"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(NativeSpace, UnknownSpaceIsAnAssertion)
{
    ChildRun run = runChild([] { memspMalloc((stdMemSpace)&impossibleSize, 8); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "Assertion failure at stdMemSpace\\.cpp, line [0-9]+: Memory space 0x[0-9a-f]+ is not known\n"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(NativeSpace, FunctionFormsBehaveLikeTheCLibrary)
{
    Pointer (*allocate)(size_t) = stdMallocFun;
    Pointer (*reallocate)(Pointer, size_t) = stdReallocFun;
    void (*release)(Pointer) = stdFreeFun;

    char *block = (char *)reallocate(NULL, 3);   // like realloc: null means allocate
    ASSERT_NE(block, nullptr);
    memcpy(block, "ab", 3);
    block = (char *)reallocate(block, 5000);
    EXPECT_STREQ(block, "ab");
    release(block);
    block = (char *)allocate(1);
    ASSERT_NE(block, nullptr);
    release(block);
}

TEST_F(NativeSpace, SwapReturnsThePreviousCurrentSpace)
{
    EXPECT_EQ(stdGetThreadContext()->currentMemspace, memspNativeMemSpace);
    stdMemSpace other = (stdMemSpace)&impossibleSize;
    EXPECT_EQ(stdSwapMemSpace(other), memspNativeMemSpace);
    EXPECT_EQ(stdGetThreadContext()->currentMemspace, other);
    EXPECT_EQ(stdSwapMemSpace(memspNativeMemSpace), other);
}

TEST_F(NativeSpace, NotSharedFlagSwapsItsValue)
{
    EXPECT_FALSE(stdMemspSetMemNotSharedAmongThreads(True));
    EXPECT_TRUE(stdGetThreadContext()->memNotSharedAmongThreads);
    EXPECT_TRUE(stdMemspSetMemNotSharedAmongThreads(False));
    EXPECT_FALSE(stdGetThreadContext()->memNotSharedAmongThreads);
}

// ---------------------------------------------------------------------------

using Exhaustion = Memory;

TEST_F(Exhaustion, FailedAllocationEndsWithTheFatalLineAndStatusOne)
{
    ChildRun run = runChild([] {
        msgSetToolName("lumcc-extract");
        stdMALLOC(impossibleSize);
        printf("returned\n");
    });
    EXPECT_EQ(run.err, "lumcc-extract fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Exhaustion, FunctionFormsNeverReturnNull)
{
    ChildRun run = runChild([] { stdMallocFun(impossibleSize); });
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.exitCode, 1);
    run = runChild([] {
        Pointer block = stdMallocFun(8);
        stdReallocFun(block, impossibleSize);
    });
    EXPECT_EQ(run.err, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Exhaustion, ReallocLeavesTheBlockToItsCaller)
{
    char *block = (char *)stdMALLOC(4);
    memcpy(block, "abc", 4);
    EXPECT_EQ(memspRealloc(block, impossibleSize), nullptr);
    EXPECT_STREQ(block, "abc");   // still owned and intact
    memspFree(block);
}

TEST_F(Exhaustion, RecoveryPointLearnsThatMemoryRanOut)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    EXPECT_TRUE(endsAtRecoveryPoint([] { stdMALLOC(impossibleSize); }));
    EXPECT_TRUE(stdIsOOMReported());
    EXPECT_TRUE(stdGetThreadContext()->errorFlag);
    String text = stdGetOOMErrorMessage();
    EXPECT_STREQ(text, "Memory allocation failure");
    memspFree(text);
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "fatal   : Memory allocation failure\n");
    fclose(log);
}

TEST_F(Exhaustion, SuppressedMessageStillEndsTheRun)
{
    ChildRun run = runChild([] {
        stdMsgMemoryOverFlow->suppressed = True;
        stdOutOfMemory();
    });
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 1);
}

}  // namespace
