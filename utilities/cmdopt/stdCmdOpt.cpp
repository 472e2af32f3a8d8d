/*
 * The option table: creating it, defining groups and options, and reading
 * values back.
 */
#include <string.h>
#include "stdCmdOptLocal.h"
#include "stdStdFun.h"

/* ---- Small shared pieces ------------------------------------------------ */

static Pointer allocate(size_t size)
{
    Pointer block = stdMALLOC(size);
    memset(block, 0, size);
    return block;
}

cmdoptListHeader cmdoptNewListHeader(void)
{
    cmdoptListHeader header = (cmdoptListHeader)allocate(sizeof(cmdoptListHeaderRec));
    header->last = &header->list;
    return header;
}

static void initListHeader(cmdoptListHeader header)
{
    header->list = nullptr;
    header->last = &header->list;
}

void cmdoptListAppend(cmdoptListHeader header, Pointer element)
{
    stdList cell = listCons(element, nullptr);
    *header->last = cell;
    header->last = &cell->next;
}

Pointer cmdoptInitialValue(uInt32 mode)
{
    if (mode == cmdoptListValue || mode == cmdoptKeywordListValue) return cmdoptNewListHeader();
    return nullptr;
}

String cmdoptDashedName(cmdoptOption option)
{
    size_t length = strlen(option->name);
    String text = (String)allocate(length + 3);
    text[0] = text[1] = '-';
    memcpy(text + 2, option->name, length + 1);
    return text;
}

cmdoptOption cmdoptFindOption(cmdoptTable table, cString name)
{
    cmdoptOption option = (cmdoptOption)mapApply(table->byName, (Pointer)name);
    stdASSERT(option != nullptr, ("Unknown option requested: %s", name));
    return option;
}

/* ---- Tables and groups -------------------------------------------------- */

cmdoptTable cmdoptCreate(Bool collectUnknown)
{
    cmdoptTable table = (cmdoptTable)allocate(sizeof(cmdoptTableRec));
    table->byName = mapCreate(stdStringHash, stdStringEqual, 10);
    table->byShortName = mapCreate(stdStringHash, stdStringEqual, 10);
    table->collectUnknown = collectUnknown;
    initListHeader(&table->groups);
    cmdoptAddGroup(table, cmdoptGroupSorted, "Options");
    cmdoptAddOption(table, cmdoptPositionalName, cmdoptPositionalName, cmdoptString,
                    cmdoptListValue, cmdoptHidden, nullptr, nullptr, nullptr, nullptr, "", "");
    cmdoptAddOption(table, cmdoptUnknownName, cmdoptUnknownName, cmdoptString,
                    cmdoptListValue, cmdoptHidden, nullptr, nullptr, nullptr, nullptr, "", "");
    return table;
}

void cmdoptAddGroup(cmdoptTable table, uInt32 flags, cString title)
{
    cmdoptGroup group = (cmdoptGroup)allocate(sizeof(cmdoptGroupRec));
    group->title = title;
    group->flags = flags;
    initListHeader(&group->options);
    cmdoptListAppend(&table->groups, group);
    table->currentGroup = group;
}

/* ---- Domains ------------------------------------------------------------ */

typedef struct {
    cmdoptOption option;
    stdSet       set;
} DomainBuild;

static void addDomainElement(String text, Pointer data)
{
    DomainBuild *build = (DomainBuild *)data;
    Pointer element = cmdoptConvertDomainElement(build->option, text);
    Pointer previous = setInsert(build->set, element);
    uInt32 type = build->option->type;
    /* A repeated number replaces its twin; the twin's cell is no longer used. */
    if (previous != nullptr && previous != element && (type == cmdoptInt64 || type == cmdoptHex64))
        memspFree(previous);
}

static void addKeyword(String text, Pointer data)
{
    setInsert((stdSet)data, text);
}

static stdSet makeValueDomain(cmdoptOption option, cString text)
{
    stdSet set;
    switch (option->type) {
    case cmdoptOptionsFile:
    case cmdoptBool:
    case cmdoptFloat:
        return nullptr;
    case cmdoptString:
        set = setCreate(stdStringHash, stdStringEqual, 10);
        break;
    case cmdoptCIString:
        set = setCreate(stdCIStringHash, stdCIStringEqual, 10);
        break;
    case cmdoptInt:
    case cmdoptHex:
    case cmdoptHex08:
        set = setCreate(stdIntHash, stdIntEqual, 10);
        break;
    case cmdoptInt64:
    case cmdoptHex64:
        set = setCreate(stdpInt64Hash, stdpInt64Equal, 10);
        break;
    default:
        stdASSERT(False, ("Case label out of range"));
        return nullptr;
    }
    DomainBuild build = { option, set };
    stdTokenizeString(text, ",", False, False, addDomainElement, &build, False, False);
    return set;
}

/* ---- Options ------------------------------------------------------------ */

static void checkSingleLetter(cmdoptOption option)
{
    if (!(option->flags & (cmdoptSingleLetter | cmdoptSingleLetterOptional))) return;
    stdASSERT(option->mode != cmdoptNoValue,
              ("Single letter option '%s' cannot have mode 'NoValue'", option->name));
    stdASSERT(strlen(option->shortName) == 1,
              ("Single letter option '%s' must have a single= letter short name", option->name));
}

/* The default is added like any value, then moved to the default slot. */
static void defineDefault(cmdoptTable table, cmdoptOption option, cString text)
{
    cmdoptAddValue(table, option, text, False);
    option->onCommandLine = False;
    option->hasDefault = True;
    if (option->mode == cmdoptKeywordListValue) {
        cmdoptListHeader header = (cmdoptListHeader)option->value;
        option->defaultValue = header->list != nullptr ? header->list->element : nullptr;
        listDelete(header->list);
        initListHeader(header);
    } else {
        option->defaultValue = option->value;
        option->value = cmdoptInitialValue(option->mode);
    }
    /* The positions describe given values only. */
    option->positions = listDelete(option->positions);
}

void cmdoptAddOption(cmdoptTable table, cString name, cString shortName,
                     uInt32 type, uInt32 mode, uInt32 flags,
                     cString valueDomain, cString keywordDomain,
                     cString defaultValue, cString implicitValue,
                     cString placeholder, cString help)
{
    stdASSERT(type <= cmdoptHex64, ("Case label out of range"));
    stdASSERT(mode <= cmdoptKeywordListValue, ("Case label out of range"));

    cmdoptOption option = (cmdoptOption)allocate(sizeof(cmdoptOptionRec));
    option->name = name != nullptr ? name : "";
    option->shortName = shortName != nullptr ? shortName : "";
    option->type = type;
    option->mode = mode;
    option->flags = flags | (mode == cmdoptSingleValue ? cmdoptOverride : 0);
    option->implicitValue = implicitValue;
    option->placeholder = placeholder != nullptr ? placeholder : "";
    option->help = help != nullptr ? help : "";

    if (!(option->flags & cmdoptInternal)) cmdoptListAppend(&table->currentGroup->options, option);
    checkSingleLetter(option);

    if (valueDomain != nullptr && *valueDomain != '\0')
        option->valueDomain = makeValueDomain(option, valueDomain);
    if (keywordDomain != nullptr && *keywordDomain != '\0') {
        option->keywordDomain = setCreate(stdStringHash, stdStringEqual, 10);
        stdTokenizeString(keywordDomain, ",", False, False, addKeyword, option->keywordDomain,
                          False, False);
    }
    option->value = cmdoptInitialValue(mode);

    stdASSERT(*option->name != '\0', ("No empty string for option names allowed"));
    stdASSERT(!mapIsDefined(table->byName, (Pointer)option->name),
              ("Duplicate option defined: %s", option->name));
    mapDefine(table->byName, (Pointer)option->name, option);
    if (*option->shortName != '\0') {
        stdASSERT(!mapIsDefined(table->byShortName, (Pointer)option->shortName),
                  ("Duplicate short option defined: %s", option->shortName));
        mapDefine(table->byShortName, (Pointer)option->shortName, option);
    }

    if (defaultValue != nullptr && *defaultValue != '\0') defineDefault(table, option, defaultValue);
}

void cmdoptSetFlags(cmdoptTable table, cString name, uInt32 flags)
{
    cmdoptFindOption(table, name)->flags |= flags;
}

/* ---- Reading values ----------------------------------------------------- */

static void checkResultSize(cmdoptOption option, uInt32 size)
{
    if (option->mode != cmdoptNoValue && option->mode != cmdoptSingleValue) {
        stdASSERT(size == 8, ("cmdoptGetOptionValue for %s: unexpected size for String result",
                              option->name));
        return;
    }
    switch (option->type) {
    case cmdoptOptionsFile:
        stdASSERT(False, ("cmdoptOptionsFile type not allowed for cmdoptGetOptionValue"));
        break;
    case cmdoptBool:
        stdASSERT(size == 1, ("cmdoptGetOptionValue for %s: unexpected size for Bool result",
                              option->name));
        break;
    case cmdoptString:
    case cmdoptCIString:
        stdASSERT(size == 8, ("cmdoptGetOptionValue for %s: unexpected size for String result",
                              option->name));
        break;
    case cmdoptFloat:
        stdASSERT(size == 4, ("cmdoptGetOptionValue for %s: unexpected size for Float result",
                              option->name));
        break;
    default:
        stdASSERT(size == 1 || size == 2 || size == 4 || size == 8,
                  ("cmdoptGetOptionValue for %s: unexpected size for integer result", option->name));
        break;
    }
}

/* Stores the low `size` bytes of value at destination. */
static void storeWidth(Pointer destination, uInt32 size, uInt64 value)
{
    switch (size) {
    case 1: { uInt8 v = (uInt8)value; memcpy(destination, &v, 1); break; }
    case 2: { uInt16 v = (uInt16)value; memcpy(destination, &v, 2); break; }
    case 4: { uInt32 v = (uInt32)value; memcpy(destination, &v, 4); break; }
    default: memcpy(destination, &value, 8); break;
    }
}

static void writeValue(cmdoptOption option, Pointer slot, Bool result, Pointer destination,
                       uInt32 size)
{
    switch (option->mode) {
    case cmdoptNoValue:
        storeWidth(destination, size, result ? 1 : 0);
        break;
    case cmdoptSingleValue:
        switch (option->type) {
        case cmdoptBool:
            storeWidth(destination, 1, (Address)slot != 0);
            break;
        case cmdoptString:
        case cmdoptCIString:
            memcpy(destination, &slot, sizeof(Pointer));
            break;
        case cmdoptFloat: {
            float f = cmdoptValueFloat(slot);
            memcpy(destination, &f, 4);
            break;
        }
        default:
            storeWidth(destination, size, cmdoptValueBits(option->type, slot));
            break;
        }
        break;
    case cmdoptListValue:
    case cmdoptKeywordListValue: {
        stdList list = slot != nullptr ? ((cmdoptListHeader)slot)->list : nullptr;
        memcpy(destination, &list, sizeof(Pointer));
        break;
    }
    default:
        memcpy(destination, &slot, sizeof(Pointer));
        break;
    }
}

Bool _cmdoptGetOptionValue(cmdoptTable table, cString name, Pointer destination, uInt32 valueSize)
{
    cmdoptOption option = cmdoptFindOption(table, name);
    checkResultSize(option, valueSize);
    if ((option->flags & cmdoptRequired) && !option->onCommandLine && !option->hasDefault)
        msgReport(cmdoptMsgOptionNotDefined, option->name);

    Pointer slot = option->value;
    Bool result = False;
    if (option->onCommandLine) {
        result = True;
    } else if (option->hasDefault && option->mode != cmdoptKeywordListValue) {
        slot = option->defaultValue;
        result = True;
    }
    if (destination != nullptr) writeValue(option, slot, result, destination, valueSize);
    return result;
}

Bool cmdoptOnCommandLine(cmdoptTable table, cString name)
{
    return cmdoptFindOption(table, name)->onCommandLine;
}

Int32 cmdoptGetOptionPosition(cmdoptTable table, cString name)
{
    return cmdoptFindOption(table, name)->position;
}

stdList cmdoptGetOptionPositionList(cmdoptTable table, cString name)
{
    cmdoptOption option = cmdoptFindOption(table, name);
    stdASSERT(option->mode == cmdoptListValue, ("must be ListValue"));
    return option->positions;
}
