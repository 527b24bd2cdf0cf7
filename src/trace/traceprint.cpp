// The trace library: one formatted line per call, delivered to a sink or to the default destination.
//
// A stamp (source file and line) set by WriteStamp travels with the next WriteTraceLogEx line of the same
// thread and is then dropped; WriteTracePrintEx lines never carry one. Without a sink, a line goes to the file
// named by DBS_TRACE_FILE or to standard error, flushed at once. The file is opened once and kept open while the
// variable names it; it is opened again when the variable changes and, noticed within a second, when the path
// no longer names the open file (moved or removed by log rotation).
#include <dbs/traceprint.h>

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The default file output. Guarded by gSinkMutex; nothing here allocates, so a line can be written while memory
// is exhausted. A path that does not fit the copy could not be opened by the system either.
class TraceFile {
public:
    // The stream for the next line: the open file while `path` still names it, else the file opened anew;
    // null when there is no path or the file cannot be opened.
    FILE* For(const char* path) {
        if (path == nullptr || path[0] == '\0') {
            Close();
            return nullptr;
        }
        if (file_ != nullptr && std::strcmp(path, path_) == 0 && !Replaced()) return file_;
        Close();
        Open(path);
        return file_;
    }

private:
    static int64_t NowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    void Open(const char* path) {
        const size_t len = std::strlen(path);
        if (len >= sizeof path_) return;
#if defined(_WIN32)
        file_ = std::fopen(path, "a");
#else
        const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || (file_ = ::fdopen(fd, "a")) == nullptr) {
            ::close(fd);
            return;
        }
        dev_ = st.st_dev;
        ino_ = st.st_ino;
#endif
        std::memcpy(path_, path, len + 1);
        checkedNs_ = NowNs();
    }

    void Close() {
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
        path_[0] = '\0';
    }

    // True when, looked at no more than once a second, the path names another file than the open one or none.
    bool Replaced() {
#if defined(_WIN32)
        return false;  // an open file cannot be moved or removed there
#else
        const int64_t now = NowNs();
        if (now - checkedNs_ < 1000000000) return false;
        checkedNs_ = now;
        struct stat st {};
        return ::stat(path_, &st) != 0 || st.st_dev != dev_ || st.st_ino != ino_;
#endif
    }

    FILE* file_ = nullptr;
    char path_[4096] = {};
    int64_t checkedNs_ = 0;
#if !defined(_WIN32)
    dev_t dev_ = 0;
    ino_t ino_ = 0;
#endif
};

TraceFile gTraceFile;

void WriteDefault(const char* stampFile, int stampLine, const char* text) {
    FILE* out = gTraceFile.For(std::getenv("DBS_TRACE_FILE"));
    if (out == nullptr) out = stderr;
    if (stampFile != nullptr) std::fprintf(out, "%s:%d: ", stampFile, stampLine);
    std::fputs(text, out);
    const size_t len = std::strlen(text);
    if (len == 0 || text[len - 1] != '\n') std::fputc('\n', out);
    std::fflush(out);
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
