/*
 * The registry of LUM targets: every device generation with its numeric
 * target ID, short name, full name and the list of targets whose code it
 * can run. The table is fixed, built before main and only read afterwards,
 * so every operation here is safe on any thread and none reports anything.
 */
#ifndef lumTargets_INCLUDED
#define lumTargets_INCLUDED

#include <stddef.h>
#include <stdint.h>

#include "lumTargetId.h"

namespace LUM {

/* The name of every 16-bit ID (getLUMNames); a plain record so that it can
 * be returned by value from a C-linkage function. */
constexpr size_t LUM_NAME_TABLE_SIZE = 65536;
struct LUMNameTable {
    const char *names[LUM_NAME_TABLE_SIZE];
};

} // namespace LUM

extern "C" {

/* Name and ID conversion */

/* The ID whose short name equals name exactly (case-sensitive);
 * LUM_ID_INVALID for an unknown name, a null name and "generic-rv64". */
LUM_ID nameToLumId(const char *name);
/* The short name; "generic-rv64" for an ID not in the registry. */
const char *LumIdToName(LUM_ID id);
/* The long name for listings; "unknown" for an ID not in the registry. */
const char *getFullNameFromID(LUM_ID id);
/* The part of the name after its last '-' ("tv10"); "rv64" when unknown. */
const char *getAbsoluteTargetName(LUM_ID id);

/* Enumerating the targets (the invalid entry is never counted or listed) */

int getNumSupportedCPUs(void);
/* malloc'ed array of the absolute names in ascending ID order, ended by a
 * null pointer; *count (stored first, may be null) gets the number of names.
 * Null when malloc fails. The caller frees the array, never the names. */
const char **getAllAbsoluteTargetNames(size_t *count);
/* 65536 slots indexed by ID: the short name of every registered ID
 * (including "generic-rv64" at 0xFFFF), "" elsewhere. Built on every call. */
LUM::LUMNameTable getLUMNames(void);

/* Compatibility */

/* True when code built for target code can run on a device of target device. */
bool areCompatible(LUM_ID device, LUM_ID code);
/* The variant of available[0..count-1] to run on device: device itself when
 * offered, else the highest compatible ID, else 0 (generic) -- which callers
 * must check is actually among the available IDs. */
LUM_ID getMostCompatible(LUM_ID device, const LUM_ID *available, size_t count);

/* The target of a RISC-V architecture string (whole-string, exact match);
 * LUM_ID_INVALID for any string outside the table, or null. */
LUM_ID marchToLumId(const char *march);

} // extern "C"

#endif
