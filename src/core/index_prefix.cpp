/*
 * Prefix visits over the packed sorted list: a binary search for the first entry whose leading key bytes are not
 * below the prefix, then a walk forward while they equal it.
 */
#include "core/index_prefix.h"

#include <cstring>

#include "core/bulk_insert.h"
#include "core/core_state.h"
#include "core/index_kind.h"

namespace dbs::core {

bool VisitKeyPrefix(uint32_t hIndex, uint8_t b, const void* prefix, uint32_t len, TupleVisitor visit, void* ctx) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr || b > 1 || GroupOf(*idx) != IndexGroup::Sorted || visit == nullptr) return false;
    const char* buffer = IndexBuffer(*idx, b);
    uint32_t entryLen = idx->wIdxEntryLen;
    if (buffer == nullptr || len > entryLen - 4u || (len > 0 && prefix == nullptr)) return false;
    SettleIndex(DBS_HANDLE_NO(hIndex));
    uint64_t capacity = AllocatedBufferBytes(DBS_HANDLE_NO(hIndex)) / entryLen;
    uint32_t count = idx->adwIdxEntryNum[b];
    if (count > capacity) count = static_cast<uint32_t>(capacity);

    auto keyAt = [&](uint32_t i) { return buffer + static_cast<uint64_t>(i) * entryLen + 4; };
    uint32_t lo = 0, hi = len == 0 ? 0 : count;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (std::memcmp(keyAt(mid), prefix, len) < 0) lo = mid + 1;  // len 0 never enters: hi = lo
        else hi = mid;
    }
    for (uint32_t i = lo; i < count && (len == 0 || std::memcmp(keyAt(i), prefix, len) == 0); ++i) {
        uint32_t tupleNo;
        std::memcpy(&tupleNo, keyAt(i) - 4, 4);
        if (!visit(ctx, tupleNo)) break;
    }
    return true;
}

}  // namespace dbs::core
