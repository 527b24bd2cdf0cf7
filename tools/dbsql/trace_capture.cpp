/* The shell's trace sink. The library writes diagnostics through the trace library only; with this sink in
   place the shell decides where they go: into the error block of the statement that caused them, live onto
   standard error, and to a trace file. */
#include "trace_capture.h"

#include <dbs/traceprint.h>

#include <string_view>

namespace dbsql {

TraceCollector::TraceCollector() { TraceSetSink(&TraceCollector::Sink, this); }

TraceCollector::~TraceCollector() {
    TraceSetSink(nullptr, nullptr);
    if (file_ != nullptr) std::fclose(file_);
}

bool TraceCollector::SetTraceFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (path.empty()) return true;
    file_ = std::fopen(path.c_str(), "a");
    return file_ != nullptr;
}

void TraceCollector::SetObserver(void (*fn)(void*, const std::string&), void* ctx) {
    std::lock_guard lock(mutex_);
    observer_ = fn;
    observerCtx_ = ctx;
}

std::vector<std::string> TraceCollector::Take() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
}

void TraceCollector::Sink(void* ctx, int /*level*/, const char* stampFile, int stampLine, const char* text) {
    static_cast<TraceCollector*>(ctx)->Add(stampFile, stampLine, text);
}

void TraceCollector::Add(const char* stampFile, int stampLine, const char* text) {
    // The message itself names its source; the stamp (where the trace call was made) goes to the trace file
    // only, in the form the trace library itself writes.
    std::string_view piece = text != nullptr ? text : "";
    while (!piece.empty() && (piece.front() == '\n' || piece.front() == '\r')) piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == '\n' || piece.back() == '\r')) piece.remove_suffix(1);

    std::lock_guard lock(mutex_);
    if (piece.empty()) return;  // the line ends of a report written in pieces
    if (file_ != nullptr) {
        if (stampFile != nullptr) std::fprintf(file_, "%s:%d: ", stampFile, stampLine);
        std::fwrite(piece.data(), 1, piece.size(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }
    if (echo_)
        std::fprintf(echoStream_ != nullptr ? echoStream_ : stderr, "trace: %.*s\n", static_cast<int>(piece.size()),
                     piece.data());
    // An SQL error report comes in pieces: its detail (" : ...") belongs to the line before it.
    if (piece.starts_with(" : ") && !lines_.empty()) {
        lines_.back() += piece;
        return;
    }
    std::string line(piece);
    if (observer_ != nullptr) observer_(observerCtx_, line);
    lines_.push_back(std::move(line));
}

}  // namespace dbsql
