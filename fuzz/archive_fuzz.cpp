/*
 * Fuzzes the ar walk and member naming over arbitrary archive images.
 */
#include <stdint.h>
#include <string.h>
#include <vector>
#include "arReader.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    /* A private copy of exactly size bytes, so any overread is caught. */
    std::vector<uInt8> image(data, data + size);
    const uInt8 *base = image.empty() ? nullptr : image.data();
    (void)is_thin_archive(base, size);
    if (!is_archive(base, size)) {
        return 0;
    }
    const uInt8 *previous = nullptr;
    uInt64 previousSize = 0;
    const uInt8 *longNames = nullptr;
    for (int guard = 0; guard < 100000; guard++) {
        const uInt8 *header = nullptr;
        Int kind = 0;
        ArchiveMember m = get_next_archive_member(base, size, previous, previousSize, &header, &kind);
        if (m.data == nullptr) {
            break;
        }
        if (m.data < base || m.data + m.size > base + size) {
            __builtin_trap();   /* the walk handed out bytes outside the image */
        }
        if (kind == arMemberLongNames) {
            longNames = header;
        }
        /* A "/N" name without a long-name table is a fatal message by design. */
        bool needsTable = header[0] == '/' && header[1] >= '0' && header[1] <= '9';
        if (!needsTable || longNames != nullptr) {
            String name = get_archive_member_name("fuzz.a", header, longNames);
            memspFree(name);
        }
        previous = m.data;
        previousSize = m.size;
    }
    return 0;
}
