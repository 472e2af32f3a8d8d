/*
 * Wrapped help output: oprintf keeps the column, breaks lines after words
 * that do not fit and indents every new line; printText prints a sentence.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "stdCmdOptLocal.h"
#include "stdString.h"

static Bool isBreakable(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

static void newLine(cmdoptPrintState state)
{
    putchar('\n');
    for (Int32 i = 0; i < state->indent; i++) putchar(' ');
    state->column = (uInt32)(state->indent > 0 ? state->indent : 0);
}

/* The column a word starting at text may begin at and still end by the
 * width; a word wider than the whole line has no limit. Counting stops past
 * the width, so long texts cost linear time. */
static Int64 limitAt(cmdoptPrintState state, cString text)
{
    if (*text == ' ' || *text == '\n') return state->width;
    Int64 length = 0;
    while (length <= state->width && text[length] != '\0' && text[length] != ' ' &&
           text[length] != '\n')
        length++;
    if (length > state->width) return INT64_MAX;
    return state->width - length;
}

/* Writes one character that fits on the current line. */
static void putFitting(cmdoptPrintState state, char c)
{
    if (state->skipLeadingBlanks && (Int64)state->column == state->indent &&
        (c == ' ' || c == '\n'))
        return;
    if (c == '\t') {
        do {
            putchar(' ');
            state->column++;
        } while (state->column % 8 != 0);
    } else if (c == '\n') {
        newLine(state);
    } else {
        putchar(c);
        state->column++;
    }
}

static void writeWrapped(cmdoptPrintState state, cString text)
{
    cString p = text;
    while (*p != '\0') {
        char c = *p;
        /* At the very start of an indented line a break gains nothing (and
         * would never end), so the character is written as if it fitted. */
        Bool atLineStart = (Int64)state->column == state->indent;
        if ((Int64)state->column < limitAt(state, p) || (atLineStart && isBreakable(c))) {
            putFitting(state, c);
            p++;
        } else if (c == ',') {
            putchar(',');
            newLine(state);
            p++;
        } else if (isBreakable(c)) {
            newLine(state);
        } else {
            /* A word that does not fit is finished on this line; the break follows it. */
            while (*p != '\0' && *p != ',' && !isBreakable(*p)) {
                putchar(*p++);
                state->column++;
            }
            if (*p == ',') {
                putchar(',');
                newLine(state);
                p++;
            } else if (*p != '\0') {
                newLine(state);
            }
        }
    }
}

void oprintf(cmdoptPrintState state, cString format, ...)
{
    stdString buffer = stringCreate(128);
    va_list arguments;
    va_start(arguments, format);
    stringAddVFormat(buffer, format, arguments);
    va_end(arguments);
    String text = stringStripToBuf(buffer);
    writeWrapped(state, text);
    memspFree(text);
}

void printText(cmdoptPrintState state, cString text)
{
    if (*text == '\0') {
        oprintf(state, ".");
        return;
    }
    char first = text[0];
    if (first >= 'a' && first <= 'z') first = (char)(first - 'a' + 'A');
    oprintf(state, "%c", first);
    oprintf(state, "%s", text + 1);
    char last = text[strlen(text) - 1];
    if (last != ' ' && last != '\t' && last != '\n' && last != '\r' && last != '.')
        oprintf(state, ".");
}
