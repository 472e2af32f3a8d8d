/*
 * Fuzzes the app-list reader (both families) and checks what it hands out.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "fatBinary.h"

static void check(FILE *stream, uInt64 streamSize, Bool signatureMode)
{
    uInt64 count = 0;
    FatApp *apps = getFatList(stream, signatureMode, &count);
    if ((apps == nullptr) != (count == 0)) {
        __builtin_trap();
    }
    /* Names and container entries together never describe more than the
     * stream holds, however the sections overlap. */
    uInt64 described = 0;
    for (uInt64 i = 0; i < count; i++) {
        const FatApp &app = apps[i];
        described += strlen(app.name) + 1;
        if (app.executables != nullptr && app.numTargets > 1) {
            described += app.numTargets * 32;
        }
        described += app.numProcAttrs > 1 ? app.numProcAttrs * 32 : 0;
        if (described > streamSize) {
            __builtin_trap();
        }
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
    check(stream, size, False);
    check(stream, size, True);
    fclose(stream);
    return 0;
}
