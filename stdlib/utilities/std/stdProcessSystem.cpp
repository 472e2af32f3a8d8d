/*
 * Running a command through the shell, and reporting programs that die of
 * a signal.
 */
#include <errno.h>
#include <sys/wait.h>

#include "stdLocal.h"
#include "stdProcessLocal.h"

/* What procVSystem formats a command into, terminator included. */
#define COMMAND_BUFFER_SIZE 100000

cString procSignalDescription(Int signalNumber)
{
    switch (signalNumber) {
    case 4:  return "(Illegal Instruction)";
    case 7:  return "(Bus error)";
    case 8:  return "(Floating point exception)";
    case 9:  return "(Kill signal)";
    case 11: return "(Invalid memory reference)";
    default: return "";
    }
}

void procReportSignal(cString program, Int signalNumber, Bool coreDumped)
{
    msgReport(stdMsgSignal, program, signalNumber, procSignalDescription(signalNumber));
    if (coreDumped) {
        msgReport(stdMsgCoreDumped, program);
    }
}

/* The command up to its first blank. */
static String programName(cString command)
{
    cString blank = strchr(command, ' ');
    size_t length = blank != NULL ? (size_t)(blank - command) : strlen(command);
    String name = (String)stdMALLOC(length + 1);
    memcpy(name, command, length);
    name[length] = '\0';
    return name;
}

/* The result of a failed command: shown, and ending the process when asked. */
static Int commandFailed(Bool show, Bool exitOnFailure, Int result)
{
    if (show) {
        stdSYSLOG("# --error 0x%x --\n", (uInt)result);
    }
    if (exitOnFailure) {
        stdEXIT(result);
    }
    return result;
}

static Int shellResult(cString command, int status)
{
    if (status == -1) {
        msgReport(stdMsgForkFailed, strerror(errno));
        return -1;
    }
    if (!WIFSIGNALED(status)) {
        return WEXITSTATUS(status);
    }
    String program = programName(command);
    procReportSignal(program, WTERMSIG(status), WCOREDUMP(status) != 0);
    memspFree(program);
    return status;
}

Int procSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure, cString command)
{
    Bool shown = show || dryRun;
    if (log != NULL && shown) {
        fprintf(log, "#$ %s\n", command);
        fflush(log);
    }
    if (dryRun && !runAnyway) {
        return 0;
    }
    fflush(NULL);   /* what was printed before the command appears before its output */
    int status = system(command);
    if (status == 0) {
        return 0;
    }
    return commandFailed(shown, exitOnFailure, shellResult(command, status));
}

Int procVSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure, cString format, ...)
{
    String command = (String)stdMALLOC(COMMAND_BUFFER_SIZE);
    va_list ap;
    va_start(ap, format);
    int length = vsnprintf(command, COMMAND_BUFFER_SIZE, format, ap);
    va_end(ap);
    stdASSERT(length >= 0, ("Command format '%s' cannot be expanded", format));
    Int result;
    if (length >= COMMAND_BUFFER_SIZE) {
        /* Running a cut command could do anything: run nothing. */
        msgReport(stdMsgCommandTooLong, length, COMMAND_BUFFER_SIZE - 1);
        result = commandFailed(show || dryRun, exitOnFailure, -1);
    } else {
        result = procSystem(log, show, dryRun, runAnyway, exitOnFailure, command);
    }
    memspFree(command);
    return result;
}

Int procStringSystem(FILE *log, Bool show, Bool dryRun, Bool runAnyway, Bool exitOnFailure,
                     stdString command)
{
    String text = stringStripToBuf(command);
    Int result = procSystem(log, show, dryRun, runAnyway, exitOnFailure, text);
    memspFree(text);
    return result;
}
