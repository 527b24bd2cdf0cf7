// The prepare checks of the checked operations and the uniqueness checks they use.
//
// Insert: mutex tables, check constraints, primary then secondary uniqueness, child-side foreign keys.
// Update: check constraints and child-side foreign keys (the update itself guards changed secondary keys).
// Delete: every restricting foreign key that points at the table, then every cascading one; so no child tuple is
// deleted while a restricting child still refers to the parent.
#include <cstring>

#include "catalog/catalog_lists.h"
#include "catalog/constraint_checks.h"
#include "catalog/foreign_key.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {

bool DbsPrimaryUniqueCheck(const TagDBForm* form, const uint8_t* tuple) {
    if (DbsSysLocateTupleEX(form->dwDBHandle, 0, tuple) == 1) {
        DbsTraceLog("[File=%s,Line=%d] Table[%s] tuple already exist!", DBS_HERE, form->achDBName);
        return false;
    }
    return true;
}

bool DbsSecondaryUniqueCheck(const TagDBForm* form, const uint8_t* tuple) {
    for (unsigned slot = 1; slot < DBS_IDX_SLOTS; ++slot) {
        if (SlotIndex(form, slot) == nullptr) break;
        if (DbsSysLocateTupleEX(form->dwDBHandle, static_cast<uint16_t>(slot), tuple) == 1) {
            DbsTraceLog("[File=%s,Line=%d] Slave Index locate tuple!", DBS_HERE);
            return false;
        }
    }
    return true;
}

bool DbsInsertTabPrepare(uint32_t hTable, const uint8_t* tuple) {
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr || tuple == nullptr) return false;  // the callers have validated both
    return DbsMutexTableCheck(hTable) && DbsCheckConsCheck(hTable, tuple) && DbsPrimaryUniqueCheck(form, tuple) &&
           DbsSecondaryUniqueCheck(form, tuple) && DbsFkConsCheck(hTable, tuple);
}

}  // namespace dbs::catalog

using namespace dbs::catalog;

extern "C" {

DBS_API uint8_t DbsUpdateTabPrepare(uint32_t hTable, const void* pbyTuple) {
    if (!dbs::core::IsValidTable(hTable)) {
        DbsTraceLog("[File=%s,Line=%d] DbsUpdateTabPrepare Function,TableHandle = %x is error!", DBS_HERE, hTable);
        return 0;
    }
    const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
    if (!DbsCheckConsCheck(hTable, tuple)) return 0;
    if (!DbsFkConsCheck(hTable, tuple)) {
        DbsTraceLog("[File=%s,Line=%d] Table=%x Foreign Key check not pass!", DBS_HERE, hTable);
        return 0;
    }
    return 1;
}

DBS_API uint8_t DbsDeleteTabPrepare(uint32_t hTable, const void* pbyTuple) {
    if (!dbs::core::IsValidTable(hTable)) {
        DbsTraceLog("[File=%s,Line=%d] DbsDeleteTabPrepare Function,TableHandle = %x is error!", DBS_HERE, hTable);
        return 0;
    }
    if (pbyTuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return 0;
    }
    const auto* tuple = static_cast<const uint8_t*>(pbyTuple);
    // Restricting keys first, all of them, before any cascading key deletes a child.
    for (uint8_t type : {uint8_t{DBS_CONS_FK_RESTRICT}, uint8_t{DBS_CONS_FK_CASCADE}}) {
        for (uint32_t i = 0; i < gdwSysConstraintsNum; ++i) {
            const TagSYSCONSTRAINTSTuple& rec = gptSysConstraints[i];
            if (rec.dwRelTableHandle != hTable || rec.byConsType != type) continue;
            char cons[kConsStrLen + 1] = {};
            std::memcpy(cons, rec.achSearchCondition, sizeof rec.achSearchCondition);
            if (DbsSysFkConsDeleteCheck(&rec, cons, tuple, type)) continue;
            DbsTraceLog(type == DBS_CONS_FK_RESTRICT
                            ? "[File=%s,Line=%d] Child table [achDBName=%s,dwConstraintHandle=%x,"
                              "achDBNameRelation=%s] exist!"
                            : "[File=%s,Line=%d] Child table [achDBName=%s,dwConstraintHandle=%x,"
                              "achDBNameRelation=%s] delete fail!",
                        DBS_HERE, TableName(rec.dwTableHandle), rec.dwConstraintHandle, TableName(hTable));
            return 0;
        }
    }
    return 1;
}

}  // extern "C"
