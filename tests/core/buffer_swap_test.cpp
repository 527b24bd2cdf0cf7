// Swapping the roles of main and secondary memory, per table and for the whole store.
#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Form;
using index::Idx;

class BufferSwapTest : public index::StockFixture {};

TEST_F(BufferSwapTest, PublishingTheWorkingCopy) {
    Add(1, 3);
    trace.Clear();  // the plain insertion's miss line
    uint32_t id = 2;
    Add(id, 5, true);
    EXPECT_EQ(DbsGetTupleNum(table), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(table), 1u);
    Add(7, 6, true);
    EXPECT_EQ(DbsGetTupleNum(table), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(table), 2u);
    EXPECT_EQ(Lookup(byId, &id, false), 0u);

    EXPECT_EQ(DbsChangeOver(table), 1);
    EXPECT_EQ(DbsGetTupleNum(table), 2u);
    EXPECT_EQ(DbsGetTupleNumEX(table), 1u);
    EXPECT_EQ(Lookup(byId, &id, false), 1u);
    EXPECT_EQ(DbsLocateTuple(byId, &id), 1);
    for (uint32_t h : {byId, byBin}) {
        EXPECT_EQ(+Idx(h).byIdxMainAddrPtr, +Form(table).byDBMainAddrPtr);
        EXPECT_EQ(+Idx(h).byIdxSecondAddrPtr, +Form(table).byDBSecondAddrPtr);
    }

    EXPECT_EQ(DbsChangeOver(table), 1);  // a second swap restores the former roles
    EXPECT_EQ(+Form(table).byDBMainAddrPtr, 0);
    EXPECT_EQ(+Idx(byBin).byIdxMainAddrPtr, 0);
    EXPECT_EQ(DbsGetTupleNum(table), 1u);
    EXPECT_EQ(trace.Count(), 0u);

    EXPECT_EQ(DbsChangeOver(0x10055), 0);  // no such table: nothing changes, no line
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(BufferSwapTest, AnIndexBehindAnEmptySlotFollowsItsTable) {
    uint32_t other = index::Table(2, "GAPPY", 4, {{"ID", 'D', 4}});
    uint32_t late = DbsCreateIndexByName(other, 2, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
    ASSERT_NE(late, 0u);
    EXPECT_EQ(DbsChangeOver(other), 1);
    EXPECT_EQ(+Idx(late).byIdxMainAddrPtr, 1);
    EXPECT_EQ(+Form(other).byDBMainAddrPtr, 1);
}

TEST_F(BufferSwapTest, ChangeOverAddrSwapsEveryTableAndIndex) {
    uint32_t second = index::Table(5, "OTHER", 4, {{"ID", 'D', 4}});
    uint32_t secondIdx = DbsCreateIndexByName(second, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
    ASSERT_GE(gwTableNum, 6);  // tables made in code take part in the store-wide calls
    EXPECT_EQ(DbsChangeOverAddr(), 1);
    for (uint32_t h : {table, second}) EXPECT_EQ(+Form(h).byDBMainAddrPtr, 1);
    for (uint32_t h : {byId, byBin, secondIdx}) EXPECT_EQ(+Idx(h).byIdxSecondAddrPtr, 0);

    uint16_t saved = gwTableNum, savedIdx = gwIdxNum;
    gwTableNum = 0;
    gwIdxNum = 0;
    EXPECT_EQ(DbsChangeOverAddr(), 1);  // nothing to swap
    EXPECT_EQ(+Form(table).byDBMainAddrPtr, 1);
    gwTableNum = saved;
    gwIdxNum = savedIdx;
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(BufferSwapTest, ChangeOverAddrWithoutAStartedCoreIsAFault) {
    DbsCoreRelease();
    trace.Clear();
    EXPECT_EQ(DbsChangeOverAddr(), 0);
    ASSERT_EQ(trace.Count(), 1u);
    EXPECT_EQ(trace.Lines()[0].text.rfind("DbsChangeOverAddr catch error, no is ", 0), 0u);
    EXPECT_FALSE(trace.Lines()[0].stampFile.empty());
    EXPECT_EQ(trace.Lines()[0].level, DBS_TRACE_LEVEL);
}

}  // namespace
}  // namespace dbs::test
