// Message reporting: diagnostic lines byte for byte, channels, the log sink,
// terminators, assertions and the recovery point.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <malloc.h>
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "childProcess.h"
#include "layerState.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdProcess.h"
#include "stdString.h"
#include "stdThreads.h"
#include "stdWriter.h"

namespace {

// ---------------------------------------------------------------------------
// Running code in a child process and looking at what it left behind.

using testsupport::ChildRun;
using testsupport::readAll;
using testsupport::runChild;

// Prints the thread's two flags, for a child to hand them to the test.
void printFlags()
{
    stdThread self = stdGetThreadContext();
    printf("warning=%d error=%d\n", self->warningFlag, self->errorFlag);
}

// Runs body with a recovery point; true when a fatal message took it there.
bool endsAtRecoveryPoint(void (*body)(void *), void *data)
{
    stdThread self = stdGetThreadContext();
    jmp_buf *outer = self->recoveryPoint;
    jmp_buf here;
    if (setjmp(here) == 0) {
        self->recoveryPoint = &here;
        body(data);
        self->recoveryPoint = outer;
        return false;
    }
    self->recoveryPoint = outer;
    return true;
}

msgMessageRec plainRec    = { msgPlain,     False, False, "%s" };
msgMessageRec infoRec     = { msgInfo,      False, False, "%s" };
msgMessageRec warningRec  = { msgWarning,   False, False, "%s" };
msgMessageRec softRec     = { msgSoftError, False, False, "%s" };
msgMessageRec errorRec    = { msgError,     False, False, "%s" };
msgMessageRec fatalRec    = { msgFatal,     False, False, "%s" };
msgMessageRec noneRec     = { msgNone,      False, False, "%s" };
msgMessageRec noInputsRec = { msgFatal,     False, False, "No input file" };

msgMessage plainMsg = &plainRec, infoMsg = &infoRec, warningMsg = &warningRec,
           softMsg = &softRec, errorMsg = &errorRec, fatalMsg = &fatalRec, noneMsg = &noneRec;

// Every test starts from a clean thread context, log sink and channels, and
// leaves them as it found them.
class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = testsupport::saveLayerState();
        testsupport::clearLayerState();
    }
    void TearDown() override
    {
        stdSetLogFile(NULL);
        testsupport::restoreLayerState(saved);
    }
    testsupport::LayerState saved;
};

// What reaching a report with the given settings prints on standard error,
// with the status the child ended with and its flags on standard output.
ChildRun report(msgMessage message, const char *text, const std::function<void()> &settings = [] {})
{
    return runChild([&] {
        settings();
        msgReport(message, text);
        printFlags();
    });
}

// ---------------------------------------------------------------------------

using MessageLine = Messages;

TEST_F(MessageLine, FatalNamesTheToolAndEndsWithStatusOne)
{
    ChildRun run = runChild([] {
        msgSetToolName("lumcc-extract");
        msgReport(&noInputsRec);
        printf("returned\n");
    });
    EXPECT_EQ(run.err, "lumcc-extract fatal   : No input file\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
}

TEST_F(MessageLine, WithoutToolNameTheLineStartsWithTheClassWord)
{
    ChildRun run = runChild([] { msgReport(&noInputsRec); });
    EXPECT_EQ(run.err, "fatal   : No input file\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(MessageLine, ErrorReturnsAndSetsBothFlags)
{
    ChildRun run = report(errorMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t error   : x\n");
    EXPECT_EQ(run.out, "warning=1 error=1\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(MessageLine, SoftErrorSetsOnlyTheWarningFlag)
{
    ChildRun run = report(softMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t error*  : x\n");
    EXPECT_EQ(run.out, "warning=1 error=0\n");
}

TEST_F(MessageLine, WarningSetsOnlyTheWarningFlag)
{
    ChildRun run = report(warningMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t warning : x\n");
    EXPECT_EQ(run.out, "warning=1 error=0\n");
}

TEST_F(MessageLine, PlainHasAnEmptyClassWordAndSetsNoFlag)
{
    ChildRun run = report(plainMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t : x\n");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
}

TEST_F(MessageLine, InfoSetsNoFlag)
{
    ChildRun run = report(infoMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t info    : x\n");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
}

TEST_F(MessageLine, ClassNoneDoesNothing)
{
    ChildRun run = report(noneMsg, "x", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
}

TEST_F(MessageLine, SuppressedMessageDoesNothingEvenWhenFatal)
{
    static msgMessageRec quiet = { msgFatal, True, False, "%s" };
    ChildRun run = report(&quiet, "x");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(MessageLine, ArgumentsFillTheFormat)
{
    static msgMessageRec formatted = { msgError, False, False, "'%s' died due to signal %d %s" };
    ChildRun run = runChild([] { msgReport(&formatted, "cc", 11, "(SEGV)"); });
    EXPECT_EQ(run.err, "error   : 'cc' died due to signal 11 (SEGV)\n");
}

TEST_F(MessageLine, ContinuationLinesPutTheDotUnderTheColon)
{
    ChildRun run = report(fatalMsg, "a\nb", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t fatal   : a\nt         . b\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(MessageLine, DontPrefixErrorLinesLeavesContinuationsBare)
{
    ChildRun run = report(fatalMsg, "a\nb", [] {
        msgSetToolName("t");
        msgSetDontPrefixErrorLines(True);
    });
    EXPECT_EQ(run.err, "t fatal   : a\nb\n");
}

TEST_F(MessageLine, TrailingNewlineLeavesAContinuationHead)
{
    ChildRun run = report(errorMsg, "a\n", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t error   : a\nt         . \n");
}

TEST_F(MessageLine, PlainContinuationHasNoIndent)
{
    ChildRun run = report(plainMsg, "a\nb\nc", [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t : a\nt . b\nt . c\n");
}

TEST_F(MessageLine, SuffixFollowsTheLastTextLine)
{
    ChildRun run = report(fatalMsg, "a", [] {
        msgSetToolName("t");
        msgSetSuffix("S");
    });
    EXPECT_EQ(run.err, "t fatal   : a S\n");
    run = report(fatalMsg, "a\nb", [] {
        msgSetToolName("t");
        msgSetSuffix("S");
    });
    EXPECT_EQ(run.err, "t fatal   : a\nt         . b S\n");
}

TEST_F(MessageLine, ClassPrefixesStartEveryLine)
{
    auto prefixed = [] {
        msgSetToolName("t");
        msgSetAddErrorClassPrefixes(True);
    };
    EXPECT_EQ(report(fatalMsg, "a\nb", prefixed).err, "@E@t fatal   : a\n@E@t         . b\n");
    EXPECT_EQ(report(errorMsg, "x", prefixed).err, "@E@t error   : x\n");
    EXPECT_EQ(report(softMsg, "x", prefixed).err, "@E@t error*  : x\n");
    EXPECT_EQ(report(warningMsg, "x", prefixed).err, "@W@t warning : x\n");
    EXPECT_EQ(report(infoMsg, "x", prefixed).err, "@O@t info    : x\n");
    EXPECT_EQ(report(plainMsg, "x", prefixed).err, "@I@t : x\n");
}

TEST_F(MessageLine, ClassPrefixWithoutToolName)
{
    ChildRun run = report(errorMsg, "a\nb", [] { msgSetAddErrorClassPrefixes(True); });
    EXPECT_EQ(run.err, "@E@error   : a\n@E@        . b\n");
}

TEST_F(MessageLine, LongTextIsPrintedWhole)
{
    static std::string longText(250000, 'q');
    ChildRun run = report(errorMsg, longText.c_str(), [] { msgSetToolName("t"); });
    EXPECT_EQ(run.err, "t error   : " + longText + "\n");
}

// ---------------------------------------------------------------------------

using WarningSettings = Messages;

TEST_F(WarningSettings, IgnoredWarningPrintsNothingAndSetsNoFlag)
{
    ChildRun run = report(warningMsg, "x", [] {
        msgSetToolName("t");
        msgSetIgnoreWarnings(True);
    });
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
}

TEST_F(WarningSettings, WarningAsErrorIsAnErrorInEveryRespect)
{
    ChildRun run = report(warningMsg, "x", [] {
        msgSetToolName("t");
        msgSetWarnAsError(True);
        msgSetAddErrorClassPrefixes(True);
    });
    EXPECT_EQ(run.err, "@E@t error   : x\n");
    EXPECT_EQ(run.out, "warning=1 error=1\n");
}

TEST_F(WarningSettings, IgnoringWinsOverWarningsAsErrors)
{
    ChildRun run = report(warningMsg, "x", [] {
        msgSetIgnoreWarnings(True);
        msgSetWarnAsError(True);
    });
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "warning=0 error=0\n");
}

TEST_F(WarningSettings, OnlyTheWarningClassIsAffected)
{
    ChildRun run = report(softMsg, "x", [] {
        msgSetIgnoreWarnings(True);
        msgSetWarnAsError(True);
    });
    EXPECT_EQ(run.err, "error*  : x\n");
    EXPECT_EQ(run.out, "warning=1 error=0\n");
}

// ---------------------------------------------------------------------------

using MessageSettings = Messages;

TEST_F(MessageSettings, GettersReturnWhatWasSet)
{
    static const char tool[] = "tool";
    static const char suffix[] = "sfx";
    msgSetToolName(tool);
    msgSetSuffix(suffix);
    msgSetWarnAsError(True);
    msgSetIgnoreWarnings(True);
    msgSetAddErrorClassPrefixes(True);
    msgSetDontPrefixErrorLines(True);
    EXPECT_EQ(msgGetToolName(), tool);   // the text itself, not a copy
    EXPECT_EQ(msgGetSuffix(), suffix);
    EXPECT_TRUE(msgGetWarnAsError());
    EXPECT_TRUE(msgGetIgnoreWarnings());
    EXPECT_TRUE(msgGetAddErrorClassPrefixes());
    EXPECT_TRUE(msgGetDontPrefixErrorLines());
    msgSetWarnAsError(False);
    EXPECT_FALSE(msgGetWarnAsError());
}

TEST_F(MessageSettings, EverySettingStartsOffInAFreshContext)
{
    EXPECT_EQ(msgGetToolName(), nullptr);
    EXPECT_EQ(msgGetSuffix(), nullptr);
    EXPECT_FALSE(msgGetWarnAsError());
    EXPECT_FALSE(msgGetIgnoreWarnings());
    EXPECT_FALSE(msgGetAddErrorClassPrefixes());
    EXPECT_FALSE(msgGetDontPrefixErrorLines());
    EXPECT_EQ(stdGetLogLine(), nullptr);
}

TEST_F(MessageSettings, PreserveAndRestoreClassPrefixes)
{
    msgSetAddErrorClassPrefixes(True);
    EXPECT_TRUE(msgPreserveAddErrorClassPrefixes());
    msgSetAddErrorClassPrefixes(False);
    msgRestoreAddErrorClassPrefixes();
    EXPECT_TRUE(msgGetAddErrorClassPrefixes());

    msgSetAddErrorClassPrefixes(False);
    EXPECT_FALSE(msgPreserveAddErrorClassPrefixes());
    msgSetAddErrorClassPrefixes(True);
    msgRestoreAddErrorClassPrefixes();
    EXPECT_FALSE(msgGetAddErrorClassPrefixes());
}

TEST_F(MessageSettings, PreserveAndRestoreDontPrefixErrorLines)
{
    msgSetDontPrefixErrorLines(True);
    EXPECT_TRUE(msgPreserveDontPrefixErrorLines());
    msgSetDontPrefixErrorLines(False);
    msgRestoreDontPrefixErrorLines();
    EXPECT_TRUE(msgGetDontPrefixErrorLines());
    // The two saved slots are separate.
    msgSetAddErrorClassPrefixes(True);
    msgPreserveAddErrorClassPrefixes();
    msgSetDontPrefixErrorLines(False);
    msgPreserveDontPrefixErrorLines();
    msgSetDontPrefixErrorLines(True);
    msgRestoreAddErrorClassPrefixes();
    EXPECT_TRUE(msgGetDontPrefixErrorLines());
    msgRestoreDontPrefixErrorLines();
    EXPECT_FALSE(msgGetDontPrefixErrorLines());
}

TEST_F(MessageSettings, ThreadContextIsOneStableZeroFilledRecord)
{
    stdThread first = stdGetThreadContext();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(stdGetThreadContext(), first);
    msgSetToolName("kept");
    EXPECT_STREQ(first->toolName, "kept");
    msgSetWarnAsError(True);
    EXPECT_TRUE(first->warnAsError);
}

// ---------------------------------------------------------------------------

using SourcePositions = Messages;

TEST_F(SourcePositions, PositionPartComesBeforeTheClassWord)
{
    ChildRun run = runChild([] {
        msgSourceFileNodeRec node = {};
        node.fileName = (String) "f.c";
        msgSourcePosRec pos = { &node, 12 };
        msgSetToolName("t");
        msgReportWithPos(errorMsg, &pos, "text\nmore");
    });
    EXPECT_EQ(run.err, "t f.c, line 12; error   : text\nt " + std::string(22, ' ') + ". more\n");
}

TEST_F(SourcePositions, NoLineMeansNoPositionPart)
{
    ChildRun run = runChild([] {
        msgSourceFileNodeRec node = {};
        node.fileName = (String) "f.c";
        msgSourcePosRec pos = { &node, msgNOLINE };
        msgSetToolName("t");
        msgReportWithPos(errorMsg, &pos, "text");
        msgSourcePosRec nodeless = { NULL, 3 };
        msgReportWithPos(errorMsg, &nodeless, "again");
        msgReportWithPos(errorMsg, NULL, "null");
    });
    EXPECT_EQ(run.err, "t error   : text\nt error   : again\nt error   : null\n");
}

TEST_F(SourcePositions, StructureFlagsDecideRecordingAndPrinting)
{
    ChildRun run = runChild([] {
        msgSourceStructure structure = msgCreateSourceStructure("g.c");
        msgSourcePos pos = msgPullSourcePos(structure, 7);

        msgSetSourceStructureFlags(structure, msgRecordMessages);   // recorded, not printed
        msgReportWithPos(errorMsg, pos, "kept");
        msgSetSourceStructureFlags(structure, msgRecordMessages | msgPrintMessages);
        msgReportWithPos(warningMsg, pos, "both");
        msgSetSourceStructureFlags(structure, 0);                   // neither: flags still set
        msgReportWithPos(softMsg, pos, "lost");

        stdList messages = structure->root->messages;
        printf("%d", (int)listSize(messages));
        for (stdList cell = messages; cell != NULL; cell = cell->next) {
            msgRecordedMessage recorded = (msgRecordedMessage)cell->element;
            printf(" [%u %d %s]", recorded->lineNo, recorded->message == warningMsg, recorded->text);
        }
        printf("\n");
        msgDeleteSourceStructure(structure);
        printFlags();
    });
    EXPECT_EQ(run.err, "g.c, line 7; warning : both\n");
    EXPECT_EQ(run.out, "2 [7 1 both] [7 0 kept]\nwarning=1 error=1\n");
}

TEST_F(SourcePositions, ReportingACopiedMessageWithoutRecordingIsAnAssertion)
{
    static msgMessageRec copiedRec = { msgError, False, True, "%s" };
    ChildRun run = runChild([] { msgReport(&copiedRec, "x"); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "error   : x\nAssertion failure at stdMessages\\.cpp, line [0-9]+: message->copied not supported\n"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(SourcePositions, ClassOutOfRangeIsAnAssertion)
{
    static msgMessageRec strange = { 7, False, False, "%s" };
    ChildRun run = report(&strange, "x");
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "Assertion failure at stdMessages\\.cpp, line [0-9]+: Case label out of bounds\n"));
    EXPECT_EQ(run.exitCode, 1);
}

// ---------------------------------------------------------------------------

using MessageChannels = Messages;

TEST_F(MessageChannels, EachClassGoesToItsChannelAndFatalToTheLogSink)
{
    ChildRun run = runChild([] {
        stdString infoText = stringCreate(64), warningText = stringCreate(64), errorText = stringCreate(64);
        stdWriter info = wtrCreateStringWriter(infoText);
        stdWriter warning = wtrCreateStringWriter(warningText);
        stdWriter error = wtrCreateStringWriter(errorText);
        msgSwapMessageChannels(&info, &warning, &error);
        // The variables now hold the previous, empty, channels.
        printf("%d%d%d\n", info == NULL, warning == NULL, error == NULL);
        msgSetToolName("t");
        msgReport(plainMsg, "p");
        msgReport(infoMsg, "i");
        msgReport(warningMsg, "w");
        msgReport(softMsg, "s");
        msgReport(errorMsg, "e");
        msgSwapMessageChannels(&info, &warning, &error);   // undoes the first swap
        printf("%d%d%d\n", info != NULL, warning != NULL, error != NULL);
        msgReport(errorMsg, "back on stderr");
        String texts[] = { stringToBuf(infoText), stringToBuf(warningText), stringToBuf(errorText) };
        printf("[%s][%s][%s]\n", texts[0], texts[1], texts[2]);
        for (String text : texts) {
            memspFree(text);
        }
        msgSwapMessageChannels(&info, &warning, &error);
        msgReport(fatalMsg, "f");
    });
    EXPECT_EQ(run.out, "111\n111\n[t : p\nt info    : i\n][t warning : w\nt error*  : s\n][t error   : e\n]\n");
    EXPECT_EQ(run.err, "t error   : back on stderr\nt fatal   : f\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(MessageChannels, NullArgumentsLeaveTheirChannelAlone)
{
    ChildRun run = runChild([] {
        stdString errorText = stringCreate(64);
        stdWriter error = wtrCreateStringWriter(errorText);
        msgSwapMessageChannels(NULL, NULL, &error);
        msgReport(infoMsg, "i");
        msgReport(errorMsg, "e");
        String text = stringStripToBuf(errorText);
        printf("[%s]\n", text);
        memspFree(text);
    });
    EXPECT_EQ(run.out, "[error   : e\n]\n");
    EXPECT_EQ(run.err, "info    : i\n");
}

// ---------------------------------------------------------------------------

std::vector<std::string> deliveredLines;

void printCallbackLine(String line)
{
    printf("callback: %s\n", line);
}

void collectLine(String line)
{
    deliveredLines.push_back(line);
}

class LogSink : public Messages {
protected:
    void SetUp() override
    {
        Messages::SetUp();
        deliveredLines.clear();
    }
    void TearDown() override
    {
        stdSetLogLine(NULL);   // also discards a pending line
        Messages::TearDown();
    }
};

TEST_F(LogSink, CallbackReceivesOnlyCompleteLines)
{
    stdSetLogLine(collectLine);
    stdSYSLOG("%s", "ab");
    EXPECT_THAT(deliveredLines, ::testing::IsEmpty());
    stdSYSLOG("c\nd\n");
    EXPECT_THAT(deliveredLines, ::testing::ElementsAre("abc", "d"));
    EXPECT_EQ(stdGetThreadContext()->pendingLogLine, nullptr);
}

TEST_F(LogSink, EmptyLinesAreDeliveredToo)
{
    stdSetLogLine(collectLine);
    stdSYSLOG("\n\nx\n");
    EXPECT_THAT(deliveredLines, ::testing::ElementsAre("", "", "x"));
}

TEST_F(LogSink, DiagnosticsReachTheCallbackLineByLine)
{
    stdSetLogLine(collectLine);
    msgSetToolName("t");
    msgReport(errorMsg, "a\nb");
    EXPECT_THAT(deliveredLines, ::testing::ElementsAre("t error   : a", "t         . b"));
}

TEST_F(LogSink, ReplacingOrRestoringTheCallbackDiscardsThePendingLine)
{
    stdSetLogLine(collectLine);
    stdSYSLOG("lost");
    EXPECT_EQ(stdSetLogLine(collectLine), collectLine);
    stdSYSLOG("kept\n");
    stdSYSLOG("lost too");
    stdRestoreLogLine();
    EXPECT_EQ(stdGetLogLine(), collectLine);   // the saved one is collectLine itself
    stdSYSLOG("last\n");
    EXPECT_THAT(deliveredLines, ::testing::ElementsAre("kept", "last"));
}

TEST_F(LogSink, RestoreReinstallsTheCallbackReplacedLast)
{
    EXPECT_EQ(stdSetLogLine(collectLine), nullptr);
    EXPECT_EQ(stdGetLogLine(), collectLine);
    stdRestoreLogLine();
    EXPECT_EQ(stdGetLogLine(), nullptr);
}

TEST_F(LogSink, LogLineDataFollowsTheSamePattern)
{
    int a = 0, b = 0;
    EXPECT_EQ(stdSetLogLineData(&a), nullptr);
    EXPECT_EQ(stdSetLogLineData(&b), &a);
    EXPECT_EQ(stdGetLogLineData(), &b);
    stdRestoreLogLineData();
    EXPECT_EQ(stdGetLogLineData(), &a);
}

TEST_F(LogSink, TextsBeyondTheLineBufferArriveWhole)
{
    std::string longLine(150000, 'z');
    stdSetLogLine(collectLine);
    stdSYSLOG("%s|%s\n", longLine.c_str(), "end");
    ASSERT_EQ(deliveredLines.size(), 1u);
    EXPECT_EQ(deliveredLines[0], longLine + "|end");
}

TEST_F(LogSink, CallbackPathWorksInTheProcessHeap)
{
    // An unknown current space fails its assertion on the first allocation
    // made in it; the sink must do its work in the process heap.
    ChildRun run = runChild([] {
        stdMemSpace foreign = (stdMemSpace)&deliveredLines;
        stdSetLogLine(printCallbackLine);
        stdMemSpace previous = stdSwapMemSpace(foreign);
        stdSYSLOG("one\ntw");
        stdSYSLOG("o\n");
        printf("space restored: %d\n", stdSwapMemSpace(previous) == foreign);
    });
    EXPECT_EQ(run.out, "callback: one\ncallback: two\nspace restored: 1\n");
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(LogSink, LogFileTakesTheTextUntilReset)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    stdSYSLOG("to %s\n", "file");
    stdFSYSLOG("%d\n", 42);
    msgSetToolName("t");
    msgReport(infoMsg, "i");
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "to file\n42\nt info    : i\n");
    fclose(log);
    ChildRun run = runChild([] { stdSYSLOG("to stderr\n"); });
    EXPECT_EQ(run.err, "to stderr\n");
}

TEST_F(LogSink, FsyslogBypassesTheCallback)
{
    ChildRun run = runChild([] {
        stdSetLogLine(collectLine);
        stdFSYSLOG("direct %s\n", "text");
        printf("%zu\n", deliveredLines.size());
    });
    EXPECT_EQ(run.err, "direct text\n");
    EXPECT_EQ(run.out, "0\n");
}

// ---------------------------------------------------------------------------

using OutOfMemory = Messages;

TEST_F(OutOfMemory, GoesToStandardErrorWithoutDecoration)
{
    ChildRun run = runChild([] {
        stdString text = stringCreate(16);
        stdWriter writer = wtrCreateStringWriter(text);
        msgSwapMessageChannels(&writer, &writer, &writer);
        stdSetLogLine(printCallbackLine);
        msgSetToolName("t%s");                       // printed verbatim
        msgSetSuffix("S");
        msgSetAddErrorClassPrefixes(True);
        msgReport(stdMsgMemoryOverFlow);
    });
    EXPECT_EQ(run.err, "t%s fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(OutOfMemory, GoesToTheLogFileWhenOneIsSet)
{
    ChildRun run = runChild([] {
        stdSetLogFile(stdout);
        msgReport(stdMsgMemoryOverFlow);
    });
    EXPECT_EQ(run.out, "fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(OutOfMemory, StdOutOfMemoryEndsWithStatusOne)
{
    ChildRun run = runChild([] {
        msgSetToolName("lumcc-extract");
        stdOutOfMemory();
    });
    EXPECT_EQ(run.err, "lumcc-extract fatal   : Memory allocation failure\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(OutOfMemory, SetsOnlyTheErrorFlagAndReachesTheRecoveryPoint)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    EXPECT_TRUE(endsAtRecoveryPoint([](void *) { msgReport(stdMsgMemoryOverFlow); }, NULL));
    stdThread self = stdGetThreadContext();
    EXPECT_TRUE(self->errorFlag);
    EXPECT_FALSE(self->warningFlag);
    EXPECT_EQ(self->lastFatalMessage, stdMsgMemoryOverFlow);
    EXPECT_TRUE(stdIsOOMReported());
    String text = stdGetOOMErrorMessage();
    EXPECT_STREQ(text, "Memory allocation failure");
    memspFree(text);
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "fatal   : Memory allocation failure\n");
    fclose(log);
}

TEST_F(OutOfMemory, AllocatesNothing)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    stdFSYSLOG("warm-up\n");   // the stream's own buffer exists from here on
    msgSetToolName("t");
    struct mallinfo2 before = mallinfo2();
    bool reached = endsAtRecoveryPoint([](void *) { msgReport(stdMsgMemoryOverFlow); }, NULL);
    struct mallinfo2 after = mallinfo2();
    EXPECT_TRUE(reached);
    EXPECT_EQ(after.uordblks, before.uordblks);
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "warm-up\nt fatal   : Memory allocation failure\n");
    fclose(log);
}

// ---------------------------------------------------------------------------

using RecoveryPoint = Messages;

TEST_F(RecoveryPoint, FatalMessageTransfersControlAndIsRemembered)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    msgSetToolName("t");
    static bool after;
    after = false;
    bool reached = endsAtRecoveryPoint([](void *) {
        msgReport(fatalMsg, "stop\nhere");
        after = true;
    }, NULL);
    EXPECT_TRUE(reached);
    EXPECT_FALSE(after);
    stdThread self = stdGetThreadContext();
    EXPECT_EQ(self->lastFatalMessage, fatalMsg);
    EXPECT_TRUE(self->warningFlag);
    EXPECT_TRUE(self->errorFlag);
    EXPECT_FALSE(stdIsOOMReported());
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "t fatal   : stop\nt         . here\n");
    fclose(log);
}

TEST_F(RecoveryPoint, ErrorsReturnNormally)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    EXPECT_FALSE(endsAtRecoveryPoint([](void *) { msgReport(errorMsg, "go on"); }, NULL));
    EXPECT_EQ(stdGetThreadContext()->lastFatalMessage, nullptr);
    EXPECT_EQ(stdGetOOMErrorMessage(), nullptr);
    stdSetLogFile(NULL);
    fclose(log);
}

// ---------------------------------------------------------------------------

using Terminators = Messages;

TEST_F(Terminators, ExitKeepsTheLowEightBits)
{
    EXPECT_EQ(runChild([] { stdEXIT(256); }).exitCode, 0);
    EXPECT_EQ(runChild([] { stdEXIT(3); }).exitCode, 3);
    EXPECT_EQ(runChild([] { stdEXIT(-1); }).exitCode, 255);
    EXPECT_EQ(runChild([] { stdEXIT(0x1FF); }).exitCode, 255);
}

TEST_F(Terminators, ExitHandlerSeesTheLowBitsFirst)
{
    ChildRun run = runChild([] {
        stdSetTerminators(NULL, [](Int status) { printf("handler %d\n", status); });
        stdEXIT(258);
    });
    EXPECT_EQ(run.out, "handler 2\n");
    EXPECT_EQ(run.exitCode, 2);
}

TEST_F(Terminators, DefaultAbortEndsWithStatusOneThroughTheExitHandler)
{
    ChildRun run = runChild([] {
        stdSetTerminators(NULL, [](Int status) { printf("handler %d\n", status); });
        stdABORT();
    });
    EXPECT_EQ(run.out, "handler 1\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Terminators, ReplacedAbortHandlerRunsThenTheProcessAborts)
{
    ChildRun run = runChild([] {
        stdSetTerminators([] { printf("abort handler\n"); fflush(stdout); }, NULL);
        stdABORT();
    });
    EXPECT_EQ(run.out, "abort handler\n");
    EXPECT_EQ(run.signal, SIGABRT);
}

TEST_F(Terminators, AnExitingAbortHandlerDecidesTheStatus)
{
    ChildRun run = runChild([] {
        stdSetTerminators([] { _exit(7); }, NULL);
        msgReport(fatalMsg, "x");
    });
    EXPECT_EQ(run.err, "fatal   : x\n");
    EXPECT_EQ(run.exitCode, 7);
}

TEST_F(Terminators, TrapOnErrorMakesFatalMessagesAbort)
{
    ChildRun run = runChild([] {
        procSetTrapOnError();
        msgReport(fatalMsg, "trap");
    });
    EXPECT_EQ(run.err, "fatal   : trap\n");
    EXPECT_EQ(run.signal, SIGABRT);
    EXPECT_FALSE(procTrapOnError);   // only the child set it
}

TEST_F(Terminators, GetReturnsTheHandlersAndNullKeepsThem)
{
    stdAbortFunc originalAbort = NULL;
    stdExitFunc originalExit = NULL;
    stdGetTerminators(&originalAbort, &originalExit);
    ASSERT_NE(originalAbort, nullptr);
    EXPECT_EQ(originalExit, (stdExitFunc)exit);
    stdAbortFunc myAbort = [] {};
    stdSetTerminators(myAbort, NULL);
    stdAbortFunc nowAbort = NULL;
    stdExitFunc nowExit = NULL;
    stdGetTerminators(&nowAbort, NULL);
    stdGetTerminators(NULL, &nowExit);
    EXPECT_EQ(nowAbort, myAbort);
    EXPECT_EQ(nowExit, originalExit);
    stdSetTerminators(originalAbort, originalExit);
    stdGetTerminators(&nowAbort, &nowExit);
    EXPECT_EQ(nowAbort, originalAbort);
}

// ---------------------------------------------------------------------------

using Assertions = Messages;

TEST_F(Assertions, FailedCheckNamesFileAndLineAndEndsWithStatusOne)
{
    ChildRun run = runChild([] {
        int count = 7;
        // The line number goes to standard output from the line of the check itself.
        printf("%d\n", __LINE__); stdASSERT(count < 5, ("count %d too big", count));
        printf("returned\n");
    });
    EXPECT_EQ(run.err, "Assertion failure at messages_test.cpp, line " + run.out.substr(0, run.out.size() - 1) +
                       ": count 7 too big\n");
    EXPECT_THAT(run.out, ::testing::MatchesRegex("[0-9]+\n"));
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Assertions, PassingCheckDoesNothing)
{
    ChildRun run = runChild([] {
        stdASSERT(1 + 1 == 2, ("never"));
        printf("went on\n");
    });
    EXPECT_EQ(run.out, "went on\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Assertions, ClassPrefixesAddTheErrorPrefix)
{
    ChildRun run = runChild([] {
        msgSetAddErrorClassPrefixes(True);
        stdASSERTLOGSETPOS("cond", "file.c", 9);
        stdASSERTLOGFAIL("%s", "broken");
    });
    EXPECT_EQ(run.err, "@E@Assertion failure at file.c, line 9: broken\n");
}

TEST_F(Assertions, FailureTextReachesTheCallbackAsOneLine)
{
    ChildRun run = runChild([] {
        stdSetLogLine(printCallbackLine);
        stdASSERTLOGSETPOS("cond", "file.c", 9);
        stdASSERTLOGFAIL("no %s", "luck");
    });
    EXPECT_EQ(run.out, "callback: Assertion failure at file.c, line 9: no luck\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Assertions, ReplacedHandlersGetConditionPositionAndText)
{
    ChildRun run = runChild([] {
        stdSetAssertHandlers(
            [](cString condition, cString file, Int line) { printf("at %s %s %d\n", condition, file, line); },
            [](cString format, va_list ap) { vprintf(format, ap); printf("\n"); });
        stdSetTerminators(NULL, [](Int status) { printf("exit %d\n", status); });
        stdASSERT(2 < 1, ("%d-%s", 5, "five"));
    });
    EXPECT_THAT(run.out, ::testing::MatchesRegex("at 2 < 1 messages_test\\.cpp [0-9]+\n5-five\nexit 1\n"));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Assertions, NullHandlersRestoreTheDefaults)
{
    ChildRun run = runChild([] {
        stdSetAssertHandlers([](cString, cString, Int) {}, [](cString, va_list) {});
        stdSetAssertHandlers(NULL, NULL);
        stdASSERTLOGSETPOS("c", "d.c", 4);
        stdASSERTLOGFAIL("default again");
    });
    EXPECT_EQ(run.err, "Assertion failure at d.c, line 4: default again\n");
}

TEST_F(Assertions, ReportIsAFatalMessagePrintedVerbatim)
{
    ChildRun run = runChild([] {
        msgSetToolName("t");
        stdASSERTReport("f.c", 3, "100% sure %s");
    });
    EXPECT_EQ(run.err, "t fatal   : Assertion failure at f.c, line 3: 100% sure %s\n");
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(Assertions, ReportAtARecoveryPointLeavesItsTextInTheLastFatalMessage)
{
    FILE *log = tmpfile();
    stdSetLogFile(log);
    EXPECT_TRUE(endsAtRecoveryPoint([](void *) { stdASSERTReport("g.c", 12, "odd"); }, NULL));
    msgMessage last = stdGetThreadContext()->lastFatalMessage;
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->messageClass, (uInt32)msgFatal);
    EXPECT_STREQ(last->format, "Assertion failure at g.c, line 12: odd");
    EXPECT_TRUE(stdGetThreadContext()->errorFlag);
    stdSetLogFile(NULL);
    EXPECT_EQ(readAll(log), "fatal   : Assertion failure at g.c, line 12: odd\n");
    fclose(log);
}

TEST_F(Assertions, AssembledStringIsOverwrittenByTheNextCall)
{
    String first = stdASSERTAssembleString("%s=%d", "x", 1);
    EXPECT_STREQ(first, "x=1");
    String second = stdASSERTAssembleString("%s", "other");
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "other");
}

TEST_F(Assertions, OverlongTextsAreCutToTheBuffers)
{
    std::string huge(30000, 'h');
    String assembled = stdASSERTAssembleString("%s", huge.c_str());
    EXPECT_EQ(strlen(assembled), 9999u);
    EXPECT_EQ(std::string(assembled), huge.substr(0, 9999));

    FILE *log = tmpfile();
    stdSetLogFile(log);
    static std::string text;
    text = huge;
    EXPECT_TRUE(endsAtRecoveryPoint([](void *) { stdASSERTReport("f.c", 1, text.c_str()); }, NULL));
    stdSetLogFile(NULL);
    std::string head = "Assertion failure at f.c, line 1: ";
    EXPECT_EQ(readAll(log), "fatal   : " + head + huge.substr(0, 9999 - head.size()) + "\n");
    fclose(log);
}

// ---------------------------------------------------------------------------

struct Expected {
    msgMessage *message;
    uInt32 messageClass;
    const char *text;
};

TEST(LibraryMessages, EveryDescriptorHasItsClassAndText)
{
    const Expected table[] = {
        { &cmdoptMsgArgumentExpected, 6, "argument expected after '%s'" },
        { &cmdoptMsgDeprecated, 3, "option '%s' has been deprecated" },
        { &cmdoptMsgIsNoKeyword, 6, "'%s' is not in 'keyword=value' format" },
        { &cmdoptMsgKeywordNotInDomain, 6, "Keyword '%s' is not defined for option '%s'" },
        { &cmdoptMsgNoArgumentExpected, 6, "no argument expected after '%s'" },
        { &cmdoptMsgNotABool, 6, "'%s': expected true or false" },
        { &cmdoptMsgNotANumber, 6, "'%s': expected a number" },
        { &cmdoptMsgOpenOptFailed, 6, "Could not open options file '%s'" },
        { &cmdoptMsgOptionNotDefined, 6, "No value specified for option '%s'" },
        { &cmdoptMsgOutOfRange, 6, "%s value (%s) out of range" },
        { &cmdoptMsgOverriddenIncompatible, 3,
          "incompatible redefinition for option '%s', the last value of this option was used" },
        { &cmdoptMsgReadProblem, 6, "Failed to read contents of options file" },
        { &cmdoptMsgRedefinedArgument, 6, "redefinition of argument '%s'" },
        { &cmdoptMsgRedefinedKeyword, 6, "redefinition of keyword '%s' " },
        { &cmdoptMsgTooManyOptFileOpened, 6, "Too many options file opened '%s'" },
        { &cmdoptMsgUnknownOption, 6, "Unknown option '%s'" },
        { &cmdoptMsgValueNotInDomain, 6, "Value '%s' is not defined for option '%s'" },
        { &hostMsgError, 6, "%s" },
        { &hostMsgFileReadFailed, 6, "Could not read file '%s'" },
        { &hostMsgFindError, 6, "Could not find %s in '%s'" },
        { &hostMsgOpenInputFailed, 6, "Could not open input file '%s'" },
        { &stdMsgBailoutDueToErrors, 6, "Bailing out due to earlier errors" },
        { &stdMsgCoreDumped, 5, "'%s' core dumped" },
        { &stdMsgExecFailed, 6, "exec() failed with '%s'" },
        { &stdMsgForkFailed, 5, "fork() failed with '%s'" },
        { &stdMsgMemoryOverFlow, 6, "Memory allocation failure" },
        { &stdMsgOpenInputFailed, 6, "Could not open input file '%s'" },
        { &stdMsgOpenOutputFailed, 6, "Could not open output file '%s'" },
        { &stdMsgSignal, 5, "'%s' died due to signal %d %s" },
        { &stdMsgStrayBackSlash, 6, "Stray '\\' character" },
        { &stdMsgStrayBracket, 6, "Stray '[' character" },
        { &stdMsgStrayQuote, 6, "Stray '\"' character" },
        { &stdMsgWaitFailed, 5, "wait() failed with '%s'" },
        { &threadsMsgMemoryOverFlow, 6, "Memory allocation failure" },
    };
    for (const Expected &row : table) {
        msgMessage message = *row.message;
        ASSERT_NE(message, nullptr) << row.text;
        EXPECT_EQ(message->messageClass, row.messageClass) << row.text;
        EXPECT_STREQ(message->format, row.text);
        EXPECT_FALSE(message->suppressed) << row.text;
        EXPECT_FALSE(message->copied) << row.text;
    }
}

TEST(LibraryMessages, StrayBackslashShowsOneBackslashBetweenTheQuotes)
{
    ChildRun run = runChild([] {
        msgSetToolName("t");
        msgReport(stdMsgStrayBackSlash);
    });
    EXPECT_EQ(run.err, "t fatal   : Stray '\\' character\n");
    EXPECT_EQ(run.exitCode, 1);
}

}  // namespace
