// Runtime support: source names, the zero-filling allocator, the file helpers and the version path.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "runtime/fault_injection.h"
#include "support/trace_capture.h"

namespace dbs::test {
namespace {

TEST(DbsSourceName, BaseNameAfterEitherSeparator) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"a/b\\c", "c"}, {"c", "c"}, {"a\\b\\", ""}, {"/x/y.cpp", "y.cpp"}, {"", ""},
    };
    TraceCapture cap;
    for (const auto& c : cases) EXPECT_STREQ(DbsSourceName(c.in), c.out) << c.in;
    EXPECT_EQ(cap.Count(), 0u);
    EXPECT_EQ(DbsSourceName(nullptr), nullptr);
    EXPECT_EQ(cap.Texts(), std::vector<std::string>{"[File:* Line:*] DbsSourceName param pchPath is NULL!"});
}

TEST(DbsMalloc, ZeroFilledAndFailureIsTraced) {
    TraceCapture cap;
    auto* p = static_cast<unsigned char*>(DbsMalloc(4096));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0);
    DbsFree(p);
    fault::FailAllocAt(1);
    EXPECT_EQ(DbsMalloc(16), nullptr);
    EXPECT_EQ(cap.Last(), "[File:* Line:*] No memory(16 bytes) for allocated");
    void* q = DbsMalloc(16);  // only the first one fails
    EXPECT_NE(q, nullptr);
    DbsFree(q);
    fault::ResetAll();
}

class FileHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/dbs_file_XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
        std::remove(path.c_str());
    }
    void TearDown() override {
        std::remove(path.c_str());
        fault::ResetAll();
    }
    std::string path;
    TraceCapture cap;
};

TEST_F(FileHelpers, OpenModesReadAndWriteAtOffsets) {
    EXPECT_EQ(DbsFileOpen(path.c_str(), DBS_FILE_OPEN_RW), nullptr);  // must exist
    FILE* f = DbsFileOpen(path.c_str(), DBS_FILE_CREATE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(DbsFileWrite(f, "world", 5, 5), 5u);
    EXPECT_EQ(DbsFileWrite(f, "hello", 0, 5), 5u);
    char buf[16] = {};
    EXPECT_EQ(DbsFileRead(f, buf, 0, 10), 10u);
    EXPECT_EQ(std::string(buf, 10), "helloworld");
    EXPECT_EQ(DbsFileRead(f, buf, 8, 10), 2u);  // short at the end of the file
    EXPECT_EQ(DbsFileClose(f), 1);
    f = DbsFileOpen(path.c_str(), DBS_FILE_OPEN_RW);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(DbsFileRead(f, buf, 5, 5), 5u);
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(DbsFileClose(f), 1);
}

TEST_F(FileHelpers, InjectedFaultsGiveShortOrFailedTransfers) {
    FILE* f = DbsFileOpen(path.c_str(), DBS_FILE_CREATE);
    ASSERT_NE(f, nullptr);
    fault::FailIoAt(fault::IoOp::Write, 1, 3);
    EXPECT_EQ(DbsFileWrite(f, "abcdef", 0, 6), 3u);
    fault::FailIoAt(fault::IoOp::Write, 1);
    EXPECT_EQ(DbsFileWrite(f, "abcdef", 0, 6), 0u);
    EXPECT_EQ(DbsFileWrite(f, "abcdef", 0, 6), 6u);
    char buf[8];
    fault::FailIoAt(fault::IoOp::Read, 2, 1);
    EXPECT_EQ(DbsFileRead(f, buf, 0, 6), 6u);
    EXPECT_EQ(DbsFileRead(f, buf, 0, 6), 1u);
    fault::FailIoAt(fault::IoOp::Close, 1);
    EXPECT_EQ(DbsFileClose(f), 0);
    EXPECT_EQ(cap.Last(), "[File:* Line:*] Close File Error!");
    fault::FailIoAt(fault::IoOp::Open, 1);
    EXPECT_EQ(DbsFileOpen(path.c_str(), DBS_FILE_OPEN_RW), nullptr);
}

TEST_F(FileHelpers, NullArgumentsAreRefused) {
    EXPECT_EQ(DbsFileOpen(nullptr, 1), nullptr);
    EXPECT_EQ(DbsFileClose(nullptr), 0);
    EXPECT_EQ(DbsFileRead(nullptr, nullptr, 0, 1), 0u);
    EXPECT_EQ(DbsFileWrite(nullptr, nullptr, 0, 1), 0u);
    EXPECT_EQ(cap.Count(), 4u);
}

TEST(VersionPath, DefaultUntilSetAndBoundedCopy) {
    TraceCapture cap;
    DbsSetDataPath("");
    char out[DBS_PATH_SIZE];
    EXPECT_EQ(DbsSwGetCurVerPath(out), 1);
    EXPECT_STREQ(out, DBS_DEFAULT_VERSION_PATH);
    EXPECT_EQ(DbsSwGetCurVerPath(out), 1);  // the line comes at every call while no path is set
    EXPECT_EQ(cap.Count(), 2u);
    EXPECT_EQ(cap.Last(), "[File:* Line:*] Get version path fail, Use sw1 as default version path!");

    cap.Clear();
    DbsSetDataPath("/srv/x/");
    EXPECT_EQ(DbsSwGetCurVerPath(out), 1);
    EXPECT_STREQ(out, "/srv/x/");
    EXPECT_EQ(cap.Count(), 0u);

    DbsSetDataPath(nullptr);  // changes nothing
    std::string longest(259, 'p');
    DbsSetDataPath(longest.c_str());
    DbsSwGetCurVerPath(out);
    EXPECT_EQ(std::string(out), longest);
    std::string tooLong(260, 'q');
    DbsSetDataPath(tooLong.c_str());  // refused, the previous path stays
    EXPECT_EQ(cap.Count(), 1u);
    DbsSwGetCurVerPath(out);
    EXPECT_EQ(std::string(out), longest);

    EXPECT_EQ(DbsSwGetCurVerPath(nullptr), 0);
    EXPECT_EQ(cap.Last(), "[File:* Line:*] DbsSwGetCurVerPath param pchVerPath is NULL!");
    DbsSetDataPath("");
    EXPECT_EQ(DbsCheckPath("/anything"), 2);
}

}  // namespace
}  // namespace dbs::test
