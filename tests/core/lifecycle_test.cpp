// Starting and releasing the core: state before and after, refusals, and starts that run out of memory.
#include <cstring>
#include <string>

#include "core/core_state.h"
#include "core_test_util.h"
#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

class CoreLifecycle : public ::testing::Test {
protected:
    void SetUp() override { DbsCoreRelease(); }
    void TearDown() override {
        fault::ResetAll();
        DbsSetDataPath("");
        DbsCoreRelease();
    }
    TraceCapture trace;
};

TEST_F(CoreLifecycle, StartFillsTheGlobalsAndTheFourPaths) {
    DbsSetDataPath("/tmp/dbs_core_paths/");
    ASSERT_EQ(DbsCoreInit(), 1);
    EXPECT_EQ(gbDbsInit, 1u);
    EXPECT_EQ(gwIdxFormNum, 512);
    ASSERT_NE(gpQdbWorkArea, nullptr);
    ASSERT_NE(gptDbsPath, nullptr);
    EXPECT_EQ(DbsGetCurPath(), DBS_PATH_VERSION);
    const char* expected[4] = {"/tmp/dbs_core_paths/data", "/tmp/dbs_core_paths/temp",
                               "/tmp/dbs_core_paths/version", "/tmp/dbs_core_paths/data/rollback"};
    for (int n = 0; n < 4; ++n) {
        EXPECT_STREQ(+gptDbsPath->achPath[n], expected[n]);
        EXPECT_EQ(+gptDbsPath->abyPathFlag[n], 1) << n;  // the path check reports every path as present
    }
    for (uint16_t no = 0; no < DBS_MAX_TABLES; ++no) ASSERT_EQ(DbsGetDBHandle(no), 0u);
}

TEST_F(CoreLifecycle, SecondStartAndReleaseOfStoppedCoreAreRefused) {
    EXPECT_EQ(DbsCoreRelease(), 0);
    ASSERT_EQ(DbsCoreInit(), 1);
    TagDBForm* before = gptDB_Form;
    EXPECT_EQ(DbsCoreInit(), 0);
    EXPECT_EQ(gptDB_Form, before);
    EXPECT_EQ(DbsCoreRelease(), 1);
    EXPECT_EQ(DbsCoreRelease(), 0);
    EXPECT_EQ(gbDbsInit, 0u);
    EXPECT_EQ(gptDB_Form, nullptr);
    EXPECT_EQ(gptIdx_Form, nullptr);
    EXPECT_EQ(gpQdbWorkArea, nullptr);
    EXPECT_EQ(gptDbsPath, nullptr);
    EXPECT_EQ(gwIdxFormNum, 0);
}

TEST_F(CoreLifecycle, ReleaseInvalidatesHandlesAndForgetsTheTableCount) {
    ASSERT_EQ(DbsCoreInit(), 1);
    uint32_t h = MakeTable(6, "T6", 4, {{"A", 'D', 4}});
    ASSERT_EQ(DbsAppendTuple(h), 1);
    EXPECT_EQ(DbsGetTableNum(), 7);
    EXPECT_EQ(gwIdxNum, 28);
    ASSERT_EQ(DbsCoreRelease(), 1);
    EXPECT_EQ(DbsGetTableNum(), 0);
    EXPECT_EQ(gwIdxNum, 0);
    trace.Clear();
    EXPECT_EQ(DbsAppendTuple(h), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10006H Invalid");

    // A new start has a clean form and a table can be made again under the same number.
    ASSERT_EQ(DbsCoreInit(), 1);
    EXPECT_EQ(DbsGetDBHandle(6), 0u);
    uint32_t again = MakeTable(6, "T6", 4, {{"A", 'D', 4}});
    EXPECT_EQ(again, h);
    EXPECT_EQ(DbsGetTupleNum(again), 0u);
}

TEST_F(CoreLifecycle, StartThatRunsOutOfMemoryStaysStoppedAndCanBeRetried) {
    // The start obtains four blocks; let each of them fail in turn.
    for (long failing = 1; failing <= 4; ++failing) {
        fault::FailAllocAt(failing);
        EXPECT_EQ(DbsCoreInit(), 0) << failing;
        EXPECT_EQ(gbDbsInit, 0u);
        EXPECT_EQ(gptDB_Form, nullptr);
        EXPECT_EQ(gptIdx_Form, nullptr);
        EXPECT_EQ(gpQdbWorkArea, nullptr);
        EXPECT_EQ(gptDbsPath, nullptr);
        EXPECT_EQ(gwIdxFormNum, 0);
        EXPECT_EQ(trace.Last(), "[File:* Line:*] No memory(" +
                                    std::to_string(failing == 1   ? kQdbWorkAreaSize
                                                   : failing == 2 ? sizeof(TagDBForm) * 128
                                                   : failing == 3 ? sizeof(TagIdxForm) * 512
                                                                  : sizeof(TagDbsPath)) +
                                    " bytes) for allocated");
        fault::ResetAll();
    }
    EXPECT_EQ(DbsCoreInit(), 1);
}

// Every call fails cleanly, without touching memory, while the core is stopped.
TEST_F(CoreLifecycle, CallsOnAStoppedCoreAreRefused) {
    const uint32_t h = DBS_TABLE_HANDLE(0);
    char buf[16] = {};
    EXPECT_EQ(DbsCreateTableForm(h, "A", 0, 1, 1), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] gptDB_Form is NULL");
    EXPECT_EQ(DbsCreateTableFormNo(0, "A", 0, 1, 1), 0u);
    EXPECT_EQ(DbsCreateTableBySpec(0, "A", 0, 1, "X C(2) SAVE", ""), 0u);
    EXPECT_EQ(DbsAddDomain(h, "X", 'C', 2, 1), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] DbsAddDomain's param(Table Handle) is invaild!");
    EXPECT_EQ(DbsAllocMemory(h), 0);
    EXPECT_EQ(trace.Last(), "[File: * Line: *] Handle 10000H Invalid");
    EXPECT_EQ(DbsGetDBHandle(0), 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line*] gptDB_Form is NULL");
    EXPECT_EQ(+DbsGetDBForm(0).dwDBHandle, 0u);
    EXPECT_EQ(DbsGetTableHandle("A"), 0u);
    ASSERT_GT(trace.Count(), 0u);
    EXPECT_EQ(trace.Lines().back().text, "DbsGetTableHandle get unexcept error");
    EXPECT_FALSE(trace.Lines().back().stampFile.empty());
    EXPECT_EQ(DbsLoadRTable(h), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10000 Invalid");
    DbsSetCurPath(1);
    EXPECT_EQ(DbsGetCurPath(), 0);
    DbsSetPath(1, "data");

    trace.Clear();
    EXPECT_EQ(DbsAppendTuple(h), 0);
    EXPECT_EQ(DbsSetTupleNo(h, 1), 0);
    EXPECT_EQ(DbsGetTupleNo(h), 0u);
    EXPECT_EQ(DbsSkipToFirstEX(h), 0);
    EXPECT_EQ(DbsGetTuple(h, buf), 0);
    EXPECT_EQ(DbsSetTupleEX(h, buf), 0);
    EXPECT_EQ(DbsDeleteTuple(h), 0);
    EXPECT_EQ(DbsGetDomain(h, "X", buf), 0);
    EXPECT_EQ(DbsGetTupleLen(h), 0);
    EXPECT_EQ(DbsGetTupleNumEX(h), 0u);
    EXPECT_EQ(trace.Count(), 10u);
    for (const std::string& line : trace.Texts()) EXPECT_EQ(line, "[File:* Line*] Table Handle 10000H Invalid");
}

}  // namespace
}  // namespace dbs::test
