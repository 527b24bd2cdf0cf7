// The catalogue's index operations by whole tuples (DbsSysInsertIndex, DbsSysLocateTuple, DbsSysDeleteIndex and
// their EX twins) and the undo log they share with the checked tuple operations.
//
// One implementation serves both memories through MemoryCalls; the messages differ per family and are chosen
// here. Unlike a plain sequence of index calls, an insertion or removal that fails part-way undoes the slots it
// had already changed, so a tuple is either in every index of its table or in none.
#include <cstring>

#include "catalog/key_index_ops.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {

void IndexUndoLog::Record(bool added, uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo) {
    if (count_ >= kMaxChanges || len > kKeyBufLen) return;  // cannot happen: at most two changes per slot
    Change& c = changes_[count_++];
    c.added = added;
    c.hIndex = hIndex;
    c.tupleNo = tupleNo;
    c.len = len;
    std::memcpy(c.key, key, len);
}

void IndexUndoLog::Added(uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo) {
    Record(true, hIndex, key, len, tupleNo);
}

void IndexUndoLog::Removed(uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo) {
    Record(false, hIndex, key, len, tupleNo);
}

void IndexUndoLog::Undo(uint32_t hTable) {
    const uint32_t cursor = calls_.getTupleNo(hTable);
    for (int i = count_ - 1; i >= 0; --i) {
        const Change& c = changes_[i];
        uint8_t key[kKeyBufLen] = {};
        std::memcpy(key, c.key, c.len);
        if (c.added) {
            calls_.deleteIndex(c.hIndex, key);
        } else {
            // An insertion points the entry at the current tuple: put the cursor on the tuple it belonged to.
            calls_.setTupleNo(hTable, c.tupleNo);
            calls_.insertIndex(c.hIndex, key);
        }
    }
    calls_.setTupleNo(hTable, cursor);
    count_ = 0;
}

void IndexUndoLog::TransferTo(IndexUndoLog& other) {
    for (int i = 0; i < count_; ++i) {
        const Change& c = changes_[i];
        other.Record(c.added, c.hIndex, c.key, c.len, c.tupleNo);
    }
    count_ = 0;
}

bool InsertOneKey(const MemoryCalls& calls, uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo,
                  IndexUndoLog& log) {
    const TagIdxForm* idx = dbs::core::IndexForm(hIndex);
    const uint32_t before = idx != nullptr ? IndexEntryCount(idx, calls.memory) : 0;
    if (InsertKey(calls, hIndex, key) != 1) return false;
    if (idx != nullptr && IndexEntryCount(idx, calls.memory) > before) log.Added(hIndex, key, len, tupleNo);
    return true;
}

namespace {

bool IsSecondary(const MemoryCalls& calls) { return calls.memory == Memory::Secondary; }

}  // namespace

bool InsertTupleKeys(const MemoryCalls& calls, const TagDBForm* form, const uint8_t* tuple, IndexUndoLog& log) {
    const uint32_t hTable = form->dwDBHandle;
    const uint32_t tupleNo = calls.getTupleNo(hTable);
    IndexUndoLog own(calls);
    for (unsigned slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const TagIdxForm* idx = SlotIndex(form, slot);
        if (idx == nullptr) break;
        uint8_t key[kKeyBufLen];
        uint16_t len = 0;
        if (DbsGetIndexValue(hTable, static_cast<uint16_t>(slot), tuple, key, sizeof key, &len) != DBS_KEY_OK) {
            if (!IsSecondary(calls)) {
                DbsTraceLog("[File=%s,Line=%d] %s: DbsGetIndexValue fail!", DBS_HERE, form->achDBName);
            }
            own.Undo(hTable);
            return false;
        }
        if (!InsertOneKey(calls, idx->dwIdxHandle, key, len, tupleNo, own)) {
            if (IsSecondary(calls)) {
                DbsTraceLog("[File=%s,Line=%d] DbsSysInsertIndexEX function, [achDBName=%s,dwConstraintHandle=%x] "
                            "DbsInsertIndexEX Fail!", DBS_HERE, form->achDBName, idx->dwIdxHandle);
            } else {
                DbsTraceLog("[File=%s,Line=%d] DbsSysInsertIndex function, [achDBName=%s,dwConstraintHandle=%x] "
                            "DbsInsertIndex Fail!", DBS_HERE, form->achDBName, idx->dwIdxHandle);
            }
            own.Undo(hTable);
            return false;
        }
    }
    // Hand the additions to the caller's log so that a later failing step can take them back.
    own.TransferTo(log);
    return true;
}

bool DeleteTupleKeys(const MemoryCalls& calls, const TagDBForm* form, const uint8_t* tuple, IndexUndoLog& log) {
    const uint32_t hTable = form->dwDBHandle;
    const char* name = form->achDBName;
    const TagIdxForm* primary = SlotIndex(form, 0);
    if (primary == nullptr) return true;  // no primary index: the tuple has no entries
    if (!TupleFitsBuffer(form)) {
        DbsTraceLog("[File=%s,Line=%d] %s: tuple length %u exceeds %u bytes!", DBS_HERE, name,
                    static_cast<unsigned>(TupleLen(form)), static_cast<unsigned>(kTupleBufLen));
        return false;
    }

    uint8_t priKey[kKeyBufLen];
    uint16_t priLen = 0;
    if (DbsGetIndexValue(hTable, 0, tuple, priKey, sizeof priKey, &priLen) != DBS_KEY_OK) {
        DbsTraceLog("[File=%s,Line=%d] %s: DbsGetIndexValue fail!", DBS_HERE, name);
        return false;
    }
    if (calls.locate(primary->dwIdxHandle, priKey) != 1) {
        if (IsSecondary(calls)) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteIndexEX Function, %s: Index tuple not exists!", DBS_HERE, name);
        } else {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteIndex Function, %s: Index tuple not exists!", DBS_HERE, name);
        }
        return false;
    }
    uint8_t stored[kTupleBufLen];
    if (calls.getTuple(hTable, stored) != 1) return false;  // the core has written its line
    const uint32_t tupleNo = calls.getTupleNo(hTable);

    IndexUndoLog own(calls);
    for (unsigned slot = 1; slot < DBS_IDX_SLOTS; ++slot) {
        const TagIdxForm* idx = SlotIndex(form, slot);
        if (idx == nullptr) break;
        uint8_t key[kKeyBufLen];
        uint16_t len = 0;
        if (DbsGetIndexValue(hTable, static_cast<uint16_t>(slot), stored, key, sizeof key, &len) != DBS_KEY_OK) {
            DbsTraceLog("[File=%s,Line=%d] %s: DbsGetIndexValue fail!", DBS_HERE, name);
            own.Undo(hTable);
            return false;
        }
        const uint32_t before = IndexEntryCount(idx, calls.memory);
        if (DeleteSecondaryKey(calls, primary->dwIdxHandle, priKey, idx->dwIdxHandle, key) != 1) {
            if (IsSecondary(calls)) {
                DbsTraceLog("[File=%s,Line=%d] %s: DbsDeleteSecondaryIndexEX fail!", DBS_HERE, name);
            } else {
                DbsTraceLog("[File=%s,Line=%d] %s: DbsDeleteSecondaryIndex fail!", DBS_HERE, name);
            }
            own.Undo(hTable);
            return false;
        }
        if (IndexEntryCount(idx, calls.memory) < before) own.Removed(idx->dwIdxHandle, key, len, tupleNo);
    }
    const uint32_t before = IndexEntryCount(primary, calls.memory);
    if (DeleteKey(calls, primary->dwIdxHandle, priKey) != 1) {
        if (IsSecondary(calls)) {
            DbsTraceLog("[File=%s,Line=%d] %s: DbsDeleteIndexEX fail!", DBS_HERE, name);
        } else {
            DbsTraceLog("[File=%s,Line=%d] %s: DbsDeleteIndex fail!", DBS_HERE, name);
        }
        own.Undo(hTable);
        return false;
    }
    if (IndexEntryCount(primary, calls.memory) < before) own.Removed(primary->dwIdxHandle, priKey, priLen, tupleNo);
    own.TransferTo(log);
    return true;
}

}  // namespace dbs::catalog

using namespace dbs::catalog;

namespace {

uint8_t SysInsertIndex(const MemoryCalls& calls, uint32_t hTable, const void* pbyTuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        if (calls.memory == Memory::Secondary) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysInsertIndexEX Function,TableHandle = %x is error!", DBS_HERE, hTable);
        } else {
            DbsTraceLog("[File=%s,Line=%d] DbsSysInsertIndex Function,TableHandle = %x is error!", DBS_HERE, hTable);
        }
        return 0;
    }
    IndexUndoLog log(calls);
    return InsertTupleKeys(calls, form, static_cast<const uint8_t*>(pbyTuple), log) ? 1 : 0;
}

uint8_t SysLocateTuple(const MemoryCalls& calls, uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple) {
    if (wIdxNo >= DBS_IDX_SLOTS) {
        DbsTraceLog("[File=%s,Line=%d] wIdxNo[%d] is error!", DBS_HERE, wIdxNo);
        return 0;
    }
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return 0;
    }
    uint8_t key[kKeyBufLen];
    uint16_t len = 0;
    const bool secondary = calls.memory == Memory::Secondary;
    switch (DbsGetIndexValue(hTable, wIdxNo, pbyTuple, key, sizeof key, &len)) {
        case DBS_KEY_OK: {
            const TagDBForm* form = dbs::core::TableForm(hTable);
            return calls.locate(form->adwIdxHandle[wIdxNo], key) == 1 ? 1 : 0;
        }
        case DBS_KEY_NO_INDEX:
            // Without that index every stored tuple counts as a match: the first one becomes current.
            if (calls.tupleNum(hTable) == 0) return 0;
            calls.skipToFirst(hTable);
            return 1;
        case DBS_KEY_BUF_TOO_SMALL:
            DbsTraceLog(secondary ? "[File=%s,Line=%d] DbsSysLocateTupleEX Function, %s: Index buffer is too small!"
                                  : "[File=%s,Line=%d] DbsSysLocateTuple Function, %s: Index buffer is too small!",
                        DBS_HERE, TableName(hTable));
            return 0;
        default:
            DbsTraceLog(secondary ? "[File=%s,Line=%d] DbsSysLocateTupleEX Function, %s: Undefined error!"
                                  : "[File=%s,Line=%d] DbsSysLocateTuple Function, %s: Undefined error!",
                        DBS_HERE, TableName(hTable));
            return 0;
    }
}

uint8_t SysDeleteIndex(const MemoryCalls& calls, uint32_t hTable, const void* pbyTuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    const bool secondary = calls.memory == Memory::Secondary;
    if (form == nullptr) {
        DbsTraceLog(secondary ? "[File=%s,Line=%d] DbsSysDeleteIndexEX Function,TableHandle = %x is error!"
                              : "[File=%s,Line=%d] DbsSysDeleteIndex Function,TableHandle = %x is error!",
                    DBS_HERE, hTable);
        return 0;
    }
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return 0;
    }
    IndexUndoLog log(calls);
    return DeleteTupleKeys(calls, form, static_cast<const uint8_t*>(pbyTuple), log) ? 1 : 0;
}

}  // namespace

extern "C" {

DBS_API uint8_t DbsSysInsertIndexEX(uint32_t hTable, const void* pbyTuple) {
    return SysInsertIndex(kSecondaryCalls, hTable, pbyTuple);
}
DBS_API uint8_t DbsSysInsertIndex(uint32_t hTable, const void* pbyTuple) {
    return SysInsertIndex(kMainCalls, hTable, pbyTuple);
}
DBS_API uint8_t DbsSysLocateTupleEX(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple) {
    return SysLocateTuple(kSecondaryCalls, hTable, wIdxNo, pbyTuple);
}
DBS_API uint8_t DbsSysLocateTuple(uint32_t hTable, uint16_t wIdxNo, const void* pbyTuple) {
    return SysLocateTuple(kMainCalls, hTable, wIdxNo, pbyTuple);
}
DBS_API uint8_t DbsSysDeleteIndexEX(uint32_t hTable, const void* pbyTuple) {
    return SysDeleteIndex(kSecondaryCalls, hTable, pbyTuple);
}
DBS_API uint8_t DbsSysDeleteIndex(uint32_t hTable, const void* pbyTuple) {
    return SysDeleteIndex(kMainCalls, hTable, pbyTuple);
}

}  // extern "C"
