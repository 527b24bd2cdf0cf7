/*
 * Refreshing or restoring a working copy: one buffer of a table and of each of its indexes is copied onto the
 * other, bytes and per-buffer state alike (used count, cursor, spare word; entry count and position of an index),
 * the bytes as the pages written since the pair was last equal (dirty_pages.h), so that a copy costs what changed
 * rather than the size of the store. The buffer numbers never change here.
 *
 * Everything a copy needs is checked before the table's bytes move; an index that cannot be copied stops the copy
 * with the table and the indexes before it copied and the rest unchanged.
 */
#include <cerrno>

#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"
#include "runtime/trace_log.h"

namespace {

enum class Fault { None, MissingBuffer, BadKind };

// Copies from the buffer playing the `fromSecondary` role onto the other one.
Fault CopyTable(TagDBForm& table, bool fromSecondary) {
    uint8_t from = fromSecondary ? table.byDBSecondAddrPtr : table.byDBMainAddrPtr;
    uint8_t to = fromSecondary ? table.byDBMainAddrPtr : table.byDBSecondAddrPtr;
    char* source = dbs::core::TableBuffer(&table, fromSecondary);
    char* target = dbs::core::TableBuffer(&table, !fromSecondary);
    if (source == nullptr || target == nullptr) return Fault::MissingBuffer;
    table.adwTupleNum[to] = table.adwTupleNum[from];
    table.adwTupleNo[to] = table.adwTupleNo[from];
    table.adwSpare1[to] = table.adwSpare1[from];
    const auto tableNo = static_cast<uint16_t>(DBS_HANDLE_NO(table.dwDBHandle));
    dbs::core::CopyTablePages(tableNo, target, source, from, to, uint64_t{table.dwMaxTupleNum} * table.wTupleLen);
    dbs::core::CopyFreeHint(tableNo, from, to);

    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        uint32_t hIndex = table.adwIdxHandle[slot];  // packed record: read by value
        TagIdxForm* idx = dbs::core::IndexForm(hIndex);
        if (idx == nullptr) continue;
        if (dbs::core::GroupOf(*idx) == dbs::core::IndexGroup::Invalid) {
            DbsTraceLog("[File: %s Line: %d] IndexType:%d Invalid", DBS_HERE, idx->byIdxType);
            return Fault::BadKind;
        }
        uint8_t ifrom = fromSecondary ? idx->byIdxSecondAddrPtr : idx->byIdxMainAddrPtr;
        uint8_t ito = fromSecondary ? idx->byIdxMainAddrPtr : idx->byIdxSecondAddrPtr;
        char* isource = dbs::core::IndexBuffer(*idx, ifrom);
        char* itarget = dbs::core::IndexBuffer(*idx, ito);
        if (isource == nullptr || itarget == nullptr) return Fault::MissingBuffer;
        idx->adwIdxPos[ito] = idx->adwIdxPos[ifrom];
        idx->adwIdxEntryNum[ito] = idx->adwIdxEntryNum[ifrom];
        dbs::core::CopyIndexPages(DBS_HANDLE_NO(hIndex), itarget, isource, ifrom, ito,
                                  dbs::core::AllocatedBufferBytes(DBS_HANDLE_NO(hIndex)));
    }
    return Fault::None;
}

}  // namespace

extern "C" {

DBS_API uint8_t DbsCopyData(uint32_t hTable) {
    TagDBForm* table = dbs::core::TableForm(hTable);
    if (table == nullptr) {
        DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, hTable);
        return 0;
    }
    Fault fault = CopyTable(*table, false);
    if (fault == Fault::MissingBuffer) DBS_TRACE_DIRECT("DbsCopyData catch error, no is %d", errno);
    return fault == Fault::None ? 1 : 0;
}

DBS_API uint8_t DbsCopyDataEx(uint32_t hTable, uint8_t byDirection) {
    TagDBForm* table = dbs::core::TableForm(hTable);
    if (table == nullptr) {
        DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, hTable);
        return 0;
    }
    if (byDirection != DBS_COPY_MAIN_TO_SECOND && byDirection != DBS_COPY_SECOND_TO_MAIN) return 0;
    return CopyTable(*table, byDirection == DBS_COPY_SECOND_TO_MAIN) == Fault::None ? 1 : 0;
}

DBS_API uint8_t DbsAllCopyData(void) {
    if (gptDB_Form == nullptr) {
        DBS_TRACE_DIRECT("DbsAllCopyData catch error");
        return 0;
    }
    uint32_t tables = gwTableNum < DBS_MAX_TABLES ? gwTableNum : DBS_MAX_TABLES;
    for (uint32_t i = 0; i < tables; ++i) DbsCopyData(gptDB_Form[i].dwDBHandle);
    return 1;
}

}  // extern "C"
