// The child side of foreign keys: before a tuple is inserted or updated, every foreign key of its table whose
// filter holds for the tuple must find the tuple's key (built from the listed columns) in the parent index.
// A malformed string makes its constraint not apply; a key that cannot be built refuses the change.
#include <cstring>

#include "catalog/catalog_lists.h"
#include "catalog/foreign_key.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {

bool FkConsValueCheck(uint32_t hTable, const uint8_t* tuple, const char* cons, std::string_view* columns) {
    if (columns != nullptr) *columns = std::string_view{};
    if (!dbs::core::IsValidTable(hTable)) {
        DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid!", DBS_HERE, hTable);
        return false;
    }
    if (tuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    if (cons == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pchConsIn is NULL!", DBS_HERE);
        return false;
    }
    const std::string_view text(cons, strnlen(cons, kConsStrLen));
    const FkParts parts = SplitFkString(text);
    if (parts.malformed) {
        DbsTraceLog("[File:%s Line%d] FkConsValueCheck: Constraint string:%.*s error!", DBS_HERE,
                    static_cast<int>(text.size()), text.data());
        return false;
    }
    if (columns != nullptr && (!parts.hasFilter || !parts.columns.empty())) *columns = parts.columns;
    if (!parts.hasFilter) return true;

    std::string_view rest = parts.filter;
    while (true) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        if (rest.empty()) return true;
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);

        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            DbsTraceLog("[File:%s Line%d] FkConsValueCheck: Constraint string:%.*s error!", DBS_HERE,
                        static_cast<int>(text.size()), text.data());
            return false;
        }
        std::string_view name = item.substr(0, eq);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        std::string_view value = item.substr(eq + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);

        char nameBuf[kConsStrLen + 1] = {};
        name.copy(nameBuf, kConsStrLen);
        uint16_t offset = 0, len = 0;
        char type = 0;
        if (!GetFieldProp(hTable, nameBuf, &offset, &type, &len)) return false;
        if (!FkConsFieldCompare(tuple + (offset - 1), len, type, value)) return false;
    }
}

bool FkConsInsertCheck(const TagSYSCONSTRAINTSTuple* cons, const std::string_view* columns, const uint8_t* tuple) {
    if (cons == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] ptCons is NULL!", DBS_HERE);
        return false;
    }
    if (columns == nullptr || columns->data() == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pchConsStr is NULL!", DBS_HERE);
        return false;
    }
    if (tuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    if (columns->empty()) {
        DbsTraceLog("[File=%s,Line=%d] The constraint string id empty!", DBS_HERE);
        return false;
    }
    const int listLen = static_cast<int>(columns->size());
    uint8_t key[kKeyBufLen];
    uint16_t keyLen = 0;
    switch (BuildColumnKey(cons->dwTableHandle, *columns, tuple, key, &keyLen, nullptr)) {
        case ColumnKeyResult::Ok:
            break;
        case ColumnKeyResult::UnknownColumn:
            DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS config error:%.*s, Insert fail!", DBS_HERE, listLen,
                        columns->data());
            return false;
        case ColumnKeyResult::CharColumnTooLong:
            DbsTraceLog("[File=%s,Line=%d] wDMLen is too long!", DBS_HERE);
            return false;
        case ColumnKeyResult::TooManyColumns:
        case ColumnKeyResult::KeyTooLong:
            DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS config error:%.*s, more than %d columns or %d key "
                        "bytes, Insert fail!", DBS_HERE, listLen, columns->data(),
                        static_cast<int>(kMaxListedColumns), static_cast<int>(kKeyBufLen));
            return false;
    }
    // The locate reads the parent's whole key length from the key buffer.
    const TagIdxForm* parent = dbs::core::IndexForm(cons->dwRelIndexHandle);
    if (parent != nullptr && parent->wIdxEntryLen > kKeyBufLen + 4) {
        DbsTraceLog("[File=%s,Line=%d] R_SYSCONSTRAINTS parent index %x key longer than %d bytes, Insert fail!",
                    DBS_HERE, cons->dwRelIndexHandle, static_cast<int>(kKeyBufLen));
        return false;
    }
    return DbsLocateTupleEX(cons->dwRelIndexHandle, key) == 1;
}

bool DbsFkConsCheck(uint32_t hTable, const uint8_t* tuple) {
    if (tuple == nullptr) {
        DbsTraceLog("[File=%s,Line=%d] pbyTuple is NULL!", DBS_HERE);
        return false;
    }
    for (uint32_t i = 0; i < gdwSysConstraintsNum; ++i) {
        const TagSYSCONSTRAINTSTuple& rec = gptSysConstraints[i];
        if (rec.dwTableHandle != hTable) continue;
        if (rec.byConsType != DBS_CONS_FK_RESTRICT && rec.byConsType != DBS_CONS_FK_CASCADE) continue;
        char cons[kConsStrLen + 1] = {};
        std::memcpy(cons, rec.achSearchCondition, sizeof rec.achSearchCondition);
        std::string_view columns;
        if (!FkConsValueCheck(rec.dwTableHandle, tuple, cons, &columns)) continue;  // filter does not hold
        if (!FkConsInsertCheck(&rec, &columns, tuple)) {
            DbsTraceLog("[File=%s,Line=%d] Foreign Key[achDBName=%s,dwConstraintHandle=%x,achDBNameRelation=%s] "
                        "check not pass!", DBS_HERE, TableName(hTable), rec.dwConstraintHandle,
                        TableName(rec.dwRelTableHandle));
            return false;
        }
    }
    return true;
}

}  // namespace dbs::catalog
