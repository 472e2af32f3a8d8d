/*
 * A tool written in C on the installed support layer: it counts the words
 * given on its command line. The option library reads the command line, a
 * map counts the words, a list sorts them and a string builder makes the
 * output line, all in a memory space of the run's own that goes away as a
 * whole at the end; the message layer reports what goes wrong.
 *
 *   tally [--min N] [--separator TEXT] [--summary] WORD...
 *
 * prints "WORD=COUNT" for each distinct word given at least N times, in byte
 * order, separated by TEXT (a blank unless given).
 */
#include <stdio.h>

#include "stdCmdOpt.h"
#include "stdList.h"
#include "stdMap.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdStdFun.h"
#include "stdString.h"

msgDEFINE_MESSAGE(tallyMsgNoWords, msgFatal, "No words given");
msgDEFINE_MESSAGE(tallyMsgBadMinimum, msgFatal, "--min must be at least 1, not %d");
msgDEFINE_MESSAGE(tallyMsgSummary, msgInfo, "%u words, %u distinct");
msgDEFINE_MESSAGE(tallyMsgOutsideSpace, msgFatal, "the output text is not in the run's memory space");

typedef struct {
    stdMap    counts;      /* word -> number of times given */
    Int32     minimum;
    cString   separator;
    stdString line;
} Tally;

static void countWord(Pointer word, Pointer data)
{
    stdMap counts = (stdMap)data;
    Address count = (Address)mapApply(counts, word);
    mapDefine(counts, word, (Pointer)(count + 1));
}

static void printWord(Pointer word, Pointer data)
{
    Tally *tally = (Tally *)data;
    Address count = (Address)mapApply(tally->counts, word);
    if (count < (Address)tally->minimum) {
        return;
    }
    if (stringSize(tally->line) > 0) {
        stringAddBuf(tally->line, tally->separator);
    }
    stringAddFormat(tally->line, "%s=%lu", (cString)word, (unsigned long)count);
}

int main(int argc, char **argv)
{
    msgSetToolName("tally");
    cmdoptTable options = cmdoptCreate(False);
    cmdoptAddOption(options, "min", "m", cmdoptInt, cmdoptSingleValue, 0, NULL, NULL, "1", NULL,
                    "<n>", "Leave out the words given fewer times");
    cmdoptAddOption(options, "separator", "s", cmdoptString, cmdoptSingleValue, 0, NULL, NULL,
                    NULL, NULL, "<text>", "Text between two words of the output");
    cmdoptAddOption(options, "summary", NULL, cmdoptBool, cmdoptNoValue, 0, NULL, NULL, NULL, NULL,
                    NULL, "Report the number of words");
    cmdoptParse(options, argc, argv);

    Tally tally = { NULL, 1, " ", NULL };
    stdList words = NULL;
    cmdoptGetOptionValue(options, cmdoptPositionalName, &words);
    cmdoptGetOptionValue(options, "min", &tally.minimum);
    String separator = NULL;
    if (cmdoptGetOptionValue(options, "separator", &separator)) {
        tally.separator = separator;
    }
    if (words == NULL) {
        msgReport(tallyMsgNoWords);
    }
    if (tally.minimum < 1) {
        msgReport(tallyMsgBadMinimum, (int)tally.minimum);
    }

    stdMemSpace space = memspCreate("tally", memspNativeMemSpace, 0);
    stdMemSpace previous = stdSwapMemSpace(space);
    tally.counts = mapCreate(stdStringHash, stdStringEqual, 16);
    listTraverse(words, countWord, tally.counts);
    stdList distinct = mapDomainToList(tally.counts);
    listSort(&distinct, stdStringLessEq);
    tally.line = stringCreate(64);
    listTraverse(distinct, printWord, &tally);
    String text = stringStripToBuf(tally.line);
    if (memspGetSpace(text) != space) {
        msgReport(tallyMsgOutsideSpace);
    }
    printf("%s\n", text);
    if (cmdoptOnCommandLine(options, "summary")) {
        msgReport(tallyMsgSummary, (unsigned)listSize(words), (unsigned)listSize(distinct));
    }
    stdSwapMemSpace(previous);
    memspDelete(space, False);
    return 0;
}
