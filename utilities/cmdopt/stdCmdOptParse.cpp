/*
 * The command-line parser: argument syntax, option lookup, position numbers.
 */
#include <string.h>
#include "stdCmdOptLocal.h"

/* Appends text as one element of a hidden list, under a new position number. */
static void addToHiddenList(cmdoptTable table, cString listName, cString text)
{
    cmdoptOption list = cmdoptFindOption(table, listName);
    list->position = table->positionCounter++;
    cmdoptAddValue(table, list, text, True);
}

/* Echoed options reappear on the positional list, in their own words. */
static void echoOption(cmdoptTable table, cmdoptOption option, cString value)
{
    cmdoptOption positional = cmdoptFindOption(table, cmdoptPositionalName);
    cmdoptAddValue(table, positional, cmdoptDashedName(option), True);
    if (value != nullptr) cmdoptAddValue(table, positional, value, True);
}

static cmdoptOption lookupShort(cmdoptTable table, cString name)
{
    return (cmdoptOption)mapApply(table->byShortName, (Pointer)name);
}

typedef struct {
    cmdoptOption option;
    Bool         shortForm;
    String       attached;   /* text after "=" or after a single letter; may be null */
} Match;

/*
 * Looks the option argument up. A "=" has already been cut off into
 * match->attached; a single-letter match puts it back, because its value is
 * everything after the letter ("-Dx=1" gives "x=1").
 */
static void lookUp(cmdoptTable table, String argument, String equals, Match *match)
{
    if (argument[1] == '-') {
        match->option = (cmdoptOption)mapApply(table->byName, argument + 2);
        return;
    }
    match->shortForm = True;
    match->option = lookupShort(table, argument + 1);
    if (match->option != nullptr || argument[1] == '\0') return;

    char letter[2] = { argument[1], '\0' };
    cmdoptOption single = lookupShort(table, letter);
    if (single == nullptr || !(single->flags & (cmdoptSingleLetter | cmdoptSingleLetterOptional)))
        return;
    if (equals != nullptr) *equals = '=';
    match->option = single;
    match->attached = argument + 2;
}

void cmdoptParse(cmdoptTable table, Int argc, String *argv)
{
    for (Int i = 1; i < argc; i++) {
        String argument = argv[i];
        if (argument == nullptr) continue;

        if (argument[0] != '-' || strcmp(argument, "-") == 0) {
            addToHiddenList(table, cmdoptPositionalName, argument);
            continue;
        }

        Match match = { nullptr, False, nullptr };
        String equals = strchr(argument, '=');
        if (equals != nullptr) {
            *equals = '\0';
            match.attached = equals + 1;
        }
        lookUp(table, argument, equals, &match);
        cmdoptOption option = match.option;

        if (option == nullptr || (option->flags & cmdoptInternal)) {
            if (table->collectUnknown) {
                if (equals != nullptr) *equals = '=';
                addToHiddenList(table, cmdoptUnknownName, argument);
            } else {
                /* A single-letter match has put its "=" back; the report
                 * names the option without any value. */
                if (equals != nullptr) *equals = '\0';
                msgReport(cmdoptMsgUnknownOption, argument + 1);
            }
            continue;
        }

        if (option->flags & cmdoptDeprecated) msgReport(cmdoptMsgDeprecated, option->name);
        option->position = table->positionCounter++;

        if (option->mode == cmdoptNoValue) {
            if (match.attached != nullptr) msgReport(cmdoptMsgNoArgumentExpected, argument);
            option->onCommandLine = True;
            if (option->flags & cmdoptEcho) echoOption(table, option, nullptr);
            continue;
        }

        if (match.shortForm && (option->flags & cmdoptSingleLetterOptional) &&
            match.attached == nullptr) {
            option->onCommandLine = True;
            continue;
        }

        cString value = match.attached;
        if (value == nullptr) {
            String next = i + 1 < argc ? argv[i + 1] : nullptr;
            if (next != nullptr) {
                if (next[0] == '-' && next[1] != '\0' && option->implicitValue != nullptr) {
                    value = option->implicitValue;
                } else {
                    value = next;
                    i++;
                }
            } else if (option->implicitValue != nullptr) {
                value = option->implicitValue;
            } else {
                msgReport(cmdoptMsgArgumentExpected, argument);
                continue;
            }
        }
        cmdoptAddValue(table, option, value, (option->flags & cmdoptListWhole) != 0);
        if (option->flags & cmdoptEcho) echoOption(table, option, value);
    }
}
