/*
 * Process services: the set-up hook every tool calls first, and the switch
 * that makes fatal endings trap instead of exiting.
 */
#ifndef stdProcess_INCLUDED
#define stdProcess_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called first by every tool with argv[0] and argv; sets nothing up today. */
void procProcessSetup(cString program, String *argv);

/*
 * While set, the default abort handler ends the process with abort() (a
 * signal, a core file, a debugger stop) instead of exit status 1.
 */
extern Bool procTrapOnError;
void procSetTrapOnError(void);

#ifdef __cplusplus
}
#endif

#endif
