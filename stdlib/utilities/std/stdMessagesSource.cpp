/*
 * Source structures: the tree of the files of one preprocessed text, built
 * by pushes and pops or from the preprocessor's line markers; the positions
 * in it with their order, hash and equality; messages recorded per file;
 * and the release of all of it.
 */
#include <stdlib.h>
#include <string.h>

#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdMemSpace.h"
#include "stdList.h"
#include "stdStdFun.h"

#define stdEQSTRING(a, b) (strcmp((a), (b)) == 0)

/*
 * What a structure keeps beside the public records. Each public record is
 * the first member of its private one, so a handle converts both ways.
 */
struct SourcePos {
    msgSourcePosRec pos;
    SourcePos      *next;        /* the node's positions, newest first */
};

struct SourceNode {
    msgSourceFileNodeRec node;
    SourceNode *treeNode;        /* this node, or for a frozen copy the tree node it was split from */
    SourcePos  *positions;       /* made in this node (and not moved on to a frozen copy) */
    SourceNode *nextMade;        /* every node of the structure, newest first */
};

struct SourceStructure {
    msgSourceStructureRec structure;
    SourceNode *nodes;           /* tree nodes and frozen copies alike */
};

static SourceNode *privateNode(msgSourceFileNode node)
{
    return reinterpret_cast<SourceNode *>(node);
}

static SourceStructure *privateStructure(msgSourceStructure sourceStruct)
{
    return reinterpret_cast<SourceStructure *>(sourceStruct);
}

/* The node that stands in the tree for this one; hand-made nodes stand for themselves. */
static msgSourceFileNode treeNodeOf(msgSourceFileNode node)
{
    if (node == NULL || node->sourceStruct == NULL) {
        return node;
    }
    return &privateNode(node)->treeNode->node;
}

static SourceNode *makeNode(msgSourceStructure sourceStruct, msgSourceFileNode parent,
                            uInt32 includeLine, String fileName)
{
    SourceNode *made = (SourceNode *)stdMALLOC(sizeof *made);
    memset(made, 0, sizeof *made);
    made->node.parent = parent;
    made->node.includeLine = includeLine;
    made->node.depth = parent != NULL ? parent->depth + 1 : 0;
    made->node.fileName = fileName;
    made->node.sourceStruct = sourceStruct;
    made->treeNode = made;
    SourceStructure *owner = privateStructure(sourceStruct);
    made->nextMade = owner->nodes;
    owner->nodes = made;
    return made;
}

msgSourceStructure msgCreateSourceStructure(cString mainFileName)
{
    SourceStructure *made = (SourceStructure *)stdMALLOC(sizeof *made);
    memset(made, 0, sizeof *made);
    made->structure.flags = msgPrintMessages;
    msgPushInclude(&made->structure, 0, mainFileName);
    made->structure.root = made->structure.curNode;
    return &made->structure;
}

void msgSetSourceStructureFlags(msgSourceStructure sourceStruct, uInt32 flags)
{
    sourceStruct->flags = flags;
}

void msgPushInclude(msgSourceStructure sourceStruct, uInt32 includeLine, cString fileName)
{
    msgSourceFileNode parent = sourceStruct->curNode;
    SourceNode *made = makeNode(sourceStruct, parent, includeLine, msgCopyText(fileName));
    if (parent != NULL) {
        listAddTo(&made->node, &parent->children);
    }
    sourceStruct->curNode = &made->node;
    sourceStruct->cachedPos = NULL;
}

void msgPopInclude(msgSourceStructure sourceStruct)
{
    msgSourceFileNode parent = sourceStruct->curNode->parent;
    if (parent != NULL) {
        sourceStruct->cachedPos = NULL;
        sourceStruct->curNode = parent;
    }
}

/*
 * The text after the marker comes from another file. Positions made before
 * it may sit in hash tables keyed by their file name, and their lines belong
 * to the old file: they move to a frozen copy of the node that keeps the old
 * name, while the node itself, with its place in the tree, its children and
 * its messages, takes the new one. A marker naming the file it is in (the
 * preprocessor's resynchronisation after blank lines) changes nothing.
 */
static void renameCurrentFile(msgSourceStructure sourceStruct, cString fileName)
{
    msgSourceFileNode current = sourceStruct->curNode;
    if (stdEQSTRING(current->fileName, fileName)) {
        return;
    }
    SourceNode *node = privateNode(current);
    if (node->positions == NULL) {
        if (sourceStruct->listingNode == current) {
            msgCloseSourceListing(sourceStruct);
        }
        memspFree(current->fileName);
    } else {
        SourceNode *frozen = makeNode(sourceStruct, current->parent, current->includeLine,
                                      current->fileName);
        frozen->treeNode = node;
        frozen->positions = node->positions;
        node->positions = NULL;
        for (SourcePos *pos = frozen->positions; pos != NULL; pos = pos->next) {
            pos->pos.node = &frozen->node;
        }
        if (sourceStruct->listingNode == current) {
            sourceStruct->listingNode = &frozen->node;   /* its index is of the old file */
        }
    }
    current->fileName = msgCopyText(fileName);
}

void msgCppUpdateSourceStruct(msgSourceStructure sourceStruct, uInt32 line, cString fileName,
                              uInt32 lineNo, cString flags)
{
    char *end = NULL;
    long long number = flags != NULL ? strtoll(flags, &end, 0) : 0;
    Bool haveNumber = flags != NULL && end != flags;

    if (!haveNumber || number == 3) {
        renameCurrentFile(sourceStruct, fileName);
    } else if (number == 1) {
        stdASSERT(lineNo == 1, ("Unexpected cpp line directive"));
        msgPushInclude(sourceStruct, line, fileName);
    } else if (number == 2) {
        msgPopInclude(sourceStruct);
        stdASSERT(stdEQSTRING(sourceStruct->curNode->fileName,fileName), ("Unexpected cpp line directive"));
    }
}

msgSourcePos msgPullSourcePos(msgSourceStructure sourceStruct, uInt32 line)
{
    msgSourcePos cached = sourceStruct->cachedPos;
    if (cached != NULL && cached->node == sourceStruct->curNode && cached->lineNo == line) {
        return cached;
    }
    SourceNode *node = privateNode(sourceStruct->curNode);
    SourcePos *made = (SourcePos *)stdMALLOC(sizeof *made);
    made->pos.node = &node->node;
    made->pos.lineNo = line;
    made->next = node->positions;
    node->positions = made;
    sourceStruct->cachedPos = &made->pos;
    return &made->pos;
}

void msgSetSourcePos(msgSourceStructure sourceStruct, msgSourcePos pos)
{
    sourceStruct->cachedPos = pos;
}

void msgRecordMessage(msgSourcePos pos, msgMessage message, String text)
{
    msgRecordedMessage recorded = (msgRecordedMessage)stdMALLOC(sizeof *recorded);
    recorded->lineNo = pos->lineNo;
    recorded->message = message;
    recorded->text = text;
    listAddTo(recorded, &treeNodeOf(pos->node)->messages);
}

/*
 * A side is a line in a file: first the position's own, then, one level up
 * at a time, the include line of the file it is in. Both sides climb to the
 * first file they share and compare lines there. Sides from unrelated trees
 * stop at their roots.
 */
Bool msgSourcePosLessEq(Pointer a, Pointer b)
{
    msgSourcePos pa = (msgSourcePos)a;
    msgSourcePos pb = (msgSourcePos)b;
    msgSourceFileNode na = treeNodeOf(pa->node);
    msgSourceFileNode nb = treeNodeOf(pb->node);
    uInt32 la = pa->lineNo;
    uInt32 lb = pb->lineNo;
    if (na == NULL || nb == NULL) {
        return la <= lb;
    }
    while (na->depth > nb->depth && na->parent != NULL) {
        la = na->includeLine;
        na = na->parent;
    }
    while (nb->depth > na->depth && nb->parent != NULL) {
        lb = nb->includeLine;
        nb = nb->parent;
    }
    while (na != nb && na->parent != NULL && nb->parent != NULL) {
        la = na->includeLine;
        na = na->parent;
        lb = nb->includeLine;
        nb = nb->parent;
    }
    return la <= lb;
}

static cString fileNameOf(msgSourcePos pos)
{
    return pos->node != NULL ? pos->node->fileName : NULL;
}

uInt32 stdSourcePosHash(Pointer pos)
{
    msgSourcePos p = (msgSourcePos)pos;
    return stdNStringHash((Pointer)fileNameOf(p)) ^ p->lineNo;
}

Bool stdSourcePosEqual(Pointer a, Pointer b)
{
    msgSourcePos pa = (msgSourcePos)a;
    msgSourcePos pb = (msgSourcePos)b;
    return pa->lineNo == pb->lineNo && stdNStringEqual((Pointer)fileNameOf(pa), (Pointer)fileNameOf(pb));
}

static void deleteRecorded(Pointer element)
{
    msgRecordedMessage recorded = (msgRecordedMessage)element;
    memspFree(recorded->text);
    memspFree(recorded);
}

/* Positions made with it die with it: they belong to no one else. */
void msgDeleteSourceStructure(msgSourceStructure sourceStruct)
{
    if (sourceStruct == NULL) {
        return;
    }
    msgCloseSourceListing(sourceStruct);
    SourceStructure *owner = privateStructure(sourceStruct);
    for (SourceNode *node = owner->nodes, *nextNode; node != NULL; node = nextNode) {
        nextNode = node->nextMade;
        for (SourcePos *pos = node->positions, *nextPos; pos != NULL; pos = nextPos) {
            nextPos = pos->next;
            memspFree(pos);
        }
        listObliterate(node->node.messages, deleteRecorded);
        listDelete(node->node.children);
        memspFree(node->node.fileName);
        memspFree(node);
    }
    memspFree(owner);
}

void msgGenSourceListing(msgSourceStructure sourceStruct)
{
    (void)sourceStruct;
    stdASSERT(False, ("msgGenSourceListing is not implemented yet"));
}
