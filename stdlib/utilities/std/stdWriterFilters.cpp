/*
 * Filtering writers stacked on another writer: tab expansion and
 * obfuscation. Neither owns its inner writer.
 */
#include "stdWriter.h"
#include "stdMemSpace.h"
#include "stdMessages.h"

#include <string.h>

namespace {

struct TabConvState {
    uInt64    column;
    Int32     tabWidth;
    stdWriter inner;
};

struct ObfuscatedState {
    uInt32         seed;
    stdWriter      inner;
    stdObfuscation obfuscation;
};

/* Every produced byte goes to the inner writer on its own. */
Int64 tconvWrite(Pointer data, cString bytes, uInt64 length)
{
    TabConvState *state = (TabConvState *)data;
    const uInt64  width = (uInt64)state->tabWidth;
    Int64 produced = 0;

    for (uInt64 i = 0; i < length; i++) {
        char c = bytes[i];
        if (c == '\t') {
            uInt64 next = width * ((state->column + width) / width);
            for (; state->column < next; state->column++, produced++) wtrWrite(state->inner, " ", 1);
        } else {
            wtrWrite(state->inner, &c, 1);
            produced++;
            state->column = c == '\n' ? 0 : state->column + 1;
        }
    }
    return produced;
}

void tconvRewind(Pointer data)
{
    TabConvState *state = (TabConvState *)data;
    state->column = 0;
    wtrReset(state->inner);
}

void tconvDelete(Pointer data)
{
    memspFree(data);
}

Int64 obfWrite(Pointer data, cString bytes, uInt64 length)
{
    ObfuscatedState *state = (ObfuscatedState *)data;
    char *scrambled = (char *)stdMALLOC(length > 0 ? length : 1);
    memcpy(scrambled, bytes, length);
    stdObfuscateBuffer(state->obfuscation, scrambled, length);
    Int64 result = wtrWrite(state->inner, scrambled, length);
    memspFree(scrambled);
    return result;
}

void obfRewind(Pointer data)
{
    ObfuscatedState *state = (ObfuscatedState *)data;
    stdDeleteObfuscation(state->obfuscation);
    state->obfuscation = stdCreateObfuscation(state->seed);
    wtrReset(state->inner);
}

void obfDelete(Pointer data)
{
    ObfuscatedState *state = (ObfuscatedState *)data;
    stdDeleteObfuscation(state->obfuscation);
    memspFree(state);
}

} // namespace

extern "C" {

stdWriter wtrCreateTabConvWriter(stdWriter inner, Int32 tabWidth)
{
    stdASSERT(tabWidth >= 1, ("tab width %d of a tab-conversion writer is not positive", tabWidth));
    TabConvState *state = (TabConvState *)stdMALLOC(sizeof(TabConvState));
    state->column = 0;
    state->tabWidth = tabWidth;
    state->inner = inner;
    return wtrCreate(tconvWrite, tconvRewind, tconvDelete, state);
}

stdWriter wtrCreateObfuscatedWriter(stdWriter inner, uInt32 seed)
{
    ObfuscatedState *state = (ObfuscatedState *)stdMALLOC(sizeof(ObfuscatedState));
    state->seed = seed;
    state->inner = inner;
    state->obfuscation = stdCreateObfuscation(seed);
    return wtrCreate(obfWrite, obfRewind, obfDelete, state);
}

} // extern "C"
