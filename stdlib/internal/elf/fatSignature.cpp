/*
 * Filling a signature slot of a LUM Program in place.
 */
#include <fcntl.h>
#include <string.h>
#include "elfRange.h"
#include "fatBinary.h"

/* The stream's descriptor must be open for both reading and writing; a
 * memory stream has none and is refused. So is a descriptor in append mode:
 * every write would land at the end of the file instead of in the slot. */
static Bool readWrite(FILE *stream)
{
    int fd = fileno(stream);
    if (fd < 0) {
        return False;
    }
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) == O_RDWR && (flags & O_APPEND) == 0;
}

static const DevObj *chooseSlot(const FatApp *app, LUM_ID targetId)
{
    if (app->executables == NULL || app->numTargets == 0) {
        return NULL;
    }
    const DevObj *slots = app->executables;
    if (slots[0].targetId == targetId) {
        return &slots[0];
    }
    if (app->numTargets == 1) {
        Bool unnamed = slots[0].targetId == LUM_ID_INVALID || targetId == LUM_ID_INVALID;
        return unnamed ? &slots[0] : NULL;
    }
    for (uInt64 i = 1; i < app->numTargets; i++) {
        if (slots[i].targetId == targetId) {
            return &slots[i];
        }
    }
    return NULL;
}

/* Writes the length and the data at the slot; False when the stream refuses. */
static Bool writeSlot(FILE *stream, uInt64 position, const uInt8 *data, uInt64 length)
{
    uInt64 recorded = length;   /* host byte order is the file's: little-endian */
    return elfSeek(stream, position)
        && fwrite(&recorded, sizeof recorded, 1, stream) == 1
        && fwrite(data, 1, length, stream) == length
        && fflush(stream) == 0;
}

Int updateSignatureData(FILE *stream, cString appName, LUM_ID targetId,
                        const uInt8 *data, uInt64 length)
{
    if (stream == NULL || appName == NULL || (length != 0 && data == NULL)) {
        return fatSigBadArgument;
    }
    if (!readWrite(stream)) {
        return fatSigNotWritable;
    }
    if (length == 0) {
        return fatSigWritten;
    }
    uInt64 count = 0;
    FatApp *apps = getFatList(stream, True, &count);
    const FatApp *app = NULL;
    for (uInt64 i = 0; i < count && app == NULL; i++) {
        if (strcmp(apps[i].name, appName) == 0) {
            app = &apps[i];
        }
    }
    Int result;
    const DevObj *slot = app != NULL ? chooseSlot(app, targetId) : NULL;
    uInt64 total = 0;
    if (app == NULL) {
        result = fatSigNoApp;
    } else if (slot == NULL) {
        result = fatSigNoSlot;
    } else if (slot->size < 8 || length > slot->size - 8
               || !elfStreamSize(stream, &total)
               || !elfRangeInside(slot->offset, 8 + length, total)) {
        /* The slot as recorded, and the file itself, must hold all of it. */
        result = fatSigSlotTooSmall;
    } else {
        result = writeSlot(stream, slot->offset, data, length) ? fatSigWritten : fatSigNotWritable;
    }
    freeAppList(apps, count);
    return result;
}
