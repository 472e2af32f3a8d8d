/*
 * Fuzzes the app-list reader (both families) and checks what it hands out.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "fatBinary.h"

static void check(FILE *stream, Bool signatureMode)
{
    uInt64 count = 0;
    FatApp *apps = getFatList(stream, signatureMode, &count);
    if ((apps == nullptr) != (count == 0)) {
        __builtin_trap();
    }
    for (uInt64 i = 0; i < count; i++) {
        const FatApp &app = apps[i];
        (void)strlen(app.name);
        /* Every listed entry must be there to read. */
        if (app.executables != nullptr) {
            volatile uInt64 sum = 0;
            for (uInt64 t = 0; t < app.numTargets; t++) {
                sum = sum + app.executables[t].offset + app.executables[t].size;
            }
        }
        if ((app.procAttrs == nullptr && app.numProcAttrs != 0) || (signatureMode && app.procAttrs != nullptr)) {
            __builtin_trap();
        }
        for (uInt64 t = 0; t < app.numProcAttrs; t++) {
            volatile uInt64 sum = app.procAttrs[t].offset + app.procAttrs[t].size;
            (void)sum;
        }
    }
    freeAppList(apps, count);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::vector<uint8_t> bytes(data, data + size);
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "r");
    if (stream == nullptr) {
        return 0;
    }
    check(stream, False);
    check(stream, True);
    fclose(stream);
    return 0;
}
