/*
 * Starting and stopping the core store.
 *
 * DbsCoreInit obtains the work area, the table form, the index form and the path table (all zero-filled, in
 * that order), fills the path table and marks the core started. A start that cannot obtain every block gives
 * back the ones it already has, so the core stays stopped and a later start can succeed.
 *
 * DbsCoreRelease frees every index buffer block, every table storage block and the four global blocks, and
 * forgets the table count, after which every handle is invalid.
 */
#include <cstring>

#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "runtime/trace_log.h"

namespace {

constexpr const char* kPathNames[4] = {"data", "temp", "version", "data/rollback"};

void FreeGlobalBlocks() {
    DbsFree(gpQdbWorkArea);
    gpQdbWorkArea = nullptr;
    DbsFree(gptDB_Form);
    gptDB_Form = nullptr;
    DbsFree(gptIdx_Form);
    gptIdx_Form = nullptr;
    DbsFree(gptDbsPath);
    gptDbsPath = nullptr;
}

}  // namespace

extern "C" {

DBS_API uint8_t DbsCoreInit(void) {
    if (gbDbsInit == 1) return 0;
    gwIdxFormNum = DBS_MAX_INDEXES;

    gpQdbWorkArea = static_cast<uint8_t*>(DbsMalloc(kQdbWorkAreaSize));
    if (gpQdbWorkArea != nullptr) gptDB_Form = static_cast<TagDBForm*>(DbsMalloc(sizeof(TagDBForm) * DBS_MAX_TABLES));
    if (gptDB_Form != nullptr) gptIdx_Form = static_cast<TagIdxForm*>(DbsMalloc(sizeof(TagIdxForm) * DBS_MAX_INDEXES));
    if (gptIdx_Form != nullptr) gptDbsPath = static_cast<TagDbsPath*>(DbsMalloc(sizeof(TagDbsPath)));
    if (gptDbsPath == nullptr) {
        FreeGlobalBlocks();
        gwIdxFormNum = 0;
        return 0;
    }

    for (uint16_t no = 0; no < DBS_MAX_TABLES; ++no) dbs::core::ResetTableSideState(no, 0);
    for (uint8_t n = 1; n <= 4; ++n) DbsSetPath(n, kPathNames[n - 1]);
    for (uint8_t n = 1; n <= 4; ++n) {
        gptDbsPath->abyPathFlag[n - 1] = DbsCheckPath(gptDbsPath->achPath[n - 1]) == 2 ? 1 : 0;
    }
    DbsSetCurPath(DBS_PATH_VERSION);
    gbDbsInit = 1;
    return 1;
}

DBS_API uint8_t DbsCoreRelease(void) {
    if (gbDbsInit == 0) return 0;
    dbs::core::ReleaseAllMarks();
    dbs::core::ReleaseAllFreeSlots();
    gwIdxFormNum = 0;
    DbsFree(gpQdbWorkArea);
    gpQdbWorkArea = nullptr;

    // The two buffers of an index are one block that starts at apchIdxAddr[0].
    for (uint32_t no = 0; no < DBS_MAX_INDEXES; ++no) {
        TagIdxForm& idx = gptIdx_Form[no];
        if (!dbs::core::IsValidIndex(idx.dwIdxHandle) || idx.apchIdxAddr[0] == nullptr) continue;
        DbsFree(idx.apchIdxAddr[0]);
        idx.apchIdxAddr[0] = nullptr;
        idx.apchIdxAddr[1] = nullptr;
    }
    for (uint16_t no = 0; no < DBS_MAX_TABLES; ++no) {
        TagDBForm& form = gptDB_Form[no];
        if (dbs::core::IsValidTable(form.dwDBHandle) && form.ptDomain != nullptr) {
            DbsFree(form.ptDomain);
            form.ptDomain = nullptr;
            form.apchDBAddr[0] = nullptr;
            form.apchDBAddr[1] = nullptr;
        }
        dbs::core::ResetTableSideState(no, 0);
    }

    FreeGlobalBlocks();
    gwTableNum = 0;
    gwIdxNum = 0;
    gbDbsInit = 0;
    return 1;
}

}  // extern "C"
