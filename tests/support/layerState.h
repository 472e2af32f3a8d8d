/* Saving and clearing the support layer's part of the calling thread's
 * context (message settings and flags, recovery point, memory space): every
 * field before the thread library's own, which tests must never overwrite. */
#ifndef layerState_INCLUDED
#define layerState_INCLUDED

#include <stddef.h>
#include <string.h>

#include "stdThreads.h"

namespace testsupport {

constexpr size_t layerStateSize = offsetof(stdThreadRec, startFunction);

struct LayerState {
    unsigned char bytes[layerStateSize];
};

inline LayerState saveLayerState()
{
    LayerState state;
    memcpy(state.bytes, (void *)stdGetThreadContext(), layerStateSize);
    return state;
}

inline void restoreLayerState(const LayerState &state)
{
    memcpy((void *)stdGetThreadContext(), state.bytes, layerStateSize);
}

/* As in a fresh context. */
inline void clearLayerState()
{
    memset((void *)stdGetThreadContext(), 0, layerStateSize);
}

}  // namespace testsupport

#endif
