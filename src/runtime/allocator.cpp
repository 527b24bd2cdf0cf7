// DbsMalloc / DbsFree: the zero-filling allocator behind every block the store owns.
//
// A failed allocation writes one trace line and returns null; the caller decides what follows.
#include <cstdlib>

#include "runtime/fault_injection.h"
#include "runtime/trace_log.h"

extern "C" {

DBS_API void* DbsMalloc(size_t nSize) {
    void* block = dbs::fault::AllocShouldFail() ? nullptr : std::calloc(1, nSize == 0 ? 1 : nSize);
    if (block == nullptr) {
        DbsTraceLog("[File:%s Line:%d] No memory(%d bytes) for allocated", DBS_HERE, static_cast<int>(nSize));
    }
    return block;
}

DBS_API void DbsFree(void* pvBlock) { std::free(pvBlock); }

}  // extern "C"
