/*
 * Private to the stdProcess sources.
 */
#ifndef stdProcessLocal_INCLUDED
#define stdProcessLocal_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The description of a signal that ended a program: "(Kill signal)" for 9,
 * and so on; the empty text for most. */
cString procSignalDescription(Int signalNumber);

/* Reports that the program died of the signal, and its core dump if any. */
void procReportSignal(cString program, Int signalNumber, Bool coreDumped);

/* Closes every stream still open through procFOPEN and forgets them. */
void procCloseOpenFiles(void);

/*
 * Removal without following symbolic links. For every entry of the
 * directory part of base whose name starts with the last component of base
 * (and not with "."), call function with an open descriptor of that
 * directory and the entry's name.
 */
typedef void (*procEntryFun)(int directoryFd, cString name);
void procRemoveMatching(cString base, procEntryFun function);
/* An entry goes; a directory first loses its entries the same way. */
void removeFile(int directoryFd, cString name);
/* A directory loses its entries (not its subdirectories), then goes; anything else just goes. */
void cleanDir(int directoryFd, cString name);

#ifdef __cplusplus
}
#endif

#endif
