/*
 * Running a program directly, without a shell, with its standard streams
 * redirected. The child is a copy of this process until it runs the
 * program: when it fails before that it ends with _exit, so that it neither
 * runs this process's clean-up handlers (which would remove its temporary
 * files) nor jumps to its recovery point.
 */
#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdMessagesLocal.h"
#include "stdProcessLocal.h"

static void childExit(Int status) stdNORETURN;
static void childExit(Int status)
{
    fflush(msgLogStream());   /* its diagnostic; everything else was flushed before the fork */
    _exit(status);
}

static void childAbort(void)
{
    if (procTrapOnError) {
        abort();
    }
    childExit(1);
}

/* Opens the file first, so that standard error still shows why when it fails. */
static void redirect(cString path, int flags, int target, msgMessage failure)
{
    int fd = open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        msgReport(failure, path);
        childExit(1);
    }
    dup2(fd, target);
    close(fd);
}

static void runInChild(String *argv, cString inputPath, cString outputPath, cString errorPath,
                       Bool appendOutput) stdNORETURN;
static void runInChild(String *argv, cString inputPath, cString outputPath, cString errorPath,
                       Bool appendOutput)
{
    stdSetTerminators(childAbort, childExit);
    stdThread self = stdGetThreadContext();
    self->recoveryPoint = NULL;
    self->logLine = NULL;            /* its owner lives on in the parent */
    self->pendingLogLine = NULL;

    if (inputPath != NULL) {
        redirect(inputPath, O_RDONLY, STDIN_FILENO, stdMsgOpenInputFailed);
    }
    if (outputPath != NULL) {
        redirect(outputPath, O_WRONLY | O_CREAT | (appendOutput ? O_APPEND : O_TRUNC), STDOUT_FILENO,
                 stdMsgOpenOutputFailed);
    }
    if (errorPath != NULL) {
        if (outputPath != NULL && strcmp(errorPath, outputPath) == 0) {
            dup2(STDOUT_FILENO, STDERR_FILENO);
        } else {
            redirect(errorPath, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO, stdMsgOpenOutputFailed);
        }
    }
    execvp(argv[0], argv);
    perror(argv[0]);
    childExit(1);
}

/* The child's wait status; a negative error number when waiting fails. */
static Int waitForChild(pid_t child, int *status)
{
    for (;;) {
        if (waitpid(child, status, 0) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -errno;
        }
        if (!WIFSTOPPED(*status)) {
            return 0;
        }
    }
}

Int procRunCommand(String *argv, cString inputPath, cString outputPath, cString errorPath,
                   Bool appendOutput, Bool reportSignals)
{
    fflush(NULL);   /* the child must not inherit, nor anyone see twice, unwritten output */
    pid_t child = fork();
    if (child < 0) {
        int failure = errno;
        msgReport(stdMsgForkFailed, strerror(failure));
        return -failure;
    }
    if (child == 0) {
        runInChild(argv, inputPath, outputPath, errorPath, appendOutput);
    }
    int status = 0;
    Int failure = waitForChild(child, &status);
    if (failure != 0) {
        return failure;
    }
    if (WIFSIGNALED(status)) {
        if (reportSignals) {
            procReportSignal(argv[0], WTERMSIG(status), WCOREDUMP(status) != 0);
        }
        return 128 + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}
