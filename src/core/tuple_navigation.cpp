/*
 * The cursor of a buffer: positioning by tuple number and stepping to the first, next and previous record in
 * use. Stepping scans the status bytes linearly and leaves the cursor alone when it finds nothing; positioning
 * moves the cursor even when it refuses (to 1 for tuple number 0, to the capacity for a number beyond it).
 * Only the plain positioning call writes trace lines for its refusals; its EX twin refuses silently.
 */
#include <algorithm>

#include "core/core_trace.h"
#include "core/tuple_ops.h"

namespace dbs::core {
namespace {

// The first tuple number in use in [from, to] going up, or 0.
uint32_t ScanUp(const TupleBuffer& buf, uint64_t from, uint64_t to) {
    for (uint64_t n = from; n <= to; ++n) {
        if (buf.IsUsed(static_cast<uint32_t>(n))) return static_cast<uint32_t>(n);
    }
    return 0;
}

}  // namespace

uint8_t SetTupleNo(Role role, uint32_t hTable, uint32_t tupleNo) {
    return WithTupleBuffer(role, hTable, [&](TupleBuffer& buf) -> uint8_t {
        const bool traced = role == Role::Main;
        if (!buf.Exists()) {
            if (traced) DbsTraceLog("[File: %s, Line: %d] ptDBS->apchDBAddr[ptDBS->byDBMainAddrPtr] == NULL", DBS_HERE);
            return 0;
        }
        if (tupleNo == 0 || tupleNo > buf.Capacity()) {
            buf.SetCursor(tupleNo == 0 ? 1 : buf.Capacity());
            if (traced) DbsTraceLog("[File:%s Line%d] dwTupleNo = %d Invalid", DBS_HERE, static_cast<int>(tupleNo));
            return 0;
        }
        buf.SetCursor(tupleNo);
        if (!buf.IsUsed(tupleNo)) {
            if (traced) {
                DbsTraceLog("[File:%s Line%d] dwTupleNo = %d, tuple already deleted!", DBS_HERE,
                            static_cast<int>(tupleNo));
            }
            return 0;
        }
        return 1;
    });
}

uint32_t GetTupleNo(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [](TupleBuffer& buf) -> uint32_t { return buf.Cursor(); });
}

uint8_t SkipToFirst(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [](TupleBuffer& buf) -> uint8_t {
        if (!buf.Exists()) return 0;
        const uint32_t found = ScanUp(buf, 1, buf.Capacity());
        if (found == 0) return 0;
        buf.SetCursor(found);
        return 1;
    });
}

uint8_t SkipToNext(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [](TupleBuffer& buf) -> uint8_t {
        if (!buf.Exists()) return 0;
        const uint32_t found = ScanUp(buf, uint64_t{buf.Cursor()} + 1, buf.Capacity());
        if (found == 0) return 0;
        buf.SetCursor(found);
        return 1;
    });
}

uint8_t SkipToPrev(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [](TupleBuffer& buf) -> uint8_t {
        if (!buf.Exists() || buf.Cursor() <= 1) return 0;
        for (uint32_t n = std::min(buf.Cursor() - 1, buf.Capacity()); n >= 1; --n) {
            if (buf.IsUsed(n)) {
                buf.SetCursor(n);
                return 1;
            }
        }
        return 0;
    });
}

}  // namespace dbs::core
