// The sorted indexes of a table that a bulk scope (bulk_insert.h, bulk_remove.h) can hold keys beside: those whose
// list in secondary memory exists and whose entries are at most `maxEntryLen` bytes long.
#pragma once

#include <array>
#include <cstdint>

#include "core/core_state.h"
#include "core/index_kind.h"

namespace dbs::core {

struct BulkTarget {
    bool use = false;
    uint32_t indexNo = 0;
    uint8_t buffer = 0;  // the buffer number of secondary memory
    uint32_t entryLen = 0;
};

inline std::array<BulkTarget, DBS_IDX_SLOTS> BulkTargets(const TagDBForm& table, uint32_t maxEntryLen) {
    std::array<BulkTarget, DBS_IDX_SLOTS> targets{};
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const uint32_t hIndex = table.adwIdxHandle[slot];  // packed record: read by value
        const TagIdxForm* idx = IndexForm(hIndex);
        if (idx == nullptr || GroupOf(*idx) != IndexGroup::Sorted) continue;
        const uint8_t b = idx->byIdxSecondAddrPtr;
        const uint32_t len = idx->wIdxEntryLen;
        if (IndexBuffer(*idx, b) == nullptr || len < 4 || len > maxEntryLen) continue;
        targets[slot] = {true, DBS_HANDLE_NO(hIndex), b, len};
    }
    return targets;
}

}  // namespace dbs::core
