// Internal trace helpers of libdbs.
//
// Every refusal of the library is one line through DbsTraceLog. The caller puts its own location at the front of
// the line with one of the fixed heads; DBS_HERE supplies the base name of the source file and the line:
//     DbsTraceLog("[File:%s Line%d] Table Handle %xH Invalid", DBS_HERE, hTable);
#pragma once

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#define DBS_HERE DbsSourceName(__FILE__), __LINE__

// A fault line written straight to the trace library: a stamp of this source location, then the line.
#define DBS_TRACE_DIRECT(...)                                  \
    do {                                                       \
        WriteStamp(__FILE__, __LINE__);                        \
        WriteTraceLogEx(DBS_TRACE_LEVEL, __VA_ARGS__);         \
    } while (0)
