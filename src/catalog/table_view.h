// Small read-only helpers over the core's table and index descriptors, used by every catalogue unit.
//
// They validate nothing beyond what their names say and write no trace lines: callers decide what a miss means.
#pragma once

#include <cstdint>
#include <cstring>

#include <dbs/dbs.h>

#include "catalog/catalog_limits.h"
#include "core/core_state.h"

namespace dbs::catalog {

enum class Memory { Main, Secondary };

// The name of a table as printed in messages; "" for an invalid handle.
inline const char* TableName(const TagDBForm* form) { return form != nullptr ? form->achDBName : ""; }
inline const char* TableName(uint32_t hTable) { return TableName(dbs::core::TableForm(hTable)); }

// The data length of a table's tuples (slot length without the status byte).
inline size_t TupleLen(const TagDBForm* form) { return form->wTupleLen > 0 ? form->wTupleLen - 1u : 0u; }

// True when a copy of the table's tuples fits the fixed tuple buffers.
inline bool TupleFitsBuffer(const TagDBForm* form) { return TupleLen(form) <= kTupleBufLen; }

// The index in slot `slot` of a table when the slot holds a valid index handle, else null.
inline TagIdxForm* SlotIndex(const TagDBForm* form, unsigned slot) {
    if (slot >= DBS_IDX_SLOTS) return nullptr;
    return dbs::core::IndexForm(form->adwIdxHandle[slot]);
}

// The field named `name` (compared over at most 32 characters), or null.
inline const TagDMForm* FindField(const TagDBForm* form, const char* name) {
    if (form->ptDomain == nullptr) return nullptr;
    for (unsigned i = 0; i < form->byDomainNum; ++i) {
        if (std::strncmp(form->ptDomain[i].achDMName, name, DBS_DOMAIN_NAME_SIZE) == 0) return &form->ptDomain[i];
    }
    return nullptr;
}

// Number of entries of an index in the buffer that plays the given role.
inline uint32_t IndexEntryCount(const TagIdxForm* idx, Memory mem) {
    uint8_t b = mem == Memory::Secondary ? idx->byIdxSecondAddrPtr : idx->byIdxMainAddrPtr;
    return b < 2 ? idx->adwIdxEntryNum[b] : 0;
}

}  // namespace dbs::catalog
