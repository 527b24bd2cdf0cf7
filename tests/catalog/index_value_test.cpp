// Keys from tuples, column properties, key column names and the catalogue index operations in both memories.
#include <gtest/gtest.h>

#include <string>

#include "catalog_fixture.h"
#include "runtime/fault_injection.h"

namespace {

using dbs::test::TupleBuilder;

class IndexValue : public dbs::test::CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        t = AddTable("T", 8);
        AddColumn(t, "Id", 'D', 4);
        AddColumn(t, "Name", 'C', 6);
        AddColumn(t, "Tag", 'W', 2);
        AddKey(t, 0, {"Name", "Id"});
        AddKey(t, 1, {"Tag"});
    }
    void TearDown() override {
        dbs::fault::ResetAll();
        CatalogFixture::TearDown();
    }
    void Make() {
        ASSERT_EQ(Build(), 1);
        trace.Clear();
    }
    uint32_t t = 0;
};

TEST_F(IndexValue, ResultCodes) {
    Make();
    TupleBuilder row(t);
    row.D("Id", 0x01020304).C("Name", "AB").W("Tag", 7);
    uint8_t key[100];
    uint16_t len = 0;
    const struct {
        uint32_t table;
        uint16_t slot;
        const void* tuple;
        void* key;
        uint16_t bufLen;
        uint16_t* out;
        uint16_t code;
        const char* line;
    } cases[] = {
        {0x10055, 0, row.data(), key, 100, &len, 3,
         "[File=*,Line=*] DbsGetIndexValue Function, TableHandle = 10055 is error!"},
        {t, 4, row.data(), key, 100, &len, 1, "[File=*,Line=*] DbsGetIndexValue Function, The 4th index is not exist!"},
        {t, 0, nullptr, key, 100, &len, 3, "[File=*,Line=*] DbsGetIndexValue Function, The Pointer is null!"},
        {t, 0, row.data(), nullptr, 100, &len, 3, "[File=*,Line=*] DbsGetIndexValue Function, The Pointer is null!"},
        {t, 0, row.data(), key, 100, nullptr, 3, "[File=*,Line=*] DbsGetIndexValue Function, The Pointer is null!"},
        {t, 2, row.data(), key, 100, &len, 1, "[File=*,Line=*] DbsGetIndexValue Function, The 2th index is not exist!"},
        {t, 0, row.data(), key, 9, &len, 2, "[File=*,Line=*] DbsGetIndexValue Function, The index buffer is too small!"},
        {t, 0, row.data(), key, 10, &len, 0, nullptr},
    };
    for (const auto& c : cases) {
        trace.Clear();
        EXPECT_EQ(DbsGetIndexValue(c.table, c.slot, c.tuple, c.key, c.bufLen, c.out), c.code);
        EXPECT_EQ(trace.Last(), c.line ? c.line : "");
    }
    EXPECT_EQ(len, 10);
    const uint8_t expected[10] = {'A', 'B', 0, 0, 0, 0, 4, 3, 2, 1};
    EXPECT_EQ(std::memcmp(key, expected, sizeof expected), 0);

    // More than eight key columns in a descriptor, and an over-long character key column.
    TagIdxForm* pk = dbs::core::IndexForm(0x20000);
    pk->byIdxKeyNum = 9;
    trace.Clear();
    EXPECT_EQ(DbsGetIndexValue(t, 0, row.data(), key, 100, &len), 3);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] ptIdx->byIdxKeyNum = 9 more than 8!");
}

TEST_F(IndexValue, KeyNeverOverrunsTheBufferWhenTheDescriptorDisagrees) {
    Make();
    TupleBuilder row(t);
    row.D("Id", 1).C("Name", "ABCDEF");
    TagIdxForm* pk = dbs::core::IndexForm(0x20000);
    pk->wIdxEntryLen = 4 + 4;  // claims a 4-byte key, the columns make 10
    uint8_t key[8];
    uint16_t len = 0;
    EXPECT_EQ(DbsGetIndexValue(t, 0, row.data(), key, sizeof key, &len), 2);
}

TEST_F(IndexValue, FieldProperties) {
    Make();
    uint16_t off = 0, len = 0;
    char type = 0;
    EXPECT_EQ(GetFieldProp(t, "Name", &off, &type, &len), 1);
    EXPECT_EQ(off, 5);
    EXPECT_EQ(type, 'C');
    EXPECT_EQ(len, 6);
    EXPECT_EQ(GetFieldProp(t, "Tag", nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(GetFieldProp(t, "name", &off, &type, &len), 0);
    EXPECT_EQ(GetFieldProp(t, nullptr, &off, &type, &len), 0);
    EXPECT_EQ(GetFieldProp(0x20000, "Tag", &off, &type, &len), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File:* Line*] GetFieldProp: Not find field, table:T, field:name !",
                                 "[File:* Line*] GetFieldProp: pchField = NULL!",
                                 "[File:* Line*] GetFieldProp: Table Handle 20000H Invalid!"}));
}

TEST_F(IndexValue, KeyDomainNames) {
    const std::string name31(31, 'n');
    const uint32_t u = AddTable("U", 4);
    const uint32_t bare = AddTable("BARE", 4);
    AddColumn(u, name31.c_str(), 'D', 4);
    AddColumn(bare, "V", 'D', 4);
    AddKey(u, 0, {name31.c_str()});
    Make();

    char* names = nullptr;
    uint32_t count = 0;
    DbsGetKeyDomainNames(t, &names, &count);
    ASSERT_EQ(count, 3u);
    ASSERT_NE(names, nullptr);
    EXPECT_STREQ(names, "Name");
    EXPECT_STREQ(names + 30, "Id");
    EXPECT_STREQ(names + 60, "Tag");
    DbsFree(names);

    names = nullptr;
    DbsGetKeyDomainNames(u, &names, &count);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(std::string(names), std::string(29, 'n'));  // cut to fit its slot
    DbsFree(names);

    char* untouched = reinterpret_cast<char*>(0x1);
    DbsGetKeyDomainNames(bare, &untouched, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(untouched, reinterpret_cast<char*>(0x1));

    trace.Clear();
    count = 7;
    dbs::fault::FailAllocAt(1);
    DbsGetKeyDomainNames(t, &untouched, &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(untouched, reinterpret_cast<char*>(0x1));
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] malloc memory failed");

    trace.Clear();
    DbsGetKeyDomainNames(0x10077, &untouched, &count);
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] Table Handle 10077H invalid");
}

TEST_F(IndexValue, SysLocateTuple) {
    Make();
    TupleBuilder row(t);
    trace.Clear();
    EXPECT_EQ(DbsSysLocateTupleEX(t, 4, row.data()), 0);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 0, nullptr), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{"[File=*,Line=*] wIdxNo[4] is error!",
                                                      "[File=*,Line=*] pbyTuple is NULL!"}));
    EXPECT_EQ(DbsSysLocateTupleEX(t, 2, row.data()), 0);  // no such index and no tuple
    ASSERT_EQ(DbsSysInsertTabTuple(t, row.D("Id", 5).C("Name", "X").W("Tag", 1).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(t, row.D("Id", 6).C("Name", "Y").W("Tag", 2).data()), 1);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 2, row.data()), 1);  // without the index the first tuple counts
    EXPECT_EQ(DbsGetTupleNoEX(t), 1u);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 1, row.data()), 1);
    EXPECT_EQ(DbsGetTupleNoEX(t), 2u);
    // Main memory holds nothing until the buffers are swapped.
    EXPECT_EQ(DbsSysLocateTuple(t, 1, row.data()), 0);
    ASSERT_EQ(DbsChangeOverAddr(), 1);
    EXPECT_EQ(DbsSysLocateTuple(t, 1, row.data()), 1);
    EXPECT_EQ(DbsGetTupleNo(t), 2u);
}

TEST_F(IndexValue, MainMemoryIndexOperations) {
    Make();
    TupleBuilder row(t);
    row.D("Id", 5).C("Name", "X").W("Tag", 1);
    // Put a tuple into main memory by hand and key it there.
    ASSERT_EQ(DbsAppendTuple(t), 1);
    ASSERT_EQ(DbsSetTuple(t, row.data()), 1);
    ASSERT_EQ(DbsSysInsertIndex(t, row.data()), 1);
    EXPECT_EQ(DbsSysLocateTuple(t, 0, row.data()), 1);
    EXPECT_EQ(DbsSysLocateTuple(t, 1, row.data()), 1);
    ASSERT_EQ(DbsSysDeleteIndex(t, row.data()), 1);
    EXPECT_EQ(+dbs::core::IndexForm(0x20000)->adwIdxEntryNum[dbs::core::IndexForm(0x20000)->byIdxMainAddrPtr], 0u);
    EXPECT_EQ(+dbs::core::IndexForm(0x20001)->adwIdxEntryNum[dbs::core::IndexForm(0x20001)->byIdxMainAddrPtr], 0u);
    trace.Clear();
    EXPECT_EQ(DbsSysDeleteIndex(t, row.data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysDeleteIndex Function, T: Index tuple not exists!");
    trace.Clear();
    EXPECT_EQ(DbsSysInsertIndex(0x10077, row.data()), 0);
    EXPECT_EQ(DbsSysInsertIndexEX(0x10077, row.data()), 0);
    EXPECT_EQ(DbsSysDeleteIndex(0x10077, row.data()), 0);
    EXPECT_EQ(DbsSysDeleteIndexEX(0x10077, row.data()), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File=*,Line=*] DbsSysInsertIndex Function,TableHandle = 10077 is error!",
                                 "[File=*,Line=*] DbsSysInsertIndexEX Function,TableHandle = 10077 is error!",
                                 "[File=*,Line=*] DbsSysDeleteIndex Function,TableHandle = 10077 is error!",
                                 "[File=*,Line=*] DbsSysDeleteIndexEX Function,TableHandle = 10077 is error!"}));
    // A key that cannot be built: the main-memory insert names it.
    trace.Clear();
    EXPECT_EQ(DbsSysInsertIndex(t, nullptr), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] T: DbsGetIndexValue fail!");
}

TEST_F(IndexValue, SysInsertIndexFailureTakesBackEarlierSlots) {
    Make();
    TupleBuilder row(t);
    row.D("Id", 5).C("Name", "X").W("Tag", 1);
    ASSERT_EQ(DbsAppendTupleEX(t), 1);
    ASSERT_EQ(DbsSetTupleEX(t, row.data()), 1);
    dbs::catalog::fault::FailStepAt(dbs::catalog::fault::Step::InsertIndex, 2);
    trace.Clear();
    EXPECT_EQ(DbsSysInsertIndexEX(t, row.data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysInsertIndexEX function, [achDBName=T,dwConstraintHandle=20001] "
                            "DbsInsertIndexEX Fail!");
    const TagIdxForm* pk = dbs::core::IndexForm(0x20000);
    EXPECT_EQ(+pk->adwIdxEntryNum[pk->byIdxSecondAddrPtr], 0u);
}

}  // namespace
