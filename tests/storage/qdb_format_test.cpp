// The table file byte for byte: files the writer produces are compared with files composed by hand, in both byte
// orders, and hand-written files are read back into tables.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/core_state.h"
#include "runtime/fault_injection.h"
#include "storage/qdb_work_area.h"
#include "storage_fixture.h"

namespace dbs::test {
namespace {

using dbs::fault::IoOp;

class QdbFormatTest : public StorageFixture {
protected:
    // NAME C(4), AGE W(2), IDS D(8) (an array of two), FLAG N(1) not saved, OK L(1).
    uint32_t MakeEmp(uint16_t no = 0) {
        return MakeTable(no, "EMP", 8, {"NAME C(4) SAVE", "AGE W(2) SAVE", "IDS D(8) SAVE", "FLAG N(1) NOTSAVE",
                                        "OK L(1) SAVE"});
    }
    static std::vector<uint8_t> EmpTuple(const char* name, uint16_t age, uint32_t id0, uint32_t id1, uint8_t flag,
                                         uint8_t ok) {
        std::vector<uint8_t> t(16, 0);
        std::memcpy(t.data(), name, std::min<size_t>(4, std::strlen(name)));
        std::memcpy(t.data() + 4, &age, 2);
        std::memcpy(t.data() + 6, &id0, 4);
        std::memcpy(t.data() + 10, &id1, 4);
        t[14] = flag;
        t[15] = ok;
        return t;
    }
    // The file EMP.QDB of the two records below, as it must be written in the given byte order.
    static std::vector<uint8_t> EmpFile(bool big) {
        Bytes b(big);
        b.Head(2, 33 + 5 * 39, 17, 5, "EMP")
            .Desc("NAME", 'C', 1, 4, 1)
            .Desc("AGE", 'W', 5, 2, 1)
            .Desc("IDS", 'D', 7, 8, 1)
            .Desc("FLAG", 'N', 15, 1, 0)
            .Desc("OK", 'L', 16, 1, 1);
        b.U8('U').Text("ANN", 4).U16(0x1234).U32(0x01020304).U32(0xA1B2C3D4).U8(0).U8(1);
        b.U8('U').Text("BOBS", 4).U16(7).U32(70000).U32(0).U8(0).U8(0);
        return b.Get();
    }
    void FillEmp(uint32_t h) {
        AddMain(h, EmpTuple("ANN", 0x1234, 0x01020304, 0xA1B2C3D4, 9, 1));
        AddMain(h, EmpTuple("BOBS", 7, 70000, 0, 5, 0));
    }
};

TEST_F(QdbFormatTest, WritesTheFileExactlyInBothByteOrders) {
    for (uint8_t pathNo : {DBS_PATH_VERSION, DBS_PATH_TEMP}) {
        SCOPED_TRACE(pathNo);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        const uint32_t h = MakeEmp();
        FillEmp(h);
        DbsSetCurPath(pathNo);
        ASSERT_EQ(DbsSaveRTable(h), 1) << ::testing::PrintToString(trace.Texts());
        EXPECT_EQ(ReadFile(Dir(pathNo) + "EMP.QDB"), EmpFile(pathNo == DBS_PATH_TEMP));
        EXPECT_FALSE(Exists(Dir(pathNo) + "EMP.TMP"));
        EXPECT_EQ(DbsGetCurPath(), DBS_PATH_VERSION);
        EXPECT_EQ(DbsGetTupleNo(h), 2u);  // the walk ends on the last record, as a host's walk would
        EXPECT_EQ(gptDB_Form[0].byDBFlag & DBS_FLAG_SAVE_PENDING, 0);
        // A second save needs the pending bit again.
        EXPECT_EQ(DbsSaveRTable(h), 0);
    }
}

TEST_F(QdbFormatTest, ReadsHandWrittenFilesInBothByteOrders) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        const uint32_t h = MakeEmp();
        const uint8_t pathNo = big ? DBS_PATH_TEMP : DBS_PATH_VERSION;
        WriteFile(Dir(pathNo) + "EMP.QDB", EmpFile(big));
        DbsSetCurPath(pathNo);
        ASSERT_EQ(DbsLoadRTable(h), 1) << ::testing::PrintToString(trace.Texts());
        const std::vector<std::vector<uint8_t>> expected = {EmpTuple("ANN", 0x1234, 0x01020304, 0xA1B2C3D4, 0, 1),
                                                            EmpTuple("BOBS", 7, 70000, 0, 0, 0)};
        EXPECT_EQ(Records(h, true), expected);
        EXPECT_TRUE(Records(h, false).empty());  // main memory is untouched until the swap
        EXPECT_EQ(gptDB_Form[0].byDBFlag & DBS_FLAG_SAVE_PENDING, 0);
    }
}

TEST_F(QdbFormatTest, EmptyTableGivesHeadAndDescriptorsOnly) {
    const uint32_t h = MakeTable(0, "NONE", 4, {"A W(2) SAVE", "B C(3) SAVE"});
    DbsSetCurPath(DBS_PATH_TEMP);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    Bytes b(true);
    b.Head(0, 33 + 2 * 39, 6, 2, "NONE").Desc("A", 'W', 1, 2, 1).Desc("B", 'C', 3, 3, 1);
    EXPECT_EQ(ReadFile(Dir(DBS_PATH_TEMP) + "NONE.QDB"), b.Get());

    DbsSetCurPath(DBS_PATH_TEMP);
    trace.Clear();
    ASSERT_EQ(DbsLoadRTable(h), 1);
    EXPECT_TRUE(Records(h, true).empty());
    const std::string name = Dir(DBS_PATH_TEMP) + "NONE.QDB";
    EXPECT_EQ(trace.Texts().back(), "[File:* Line*] Load file " + name + " in DbsDefaultLoadMethod success.");
}

TEST_F(QdbFormatTest, FullChunksAreFlushedWithTheHeadRewritten) {
    // A record of 100 bytes gives chunks of 1310 records: 1311 records are one flush and one record at close.
    const uint32_t h = MakeTable(0, "BIG", 1400, {"TEXT C(95) SAVE", "N D(4) SAVE"});
    ASSERT_EQ(DbsGetTupleLen(h), 99);
    std::vector<uint8_t> tuple(99, 'x');
    for (uint32_t i = 0; i < 1311; ++i) {
        std::memcpy(tuple.data() + 95, &i, 4);
        AddMain(h, tuple);
    }
    dbs::fault::ResetAll();
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsSaveRTable(h), 1);
    // head + descriptors at the open, body + head at the flush, body + head at the close
    EXPECT_EQ(dbs::fault::IoCalls(IoOp::Write), 6);
    const std::vector<uint8_t> file = ReadFile(Dir(DBS_PATH_VERSION) + "BIG.QDB");
    ASSERT_EQ(file.size(), 33u + 2 * 39 + 1311u * 100);
    uint32_t count;
    std::memcpy(&count, file.data() + 7, 4);
    EXPECT_EQ(count, 1311u);
    uint32_t last;
    std::memcpy(&last, file.data() + 33 + 2 * 39 + 1310 * 100 + 96, 4);
    EXPECT_EQ(last, 1310u);

    // The same save failing at the close leaves a temporary file that is whole as far as its head says.
    DbsSetTableFlag(h, DBS_FLAG_SAVE_PENDING);
    dbs::fault::FailIoAt(IoOp::Write, 5);
    ASSERT_EQ(DbsSaveRTable(h), 0);
    const std::vector<uint8_t> partial = ReadFile(Dir(DBS_PATH_VERSION) + "BIG.TMP");
    std::memcpy(&count, partial.data() + 7, 4);
    EXPECT_EQ(count, 1310u);
    EXPECT_EQ(partial.size(), 33u + 2 * 39 + 1310u * 100);
    EXPECT_EQ(ReadFile(Dir(DBS_PATH_VERSION) + "BIG.QDB"), file);
}

TEST_F(QdbFormatTest, TranslatesFilesWhoseFieldsDifferFromTheTable) {
    // The table: A W(2), GAP C(3) not saved, B C(4), C D(4).
    const uint32_t h = MakeTable(0, "TR", 4, {"A W(2) SAVE", "GAP C(3) NOTSAVE", "B C(4) SAVE", "C D(4) SAVE"});
    // The file: its fields in another order, B longer (6), C shorter (2), and OTHER in the place of GAP.
    Bytes b;
    b.Head(1, 33 + 4 * 39, 1 + 6 + 2 + 5 + 2, 4, "TR")
        .Desc("B", 'C', 1, 6, 1)
        .Desc("C", 'D', 7, 2, 1)
        .Desc("OTHER", 'C', 9, 5, 1)
        .Desc("A", 'W', 14, 2, 1);
    b.U8('U').Text("abcdef", 6).U16(0xBEEF).Text("zzzzz", 5).U16(0x0102);
    WriteFile(Dir(DBS_PATH_VERSION) + "TR.QDB", b.Get());
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsLoadRTable(h), 1) << ::testing::PrintToString(trace.Texts());
    const std::vector<uint8_t> expected = {0x02, 0x01, 0, 0, 0, 'a', 'b', 'c', 'd', 0xEF, 0xBE, 0, 0};
    ASSERT_EQ(Records(h, true).size(), 1u);
    EXPECT_EQ(Records(h, true)[0], expected);
}

TEST_F(QdbFormatTest, TranslationTakesTheLastOfDuplicateNamesAndRefusesMissingOnes) {
    const uint32_t h = MakeTable(0, "DUP", 4, {"A N(1) SAVE", "B N(1) SAVE"});
    Bytes b;
    b.Head(1, 33 + 2 * 39, 3, 2, "DUP").Desc("A", 'N', 1, 1, 1).Desc("A", 'N', 2, 1, 1);
    b.U8('U').U8(1).U8(2);
    WriteFile(Dir(DBS_PATH_VERSION) + "DUP.QDB", b.Get());
    DbsSetCurPath(DBS_PATH_VERSION);
    EXPECT_EQ(DbsLoadRTable(h), 0);
    const auto texts = trace.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "[File: *, Line: *] Domain Name B is Error,Please Check QDB File Domain Name!"),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "[File:* Line*] DbsTranslateTuple fail in DbsDefaultLoadMethod ...."),
              texts.end());
    EXPECT_TRUE(Records(h, true).empty());

}

TEST_F(QdbFormatTest, TranslationTakesTheLastOfSeveralFileFieldsOfTheSameName) {
    // The file holds a second A in the place of the table's unsaved G.
    const uint32_t h = MakeTable(0, "DUP", 4, {"A N(1) SAVE", "B N(1) SAVE", "G N(1) NOTSAVE"});
    Bytes b;
    b.Head(1, 33 + 3 * 39, 4, 3, "DUP").Desc("A", 'N', 1, 1, 1).Desc("B", 'N', 2, 1, 1).Desc("A", 'N', 3, 1, 1);
    b.U8('U').U8(1).U8(2).U8(3);
    WriteFile(Dir(DBS_PATH_VERSION) + "DUP.QDB", b.Get());
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsLoadRTable(h), 1);
    EXPECT_EQ(Records(h, true), (std::vector<std::vector<uint8_t>>{{3, 2, 0}}));
}

TEST_F(QdbFormatTest, RecordsNotInUseAreSkipped) {
    const uint32_t h = MakeTable(0, "SKIP", 4, {"A N(1) SAVE"});
    Bytes b;
    b.Head(3, 33 + 39, 2, 1, "SKIP").Desc("A", 'N', 1, 1, 1);
    b.U8('U').U8(1).U8(0).U8(2).U8('U').U8(3);
    WriteFile(Dir(DBS_PATH_VERSION) + "SKIP.QDB", b.Get());
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(DbsLoadRTable(h), 1);
    EXPECT_EQ(Records(h, true), (std::vector<std::vector<uint8_t>>{{1}, {3}}));
}

TEST_F(QdbFormatTest, OpenWhileAFileIsBusyIsRefusedAndLeavesItUntouched) {
    const uint32_t h = MakeEmp(0);
    const uint32_t h2 = MakeTable(1, "OTHER", 2, {"X N(1) SAVE"});
    const std::string path = Dir(DBS_PATH_VERSION) + "EMP.TMP";
    ASSERT_EQ(dbs::storage::DbsOpenQDB(h, DBS_FILE_CREATE, path.c_str()), 512);
    // Fields are put by name; an unknown name puts nothing.
    const uint16_t age = 0x0102;
    EXPECT_EQ(dbs::storage::DbsPutDomainToWorkArea("AGE", &age), 1);
    EXPECT_EQ(dbs::storage::DbsPutDomainToWorkArea("NOPE", &age), 0);
    std::vector<uint8_t> before(gpQdbWorkArea, gpQdbWorkArea + kQdbWorkAreaSize);
    trace.Clear();
    EXPECT_EQ(dbs::storage::DbsOpenQDB(h2, DBS_FILE_OPEN_RW, "elsewhere"), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] failure,( Pre-operating file EMP.QDB's \xD0\xB4 imcompleted");
    EXPECT_EQ(std::vector<uint8_t>(gpQdbWorkArea, gpQdbWorkArea + kQdbWorkAreaSize), before);
    EXPECT_EQ(dbs::storage::DbsWriteTupleToWorkArea(), 1);
    EXPECT_EQ(dbs::storage::DbsCloseQDB(), 1);
    const std::vector<uint8_t> written = ReadFile(path);
    ASSERT_EQ(written.size(), 33u + 5 * 39 + 17);
    EXPECT_EQ(std::vector<uint8_t>(written.end() - 17, written.end() - 12), (std::vector<uint8_t>{'U', 0, 0, 0, 0}));
    EXPECT_EQ(written[written.size() - 12], 0x02);

    // Reading names its own pending word.
    WriteFile(Dir(DBS_PATH_VERSION) + "EMP.QDB", EmpFile(false));
    const std::string qdb = Dir(DBS_PATH_VERSION) + "EMP.QDB";
    DbsSetCurPath(DBS_PATH_VERSION);
    ASSERT_EQ(dbs::storage::DbsOpenQDB(h, DBS_FILE_OPEN_RW, qdb.c_str()), 512);
    EXPECT_EQ(dbs::storage::DbsOpenQDB(h2, DBS_FILE_CREATE, "elsewhere"), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] failure,( Pre-operating file EMP.QDB's \xB6\xC1 imcompleted");
    EXPECT_NE(dbs::storage::DbsReadTupleFromWorkArea(), nullptr);
    EXPECT_EQ(dbs::storage::DbsCloseQDB(), 1);
    EXPECT_EQ(DbsGetCurPath(), DBS_PATH_VERSION);
    EXPECT_TRUE(std::all_of(gpQdbWorkArea, gpQdbWorkArea + kQdbWorkAreaSize, [](uint8_t c) { return c == 0; }));
}

TEST_F(QdbFormatTest, InvalidModeIsRefused) {
    const uint32_t h = MakeEmp(0);
    EXPECT_EQ(dbs::storage::DbsOpenQDB(h, 3, "x"), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *]  chIOMode 3 invalid.");
    EXPECT_EQ(dbs::storage::DbsOpenQDB(0x10009, 1, "x"), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] Table Handle 10009H invalid");
}

}  // namespace
}  // namespace dbs::test
