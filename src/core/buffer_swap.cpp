/*
 * Publishing secondary memory: the roles of a table's two buffers, and of its indexes' buffers, are exchanged by
 * swapping two buffer numbers. No record or index byte moves, so the cost is independent of the data held.
 *
 * The per-table swap visits every index slot that holds a valid index, also behind an empty slot: stopping at the
 * first gap would leave a later index reading the other memory than its table.
 */
#include <cerrno>
#include <utility>

#include "core/core_state.h"
#include "runtime/trace_log.h"

namespace {

void Swap(TagDBForm& table) { std::swap(table.byDBMainAddrPtr, table.byDBSecondAddrPtr); }
void Swap(TagIdxForm& idx) { std::swap(idx.byIdxMainAddrPtr, idx.byIdxSecondAddrPtr); }

}  // namespace

extern "C" {

DBS_API uint8_t DbsChangeOver(uint32_t hTable) {
    TagDBForm* table = dbs::core::TableForm(hTable);
    if (table == nullptr) return 0;
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        uint32_t hIndex = table->adwIdxHandle[slot];  // packed record: read by value
        if (TagIdxForm* idx = dbs::core::IndexForm(hIndex)) Swap(*idx);
    }
    Swap(*table);
    return 1;
}

DBS_API uint8_t DbsChangeOverAddr(void) {
    if (gptDB_Form == nullptr || gptIdx_Form == nullptr) {
        DBS_TRACE_DIRECT("DbsChangeOverAddr catch error, no is %d", errno);
        return 0;
    }
    uint32_t tables = gwTableNum < DBS_MAX_TABLES ? gwTableNum : DBS_MAX_TABLES;
    for (uint32_t i = 0; i < tables; ++i) {
        if (dbs::core::IsValidTable(gptDB_Form[i].dwDBHandle)) Swap(gptDB_Form[i]);
    }
    uint32_t indexes = gwIdxNum < DBS_MAX_INDEXES ? gwIdxNum : DBS_MAX_INDEXES;
    for (uint32_t i = 0; i < indexes; ++i) {
        if (dbs::core::IsValidIndex(gptIdx_Form[i].dwIdxHandle)) Swap(gptIdx_Form[i]);
    }
    return 1;
}

}  // extern "C"
