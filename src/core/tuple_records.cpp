/*
 * Whole-record calls on a buffer: reading and writing the current record, appending into the lowest free slot,
 * deleting the current record, and the used count and data length.
 *
 * Appending keeps the "lowest free slot" rule without rescanning the status bytes: the core keeps per buffer a
 * map of the free slots and a lower bound of the lowest one (core_state.h), so an append costs a few word scans
 * whatever was deleted or copied before. Should the map disagree with the status bytes (a host wrote them through
 * addresses taken from the table form), the map is rebuilt from them rather than a used slot overwritten or a
 * table with room reported full. A table without a map walks the status bytes from the bound.
 */
#include <algorithm>
#include <cstring>

#include "core/dirty_pages.h"
#include "core/tuple_ops.h"

namespace dbs::core {
namespace {

// The lowest free slot (0-based) at or above `from`, or `end` when there is none.
uint32_t FindFreeSlot(const TupleBuffer& buf, uint32_t from, uint32_t end) {
    for (uint32_t slot = from; slot < end; ++slot) {
        if (!buf.IsUsed(slot + 1)) return slot;
    }
    return end;
}

// The lowest free slot (0-based) of the buffer, or its capacity when every slot is in use. Every slot below
// `hint` is known to be in use.
uint32_t LowestFreeSlot(const TupleBuffer& buf, uint32_t hint) {
    const uint32_t cap = buf.Capacity();
    FreeSlotMap* map = TableFreeSlots(buf.TableNo());
    if (map != nullptr && map->Slots() == cap && cap != 0) {
        uint32_t slot = map->LowestFree(buf.No(), hint);
        if (slot != FreeSlotMap::kNone && !buf.IsUsed(slot + 1)) return slot;
        if (slot == FreeSlotMap::kNone && buf.Used() >= cap) return cap;
        // The map disagrees with the status bytes: take them as they are.
        map->Rebuild(buf.No(), buf.Slot(1), static_cast<uint32_t>(buf.SlotLen()));
        slot = map->LowestFree(buf.No(), 0);
        return slot == FreeSlotMap::kNone ? cap : slot;
    }
    // Without a map: from the bound up, then below it should some code have freed a slot without lowering it,
    // rather than report a table with room as full.
    const uint32_t slot = FindFreeSlot(buf, hint, cap);
    if (slot != cap) return slot;
    const uint32_t low = FindFreeSlot(buf, 0, hint);
    return low == hint ? cap : low;
}

}  // namespace

uint8_t GetTuple(Role role, uint32_t hTable, void* dst) {
    if (!IsValidTable(hTable)) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    DBS_REFUSE_NULL(dst, 0);
    return WithTupleBuffer(role, hTable, [&](TupleBuffer& buf) -> uint8_t {
        const char* table = buf.Form().achDBName;
        if (!buf.Exists()) {
            DbsTraceLog("[File: %s, Line: %d] table %s is null.", DBS_HERE, table);
            return 0;
        }
        const uint32_t cur = buf.Cursor();
        if (!buf.InRange(cur) || !buf.IsUsed(cur)) {
            DbsTraceLog("[File: %s, Line: %d] table %s %dth record already deleted.", DBS_HERE, table,
                        static_cast<int>(cur));
            return 0;
        }
        std::memcpy(dst, buf.Data(cur), buf.DataLen());
        return 1;
    });
}

uint8_t SetTuple(Role role, uint32_t hTable, const void* src) {
    if (!IsValidTable(hTable)) {
        DBS_TRACE_BAD_TABLE(hTable);
        return 0;
    }
    DBS_REFUSE_NULL(src, 0);
    return WithTupleBuffer(role, hTable, [&](TupleBuffer& buf) -> uint8_t {
        const char* table = buf.Form().achDBName;
        if (!buf.Exists()) {
            DbsTraceLog("[File: %s, Line: %d] table %s is null.", DBS_HERE, table);
            return 0;
        }
        const uint32_t cur = buf.Cursor();
        if (!buf.InRange(cur)) {
            DbsTraceLog("[File: %s, Line: %d] table %s has no current record.", DBS_HERE, table);
            return 0;
        }
        if (!buf.IsUsed(cur)) {
            *buf.Slot(cur) = DBS_TUPLE_USED;
            NoteSlotUsed(buf.TableNo(), buf.No(), cur - 1);
            buf.SetUsed(buf.Used() + 1);
        }
        std::memcpy(buf.Data(cur), src, buf.DataLen());
        NoteTableWriteIn(buf.TableNo(), buf.No(), buf.SlotOffset(cur), buf.SlotLen());
        return 1;
    });
}

uint32_t GetTupleNum(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [](TupleBuffer& buf) -> uint32_t { return buf.Used(); });
}

uint8_t AppendTuple(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [&](TupleBuffer& buf) -> uint8_t {
        if (!buf.Exists()) return 0;
        const char* table = buf.Form().achDBName;
        const uint32_t cap = buf.Capacity();
        if (buf.Used() >= cap) {
            if (role == Role::Main) {
                DbsTraceLog("[File: %s, Line: %d] table %s full (%d records), cannot insert record", DBS_HERE, table,
                            static_cast<int>(cap));
            } else {
                DbsTraceLog("[File: %s, Line: %d] table %s is full (%d records).", DBS_HERE, table,
                            static_cast<int>(cap));
            }
            return 0;
        }
        const uint16_t tableNo = buf.TableNo();
        const uint32_t hint = std::min(FreeHint(tableNo, buf.No()), cap);
        const uint32_t slot = LowestFreeSlot(buf, hint);
        if (slot == cap) return 0;
        *buf.Slot(slot + 1) = DBS_TUPLE_USED;
        NoteSlotUsed(tableNo, buf.No(), slot);
        NoteTableWriteIn(tableNo, buf.No(), buf.SlotOffset(slot + 1), 1);
        buf.SetCursor(slot + 1);
        buf.SetUsed(buf.Used() + 1);
        SetFreeHint(tableNo, buf.No(), slot + 1);
        return 1;
    });
}

uint8_t DeleteTuple(Role role, uint32_t hTable) {
    return WithTupleBuffer(role, hTable, [&](TupleBuffer& buf) -> uint8_t {
        const char* table = buf.Form().achDBName;
        if (!buf.Exists()) {
            DbsTraceLog("[File: %s, Line: %d] table %s null.", DBS_HERE, table);
            return 0;
        }
        const uint32_t cur = buf.Cursor();
        if (!buf.InRange(cur)) {
            DbsTraceLog("[File: %s, Line: %d] table %s has no current record.", DBS_HERE, table);
            return 0;
        }
        if (buf.IsUsed(cur)) {
            *buf.Slot(cur) = DBS_TUPLE_FREE;
            NoteTableWriteIn(buf.TableNo(), buf.No(), buf.SlotOffset(cur), 1);
            if (buf.Used() > 0) buf.SetUsed(buf.Used() - 1);
            NoteSlotFreed(buf.TableNo(), buf.No(), cur - 1);
        }
        return 1;
    });
}

}  // namespace dbs::core
