// Clearing one memory of a table and of its indexes, and clearing single buffers by handle.
#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Form;
using index::Idx;

class BufferClearTest : public index::StockFixture {};

TEST_F(BufferClearTest, ClearingOneMemoryLeavesTheOther) {
    struct Case {
        const char* what;
        uint8_t (*clear)(uint32_t);
        bool secondary;
    } cases[] = {{"main", DbsClrMainMem, false}, {"secondary", DbsClrSecondaryMem, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (uint32_t id = 1; id <= 3; ++id) {
            Add(id, static_cast<uint16_t>(id), false);
            Add(id, static_cast<uint16_t>(id), true);
        }
        ASSERT_EQ(DbsChangeOver(table), 1);  // the cleared buffer is chosen by role, not by number
        trace.Clear();
        EXPECT_EQ(c.clear(table), 1);

        const TagDBForm& f = Form(table);
        uint8_t cleared = c.secondary ? f.byDBSecondAddrPtr : f.byDBMainAddrPtr;
        uint8_t kept = 1 - cleared;
        EXPECT_EQ(+f.adwTupleNum[cleared], 0u);
        EXPECT_EQ(+f.adwTupleNo[cleared], 0u);
        EXPECT_EQ(+f.adwTupleNum[kept], 3u);
        std::vector<char> zeros(8u * f.wTupleLen);
        EXPECT_EQ(std::memcmp(f.apchDBAddr[cleared], zeros.data(), zeros.size()), 0);
        for (uint32_t h : {byId, byBin}) {
            EXPECT_EQ(+Idx(h).adwIdxEntryNum[cleared], 0u);
            EXPECT_EQ(+Idx(h).adwIdxPos[cleared], 0u);
            EXPECT_EQ(+Idx(h).adwIdxEntryNum[kept], 3u);
        }
        uint32_t id = 2;
        EXPECT_EQ(Lookup(byId, &id, c.secondary), 0u);
        EXPECT_NE(Lookup(byId, &id, !c.secondary), 0u);
        EXPECT_EQ(trace.Count(), 0u);

        // The next record in the cleared memory takes slot 1 again.
        if (c.secondary) {
            ASSERT_EQ(DbsAppendTupleEX(table), 1);
            EXPECT_EQ(DbsGetTupleNoEX(table), 1u);
        } else {
            ASSERT_EQ(DbsAppendTuple(table), 1);
            EXPECT_EQ(DbsGetTupleNo(table), 1u);
        }
        ASSERT_EQ(DbsClrMainMem(table), 1);
        ASSERT_EQ(DbsClrSecondaryMem(table), 1);
        ASSERT_EQ(DbsChangeOver(table), 1);
    }
}

TEST_F(BufferClearTest, RefusalsAndTheResultOfTheLastClear) {
    EXPECT_EQ(DbsClrMainMem(0x10066), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10066H Invalid");
    EXPECT_EQ(DbsClrMemory(0x30001, DBS_MEM_MAIN), 0);
    EXPECT_EQ(trace.Last(), "[File: * Line: *] Handle 30001 Invalid");

    // The result is that of the last buffer cleared: a trailing index without buffers makes it 0.
    ASSERT_NE(DbsCreateIndexNo(table, 3, DBS_IDX_SORTED, 0, 0, 4), 0u);
    Add(1, 1);
    trace.Clear();
    EXPECT_EQ(DbsClrMainMem(table), 0);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(DbsGetTupleNum(table), 0u);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 0u);

    uint32_t bare = index::Table(2, "BARE", 4, {{"ID", 'D', 4}}, false);
    EXPECT_EQ(DbsClrSecondaryMem(bare), 0);
    EXPECT_EQ(DbsClrMemory(byId, 7), 1);  // any non-zero value names main memory
}

}  // namespace
}  // namespace dbs::test
