// The checked tuple operations: insert, update and delete of whole tuples in a table's secondary memory, with the
// prepare checks and every key index kept in step. They are the table methods 3, 4 and 5 of catalogue tables.
//
// Each operation either completes or leaves the table and all its indexes as they were: a step that fails after
// an earlier one changed the table or an index takes the earlier changes back (a freshly taken slot is freed,
// index entries added are removed, entries removed are added again). Children removed by a cascading delete are
// the exception: they stay deleted, as the delete check reports them one by one.
#include <cerrno>
#include <cstring>

#include "catalog/constraint_checks.h"
#include "catalog/key_index_ops.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

using namespace dbs::catalog;

namespace {

// A table whose tuples do not fit the fixed tuple buffers cannot be worked on safely.
bool RefuseOversized(const TagDBForm* form, const char* op) {
    if (TupleFitsBuffer(form)) return false;
    DbsTraceLog("[File=%s,Line=%d] %s Function,[achDBName=%s] tuple length %u exceeds %u bytes!", DBS_HERE, op,
                form->achDBName, static_cast<unsigned>(TupleLen(form)), static_cast<unsigned>(kTupleBufLen));
    return true;
}

// A secondary key that changes in an update.
struct KeyMove {
    const TagIdxForm* idx;
    unsigned slot;
    uint16_t len;
    uint8_t oldKey[kKeyBufLen];
    uint8_t newKey[kKeyBufLen];
};

}  // namespace

extern "C" {

DBS_API uint8_t DbsSysInsertTabTuple(uint32_t hTable, const void* pbyTuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysInsertTabTuple Function,TableHandle = %x is error!", DBS_HERE, hTable);
        return 0;
    }
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysInsertTabTuple Function,[achDBName=%s] pbyTuple is null!", DBS_HERE,
                    form->achDBName);
        return 0;
    }
    if (RefuseOversized(form, "DbsSysInsertTabTuple")) return 0;
    const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
    if (!DbsInsertTabPrepare(hTable, tuple)) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysInsertTabTuple Function,Insert table [achDBName=%s] Record prepare "
                    "check not pass!", DBS_HERE, form->achDBName);
        return 0;
    }
    if (DbsAppendTupleEX(hTable) != 1) return 0;  // the core has reported the full table

    if (SetTupleStep(hTable, tuple) != 1) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysInsertTabTuple Function,[achDBName=%s] DbsSetTupleEX Fail!", DBS_HERE,
                    form->achDBName);
        DbsDeleteTupleEX(hTable);  // give the slot back
        return 0;
    }
    IndexUndoLog log(kSecondaryCalls);
    if (!InsertTupleKeys(kSecondaryCalls, form, tuple, log)) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysInsertTabTuple Function,[achDBName=%s] DbsSysInsertIndexEX Fail!",
                    DBS_HERE, form->achDBName);
        DbsDeleteTupleEX(hTable);  // the keys are already taken back; free the slot too
        return 0;
    }
    return 1;
}

DBS_API uint8_t DbsSysUpdateTabTuple(uint32_t hTable, const void* pbyTuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function,TableHandle = %x is error!\n", DBS_HERE, hTable);
        return 0;
    }
    const char* name = form->achDBName;
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function,[achDBName=%s] pbyTuple is null!\n", DBS_HERE,
                    name);
        return 0;
    }
    if (RefuseOversized(form, "DbsSysUpdateTabTuple")) return 0;
    const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
    if (!DbsUpdateTabPrepare(hTable, tuple)) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function,[achDBName=%s] Update prepare not pass!\n",
                    DBS_HERE, name);
        return 0;
    }

    uint8_t priKey[kKeyBufLen];
    uint16_t priLen = 0;
    switch (DbsGetIndexValue(hTable, 0, tuple, priKey, sizeof priKey, &priLen)) {
        case DBS_KEY_OK:
            if (DbsLocateTupleEX(form->adwIdxHandle[0], priKey) != 1) {
                DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function, %s: Tuple not exists!\n", DBS_HERE, name);
                return 0;
            }
            break;
        case DBS_KEY_NO_INDEX:
            // Without a primary index the first tuple is the one to replace.
            if (DbsGetTupleNumEX(hTable) == 0) {
                DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function, %s: Tuple not exists!\n", DBS_HERE, name);
                return 0;
            }
            DbsSkipToFirstEX(hTable);
            if (SetTupleStep(hTable, tuple) != 1) {
                DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function,[achDBName=%s] DbsSetTupleEX Fail!\n",
                            DBS_HERE, name);
                return 0;
            }
            return 1;
        case DBS_KEY_BUF_TOO_SMALL:
            DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function, %s: Index buffer is too small!\n", DBS_HERE,
                        name);
            return 0;
        default:
            DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function, %s: Undefined error!\n", DBS_HERE, name);
            return 0;
    }

    uint8_t old[kTupleBufLen];
    if (DbsGetTupleEX(hTable, old) != 1) return 0;  // the core has written its line
    const uint32_t tupleNo = DbsGetTupleNoEX(hTable);
    const uint32_t hPrimary = form->adwIdxHandle[0];

    // First decide every changed secondary key, so that a refusal leaves all indexes untouched.
    KeyMove moves[DBS_IDX_SLOTS];
    unsigned moveCount = 0;
    for (unsigned slot = 1; slot < DBS_IDX_SLOTS; ++slot) {
        const TagIdxForm* idx = SlotIndex(form, slot);
        if (idx == nullptr) break;
        KeyMove& m = moves[moveCount];
        uint16_t oldLen = 0;
        if (DbsGetIndexValue(hTable, static_cast<uint16_t>(slot), tuple, m.newKey, kKeyBufLen, &m.len) != 0 ||
            DbsGetIndexValue(hTable, static_cast<uint16_t>(slot), old, m.oldKey, kKeyBufLen, &oldLen) != 0) {
            DbsTraceLog("[File=%s,Line=%d] %s: DbsGetIndexValue fail!\n", DBS_HERE, name);
            return 0;
        }
        if (std::memcmp(m.newKey, m.oldKey, m.len) == 0) continue;
        if (idx->byIdxUpdatable == 0) {
            DbsTraceLog("[File=%s,Line=%d] The %dth index of %s is not updatable, update tuple fail!\n", DBS_HERE,
                        static_cast<int>(slot), name);
            DbsSetTupleNoEX(hTable, tupleNo);  // an earlier slot's locate may have moved it
            return 0;
        }
        if (DbsLocateTupleEX(idx->dwIdxHandle, m.newKey) == 1) {
            DbsTraceLog("[File=%s,Line=%d], %s object already exist, Update Fail!\n", DBS_HERE, name);
            DbsSetTupleNoEX(hTable, tupleNo);
            return 0;
        }
        m.idx = idx;
        m.slot = slot;
        ++moveCount;
    }

    // Then move the keys; the failed locates may have moved the cursor, and insertions point at it.
    DbsSetTupleNoEX(hTable, tupleNo);
    IndexUndoLog log(kSecondaryCalls);
    for (unsigned i = 0; i < moveCount; ++i) {
        const KeyMove& m = moves[i];
        const uint32_t before = IndexEntryCount(m.idx, Memory::Secondary);
        if (DeleteSecondaryKey(kSecondaryCalls, hPrimary, priKey, m.idx->dwIdxHandle, m.oldKey) != 1) {
            DbsTraceLog("[File=%s,Line=%d] The %dth index of %s: DbsDeleteSecondaryIndexEX fail, update tuple "
                        "fail!\n", DBS_HERE, static_cast<int>(m.slot), name);
            log.Undo(hTable);
            return 0;
        }
        if (IndexEntryCount(m.idx, Memory::Secondary) < before) log.Removed(m.idx->dwIdxHandle, m.oldKey, m.len, tupleNo);
        if (!InsertOneKey(kSecondaryCalls, m.idx->dwIdxHandle, m.newKey, m.len, tupleNo, log)) {
            DbsTraceLog("[File=%s,Line=%d] The %dth index of %s: DbsInsertIndexEX fail, update tuple fail!\n",
                        DBS_HERE, static_cast<int>(m.slot), name);
            log.Undo(hTable);
            return 0;
        }
    }
    if (SetTupleStep(hTable, tuple) != 1) {
        DbsTraceLog("[File=%s,Line=%d] DbsSysUpdateTabTuple Function,[achDBName=%s] DbsSetTupleEX Fail!\n", DBS_HERE,
                    name);
        log.Undo(hTable);
        return 0;
    }
    return 1;
}

DBS_API uint8_t DbsSysDeleteTabTuple(uint32_t hTable, const void* pbyTuple) {
    try {
        const TagDBForm* form = dbs::core::TableForm(hTable);
        if (form == nullptr) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteTabTuple Function,TableHandle = %x is error!", DBS_HERE, hTable);
            return 0;
        }
        const char* name = form->achDBName;
        if (RefuseOversized(form, "DbsSysDeleteTabTuple")) return 0;
        if (!DbsDeleteTabPrepare(hTable, pbyTuple)) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteTabTuple Function,[achDBName=%s] Delete prepare not pass!",
                        DBS_HERE, name);
            return 0;
        }
        const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
        if (DbsSysLocateTupleEX(hTable, 0, tuple) != 1) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteTabTuple Function,[achDBName=%s] Locate Tuple not exist!",
                        DBS_HERE, name);
            return 0;
        }
        IndexUndoLog log(kSecondaryCalls);
        if (!DeleteTupleKeys(kSecondaryCalls, form, tuple, log)) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteTabTuple Function,[achDBName=%s] DbsSysDeleteIndexEX fail!",
                        DBS_HERE, name);
            return 0;
        }
        if (DeleteTupleStep(hTable) != 1) {
            DbsTraceLog("[File=%s,Line=%d] DbsSysDeleteTabTuple Function,[achDBName=%s] DbsDeleteTupleEX fail!",
                        DBS_HERE, name);
            log.Undo(hTable);
            return 0;
        }
        return 1;
    } catch (...) {
        DBS_TRACE_DIRECT("DbsSysDeleteTabTuple cath error, no is %d", errno);
        return 0;
    }
}

}  // extern "C"
