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

struct msgMessageRec;
struct msgSourcePosRec;
/*
 * Reports an already formatted text as a message of the given class, from
 * building the line on: the text is printed as it stands. Does not return
 * for the fatal class.
 */
void msgReportText(struct msgMessageRec *message, struct msgSourcePosRec *pos,
                   uInt32 messageClass, cString text);

#ifdef __cplusplus
}
#endif

#endif
