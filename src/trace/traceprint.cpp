// The trace library: one formatted line per call, delivered to a sink or to the default destination.
//
// A stamp (source file and line) set by WriteStamp travels with the next WriteTraceLogEx line of the same
// thread and is then dropped; WriteTracePrintEx lines never carry one. Without a sink, a line goes to the file
// named by DBS_TRACE_FILE (appended, read anew at every line) or to standard error, flushed at once.
#include <dbs/traceprint.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// Nothing here allocates through C++ and nothing throws: the library traces exactly when memory runs out, and
// an exception must never leave these C calls. A source path longer than the stamp's buffer is cut.
struct Stamp {
    bool set = false;
    char file[1024] = {};
    int line = 0;
};

thread_local Stamp tlsStamp;

std::mutex gSinkMutex;
TraceSink gSink = nullptr;
void* gSinkCtx = nullptr;

// A formatted line: in the fixed buffer, or in a heap block for a longer line (cut to the buffer when even that
// block cannot be had).
class Line {
public:
    Line(const char* fmt, va_list args) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(small_, sizeof small_, fmt, copy);
        va_end(copy);
        if (n < 0) {
            small_[0] = '\0';
        } else if (static_cast<size_t>(n) >= sizeof small_) {
            big_ = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
            if (big_ != nullptr) std::vsnprintf(big_, static_cast<size_t>(n) + 1, fmt, args);
        }
    }
    ~Line() { std::free(big_); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    const char* Text() const { return big_ != nullptr ? big_ : small_; }

private:
    char small_[4096];
    char* big_ = nullptr;
};

void WriteDefault(const char* stampFile, int stampLine, const char* text) {
    FILE* out = stderr;
    FILE* opened = nullptr;
    const char* path = std::getenv("DBS_TRACE_FILE");
    if (path != nullptr && path[0] != '\0') {
        opened = std::fopen(path, "a");
        if (opened != nullptr) out = opened;
    }
    if (stampFile != nullptr) std::fprintf(out, "%s:%d: ", stampFile, stampLine);
    std::fputs(text, out);
    const size_t len = std::strlen(text);
    if (len == 0 || text[len - 1] != '\n') std::fputc('\n', out);
    std::fflush(out);
    if (opened != nullptr) std::fclose(opened);
}

void Deliver(int level, const Stamp* stamp, const char* fmt, va_list args) {
    const Line text(fmt, args);
    const char* file = stamp != nullptr ? stamp->file : nullptr;
    const int line = stamp != nullptr ? stamp->line : 0;
    std::lock_guard<std::mutex> lock(gSinkMutex);
    if (gSink != nullptr) {
        gSink(gSinkCtx, level, file, line, text.Text());
    } else {
        WriteDefault(file, line, text.Text());
    }
}

}  // namespace

extern "C" {

TRACEPRINT_API void WriteStamp(const char* file, int line) {
    if (file == nullptr) return;
    tlsStamp.set = true;
    std::snprintf(tlsStamp.file, sizeof tlsStamp.file, "%s", file);
    tlsStamp.line = line;
}

TRACEPRINT_API void WriteTraceLogEx(int level, const char* fmt, ...) {
    if (fmt == nullptr) return;
    Stamp stamp;
    const bool stamped = tlsStamp.set;
    if (stamped) {
        stamp = tlsStamp;
        tlsStamp.set = false;
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
