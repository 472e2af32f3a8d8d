/*
 * The output file: written whole or not at all.
 *
 * A regular output file (or a new one) is not written where it lies: the
 * entry goes into a new file beside it, which takes the output's mode (and
 * owner and group, where the system allows) once it is complete and is then
 * renamed over it. Until that rename the old output stays as it was, so a
 * run that fails, runs out of memory or disk, or is killed never damages it;
 * at worst a kill that cannot be caught (SIGKILL) leaves the new file behind.
 * A fatal report removes that file through the process's clean-up handlers,
 * and SIGINT, SIGTERM, SIGHUP or SIGQUIT removes it and then ends the process
 * by the same signal. The data is not forced to the disk (no fsync).
 *
 * Where a rename would change what the output is, the output is written in
 * place as before: a file with other hard links (they would keep the old
 * bytes), anything that is not a regular file (a device, a pipe), and a
 * folder in which no new file can be made while the output itself can be
 * written.
 */
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include "extract.h"
#include "stdMemSpace.h"
#include "stdProcess.h"

/* ------------------------------------------------------------ path helpers */

static String copyText(cString text, size_t length)
{
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

/* The folder part of path, "." when it has none. */
static String folderOf(cString path)
{
    cString slash = strrchr(path, '/');
    if (slash == NULL) {
        return copyText(".", 1);
    }
    return copyText(path, slash == path ? 1 : (size_t)(slash - path));
}

/* The links of /proc (/dev/stdout leads to /proc/self/fd/1) name what a
 * process has open, not a place in a folder: a file reached through them is
 * written where it is (appended to, say), never replaced. */
static Bool inProcessFileSystem(cString link)
{
    String folder = folderOf(link);
    struct statfs system;
    Bool proc = statfs(folder, &system) == 0 && system.f_type == PROC_SUPER_MAGIC;
    memspFree(folder);
    return proc;
}

/*
 * The file that path leads to, each symbolic link followed in turn (a
 * relative link from the folder it lies in): the path to replace. A link
 * that leads nowhere gives the path it names, which is then created. Null
 * when the chain cannot be followed (a loop, an unreadable link, a link of
 * /proc) or ends in no file name.
 */
static String followLinks(cString path)
{
    String current = copyText(path, strlen(path));
    for (int depth = 0; depth < 40; depth++) {
        struct stat named;
        if (lstat(current, &named) != 0 || !S_ISLNK(named.st_mode)) {
            size_t length = strlen(current);
            if (length > 0 && current[length - 1] != '/') {
                return current;
            }
            break;
        }
        if (inProcessFileSystem(current)) {
            break;
        }
        char target[PATH_MAX];
        ssize_t length = readlink(current, target, sizeof target - 1);
        if (length <= 0) {
            break;
        }
        String next;
        if (target[0] == '/' || strchr(current, '/') == NULL) {
            next = copyText(target, (size_t)length);
        } else {
            String folder = folderOf(current);
            size_t folderLength = strlen(folder);
            next = (String)stdMALLOC(folderLength + 1 + (size_t)length + 1);
            memcpy(next, folder, folderLength);
            next[folderLength] = '/';
            memcpy(next + folderLength + 1, target, (size_t)length);
            next[folderLength + 1 + length] = 0;
            memspFree(folder);
        }
        memspFree(current);
        current = next;
    }
    memspFree(current);
    return NULL;
}

/* ------------------------------------------------- the file being written */

/* The temporary file while it exists, for the clean-up handler and the
 * signal handlers: only set and cleared with those signals blocked. */
static String volatile              pendingFile;
static volatile sig_atomic_t        pendingExists;
static const int                    interruptions[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };
static struct sigaction             previousActions[sizeof interruptions / sizeof interruptions[0]];
static Bool                         handlersInstalled;

static void removePendingFile(Pointer unused)
{
    (void)unused;
    if (pendingExists) {
        unlink(pendingFile);
        pendingExists = 0;
    }
}

/* Runs with its signal's disposition already back to the default
 * (SA_RESETHAND), so raising it again ends the process by it. */
static void interrupted(int signal)
{
    int saved = errno;
    if (pendingExists) {
        unlink(pendingFile);
        pendingExists = 0;
    }
    raise(signal);
    errno = saved;
}

static void blockInterruptions(sigset_t *previous)
{
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int signal : interruptions) {
        sigaddset(&blocked, signal);
    }
    sigprocmask(SIG_BLOCK, &blocked, previous);
}

/* Signals the caller had ignored stay ignored. */
static void catchInterruptions(void)
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = interrupted;
    action.sa_flags = SA_RESETHAND;
    sigfillset(&action.sa_mask);
    for (size_t i = 0; i < sizeof interruptions / sizeof interruptions[0]; i++) {
        sigaction(interruptions[i], NULL, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN) {
            sigaction(interruptions[i], &action, NULL);
        }
    }
    handlersInstalled = True;
}

static void restoreInterruptions(void)
{
    if (handlersInstalled) {
        for (size_t i = 0; i < sizeof interruptions / sizeof interruptions[0]; i++) {
            sigaction(interruptions[i], &previousActions[i], NULL);
        }
        handlersInstalled = False;
    }
}

/* The name of the file beside target that replaces it: target's name with a
 * random suffix, shortened so that the whole stays a valid file name. */
static String temporaryTemplate(cString target)
{
    cString slash = strrchr(target, '/');
    size_t folderLength = slash == NULL ? 0 : (size_t)(slash - target) + 1;
    size_t nameLength = strlen(target) - folderLength;
    static const char suffix[] = ".tmp-XXXXXX";
    const size_t nameRoom = NAME_MAX - (sizeof suffix - 1);
    if (nameLength > nameRoom) {
        nameLength = nameRoom;
    }
    String name = (String)stdMALLOC(folderLength + nameLength + sizeof suffix);
    memcpy(name, target, folderLength + nameLength);
    memcpy(name + folderLength + nameLength, suffix, sizeof suffix);
    return name;
}

/* Makes the temporary file, recorded for removal before it exists, so that
 * no way out leaves it behind unnoticed. False when none can be made here. */
static Bool createTemporary(ExtractOutput *output)
{
    static Bool handlerRegistered;
    if (!handlerRegistered) {
        stdSetCleanupHandler(removePendingFile, NULL);
        handlerRegistered = True;
    }
    String name = temporaryTemplate(output->target);
    catchInterruptions();
    sigset_t previous;
    blockInterruptions(&previous);
    int fd = mkostemp(name, O_CLOEXEC);
    if (fd >= 0) {
        pendingFile = name;
        pendingExists = 1;
    }
    sigprocmask(SIG_SETMASK, &previous, NULL);
    if (fd < 0) {
        restoreInterruptions();
        memspFree(name);
        return False;
    }
    output->fd = fd;
    output->temporary = name;
    return True;
}

/* Removes the temporary file, or renames it over the target (True when
 * that worked), with the interruptions blocked. */
static Bool settleTemporary(ExtractOutput *output, Bool keep)
{
    sigset_t previous;
    blockInterruptions(&previous);
    Bool renamed = keep && rename(output->temporary, output->target) == 0;
    if (!renamed) {
        unlink(output->temporary);
    }
    pendingExists = 0;
    sigprocmask(SIG_SETMASK, &previous, NULL);
    restoreInterruptions();
    return renamed;
}

/* ------------------------------------------------------------------ output */

void extractPlanOutput(ExtractOutput *output)
{
    memset(output, 0, sizeof *output);
    output->fd = -1;
    output->target = followLinks(outputFile);
    if (output->target == NULL) {
        return; /* written in place: opening it reports what is wrong */
    }
    struct stat existing;
    if (lstat(output->target, &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || existing.st_nlink > 1) {
            return;
        }
        /* a file that cannot be written is refused as before, not replaced */
        if (faccessat(AT_FDCWD, output->target, W_OK, AT_EACCESS) != 0) {
            return;
        }
        output->existed = True;
        output->previous = existing;
    } else if (errno != ENOENT) {
        return;
    }
    output->replacing = createTemporary(output);
}

void extractOpenOutput(ExtractOutput *output)
{
    if (output->replacing) {
        return;
    }
    output->fd = open(outputFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output->fd < 0) {
        msgReport(msgOutFileOpenFail, outputFile);
    }
    if (fstat(output->fd, &output->written) != 0) {
        output->written.st_mode = 0;
    }
}

/* The mode the finished file gets: the old output's, with its owner and
 * group where they can be given (set-ID bits only then); a new output's
 * 0666 less the umask, as creating it directly would have given. */
static Bool giveFinalMode(const ExtractOutput *output)
{
    if (!output->existed) {
        mode_t mask = umask(0);
        umask(mask);
        return fchmod(output->fd, 0666 & ~mask) == 0;
    }
    mode_t mode = output->previous.st_mode & 07777;
    if (fchown(output->fd, output->previous.st_uid, output->previous.st_gid) != 0) {
        mode &= ~(mode_t)(S_ISUID | S_ISGID);
        if (fchown(output->fd, (uid_t)-1, output->previous.st_gid) != 0) {
            /* another group: it gets no more than everybody else had */
            mode = (mode & ~(mode_t)S_IRWXG) | ((mode & S_IRWXO) << 3);
        }
    }
    return fchmod(output->fd, mode) == 0;
}

/*
 * In place, a regular file must not keep the part that was written (it would
 * look like a result): removed when outputFile names it directly, emptied
 * while still open when a link leads to it, so that the link keeps pointing
 * where it did. A device, a pipe or whatever else the path names is left
 * alone.
 */
static void discardInPlace(ExtractOutput *output)
{
    if (!S_ISREG(output->written.st_mode)) {
        return;
    }
    struct stat named;
    Bool namedDirectly = lstat(outputFile, &named) == 0 && S_ISREG(named.st_mode)
                         && named.st_dev == output->written.st_dev
                         && named.st_ino == output->written.st_ino;
    if (namedDirectly) {
        unlink(outputFile);
    } else if (output->fd >= 0 && ftruncate(output->fd, 0) != 0) {
        return; /* nothing else can be done with it */
    }
}

void extractAbandonOutput(ExtractOutput *output)
{
    if (output->replacing) {
        close(output->fd);
        settleTemporary(output, False);
    } else {
        discardInPlace(output);
        close(output->fd);
    }
    output->fd = -1;
}

Bool extractFinishOutput(ExtractOutput *output)
{
    Bool complete = !output->replacing || giveFinalMode(output);
    complete = close(output->fd) == 0 && complete;
    output->fd = -1;
    if (!output->replacing) {
        if (!complete) {
            discardInPlace(output);
        }
        return complete;
    }
    return settleTemporary(output, complete);
}
