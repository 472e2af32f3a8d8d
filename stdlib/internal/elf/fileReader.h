/*
 * Reading a whole file into memory. The image is allocated through the
 * shared allocation interface (current memory space) and belongs to the
 * caller, who releases it with free_file_info.
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

/* Releases the image's buffer (a null buffer is fine); the size is not used. */
void free_file_info(FileInfo info);

#ifdef __cplusplus
}
#endif

#endif
