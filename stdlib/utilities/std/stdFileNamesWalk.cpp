/*
 * Walking the entries of one directory.
 */
#include "stdFileNames.h"
#include "stdFileNamesLocal.h"
#include "stdMemSpace.h"

#include <dirent.h>
#include <string.h>

void fnamTraverseDirectory(cString directory, cString pattern, Bool copyNames, Bool fullPaths,
                           fnamEntryFun function, Pointer data)
{
    if (!directory) directory = ".";
    DIR *stream = opendir(directory);
    if (!stream) return;

    // Entries are joined to the directory without its trailing "/", except
    // that the root keeps its one "/": "/" and "etc" give "/etc".
    size_t prefixLength = strlen(directory);
    while (prefixLength > 1 && directory[prefixLength - 1] == '/') prefixLength--;
    Bool addSlash = prefixLength > 0 && directory[prefixLength - 1] != '/';

    while (struct dirent *entry = readdir(stream)) {
        cString entryName = entry->d_name;
        if (entryName[0] == '.') continue;
        if (pattern && !wcMatch(entryName, pattern)) continue;

        if (fullPaths) {
            size_t nameLength = strlen(entryName);
            String path = (String)stdMALLOC(prefixLength + 1 + nameLength + 1);
            memcpy(path, directory, prefixLength);
            size_t at = prefixLength;
            if (addSlash) path[at++] = '/';
            memcpy(path + at, entryName, nameLength + 1);
            function(path, data);
            if (!copyNames) memspFree(path);
        } else if (copyNames) {
            function(fnamCopyText(entryName, strlen(entryName)), data);
        } else {
            function(entry->d_name, data);
        }
    }
    closedir(stream);
}
