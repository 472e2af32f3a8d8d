/*
 * Private to the stdMessages sources.
 */
#ifndef stdMessagesLocal_INCLUDED
#define stdMessagesLocal_INCLUDED

#include <stdio.h>
#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Where the log sink prints when no callback takes the text: the log file, or standard error. */
FILE *msgLogStream(void);

/* A copy of the text in the current memory space. */
String msgCopyText(cString text);

struct msgMessageRec;
struct msgSourcePosRec;
/*
 * Reports an already formatted text as a message of the given class, from
 * building the line on: the text is printed as it stands. Does not return
 * for the fatal class.
 */
void msgReportText(struct msgMessageRec *message, struct msgSourcePosRec *pos,
                   uInt32 messageClass, cString text);

/*
 * The line that reporting the message without a position would print, made
 * with the calling thread's settings in the current memory space; null when
 * such a report prints nothing. Nothing is reported and no flag is set: for
 * one who must print the line where reporting cannot be done (a child
 * between fork and exec, printing to the log stream).
 */
String msgReportLine(struct msgMessageRec *message, ...);

struct msgSourceStructureRec;
/* Puts a recorded message (the position's line, the message, the text, which
 * it takes over) at the head of the message list of the position's file. */
void msgRecordMessage(struct msgSourcePosRec *pos, struct msgMessageRec *message, String text);
/* The listing text of a position of a source structure: "# ", the source
 * line and a newline; null when there is no such line to show. */
String msgSourceLine(struct msgSourcePosRec *pos);
/* Drops the structure's line index, listing stream and listing node. */
void msgCloseSourceListing(struct msgSourceStructureRec *sourceStruct);
/* Test hook: the seeks and line reads the calling thread's listings made so far. */
void msgListingReadCounts(uInt64 *seeks, uInt64 *lineReads);

#ifdef __cplusplus
}
#endif

#endif
