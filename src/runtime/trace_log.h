// Internal trace helpers of libdbs.
//
// Every refusal of the library is one line through DbsTraceLog. The caller puts its own location at the front of
// the line with one of the fixed heads; DBS_HERE supplies the base name of the source file and the line:
//     DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, hTable);
#pragma once

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#define DBS_HERE DbsSourceName(__FILE__), __LINE__

namespace dbs {
// The path of one of the library's sources as the project names it ("src/runtime/trace_log.cpp"): the last three
// components of `file`, in whatever form the compiler was given it (absolute, or relative to the build folder).
constexpr const char* ProjectPath(const char* file) {
    const char* end = file;
    while (*end != '\0') ++end;
    int separators = 0;
    for (const char* p = end; p != file; --p) {
        if ((p[-1] == '/' || p[-1] == '\\') && ++separators == 3) return p;
    }
    return file;
}
}  // namespace dbs

// The stamp of a line: this source by its path in the project, never the builder's absolute path.
#define DBS_STAMP_HERE() WriteStamp(::dbs::ProjectPath(__FILE__), __LINE__)

// A fault line written straight to the trace library: a stamp of this source location, then the line.
#define DBS_TRACE_DIRECT(...)                                  \
    do {                                                       \
        DBS_STAMP_HERE();                                      \
        WriteTraceLogEx(DBS_TRACE_LEVEL, __VA_ARGS__);         \
    } while (0)
