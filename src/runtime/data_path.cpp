// The data path and the version path derived from it.
//
// The host's path is copied with a bound: one of more than 259 characters is refused with a trace line and the
// previous path stays. The version path is the data path, or the platform default while none is set.
#include "runtime/data_path.h"

#include <cstring>

#include "runtime/trace_log.h"

namespace {
char gachDataPath[DBS_PATH_SIZE] = {};
}

namespace dbs::runtime {
const char* DataPath() { return gachDataPath; }
}  // namespace dbs::runtime

extern "C" {

DBS_API void DbsSetDataPath(const char* pchDataPath) {
    if (pchDataPath == nullptr) return;
    size_t len = std::strlen(pchDataPath);
    if (len >= DBS_PATH_SIZE) {
        DbsTraceLog("FILE %s, Line %d, data path of %d characters is too long (at most %d), not set!", DBS_HERE,
                    static_cast<int>(len), DBS_PATH_SIZE - 1);
        return;
    }
    std::memcpy(gachDataPath, pchDataPath, len + 1);
}

DBS_API uint8_t DbsSwGetCurVerPath(char* pchVerPath) {
    if (pchVerPath == nullptr) {
        DbsTraceLog("[File:%s Line:%d] DbsSwGetCurVerPath param pchVerPath is NULL!", DBS_HERE);
        return 0;
    }
    if (gachDataPath[0] != '\0') {
        std::memcpy(pchVerPath, gachDataPath, std::strlen(gachDataPath) + 1);
    } else {
        std::memcpy(pchVerPath, DBS_DEFAULT_VERSION_PATH, sizeof DBS_DEFAULT_VERSION_PATH);
        DbsTraceLog("[File:%s Line:%d] Get version path fail, Use sw1 as default version path!", DBS_HERE);
    }
    return 1;
}

}  // extern "C"
