/*
 * The help printer: a measuring pass and a printing pass over the groups,
 * with aligned columns and wrapped, indented help texts. The same walk lists
 * the values given instead (values mode).
 */
#include <stdio.h>
#include <string.h>
#include "stdCmdOptLocal.h"
#include "stdStdFun.h"
#include "stdString.h"

/* ---- Values ------------------------------------------------------------- */

static Bool isTextType(uInt32 type)
{
    return type == cmdoptOptionsFile || type == cmdoptString || type == cmdoptCIString;
}

/* Prints one value in the format of the current option's type. */
static void printValue(cmdoptPrintState state, Pointer value)
{
    uInt32 type = state->currentOption->type;
    switch (type) {
    case cmdoptOptionsFile:
    case cmdoptString:
    case cmdoptCIString:
        oprintf(state, "'%s'", (cString)value);
        break;
    case cmdoptBool:
        oprintf(state, "%s", (Address)value != 0 ? "true" : "false");
        break;
    case cmdoptInt:
        oprintf(state, "%ld", (long)(Int32)cmdoptValueBits(type, value));
        break;
    case cmdoptInt64:
        oprintf(state, "%lld", (long long)cmdoptValueBits(type, value));
        break;
    case cmdoptFloat:
        oprintf(state, "%e", (double)cmdoptValueFloat(value));
        break;
    case cmdoptHex:
        oprintf(state, "0x%x", (unsigned)cmdoptValueBits(type, value));
        break;
    case cmdoptHex08:
        oprintf(state, "0x%08x", (unsigned)cmdoptValueBits(type, value));
        break;
    case cmdoptHex64:
        oprintf(state, "0x%llx", (unsigned long long)cmdoptValueBits(type, value));
        break;
    default:
        stdASSERT(False, ("Case label out of range"));
    }
}

/* An element of a listing: separator, then the element; later ones get ",". */
static void printV(Pointer value, Pointer data)
{
    cmdoptPrintState state = (cmdoptPrintState)data;
    oprintf(state, "%c", state->separator);
    state->separator = ',';
    printValue(state, value);
}

static void printKeywordName(Pointer keyword, Pointer data)
{
    cmdoptPrintState state = (cmdoptPrintState)data;
    oprintf(state, "%c", state->separator);
    state->separator = ',';
    oprintf(state, "'%s'", (cString)keyword);
}

static void printKeyword(Pointer keyword, Pointer value, Pointer data)
{
    cmdoptPrintState state = (cmdoptPrintState)data;
    oprintf(state, "%c", state->separator);
    state->separator = ',';
    oprintf(state, "%s=", (cString)keyword);
    printValue(state, value);
}

static void printKeywordValue(Pointer map, Pointer data)
{
    cmdoptPrintState state = (cmdoptPrintState)data;
    state->separator = ' ';
    mapTraverse((stdMap)map, printKeyword, state);
}

static void printListElement(Pointer value, Pointer data)
{
    printValue((cmdoptPrintState)data, value);
}

static void printOptionValue(cmdoptOption option, Bool useDefault, cmdoptPrintState state)
{
    Pointer slot = useDefault ? option->defaultValue : option->value;
    switch (option->mode) {
    case cmdoptNoValue:
        oprintf(state, " true");
        break;
    case cmdoptSingleValue:
        /* A text option given bare ("-O") has no text to show: it is listed
         * by its name alone. */
        if (slot == nullptr && isTextType(option->type)) break;
        oprintf(state, " ");
        printValue(state, slot);
        break;
    case cmdoptListValue:
        if (slot != nullptr) listTraverse(((cmdoptListHeader)slot)->list, printListElement, state);
        break;
    case cmdoptKeywordValue:
        if (slot != nullptr) printKeywordValue(slot, state);
        break;
    case cmdoptKeywordListValue:
        if (useDefault) {
            if (slot != nullptr) printKeywordValue(slot, state);
        } else if (slot != nullptr) {
            listTraverse(((cmdoptListHeader)slot)->list, printKeywordValue, state);
        }
        break;
    default:
        stdASSERT(False, ("Case label out of range"));
    }
}

/* ---- Options ------------------------------------------------------------ */

static Bool isHidden(cmdoptOption option)
{
    return (option->flags & (cmdoptHidden | cmdoptDeprecated)) != 0;
}

static String nameColumnText(cmdoptOption option)
{
    Bool list = option->mode == cmdoptListValue || option->mode == cmdoptKeywordListValue;
    Bool hasPlaceholder = *option->placeholder != '\0';
    stdString text = stringCreate(64);
    stringAddFormat(text, "--%s%s%s%s", option->name, hasPlaceholder ? " " : "",
                    option->placeholder, hasPlaceholder && list ? ",..." : "");
    return stringStripToBuf(text);
}

/* Options without a short name show an empty short column. */
static String shortColumnText(cmdoptOption option)
{
    stdString text = stringCreate(32);
    if (*option->shortName != '\0') stringAddFormat(text, "(-%s)", option->shortName);
    return stringStripToBuf(text);
}

static void raise(uInt32 *width, cString text)
{
    size_t length = strlen(text);
    if (length > *width) *width = (uInt32)length;
}

static void printNameColumn(cmdoptPrintState state, cString nameText)
{
    Bool skip = state->skipLeadingBlanks;
    state->skipLeadingBlanks = False;
    oprintf(state, state->nameFormat, nameText);
    state->skipLeadingBlanks = skip;
}

static void printAllowedKeywords(cmdoptPrintState state, cmdoptOption option)
{
    stdList keywords = setToList(option->keywordDomain);
    listSort(&keywords, stdStringLessEq);
    oprintf(state, "\nAllowed keywords for this option: ");
    state->separator = ' ';
    listTraverse(keywords, printKeywordName, state);
    oprintf(state, ".");
    listDelete(keywords);
}

/* Hex values order as the unsigned numbers they are. */
static Bool hexLessEq(Pointer a, Pointer b)
{
    return (uInt32)(Address)a <= (uInt32)(Address)b;
}

static void printAllowedValues(cmdoptPrintState state, cmdoptOption option)
{
    stdList values = setToList(option->valueDomain);
    oprintf(state, "\nAllowed values for this option: ");
    state->separator = ' ';
    switch (option->type) {
    case cmdoptBool:
    case cmdoptInt:
        listSort(&values, stdIntLessEq);
        break;
    case cmdoptHex:
    case cmdoptHex08:
        listSort(&values, hexLessEq);
        break;
    case cmdoptString:
        listSort(&values, stdStringLessEq);
        break;
    case cmdoptCIString:
        listSort(&values, stdCIStringLessEq);
        break;
    case cmdoptInt64:
        listSort(&values, stdpInt64LessEq);
        break;
    case cmdoptFloat:
        listSort(&values, stdFloatLessEq);
        break;
    case cmdoptHex64:
        listSort(&values, stdpuInt64LessEq);
        break;
    default:
        break;
    }
    listTraverse(values, printV, state);
    oprintf(state, ".");
    listDelete(values);
}

static void printHelpEntry(cmdoptPrintState state, cmdoptOption option, cString nameText,
                           cString shortText)
{
    printNameColumn(state, nameText);
    oprintf(state, state->shortFormat, shortText);
    printText(state, option->help);
    if (option->keywordDomain != nullptr) printAllowedKeywords(state, option);
    if (option->valueDomain != nullptr) printAllowedValues(state, option);
    if (option->hasDefault && !(option->flags & cmdoptNoDefaultInHelp)) {
        oprintf(state, "\nDefault value: ");
        printOptionValue(option, True, state);
        oprintf(state, ".");
    }
    puts("\n");
}

static void printOption(cmdoptPrintState state, cmdoptOption option)
{
    if (isHidden(option) && !state->showHidden) return;
    if (state->valuesMode) {
        if (!option->onCommandLine) return;
    } else if (strcmp(option->name, cmdoptPositionalName) == 0) {
        return;
    }

    state->currentOption = option;
    state->column = 0;
    String nameText = nameColumnText(option);
    if (state->valuesMode) {
        if (state->measuring) {
            raise(&state->nameWidth, nameText);
        } else {
            printNameColumn(state, nameText);
            printOptionValue(option, False, state);
            putchar('\n');
        }
    } else {
        String shortText = shortColumnText(option);
        if (state->measuring) {
            raise(&state->nameWidth, nameText);
            raise(&state->shortWidth, shortText);
        } else {
            printHelpEntry(state, option, nameText, shortText);
        }
        memspFree(shortText);
    }
    memspFree(nameText);
}

/* ---- Groups ------------------------------------------------------------- */

static uInt64 countHidden(cmdoptGroup group)
{
    uInt64 count = 0;
    for (stdList cell = group->options.list; cell != nullptr; cell = cell->next)
        if (isHidden((cmdoptOption)cell->element)) count++;
    return count;
}

static Bool optionLessEq(Pointer a, Pointer b)
{
    return strcmp(((cmdoptOption)a)->name, ((cmdoptOption)b)->name) <= 0;
}

static void sortOptions(cmdoptGroup group)
{
    listSort(&group->options.list, optionLessEq);
    group->options.last = &group->options.list;
    while (*group->options.last != nullptr) group->options.last = &(*group->options.last)->next;
}

static void printHeading(cmdoptPrintState state, cString title)
{
    cString dot = strchr(title, '.');
    size_t headingLength = dot != nullptr && dot[1] != '\0' ? (size_t)(dot - title) : strlen(title);
    cString description = dot != nullptr && dot[1] != '\0' ? dot + 1 : nullptr;

    putchar('\n');
    if (headingLength > 0) {
        fwrite(title, 1, headingLength, stdout);
        putchar('\n');
        for (size_t i = 0; i < headingLength; i++) putchar('=');
    } else {
        putchar('\n');
    }
    putchar('\n');
    if (description != nullptr) {
        state->currentOption = nullptr;
        state->column = 0;
        state->indent = 0;
        printText(state, description);
        putchar('\n');
    }
    putchar('\n');
}

static void printOptionGroup(cmdoptPrintState state, cmdoptGroup group)
{
    uInt64 size = listSize(group->options.list);
    if (countHidden(group) == size && !state->showHidden) return;
    if (!state->measuring) {
        if (group->flags & cmdoptGroupSorted) sortOptions(group);
        if (group->title != nullptr && size > 0) printHeading(state, group->title);
    }
    state->indent = state->optionIndent;
    for (stdList cell = group->options.list; cell != nullptr; cell = cell->next)
        printOption(state, (cmdoptOption)cell->element);
}

static void walkGroups(cmdoptTable table, cmdoptPrintState state)
{
    for (stdList cell = table->groups.list; cell != nullptr; cell = cell->next)
        printOptionGroup(state, (cmdoptGroup)cell->element);
}

void cmdoptPrint(cmdoptTable table, Bool showHidden, Bool valuesMode)
{
    cmdoptPrintStateRec state;
    memset(&state, 0, sizeof state);
    state.showHidden = showHidden;
    state.valuesMode = valuesMode;
    state.measuring = True;
    state.skipLeadingBlanks = True;
    walkGroups(table, &state);

    state.nameWidth += 2;
    state.shortWidth += 2;
    snprintf(state.nameFormat, sizeof state.nameFormat, "%%-%us", state.nameWidth);
    snprintf(state.shortFormat, sizeof state.shortFormat, "%%-%us\n", state.shortWidth);

    state.measuring = False;
    state.width = 80;
    state.optionIndent = 8;
    walkGroups(table, &state);
    fflush(stdout);
}
