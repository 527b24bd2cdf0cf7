// POSIX (and Windows) implementations of the platform unit.
#include "runtime/platform.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "runtime/fault_injection.h"

namespace dbs::platform {

bool SyncFile(FILE* file) {
    if (file == nullptr) return false;
    if (dbs::fault::IoFault(dbs::fault::IoOp::Sync) != -2) return false;
    if (std::fflush(file) != 0) return false;
#if defined(_WIN32)
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool ReplaceFile(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    if (dbs::fault::IoFault(dbs::fault::IoOp::Rename) != -2) return false;
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

bool MakeDirectories(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    std::string p(path);
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/' || p[i] == '\\') {
            std::string part = p.substr(0, i);
#if defined(_WIN32)
            int rc = _mkdir(part.c_str());
#else
            int rc = mkdir(part.c_str(), 0777);
#endif
            if (rc != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st {};
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace dbs::platform
