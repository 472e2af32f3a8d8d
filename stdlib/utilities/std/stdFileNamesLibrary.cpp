/*
 * Shared-library file names: "dir/libNAME.so.VERSION", "libNAME-VERSION.so",
 * "libNAME.VERSION.dylib" and the like taken apart into directory, library
 * name and version.
 */
#include "stdFileNames.h"
#include "stdFileNamesLocal.h"
#include "stdMemSpace.h"

#include <string.h>

static Bool isVersionCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '.';
}

/* Cuts text at the first marker and returns a copy of what followed it. */
static String cutAtMarker(String text, cString marker)
{
    String at = strstr(text, marker);
    if (!at) return nullptr;
    String version = fnamCopyText(at + strlen(marker), strlen(at + strlen(marker)));
    *at = 0;
    return version;
}

/* Cuts a trailing run of digits, "-" and "." and returns it without its separator. */
static String cutTrailingVersion(String text)
{
    size_t length = strlen(text);
    size_t start = length;
    while (start > 0 && isVersionCharacter(text[start - 1])) start--;
    if (start == length) return nullptr;

    cString run = text + start;
    if (*run == '-' || *run == '.') run++;
    String version = fnamCopyText(run, strlen(run));
    text[start] = 0;
    return version;
}

void fnamDecomposeSharedLibraryName(cString path, String *directory, String *name,
                                    String *version)
{
    if (directory) *directory = nullptr;
    if (name) *name = nullptr;
    if (version) *version = nullptr;
    if (!path) return;

    String base, extension;
    fnamDecomposePath(path, directory, &base, &extension);

    String text = base;
    String found = nullptr;
    if (extension && strcmp(extension, "so") != 0 && strcmp(extension, "dylib") != 0) {
        text = fnamComposePath(nullptr, base, extension);
        memspFree(base);
        found = cutAtMarker(text, ".so.");
        if (!found) found = cutAtMarker(text, ".dylib.");
    }
    memspFree(extension);

    // A version after ".so." is the real one: "libbz2.so.1" is library
    // "bz2", version "1", so trailing digits of the name then stay put.
    if (!found) found = cutTrailingVersion(text);

    cString libraryName = strncmp(text, "lib", 3) == 0 ? text + 3 : text;
    if (name) *name = fnamCopyText(libraryName, strlen(libraryName));
    if (version) *version = found;
    else memspFree(found);
    memspFree(text);
}
