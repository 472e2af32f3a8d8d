/*
 * Search paths (ordered lists of directories) and locating files along them.
 */
#include "stdFileNames.h"
#include "stdFileNamesLocal.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

fnamSearchPath fnamCreate(void)
{
    fnamSearchPath searchPath = (fnamSearchPath)stdMALLOC(sizeof(fnamSearchPathRec));
    searchPath->first = nullptr;
    searchPath->last = &searchPath->first;
    return searchPath;
}

void fnamDelete(fnamSearchPath searchPath, Bool freeDirectories)
{
    if (!searchPath) return;
    if (freeDirectories) listObliterate(searchPath->first, nullptr);
    else listDelete(searchPath->first);
    memspFree(searchPath);
}

fnamSearchPath fnamConvertSearchPath(cString text, char separator)
{
    if (!text) return nullptr;
    fnamSearchPath searchPath = fnamCreate();
    cString piece = text;
    for (;;) {
        cString end = piece;
        while (*end && *end != separator) end++;
        if (end > piece) fnamAddDir(searchPath, fnamCopyText(piece, (size_t)(end - piece)));
        if (!*end) break;
        piece = end + 1;
    }
    return searchPath;
}

void fnamAddDir(fnamSearchPath searchPath, String directory)
{
    stdASSERT(searchPath, ("Adding a directory to a null search path"));
    stdList cell = listCons(directory, nullptr);
    *searchPath->last = cell;
    searchPath->last = &cell->next;
}

void fnamAddDirToFront(fnamSearchPath searchPath, String directory)
{
    stdASSERT(searchPath, ("Adding a directory to a null search path"));
    Bool wasEmpty = searchPath->first == nullptr;
    listAddTo(directory, &searchPath->first);
    if (wasEmpty) searchPath->last = &searchPath->first->next;
}

void fnamAddToDir(String directory, Pointer searchPath)
{
    fnamAddDir((fnamSearchPath)searchPath, directory);
}

void fnamAddToDirToFront(String directory, Pointer searchPath)
{
    fnamAddDirToFront((fnamSearchPath)searchPath, directory);
}

void fnamTraverse(fnamSearchPath searchPath, fnamDirectoryFun function, Pointer data)
{
    if (!searchPath) return;
    for (stdList cell = searchPath->first; cell;) {
        // Read on before the call, so the function may take the directory away.
        stdList next = cell->next;
        function((String)cell->element, data);
        cell = next;
    }
}

void fnamPrint(FILE *stream, fnamSearchPath searchPath)
{
    if (!searchPath) return;
    cString separator = "";
    for (stdList cell = searchPath->first; cell; cell = cell->next) {
        fprintf(stream, "%s%s", separator, (cString)cell->element);
        separator = ":";
    }
}

static Bool pathExists(cString path)
{
    struct stat info;
    return stat(path, &info) == 0;
}

static String copyIfExists(cString name)
{
    return pathExists(name) ? fnamCopyText(name, strlen(name)) : nullptr;
}

static String locateOnce(fnamSearchPath searchPath, cString name, Bool searchRelative,
                         fnamRejectFun reject, Pointer data)
{
    if (!searchPath) return copyIfExists(name);

    String directory;
    fnamDecomposePath(name, &directory, nullptr, nullptr);
    Bool alongPath = !directory || (searchRelative && directory[0] != 0 && directory[0] != '/');
    memspFree(directory);
    if (!alongPath) return copyIfExists(name);

    for (stdList cell = searchPath->first; cell; cell = cell->next) {
        String candidate = fnamComposePath((cString)cell->element, name, nullptr);
        if (pathExists(candidate) && !(reject && reject(candidate, data))) return candidate;
        memspFree(candidate);
    }
    return nullptr;
}

String fnamLocateFile(fnamSearchPath searchPath, cString name, Bool searchRelative,
                      Bool retryBareName, fnamRejectFun reject, Pointer data)
{
    // An empty name would "find" the first directory of the path.
    if (!name || !*name) return nullptr;
    String found = locateOnce(searchPath, name, searchRelative, reject, data);
    if (found || !searchPath || !retryBareName) return found;

    cString slash = strrchr(name, '/');
    if (!slash) return nullptr;
    return locateOnce(searchPath, slash + 1, searchRelative, reject, data);
}

/* A directory or a file we may not run is no executable. */
static Bool notExecutable(cString candidate, Pointer)
{
    return fnamIsDirectory(candidate) || access(candidate, X_OK) != 0;
}

String fnamLocateExecutable(cString name)
{
    // Without PATH nothing is searched, in particular not the current directory.
    cString path = getenv("PATH");
    if (!path) return nullptr;
    fnamSearchPath searchPath = fnamConvertSearchPath(path, ':');
    String found = fnamLocateFile(searchPath, name, False, False, notExecutable, nullptr);
    fnamDelete(searchPath, True);
    return found;
}
