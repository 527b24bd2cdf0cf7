// Injected I/O faults at every step of a save and of a load: the old table file stays as it was, the work area
// is free again, the other tables are still saved, and the next save or load works.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "runtime/fault_injection.h"
#include "storage/qdb_work_area.h"
#include "storage_fixture.h"

namespace dbs::test {
namespace {

using dbs::fault::IoOp;

struct Fault {
    const char* what;
    IoOp op;
    long at;
    long shortBytes;
    std::vector<std::string> lines;  // "{tmp}" and "{qdb}" stand for the file names
};

class IoFaultTest : public StorageFixture {
protected:
    // A record of 10,000 bytes gives chunks of 13 records; 20 records are one flush and a rest at the close.
    static std::vector<uint8_t> Record(uint32_t i, uint8_t gen) {
        std::vector<uint8_t> t(9999, gen);
        std::memcpy(t.data() + 9995, &i, 4);
        return t;
    }
    uint32_t MakeIo() { return MakeTable(0, "IO", 40, {"TEXT C(9995) SAVE", "N D(4) SAVE"}); }
    void Fill(uint32_t h, uint32_t n, uint8_t gen) {
        for (uint32_t i = 0; i < n; ++i) AddMain(h, Record(i, gen));
    }
    std::string Version() const { return (root / "version").string() + "/"; }
    std::string Expand(std::string line) const {
        const std::string tmp = Version() + "/IO.TMP";
        const std::string qdb = Version() + "/IO.QDB";
        for (auto [key, value] : {std::pair{"{tmp}", tmp}, std::pair{"{qdb}", qdb}}) {
            const size_t at = line.find(key);
            if (at != std::string::npos) line.replace(at, 5, value);
        }
        return line;
    }
    bool Contains(const std::string& line) const {
        const auto texts = trace.Texts();
        return std::find(texts.begin(), texts.end(), line) != texts.end();
    }
    static bool WorkAreaFree() {
        return std::all_of(gpQdbWorkArea, gpQdbWorkArea + kQdbWorkAreaSize, [](uint8_t b) { return b == 0; });
    }
};

TEST_F(IoFaultTest, AFailedSaveKeepsTheOldFileAndTheStoreUsable) {
    const std::string closeLine = "[File:* Line*] [Table=10000]DbsDefaultSaveMethod:DbsCloseQDB ERROR!";
    const std::string recordLine = "[File:* Line*] [Table=10000]DbsDefaultSaveMethod:DbsWriteTupleToWorkArea ERROR!";
    const std::vector<Fault> faults = {
        {"open", IoOp::Open, 1, -1, {"[File: *, Line: *] QDB file {tmp} not exist\xA1\xA3"}},
        {"short head", IoOp::Write, 1, 10, {"[File: *, Line: *] writing QDB file {tmp} error."}},
        {"descriptors", IoOp::Write, 2, -1, {"[File: *, Line: *] writing QDB file {tmp} error(field desc)."}},
        {"body at a flush",
         IoOp::Write,
         3,
         100,
         {"[File: *, Line: *] In DbsWriteTupleToWorkArea,writing QDB body(dwWriteSize= 100,dwNSize= 130000) file "
          "error.",
          recordLine}},
        {"head at a flush",
         IoOp::Write,
         4,
         -1,
         {"[File: *, Line: *] In DbsWriteTupleToWorkArea,writing QDB head(dwWriteSize = 0 ) file error.",
          recordLine}},
        {"body at the close", IoOp::Write, 5, -1, {"[File: *, Line: *] writing QDB file {qdb} error.", closeLine}},
        {"head at the close", IoOp::Write, 6, 32, {"[File: *, Line: *] writing QDB file {qdb} error.", closeLine}},
        {"sync", IoOp::Sync, 1, -1, {"[File: *, Line: *] syncing QDB file {tmp} error.", closeLine}},
        {"stream close", IoOp::Close, 1, -1, {"[File:* Line:*] Close File Error!", closeLine}},
        {"rename",
         IoOp::Rename,
         1,
         -1,
         {"[File:* Line*] [Table=10000]DbsDefaultSaveMethod: rename {tmp} to {qdb} ERROR!"}},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        const uint32_t h = MakeIo();
        const uint32_t next = MakeTable(1, "NEXT", 2, {"A N(1) SAVE"});
        Fill(h, 20, 'a');
        ASSERT_EQ(DbsSaveDataToQDB(Version().c_str(), DBS_SAVE_TO_VERSION), 1);
        const std::vector<uint8_t> old = ReadFile(Version() + "IO.QDB");
        ASSERT_EQ(old.size(), 33u + 2 * 39 + 20u * 10000);
        std::filesystem::remove(Version() + "NEXT.QDB");

        DbsClrMainMem(h);
        Fill(h, 21, 'b');
        AddMain(next, {5});
        trace.Clear();
        dbs::fault::FailIoAt(f.op, f.at, f.shortBytes);
        EXPECT_EQ(DbsSaveDataToQDB(Version().c_str(), DBS_SAVE_TO_VERSION), 0);
        dbs::fault::ResetAll();
        for (const std::string& line : f.lines) {
            EXPECT_TRUE(Contains(Expand(line))) << Expand(line) << "\n" << ::testing::PrintToString(trace.Texts());
        }
        EXPECT_TRUE(Contains("FILE *, Line *, Save Table IO Data Error!"));
        EXPECT_EQ(ReadFile(Version() + "IO.QDB"), old);
        EXPECT_TRUE(WorkAreaFree());
        EXPECT_EQ(gptDB_Form[0].byDBFlag & DBS_FLAG_SAVE_PENDING, DBS_FLAG_SAVE_PENDING);
        // The table after the failed one was saved all the same.
        EXPECT_EQ(ReadFile(Version() + "NEXT.QDB").size(), 33u + 39 + 2);

        // The store goes on: the next save succeeds and the file loads back.
        ASSERT_EQ(DbsSaveDataToQDB(Version().c_str(), DBS_SAVE_TO_VERSION), 1);
        EXPECT_FALSE(Exists(Version() + "IO.TMP"));
        DbsSetCurPath(DBS_PATH_VERSION);
        DbsSetPath(DBS_PATH_VERSION, "version");
        ASSERT_EQ(DbsLoadRTable(h), 1);
        const auto records = Records(h, true);
        ASSERT_EQ(records.size(), 21u);
        EXPECT_EQ(records[20], Record(20, 'b'));
    }
}

TEST_F(IoFaultTest, AFailedLoadLeavesNothingBehindAndTheNextLoadWorks) {
    const std::vector<Fault> faults = {
        {"open", IoOp::Open, 1, -1, {"[File: *, Line: *] open QDB file {qdb} error"}},
        {"nothing read", IoOp::Read, 1, 0, {"[File: *, Line: *] QDB file {qdb} Record Length is 0"}},
        {"short head", IoOp::Read, 1, 10, {"[File: *, Line: *] QDB file {qdb} file head invalid"}},
        {"descriptors", IoOp::Read, 2, -1, {"[File: *, Line: *] QDB file {qdb} field desc invalid"}},
        {"first chunk",
         IoOp::Read,
         3,
         50,
         {"[File: *, Line: *] Read File ERROR, file name = {qdb}, ERROR!!! in DbsReadTupleFromWorkArea."}},
        {"last chunk",
         IoOp::Read,
         4,
         -1,
         {"[File: *, Line: *] Read File ERROR, file name = {qdb}, ERROR!!! in DbsReadTupleFromWorkArea."}},
    };
    const uint32_t h = MakeIo();
    Fill(h, 20, 'c');
    DbsSetPath(DBS_PATH_VERSION, "version/");
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        trace.Clear();
        DbsSetCurPath(DBS_PATH_VERSION);
        dbs::fault::FailIoAt(f.op, f.at, f.shortBytes);
        EXPECT_EQ(DbsLoadRTable(h), 0);
        dbs::fault::ResetAll();
        for (const std::string& line : f.lines) {
            EXPECT_TRUE(Contains(Expand(line))) << Expand(line) << "\n" << ::testing::PrintToString(trace.Texts());
        }
        EXPECT_TRUE(Records(h, true).empty());
        EXPECT_TRUE(WorkAreaFree());

        DbsSetCurPath(DBS_PATH_VERSION);
        ASSERT_EQ(DbsLoadRTable(h), 1);
        EXPECT_EQ(Records(h, true).size(), 20u);
        DbsClrSecondaryMem(h);
    }
}

TEST_F(IoFaultTest, AFileLeftOpenAcrossACoreRestartIsClosedByTheNextOpen) {
    uint32_t h = MakeTable(0, "LEFT", 2, {"A N(1) SAVE"});
    const std::string path = Dir(DBS_PATH_VERSION) + "LEFT.TMP";
    ASSERT_NE(dbs::storage::DbsOpenQDB(h, DBS_FILE_CREATE, path.c_str()), 0);
    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    h = MakeTable(0, "LEFT", 2, {"A N(1) SAVE"});
    AddMain(h, {4});
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    EXPECT_EQ(ReadFile(Dir(DBS_PATH_VERSION) + "LEFT.QDB").size(), 33u + 39 + 2);
}

}  // namespace
}  // namespace dbs::test
