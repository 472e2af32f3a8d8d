/*
 * The source line shown before a message at a position. A structure keeps
 * one listing file open with the start offset of every tenth line, so that
 * showing a line costs one seek and at most ten line reads wherever it
 * stands; the index is built once and kept while the messages come from the
 * same file.
 */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdMap.h"
#include "stdMemSpace.h"
#include "stdStdFun.h"
#include "stdString.h"

enum : uInt32 {
    indexStride  = 10,              /* lines between two indexed offsets */
    indexBuckets = 1024,
    indexChunk   = 64 * 1024,       /* bytes read at a time while indexing */
    lastIndexKey = (msgNOLINE - 2) / indexStride   /* the key of the last line a position can name */
};

/* Per thread, so that a test sees only its own listings. */
static thread_local uInt64 listingSeeks;
static thread_local uInt64 listingLineReads;

void msgListingReadCounts(uInt64 *seeks, uInt64 *lineReads)
{
    *seeks = listingSeeks;
    *lineReads = listingLineReads;
}

void msgCloseSourceListing(msgSourceStructure sourceStruct)
{
    if (sourceStruct->lineIndex != NULL) {
        mapDelete(sourceStruct->lineIndex);
        fclose(sourceStruct->listingStream);
    }
    sourceStruct->lineIndex = NULL;
    sourceStruct->listingStream = NULL;
    sourceStruct->listingNode = NULL;
}

/*
 * Only a regular file is listed: opening a FIFO would wait for a writer and
 * a device may never end. The open itself does not block, so asking costs
 * nothing either way.
 */
static FILE *openListingFile(cString fileName)
{
    int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return NULL;
    }
    struct stat st;
    FILE *stream = NULL;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        stream = fdopen(fd, "r");
    }
    if (stream == NULL) {
        close(fd);
    }
    return stream;
}

/* Key k holds the offset where line 10k + 1 starts (the text after the 10k-th newline). */
static stdMap indexLines(FILE *stream)
{
    stdMap index = mapCreate(stdIntHash, stdIntEqual, indexBuckets);
    char *chunk = (char *)stdMALLOC(indexChunk);
    uInt64 chunkOffset = 0;
    uInt64 newlines = 0;
    Bool full = False;
    size_t got;
    while (!full && (got = fread(chunk, 1, indexChunk, stream)) > 0) {
        char *end = chunk + got;
        for (char *at = chunk; !full && (at = (char *)memchr(at, '\n', (size_t)(end - at))) != NULL;) {
            at++;
            newlines++;
            if (newlines % indexStride == 0) {
                uInt64 key = newlines / indexStride;
                full = key > lastIndexKey;
                if (!full) {
                    uInt64 offset = chunkOffset + (uInt64)(at - chunk);
                    mapDefine(index, (Pointer)(Address)key, (Pointer)(Address)offset);
                }
            }
        }
        chunkOffset += got;
    }
    memspFree(chunk);
    return index;
}

/* Reads one line, adding its characters to `text` when given; False at end of file. */
static Bool readLine(FILE *stream, stdString text)
{
    listingLineReads++;
    int c = getc_unlocked(stream);
    if (c == EOF) {
        return False;
    }
    for (; c != EOF && c != '\n'; c = getc_unlocked(stream)) {
        if (text != NULL) {
            stringAddChar(text, (char)c);
        }
    }
    return True;
}

static Bool isListingFile(msgSourceStructure sourceStruct, msgSourceFileNode node)
{
    msgSourceFileNode listed = sourceStruct->listingNode;
    return listed != NULL && (listed == node || strcmp(listed->fileName, node->fileName) == 0);
}

/*
 * A line that the file does not have shows nothing: an index without the
 * line's key means the file ends before that line, and the start of the
 * file would give another line.
 */
String msgSourceLine(msgSourcePos pos)
{
    msgSourceFileNode node = pos->node;
    msgSourceStructure sourceStruct = node->sourceStruct;
    uInt32 line = pos->lineNo;
    if (line == 0 || line == msgNOLINE) {
        return NULL;
    }
    if (!isListingFile(sourceStruct, node)) {
        msgCloseSourceListing(sourceStruct);
        sourceStruct->listingNode = node;
        sourceStruct->listingStream = openListingFile(node->fileName);
        if (sourceStruct->listingStream != NULL) {
            sourceStruct->lineIndex = indexLines(sourceStruct->listingStream);
        }
    }
    if (sourceStruct->lineIndex == NULL) {
        return NULL;
    }

    uInt32 key = (line - 1) / indexStride;
    uInt64 offset = 0;
    if (key != 0) {
        offset = (uInt64)(Address)mapApply(sourceStruct->lineIndex, (Pointer)(Address)key);
        if (offset == 0) {
            return NULL;
        }
    }
    FILE *stream = sourceStruct->listingStream;
    listingSeeks++;
    if (fseeko(stream, (off_t)offset, SEEK_SET) != 0) {
        return NULL;
    }
    for (uInt32 skip = (line - 1) % indexStride; skip > 0; skip--) {
        if (!readLine(stream, NULL)) {
            return NULL;
        }
    }
    stdString text = stringCreate(128);
    stringAddBuf(text, "# ");
    if (!readLine(stream, text)) {
        stringDelete(text);
        return NULL;
    }
    stringAddChar(text, '\n');
    return stringStripToBuf(text);
}
