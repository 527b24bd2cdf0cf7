// A view of one record buffer of a table in the role a record call works on: main memory for a plain call,
// secondary memory for its EX twin. Slots are addressed by tuple number (1-based); every accessor stays inside
// the buffer, and a cursor outside 1..dwMaxTupleNum simply means "no current record".
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/core_state.h"

namespace dbs::core {

enum class Role : uint8_t { Main, Secondary };

class TupleBuffer {
public:
    TupleBuffer(TagDBForm& form, Role role)
        : form_(form), no_(role == Role::Main ? form.byDBMainAddrPtr : form.byDBSecondAddrPtr) {
        if (no_ < 2 && form.wTupleLen != 0) base_ = form.apchDBAddr[no_];
    }

    TagDBForm& Form() const { return form_; }
    // The buffer number (0 or 1) behind the role; only meaningful when HasNumber().
    uint8_t No() const { return no_; }
    bool HasNumber() const { return no_ < 2; }
    // The record storage of this buffer exists (a table gets it from DbsAllocMemory).
    bool Exists() const { return base_ != nullptr; }
    uint16_t TableNo() const { return static_cast<uint16_t>(DBS_HANDLE_NO(form_.dwDBHandle)); }

    uint32_t Capacity() const { return form_.dwMaxTupleNum; }
    size_t SlotLen() const { return form_.wTupleLen; }
    // Bytes of a record as callers see them: the slot without its status byte.
    size_t DataLen() const { return form_.wTupleLen == 0 ? 0 : form_.wTupleLen - 1u; }

    // TagDBForm is packed: its counters are read and written in place, never bound to references.
    uint32_t Cursor() const { return form_.adwTupleNo[no_]; }
    void SetCursor(uint32_t tupleNo) const { form_.adwTupleNo[no_] = tupleNo; }
    uint32_t Used() const { return form_.adwTupleNum[no_]; }
    void SetUsed(uint32_t count) const { form_.adwTupleNum[no_] = count; }

    bool InRange(uint32_t tupleNo) const { return tupleNo >= 1 && tupleNo <= Capacity(); }
    bool HasCurrent() const { return Exists() && InRange(Cursor()); }

    // Slot of tuple number `tupleNo`; the caller has checked Exists() and InRange().
    char* Slot(uint32_t tupleNo) const { return base_ + SlotOffset(tupleNo); }
    // Where that slot starts within the buffer (what a write into it is noted as, dirty_pages.h).
    uint64_t SlotOffset(uint32_t tupleNo) const { return uint64_t{tupleNo - 1} * SlotLen(); }
    char* Data(uint32_t tupleNo) const { return Slot(tupleNo) + 1; }
    bool IsUsed(uint32_t tupleNo) const { return *Slot(tupleNo) == DBS_TUPLE_USED; }

private:
    TagDBForm& form_;
    uint8_t no_;
    char* base_ = nullptr;
};

}  // namespace dbs::core
