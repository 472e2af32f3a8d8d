/*
 * The checks before the input is read, and taking the input apart: a plain
 * host ELF (executable or shared object) or an ar archive of one object.
 */
#include <string.h>
#include "extract.h"
#include "stdFileNames.h"
#include "stdMemSpace.h"
#include "stdThreads.h"
#include "arReader.h"
#include "elfUtils.h"

void extractCheckTargetAndInput(stdList positional)
{
    if (targetCPUName != NULL) {
        targetCPUID = nameToLumId(targetCPUName);
        if (targetCPUID == LUM_ID_INVALID) {
            msgReport(msgUnknownCpu, targetCPUName);
        }
    }
    inputFile = (String)listIndex(positional, 0);
    if (!fnamFileExists(inputFile)) {
        msgReport(msgInputFileNotFound, inputFile);
    }
}

Bool extractErrorsReported(void)
{
    return stdGetThreadContext()->errorFlag;
}

/* ---------------------------------------------------------------- members */

/* The ordinary members of an archive, in archive order. */
typedef struct {
    ArchiveMember *members;
    uInt64         count;
    uInt64         capacity;
} MemberList;

static void appendMember(MemberList *list, ArchiveMember member)
{
    if (list->count == list->capacity) {
        uInt64 capacity = list->capacity ? 2 * list->capacity : 1;
        ArchiveMember *grown = list->members
            ? (ArchiveMember *)memspRealloc(list->members, capacity * sizeof(ArchiveMember))
            : (ArchiveMember *)stdMALLOC(capacity * sizeof(ArchiveMember));
        if (grown == NULL) {
            stdOutOfMemory();
        }
        list->members = grown;
        list->capacity = capacity;
    }
    list->members[list->count++] = member;
}

/* Kinds 1 and 2 are the symbol table and the long-name table. */
static MemberList ordinaryMembers(const FileInfo *file)
{
    MemberList list = { NULL, 0, 0 };
    ArchiveMember member = { NULL, 0 };
    for (;;) {
        Int kind = arMemberOrdinary;
        member = get_next_archive_member(file->data, file->size, member.data, member.size,
                                         NULL, &kind);
        if (member.data == NULL) {
            break;
        }
        if (kind == arMemberOrdinary) {
            appendMember(&list, member);
        }
    }
    return list;
}

/* ------------------------------------------------------------ classifying */

/* The stream only reads: the bytes stay as they are. */
static FILE *openStream(const uInt8 *data, uInt64 size)
{
    FILE *stream = fmemopen(const_cast<uInt8 *>(data), size, "r");
    if (stream == NULL) {
        stdOutOfMemory();
    }
    return stream;
}

/* Data too short for the magic (an empty file, a thin archive's member) is
 * refused without opening a stream over it. */
static Bool readElfHeader(const uInt8 *data, uInt64 size, Elf64_Ehdr *header)
{
    if (size < 4) {
        return False;
    }
    FILE *stream = openStream(data, size);
    *header = getELFHeaderFromOffset(stream, 0);
    fclose(stream);
    return elfHasMagic(header);
}

static void chooseArchiveMember(ExtractInput *input)
{
    MemberList members = ordinaryMembers(&input->file);
    if (members.count == 0) {
        msgReport(msgNoObjectsInArchive, inputFile);
    }
    if (members.count > 1) {
        msgReport(msgMultipleObjects, inputFile);
    }
    input->elf = members.members[0].data;
    input->elfSize = members.members[0].size;
    memspFree(members.members);

    Elf64_Ehdr header;
    if (!readElfHeader(input->elf, input->elfSize, &header)) {
        msgReport(msgNotELFLUMProgram, inputFile);
    }
    input->kind = "program";
}

static void choosePlainElf(ExtractInput *input)
{
    Elf64_Ehdr header;
    Bool elf = readElfHeader(input->file.data, input->file.size, &header);
    if (!elf || (header.e_type != ET_EXEC && header.e_type != ET_DYN)) {
        msgReport(msgUnknownFile, inputFile);
    }
    input->elf = input->file.data;
    input->elfSize = input->file.size;
    input->kind = "executable";
}

void extractOpenInput(ExtractInput *input)
{
    memset(input, 0, sizeof *input);
    input->file = read_file(inputFile, False);
    if (is_archive(input->file.data, input->file.size)) {
        chooseArchiveMember(input);
    } else {
        choosePlainElf(input);
    }
    input->stream = openStream(input->elf, input->elfSize);
}

void extractCloseInput(ExtractInput *input)
{
    fclose(input->stream);
    free_file_info(input->file);
    memset(input, 0, sizeof *input);
}
