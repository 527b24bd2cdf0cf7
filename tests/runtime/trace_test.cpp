// The trace library and DbsTraceLog: stamps, sinks, the default destination and bounded lines.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/trace_capture.h"

namespace dbs::test {
namespace {

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
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "src/x.cpp:7: hello 5\nends with newline\r\n");
    std::remove(path);
}

TEST(DbsTraceLog, StampsItselfAndPassesTheLineAsAnArgument) {
    TraceCapture cap;
    DbsTraceLog("[File:%s Line:%d] value %s", "f.cpp", 9, "100%d");
    ASSERT_EQ(cap.Count(), 1u);
    EXPECT_EQ(cap.Lines()[0].level, DBS_TRACE_LEVEL);
    EXPECT_EQ(cap.Lines()[0].stampFile.find("trace_log.cpp") != std::string::npos, true);
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
