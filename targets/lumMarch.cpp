// Recognising a target from the RISC-V architecture string of an ELF file.
#include <cstring>

#include "lumTargets.h"

namespace {

struct MarchEntry {
    const char *march;
    LUM_ID      id;
};

// Each target is accepted with version 2.1 and with version 2.0 of the base
// and atomic extensions. Matching is exact: other spellings of the same
// extensions are not recognised.
constexpr MarchEntry marchTable[] = {
    {"rv64i2p1_m2p0_a2p1_c2p0_zihintpause2p0_zba1p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xblkop1p0_xcas1p0_"
     "xfenceheap1p0_xflush1p0_xtkcc1p0_xrpfxp1p0",
     LUM::LUM_ID_TV8},
    {"rv64i2p0_m2p0_a2p0_c2p0_zihintpause2p0_zba1p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xblkop1p0_xcas1p0_"
     "xfenceheap1p0_xflush1p0_xtkcc1p0_xrpfxp1p0",
     LUM::LUM_ID_TV8},
    {"rv64i2p1_m2p0_a2p1_c2p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xfenceheap1p0_xtkcc1p0_xrpfxp1p0",
     LUM::LUM_ID_GW3},
    {"rv64i2p0_m2p0_a2p0_c2p0_zbb1p0_zbp0p93_zbr0p93_zbs1p0_xfenceheap1p0_xtkcc1p0_xrpfxp1p0",
     LUM::LUM_ID_GW3},
    {"rv64i2p1_m2p0_a2p1_c2p0", LUM::LUM_ID_GENERIC},
    {"rv64i2p0_m2p0_a2p0_c2p0", LUM::LUM_ID_GENERIC},
};

} // namespace

extern "C" LUM_ID marchToLumId(const char *march)
{
    if (march == nullptr)
        return LUM_ID_INVALID;
    for (const MarchEntry &entry : marchTable)
        if (std::strcmp(entry.march, march) == 0)
            return entry.id;
    return LUM_ID_INVALID;
}
