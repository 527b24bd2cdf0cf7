// Loading tables: the default load method with its two attempts, the loading of all tables and DbsLoadData.
//
// Records go through the table's insert method into secondary memory; only when every table has been read does
// DbsChangeOverAddr make secondary memory main for all tables at once, so the host's main memory is untouched
// while loading runs. An attempt that fails part-way (a record refused, a file malformed or shorter than its
// head says) clears what it inserted before the next attempt reads the ".TMP" file.
#include <cstring>

#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"
#include "storage/table_load.h"

namespace {

using namespace dbs::storage;

// Reads every record of the open file into the table's secondary memory; false at the first refusal.
bool InsertRecords(uint32_t hTable) {
    alignas(8) uint8_t tuple[kValueBufferSize];
    for (const uint8_t* record = DbsReadTupleFromWorkArea(); record != nullptr;
         record = DbsReadTupleFromWorkArea()) {
        if (DbsTranslateTuple(hTable, record, tuple) == 0) {
            DbsTraceLog("[File:%s Line%d] DbsTranslateTuple fail in DbsDefaultLoadMethod ....", DBS_HERE);
            return false;
        }
        if (DbsGetCurPath() == DBS_PATH_TEMP && DbsTupleChangeOrder(hTable, tuple, DBS_ORDER_NET_TO_HOST) == 0) {
            DbsTraceLog("[File:%s Line%d] DbsTupleChangeOrder fail in DbsDefaultLoadMethod ....", DBS_HERE);
            return false;
        }
        if (DbsInsertRTable(hTable, tuple) == 0) {
            DbsTraceLog("[File:%s Line%d] DbsInsertRTable fail in DbsDefaultLoadMethod ....", DBS_HERE);
            return false;
        }
    }
    // The end of the data and a failed read both end the loop; only the first is a complete file.
    return !ReadFailed();
}

}  // namespace

namespace dbs::storage {

uint8_t DbsLoadAllTables(uint8_t pathNo) {
    int failures = 0;
    for (uint16_t no = 0; no < gwTableNum && no < DBS_MAX_TABLES; ++no) {
        const uint32_t hTable = DbsGetDBHandle(no);
        if (hTable == 0) continue;
        const TagDBForm* form = dbs::core::TableForm(hTable);
        if (form == nullptr) continue;
        const uint8_t type = form->byDBType;
        if (type != DBS_TABLE_TYPE_FIRST && type != DBS_TABLE_TYPE_SECOND) continue;
        DbsSetCurPath(pathNo);
        if (DbsLoadRTable(hTable) == 0) {
            DbsTraceLog("[File:%s Line%d] Load table %s ERROR!", DBS_HERE, form->achDBName);
            if (type != DBS_TABLE_TYPE_SECOND) ++failures;
        }
    }
    DbsChangeOverAddr();
    return failures == 0 ? 1 : 0;
}

}  // namespace dbs::storage

extern "C" {

DBS_API uint8_t DbsDefaultLoadMethod(uint32_t hTable, TagDBForm* ptForm) {
    if (ptForm == nullptr) return 0;
    const size_t dataLen = ptForm->wTupleLen > 0 ? ptForm->wTupleLen - 1u : 0u;
    if (dataLen > kValueBufferSize) {
        DbsTraceLog("[File:%s Line%d] Table %s record length %d exceeds %d bytes in DbsDefaultLoadMethod", DBS_HERE,
                    ptForm->achDBName, static_cast<int>(dataLen), static_cast<int>(kValueBufferSize));
        return 0;
    }
    static constexpr const char* kAttemptExt[] = {".QDB", ".TMP"};
    for (const char* ext : kAttemptExt) {
        char path[kQdbPathSize];
        MakeTablePath(path, DbsGetCurPath(), ptForm->achDBName, ext);
        DbsTraceLog("[File:%s Line%d] File %s  Loading in DbsDefaultLoadMethod ....", DBS_HERE, path);

        bool ok = DbsOpenQDB(hTable, DBS_FILE_OPEN_RW, path) != 0;
        if (ok) ok = InsertRecords(hTable);
        if (ok) {
            DbsSetTableFlag(hTable, DBS_FLAG_CLEAR | DBS_FLAG_SAVE_PENDING);
            DbsTraceLog("[File:%s Line%d] Load file %s in DbsDefaultLoadMethod success.", DBS_HERE, path);
            DbsCloseQDB();
            return 1;
        }
        DbsTraceLog("[File:%s Line%d] Load file %s in DbsDefaultLoadMethod fails", DBS_HERE, path);
        DbsCloseQDB();
        DbsClrSecondaryMem(hTable);
    }
    return 0;
}

DBS_API uint8_t DbsLoadData(void) {
    if (gbDbsInit != 1) {
        DbsTraceLog("FILE %s, Line %d, DBS is in uninitialized state!", DBS_HERE);
        return 0;
    }
    return dbs::storage::DbsLoadAllTables(DBS_PATH_TEMP);
}

}  // extern "C"
