/*
 * Running a program directly, without a shell, with its standard streams
 * redirected. The child of a process with threads has only the thread that
 * forked, and a lock that another thread held at that moment stays taken in
 * it for ever: so between fork and exec the child calls nothing of this
 * library and nothing that may lock or allocate. What it may have to print
 * is made before the fork; it prints with write and ends with _exit, so it
 * neither runs this process's clean-up handlers (which would remove its
 * temporary files) nor jumps to its recovery point.
 */
#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdMessagesLocal.h"
#include "stdProcessLocal.h"

/* What the child may need, made by the parent before the fork. */
typedef struct {
    String inputFailure;      /* the report line of each redirection failing; null prints nothing */
    String outputFailure;
    String errorFailure;
    int    logFd;             /* where those lines go: the log stream */
    Bool   trap;              /* end by abort, as the abort handler does then */
} childPlan;

/* As much of the text as the descriptor takes. */
static void writeText(int fd, cString text)
{
    size_t left = strlen(text);
    while (left > 0) {
        ssize_t written = write(fd, text, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text += written;
        left -= (size_t)written;
    }
}

/* A redirection failed: the fatal report, then the ending a fatal report has. */
static void redirectionFailed(const childPlan *plan, cString line) stdNORETURN;
static void redirectionFailed(const childPlan *plan, cString line)
{
    if (line != NULL) {
        writeText(plan->logFd, line);
    }
    if (plan->trap) {
        abort();
    }
    _exit(1);
}

/* Opens the file first, so that standard error still shows why when it fails. */
static void redirect(const childPlan *plan, cString path, int flags, int target, cString failure)
{
    int fd = open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        redirectionFailed(plan, failure);
    }
    if (fd == target) {
        /* The stream was closed, so the file took its place: keep it across exec. */
        if (fcntl(fd, F_SETFD, 0) != 0) {
            redirectionFailed(plan, failure);
        }
        return;
    }
    Bool moved = dup2(fd, target) == target;
    close(fd);
    if (!moved) {
        redirectionFailed(plan, failure);
    }
}

/* The digits of a non-negative number, into the buffer's end; the first of them. */
static char *decimal(unsigned value, char *end)
{
    *--end = '\0';
    do {
        *--end = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

/* What perror prints for the program, without stdio or the locale. */
static void printExecFailure(cString program, int failure)
{
    if (program[0] != '\0') {
        writeText(STDERR_FILENO, program);
        writeText(STDERR_FILENO, ": ");
    }
    cString description = strerrordesc_np(failure);
    if (description != NULL) {
        writeText(STDERR_FILENO, description);
    } else {
        char digits[16];
        writeText(STDERR_FILENO, "Unknown error ");
        if (failure < 0) {
            writeText(STDERR_FILENO, "-");
        }
        writeText(STDERR_FILENO, decimal(failure < 0 ? 0u - (unsigned)failure : (unsigned)failure,
                                         digits + sizeof digits));
    }
    writeText(STDERR_FILENO, "\n");
}

static void runInChild(const childPlan *plan, String *argv, cString inputPath, cString outputPath,
                       cString errorPath, Bool appendOutput) stdNORETURN;
static void runInChild(const childPlan *plan, String *argv, cString inputPath, cString outputPath,
                       cString errorPath, Bool appendOutput)
{
    if (inputPath != NULL) {
        redirect(plan, inputPath, O_RDONLY, STDIN_FILENO, plan->inputFailure);
    }
    if (outputPath != NULL) {
        redirect(plan, outputPath, O_WRONLY | O_CREAT | (appendOutput ? O_APPEND : O_TRUNC), STDOUT_FILENO,
                 plan->outputFailure);
    }
    if (errorPath != NULL) {
        if (outputPath != NULL && strcmp(errorPath, outputPath) == 0) {
            if (dup2(STDOUT_FILENO, STDERR_FILENO) != STDERR_FILENO) {
                redirectionFailed(plan, plan->errorFailure);
            }
        } else {
            redirect(plan, errorPath, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO, plan->errorFailure);
        }
    }
    execvp(argv[0], argv);
    printExecFailure(argv[0], errno);
    _exit(1);
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
    childPlan plan;
    plan.inputFailure = inputPath != NULL ? msgReportLine(stdMsgOpenInputFailed, inputPath) : NULL;
    plan.outputFailure = outputPath != NULL ? msgReportLine(stdMsgOpenOutputFailed, outputPath) : NULL;
    plan.errorFailure = errorPath != NULL ? msgReportLine(stdMsgOpenOutputFailed, errorPath) : NULL;
    plan.logFd = fileno(msgLogStream());
    plan.trap = procTrapOnError;

    fflush(NULL);   /* the child must not inherit, nor anyone see twice, unwritten output */
    pid_t child = fork();
    if (child == 0) {
        runInChild(&plan, argv, inputPath, outputPath, errorPath, appendOutput);
    }
    int forkFailure = errno;
    memspFree(plan.inputFailure);
    memspFree(plan.outputFailure);
    memspFree(plan.errorFailure);
    if (child < 0) {
        msgReport(stdMsgForkFailed, strerror(forkFailure));
        return -forkFailure;
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
