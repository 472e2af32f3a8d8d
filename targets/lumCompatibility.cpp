// Which code runs on which device, and the choice among code variants.
#include <algorithm>

#include "lumRegistryLocal.h"

static bool inList(std::span<const LUM_ID> list, LUM_ID id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

extern "C" bool areCompatible(LUM_ID device, LUM_ID code)
{
    if (code == LUM::LUM_ID_GENERIC || code == device)
        return true;
    const LUM::LUM *entry = LUM::findEntry(device);
    return entry != nullptr && inList(entry->compatibility, code);
}

extern "C" LUM_ID getMostCompatible(LUM_ID device, const LUM_ID *available, size_t count)
{
    if (available == nullptr)
        count = 0;
    std::span<const LUM_ID> offered(available, count);
    if (inList(offered, device))
        return device;

    // Among several compatible variants the highest ID wins, not the first
    // one in the device's compatibility list.
    LUM_ID best = LUM::LUM_ID_GENERIC;
    const LUM::LUM *entry = LUM::findEntry(device);
    if (entry == nullptr)
        return best;
    for (LUM_ID id : offered)
        if (id != LUM::LUM_ID_GENERIC && inList(entry->compatibility, id))
            best = std::max(best, id);
    return best;
}
