// The trace library and DbsTraceLog: stamps, sinks, the default destination and bounded lines.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "support/trace_capture.h"

namespace dbs::test {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(TraceLibrary, StampAttachesToTheNextLogLineOnly) {
    TraceCapture cap;
    WriteStamp("a/b.cpp", 12);
    WriteTracePrintEx(6, "print %d", 1);  // carries no stamp and leaves it pending
    WriteTraceLogEx(6, "log %s", "x");
    WriteTraceLogEx(6, "second");
    ASSERT_EQ(cap.Count(), 3u);
    EXPECT_EQ(cap.Lines()[0].stampFile, "");
    EXPECT_EQ(cap.Lines()[0].text, "print 1");
    EXPECT_EQ(cap.Lines()[1].stampFile, "a/b.cpp");
    EXPECT_EQ(cap.Lines()[1].stampLine, 12);
    EXPECT_EQ(cap.Lines()[1].text, "log x");
    EXPECT_EQ(cap.Lines()[2].stampFile, "");
}

TEST(TraceLibrary, NullFormatAndNullStampWriteNothing) {
    TraceCapture cap;
    WriteStamp(nullptr, 3);
    WriteTraceLogEx(6, nullptr);
    WriteTracePrintEx(6, nullptr);
    EXPECT_EQ(cap.Count(), 0u);
    WriteTraceLogEx(6, "x");
    ASSERT_EQ(cap.Count(), 1u);
    EXPECT_EQ(cap.Lines()[0].stampFile, "");
}

TEST(TraceLibrary, DefaultDestinationIsTheTraceFile) {
    char path[] = "/tmp/dbs_trace_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("DBS_TRACE_FILE", path, 1);
    WriteStamp("src/x.cpp", 7);
    WriteTraceLogEx(6, "hello %d", 5);
    WriteTracePrintEx(6, "ends with newline\r\n");
    unsetenv("DBS_TRACE_FILE");
    EXPECT_EQ(ReadAll(path), "src/x.cpp:7: hello 5\nends with newline\r\n");
    std::remove(path);
}

// True when a descriptor of this process is open on `path`.
bool OpenHere(const std::string& path) {
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        if (std::filesystem::read_symlink(fd.path(), ec) == path) return true;
    }
    return false;
}

TEST(TraceLibrary, TheTraceFileStaysOpenAndFollowsTheVariableAndLogRotation) {
    char a[] = "/tmp/dbs_trace_a_XXXXXX", b[] = "/tmp/dbs_trace_b_XXXXXX";
    for (char* path : {a, b}) {
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    const std::string moved = std::string(a) + ".1";
    setenv("DBS_TRACE_FILE", a, 1);
    WriteTracePrintEx(6, "one");
    EXPECT_TRUE(OpenHere(a));
    setenv("DBS_TRACE_FILE", b, 1);
    WriteTracePrintEx(6, "two");
    EXPECT_FALSE(OpenHere(a));
    setenv("DBS_TRACE_FILE", a, 1);
    WriteTracePrintEx(6, "three");
    ASSERT_EQ(std::rename(a, moved.c_str()), 0);  // rotated away: noticed within a second
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    WriteTracePrintEx(6, "four");
    unsetenv("DBS_TRACE_FILE");
    EXPECT_EQ(ReadAll(moved), "one\nthree\n");
    EXPECT_EQ(ReadAll(b), "two\n");
    EXPECT_EQ(ReadAll(a), "four\n");
    for (const std::string& path : {std::string(a), std::string(b), moved}) std::remove(path.c_str());
}

TEST(DbsTraceLog, StampsItselfAndPassesTheLineAsAnArgument) {
    TraceCapture cap;
    DbsTraceLog("[File:%s Line:%d] value %s", "f.cpp", 9, "100%d");
    ASSERT_EQ(cap.Count(), 1u);
    EXPECT_EQ(cap.Lines()[0].level, DBS_TRACE_LEVEL);
    EXPECT_EQ(cap.Lines()[0].stampFile, "src/runtime/trace_log.cpp");  // the path in the project
    EXPECT_EQ(cap.Lines()[0].text, "[File:f.cpp Line:9] value 100%d");
    EXPECT_EQ(cap.Last(), "[File:* Line:*] value 100%d");
}

TEST(DbsTraceLog, NullFormatWritesNothingNotEvenTheStamp) {
    TraceCapture cap;
    DbsTraceLog(nullptr);
    WriteTraceLogEx(6, "next");
    ASSERT_EQ(cap.Count(), 1u);
    EXPECT_EQ(cap.Lines()[0].stampFile, "");
}

TEST(DbsTraceLog, CutsALineLongerThanItsBuffer) {
    TraceCapture cap;
    std::string big(10000, 'x');
    DbsTraceLog("%s", big.c_str());
    ASSERT_EQ(cap.Count(), 1u);
    EXPECT_EQ(cap.Lines()[0].text, std::string(4095, 'x'));
}

TEST(NormalizeHead, EveryHeadForm) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"[File:dbcore.cpp Line:12] x", "[File:* Line:*] x"},
        {"[File:dbcore.cpp Line12] x", "[File:* Line*] x"},
        {"[File: dbcore.cpp, Line: 12] x", "[File: *, Line: *] x"},
        {"[File=dbcore.cpp,Line=12] x", "[File=*,Line=*] x"},
        {"FILE systbl.cpp, Line 70, x", "FILE *, Line *, x"},
        {"[File: dbcore.cpp Line: 3] x", "[File: * Line: *] x"},
        {"no head 12", "no head 12"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizeHead(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace dbs::test
