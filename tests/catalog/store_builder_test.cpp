// Building the store from the catalogue lists: the record checks, the key index groups, the updatable rule, and
// the failures the build must not hide (tables, fields or storage that could not be created).
#include <gtest/gtest.h>

#include <string>

#include "catalog_fixture.h"
#include "runtime/fault_injection.h"

namespace {

class StoreBuilder : public dbs::test::CatalogFixture {
protected:
    void TearDown() override {
        dbs::fault::ResetAll();
        CatalogFixture::TearDown();
    }
};

TEST_F(StoreBuilder, BuildsTablesColumnsAndKeys) {
    const uint32_t t = AddTable("ORDERS", 16, DBS_TABLE_TYPE_FIRST);
    const uint32_t u = AddTable("LINES", 4, 3);
    AddColumn(t, "Id", 'D', 4);
    AddColumn(t, "Region", 'W', 2);
    AddColumn(t, "Code", 'C', 10);
    AddColumn(u, "Flag", 'L', 1);
    AddKey(t, 0, {"Code", "Id", "Region"});
    AddKey(t, 1, {"Region"});
    ASSERT_EQ(Build(), 1);

    const TagDBForm form = DbsGetDBForm(0);
    EXPECT_EQ(form.byDomainNum, 3);
    EXPECT_EQ(+form.dwMaxTupleNum, 16u);
    EXPECT_EQ(DbsGetTableType(u), 3);
    EXPECT_EQ(DbsGetTupleLen(t), 16);
    const TagIdxForm* pk = dbs::core::IndexForm(form.adwIdxHandle[0]);
    const TagIdxForm* sk = dbs::core::IndexForm(form.adwIdxHandle[1]);
    ASSERT_NE(pk, nullptr);
    ASSERT_NE(sk, nullptr);
    EXPECT_EQ(+form.adwIdxHandle[0], 0x20000u);
    EXPECT_EQ(+form.adwIdxHandle[1], 0x20001u);
    EXPECT_EQ(pk->byIdxType, DBS_IDX_SORTED);
    EXPECT_EQ(pk->byIdxKeyNum, 3);
    EXPECT_EQ(pk->abyIdxKey[0], 3);
    EXPECT_EQ(pk->abyIdxKey[1], 1);
    EXPECT_EQ(pk->abyIdxKey[2], 2);
    EXPECT_EQ(+pk->wIdxEntryLen, 16 + 4);
    EXPECT_EQ(pk->byIdxUpdatable, 0);
    EXPECT_EQ(sk->byIdxUpdatable, 1);
    EXPECT_EQ(DbsGetDomainName(t, 0)->byDMKeyFlag & 1, 1);
    EXPECT_EQ(DbsGetDomainName(t, 2)->byDMKeyFlag & 1, 1);
    EXPECT_EQ(+form.adwIdxHandle[2], 0u);
    EXPECT_EQ(+DbsGetDBForm(1).adwIdxHandle[0], 0u);  // no keys listed: no index
}

TEST_F(StoreBuilder, RecordChecksRefuseBeforeAnythingIsBuilt) {
    const std::string longColumn(32, 'x');
    const struct Case {
        const char* table;
        const char* column;
        char kind;
        uint16_t len;
        const char* line;
    } cases[] = {
        {"ABCDEFGHIJKLM", "C", 'D', 4, "[File=*, Line=*] create table ABCDEFGHIJKLM error,name exceed 8 chars!"},
        {"", "C", 'D', 4, "[File=*, Line=*] create table  error,name 0 chars!"},
        {"T", "", 'D', 4, "[File=*, Line=*] Column name Length  error!"},
        {"T", longColumn.c_str(), 'D', 4,
         "[File=*, Line=*] Column name Length xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx error!"},
        {"T", "C", 'X', 4, "[File=*, Line=*] field C kind 88 invalid."},
        {"T", "C", 'D', 0, "[File=*, Line=*] field C length is 0."},
        {"T", "C", 'C', 10601, "[File=*, Line=*] create table T error,tuple length 10601 exceed 10600!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        tables.clear();
        columns.clear();
        const uint32_t t = AddTable(c.table, 4);
        AddColumn(t, c.column, c.kind, c.len);
        trace.Clear();
        EXPECT_EQ(Build(), 0);
        EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                     c.line, "[File=*,Line=*] DbsInitSysManageTable Function,Create table Fail!"}));
        EXPECT_EQ(DbsGetDBHandle(0), 0u);
    }
}

TEST_F(StoreBuilder, NameLimitsAcceptTheLongestNames) {
    const uint32_t t = AddTable("ABCDEFGHIJKL", 4);
    AddColumn(t, std::string(31, 'c').c_str(), 'D', 4);
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(DbsGetTableHandle("ABCDEFGHIJKL"), t);
}

TEST_F(StoreBuilder, ManyColumnsAreNotedAndBuilt) {
    const uint32_t t = AddTable("WIDE", 2);
    for (int i = 0; i < 129; ++i) AddColumn(t, std::string("c").append(std::to_string(i)).c_str(), 'N', 1);
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(trace.Texts().front(), "[File: *, Line: *] Table Column Num exceed 129 ! ");
    EXPECT_EQ(DbsGetDomainNum(t), 129);

    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    for (int i = 129; i < 256; ++i) AddColumn(t, std::string("c").append(std::to_string(i)).c_str(), 'N', 1);
    trace.Clear();
    EXPECT_EQ(Build(), 0);
    EXPECT_EQ(trace.Texts().front(), "[File=*, Line=*] create table WIDE error,256 fields exceed 255!");
}

TEST_F(StoreBuilder, CoreRefusalsFailTheBuild) {
    // A repeated table handle: the second table form cannot be created.
    const uint32_t t = AddTable("A", 4);
    AddColumn(t, "V", 'D', 4);
    tables.push_back(tables.back());
    std::memcpy(tables.back().achDBName, "B", 2);
    EXPECT_EQ(Build(), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsInitSysManageTable Function,Create table Fail!");
    EXPECT_EQ(DbsGetDomainNum(t), 0);  // the build stopped before any column was added

    // A table number beyond the table form.
    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    tables.pop_back();
    tables.push_back(tables.back());
    tables.back().dwTableHandle = DBS_TABLE_HANDLE(128);
    EXPECT_EQ(Build(), 0);

    // Storage that cannot be allocated.
    DbsCoreRelease();
    ASSERT_EQ(DbsCoreInit(), 1);
    tables.pop_back();
    ASSERT_TRUE(Install());
    dbs::fault::FailAllocAt(1, true);
    EXPECT_EQ(DbsInitSysManageTable(), 0);
    dbs::fault::ResetAll();
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsInitSysManageTable Function,Create table Fail!");
}

TEST_F(StoreBuilder, KeyGroupRefusals) {
    const uint32_t t = AddTable("T", 4);
    for (int i = 0; i < 9; ++i) AddColumn(t, std::string("k").append(std::to_string(i)).c_str(), 'N', 1);
    AddColumn(t, "Big", 'C', 101);
    struct Case {
        const char* what;
        std::vector<TagSYSCONSCOLUMNTuple> keys;
        std::vector<std::string> lines;
    };
    auto key = [&](uint8_t slot, const char* name) {
        TagSYSCONSCOLUMNTuple k{};
        k.dwTableHandle = t;
        k.dwConstraintHandle = DBS_INDEX_HANDLE(0, slot);
        dbs::test::CopyText(k.achDMName, sizeof k.achDMName, name);
        k.byIdxNo = slot;
        return k;
    };
    const std::string fail0 = "[File=*,Line=*] SingleCreateIndex Constraints [dwTableHandle=10000,dwConstraintHandle=20000] Fail !";
    const std::string fail1 = "[File=*,Line=*] SingleCreateIndex Constraints [dwTableHandle=10000,dwConstraintHandle=20001] Fail !";
    const std::string initFail = "[File=*,Line=*] DbsInitSysManageTable Function,Create index Fail!";
    std::vector<TagSYSCONSCOLUMNTuple> nine;
    for (int i = 0; i < 9; ++i) nine.push_back(key(0, std::string("k").append(std::to_string(i)).c_str()));
    const Case cases[] = {
        {"nine key columns", nine, {"[File=*,Line=*] arr index[wOneIndexLoop=8]  out of range !", fail0, initFail}},
        {"unknown column", {key(0, "k0"), key(1, "nope")},
         {"[File: *, Line: *] T Create index error,key nope no exist.", fail1, initFail}},
        {"groups not adjacent", {key(0, "k0"), key(1, "k1"), key(0, "k2")},
         {"[File: *, Line: *] INDEX Handle 20000H exists", fail0, initFail}},
        {"key over 100 bytes", {key(0, "Big")},
         {"[File: *, Line: *] T Create index error,key length 101 exceed 100.", fail0, initFail}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        keys = c.keys;
        trace.Clear();
        EXPECT_EQ(Build(), 0);
        EXPECT_EQ(trace.Texts(), c.lines);
    }
}

TEST_F(StoreBuilder, EmptyKeyListBuildsNoIndex) {
    const uint32_t t = AddTable("T", 4);
    AddColumn(t, "V", 'D', 4);
    EXPECT_EQ(Build(), 1);
    EXPECT_EQ(trace.Count(), 0u);
    EXPECT_EQ(+DbsGetDBForm(0).adwIdxHandle[0], 0u);
}

TEST_F(StoreBuilder, InstallFromLoaderDealsOutConstraintRecords) {
    TagSYSCONSTRAINTSTuple recs[6] = {};
    const uint8_t types[6] = {1, 3, 2, 4, 5, 9};
    for (int i = 0; i < 6; ++i) recs[i].byConsType = types[i];
    ASSERT_TRUE(dbs::catalog::InstallFromLoader({}, {}, {}, recs));
    EXPECT_EQ(+gdwSysConstraintsNum, 3u);  // 1, 2 and the unknown 9, which the passes skip
    EXPECT_EQ(gdwSysCheckConsNum, 1u);
    EXPECT_EQ(gdwSysMutexTabNum, 1u);
    EXPECT_EQ(gdwSysFixedIdxNum, 1u);
    EXPECT_EQ(gptSysConstraints[2].byConsType, 9);
    dbs::fault::FailAllocAt(3);
    EXPECT_FALSE(dbs::catalog::InstallFromLoader({}, {}, {}, recs));
    EXPECT_EQ(+gdwSysConstraintsNum, 0u);
    EXPECT_EQ(gptSysCheckCons, nullptr);
}

}  // namespace
