// Checked insert, update and delete: the refusals with their trace lines, and the table and its indexes staying
// in step after every refusal, including failures forced at each step that changes something.
#include <gtest/gtest.h>

#include "catalog_fixture.h"

namespace {

using dbs::catalog::fault::FailStepAt;
using dbs::catalog::fault::Step;
using dbs::test::TupleBuilder;

// A table with a primary key (Id) and an updatable secondary key (Code), and a second secondary key (Tag).
class CheckedOps : public dbs::test::CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        t = AddTable("ITEM", 8);
        AddColumn(t, "Id", 'D', 4);
        AddColumn(t, "Code", 'C', 8);
        AddColumn(t, "Tag", 'W', 2);
        AddColumn(t, "Qty", 'D', 4);
        AddKey(t, 0, {"Id"});
        AddKey(t, 1, {"Code"});
        AddKey(t, 2, {"Tag"});
    }
    void Make() {
        ASSERT_EQ(Build(), 1);
        trace.Clear();
    }
    TupleBuilder Item(uint32_t id, const char* code, uint16_t tag, uint32_t qty = 0) {
        TupleBuilder b(t);
        b.D("Id", id).C("Code", code).W("Tag", tag).D("Qty", qty);
        return b;
    }
    uint32_t QtyOf(uint32_t id) {
        auto probe = Item(id, "", 0);
        EXPECT_EQ(DbsSysLocateTupleEX(t, 0, probe.data()), 1);
        uint32_t qty = 0;
        DbsGetDomainEX(t, "Qty", &qty);
        return qty;
    }
    uint32_t t = 0;
};

TEST_F(CheckedOps, InsertRefusesDuplicatePrimaryAndSecondaryKeys) {
    Make();
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(1, "A", 10).data()), 1);
    EXPECT_EQ(DbsSysInsertTabTuple(t, Item(1, "B", 11).data()), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File=*,Line=*] Table[ITEM] tuple already exist!",
                                 "[File=*,Line=*] DbsSysInsertTabTuple Function,Insert table [achDBName=ITEM] Record "
                                 "prepare check not pass!"}));
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(t, Item(2, "A", 12).data()), 0);
    EXPECT_EQ(trace.Texts().front(), "[File=*,Line=*] Slave Index locate tuple!");
    EXPECT_EQ(DbsSysInsertTabTuple(t, Item(2, "B", 10).data()), 0);  // slot 2 clashes
    EXPECT_EQ(DbsGetTupleNumEX(t), 1u);
    ExpectConsistent(t);
}

TEST_F(CheckedOps, CharKeyIgnoresBytesAfterNul) {
    Make();
    auto a = Item(1, "AB", 1);
    a.bytes()[4 + 3] = 'x';  // Code is at tuple position 4: "AB\0x..."
    ASSERT_EQ(DbsSysInsertTabTuple(t, a.data()), 1);
    auto b = Item(2, "AB", 2);
    b.bytes()[4 + 3] = 'y';
    EXPECT_EQ(DbsSysInsertTabTuple(t, b.data()), 0);
}

TEST_F(CheckedOps, InsertIntoFullTableLeavesItUnchanged) {
    Make();
    for (uint32_t i = 1; i <= 8; ++i) ASSERT_EQ(DbsSysInsertTabTuple(t, Item(i, std::to_string(i).c_str(), i).data()), 1);
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(t, Item(9, "9", 9).data()), 0);
    ASSERT_EQ(trace.Count(), 1u);  // only the core's own line
    EXPECT_EQ(trace.Last(), "[File: *, Line: *] table ITEM is full (8 records).");
    ExpectConsistent(t);
}

TEST_F(CheckedOps, TableWithoutKeysTakesOneTuple) {
    const uint32_t bare = AddTable("BARE", 4);
    AddColumn(bare, "V", 'D', 4);
    Make();
    TupleBuilder v(bare);
    v.D("V", 1);
    ASSERT_EQ(DbsSysInsertTabTuple(bare, v.data()), 1);
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(bare, v.D("V", 2).data()), 0);
    EXPECT_EQ(trace.Texts()[1], "[File=*,Line=*] Table[BARE] tuple already exist!");
    // Update without a primary index overwrites the first tuple; delete removes it.
    ASSERT_EQ(DbsSysUpdateTabTuple(bare, v.D("V", 7).data()), 1);
    uint32_t got = 0;
    DbsSkipToFirstEX(bare);
    DbsGetDomainEX(bare, "V", &got);
    EXPECT_EQ(got, 7u);
    ASSERT_EQ(DbsSysDeleteTabTuple(bare, v.data()), 1);
    trace.Clear();
    EXPECT_EQ(DbsSysUpdateTabTuple(bare, v.data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysUpdateTabTuple Function, BARE: Tuple not exists!\n");
}

TEST_F(CheckedOps, UpdateMovesChangedSecondaryKeys) {
    Make();
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(1, "A", 10, 5).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(2, "B", 20, 6).data()), 1);
    ASSERT_EQ(DbsSysUpdateTabTuple(t, Item(1, "C", 30, 50).data()), 1);
    EXPECT_EQ(QtyOf(1), 50u);
    ExpectConsistent(t);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 1, Item(0, "A", 0).data()), 0);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 1, Item(0, "C", 0).data()), 1);
    EXPECT_EQ(DbsGetTupleNoEX(t), 1u);
}

TEST_F(CheckedOps, UpdateRefusalsLeaveEverythingAsItWas) {
    Make();
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(1, "A", 10, 5).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(2, "B", 20, 6).data()), 1);
    trace.Clear();
    // Slot 1 changes to a free key, slot 2 to a taken one: nothing may move.
    EXPECT_EQ(DbsSysUpdateTabTuple(t, Item(1, "Z", 20, 99).data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*], ITEM object already exist, Update Fail!\n");
    EXPECT_EQ(QtyOf(1), 5u);
    EXPECT_EQ(DbsSysLocateTupleEX(t, 1, Item(0, "Z", 0).data()), 0);
    ExpectConsistent(t);

    trace.Clear();
    EXPECT_EQ(DbsSysUpdateTabTuple(t, Item(3, "Q", 1).data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysUpdateTabTuple Function, ITEM: Tuple not exists!\n");
}

TEST_F(CheckedOps, FixedIndexIsNotUpdatable) {
    AddFixed(t, DBS_INDEX_HANDLE(0, 2));
    Make();
    EXPECT_EQ(dbs::core::IndexForm(DBS_INDEX_HANDLE(0, 0))->byIdxUpdatable, 0);
    EXPECT_EQ(dbs::core::IndexForm(DBS_INDEX_HANDLE(0, 1))->byIdxUpdatable, 1);
    EXPECT_EQ(dbs::core::IndexForm(DBS_INDEX_HANDLE(0, 2))->byIdxUpdatable, 0);
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(1, "A", 10).data()), 1);
    trace.Clear();
    EXPECT_EQ(DbsSysUpdateTabTuple(t, Item(1, "B", 11).data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] The 2th index of ITEM is not updatable, update tuple fail!\n");
    ExpectConsistent(t);
    EXPECT_EQ(DbsSysUpdateTabTuple(t, Item(1, "B", 10).data()), 1);  // the fixed key unchanged
    ExpectConsistent(t);
}

TEST_F(CheckedOps, DeleteRemovesTupleAndEntries) {
    Make();
    for (uint32_t i = 1; i <= 5; ++i) ASSERT_EQ(DbsSysInsertTabTuple(t, Item(i, std::to_string(i).c_str(), i).data()), 1);
    ASSERT_EQ(DbsSysDeleteTabTuple(t, Item(3, "", 0).data()), 1);  // only the primary key counts
    EXPECT_EQ(DbsGetTupleNumEX(t), 4u);
    ExpectConsistent(t);
    trace.Clear();
    EXPECT_EQ(DbsSysDeleteTabTuple(t, Item(3, "", 0).data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysDeleteTabTuple Function,[achDBName=ITEM] Locate Tuple not exist!");
    // The freed slot is reused and keyed again.
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(3, "3", 3).data()), 1);
    ExpectConsistent(t);
}

TEST_F(CheckedOps, InvalidHandlesAndNullTuples) {
    Make();
    const struct {
        uint8_t result;
        const char* line;
    } cases[] = {
        {DbsSysInsertTabTuple(0x10077, nullptr),
         "[File=*,Line=*] DbsSysInsertTabTuple Function,TableHandle = 10077 is error!"},
        {DbsSysInsertTabTuple(t, nullptr), "[File=*,Line=*] DbsSysInsertTabTuple Function,[achDBName=ITEM] pbyTuple is null!"},
        {DbsSysUpdateTabTuple(0x10077, nullptr),
         "[File=*,Line=*] DbsSysUpdateTabTuple Function,TableHandle = 10077 is error!\n"},
        {DbsSysUpdateTabTuple(t, nullptr),
         "[File=*,Line=*] DbsSysUpdateTabTuple Function,[achDBName=ITEM] pbyTuple is null!\n"},
        {DbsSysDeleteTabTuple(0x10077, nullptr),
         "[File=*,Line=*] DbsSysDeleteTabTuple Function,TableHandle = 10077 is error!"},
        {DbsSysDeleteTabTuple(t, nullptr),
         "[File=*,Line=*] DbsSysDeleteTabTuple Function,[achDBName=ITEM] Delete prepare not pass!"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, 0) << c.line;
    const auto texts = trace.Texts();
    std::vector<std::string> expected;
    for (const auto& c : cases) expected.push_back(c.line);
    expected.insert(expected.end() - 1, "[File=*,Line=*] pbyTuple is NULL!");
    EXPECT_EQ(texts, expected);
}

// Every step that changes the table or an index, forced to fail: the operation reports failure and the table
// and all its indexes are exactly as before.
TEST_F(CheckedOps, ForcedFailuresAreUndone) {
    Make();
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(1, "A", 10, 5).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(t, Item(2, "B", 20, 6).data()), 1);
    struct Case {
        const char* what;
        Step step;
        long n;
        int op;  // 0 insert, 1 update, 2 delete
    } cases[] = {
        {"insert: tuple write", Step::SetTuple, 1, 0},
        {"insert: primary entry", Step::InsertIndex, 1, 0},
        {"insert: slot 1 entry", Step::InsertIndex, 2, 0},
        {"insert: slot 2 entry", Step::InsertIndex, 3, 0},
        {"update: remove slot 1", Step::DeleteSecondaryIndex, 1, 1},
        {"update: add slot 1", Step::InsertIndex, 1, 1},
        {"update: remove slot 2", Step::DeleteSecondaryIndex, 2, 1},
        {"update: add slot 2", Step::InsertIndex, 2, 1},
        {"update: tuple write", Step::SetTuple, 1, 1},
        {"delete: slot 1 entry", Step::DeleteSecondaryIndex, 1, 2},
        {"delete: slot 2 entry", Step::DeleteSecondaryIndex, 2, 2},
        {"delete: primary entry", Step::DeleteIndex, 1, 2},
        {"delete: slot", Step::DeleteTuple, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FailStepAt(c.step, c.n);
        uint8_t r = 0;
        if (c.op == 0) r = DbsSysInsertTabTuple(t, Item(3, "C", 30).data());
        if (c.op == 1) r = DbsSysUpdateTabTuple(t, Item(2, "X", 40, 66).data());
        if (c.op == 2) r = DbsSysDeleteTabTuple(t, Item(2, "", 0).data());
        dbs::catalog::fault::ResetSteps();
        EXPECT_EQ(r, 0);
        EXPECT_EQ(DbsGetTupleNumEX(t), 2u);
        EXPECT_EQ(QtyOf(2), 6u);
        EXPECT_EQ(DbsSysLocateTupleEX(t, 1, Item(0, "B", 0).data()), 1);
        EXPECT_EQ(DbsSysLocateTupleEX(t, 2, Item(0, "", 20).data()), 1);
        ExpectConsistent(t);
    }
    // After all that the operations still work.
    EXPECT_EQ(DbsSysInsertTabTuple(t, Item(3, "C", 30).data()), 1);
    EXPECT_EQ(DbsSysUpdateTabTuple(t, Item(2, "X", 40, 66).data()), 1);
    EXPECT_EQ(DbsSysDeleteTabTuple(t, Item(1, "", 0).data()), 1);
    ExpectConsistent(t);
}

TEST_F(CheckedOps, TablesLongerThanTheWorkBuffersAreRefused) {
    Make();
    // Built in code, past the catalogue's own length check.
    const uint32_t big = DBS_TABLE_HANDLE(5);
    ASSERT_EQ(DbsCreateTableForm(big, "BIG", 0, 2, 1), 1);
    ASSERT_EQ(DbsAddDomain(big, "Blob", 'C', 11000, 1), 1);
    ASSERT_EQ(DbsAllocMemory(big), 1);
    std::vector<uint8_t> tuple(11000, 'x');
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(big, tuple.data()), 0);
    EXPECT_EQ(DbsSysUpdateTabTuple(big, tuple.data()), 0);
    EXPECT_EQ(DbsSysDeleteTabTuple(big, tuple.data()), 0);
    EXPECT_EQ(trace.Texts().front(),
              "[File=*,Line=*] DbsSysInsertTabTuple Function,[achDBName=BIG] tuple length 11000 exceeds 10600 bytes!");
    EXPECT_EQ(trace.Count(), 3u);
    EXPECT_EQ(DbsGetTupleNumEX(big), 0u);
}

TEST_F(CheckedOps, MethodsThreeToFiveAreTheCheckedOperations) {
    Make();
    const TagDBForm form = DbsGetDBForm(0);
    EXPECT_TRUE(form.pfnInsert == &DbsSysInsertTabTuple);
    EXPECT_TRUE(form.pfnUpdate == &DbsSysUpdateTabTuple);
    EXPECT_TRUE(form.pfnDelete == &DbsSysDeleteTabTuple);
    ASSERT_EQ(DbsInsertRTable(t, Item(1, "A", 1).data()), 1);
    EXPECT_EQ(DbsInsertRTable(t, Item(1, "A", 1).data()), 0);
    ExpectConsistent(t);
}

}  // namespace
