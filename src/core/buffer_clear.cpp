/*
 * Clearing one memory of a table: the table's buffer in that role and the buffers of its indexes in the same role
 * are set to zero (every slot free, every cell empty, no sorted entry) and their counts, cursor and positions to
 * 0. Only the pages that may hold a non-zero byte are written (dirty_pages.h). The other memory and the buffer
 * numbers stay as they were.
 */
#include <cstring>

#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"
#include "runtime/trace_log.h"

namespace {

uint8_t ClearTable(TagDBForm& table, bool main) {
    uint8_t b = main ? table.byDBMainAddrPtr : table.byDBSecondAddrPtr;
    char* buffer = dbs::core::TableBuffer(&table, !main);
    if (buffer == nullptr) return 0;
    const auto tableNo = static_cast<uint16_t>(DBS_HANDLE_NO(table.dwDBHandle));
    dbs::core::ClearTablePages(tableNo, buffer, b, uint64_t{table.dwMaxTupleNum} * table.wTupleLen);
    table.adwTupleNum[b] = 0;
    table.adwTupleNo[b] = 0;
    dbs::core::ResetFreeHint(tableNo, b);
    return 1;
}

// The index follows its table's roles: the buffer cleared is the one with the table's buffer number.
uint8_t ClearIndex(uint32_t hIndex, TagIdxForm& idx, bool main) {
    const TagDBForm* table = dbs::core::TableForm(idx.dwDBHandle);
    if (table == nullptr) return 0;
    uint8_t b = main ? table->byDBMainAddrPtr : table->byDBSecondAddrPtr;
    if (dbs::core::GroupOf(idx) == dbs::core::IndexGroup::Invalid) return 0;
    char* buffer = dbs::core::IndexBuffer(idx, b);
    if (buffer == nullptr) return 0;
    const uint32_t no = DBS_HANDLE_NO(hIndex);
    dbs::core::ClearIndexPages(no, buffer, b, dbs::core::AllocatedBufferBytes(no));
    idx.adwIdxEntryNum[b] = 0;
    idx.adwIdxPos[b] = 0;
    return 1;
}

uint8_t ClearAll(uint32_t hTable, uint8_t byWhich) {
    TagDBForm* table = dbs::core::TableForm(hTable);
    if (table == nullptr) {
        DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, hTable);
        return 0;
    }
    uint8_t result = DbsClrMemory(hTable, byWhich);
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        uint32_t hIndex = table->adwIdxHandle[slot];  // packed record: read by value
        if (hIndex != 0) result = DbsClrMemory(hIndex, byWhich);
    }
    return result;
}

}  // namespace

extern "C" {

DBS_API uint8_t DbsClrMemory(uint32_t dwHandle, uint8_t byWhich) {
    bool main = byWhich != DBS_MEM_SECONDARY;
    if (TagDBForm* table = dbs::core::TableForm(dwHandle)) return ClearTable(*table, main);
    if (TagIdxForm* idx = dbs::core::IndexForm(dwHandle)) return ClearIndex(dwHandle, *idx, main);
    DbsTraceLog("[File: %s Line: %d] Handle %x Invalid", DBS_HERE, dwHandle);
    return 0;
}

DBS_API uint8_t DbsClrMainMem(uint32_t hTable) { return ClearAll(hTable, DBS_MEM_MAIN); }
DBS_API uint8_t DbsClrSecondaryMem(uint32_t hTable) { return ClearAll(hTable, DBS_MEM_SECONDARY); }

}  // extern "C"
