/*
 * Shared between the option library's source files; not for its users.
 */
#ifndef stdCmdOptLocal_INCLUDED
#define stdCmdOptLocal_INCLUDED

#include "stdCmdOpt.h"
#include "stdMessages.h"
#include "stdMemSpace.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The option of that long name; fails an assertion when there is none. */
cmdoptOption cmdoptFindOption(cmdoptTable table, cString name);

/* List headers: a fresh empty one, and appending at the end. */
cmdoptListHeader cmdoptNewListHeader(void);
void             cmdoptListAppend(cmdoptListHeader header, Pointer element);

/* Adds the value text to the option per its mode: whole, or split at commas
 * for list options. */
void cmdoptAddValue(cmdoptTable table, cmdoptOption option, cString text, Bool whole);

/* A new text: "--" followed by the option's long name. */
String cmdoptDashedName(cmdoptOption option);

/* The initial value slot of a mode: null, or an empty list header. */
Pointer cmdoptInitialValue(uInt32 mode);

/* An element of a value domain text in the option's value representation. */
Pointer cmdoptConvertDomainElement(cmdoptOption option, cString text);

/* Option values as numbers, for the getter and the printer. */
uInt64 cmdoptValueBits(uInt32 type, Pointer slot);
float  cmdoptValueFloat(Pointer slot);

#ifdef __cplusplus
}
#endif

#endif
