// Refusal helpers shared by the core's exported calls.
//
// A pointer argument that a call would dereference is checked first; a null one is refused with one trace line
// naming the call and the argument, and the call returns its failure result without touching any state.
#pragma once

#include "runtime/trace_log.h"

#define DBS_REFUSE_NULL(ptr, result)                                                                   \
    do {                                                                                               \
        if ((ptr) == nullptr) {                                                                        \
            DbsTraceLog("[File:%s Line:%d] %s param %s is NULL!", DBS_HERE, __func__, #ptr);           \
            return result;                                                                             \
        }                                                                                              \
    } while (0)

#define DBS_TRACE_BAD_TABLE(h) DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, (h))
