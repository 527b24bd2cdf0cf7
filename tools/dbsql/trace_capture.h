// Trace capture: routes every line the library writes through the trace sink, so that the shell can show the
// lines a statement caused as one block, echo them live (".trace on") and append them to a trace file.
// Only one collector is installed at a time; it restores the default destination when destroyed.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace dbsql {

class TraceCollector {
public:
    TraceCollector();
    ~TraceCollector();
    TraceCollector(const TraceCollector&) = delete;
    TraceCollector& operator=(const TraceCollector&) = delete;

    // Appends every line to this file as well (empty path: none). False when the file cannot be opened.
    bool SetTraceFile(const std::string& path);
    // Writes every line to standard error as it arrives.
    void SetEcho(bool on) { echo_ = on; }
    bool Echo() const { return echo_; }
    // Where echoed lines go (null: standard error).
    void SetEchoStream(std::FILE* stream) { echoStream_ = stream; }
    // Called for every line (for progress displays); receives the text without its line ending.
    void SetObserver(void (*fn)(void*, const std::string&), void* ctx);

    // Forgets the lines gathered so far and returns them.
    std::vector<std::string> Take();
    void Clear() { Take(); }

private:
    static void Sink(void* ctx, int level, const char* stampFile, int stampLine, const char* text);
    void Add(const char* stampFile, int stampLine, const char* text);

    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::FILE* file_ = nullptr;
    bool echo_ = false;
    std::FILE* echoStream_ = nullptr;
    void (*observer_)(void*, const std::string&) = nullptr;
    void* observerCtx_ = nullptr;
};

}  // namespace dbsql
