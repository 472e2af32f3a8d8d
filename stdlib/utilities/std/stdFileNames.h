/*
 * File names and search paths.
 *
 * Paths are byte strings with "/" as the only separator. Nothing is
 * normalised: "a//b", "." and ".." stay as written. Every text these
 * functions return is a new allocation in the calling thread's current
 * memory space and belongs to the caller (release it with memspFree).
 * Failed stat, opendir or searches give False or null; nothing is reported.
 */
#ifndef stdFileNames_INCLUDED
#define stdFileNames_INCLUDED

#include <stdio.h>
#include "stdTypes.h"
#include "stdList.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Taking paths apart and putting them together ---- */

/*
 * Splits a path into the directory (text before the last "/", "" for "/x",
 * null without "/"), the name (last component up to its last ".") and the
 * extension (text after that ".", null without one). A "." before the last
 * "/" is no extension: "a.b/c" gives "a.b", "c", null. Each out may be null.
 */
void fnamDecomposePath(cString path, String *directory, String *name, String *extension);

/* Directory (null without "/") and file part at the last "/"; outs may be null. */
void fnamSplitPath(cString path, String *directory, String *file);

/*
 * directory (trailing "/" dropped) + "/" + name + "." + extension. An empty
 * or null directory adds nothing, nor does an empty or null extension.
 */
String fnamComposePath(cString directory, cString name, cString extension);

/*
 * "/usr/lib/libz.so.1.2.11" gives "/usr/lib", "z", "1.2.11";
 * "libfoo-2.5.so" gives null, "foo", "2.5". Each wanted out is set to null
 * before anything else; the version stays null when there is none.
 */
void fnamDecomposeSharedLibraryName(cString path, String *directory, String *name,
                                    String *version);

/* ---- What a path names ---- */

Bool fnamIsAbsolutePath(cString path); /* begins with "/", or is empty */
Bool fnamIsDirectory(cString path);
/* stat succeeds and it is no directory (links followed; devices count). */
Bool fnamFileExists(cString path);
/* Both exist and have the same device and inode. */
Bool fnamEquivalent(cString path1, cString path2);

/* ---- Search paths: ordered lists of directories ---- */

/*
 * A list of directory texts with a pointer to the last cell's next field
 * for appending; when empty, last points at first. The directory texts
 * belong to whoever put them in.
 */
typedef struct fnamSearchPathRec {
    stdList  first;
    stdList *last;
} fnamSearchPathRec, *fnamSearchPath;

typedef void (*fnamDirectoryFun)(String directory, Pointer data);
/* Returns True to pass over a candidate that exists. */
typedef Bool (*fnamRejectFun)(cString candidate, Pointer data);

fnamSearchPath fnamCreate(void);
/* Frees the search path (null is ignored), and its directories when asked. */
void fnamDelete(fnamSearchPath searchPath, Bool freeDirectories);

/*
 * A search path of copies of the non-empty pieces of text between
 * separators ("/a::/b:" with ':' gives "/a", "/b"); null for null text.
 */
fnamSearchPath fnamConvertSearchPath(cString text, char separator);

/* These store the given directory text itself, not a copy. */
void fnamAddDir(fnamSearchPath searchPath, String directory);
void fnamAddDirToFront(fnamSearchPath searchPath, String directory);
/* The same with the arguments swapped, to pass as a traversal function. */
void fnamAddToDir(String directory, Pointer searchPath);
void fnamAddToDirToFront(String directory, Pointer searchPath);

/* Calls function(directory, data) for each directory, first to last. */
void fnamTraverse(fnamSearchPath searchPath, fnamDirectoryFun function, Pointer data);
/* The directories joined by ":", no line end. */
void fnamPrint(FILE *stream, fnamSearchPath searchPath);

/*
 * Finds name along the search path and returns its path, or null.
 * A name without a directory part (or, with searchRelative, with a relative
 * one) is tried in each directory in order, skipping candidates that reject
 * refuses; any other name is taken as it stands. A null search path takes
 * name as it stands. With retryBareName, a name with a directory part that
 * is not found is looked for again as its last component alone.
 */
String fnamLocateFile(fnamSearchPath searchPath, cString name, Bool searchRelative,
                      Bool retryBareName, fnamRejectFun reject, Pointer data);

/*
 * Finds an executable along the directories of the environment's PATH.
 * Directories and files without execute permission are passed over, and
 * nothing is searched when PATH is unset.
 */
String fnamLocateExecutable(cString name);

/* ---- Directories ---- */

typedef void (*fnamEntryFun)(String entry, Pointer data);

/*
 * Calls function(entry, data) for each entry of directory (null: ".") whose
 * name does not begin with "." and matches pattern (null: every name), in
 * the system's order. With fullPaths the entry is "directory/name", else
 * the bare name. With copyNames the entry is a new text the function owns;
 * without, it is valid only during the call. An unreadable directory gives
 * no calls.
 */
void fnamTraverseDirectory(cString directory, cString pattern, Bool copyNames, Bool fullPaths,
                           fnamEntryFun function, Pointer data);

/*
 * Wildcard match: "?" matches one character, "*" any run of them. A "*" in
 * the pattern facing a "*" in the name matches it literally and nothing
 * more, so "*a" does not match "*ba". Time at most length(name) times
 * length(pattern), with no recursion.
 */
Bool wcMatch(cString name, cString pattern);

#ifdef __cplusplus
}
#endif

#endif
