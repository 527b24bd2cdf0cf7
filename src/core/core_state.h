// The core store's process-wide state: the table form, the index form, the work area and the path table.
//
// DbsCoreInit creates every block zero-filled and DbsCoreRelease frees them; in between the forms have fixed
// places. Other subsystems reach a table or an index through the accessors below, which validate a handle
// without writing a trace line (the exported calls write their own refusal lines).
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

#include "core/free_slots.h"

#pragma pack(push, 1)
// The path table: the current path number and the four table-file directories under the version path.
struct TagDbsPath {
    uint8_t byCurPath;                       // 0..4, 3 after start-up
    char achPath[4][DBS_PATH_SIZE];          // paths 1..4 at index 0..3; the reserved byte at offset 1040 is
                                             // the last byte of path 4, which a path of at most 259
                                             // characters never needs for anything but its NUL
    uint8_t abyPathFlag[4];                  // flag n at index n - 1
};
#pragma pack(pop)
static_assert(sizeof(TagDbsPath) == 1045, "the path table is 1045 bytes");

inline constexpr uint32_t kQdbWorkAreaSize = 136375;

// Globals, named as the store's documentation names them.
extern uint32_t gbDbsInit;
extern TagDBForm* gptDB_Form;
extern TagIdxForm* gptIdx_Form;
extern uint8_t* gpQdbWorkArea;
extern TagDbsPath* gptDbsPath;
extern uint16_t gwIdxFormNum;
extern uint16_t gwTableNum;
extern uint16_t gwIdxNum;

namespace dbs::core {

// The form entry of a valid table handle, or null (core stopped, wrong kind, number >= 128, entry mismatch).
inline TagDBForm* TableForm(uint32_t hTable) {
    if (gptDB_Form == nullptr || DBS_HANDLE_KIND(hTable) != DBS_HANDLE_TABLE) return nullptr;
    uint32_t no = DBS_HANDLE_NO(hTable);
    if (no >= DBS_MAX_TABLES) return nullptr;
    TagDBForm* form = &gptDB_Form[no];
    return form->dwDBHandle == hTable ? form : nullptr;
}

// The form entry of a valid index handle, or null.
inline TagIdxForm* IndexForm(uint32_t hIndex) {
    if (gptIdx_Form == nullptr || DBS_HANDLE_KIND(hIndex) != DBS_HANDLE_INDEX) return nullptr;
    uint32_t no = DBS_HANDLE_NO(hIndex);
    if (no >= DBS_MAX_INDEXES) return nullptr;
    TagIdxForm* form = &gptIdx_Form[no];
    return form->dwIdxHandle == hIndex ? form : nullptr;
}

inline bool IsValidTable(uint32_t hTable) { return TableForm(hTable) != nullptr; }
inline bool IsValidIndex(uint32_t hIndex) { return IndexForm(hIndex) != nullptr; }

// The record buffer of a table that plays the main (secondary = false) or secondary role; null when missing.
inline char* TableBuffer(const TagDBForm* form, bool secondary) {
    uint8_t b = secondary ? form->byDBSecondAddrPtr : form->byDBMainAddrPtr;
    return b < 2 ? form->apchDBAddr[b] : nullptr;
}

// ---- Lowest free slot ----------------------------------------------------------------------------------------
// Appending takes the lowest free slot of a buffer. The core keeps per table number and per buffer NUMBER (0 or 1,
// not role) a free-slot map (free_slots.h) that says exactly which slots are free, and a lower bound of the lowest
// free slot (the hint: every slot (0-based) below it is in use) where the search starts. Both live here, outside
// TagDBForm, so that hosts never see them. A table whose map could not be allocated walks its status bytes from
// the hint.
//
// Whoever changes slot status bytes must keep both true:
//   - a slot made used:              NoteSlotUsed(tableNo, buf, slot)
//   - a slot made free:              NoteSlotFreed(tableNo, buf, slot)
//   - a buffer cleared (all free):   ResetFreeHint(tableNo, buf)
//   - a buffer copied onto another:  CopyFreeHint(tableNo, fromBuf, toBuf)
// Swapping the main and secondary roles needs nothing: maps and hints follow the buffer numbers. Arguments out of
// range (table >= 128, buffer >= 2) are ignored.
namespace detail {
extern uint32_t gadwFreeHint[DBS_MAX_TABLES][2];
extern uint16_t gawDomainCapacity[DBS_MAX_TABLES];
}  // namespace detail

inline uint32_t FreeHint(uint16_t tableNo, uint8_t buf) {
    return (tableNo < DBS_MAX_TABLES && buf < 2) ? detail::gadwFreeHint[tableNo][buf] : 0;
}
inline void SetFreeHint(uint16_t tableNo, uint8_t buf, uint32_t slot) {
    if (tableNo < DBS_MAX_TABLES && buf < 2) detail::gadwFreeHint[tableNo][buf] = slot;
}
inline void NoteSlotUsed(uint16_t tableNo, uint8_t buf, uint32_t slot) {
    if (tableNo < DBS_MAX_TABLES) detail::gTableFreeSlots[tableNo].SetUsed(buf, slot);
}
inline void NoteSlotFreed(uint16_t tableNo, uint8_t buf, uint32_t slot) {
    if (tableNo >= DBS_MAX_TABLES || buf >= 2) return;
    detail::gTableFreeSlots[tableNo].SetFree(buf, slot);
    if (slot < detail::gadwFreeHint[tableNo][buf]) detail::gadwFreeHint[tableNo][buf] = slot;
}
inline void ResetFreeHint(uint16_t tableNo, uint8_t buf) {
    SetFreeHint(tableNo, buf, 0);
    ClearFreeSlots(tableNo, buf);
}
inline void CopyFreeHint(uint16_t tableNo, uint8_t fromBuf, uint8_t toBuf) {
    if (tableNo < DBS_MAX_TABLES && fromBuf < 2 && toBuf < 2) {
        detail::gadwFreeHint[tableNo][toBuf] = detail::gadwFreeHint[tableNo][fromBuf];
        CopyFreeSlots(tableNo, fromBuf, toBuf);
    }
}

// The number of field descriptors the table's descriptor block was made for (the field count given at
// creation); DbsAddDomain never goes beyond it. 0 for a free entry.
inline uint16_t DomainCapacity(uint16_t tableNo) {
    return tableNo < DBS_MAX_TABLES ? detail::gawDomainCapacity[tableNo] : 0;
}

// Forgets the internal state kept beside a form entry (hints, field capacity); used when an entry is filled and
// when the core is released.
void ResetTableSideState(uint16_t tableNo, uint16_t domainCapacity);

}  // namespace dbs::core
