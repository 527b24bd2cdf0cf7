// Creating indexes (by handle, by slot, by key names), allocating their buffers, and building keys with
// DbsMakeIndex.
#include <functional>

#include "core/index_test_util.h"
#include "runtime/fault_injection.h"

namespace dbs::test {
namespace {

using index::Form;
using index::Idx;

class IndexFormTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        table = index::Table(2, "ORDERS", 16, {{"ID", 'D', 4}, {"CODE", 'C', 8}, {"FLAG", 'C', 1},
                                               {"QTY", 'W', 2}, {"KIND", 'N', 1}, {"OK", 'L', 1}});
        trace.Clear();
    }
    uint32_t table = 0;
};

TEST_F(IndexFormTest, ByHandleFillsTheDescriptorAndTheFirstFreeSlot) {
    EXPECT_EQ(DbsCreateIndexHandle(table, DBS_INDEX_HANDLE(2, 2), DBS_IDX_SORTED, 0, 0, 12), 1);
    const TagIdxForm& idx = Idx(DBS_INDEX_HANDLE(2, 2));
    EXPECT_EQ(+Form(table).adwIdxHandle[0], DBS_INDEX_HANDLE(2, 2));
    EXPECT_EQ(+idx.dwDBHandle, table);
    EXPECT_EQ(+idx.wIdxEntryLen, 16);
    EXPECT_EQ(+idx.byIdxMainAddrPtr, 0);
    EXPECT_EQ(+idx.byIdxSecondAddrPtr, 1);
    EXPECT_EQ(+idx.apchIdxAddr[0], nullptr);

    EXPECT_EQ(DbsCreateIndexHandle(table, DBS_INDEX_HANDLE(5, 0), DBS_IDX_ARRAY2D_1, 7, 9, 12), 1);
    EXPECT_EQ(+Idx(DBS_INDEX_HANDLE(5, 0)).wIdxEntryLen, 4);
    EXPECT_EQ(+Idx(DBS_INDEX_HANDLE(5, 0)).wDimY, 9);
    EXPECT_EQ(+Form(table).adwIdxHandle[1], DBS_INDEX_HANDLE(5, 0));
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(IndexFormTest, RefusalsLeaveFormAndTableUnchanged) {
    ASSERT_EQ(DbsCreateIndexNo(table, 0, DBS_IDX_SORTED, 0, 0, 4), DBS_INDEX_HANDLE(2, 0));
    struct Case {
        const char* what;
        std::function<uint32_t()> call;
        const char* line;  // nullptr: refused without a line
    } cases[] = {
        {"by handle: number 512", [&] { return DbsCreateIndexHandle(table, 0x20200, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] INDEX Handle 20200H invalid"},
        {"by handle: table kind", [&] { return DbsCreateIndexHandle(table, 0x10009, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] INDEX Handle 10009H invalid"},
        {"by handle: in use", [&] { return DbsCreateIndexHandle(table, 0x20008, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] INDEX Handle 20008H exists"},
        {"by handle: bad table", [&] { return DbsCreateIndexHandle(0x10077, 0x20030, DBS_IDX_SORTED, 0, 0, 4); },
         nullptr},
        {"by handle: key too long",
         [&] { return DbsCreateIndexHandle(table, 0x20031, DBS_IDX_SORTED, 0, 0, 65532); },
         "[File: *, Line: *] create table ORDERS index error, key length 65532 too long!"},
        {"by slot: in use", [&] { return DbsCreateIndexNo(table, 0, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] create table ORDERS index error, the %th Index is used!"},
        {"by slot: slot 4", [&] { return DbsCreateIndexNo(table, 4, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] create table ORDERS index error, index slot 4 invalid!"},
        {"by slot: bad table", [&] { return DbsCreateIndexNo(0x10003, 1, DBS_IDX_SORTED, 0, 0, 4); },
         "[File: *, Line: *] create index error,db 10003H invalid."},
        {"by name: bad table", [&] { return DbsCreateIndexByName(0, 1, DBS_IDX_SORTED, 0, 0, 4, "ID", ""); },
         "[File: *, Line: *] create index error,db 0H invalid."},
        {"by name: unknown key",
         [&] { return DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 4, "ID", "PRICE", ""); },
         "[File: *, Line: *] ORDERS Create index error,key PRICE no exist."},
        {"by name: null name",
         [&] { return DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 4, (const char*)0); },
         "[File: *, Line: *] ORDERS Create index error,key name is NULL."},
        {"by name: nine keys",
         [&] {
             return DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 4, "ID", "ID", "ID", "ID", "ID", "ID",
                                         "ID", "ID", "ID", "");
         },
         "[File: *, Line: *] ORDERS Create index error,more than 8 keys."},
    };
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(c.call(), 0u) << c.what;
        if (c.line) {
            EXPECT_EQ(trace.Last(), c.line) << c.what;
        } else {
            EXPECT_EQ(trace.Count(), 0u) << c.what;
        }
    }
    EXPECT_EQ(+Form(table).adwIdxHandle[1], 0u);
    EXPECT_EQ(+Idx(DBS_INDEX_HANDLE(2, 1)).dwIdxHandle, 0u);
    EXPECT_EQ(+Form(table).ptDomain[0].byDMKeyFlag, 0);
}

TEST_F(IndexFormTest, AFifthIndexIsRefusedAndTheTableKeepsItsFour) {
    for (uint16_t slot = 0; slot < 4; ++slot) {
        ASSERT_NE(DbsCreateIndexByName(table, slot, DBS_IDX_SORTED, 0, 0, 4, "ID", ""), 0u);
    }
    trace.Clear();
    EXPECT_EQ(DbsCreateIndexHandle(table, DBS_INDEX_HANDLE(40, 0), DBS_IDX_SORTED, 0, 0, 4), 0);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(+Idx(DBS_INDEX_HANDLE(40, 0)).dwIdxHandle, 0u);
    for (uint16_t slot = 0; slot < 4; ++slot) EXPECT_EQ(+Form(table).adwIdxHandle[slot], DBS_INDEX_HANDLE(2, slot));
}

TEST_F(IndexFormTest, ByNameRecordsTheKeyAndAllocatesOneBlock) {
    uint32_t h = DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 12, "CODE", "ID", "");
    ASSERT_EQ(h, DBS_INDEX_HANDLE(2, 1));
    const TagIdxForm& idx = Idx(h);
    EXPECT_EQ(+idx.byIdxKeyNum, 2);
    EXPECT_EQ(+idx.abyIdxKey[0], 2);
    EXPECT_EQ(+idx.abyIdxKey[1], 1);
    EXPECT_EQ(+idx.abyIdxKey[2], 0);
    EXPECT_EQ(+Form(table).ptDomain[0].byDMKeyFlag & 1, 1);
    EXPECT_EQ(+Form(table).ptDomain[1].byDMKeyFlag & 1, 1);
    EXPECT_EQ(+Form(table).ptDomain[2].byDMKeyFlag & 1, 0);
    ASSERT_NE(+idx.apchIdxAddr[0], nullptr);
    // The whole capacity fits one leaf: a tree header of 16 bytes, the leaf's count and capacity * (key length + 4).
    EXPECT_EQ(+idx.apchIdxAddr[1], +idx.apchIdxAddr[0] + 16 + 4 + 16 * 16);
    char* before = idx.apchIdxAddr[0];
    EXPECT_EQ(DbsAllocMemory(h), 1);  // already stored: nothing new
    EXPECT_EQ(+idx.apchIdxAddr[0], before);
}

TEST_F(IndexFormTest, AnIndexNeedsItsTablesStorage) {
    uint32_t bare = index::Table(3, "BARE", 4, {{"ID", 'D', 4}}, false);
    uint32_t h = DbsCreateIndexNo(bare, 0, DBS_IDX_SORTED, 0, 0, 4);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(DbsAllocMemory(h), 0);
    EXPECT_EQ(+Idx(h).apchIdxAddr[0], nullptr);

    // By name, on a table without storage: created keyed and without buffers, silently; its calls then fail with
    // their buffer lines until the table is stored and the index is given its buffers.
    trace.Clear();
    const uint32_t byName = DbsCreateIndexByName(bare, 1, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
    ASSERT_EQ(byName, DBS_INDEX_HANDLE(3, 1));
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(+Form(bare).adwIdxHandle[1], byName);
    EXPECT_EQ(+Idx(byName).byIdxKeyNum, 1);
    EXPECT_EQ(+Form(bare).ptDomain[0].byDMKeyFlag & 1, 1);
    EXPECT_EQ(+Idx(byName).apchIdxAddr[0], nullptr);
    uint32_t key = 7, out = 0;
    EXPECT_EQ(DbsFetchIndex(byName, &key, &out), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Index (Handle 2000d) index buffer is 0.");
    EXPECT_EQ(DbsFetchIndexEX(byName, 1, &key, &out), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Index (Handle 2000d) index buffer not exist");
    ASSERT_EQ(DbsAllocMemory(bare), 1);
    ASSERT_EQ(DbsAllocMemory(byName), 1);
    index::Append(bare, &key);
    EXPECT_EQ(DbsInsertIndex(byName, &key), 1);
    EXPECT_EQ(DbsFetchIndex(byName, &key, &out), 1);
    EXPECT_EQ(out, 1u);

    // On a stored table, an index whose block cannot be had is not created at all.
    trace.Clear();
    dbs::fault::FailAllocAt(1);
    EXPECT_EQ(DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 4, "ID", ""), 0u);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] ORDERS Create index error,index buffer not allocated.");
    dbs::fault::ResetAll();
    EXPECT_EQ(+Form(table).adwIdxHandle[1], 0u);
}

TEST_F(IndexFormTest, AnInvalidKindHasNoBuffers) {
    uint32_t h = DbsCreateIndexNo(table, 0, 0x40, 0, 0, 4);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(DbsAllocMemory(h), 0);
    EXPECT_EQ(trace.Last(), "[File: * Line: *] IndexType:64 Invalid");
    uint32_t key = 0, out = 0;
    EXPECT_EQ(DbsFetchIndex(h, &key, &out), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Index (Handle 20008) index buffer is 0.");
    EXPECT_EQ(DbsFetchIndexEX(h, 0, &key, &out), 0);
    EXPECT_EQ(trace.Last(), "[File:* Line*] Index (Handle 20008) index buffer not exist");
    Idx(h).byIdxType = DBS_IDX_SORTED;  // give it buffers, then spoil the kind
    ASSERT_EQ(DbsAllocMemory(h), 1);
    Idx(h).byIdxType = 0x40;
    EXPECT_EQ(DbsFetchIndex(h, &key, &out), 0);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] 20008H index type invalid");
}

// ---- DbsMakeIndex -------------------------------------------------------------------------------------------

class MakeIndexTest : public IndexFormTest {
protected:
    void SetUp() override {
        IndexFormTest::SetUp();
        ASSERT_NE(DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 17, "ID", "CODE", "FLAG", "QTY", "KIND",
                                       "OK", ""), 0u);
        ASSERT_NE(DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 8, "CODE", ""), 0u);
        trace.Clear();
    }
};

TEST_F(MakeIndexTest, LaysTheValuesEndToEnd) {
    uint8_t key[24];
    std::memset(key, 0xEE, sizeof key);
    EXPECT_EQ(DbsMakeIndex(table, 0, key, sizeof key, 0x01020304u, "ABC", 'Z', 0x12345, 0x1FF, 2), 17);
    const uint8_t expected[24] = {4, 3, 2, 1, 'A', 'B', 'C', 0, 0, 0, 0, 0, 'Z', 0x45, 0x23, 0xFF, 2};
    EXPECT_EQ(std::vector<uint8_t>(key, key + 24), std::vector<uint8_t>(expected, expected + 24));

    // A character value is cut at the field length.
    EXPECT_EQ(DbsMakeIndex(table, 1, key, 8, "ABCDEFGHIJK"), 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 8), "ABCDEFGH");
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(MakeIndexTest, Refusals) {
    uint8_t key[32];
    struct Case {
        const char* what;
        std::function<uint16_t()> call;
        const char* line;
    } cases[] = {
        {"bad table", [&] { return DbsMakeIndex(0x10050, 0, key, 32, 1); },
         "[File: *, Line: *] DbsMakeIndex error, table 10050H invalid."},
        {"slot 4", [&] { return DbsMakeIndex(table, 4, key, 32, 1); },
         "[File=*,Line=*] DbsMakeIndex error, The 4th index is not exist!"},
        {"empty slot", [&] { return DbsMakeIndex(table, 2, key, 32, 1); },
         "[File=*,Line=*] DbsMakeIndex error, The 2th index is not exist!"},
        {"short buffer", [&] { return DbsMakeIndex(table, 1, key, 7, "ABC"); },
         "[File=*,Line=*] DbsMakeIndex error, The index buffer is too small!"},
        {"null text", [&] { return DbsMakeIndex(table, 1, key, 32, (const char*)0); },
         "[File=*,Line=*] va_arg return NULL pointer!"},
        {"null buffer", [&] { return DbsMakeIndex(table, 1, nullptr, 32, "ABC"); },
         "[File=*,Line=*] DbsMakeIndex error, Pointer pbyKey is NULL!"},
    };
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(trace.Last(), c.line) << c.what;
    }
}

TEST_F(MakeIndexTest, DescriptorFaultsAreRefused) {
    uint8_t key[32];
    TagIdxForm& idx = Idx(DBS_INDEX_HANDLE(2, 1));
    TagDMForm& code = Form(table).ptDomain[1];
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* line;
    } cases[] = {
        {"nine keys", [&] { idx.byIdxKeyNum = 9; }, "[File=*,Line=*] ptIdx->byIdxKeyNum = 9 more than 8!"},
        {"field kind", [&] { code.chDMType = 'X'; }, "[File=*,Line=*] DbsMakeIndex error, field type error!\n"},
        {"long text field", [&] { code.wDMLen = 2048; }, "[File=*,Line=*] wDMLen is too long!"},
        {"field number", [&] { idx.abyIdxKey[0] = 7; }, "[File=*,Line=*] DbsMakeIndex error, key field 7 not exist!"},
    };
    for (const Case& c : cases) {
        TagIdxForm savedIdx = idx;
        TagDMForm savedCode = code;
        c.spoil();
        trace.Clear();
        EXPECT_EQ(DbsMakeIndex(table, 1, key, sizeof key, "ABC"), 0) << c.what;
        EXPECT_EQ(trace.Last(), c.line) << c.what;
        idx = savedIdx;
        code = savedCode;
    }
}

TEST_F(MakeIndexTest, NumbersThatDoNotFitTheBufferAreRefused) {
    // An array index needs no key length, so the buffer check alone would let these through.
    uint32_t grid = index::Table(4, "GRID", 4, {{"X", 'W', 2}, {"Y", 'W', 2}, {"D", 'D', 4}});
    ASSERT_NE(DbsCreateIndexByName(grid, 0, DBS_IDX_ARRAY2D_0, 4, 4, 0, "X", "Y", ""), 0u);
    ASSERT_NE(DbsCreateIndexByName(grid, 1, DBS_IDX_ARRAY1D_0, 4, 0, 0, "D", ""), 0u);
    uint8_t key[4] = {9, 9, 9, 9};
    trace.Clear();
    EXPECT_EQ(DbsMakeIndex(grid, 0, key, 3, 1, 2), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsMakeIndex error, The index buffer is too small!");
    EXPECT_EQ(key[3], 9);
    std::memset(key, 9, sizeof key);
    EXPECT_EQ(DbsMakeIndex(grid, 1, key, 2, 1u), 0);
    EXPECT_EQ(key[2], 9);
}

}  // namespace
}  // namespace dbs::test

namespace dbs::test {
namespace {

// With the core stopped there are no forms: every call refuses instead of touching them.
TEST(IndexWithoutCore, EveryCallRefuses) {
    DbsCoreRelease();
    TraceCapture trace;
    uint32_t key = 0, out = 0;
    uint8_t buf[8];
    const uint32_t h = DBS_INDEX_HANDLE(1, 0), t = 0x10001;
    EXPECT_EQ(DbsCreateIndexHandle(t, h, DBS_IDX_SORTED, 0, 0, 4), 0);
    EXPECT_EQ(DbsCreateIndexNo(t, 0, DBS_IDX_SORTED, 0, 0, 4), 0u);
    EXPECT_EQ(DbsCreateIndexByName(t, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", ""), 0u);
    EXPECT_EQ(DbsMakeIndex(t, 0, buf, sizeof buf, 1), 0);
    EXPECT_EQ(DbsFetchIndex(h, &key, &out), 0);
    EXPECT_EQ(DbsFetchIndexEX(h, 0, &key, &out), 0);
    EXPECT_EQ(DbsLocateTuple(h, &key), 0);
    EXPECT_EQ(DbsLocateTupleEX(h, &key), 0);
    EXPECT_EQ(DbsInsertIndex(h, &key), 0);
    EXPECT_EQ(DbsDeleteIndexEX(h, &key), 0);
    EXPECT_EQ(DbsDeleteSecondaryIndex(h, &key, h, &key), 0);
    EXPECT_EQ(DbsChangeOver(t), 0);
    EXPECT_EQ(DbsCopyData(t), 0);
    EXPECT_EQ(DbsCopyDataEx(t, 1), 0);
    EXPECT_EQ(DbsClrMainMem(t), 0);
    EXPECT_EQ(DbsClrMemory(h, 0), 0);
    EXPECT_EQ(trace.Last(), "[File: * Line: *] Handle 20004 Invalid");
}

}  // namespace
}  // namespace dbs::test
