/*
 * Reading the app list of a LUM Program.
 */
#include <stdlib.h>
#include <string.h>
#include <new>
#include <string_view>
#include <unordered_map>
#include "elfRange.h"
#include "elfUtilsLocal.h"
#include "fatBinary.h"
#include "stdMemSpace.h"

namespace {

struct FatbinHeader {
    char   magic[FATBIN_MAGIC_SIZE];
    uInt32 version;
    uInt32 count;
    uInt64 unused;
};

struct FatbinEntry {
    uInt32 targetId;
    uInt32 unused;
    uInt64 offset;
    uInt64 size;
    uInt64 unused2;
};

static_assert(sizeof(FatbinHeader) == FATBIN_HEADER_SIZE, "container header layout");
static_assert(sizeof(FatbinEntry) == FATBIN_ENTRY_SIZE, "container entry layout");

/* What a reader needs of the host ELF: its sections and their names. */
struct HostSections {
    FILE       *stream;
    uInt64      total;      /* stream size */
    Elf64_Shdr *table;      /* malloc'ed */
    uInt64      count;
    char       *names;      /* section-name table, shared allocation */
    uInt64      namesSize;
};

void *checkedMalloc(size_t size)
{
    void *block = malloc(size ? size : 1);
    if (block == NULL) {
        stdOutOfMemory();
    }
    return block;
}

/* Reads and checks the container at position: 0 and both parts handed out,
 * or 1 with nothing allocated. Header and entry table must lie before end
 * (the end of the container's section, or of the stream when that comes
 * first), so a hostile count never sizes an allocation. */
Int readFatbinHdrLocal(FILE *stream, uInt64 end, uInt64 position,
                       FatbinHeader *header, FatbinEntry **entries)
{
    *entries = NULL;
    if (!elfReadAt(stream, end, position, header, sizeof *header)) {
        return 1;
    }
    if (memcmp(header->magic, FATBIN_MAGIC, FATBIN_MAGIC_SIZE) != 0 || header->version != FATBIN_VERSION) {
        return 1;
    }
    uInt64 tableStart = position + sizeof *header;
    if (header->count > (end - tableStart) / sizeof(FatbinEntry)) {
        return 1;
    }
    size_t bytes = (size_t)header->count * sizeof(FatbinEntry);
    FatbinEntry *table = (FatbinEntry *)checkedMalloc(bytes);
    if (!elfReadAt(stream, end, tableStart, table, bytes)) {
        free(table);
        return 1;
    }
    *entries = table;
    return 0;
}

Bool openHost(FILE *stream, HostSections *host)
{
    memset(host, 0, sizeof *host);
    host->stream = stream;
    Elf64_Ehdr h = getELFHeaderFromOffset(stream, 0);
    if (!elfHasMagic(&h)) {
        return False;
    }
    host->total = elfTotal(stream);
    host->table = getSectionHeaderTable(stream, &host->count);
    uInt64 index = elfNameTableIndex(&h, host->table, host->count);
    if (index < host->count) {
        host->names = elfReadStringTable(stream, host->total, 0, &host->table[index], &host->namesSize);
    }
    return True;
}

void closeHost(HostSections *host)
{
    free(host->table);
    memspFree(host->names);
}

/* Where a container in section sh must end: its section's end, or the stream's. */
uInt64 containerEnd(const HostSections *host, const Elf64_Shdr *sh)
{
    uInt64 end = elfAddSaturated(sh->sh_offset, sh->sh_size);
    return end < host->total ? end : host->total;
}

cString sectionName(const HostSections *host, uInt64 index)
{
    return elfStringAt(host->names, host->namesSize, host->table[index].sh_name);
}

/*
 * Section headers may share one name (or ever shorter tails of one long
 * name), and many sections may cover one large container. Without a bound,
 * measuring and copying the same bytes once per section would cost time and
 * memory quadratic in the file. So one walk hands out no more than the
 * stream holds: each app name costs its bytes, each container entry its 32
 * bytes. Real files, whose sections do not overlap, never come near that;
 * a walk ends at the first app that would pass it.
 */
class ListBudget {
public:
    explicit ListBudget(const HostSections *host) : left_(host->total) {}
    /* The length of name, when it fits in what is left (then charged). */
    bool takeName(cString name, size_t *length)
    {
        *length = strnlen(name, (size_t)left_);
        if (*length >= left_) {
            return false;
        }
        left_ -= *length + 1;
        return true;
    }
    /* Charges count container entries, when they fit. */
    bool takeEntries(uInt64 count)
    {
        uInt64 bytes = count * FATBIN_ENTRY_SIZE;   /* count < 2^32: cannot wrap */
        if (bytes > left_) {
            return false;
        }
        left_ -= bytes;
        return true;
    }
private:
    uInt64 left_;
};

char *copyName(cString text, size_t length)
{
    char *copy = (char *)checkedMalloc(length + 1);
    memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

/* The ".lum_proc_attr_" sections by app name, the first of each name; built
 * once so that many apps in many sections stay linear. The table's growth
 * failing is running out of memory like any other allocation. */
using ProcAttrSections = std::unordered_map<std::string_view, uInt64>;

ProcAttrSections findProcAttrSections(const HostSections *host)
{
    const size_t prefix = strlen(FATBIN_PROC_ATTR_PREFIX);
    ListBudget budget(host);
    ProcAttrSections sections;
    for (uInt64 i = 0; i < host->count; i++) {
        cString name = sectionName(host, i);
        if (name == NULL || strncmp(name, FATBIN_PROC_ATTR_PREFIX, prefix) != 0) {
            continue;
        }
        size_t length;
        if (!budget.takeName(name + prefix, &length)) {
            break;
        }
        try {
            sections.emplace(std::string_view(name + prefix, length), i);
        } catch (const std::bad_alloc &) {
            stdOutOfMemory();
        }
    }
    return sections;
}

/* The process attributes of app: the section named exactly
 * ".lum_proc_attr_" + name (a longer app name that merely begins the same
 * way is another app). False when the budget is spent. */
bool readProcAttrs(const HostSections *host, const ProcAttrSections &sections, ListBudget *budget, FatApp *app)
{
    auto found = sections.find(std::string_view(app->name));
    if (found == sections.end()) {
        return true;
    }
    const Elf64_Shdr *sh = &host->table[found->second];
    FatbinHeader header;
    FatbinEntry *entries;
    if (readFatbinHdrLocal(host->stream, containerEnd(host, sh), sh->sh_offset, &header, &entries) != 0) {
        return true;
    }
    if (!budget->takeEntries(header.count)) {
        free(entries);
        return false;
    }
    DevObj *attrs = (DevObj *)checkedMalloc((size_t)header.count * sizeof(DevObj));
    for (uInt64 e = 0; e < header.count; e++) {
        /* The entry points at a blob record: 8 unused bytes, the blob size, the blob. */
        uInt64 record = elfAddSaturated(sh->sh_offset, entries[e].offset);
        uInt64 blobSize;
        if (!elfReadAt(host->stream, host->total, elfAddSaturated(record, 8), &blobSize, sizeof blobSize)) {
            blobSize = UINT64_MAX;   /* unreadable record: a range no stream holds */
        }
        attrs[e].targetId = (LUM_ID)(Int32)entries[e].targetId;
        attrs[e].offset = elfAddSaturated(record, 16);
        attrs[e].size = blobSize;
    }
    free(entries);
    app->procAttrs = attrs;
    app->numProcAttrs = header.count;
    return true;
}

/* Fills app's executables (or signature slots) from section index. False
 * when the budget is spent. */
bool readTargets(const HostSections *host, uInt64 index, Bool signatureMode, ListBudget *budget, FatApp *app)
{
    const Elf64_Shdr *sh = &host->table[index];
    /* The first bytes of the section (up to 8; fewer when it is shorter). */
    uInt8 first[FATBIN_MAGIC_SIZE] = { 0 };
    uInt64 end = containerEnd(host, sh);
    uInt64 available = sh->sh_offset < end ? end - sh->sh_offset : 0;
    uInt64 firstSize = available < sizeof first ? available : sizeof first;
    elfReadAt(host->stream, end, sh->sh_offset, first, firstSize);   /* inside end: cannot fail short */

    if (firstSize == sizeof first && memcmp(first, FATBIN_MAGIC, FATBIN_MAGIC_SIZE) == 0) {
        FatbinHeader header;
        FatbinEntry *entries;
        if (readFatbinHdrLocal(host->stream, end, sh->sh_offset, &header, &entries) != 0) {
            app->numTargets = 1;     /* unreadable container: one target, no list */
            return true;
        }
        if (!budget->takeEntries(header.count)) {
            free(entries);
            return false;
        }
        app->executables = (DevObj *)checkedMalloc((size_t)header.count * sizeof(DevObj));
        for (uInt64 e = 0; e < header.count; e++) {
            app->executables[e].targetId = (LUM_ID)(Int32)entries[e].targetId;
            app->executables[e].offset = elfAddSaturated(sh->sh_offset, entries[e].offset);
            app->executables[e].size = entries[e].size;
        }
        app->numTargets = header.count;
        free(entries);
        return true;
    }
    uInt32 word;
    memcpy(&word, first, sizeof word);
    if (signatureMode || (firstSize >= sizeof word && word == ELF_MAGIC_WORD)) {
        /* A bare device ELF, or a bare signature slot: the whole section. */
        app->executables = (DevObj *)checkedMalloc(sizeof(DevObj));
        app->executables[0].targetId = LUM_ID_INVALID;
        app->executables[0].offset = sh->sh_offset;
        app->executables[0].size = sh->sh_size;
        app->numTargets = 1;
    }
    return true;
}

} // namespace

FatApp *getFatList(FILE *stream, Bool signatureMode, uInt64 *count)
{
    *count = 0;
    if (stream == NULL) {
        return NULL;
    }
    HostSections host;
    if (!openHost(stream, &host)) {
        return NULL;
    }
    cString prefix = signatureMode ? FATBIN_SIG_PREFIX : FATBIN_BIN_PREFIX;
    const size_t prefixLength = strlen(prefix);

    ProcAttrSections procAttrSections;
    if (!signatureMode) {
        procAttrSections = findProcAttrSections(&host);
    }
    ListBudget budget(&host);
    FatApp *apps = NULL;
    uInt64 used = 0, capacity = 0;
    for (uInt64 i = 0; i < host.count; i++) {
        cString name = sectionName(&host, i);
        if (name == NULL || strncmp(name, prefix, prefixLength) != 0) {
            continue;
        }
        size_t length;
        if (!budget.takeName(name + prefixLength, &length)) {
            break;
        }
        FatApp app;
        memset(&app, 0, sizeof app);
        app.name = copyName(name + prefixLength, length);
        bool within = readTargets(&host, i, signatureMode, &budget, &app)
                   && (signatureMode || readProcAttrs(&host, procAttrSections, &budget, &app));
        if (!within) {
            free(app.name);
            free(app.executables);
            free(app.procAttrs);
            break;
        }
        if (used == capacity) {
            capacity = capacity == 0 ? 1 : 2 * (used + 1);
            FatApp *grown = (FatApp *)realloc(apps, (size_t)capacity * sizeof(FatApp));
            if (grown == NULL) {
                stdOutOfMemory();
            }
            apps = grown;
        }
        apps[used++] = app;
    }
    closeHost(&host);
    *count = used;
    return apps;
}

FatApp *getAppList(FILE *stream, uInt64 *count)
{
    return getFatList(stream, False, count);
}

void freeAppList(FatApp *apps, uInt64 count)
{
    if (apps == NULL) {
        return;
    }
    for (uInt64 i = 0; i < count; i++) {
        free(apps[i].name);
        free(apps[i].executables);
        free(apps[i].procAttrs);
    }
    free(apps);
}
