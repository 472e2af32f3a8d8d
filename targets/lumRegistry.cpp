// The fixed table of LUM targets and the lookups by name and ID.
#include <cstdlib>
#include <cstring>
#include <new>

#include "lumRegistryLocal.h"
#include "stdMemSpace.h"

namespace LUM {

// Which targets' code each target can run, itself first. Generic code runs
// everywhere, but that rule lives in areCompatible, not in these lists.
static constexpr std::span<const LUM_ID> NullCompatibilityList{};
static constexpr LUM_ID TV7CompatibilityList[] = {LUM_ID_TV7, LUM_ID_GW3};
static constexpr LUM_ID GW3CompatibilityList[] = {LUM_ID_GW3, LUM_ID_TV7};
static constexpr LUM_ID TV8CompatibilityList[] = {LUM_ID_TV8, LUM_ID_GW3, LUM_ID_TV7};
static constexpr LUM_ID TV9CompatibilityList[] = {LUM_ID_TV9, LUM_ID_GW4, LUM_ID_GW3, LUM_ID_TV7,
                                                  LUM_ID_TV8};
static constexpr LUM_ID TV10CompatibilityList[] = {LUM_ID_TV10, LUM_ID_GW4, LUM_ID_GW3,
                                                   LUM_ID_TV7,  LUM_ID_TV8, LUM_ID_TV9};
static constexpr LUM_ID GW4CompatibilityList[] = {LUM_ID_GW4, LUM_ID_TV9, LUM_ID_GW3, LUM_ID_TV7,
                                                  LUM_ID_TV8};

static LUMRegistry buildRegistry()
{
    const LUM entries[] = {
        {"tk-lum-generic", "Generic", LUM_ID_GENERIC, NullCompatibilityList},
        {"tk-lum-tv7", "Tervane-7 LUM", LUM_ID_TV7, TV7CompatibilityList},
        {"tk-lum-gw3", "Greywater-3 LUM", LUM_ID_GW3, GW3CompatibilityList},
        {"tk-lum-tv8", "Tervane-8 LUM", LUM_ID_TV8, TV8CompatibilityList},
        {"tk-lum-tv9", "Tervane-9 LUM", LUM_ID_TV9, TV9CompatibilityList},
        {"tk-lum-tv10", "Tervane-10 LUM", LUM_ID_TV10, TV10CompatibilityList},
        {"tk-lum-gw4", "Greywater-4 LUM", LUM_ID_GW4, GW4CompatibilityList},
        // A real member, so that its name looks up to the invalid ID; every
        // operation that counts or lists targets skips it.
        {"generic-rv64", "Invalid", LUM_ID_INVALID, NullCompatibilityList},
    };
    // Built before main: a std::bad_alloc escaping it would end the process
    // with an uncaught exception instead of the allocation failure report.
    LUMRegistry result;
    try {
        for (const LUM &entry : entries)
            result.emplace(entry.id, entry);
    } catch (const std::bad_alloc &) {
        stdOutOfMemory();
    }
    return result;
}

const LUMRegistry &registry()
{
    static const LUMRegistry table = buildRegistry();
    return table;
}

// Builds the table before main, as the rest of start-up expects.
[[maybe_unused]] static const LUMRegistry &builtAtStartup = registry();

const LUM *findEntry(LUM_ID id)
{
    auto found = registry().find(id);
    return found == registry().end() ? nullptr : &found->second;
}

} // namespace LUM

using LUM::findEntry;
using LUM::registry;

extern "C" LUM_ID nameToLumId(const char *name)
{
    if (name == nullptr)
        return LUM_ID_INVALID;
    for (const auto &[id, entry] : registry())
        if (std::strcmp(entry.name, name) == 0)
            return id;
    return LUM_ID_INVALID;
}

extern "C" const char *LumIdToName(LUM_ID id)
{
    const LUM::LUM *entry = findEntry(id);
    return entry ? entry->name : "generic-rv64";
}

extern "C" const char *getFullNameFromID(LUM_ID id)
{
    const LUM::LUM *entry = findEntry(id);
    return entry ? entry->fullName : "unknown";
}

extern "C" const char *getAbsoluteTargetName(LUM_ID id)
{
    const LUM::LUM *entry = findEntry(id);
    if (entry == nullptr)
        return "rv64";
    const char *dash = std::strrchr(entry->name, '-');
    return dash ? dash + 1 : entry->name;
}

extern "C" int getNumSupportedCPUs(void)
{
    int count = 0;
    for (const auto &item : registry())
        if (item.first != LUM_ID_INVALID)
            count++;
    return count;
}

extern "C" const char **getAllAbsoluteTargetNames(size_t *count)
{
    size_t n = static_cast<size_t>(getNumSupportedCPUs());
    if (count != nullptr)
        *count = n;
    auto names = static_cast<const char **>(std::malloc((n + 1) * sizeof(const char *)));
    if (names == nullptr)
        return nullptr;
    size_t i = 0;
    for (const auto &item : registry())
        if (item.first != LUM_ID_INVALID)
            names[i++] = getAbsoluteTargetName(item.first);
    names[i] = nullptr;
    return names;
}

extern "C" LUM::LUMNameTable getLUMNames(void)
{
    LUM::LUMNameTable table;
    for (const char *&name : table.names)
        name = "";
    for (const auto &[id, entry] : registry())
        if (id >= 0 && static_cast<size_t>(id) < LUM::LUM_NAME_TABLE_SIZE)
            table.names[static_cast<size_t>(id)] = entry.name;
    return table;
}
