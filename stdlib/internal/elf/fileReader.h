/*
 * Reading a whole file into memory. The image belongs to the caller, who
 * releases it with free_file_info.
 *
 * A non-empty regular file read without a terminator is mapped read-only
 * (a private mapping): every reader sees the image in memory as before, but
 * only the pages it touches are ever read from the file, and nothing is
 * copied. Everything else (a terminator asked for, an empty file, a device
 * that can be sized, a file that cannot be mapped, a 65th file mapped at
 * once, a platform where a lost page cannot be caught) is read into a buffer
 * allocated through the shared allocation interface (current memory space).
 *
 * While a mapping is held, a page it has lost (the file shrank, or the disk
 * failed to deliver it) is no crash: the access is caught and reported, at
 * the access, as the fatal "Could not read file '%s'" naming the path that
 * was read.
 */
#ifndef fileReader_INCLUDED
#define fileReader_INCLUDED

#include "stdTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A file image: the bytes and how many there are. */
typedef struct {
    uInt8  *data;
    uInt64  size;   /* includes the terminator when one was asked for */
} FileInfo;

/* Reads path whole. With addTerminator a zero byte follows the contents and
 * is counted in size. A file that cannot be opened is the fatal
 * "Could not open input file '%s'"; one that cannot be sized or read whole
 * (a directory, a FIFO, a short read) is the fatal "Could not read file '%s'". */
FileInfo read_file(cString path, Bool addTerminator);

/* Releases the image (a null buffer is fine); the size is not used. A
 * mapping is unmapped and its file closed. */
void free_file_info(FileInfo info);

/* True when the image is a mapping of the file that path names now (links
 * followed): truncating that file would take the image's pages away. False
 * for an image read into memory, and when path names no file. */
Bool file_info_maps(FileInfo info, cString path);

/* Copies size bytes at offset of the image into buffer. A mapped image is
 * read from its file, so its pages are neither touched nor mapped in (a
 * large range costs no memory), and bytes the file no longer holds make
 * this False instead of a fault. False, with nothing copied, for a range
 * outside the image. */
Bool file_info_read(FileInfo info, uInt64 offset, void *buffer, uInt64 size);

/* False when the file behind a mapped image no longer holds every byte that
 * was mapped: a file that shrank reads as zeros up to the end of its last
 * page, so a run must not trust what it read once this is false. Always true
 * for an image read into memory. */
Bool file_info_intact(FileInfo info);

#ifdef __cplusplus
}
#endif

#endif
