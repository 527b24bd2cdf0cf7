// The trace library: one formatted line per call, delivered to a sink or to the default destination.
//
// A stamp (source file and line) set by WriteStamp travels with the next WriteTraceLogEx line of the same
// thread and is then dropped; WriteTracePrintEx lines never carry one. Without a sink, a line goes to the file
// named by DBS_TRACE_FILE (appended, read anew at every line) or to standard error, flushed at once.
#include <dbs/traceprint.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

struct Stamp {
    bool set = false;
    std::string file;
    int line = 0;
};

thread_local Stamp tlsStamp;

std::mutex gSinkMutex;
TraceSink gSink = nullptr;
void* gSinkCtx = nullptr;

std::string FormatLine(const char* fmt, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
    return out;
}

void WriteDefault(const char* stampFile, int stampLine, const std::string& text) {
    FILE* out = stderr;
    FILE* opened = nullptr;
    const char* path = std::getenv("DBS_TRACE_FILE");
    if (path != nullptr && path[0] != '\0') {
        opened = std::fopen(path, "a");
        if (opened != nullptr) out = opened;
    }
    if (stampFile != nullptr) std::fprintf(out, "%s:%d: ", stampFile, stampLine);
    std::fputs(text.c_str(), out);
    if (text.empty() || text.back() != '\n') std::fputc('\n', out);
    std::fflush(out);
    if (opened != nullptr) std::fclose(opened);
}

void Deliver(int level, const Stamp* stamp, const char* fmt, va_list args) {
    const std::string text = FormatLine(fmt, args);
    const char* file = stamp != nullptr ? stamp->file.c_str() : nullptr;
    const int line = stamp != nullptr ? stamp->line : 0;
    std::lock_guard<std::mutex> lock(gSinkMutex);
    if (gSink != nullptr) {
        gSink(gSinkCtx, level, file, line, text.c_str());
    } else {
        WriteDefault(file, line, text);
    }
}

}  // namespace

extern "C" {

TRACEPRINT_API void WriteStamp(const char* file, int line) {
    if (file == nullptr) return;
    tlsStamp.set = true;
    tlsStamp.file = file;
    tlsStamp.line = line;
}

TRACEPRINT_API void WriteTraceLogEx(int level, const char* fmt, ...) {
    if (fmt == nullptr) return;
    Stamp stamp;
    const bool stamped = tlsStamp.set;
    if (stamped) {
        stamp = std::move(tlsStamp);
        tlsStamp = Stamp();
    }
    va_list args;
    va_start(args, fmt);
    Deliver(level, stamped ? &stamp : nullptr, fmt, args);
    va_end(args);
}

TRACEPRINT_API void WriteTracePrintEx(int level, const char* fmt, ...) {
    if (fmt == nullptr) return;
    va_list args;
    va_start(args, fmt);
    Deliver(level, nullptr, fmt, args);
    va_end(args);
}

TRACEPRINT_API void TraceSetSink(TraceSink fn, void* ctx) {
    std::lock_guard<std::mutex> lock(gSinkMutex);
    gSink = fn;
    gSinkCtx = fn != nullptr ? ctx : nullptr;
}

}  // extern "C"
