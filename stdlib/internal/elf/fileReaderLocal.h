/*
 * Between the whole-file reader and its mappings (fileMapping.cpp).
 */
#ifndef fileReaderLocal_INCLUDED
#define fileReaderLocal_INCLUDED

#include "fileReader.h"

/* Maps size (> 0) bytes of the regular file open on fd read-only and keeps
 * fd, which is closed with the mapping. Null when this file is not mapped
 * (no free slot, the platform cannot recover a lost page, mmap refused);
 * fd then still belongs to the caller. path names the file in the message
 * of a lost page. */
uInt8 *fileMapOpen(int fd, uInt64 size, cString path);

/* When data starts a mapping made by fileMapOpen: unmaps it, closes its
 * file and returns True. False (nothing done) for any other block. */
Bool fileMapRelease(const uInt8 *data);

/* Reads exactly size bytes at position of the file open on fd (an
 * interrupted read goes on); False when fewer are there or reading fails. */
Bool fileReadAt(int fd, uInt64 position, uInt8 *buffer, uInt64 size);

#endif
