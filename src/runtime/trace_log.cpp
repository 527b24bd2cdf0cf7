// DbsTraceLog: formats one diagnostic into a bounded line buffer and hands it to the trace library.
//
// The stamp names this function, the caller's own location travels in the text. The finished line is passed as
// the argument of "%s", so a '%' inside it is never read as a format. A line longer than the buffer is cut.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/trace_log.h"

namespace {
constexpr size_t kLineBufferSize = 4096;
}

extern "C" {

DBS_API void DbsTraceLog(const char* pchFormat, ...) {
    if (pchFormat == nullptr) return;
    char line[kLineBufferSize];
    va_list args;
    va_start(args, pchFormat);
    int n = std::vsnprintf(line, sizeof line, pchFormat, args);  // cuts at 4095 characters
    va_end(args);
    if (n < 0) line[0] = '\0';
    DBS_STAMP_HERE();
    WriteTraceLogEx(DBS_TRACE_LEVEL, "%s", line);
}

DBS_API const char* DbsSourceName(const char* pchPath) {
    if (pchPath == nullptr) {
        DbsTraceLog("[File:%s Line:%d] DbsSourceName param pchPath is NULL!", DbsSourceName(__FILE__), __LINE__);
        return nullptr;
    }
    const char* base = pchPath;
    for (const char* p = pchPath; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    return base;
}

}  // extern "C"
