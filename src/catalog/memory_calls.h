// The core calls of one memory (main or secondary) as a table of function pointers, so that the catalogue's
// index operations are written once for both families. Each call first consults the catalogue's step-fault hook,
// which lets tests make any one core step fail and so exercise every undo path.
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

#include "catalog/step_faults.h"
#include "catalog/table_view.h"

namespace dbs::catalog {

struct MemoryCalls {
    Memory memory;
    uint8_t (*locate)(uint32_t hIndex, const void* pbyKey);
    uint8_t (*insertIndex)(uint32_t hIndex, const void* pbyKey);
    uint8_t (*deleteIndex)(uint32_t hIndex, const void* pbyKey);
    uint8_t (*deleteSecondary)(uint32_t hPri, const void* pbyPriKey, uint32_t hSec, const void* pbySecKey);
    uint8_t (*getTuple)(uint32_t hTable, void* pbyTuple);
    uint32_t (*tupleNum)(uint32_t hTable);
    uint8_t (*skipToFirst)(uint32_t hTable);
    uint32_t (*getTupleNo)(uint32_t hTable);
    uint8_t (*setTupleNo)(uint32_t hTable, uint32_t dwTupleNo);
};

inline constexpr MemoryCalls kMainCalls{Memory::Main, DbsLocateTuple, DbsInsertIndex, DbsDeleteIndex,
                                        DbsDeleteSecondaryIndex, DbsGetTuple, DbsGetTupleNum, DbsSkipToFirst,
                                        DbsGetTupleNo, DbsSetTupleNo};
inline constexpr MemoryCalls kSecondaryCalls{Memory::Secondary, DbsLocateTupleEX, DbsInsertIndexEX,
                                             DbsDeleteIndexEX, DbsDeleteSecondaryIndexEX, DbsGetTupleEX,
                                             DbsGetTupleNumEX, DbsSkipToFirstEX, DbsGetTupleNoEX,
                                             DbsSetTupleNoEX};

// The steps that change an index or a table, each behind the fault hook.
inline uint8_t InsertKey(const MemoryCalls& m, uint32_t hIndex, const void* key) {
    return fault::StepShouldFail(fault::Step::InsertIndex) ? 0 : m.insertIndex(hIndex, key);
}
inline uint8_t DeleteKey(const MemoryCalls& m, uint32_t hIndex, const void* key) {
    return fault::StepShouldFail(fault::Step::DeleteIndex) ? 0 : m.deleteIndex(hIndex, key);
}
inline uint8_t DeleteSecondaryKey(const MemoryCalls& m, uint32_t hPri, const void* priKey, uint32_t hSec,
                                  const void* secKey) {
    return fault::StepShouldFail(fault::Step::DeleteSecondaryIndex) ? 0
                                                                     : m.deleteSecondary(hPri, priKey, hSec, secKey);
}
inline uint8_t SetTupleStep(uint32_t hTable, const void* tuple) {
    return fault::StepShouldFail(fault::Step::SetTuple) ? 0 : DbsSetTupleEX(hTable, tuple);
}
inline uint8_t DeleteTupleStep(uint32_t hTable) {
    return fault::StepShouldFail(fault::Step::DeleteTuple) ? 0 : DbsDeleteTupleEX(hTable);
}

}  // namespace dbs::catalog
