/*
 * ar archive walk and member names.
 */
#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include "arReader.h"
#include "elfRange.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

static const char arMagic[]  = "!<arch>\n";
static const char thinMagic[] = "!<thin>\n";

Bool is_archive(const uInt8 *image, uInt64 imageSize)
{
    if (image == NULL || imageSize < AR_MAGIC_SIZE) {
        return False;
    }
    return memcmp(image, arMagic, AR_MAGIC_SIZE) == 0 || memcmp(image, thinMagic, AR_MAGIC_SIZE) == 0;
}

Bool is_thin_archive(const uInt8 *image, uInt64 imageSize)
{
    return image != NULL && imageSize >= AR_MAGIC_SIZE && memcmp(image, thinMagic, AR_MAGIC_SIZE) == 0;
}

/* The size field as strtol reads it: blanks, an optional sign, digits. */
static Int64 memberSize(const uInt8 *header)
{
    char field[AR_SIZE_SIZE + 1];
    memcpy(field, header + AR_SIZE_OFFSET, AR_SIZE_SIZE);
    field[AR_SIZE_SIZE] = 0;
    return strtoll(field, NULL, 10);
}

static Bool isSpecialName(const uInt8 *name)
{
    return name[0] == '/' && !isdigit(name[1]);
}

ArchiveMember get_next_archive_member(const uInt8 *image, uInt64 imageSize,
                                      const uInt8 *previousData, uInt64 previousSize,
                                      const uInt8 **headerOut, Int *kindOut)
{
    ArchiveMember none = { NULL, 0 };
    if (kindOut != NULL) {
        *kindOut = arMemberOrdinary;
    }
    if (image == NULL || imageSize < AR_MAGIC_SIZE) {
        return none;
    }

    /* Where the next header starts, as an offset into the image. */
    uInt64 position = AR_MAGIC_SIZE;
    if (previousData != NULL) {
        Address base = (Address)image, prev = (Address)previousData;
        if (prev < base || !elfRangeInside(prev - base, previousSize, imageSize)) {
            return none;   /* not a member of this image */
        }
        position = elfAddSaturated(prev - base + previousSize, previousSize & 1);
    }
    if (!elfRangeInside(position, AR_HEADER_SIZE, imageSize)) {
        return none;       /* the end, or a header cut short */
    }

    const uInt8 *header = image + position;
    Int64 size = memberSize(header);
    Int kind = arMemberOrdinary;
    if (isSpecialName(header)) {
        kind = header[1] == '/' ? arMemberLongNames : arMemberSymbolTable;
    } else if (is_thin_archive(image, imageSize)) {
        size = 0;          /* the contents live in a file of their own */
    }
    if (size < 0 || !elfRangeInside(position + AR_HEADER_SIZE, (uInt64)size, imageSize)) {
        return none;
    }
    if (headerOut != NULL) {
        *headerOut = header;
    }
    if (kindOut != NULL) {
        *kindOut = kind;
    }
    ArchiveMember member = { header + AR_HEADER_SIZE, (uInt64)size };
    return member;
}

/* Length of the name in text[0 .. limit): up to the first "/", else up to
 * limit without trailing blanks. */
static size_t nameLength(const uInt8 *text, size_t limit)
{
    const void *slash = memchr(text, '/', limit);
    if (slash != NULL) {
        return (size_t)((const uInt8 *)slash - text);
    }
    while (limit > 0 && text[limit - 1] == ' ') {
        limit--;
    }
    return limit;
}

/* Length of a field written with blank padding, trailing blanks dropped. */
static size_t fieldLength(const uInt8 *text, size_t width)
{
    while (width > 0 && (text[width - 1] == ' ' || text[width - 1] == 0)) {
        width--;
    }
    return width;
}

static String joinName(cString archiveName, const uInt8 *name, size_t length)
{
    size_t prefix = strlen(archiveName);
    String result = (String)stdMALLOC(prefix + 1 + length + 1);
    memcpy(result, archiveName, prefix);
    result[prefix] = ':';
    memcpy(result + prefix + 1, name, length);
    result[prefix + 1 + length] = 0;
    return result;
}

String get_archive_member_name(cString archiveName, const uInt8 *nameField,
                               const uInt8 *longNameTableHeader)
{
    if (nameField[0] != '/' || !isdigit(nameField[1])) {
        return joinName(archiveName, nameField, nameLength(nameField, AR_NAME_SIZE));
    }
    if (longNameTableHeader == NULL) {
        msgReport(hostMsgError, "longnames header not found");
        return NULL;
    }
    /* The offset is the decimal number after "/", within the name field. */
    char digits[AR_NAME_SIZE];
    memcpy(digits, nameField + 1, AR_NAME_SIZE - 1);
    digits[AR_NAME_SIZE - 1] = 0;
    uInt64 offset = strtoull(digits, NULL, 10);

    Int64 tableSize = memberSize(longNameTableHeader);
    const uInt8 *table = longNameTableHeader + AR_HEADER_SIZE;
    if (tableSize < 0 || offset >= (uInt64)tableSize) {
        return joinName(archiveName, nameField, fieldLength(nameField, AR_NAME_SIZE));
    }
    /* Entries end with "/\n"; one without its "/" still ends at the line end. */
    const uInt8 *name = table + offset;
    size_t limit = (size_t)((uInt64)tableSize - offset);
    const void *lineEnd = memchr(name, '\n', limit);
    if (lineEnd != NULL) {
        limit = (size_t)((const uInt8 *)lineEnd - name);
    }
    return joinName(archiveName, name, nameLength(name, limit));
}
