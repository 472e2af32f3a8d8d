/*
 * Option values: converting value texts by type, and adding values to an
 * option by its mode.
 */
#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "stdCmdOptLocal.h"
#include "stdStdFun.h"

/* ---- Representation ----------------------------------------------------- */

/* 32-bit numbers sit in the slot as the word of their 32-bit value: signed
 * ones sign-extended, unsigned ones zero-extended, so equal numbers are
 * equal words (the domain sets compare whole words). */
static Pointer intSlot(Int32 value) { return (Pointer)(intptr_t)value; }
static Pointer hexSlot(uInt32 value) { return (Pointer)(Address)value; }

static Pointer newCell(uInt64 value)
{
    uInt64 *cell = (uInt64 *)stdMALLOC(sizeof(uInt64));
    *cell = value;
    return cell;
}

uInt64 cmdoptValueBits(uInt32 type, Pointer slot)
{
    switch (type) {
    case cmdoptInt64:
    case cmdoptHex64:
        return slot != nullptr ? *(uInt64 *)slot : 0;
    default:
        /* A 32-bit value read wider is zero-extended. */
        return (uInt32)(Address)slot;
    }
}

float cmdoptValueFloat(Pointer slot)
{
    uInt32 bits = (uInt32)(Address)slot;
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

static Pointer floatSlot(float value)
{
    uInt32 bits;
    memcpy(&bits, &value, sizeof bits);
    return (Pointer)(Address)bits;
}

/* ---- Number conversion -------------------------------------------------- */

typedef enum { signed32, signed64, unsigned32, unsigned64 } NumberKind;

/*
 * Converts text with the C library's base-0 rules and checks its range;
 * rangeText names the kind of number in the out-of-range message.
 */
static uInt64 convertNumber(cString text, NumberKind kind, cString rangeText)
{
    char *end = nullptr;
    uInt64 bits = 0;
    Bool outOfRange = False;
    errno = 0;
    switch (kind) {
    case signed32: {
        long value = strtol(text, &end, 0);
        outOfRange = errno != 0 || value < INT32_MIN || value > INT32_MAX;
        bits = (uInt64)(Int64)value;
        break;
    }
    case signed64:
        bits = (uInt64)strtoll(text, &end, 0);
        outOfRange = errno != 0;
        break;
    case unsigned32: {
        unsigned long value = strtoul(text, &end, 0);
        outOfRange = errno != 0 || value > UINT32_MAX;
        bits = value;
        break;
    }
    case unsigned64:
        bits = strtoull(text, &end, 0);
        outOfRange = errno != 0;
        break;
    }
    if (outOfRange) msgReport(cmdoptMsgOutOfRange, rangeText, text);
    if (*end != '\0') msgReport(cmdoptMsgNotANumber, text);
    return bits;
}

Pointer cmdoptConvertDomainElement(cmdoptOption option, cString text)
{
    switch (option->type) {
    case cmdoptInt:
        return intSlot((Int32)convertNumber(text, signed32, "32-bit integer"));
    case cmdoptInt64:
        return newCell(convertNumber(text, signed64, "64-bit integer"));
    case cmdoptHex:
    case cmdoptHex08:
        return hexSlot((uInt32)convertNumber(text, unsigned32, "32-bit unsigned integer"));
    case cmdoptHex64:
        return newCell(convertNumber(text, unsigned64, "64-bit unsigned integer"));
    default:
        return (Pointer)text;
    }
}

static void checkDomain(cmdoptOption option, Pointer value, cString text)
{
    if (option->valueDomain != nullptr && !setContains(option->valueDomain, value))
        msgReport(cmdoptMsgValueNotInDomain, text, option->name);
}

/* The stored representation of a value text of the option's type. */
static Pointer convertValue(cmdoptOption option, cString text)
{
    Pointer value = nullptr;
    switch (option->type) {
    case cmdoptOptionsFile:
        return (Pointer)text;
    case cmdoptBool:
        if (strcmp(text, "true") == 0) return intSlot(1);
        if (strcmp(text, "false") != 0) msgReport(cmdoptMsgNotABool, text);
        return intSlot(0);
    case cmdoptString:
    case cmdoptCIString:
        if (option->valueDomain == nullptr) return (Pointer)text;
        /* The domain's own spelling is the value. */
        value = setElement(option->valueDomain, (Pointer)text);
        if (value == nullptr) msgReport(cmdoptMsgValueNotInDomain, text, option->name);
        return value;
    case cmdoptInt:
        value = intSlot((Int32)convertNumber(text, signed32, "32-bit integer"));
        break;
    case cmdoptInt64:
        value = newCell(convertNumber(text, signed64, "64-bit integer"));
        break;
    case cmdoptFloat: {
        char *end = nullptr;
        double wide = strtod(text, &end);
        if (*end != '\0') msgReport(cmdoptMsgNotANumber, text);
        /* Narrowing saturates to infinity, as IEEE rounding would. */
        float narrow = fabs(wide) > FLT_MAX && !isinf(wide) ? (wide > 0 ? HUGE_VALF : -HUGE_VALF)
                                                            : (float)wide;
        return floatSlot(narrow);
    }
    case cmdoptHex:
    case cmdoptHex08:
        value = hexSlot((uInt32)convertNumber(text, unsigned32, "32-bit hex"));
        break;
    case cmdoptHex64:
        value = newCell(convertNumber(text, unsigned64, "64-bit hex"));
        break;
    default:
        stdASSERT(False, ("Case label out of range"));
    }
    checkDomain(option, value, text);
    return value;
}

static Bool sameValue(cmdoptOption option, Pointer a, Pointer b)
{
    switch (option->type) {
    case cmdoptString:
    case cmdoptCIString:
        /* A single-letter option given bare ("-O") has no text yet. */
        if (a == nullptr || b == nullptr) return a == b;
        return strcmp((cString)a, (cString)b) == 0;
    case cmdoptFloat:
        return cmdoptValueFloat(a) == cmdoptValueFloat(b);
    default:
        return cmdoptValueBits(option->type, a) == cmdoptValueBits(option->type, b);
    }
}

static Bool isCellType(uInt32 type) { return type == cmdoptInt64 || type == cmdoptHex64; }

/* ---- Adding values ------------------------------------------------------ */

typedef struct {
    cmdoptTable  table;
    cmdoptOption option;
    stdMap       map;
} ValueBuild;

static void addListElement(cmdoptTable table, cmdoptOption option, cString text)
{
    if (option->type == cmdoptOptionsFile) addFileValue(text, table);
    cmdoptListAppend((cmdoptListHeader)option->value, convertValue(option, text));
    listAddTo((Pointer)(intptr_t)option->position, &option->positions);
}

static void addSplitElement(String text, Pointer data)
{
    ValueBuild *build = (ValueBuild *)data;
    /* Each file named in an options-file list is read at once; nothing is kept. */
    if (build->option->type == cmdoptOptionsFile) addFileValue(text, build->table);
    else addListElement(build->table, build->option, text);
}

static String copyText(cString text, size_t length)
{
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

static stdMap defaultKeywords(cmdoptOption option)
{
    return option->hasDefault ? (stdMap)option->defaultValue : nullptr;
}

static void addKeywordElement(String element, Pointer data)
{
    ValueBuild *build = (ValueBuild *)data;
    cmdoptOption option = build->option;
    stdMap defaults = defaultKeywords(option);
    String keyword;
    Pointer value = nullptr;
    char *equals = strchr(element, '=');
    if (equals != nullptr) {
        keyword = copyText(element, (size_t)(equals - element));
        value = convertValue(option, equals + 1);
    } else {
        keyword = copyText(element, strlen(element));
        if (defaults != nullptr && mapIsDefined(defaults, keyword)) {
            value = mapApply(defaults, keyword);
        } else if (option->implicitValue != nullptr) {
            value = convertValue(option, option->implicitValue);
        } else {
            msgReport(cmdoptMsgIsNoKeyword, element);
        }
    }
    if (mapIsDefined(build->map, keyword)) msgReport(cmdoptMsgRedefinedKeyword, keyword);
    if (option->keywordDomain != nullptr && !setContains(option->keywordDomain, keyword))
        msgReport(cmdoptMsgKeywordNotInDomain, keyword, option->name);
    mapDefine(build->map, keyword, value);
}

static void addMissingDefault(Pointer keyword, Pointer value, Pointer data)
{
    stdMap map = (stdMap)data;
    if (!mapIsDefined(map, keyword)) mapDefine(map, keyword, value);
}

static stdMap buildKeywordMap(cmdoptTable table, cmdoptOption option, cString text)
{
    ValueBuild build = { table, option, mapCreate(stdStringHash, stdStringEqual, 8) };
    stdTokenizeString(text, ",", False, False, addKeywordElement, &build, False,
                      (option->flags & cmdoptListKeepBrackets) != 0);
    stdMap defaults = defaultKeywords(option);
    if (defaults != nullptr) mapTraverse(defaults, addMissingDefault, build.map);
    return build.map;
}

static void setSingleValue(cmdoptTable table, cmdoptOption option, cString text)
{
    if (option->type == cmdoptOptionsFile) {
        addFileValue(text, table);
        option->value = (Pointer)text;
        return;
    }
    Pointer value = convertValue(option, text);
    if (option->onCommandLine) {
        if (!sameValue(option, option->value, value))
            msgReport(cmdoptMsgOverriddenIncompatible, option->name);
        /* The replaced cell belongs to this option alone. */
        if (isCellType(option->type) && option->value != value) memspFree(option->value);
    }
    option->value = value;
}

void cmdoptAddValue(cmdoptTable table, cmdoptOption option, cString text, Bool whole)
{
    switch (option->mode) {
    case cmdoptNoValue:
        break;
    case cmdoptSingleValue:
        setSingleValue(table, option, text);
        break;
    case cmdoptListValue:
        if (whole) {
            addListElement(table, option, text);
        } else {
            ValueBuild build = { table, option, nullptr };
            Bool escapes = (option->flags & cmdoptListEscapes) != 0 &&
                           option->type != cmdoptOptionsFile;
            stdTokenizeString(text, ",", False, escapes, addSplitElement, &build,
                              (option->flags & cmdoptListKeepQuotes) != 0,
                              (option->flags & cmdoptListKeepBrackets) != 0);
        }
        break;
    case cmdoptKeywordValue:
        if (option->onCommandLine) msgReport(cmdoptMsgRedefinedArgument, option->name);
        option->value = buildKeywordMap(table, option, text);
        break;
    case cmdoptKeywordListValue:
        cmdoptListAppend((cmdoptListHeader)option->value, buildKeywordMap(table, option, text));
        break;
    default:
        stdASSERT(False, ("Case label out of range"));
    }
    option->onCommandLine = True;
}
