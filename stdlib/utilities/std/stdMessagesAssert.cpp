/*
 * Assertion handlers: how the library's internal consistency checks fail.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdMemSpace.h"
#include "stdThreads.h"

#define ASSERT_BUFFER_SIZE 10000

/* Where the last failed check stands, as given to the set-position handler. */
static cString assertFile = "";
static Int     assertLine;

static void defaultSetPos(cString condition, cString fileName, Int line)
{
    (void)condition;
    assertFile = fileName ? fileName : "";
    assertLine = line;
}

static void defaultFail(cString format, va_list ap)
{
    stdSYSLOG("%sAssertion failure at %s, line %d: ",
              msgGetAddErrorClassPrefixes() ? "@E@" : "", assertFile, assertLine);
    stdVSYSLOG(format, ap);
    stdSYSLOG("\n");
}

static stdAssertSetPosFunc setPosHandler = defaultSetPos;
static stdAssertFailFunc   failHandler   = defaultFail;

void stdASSERTLOGSETPOS(cString condition, cString fileName, Int line)
{
    setPosHandler(condition, fileName, line);
}

void stdASSERTLOGFAIL(cString format, ...)
{
    va_list ap;
    va_start(ap, format);
    failHandler(format, ap);
    va_end(ap);
    stdABORT();
}

/* A null handler puts the default back rather than leaving a null to call. */
void stdSetAssertHandlers(stdAssertSetPosFunc setPos, stdAssertFailFunc fail)
{
    setPosHandler = setPos ? setPos : defaultSetPos;
    failHandler   = fail ? fail : defaultFail;
}

String stdASSERTAssembleString(cString format, ...)
{
    static char assembled[ASSERT_BUFFER_SIZE];
    va_list ap;
    va_start(ap, format);
    vsnprintf(assembled, sizeof assembled, format, ap);
    va_end(ap);
    return assembled;
}

void stdASSERTReport(cString fileName, Int line, cString text)
{
    static char report[ASSERT_BUFFER_SIZE];
    /* Its text is the assembled line itself, so a recovery point can show it. */
    static msgMessageRec assertion = { msgFatal, False, False, report };

    snprintf(report, sizeof report, "Assertion failure at %s, line %d: %s",
             fileName ? fileName : "", line, text ? text : "");
    msgReportText(&assertion, NULL, msgFatal, report);
}
