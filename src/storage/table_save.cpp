// Saving tables: the default save method, the save dispatcher and DbsSaveDataToQDB for the whole store.
//
// One table is saved as NAME.TMP in the directory of the current path number and then put in the place of
// NAME.QDB by a single rename, after the temporary file has been written whole and synced. Until that rename the
// old NAME.QDB is untouched, so a failure at any step (open, a record, the close, the sync, the rename) leaves
// the previous file as it was, the work area free, and the table's save-pending bit set.
#include <cstdio>
#include <cstring>

#include "runtime/platform.h"
#include "runtime/trace_log.h"
#include "storage/qdb_work_area.h"

namespace {

using namespace dbs::storage;

// Writes every record in use of the table's main memory to the open file, the saved fields only, in slot order.
// Like a walk with DbsSkipToFirst / DbsSkipToNext, it leaves the main-memory cursor on the last record in use.
bool WriteRecords(uint32_t hTable, const TagDBForm& form) {
    const char* buffer = dbs::core::TableBuffer(&form, false);
    const size_t slotLen = form.wTupleLen;
    if (buffer == nullptr || slotLen == 0) return true;
    uint32_t last = 0;
    for (uint32_t no = 1; no <= form.dwMaxTupleNum; ++no) {
        const auto* slot = reinterpret_cast<const uint8_t*>(buffer) + (no - 1) * slotLen;
        if (slot[0] != kTupleInUse) continue;
        last = no;
        PutTupleToWorkArea(std::span<const uint8_t>(slot + 1, slotLen - 1));
        if (DbsWriteTupleToWorkArea() == 0) {
            DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod:DbsWriteTupleToWorkArea ERROR!", DBS_HERE,
                        hTable);
            return false;
        }
    }
    if (last != 0) DbsSetTupleNo(hTable, last);
    return true;
}

}  // namespace

extern "C" {

DBS_API uint8_t DbsDefaultSaveMethod(uint32_t hTable, TagDBForm* ptForm) {
    if (ptForm == nullptr) {
        DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod: table descriptor is NULL", DBS_HERE, hTable);
        return 0;
    }
    if ((ptForm->byDBFlag & DBS_FLAG_SAVE_PENDING) == 0) return 0;
    const size_t dataLen = ptForm->wTupleLen > 0 ? ptForm->wTupleLen - 1u : 0u;
    if (dataLen > kValueBufferSize) {
        DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod: record length %d exceeds %d bytes", DBS_HERE,
                    hTable, static_cast<int>(dataLen), static_cast<int>(kValueBufferSize));
        return 0;
    }

    const uint8_t pathNo = DbsGetCurPath();
    char tmpPath[kQdbPathSize];
    char qdbPath[kQdbPathSize];
    if (!MakeTablePath(tmpPath, pathNo, ptForm->achDBName, ".TMP") ||
        !MakeTablePath(qdbPath, pathNo, ptForm->achDBName, ".QDB")) {
        DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod: no file name for path %d", DBS_HERE, hTable,
                    pathNo);
        return 0;
    }
    std::remove(tmpPath);

    if (DbsOpenQDB(hTable, DBS_FILE_CREATE, tmpPath) == 0) return 0;
    if (!WriteRecords(hTable, *ptForm)) {
        AbandonQDB();
        return 0;
    }
    if (DbsCloseQDB() == 0) {
        DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod:DbsCloseQDB ERROR!", DBS_HERE, hTable);
        DbsSetTableFlag(hTable, DBS_FLAG_SAVE_PENDING);
        return 0;
    }
    if (!dbs::platform::ReplaceFile(tmpPath, qdbPath)) {
        DbsTraceLog("[File:%s Line%d] [Table=%x]DbsDefaultSaveMethod: rename %s to %s ERROR!", DBS_HERE, hTable,
                    tmpPath, qdbPath);
        DbsSetTableFlag(hTable, DBS_FLAG_SAVE_PENDING);
        return 0;
    }
    DbsSetTableFlag(hTable, DBS_FLAG_CLEAR | DBS_FLAG_SAVE_PENDING);
    return 1;
}

DBS_API uint8_t DbsSaveRTable(uint32_t hTable) {
    TagDBForm* form = dbs::core::TableForm(hTable);
    if (form == nullptr) {
        DbsTraceLog("[File:%s Line%d] Table Handle %x Invalid", DBS_HERE, hTable);
        return 0;
    }
    DbsFormMethodFn save = form->pfnSave;
    if (save == nullptr || (form->byDBFlag & DBS_FLAG_SAVE_PENDING) == 0) return 0;
    return save(hTable, form);
}

DBS_API uint8_t DbsSaveDataToQDB(const char* pchPath, uint8_t byMode) {
    if (gbDbsInit != 1 || gptDbsPath == nullptr) {
        DbsTraceLog("FILE %s, Line %d, DBS is in uninitialized state!", DBS_HERE);
        return 0;
    }
    if (pchPath != nullptr && strnlen(pchPath, DBS_PATH_SIZE) == DBS_PATH_SIZE) {
        DbsTraceLog("FILE %s, Line %d, save path is longer than %d characters, nothing saved!", DBS_HERE,
                    DBS_PATH_SIZE - 1);
        return 0;
    }
    char verPath[DBS_PATH_SIZE] = {};
    DbsSwGetCurVerPath(verPath);
    const uint8_t oldPathNo = DbsGetCurPath();

    DbsSetDataPath(pchPath);
    const uint8_t pathNo = byMode == DBS_SAVE_TO_VERSION ? DBS_PATH_VERSION : DBS_PATH_TEMP;
    DbsSetPath(pathNo, "");
    DbsSetCurPath(pathNo);

    int failures = 0;
    for (uint16_t no = 0; no < gwTableNum && no < DBS_MAX_TABLES; ++no) {
        const uint32_t hTable = DbsGetDBHandle(no);
        if (hTable == 0) continue;
        const TagDBForm* form = dbs::core::TableForm(hTable);
        if (form == nullptr || form->byDBType == DBS_TABLE_TYPE_NOSAVE) continue;
        DbsSetCurPath(pathNo);
        DbsSetTableFlag(hTable, DBS_FLAG_SAVE_PENDING);
        if (DbsSaveRTable(hTable) == 0) {
            DbsTraceLog("FILE %s, Line %d, Save Table %s Data Error!", DBS_HERE, form->achDBName);
            ++failures;
        }
    }

    DbsSetDataPath(verPath);
    DbsSetCurPath(oldPathNo);
    if (pathNo == DBS_PATH_VERSION) {
        DbsSetPath(DBS_PATH_VERSION, "version");
    } else {
        DbsSetPath(DBS_PATH_TEMP, "temp");
    }
    return failures == 0 ? 1 : 0;
}

}  // extern "C"
