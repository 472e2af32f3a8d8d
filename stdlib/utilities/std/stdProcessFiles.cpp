/*
 * Streams opened through procFOPEN, remembered so that the clean-up of the
 * temporary files can close them before it removes anything.
 */
#include "stdLocal.h"
#include "stdProcessLocal.h"
#include "stdSet.h"

static stdSet openFiles;   /* of FILE *, in the native space; guarded by the global lock */

FILE *procFOPEN(cString path, cString mode)
{
    FILE *stream = fopen(path, mode);
    if (stream == NULL) {
        return NULL;
    }
    stdGlobalEnter();
    stdMemSpace callerSpace = stdSwapMemSpace(memspNativeMemSpace);
    if (openFiles == NULL) {
        openFiles = setCreate(stdPointerHash, stdPointerEqual, 32);
    }
    setInsert(openFiles, stream);
    stdSwapMemSpace(callerSpace);
    stdGlobalExit();
    return stream;
}

Int procFCLOSE(FILE *stream)
{
    stdGlobalEnter();
    if (openFiles != NULL) {
        setRemove(openFiles, stream);
    }
    stdGlobalExit();
    return fclose(stream);
}

static void closeStream(Pointer stream, Pointer data)
{
    (void)data;
    fclose((FILE *)stream);
}

void procCloseOpenFiles(void)
{
    stdGlobalEnter();
    stdSet files = openFiles;
    openFiles = NULL;
    stdGlobalExit();
    if (files != NULL) {
        setTraverse(files, closeStream, NULL);
        setDelete(files);
    }
}
