/*
 * Removing temporary files and directories. Everything works on directory
 * descriptors and never follows a symbolic link, so a link planted in the
 * temporary area is removed as a link, and whatever it points to is left
 * alone even if the link replaces a directory while the walk runs.
 */
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdProcessLocal.h"

/* Deeper trees are left in place rather than risk the stack of a small thread. */
#define MAX_REMOVAL_DEPTH 64

typedef void (*entryFun)(int directoryFd, cString name, Pointer data);

/* Calls function for each entry of the open directory whose name does not
 * start with "." but does start with prefix; takes over the descriptor. */
static void eachEntry(int fd, cString prefix, entryFun function, Pointer data)
{
    DIR *directory = fdopendir(fd);
    if (directory == NULL) {
        close(fd);
        return;
    }
    size_t prefixLength = strlen(prefix);
    while (struct dirent *entry = readdir(directory)) {
        if (entry->d_name[0] != '.' && strncmp(entry->d_name, prefix, prefixLength) == 0) {
            function(dirfd(directory), entry->d_name, data);
        }
    }
    closedir(directory);
}

/* The directory itself, opened without following a link; -1 for anything else. */
static int openSubdirectory(int directoryFd, cString name)
{
    return openat(directoryFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

static Bool isDirectory(int directoryFd, cString name)
{
    struct stat status;
    return fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

/* data points to the depth of the directory that holds the entry. */
static void removeTree(int directoryFd, cString name, Pointer data)
{
    if (!isDirectory(directoryFd, name)) {
        unlinkat(directoryFd, name, 0);
        return;
    }
    Int depth = *(Int *)data + 1;
    if (depth <= MAX_REMOVAL_DEPTH) {
        int fd = openSubdirectory(directoryFd, name);
        if (fd >= 0) {
            eachEntry(fd, "", removeTree, &depth);
        }
    }
    unlinkat(directoryFd, name, AT_REMOVEDIR);
}

void removeFile(int directoryFd, cString name)
{
    Int depth = 0;
    removeTree(directoryFd, name, &depth);
}

static void unlinkEntry(int directoryFd, cString name, Pointer data)
{
    (void)data;
    unlinkat(directoryFd, name, 0);   /* a subdirectory refuses and stays */
}

void cleanDir(int directoryFd, cString name)
{
    if (!isDirectory(directoryFd, name)) {
        unlinkat(directoryFd, name, 0);
        return;
    }
    int fd = openSubdirectory(directoryFd, name);
    if (fd >= 0) {
        eachEntry(fd, "", unlinkEntry, NULL);
    }
    unlinkat(directoryFd, name, AT_REMOVEDIR);
}

typedef struct { procEntryFun function; } matchingRec;

static void callMatching(int directoryFd, cString name, Pointer data)
{
    ((matchingRec *)data)->function(directoryFd, name);
}

void procRemoveMatching(cString base, procEntryFun function)
{
    cString slash = strrchr(base, '/');
    if (slash == NULL) {
        return;
    }
    size_t length = slash == base ? 1 : (size_t)(slash - base);   /* "/x" lies in "/" */
    String directory = (String)stdMALLOC(length + 1);
    memcpy(directory, base, length);
    directory[length] = '\0';
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    memspFree(directory);
    if (fd >= 0) {
        matchingRec matching = { function };
        eachEntry(fd, slash + 1, callMatching, &matching);
    }
}
