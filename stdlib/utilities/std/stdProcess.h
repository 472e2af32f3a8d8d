/*
 * Process services: the set-up hook every tool calls first, clean-up
 * handlers run at process exit, temporary files and directories removed at
 * exit, running other programs with their status checked and reported, and
 * queries of the process's surroundings.
 *
 * Texts returned to a caller are allocated in its current memory space and
 * belong to it.
 */
#ifndef stdProcess_INCLUDED
#define stdProcess_INCLUDED

#include <stdio.h>
#include <sys/time.h>
#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called first by every tool with argv[0] and argv; sets nothing up today. */
void procProcessSetup(cString program, String *argv);

Bool procIs64Bit(void);            /* True */
Bool procIsMachine64Bit(void);     /* True */

/*
 * While set, the default abort handler ends the process with abort() (a
 * signal, a core file, a debugger stop) instead of exit status 1.
 */
extern Bool procTrapOnError;
void procSetTrapOnError(void);

/* ---- Clean-up at exit ---- */

typedef void (*stdCleanupFun)(Pointer data);
/* Pushes a handler; they run newest first when the process exits. */
void stdSetCleanupHandler(stdCleanupFun handler, Pointer data);
/* Runs and removes every handler, newest first, each once; a handler
 * registered by a running one runs in the same pass. */
void stdProcessCleanupHandlers(void);

/* ---- Temporary files and directories ---- */

/*
 * Names in the directory TMPDIR (or /tmp), reserved for this process by an
 * empty file "tmpxft_PID_N" (for files) or an empty directory of that form
 * (for directories) that is created exclusively on first use. The names
 * handed out are that base followed by "-0", "-1", ...; they are not
 * created. At exit everything whose name starts with a base is removed,
 * without following symbolic links. A base that cannot be reserved is the
 * fatal "Could not open output file" (null if that message is suppressed).
 */
String procGetTempName(void);
String procGetTempNameBase(void);      /* a copy of the file base, or null before the first name */
Bool   procIsTempName(cString path);
String procGetTempDirName(void);
Bool   procIsTempDirName(cString path);

/* fopen and fclose; streams opened here that are still open at exit are closed
 * when the temporary files are removed. */
FILE *procFOPEN(cString path, cString mode);
Int   procFCLOSE(FILE *stream);

/* ---- Running programs ---- */

/*
 * Runs the command through the shell. With a log stream and show or dry
 * run, "#$ COMMAND" is written to it first; a dry run without runAnyway
 * runs nothing and gives 0. The result is the command's exit code; a shell
 * ended by a signal is reported (errors) and gives its raw wait status. With
 * show or dry run a failure is followed by "# --error 0xN --" in the log
 * sink; with exitOnFailure it ends the process with that result.
 */
Int procSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure,
               cString command);
/* The same with a formatted command; one longer than the command buffer is
 * refused with an error and not run (-1). */
Int procVSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure,
                cString format, ...) stdFORMAT(6, 7);
struct stdStringRec;
/* The same with the text of a string, which is consumed. */
Int procStringSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure,
                     struct stdStringRec *command);

/*
 * Runs argv[0] (searched along PATH) with argv, without a shell. Each path
 * that is given replaces standard input (read), output (written, or
 * appended to) or error; an error path equal to the output path shares its
 * stream. The result is the exit code; 128 + the signal number for a
 * program ended by a signal (also reported when reportSignals is set); a
 * negative error number when the child cannot be made or waited for.
 */
Int procRunCommand(String *argv, cString inputPath, cString outputPath, cString errorPath,
                   Bool appendOutput, Bool reportSignals);

/* ---- Surroundings ---- */

String procGetPwd(void);                   /* null when the directory cannot be named */
String procCurrentExecutableName(void);    /* null when it cannot be read */
String procGetHostName(void);              /* null when it cannot be read */
String stdGetEnv(cString name);            /* a copy, or null when not set */
Int    stdSetEnv(cString name, cString value);  /* replaces; the result of setenv */

/* A wall-clock time stamp. */
typedef struct timeval stdTimer;
void  stdTimerInit(stdTimer *timer);       /* no effect */
void  stdResetTimer(stdTimer *timer);      /* now */
float   stdGetTimer(stdTimer *timer);      /* milliseconds since the stamp */

#ifdef __cplusplus
}
#endif

#endif
