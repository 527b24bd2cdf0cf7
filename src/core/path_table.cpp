/*
 * The path table: the four table-file directories under the version path and the current path number that
 * selects one of them for the table-file code.
 *
 * A path is built with bounds: when the version path and the name do not fit the 260-byte field together, the
 * path is refused with a trace line and left as it was. While the core is stopped there is no path table; the
 * setters then refuse with a trace line and DbsGetCurPath answers 0.
 */
#include <cstdio>
#include <cstring>

#include "core/core_state.h"
#include "core/core_trace.h"

extern "C" {

DBS_API void DbsSetPath(uint8_t byPathNo, const char* pchName) {
    if (gptDbsPath == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDbsPath is NULL", DBS_HERE);
        return;
    }
    DBS_REFUSE_NULL(pchName, );
    if (byPathNo < 1 || byPathNo > 4) return;

    char verPath[DBS_PATH_SIZE] = {};
    DbsSwGetCurVerPath(verPath);
    char joined[DBS_PATH_SIZE];
    const int len = std::snprintf(joined, sizeof joined, "%s%s", verPath, pchName);
    if (len < 0 || static_cast<size_t>(len) >= sizeof joined) {
        DbsTraceLog("[File:%s Line%d] path %d (%s%s) exceed %d chars", DBS_HERE, static_cast<int>(byPathNo),
                    verPath, pchName, DBS_PATH_SIZE - 1);
        return;
    }
    std::memcpy(gptDbsPath->achPath[byPathNo - 1], joined, static_cast<size_t>(len) + 1);
}

DBS_API void DbsSetCurPath(uint8_t byPathNo) {
    if (gptDbsPath == nullptr) {
        DbsTraceLog("[File:%s Line%d] gptDbsPath is NULL", DBS_HERE);
        return;
    }
    if (byPathNo <= 4) gptDbsPath->byCurPath = byPathNo;
}

DBS_API uint8_t DbsGetCurPath(void) {
    return gptDbsPath == nullptr ? 0 : gptDbsPath->byCurPath;
}

}  // extern "C"
