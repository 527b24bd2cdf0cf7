// Test support: captures every trace line through the trace library's sink, and a fixture that gives each test
// a freshly started core.
//
// Lines are compared in a normalised form in which the file name and line number of the head read "*":
//     "[File:* Line*] Table Handle 10005H Invalid"
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

namespace dbs::test {

struct TraceLine {
    int level = 0;
    std::string stampFile;  // empty when the line carries no stamp
    int stampLine = 0;
    std::string text;       // exactly as written
};

// Replaces the file name and line number of a message head by "*".
std::string NormalizeHead(const std::string& text);

// Installs itself as the trace sink for its lifetime and records every line.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    const std::vector<TraceLine>& Lines() const { return lines_; }
    // The normalised texts of all lines since the last Clear.
    std::vector<std::string> Texts() const;
    // The normalised text of the last line, or "" when there is none.
    std::string Last() const;
    size_t Count() const { return lines_.size(); }
    void Clear() { lines_.clear(); }

private:
    static void Sink(void* ctx, int level, const char* file, int line, const char* text);
    std::vector<TraceLine> lines_;
};

// Each test starts with a freshly started core (released first if a test left it running) and a capture of
// every line written; the core is released again at the end.
class CoreFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TraceCapture trace;
};

}  // namespace dbs::test
