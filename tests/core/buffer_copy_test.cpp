// Copying one memory onto the other: bytes and per-buffer state of the table and of its indexes, in both
// directions and for the whole store, and what a copy that cannot be made leaves behind.
#include <functional>

#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Entries;
using index::Form;
using index::Idx;

class BufferCopyTest : public index::StockFixture {
protected:
    // Everything that a copy must carry from buffer `from` to buffer `to`, compared between the two.
    void ExpectSameState(uint8_t from, uint8_t to) {
        const TagDBForm& f = Form(table);
        EXPECT_EQ(+f.adwTupleNum[to], +f.adwTupleNum[from]);
        EXPECT_EQ(+f.adwTupleNo[to], +f.adwTupleNo[from]);
        EXPECT_EQ(+f.adwSpare1[to], +f.adwSpare1[from]);
        EXPECT_EQ(std::memcmp(f.apchDBAddr[to], +f.apchDBAddr[from], 8u * f.wTupleLen), 0);
        for (uint32_t h : {byId, byBin}) {
            EXPECT_EQ(+Idx(h).adwIdxEntryNum[to], +Idx(h).adwIdxEntryNum[from]);
            EXPECT_EQ(+Idx(h).adwIdxPos[to], +Idx(h).adwIdxPos[from]);
        }
        EXPECT_EQ(Entries(byId, to), Entries(byId, from));
        EXPECT_EQ(std::memcmp(Idx(byBin).apchIdxAddr[to], +Idx(byBin).apchIdxAddr[from], 16 * 4), 0);
    }
};

TEST_F(BufferCopyTest, BothDirectionsCarryBytesCountsCursorsAndPositions) {
    struct Case {
        const char* what;
        std::function<uint8_t(uint32_t)> copy;
        bool toMain;
    } cases[] = {
        {"DbsCopyData", [](uint32_t h) { return DbsCopyData(h); }, false},
        {"DbsCopyDataEx 0", [](uint32_t h) { return DbsCopyDataEx(h, DBS_COPY_MAIN_TO_SECOND); }, false},
        {"DbsCopyDataEx 1", [](uint32_t h) { return DbsCopyDataEx(h, DBS_COPY_SECOND_TO_MAIN); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(DbsClrMainMem(table), 1);
        ASSERT_EQ(DbsClrSecondaryMem(table), 1);
        ASSERT_EQ(DbsChangeOver(table), 1);  // roles other than the physical order must not matter
        bool fromSecondary = c.toMain;
        Add(10, 1, fromSecondary);
        Add(20, 2, fromSecondary);
        Add(30, 3, fromSecondary);
        Form(table).adwSpare1[fromSecondary ? Form(table).byDBSecondAddrPtr : Form(table).byDBMainAddrPtr] = 0xABCD;
        Add(99, 9, !fromSecondary);  // to be overwritten
        trace.Clear();

        ASSERT_EQ(c.copy(table), 1);
        uint8_t main = Form(table).byDBMainAddrPtr, second = Form(table).byDBSecondAddrPtr;
        if (c.toMain) {
            ExpectSameState(second, main);
        } else {
            ExpectSameState(main, second);
        }
        EXPECT_EQ(DbsGetTupleNum(table), 3u);
        EXPECT_EQ(DbsGetTupleNumEX(table), 3u);
        uint32_t id = 20, gone = 99;
        EXPECT_EQ(Lookup(byId, &id, false), 2u);
        EXPECT_EQ(Lookup(byId, &id, true), 2u);
        EXPECT_EQ(Lookup(byId, &gone, !fromSecondary), 0u);
        EXPECT_EQ(+Form(table).byDBMainAddrPtr, 1);  // copying never swaps
        EXPECT_EQ(+Idx(byId).byIdxMainAddrPtr, 1);
        EXPECT_EQ(trace.Count(), 0u);
        ASSERT_EQ(DbsChangeOver(table), 1);
    }
}

TEST_F(BufferCopyTest, TheAppendHintTravelsWithTheBuffer) {
    for (uint32_t id = 1; id <= 5; ++id) Add(id, static_cast<uint16_t>(id), true);  // secondary slots 1..5
    Add(100, 0);                                                                       // main slot 1 only
    ASSERT_EQ(DbsCopyData(table), 1);
    ASSERT_EQ(DbsAppendTupleEX(table), 1);
    EXPECT_EQ(DbsGetTupleNoEX(table), 2u);  // the lowest free slot of what was copied, not behind the old five
}

TEST_F(BufferCopyTest, OtherDirectionsAndBadHandles) {
    Add(1, 1, true);
    trace.Clear();
    EXPECT_EQ(DbsCopyDataEx(table, 2), 0);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(DbsGetTupleNum(table), 0u);
    EXPECT_EQ(DbsCopyData(0x10042), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10042H Invalid");
    EXPECT_EQ(DbsCopyDataEx(0x10042, 0), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Table Handle 10042H Invalid");
}

TEST_F(BufferCopyTest, MissingBuffersAreAFault) {
    uint32_t bare = index::Table(2, "BARE", 4, {{"ID", 'D', 4}}, false);
    trace.Clear();
    EXPECT_EQ(DbsCopyData(bare), 0);
    ASSERT_EQ(trace.Count(), 1u);
    EXPECT_EQ(trace.Lines()[0].text.rfind("DbsCopyData catch error, no is ", 0), 0u);
    EXPECT_FALSE(trace.Lines()[0].stampFile.empty());
    trace.Clear();
    EXPECT_EQ(DbsCopyDataEx(bare, 1), 0);
    EXPECT_EQ(trace.Count(), 0u);

    // An index without buffers stops the copy after the table and the indexes before it.
    uint32_t h = DbsCreateIndexNo(table, 2, DBS_IDX_SORTED, 0, 0, 4);
    ASSERT_NE(h, 0u);
    Add(5, 5);
    trace.Clear();
    EXPECT_EQ(DbsCopyData(table), 0);
    EXPECT_EQ(trace.Lines()[0].text.rfind("DbsCopyData catch error, no is ", 0), 0u);
    EXPECT_EQ(DbsGetTupleNumEX(table), 1u);
    EXPECT_EQ(+Idx(byBin).adwIdxEntryNum[1], 1u);
}

TEST_F(BufferCopyTest, AnIndexOfInvalidKindStopsTheCopyWithItsLine) {
    Add(5, 5);
    Idx(byBin).byIdxType = 0x7F;
    trace.Clear();
    EXPECT_EQ(DbsCopyData(table), 0);
    EXPECT_EQ(trace.Last(), "[File: * Line: *] IndexType:127 Invalid");
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[1], 1u);   // before it: copied
    EXPECT_EQ(+Idx(byBin).adwIdxEntryNum[1], 0u);  // itself: unchanged
}

TEST_F(BufferCopyTest, AllCopyDataCopiesEveryTableAndPassesOverFreeEntries) {
    uint32_t other = index::Table(3, "OTHER", 4, {{"ID", 'D', 4}});
    Add(1, 1);
    uint32_t v = 7;
    index::Append(other, &v);
    trace.Clear();
    EXPECT_EQ(DbsAllCopyData(), 1);
    EXPECT_EQ(DbsGetTupleNumEX(table), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(other), 1u);
    // Entries 0 and 2 are free and each gives the invalid-handle line.
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"[File:* Line*] Table Handle 0H Invalid",
                                                        "[File:* Line*] Table Handle 0H Invalid"}));

    DbsCoreRelease();
    trace.Clear();
    EXPECT_EQ(DbsAllCopyData(), 0);
    ASSERT_EQ(trace.Count(), 1u);
    EXPECT_EQ(trace.Lines()[0].text, "DbsAllCopyData catch error");
}

// Index buffers are released with the core: LeakSanitizer checks this across repeated cycles.
TEST(IndexLifecycle, StartUseReleaseCycles) {
    TraceCapture quiet;
    for (int cycle = 0; cycle < 3; ++cycle) {
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        uint32_t t = index::Table(0, "CYCLE", 32, {{"ID", 'D', 4}, {"X", 'W', 2}});
        ASSERT_NE(DbsCreateIndexByName(t, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", ""), 0u);
        ASSERT_NE(DbsCreateIndexByName(t, 1, DBS_IDX_ARRAY1D_0, 8, 0, 0, "X", ""), 0u);
        ASSERT_EQ(DbsAllCopyData(), 1);
        ASSERT_EQ(DbsCoreRelease(), 1);
    }
}

}  // namespace
}  // namespace dbs::test
