// Building the store from the catalogue lists (called once per initialisation, on an empty table form).
//
// Unlike a builder that trusts the core, every creation step is examined: a table form, field, storage block or
// index that cannot be created fails the build, so the store never starts with tables missing their storage.
// Tables whose tuples would not fit the checked operations' 10,600-byte work buffers, tables of more than 255
// fields and keys longer than 100 bytes are refused before anything is created.
#include <cstring>

#include "catalog/catalog_lists.h"
#include "catalog/store_builder.h"
#include "catalog/table_view.h"
#include "runtime/trace_log.h"

namespace dbs::catalog {
namespace {

constexpr size_t kMaxTableColumnsNoted = 128;

bool ValidKind(char kind) {
    return kind == DBS_KIND_CHAR || kind == DBS_KIND_DWORD || kind == DBS_KIND_LOGIC || kind == DBS_KIND_BYTE ||
           kind == DBS_KIND_WORD;
}

bool CheckRecords(const TagSYSTABTuple* tables, uint32_t tableNum, const TagSYSCOLUMNTuple* columns,
                  uint32_t columnNum) {
    for (uint32_t t = 0; t < tableNum; ++t) {
        const size_t len = strnlen(tables[t].achDBName, sizeof tables[t].achDBName);
        if (len > DBS_TABLE_NAME_SIZE - 1) {
            DbsTraceLog("[File=%s, Line=%d] create table %.13s error,name exceed 8 chars!", DBS_HERE,
                        tables[t].achDBName);
            return false;
        }
        if (len == 0) {
            DbsTraceLog("[File=%s, Line=%d] create table %s error,name 0 chars!", DBS_HERE, tables[t].achDBName);
            return false;
        }
    }
    for (uint32_t c = 0; c < columnNum; ++c) {
        const TagSYSCOLUMNTuple& col = columns[c];
        const size_t len = strnlen(col.achDMName, sizeof col.achDMName);
        if (len == 0 || len >= DBS_DOMAIN_NAME_SIZE) {
            DbsTraceLog("[File=%s, Line=%d] Column name Length %.32s error!", DBS_HERE, col.achDMName);
            return false;
        }
        if (!ValidKind(col.chDMType)) {
            DbsTraceLog("[File=%s, Line=%d] field %s kind %d invalid.", DBS_HERE, col.achDMName, col.chDMType);
            return false;
        }
        if (col.wDMLen == 0) {
            DbsTraceLog("[File=%s, Line=%d] field %s length is 0.", DBS_HERE, col.achDMName);
            return false;
        }
    }
    // Whole tables: the number of fields fits the descriptor and a tuple fits the work buffers.
    for (uint32_t t = 0; t < tableNum; ++t) {
        size_t fields = 0, tupleLen = 0;
        for (uint32_t c = 0; c < columnNum; ++c) {
            if (columns[c].dwTableHandle != tables[t].dwTableHandle) continue;
            ++fields;
            tupleLen += columns[c].wDMLen;
        }
        if (fields > kMaxFields) {
            DbsTraceLog("[File=%s, Line=%d] create table %s error,%u fields exceed %u!", DBS_HERE,
                        tables[t].achDBName, static_cast<unsigned>(fields), static_cast<unsigned>(kMaxFields));
            return false;
        }
        if (tupleLen > kTupleBufLen) {
            DbsTraceLog("[File=%s, Line=%d] create table %s error,tuple length %u exceed %u!", DBS_HERE,
                        tables[t].achDBName, static_cast<unsigned>(tupleLen), static_cast<unsigned>(kTupleBufLen));
            return false;
        }
    }
    return true;
}

}  // namespace

bool DbsCreateTables(const TagSYSTABTuple* tables, uint32_t tableNum, const TagSYSCOLUMNTuple* columns,
                     uint32_t columnNum) {
    if ((tableNum > 0 && tables == nullptr) || (columnNum > 0 && columns == nullptr)) return false;
    if (!CheckRecords(tables, tableNum, columns, columnNum)) return false;

    for (uint32_t t = 0; t < tableNum; ++t) {
        const TagSYSTABTuple& tab = tables[t];
        uint32_t count = 0;
        for (uint32_t c = 0; c < columnNum; ++c) {
            if (columns[c].dwTableHandle == tab.dwTableHandle) ++count;
        }
        if (count > kMaxTableColumnsNoted) {
            DbsTraceLog("[File: %s, Line: %d] Table Column Num exceed %d ! ", DBS_HERE, static_cast<int>(count));
        }
        if (DbsCreateTableForm(tab.dwTableHandle, tab.achDBName, 0, tab.wMaxRecNum, static_cast<uint16_t>(count)) !=
                1 ||
            DbsSetTableType(tab.dwTableHandle, tab.byTableType) != 1) {
            return false;
        }
    }
    for (uint32_t c = 0; c < columnNum; ++c) {
        const TagSYSCOLUMNTuple& col = columns[c];
        if (DbsAddDomain(col.dwTableHandle, col.achDMName, col.chDMType, col.wDMLen, col.bySaveFlag) != 1) {
            return false;
        }
    }
    for (uint32_t t = 0; t < tableNum; ++t) {
        if (DbsAllocMemory(tables[t].dwTableHandle) != 1) return false;
    }
    return true;
}

uint8_t SingleCreateIndex(const TagSYSCONSCOLUMNTuple* group, uint16_t n) {
    if (group == nullptr || n == 0 || n > kMaxKeyColumns) return 0;
    const uint32_t hTable = group[0].dwTableHandle;
    const uint32_t hIndex = group[0].dwConstraintHandle;
    TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) return 0;
    if (DBS_HANDLE_KIND(hIndex) != DBS_HANDLE_INDEX || DBS_HANDLE_NO(hIndex) / DBS_IDX_SLOTS != DBS_HANDLE_NO(hTable)) {
        DbsTraceLog("[File: %s, Line: %d] %s Create index error,index %xH not of this table.", DBS_HERE,
                    form->achDBName, hIndex);
        return 0;
    }

    uint8_t fieldNos[kMaxKeyColumns] = {};
    unsigned keyLen = 0;
    for (uint16_t i = 0; i < n; ++i) {
        char name[DBS_DOMAIN_NAME_SIZE + 1] = {};
        std::memcpy(name, group[i].achDMName, sizeof group[i].achDMName);
        const TagDMForm* field = FindField(form, name);
        if (field == nullptr) {
            DbsTraceLog("[File: %s, Line: %d] %s Create index error,key %s no exist.", DBS_HERE, form->achDBName, name);
            return 0;
        }
        fieldNos[i] = static_cast<uint8_t>(field - form->ptDomain + 1);
        keyLen += field->wDMLen;
    }
    if (keyLen > kKeyBufLen) {
        DbsTraceLog("[File: %s, Line: %d] %s Create index error,key length %u exceed %u.", DBS_HERE, form->achDBName,
                    keyLen, static_cast<unsigned>(kKeyBufLen));
        return 0;
    }
    if (DbsCreateIndexHandle(hTable, hIndex, DBS_IDX_SORTED, 0, 0, static_cast<uint16_t>(keyLen)) != 1) return 0;
    if (DbsAllocMemory(hIndex) != 1) return 0;

    TagIdxForm* idx = dbs::core::IndexForm(hIndex);
    if (idx == nullptr) return 0;
    idx->byIdxKeyNum = static_cast<uint8_t>(n);
    uint8_t updatable = DBS_HANDLE_NO(hIndex) % DBS_IDX_SLOTS == 0 ? 0 : 1;
    for (uint32_t i = 0; i < gdwSysFixedIdxNum && updatable != 0; ++i) {
        if (gptSysFixedIdx[i].dwTableHandle == hTable && gptSysFixedIdx[i].dwConstraintHandle == hIndex) updatable = 0;
    }
    idx->byIdxUpdatable = updatable;
    for (uint16_t i = 0; i < n; ++i) {
        idx->abyIdxKey[i] = fieldNos[i];
        form->ptDomain[fieldNos[i] - 1].byDMKeyFlag |= 1;
    }
    return 1;
}

bool DbsMakeAllIndex(const TagSYSCONSCOLUMNTuple* keyColumns, uint32_t count) {
    if (count == 0 || keyColumns == nullptr) return true;
    TagSYSCONSCOLUMNTuple group[kMaxKeyColumns];
    uint16_t held = 0;
    uint32_t groupTable = keyColumns[0].dwTableHandle;
    uint32_t groupIndex = keyColumns[0].dwConstraintHandle;
    auto handOver = [&]() {
        if (SingleCreateIndex(group, held) == 1) return true;
        DbsTraceLog("[File=%s,Line=%d] SingleCreateIndex Constraints [dwTableHandle=%x,dwConstraintHandle=%x] Fail !",
                    DBS_HERE, groupTable, groupIndex);
        return false;
    };
    for (uint32_t i = 0; i < count; ++i) {
        const TagSYSCONSCOLUMNTuple& rec = keyColumns[i];
        if (rec.dwTableHandle != groupTable || rec.dwConstraintHandle != groupIndex) {
            if (!handOver()) return false;
            held = 0;
        }
        if (held >= kMaxKeyColumns) {
            // A ninth key column: the group is refused rather than cut to eight.
            DbsTraceLog("[File=%s,Line=%d] arr index[wOneIndexLoop=%d]  out of range !", DBS_HERE, held);
            DbsTraceLog("[File=%s,Line=%d] SingleCreateIndex Constraints [dwTableHandle=%x,dwConstraintHandle=%x] "
                        "Fail !", DBS_HERE, rec.dwTableHandle, rec.dwConstraintHandle);
            return false;
        }
        group[held++] = rec;
        groupTable = rec.dwTableHandle;
        groupIndex = rec.dwConstraintHandle;
        if (i + 1 == count && !handOver()) return false;
    }
    return true;
}

}  // namespace dbs::catalog

using namespace dbs::catalog;

uint8_t DbsInitSysManageTable() {
    if (!DbsCreateTables(gptSysTab, gdwSysTabNum, gptSysColumn, gdwSysColumnNum)) {
        DbsTraceLog("[File=%s,Line=%d] DbsInitSysManageTable Function,Create table Fail!", DBS_HERE);
        return 0;
    }
    if (!DbsMakeAllIndex(gptSysConsColumn, gdwSysConsColumnNum)) {
        DbsTraceLog("[File=%s,Line=%d] DbsInitSysManageTable Function,Create index Fail!", DBS_HERE);
        return 0;
    }
    for (uint32_t t = 0; t < gdwSysTabNum; ++t) {
        const uint32_t h = gptSysTab[t].dwTableHandle;
        DbsSetTableMethod(h, DBS_METHOD_INSERT, reinterpret_cast<DbsMethodFn>(&DbsSysInsertTabTuple));
        DbsSetTableMethod(h, DBS_METHOD_UPDATE, reinterpret_cast<DbsMethodFn>(&DbsSysUpdateTabTuple));
        DbsSetTableMethod(h, DBS_METHOD_DELETE, reinterpret_cast<DbsMethodFn>(&DbsSysDeleteTabTuple));
    }
    return 1;
}
