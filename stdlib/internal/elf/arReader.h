/*
 * Unix ar archives, walked in place in a memory image.
 *
 * Layout: an 8-byte magic ("!<arch>\n", or "!<thin>\n" for a thin archive
 * whose ordinary members are stored outside it), then members, each a 60-byte
 * header (16-byte name, 12 mtime, 6 uid, 6 gid, 8 mode, 10-byte decimal data
 * size, 2-byte end marker) followed by its data and, after odd-sized data,
 * one padding byte. Nothing is copied out: a member is a pointer into the
 * image and a size.
 *
 * The walk never reads outside the image: a member whose header or data (as
 * its size field gives it) does not fit in the image, or whose size field is
 * negative, ends the walk as if the archive ended there.
 */
#ifndef arReader_INCLUDED
#define arReader_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define AR_MAGIC_SIZE   8
#define AR_HEADER_SIZE  60
#define AR_NAME_SIZE    16
#define AR_SIZE_OFFSET  48
#define AR_SIZE_SIZE    10

/* Member kinds, from the name field. */
typedef enum {
    arMemberOrdinary    = 0,  /* also "/123": a name in the long-name table */
    arMemberSymbolTable = 1,  /* "/" (any "/x" with x not a digit or "/") */
    arMemberLongNames   = 2   /* "//" */
} arMemberKind;

/* A member's data: a pointer into the image and its size; (null, 0) when none. */
typedef struct {
    const uInt8 *data;
    uInt64       size;
} ArchiveMember;

/* True when the image (of imageSize bytes) starts with either ar magic. */
Bool is_archive(const uInt8 *image, uInt64 imageSize);

/* True when the image starts with the thin-archive magic. */
Bool is_thin_archive(const uInt8 *image, uInt64 imageSize);

/* The member after the one at previousData (null for the first member;
 * previousSize is then ignored), or (null, 0) at the end. Pass back exactly
 * what the previous call returned. headerOut (may be null) receives the
 * member's header; kindOut (may be null) its kind, arMemberOrdinary when the
 * walk has ended. Special members are returned too; ordinary members of a
 * thin archive have size 0. */
ArchiveMember get_next_archive_member(const uInt8 *image, uInt64 imageSize,
                                      const uInt8 *previousData, uInt64 previousSize,
                                      const uInt8 **headerOut, Int *kindOut);

/* "archiveName:memberName", newly allocated (release with memspFree).
 * nameField is a member header from the walk; longNameTableHeader the header
 * of the archive's "//" member from the same walk, or null when it has none.
 * A "/N" name is read from the long-name table at offset N; without a table
 * that is the fatal "longnames header not found". A name runs up to its first
 * "/" (a table entry also ends at its line end) and never past its field or
 * table; without a "/" in its field, trailing blanks are dropped. An offset
 * outside the table gives the name field as written ("/400"). */
String get_archive_member_name(cString archiveName, const uInt8 *nameField,
                               const uInt8 *longNameTableHeader);

#ifdef __cplusplus
}
#endif

#endif
