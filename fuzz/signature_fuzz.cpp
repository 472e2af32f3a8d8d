/*
 * Fuzzes the signature writer on a real read-write file holding the input,
 * and checks that it writes only inside the file and only when it says so.
 * The input is used whole (so that real programs seed it); its last bytes
 * also choose the targets and signature lengths.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "fatBinary.h"

static std::vector<uint8_t> contents(FILE *stream, size_t expected)
{
    std::vector<uint8_t> bytes(expected + 1);
    fseek(stream, 0, SEEK_SET);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), stream));
    return bytes;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4) {
        return 0;
    }
    FILE *stream = tmpfile();
    if (stream == nullptr) {
        return 0;
    }
    if (fwrite(data, 1, size, stream) != size || fflush(stream) != 0) {
        fclose(stream);
        return 0;
    }
    static const char *const apps[] = { "alpha", "beta", "gamma", "far", "x", "" };
    for (int call = 0; call < 3; call++) {
        uint8_t control = data[size - 1 - call];
        LUM_ID target = (LUM_ID)(control >= 0xf8 ? 0xffff : control % 8);
        uInt64 length = data[(size_t)control % size];
        const char *app = apps[(control >> 3) % 6];
        std::vector<uint8_t> before = contents(stream, size);
        std::vector<uint8_t> signature(length, 0x5a);
        Int result = updateSignatureData(stream, app, target, signature.data(), length);
        std::vector<uint8_t> after = contents(stream, size);
        /* The file never grows, and changes only when the result says written. */
        if (after.size() != size || (result != fatSigWritten && after != before)) {
            __builtin_trap();
        }
        if (result < fatSigWritten || result > fatSigNoSlot) {
            __builtin_trap();
        }
    }
    fclose(stream);
    return 0;
}
