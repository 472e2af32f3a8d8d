/*
 * The target ID: the number that fat-binary containers and attribute
 * sections store for a LUM target. The containers only carry it; names,
 * compatibility and every other fact about targets are the registry's
 * (lumTargets.h, one layer up).
 */
#ifndef lumTargetId_INCLUDED
#define lumTargetId_INCLUDED

#include <stdint.h>

namespace LUM {

/* A target ID as stored in fat-binary containers and attribute sections. */
enum LUM_ID : int32_t {
    LUM_ID_GENERIC = 0,  /* "tk-lum-generic": code for it runs everywhere */
    LUM_ID_TV7     = 1,
    LUM_ID_GW3     = 2,
    LUM_ID_TV8     = 3,
    LUM_ID_TV9     = 4,
    LUM_ID_TV10    = 5,
    LUM_ID_GW4     = 6,
    LUM_ID_INVALID = 0xFFFF  /* not found, or not named ("generic-rv64") */
};

} // namespace LUM

/* The driver and the container reader use target IDs unqualified. */
using LUM::LUM_ID;
using LUM::LUM_ID_INVALID;

#endif
