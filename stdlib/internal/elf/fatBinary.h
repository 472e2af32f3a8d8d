/*
 * The per-app sections of a host ELF ("LUM Program") and the fat-binary
 * container inside them.
 *
 * Section families, names compared byte for byte:
 *   ".lum_bin_" + app        the app's device executables: a container, or
 *                            one bare device ELF (one unnamed target)
 *   ".lum_proc_attr_" + app  the app's process-attribute blobs: a container
 *   ".lum_sig_" + app        the app's signature slots: a container, or one
 *                            bare slot covering the section
 *
 * Container (little-endian; entry offsets relative to the container start):
 *   0  "TKLUMFBF"   8  u32 version (1)   12  u32 entry count   16  8 unused
 *   24 entries of 32 bytes: u32 target ID, 4 unused, u64 offset, u64 size,
 *      8 unused
 * A process-attribute entry points at a blob record: 8 unused bytes, the u64
 * blob size, the blob. A signature slot holds a u64 length and that many
 * bytes of signature; its capacity is the slot's size.
 *
 * A container's header and entry table must lie inside its section (and the
 * stream); otherwise it is unreadable. Every position in an app list is an
 * absolute position in the stream the list was read from (the ELF starts at
 * position 0). Entries are recorded as
 * the container gives them, even when their data would run past the stream:
 * whoever copies an entry checks its range. A position that does not fit in
 * 64 bits is recorded as UINT64_MAX, and so is the blob size of a blob
 * record the stream does not hold. The readers report nothing; damaged
 * parts degrade the list as described below. A stream that does not start
 * with the ELF magic has no apps. Sections may share one name string or one
 * container, so the apps of one list together describe no more bytes than
 * the stream holds (each name its bytes, each container entry its 32
 * bytes): the walk ends at the first app that would pass that.
 */
#ifndef fatBinary_INCLUDED
#define fatBinary_INCLUDED

#include <stdio.h>
#include "stdTypes.h"
#include "lumTargetId.h"

#define FATBIN_MAGIC        "TKLUMFBF"
#define FATBIN_MAGIC_SIZE   8
#define FATBIN_VERSION      1
#define FATBIN_HEADER_SIZE  24
#define FATBIN_ENTRY_SIZE   32

#define FATBIN_BIN_PREFIX       ".lum_bin_"
#define FATBIN_PROC_ATTR_PREFIX ".lum_proc_attr_"
#define FATBIN_SIG_PREFIX       ".lum_sig_"

extern "C" {

/* One target's data within the stream. */
typedef struct {
    LUM_ID targetId;   /* 0xffff when the container does not name the target */
    uInt64 offset;     /* absolute stream position of the data */
    uInt64 size;       /* bytes of data */
} DevObj;

/* One app of a LUM Program. */
typedef struct {
    String  name;          /* the section name after its prefix; may be "" */
    uInt64  numTargets;    /* entries of executables (1 with a null list: unreadable container) */
    DevObj *executables;   /* null when the section holds neither a container nor an ELF */
    DevObj *procAttrs;     /* from ".lum_proc_attr_" + name; null when there is none or it is unreadable */
    uInt64  numProcAttrs;  /* entries of procAttrs */
} FatApp;

/* The apps of the ".lum_bin_" family in section order, with their
 * executables and process attributes; *count gets their number. (null, 0)
 * for a null stream, a stream that is not an ELF, or no apps. Built with the
 * C library allocator; release with freeAppList. */
FatApp *getAppList(FILE *stream, uInt64 *count);

/* With signatureMode False, getAppList. With True, the ".lum_sig_" family:
 * each app's slots in executables, no procAttrs. */
FatApp *getFatList(FILE *stream, Bool signatureMode, uInt64 *count);

/* Releases every app's name, executables and procAttrs, then the array. */
void freeAppList(FatApp *apps, uInt64 count);

/* Result codes of updateSignatureData. */
typedef enum {
    fatSigWritten      = 0,  /* written, or nothing to write (length 0) */
    fatSigSlotTooSmall = 1,  /* the slot, or the stream, cannot hold length + 8 bytes */
    fatSigBadArgument  = 2,  /* null stream or app name, or null data for a non-zero length */
    fatSigNotWritable  = 3,  /* the stream is not open for reading and writing (or only for
                                appending), or the write failed */
    fatSigNoApp        = 4,  /* no ".lum_sig_" section for the app */
    fatSigNoSlot       = 5   /* the app has no slot for the target */
} fatSigResult;

/* Writes length and then data into the signature slot of (appName,
 * targetId) of the ELF at position 0 of stream; returns a fatSigResult.
 * Slot choice: slot 0 when its ID is targetId; with a single slot, slot 0
 * also when either ID is 0xffff; with several, the first of slots 1.. whose
 * ID is targetId. */
Int updateSignatureData(FILE *stream, cString appName, LUM_ID targetId,
                        const uInt8 *data, uInt64 length);

} // extern "C"

#endif
