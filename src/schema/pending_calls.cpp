// TEMPORARY while the catalogue's store builder is written beside this branch: a weak stand-in that the real
// definition replaces. Removed once the builder is merged.
#include "catalog/catalog_lists.h"
#include "runtime/trace_log.h"

__attribute__((weak)) uint8_t DbsInitSysManageTable() {
    DbsTraceLog("[File=%s,Line=%d] DbsInitSysManageTable is not available yet", DBS_HERE);
    return 0;
}

// Likewise the core's started flag and table counters, until the core state is merged.
__attribute__((weak)) uint32_t gbDbsInit = 0;
__attribute__((weak)) uint16_t gwTableNum = 0;
__attribute__((weak)) uint16_t gwIdxNum = 0;
