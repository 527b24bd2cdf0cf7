// The check-constraint pass: every record of the check list that belongs to the table names a numeric column
// and a condition (condition.cpp) that the column's value in the tuple must satisfy.
//
// A record naming a column the table does not have refuses the change: there is no value to test.
#include <cstring>

#include "catalog/catalog_lists.h"
#include "catalog/constraint_checks.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {

bool DbsGetCheckColumnValue(uint32_t hTable, const char* column, const uint8_t* tuple, uint32_t* value) {
    if (tuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    const TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr || column == nullptr || value == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] DbsGetCheckColumnValue: TableHandle = %x is error!", DBS_HERE, hTable);
        return false;
    }
    const TagDMForm* field = FindField(form, column);
    if (field == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] Check Constraints column [achDBName=%s,achCheckColumnName=%.32s] not exist!",
                    DBS_HERE, form->achDBName, column);
        return false;
    }
    const uint8_t* src = tuple + (field->wDMOffset - 1);
    switch (field->chDMType) {
        case DBS_KIND_BYTE:
            *value = src[0];
            return true;
        case DBS_KIND_WORD:
            if (field->wDMLen >= 2) {
                uint16_t w;
                std::memcpy(&w, src, sizeof w);
                *value = w;
                return true;
            }
            break;
        case DBS_KIND_DWORD:
            if (field->wDMLen >= 4) {
                uint32_t d;
                std::memcpy(&d, src, sizeof d);
                *value = d;
                return true;
            }
            break;
        default:
            break;
    }
    DbsTraceLog("[File=%s,Line=%d] Check Constraints column [achDBName=%s,achCheckColumnName=%.32s] type %c is not "
                "a number!", DBS_HERE, form->achDBName, column, field->chDMType);
    return false;
}

bool DbsCheckConsCheck(uint32_t hTable, const uint8_t* tuple) {
    if (tuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    bool seen = false;
    for (uint32_t i = 0; i < gdwSysCheckConsNum; ++i) {
        const TagSYSCONSTRAINTSTuple& rec = gptSysCheckCons[i];
        if (rec.dwTableHandle != hTable) {
            if (seen) return true;  // the table's records are adjacent: the next table ends them
            continue;
        }
        seen = true;
        char column[sizeof rec.achCheckColumnName + 1] = {};
        std::memcpy(column, rec.achCheckColumnName, sizeof rec.achCheckColumnName);
        char condition[sizeof rec.achSearchCondition + 1] = {};
        std::memcpy(condition, rec.achSearchCondition, sizeof rec.achSearchCondition);
        uint32_t value = 0;
        if (!DbsGetCheckColumnValue(hTable, column, tuple, &value)) {
            DbsTraceLog("[File=%s,Line=%d] DbsGetCheckColumnValue get Check Constraints value Fail!", DBS_HERE);
            return false;
        }
        if (!CheckSearchCondition(value, condition)) {
            DbsTraceLog("[File=%s,Line=%d] Check Constraints[achDBName=%s,achCheckColumnName=%s,dwValue = %d,"
                        "achSearchCondition = %s] not pass !", DBS_HERE, TableName(hTable), column,
                        static_cast<int>(value), condition);
            return false;
        }
    }
    return true;
}

}  // namespace dbs::catalog
