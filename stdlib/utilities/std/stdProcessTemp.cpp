/*
 * Temporary file and directory names. Each kind has a base, "tmpxft_PID_N"
 * in the temporary directory, reserved on first use by creating it
 * exclusively: an existing name (a file, a directory, a planted link) is
 * never opened or truncated, the counter just moves on. Names handed out
 * are the base with "-0", "-1", ... appended. All of this state is guarded
 * by the global lock and lives in the native memory space.
 */
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdMessagesLocal.h"
#include "stdProcessLocal.h"

/* Failures other than an existing name that end the search for a base. */
#define MAX_RESERVE_FAILURES 11

typedef struct {
    String base;             /* null until first use and after clean-up */
    uInt32 instance;         /* suffix of the next name */
    Bool   firstUse;         /* no clean-up handler registered for this base yet */
} tempKindRec;

static String tempDirectory;                        /* TMPDIR or "/tmp", read once */
static tempKindRec tempFiles = { NULL, 0, True };
static tempKindRec tempDirs  = { NULL, 0, True };

/* An empty TMPDIR is taken as unset rather than as the root directory. */
static cString temporaryDirectory(void)
{
    if (tempDirectory == NULL) {
        cString value = getenv("TMPDIR");
        tempDirectory = msgCopyText(value != NULL && value[0] != '\0' ? value : "/tmp");
    }
    return tempDirectory;
}

static String candidateName(uInt32 counter)
{
    stdString name = stringCreate(64);
    stringAddFormat(name, "%s/tmpxft_%08x_%08x", temporaryDirectory(), (uInt32)getpid(), counter);
    return stringStripToBuf(name);
}

/* 0 when the name is now reserved, else the error number. */
typedef int (*reserveFun)(cString path);

static int createEmptyFile(cString path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    close(fd);
    return 0;
}

static int createDirectory(cString path)
{
    return mkdir(path, 0700) == 0 ? 0 : errno;
}

static Bool hasShellSpecials(cString path)
{
    return strpbrk(path, "\"*<>?|") != NULL;
}

/* The first free candidate, reserved; null when the search fails, with the
 * candidate it failed on in *failed. */
static String reserveBase(reserveFun reserve, Bool checkCharacters, String *failed)
{
    Int failures = 0;
    for (uInt32 counter = 0;; counter++) {
        String candidate = candidateName(counter);
        if (checkCharacters && hasShellSpecials(candidate)) {
            *failed = candidate;
            return NULL;
        }
        int failure = reserve(candidate);
        if (failure == 0) {
            return candidate;
        }
        if ((failure != EEXIST && ++failures >= MAX_RESERVE_FAILURES) || counter == UINT32_MAX) {
            *failed = candidate;
            return NULL;
        }
        memspFree(candidate);
    }
}

/*
 * The failure is reported once the lock is left and the caller's memory
 * space is back: a fatal report may go to a recovery point, and the caller
 * must find itself there as it was before the call.
 */
static String newName(tempKindRec *kind, reserveFun reserve, Bool checkCharacters, stdCleanupFun cleanup)
{
    String failed = NULL;
    stdGlobalEnter();
    if (kind->base == NULL) {
        stdMemSpace callerSpace = stdSwapMemSpace(memspNativeMemSpace);
        if (kind->firstUse) {
            stdSetCleanupHandler(cleanup, NULL);
            kind->firstUse = False;
        }
        kind->base = reserveBase(reserve, checkCharacters, &failed);
        stdSwapMemSpace(callerSpace);
    }
    if (failed != NULL) {
        stdGlobalExit();
        String candidate = msgCopyText(failed);
        memspFree(failed);
        msgReport(stdMsgOpenOutputFailed, candidate);
        memspFree(candidate);   /* reached only when the message is suppressed */
        return NULL;
    }
    stdString name = stringCreate(64);
    stringAddFormat(name, "%s-%u", kind->base, kind->instance++);
    stdGlobalExit();
    return stringStripToBuf(name);
}

/* Takes the base away (null when there is none); a later use reserves a new one. */
static String takeBase(tempKindRec *kind)
{
    stdGlobalEnter();
    String base = kind->base;
    kind->base = NULL;
    kind->firstUse = True;
    stdGlobalExit();
    return base;
}

static void removeAll(tempKindRec *kind, procEntryFun remove)
{
    String base = takeBase(kind);
    if (base != NULL) {
        procRemoveMatching(base, remove);
        memspFree(base);
    }
}

static void rmtemps(Pointer data)
{
    (void)data;
    procCloseOpenFiles();
    removeAll(&tempFiles, removeFile);
}

static void rmtempDirs(Pointer data)
{
    (void)data;
    removeAll(&tempDirs, cleanDir);
}

String procGetTempName(void)
{
    return newName(&tempFiles, createEmptyFile, False, rmtemps);
}

String procGetTempDirName(void)
{
    return newName(&tempDirs, createDirectory, True, rmtempDirs);
}

static Bool startsWithBase(const tempKindRec *kind, cString path)
{
    stdGlobalEnter();
    Bool matches = kind->base != NULL && strncmp(path, kind->base, strlen(kind->base)) == 0;
    stdGlobalExit();
    return matches;
}

Bool procIsTempName(cString path)
{
    return startsWithBase(&tempFiles, path);
}

Bool procIsTempDirName(cString path)
{
    return startsWithBase(&tempDirs, path);
}

String procGetTempNameBase(void)
{
    stdGlobalEnter();
    String copy = tempFiles.base != NULL ? msgCopyText(tempFiles.base) : NULL;
    stdGlobalExit();
    return copy;
}
