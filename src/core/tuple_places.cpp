/*
 * Tuple places: the walks scan the status bytes, but the lowest free slot answers the common case of a table
 * filled from its first slot without gaps in constant time (every slot below it is in use).
 */
#include "core/tuple_places.h"

#include <algorithm>
#include <cstring>

namespace dbs::core {

namespace {

template <typename Fn>
auto WithBuffer(Role role, uint32_t hTable, Fn fn) -> decltype(fn(std::declval<TupleBuffer&>())) {
    TagDBForm* form = TableForm(hTable);
    if (form == nullptr) return 0;
    TupleBuffer buf(*form, role);
    if (!buf.HasNumber() || !buf.Exists()) return 0;
    return fn(buf);
}

// Slots 1 .. n are all in use (the hint and the free-slot map count 0-based slots below them).
uint32_t DensePrefix(const TupleBuffer& buf) {
    const uint32_t cap = buf.Capacity();
    const uint32_t hint = std::min(FreeHint(buf.TableNo(), buf.No()), cap);
    const FreeSlotMap* map = TableFreeSlots(buf.TableNo());
    if (map == nullptr || map->Slots() != cap) return hint;
    const uint32_t lowest = map->LowestFree(buf.No(), hint);
    return lowest == FreeSlotMap::kNone ? cap : lowest;
}

}  // namespace

bool TupleInUse(Role role, uint32_t hTable, uint32_t tupleNo) {
    return WithBuffer(role, hTable, [&](TupleBuffer& buf) { return buf.InRange(tupleNo) && buf.IsUsed(tupleNo); });
}

uint32_t LastUsedTuple(Role role, uint32_t hTable) {
    return WithBuffer(role, hTable, [](TupleBuffer& buf) -> uint32_t {
        uint32_t dense = DensePrefix(buf);
        if (dense != 0 && dense == buf.Used()) return dense;
        for (uint32_t n = buf.Capacity(); n > dense; --n) {
            if (buf.IsUsed(n)) return n;
        }
        return dense;
    });
}

uint32_t NthUsedTuple(Role role, uint32_t hTable, uint32_t k) {
    return WithBuffer(role, hTable, [&](TupleBuffer& buf) -> uint32_t {
        uint32_t dense = DensePrefix(buf);
        if (k < dense) return k + 1;
        uint32_t last = dense;
        uint32_t seen = dense;
        for (uint32_t n = dense + 1; n <= buf.Capacity(); ++n) {
            if (!buf.IsUsed(n)) continue;
            if (seen++ == k) return n;
            last = n;
        }
        return last;
    });
}

bool PlaceCursor(Role role, uint32_t hTable, uint32_t tupleNo) {
    return WithBuffer(role, hTable, [&](TupleBuffer& buf) {
        if (!buf.InRange(tupleNo)) return false;
        buf.SetCursor(tupleNo);
        return true;
    });
}

bool ReadTupleAt(Role role, uint32_t hTable, uint32_t tupleNo, void* dst) {
    return WithBuffer(role, hTable, [&](TupleBuffer& buf) {
        if (!buf.InRange(tupleNo) || !buf.IsUsed(tupleNo)) return false;
        buf.SetCursor(tupleNo);
        if (buf.DataLen() != 0) std::memcpy(dst, buf.Data(tupleNo), buf.DataLen());
        return true;
    });
}

}  // namespace dbs::core
