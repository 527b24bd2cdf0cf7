// The four file helpers of the table-file code: open, close, and reads and writes at absolute offsets.
//
// Nothing relies on a stream's current position: every transfer positions the stream first and returns the
// number of bytes moved (0 when positioning fails). A short count is the caller's to judge.
#include <cstdio>

#include "runtime/fault_injection.h"
#include "runtime/trace_log.h"

namespace {

bool Seek(FILE* file, uint32_t offset) {
#if defined(_WIN32)
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

extern "C" {

DBS_API FILE* DbsFileOpen(const char* pchPath, uint8_t byMode) {
    if (pchPath == nullptr) {
        DbsTraceLog("[File:%s Line:%d] DbsFileOpen param pchPath is NULL!", DBS_HERE);
        return nullptr;
    }
    if (dbs::fault::IoFault(dbs::fault::IoOp::Open) != -2) return nullptr;
    return std::fopen(pchPath, byMode == DBS_FILE_OPEN_RW ? "r+b" : "w+b");
}

DBS_API uint8_t DbsFileClose(FILE* pFile) {
    if (pFile == nullptr) {
        DbsTraceLog("[File:%s Line:%d] Close File Error!", DBS_HERE);
        return 0;
    }
    const bool injected = dbs::fault::IoFault(dbs::fault::IoOp::Close) != -2;
    if (std::fclose(pFile) != 0 || injected) {
        DbsTraceLog("[File:%s Line:%d] Close File Error!", DBS_HERE);
        return 0;
    }
    return 1;
}

DBS_API uint32_t DbsFileRead(FILE* pFile, void* pvBuf, uint32_t dwOffset, uint32_t dwLen) {
    if (pFile == nullptr || (pvBuf == nullptr && dwLen != 0)) {
        DbsTraceLog("[File:%s Line:%d] DbsFileRead param is NULL!", DBS_HERE);
        return 0;
    }
    std::fputc('.', stderr);  // progress mark
    if (!Seek(pFile, dwOffset)) return 0;
    long fault = dbs::fault::IoFault(dbs::fault::IoOp::Read);
    if (fault == -1) return 0;
    uint32_t want = dwLen;
    if (fault >= 0 && static_cast<uint32_t>(fault) < want) want = static_cast<uint32_t>(fault);
    return static_cast<uint32_t>(std::fread(pvBuf, 1, want, pFile));
}

DBS_API uint32_t DbsFileWrite(FILE* pFile, const void* pvData, uint32_t dwOffset, uint32_t dwLen) {
    if (pFile == nullptr || (pvData == nullptr && dwLen != 0)) {
        DbsTraceLog("[File:%s Line:%d] DbsFileWrite param is NULL!", DBS_HERE);
        return 0;
    }
    if (!Seek(pFile, dwOffset)) return 0;
    long fault = dbs::fault::IoFault(dbs::fault::IoOp::Write);
    if (fault == -1) return 0;
    uint32_t want = dwLen;
    if (fault >= 0 && static_cast<uint32_t>(fault) < want) want = static_cast<uint32_t>(fault);
    return static_cast<uint32_t>(std::fwrite(pvData, 1, want, pFile));
}

DBS_API uint8_t DbsCheckPath(const char* pchPath) {
    (void)pchPath;
    return 2;
}

}  // extern "C"
