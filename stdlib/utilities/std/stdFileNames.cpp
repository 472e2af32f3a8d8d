/*
 * File names: taking paths apart, putting them together, and asking the
 * file system what they name.
 */
#include "stdFileNames.h"
#include "stdFileNamesLocal.h"
#include "stdMemSpace.h"

#include <string.h>
#include <sys/stat.h>

String fnamCopyText(cString start, size_t length)
{
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, start, length);
    copy[length] = 0;
    return copy;
}

static void setOut(String *out, cString start, size_t length)
{
    if (out) *out = fnamCopyText(start, length);
}

void fnamDecomposePath(cString path, String *directory, String *name, String *extension)
{
    if (directory) *directory = nullptr;
    if (name) *name = nullptr;
    if (extension) *extension = nullptr;
    if (!path) return;

    cString slash = strrchr(path, '/');
    cString base = slash ? slash + 1 : path;
    // Only a "." inside the last component starts an extension.
    cString dot = strrchr(base, '.');
    cString end = path + strlen(path);

    if (slash) setOut(directory, path, (size_t)(slash - path));
    setOut(name, base, (size_t)((dot ? dot : end) - base));
    if (dot) setOut(extension, dot + 1, (size_t)(end - dot - 1));
}

void fnamSplitPath(cString path, String *directory, String *file)
{
    if (directory) *directory = nullptr;
    if (file) *file = nullptr;
    if (!path) return;

    cString slash = strrchr(path, '/');
    cString base = slash ? slash + 1 : path;
    if (slash) setOut(directory, path, (size_t)(slash - path));
    setOut(file, base, strlen(base));
}

String fnamComposePath(cString directory, cString name, cString extension)
{
    size_t dirLength = directory ? strlen(directory) : 0;
    size_t nameLength = name ? strlen(name) : 0;
    size_t extLength = extension ? strlen(extension) : 0;
    Bool withDirectory = dirLength > 0;

    while (dirLength > 0 && directory[dirLength - 1] == '/') dirLength--;

    String result = (String)stdMALLOC(dirLength + 1 + nameLength + 1 + extLength + 1);
    String out = result;
    if (withDirectory) {
        memcpy(out, directory, dirLength);
        out += dirLength;
        *out++ = '/';
    }
    if (nameLength) {
        memcpy(out, name, nameLength);
        out += nameLength;
    }
    if (extLength) {
        *out++ = '.';
        memcpy(out, extension, extLength);
        out += extLength;
    }
    *out = 0;
    return result;
}

Bool fnamIsAbsolutePath(cString path)
{
    return path && (path[0] == '/' || path[0] == 0);
}

Bool fnamIsDirectory(cString path)
{
    struct stat info;
    return path && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

Bool fnamFileExists(cString path)
{
    struct stat info;
    return path && stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

Bool fnamEquivalent(cString path1, cString path2)
{
    struct stat info1, info2;
    return path1 && path2 && stat(path1, &info1) == 0 && stat(path2, &info2) == 0
        && info1.st_dev == info2.st_dev && info1.st_ino == info2.st_ino;
}
