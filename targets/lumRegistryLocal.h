/*
 * The registry's own view of its table, shared by the files of this folder
 * (and their tests) only: the entry record and the ordered map from ID to
 * entry.
 */
#ifndef lumRegistryLocal_INCLUDED
#define lumRegistryLocal_INCLUDED

#include <map>
#include <span>

#include "lumTargets.h"

namespace LUM {

/* One registered target. */
struct LUM {
    const char            *name;           /* short name, typed after --mcpu */
    const char            *fullName;       /* long name for listings */
    LUM_ID                 id;             /* equals the entry's key */
    std::span<const LUM_ID> compatibility; /* targets whose code it runs, itself first */
};

/* Iterates in ascending ID order, the order every listing and search uses. */
using LUMRegistry = std::map<LUM_ID, LUM>;

/* The registry, built on first use (and, through a static initialiser,
 * before main), never changed afterwards. */
const LUMRegistry &registry();

/* The entry of id, or null when the ID is not registered. */
const LUM *findEntry(LUM_ID id);

} // namespace LUM

#endif
