// Constraint passes over filled catalogue lists: check constraints, mutex tables, and foreign keys on the child
// side (with filters) and the parent side (restricting and cascading, over several levels, and cycles).
#include <gtest/gtest.h>

#include "catalog/constraint_checks.h"
#include "catalog_fixture.h"

namespace {

using dbs::test::TupleBuilder;

class Constraints : public dbs::test::CatalogFixture {
protected:
    void Make() {
        ASSERT_EQ(Build(), 1);
        trace.Clear();
    }
};

TEST_F(Constraints, CheckConstraintRefusesValuesOutsideTheCondition) {
    const uint32_t t = AddTable("T", 8);
    AddColumn(t, "Id", 'D', 4);
    AddColumn(t, "Level", 'W', 2);
    AddKey(t, 0, {"Id"});
    AddCheck(t, "Level", "1-10,20");
    Make();
    TupleBuilder row(t);
    EXPECT_EQ(DbsSysInsertTabTuple(t, row.D("Id", 1).W("Level", 20).data()), 1);
    EXPECT_EQ(DbsSysInsertTabTuple(t, row.D("Id", 2).W("Level", 11).data()), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File=*,Line=*] Check Constraints[achDBName=T,achCheckColumnName=Level,dwValue = 11,"
                                 "achSearchCondition = 1-10,20] not pass !",
                                 "[File=*,Line=*] DbsSysInsertTabTuple Function,Insert table [achDBName=T] Record "
                                 "prepare check not pass!"}));
    trace.Clear();
    EXPECT_EQ(DbsSysUpdateTabTuple(t, row.D("Id", 1).W("Level", 0).data()), 0);
    EXPECT_EQ(trace.Last(), "[File=*,Line=*] DbsSysUpdateTabTuple Function,[achDBName=T] Update prepare not pass!\n");
    ExpectConsistent(t);
}

TEST_F(Constraints, CheckConstraintOnUnusableColumnsRefuses) {
    const uint32_t t = AddTable("T", 8);
    AddColumn(t, "Id", 'D', 4);
    AddColumn(t, "Name", 'C', 8);
    AddCheck(t, "Name", ">0");
    AddCheck(t, "Missing", ">0");
    Make();
    TupleBuilder row(t);
    row.D("Id", 1);
    EXPECT_FALSE(dbs::catalog::DbsCheckConsCheck(t, row.data()));
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File=*,Line=*] Check Constraints column [achDBName=T,achCheckColumnName=Name] type "
                                 "C is not a number!",
                                 "[File=*,Line=*] DbsGetCheckColumnValue get Check Constraints value Fail!"}));
    checks.erase(checks.begin());
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_FALSE(dbs::catalog::DbsCheckConsCheck(t, row.data()));
    EXPECT_EQ(trace.Texts().front(),
              "[File=*,Line=*] Check Constraints column [achDBName=T,achCheckColumnName=Missing] not exist!");
}

TEST_F(Constraints, CheckRecordsOfATableEndAtTheNextTable) {
    const uint32_t a = AddTable("A", 4);
    const uint32_t b = AddTable("B", 4);
    AddColumn(a, "V", 'N', 1);
    AddColumn(b, "V", 'N', 1);
    AddCheck(a, "V", "1");
    AddCheck(b, "V", "1");
    AddCheck(a, "V", "2");  // never evaluated: B's record ended A's run
    Make();
    TupleBuilder row(a);
    EXPECT_TRUE(dbs::catalog::DbsCheckConsCheck(a, row.N("V", 1).data()));
    EXPECT_FALSE(dbs::catalog::DbsCheckConsCheck(a, row.N("V", 2).data()));
}

TEST_F(Constraints, MutexTables) {
    const uint32_t a = AddTable("A", 4);
    const uint32_t b = AddTable("B", 4);
    const uint32_t c = AddTable("C", 4);
    for (uint32_t h : {a, b, c}) AddColumn(h, "V", 'D', 4);
    AddMutex(c, "A,B");
    Make();
    TupleBuilder row(c);
    EXPECT_TRUE(dbs::catalog::DbsMutexTableCheck(c));
    ASSERT_EQ(DbsSysInsertTabTuple(b, row.data()), 1);
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(c, row.data()), 0);
    EXPECT_EQ(trace.Texts().front(), "[File=*,Line=*] Table[2]: Mutex Table[B] is not empty!");

    const struct {
        const char* list;
        const char* line;
    } bad[] = {
        {"A, B", "[File=*,Line=*] Table[10002]: Mutex Table String is Error, A, B!"},
        {"   ", "[File=*,Line=*] Table[10002]: Mutex Table String is Empty!"},
        {"A,NOPE  ", "[File=*,Line=*] Table[10002]: Mutex Table String is Error, A,NOPE!"},
    };
    for (const auto& m : bad) {
        mutexes.clear();
        AddMutex(c, m.list);
        ASSERT_TRUE(Install());
        trace.Clear();
        EXPECT_FALSE(dbs::catalog::DbsMutexTableCheck(c));
        EXPECT_EQ(trace.Last(), m.line);
    }
}

// OWNER(Id) <- PET(Id, OwnerId, Kind) <- TOY(Id, PetId): a three-level family.
class ForeignKeys : public Constraints {
protected:
    void Family(uint8_t petType, uint8_t toyType, const char* petFk = "OwnerId", const char* toyFk = "PetId") {
        owner = AddTable("OWNER", 8);
        pet = AddTable("PET", 8);
        toy = AddTable("TOY", 8);
        AddColumn(owner, "Id", 'D', 4);
        AddColumn(owner, "Name", 'C', 6);
        AddColumn(pet, "Id", 'D', 4);
        AddColumn(pet, "OwnerId", 'D', 4);
        AddColumn(pet, "Kind", 'N', 1);
        AddColumn(toy, "Id", 'D', 4);
        AddColumn(toy, "PetId", 'D', 4);
        AddKey(owner, 0, {"Id"});
        AddKey(owner, 1, {"Name"});
        AddKey(pet, 0, {"Id"});
        AddKey(toy, 0, {"Id"});
        petFkHandle = AddForeignKey(pet, owner, 0, petFk, petType);
        AddForeignKey(toy, pet, 0, toyFk, toyType);
        Make();
    }
    uint8_t Owner(uint32_t id, const char* name = "") {
        TupleBuilder r(owner);
        return DbsSysInsertTabTuple(owner, r.D("Id", id).C("Name", name).data());
    }
    uint8_t Pet(uint32_t id, uint32_t ownerId, uint8_t kind = 1) {
        TupleBuilder r(pet);
        return DbsSysInsertTabTuple(pet, r.D("Id", id).D("OwnerId", ownerId).N("Kind", kind).data());
    }
    uint8_t Toy(uint32_t id, uint32_t petId) {
        TupleBuilder r(toy);
        return DbsSysInsertTabTuple(toy, r.D("Id", id).D("PetId", petId).data());
    }
    uint8_t DeleteOwner(uint32_t id) {
        TupleBuilder r(owner);
        return DbsSysDeleteTabTuple(owner, r.D("Id", id).data());
    }
    void ExpectAllConsistent() {
        for (uint32_t h : {owner, pet, toy}) ExpectConsistent(h);
    }
    uint32_t owner = 0, pet = 0, toy = 0, petFkHandle = 0;
};

TEST_F(ForeignKeys, ChildNeedsItsParent) {
    Family(DBS_CONS_FK_RESTRICT, DBS_CONS_FK_RESTRICT);
    ASSERT_EQ(Owner(1), 1);
    EXPECT_EQ(Pet(10, 1), 1);
    trace.Clear();
    EXPECT_EQ(Pet(11, 2), 0);
    EXPECT_EQ(trace.Texts(),
              (std::vector<std::string>{"[File=*,Line=*] Foreign Key[achDBName=PET,dwConstraintHandle=30000,"
                                        "achDBNameRelation=OWNER] check not pass!",
                                        "[File=*,Line=*] DbsSysInsertTabTuple Function,Insert table [achDBName=PET] "
                                        "Record prepare check not pass!"}));
    trace.Clear();
    TupleBuilder moved(pet);
    EXPECT_EQ(DbsSysUpdateTabTuple(pet, moved.D("Id", 10).D("OwnerId", 3).data()), 0);
    EXPECT_EQ(trace.Texts(),
              (std::vector<std::string>{"[File=*,Line=*] Foreign Key[achDBName=PET,dwConstraintHandle=30000,"
                                        "achDBNameRelation=OWNER] check not pass!",
                                        "[File=*,Line=*] Table=10001 Foreign Key check not pass!",
                                        "[File=*,Line=*] DbsSysUpdateTabTuple Function,[achDBName=PET] Update prepare "
                                        "not pass!\n"}));
    ExpectAllConsistent();
}

TEST_F(ForeignKeys, FilterDecidesWhetherTheKeyApplies) {
    Family(DBS_CONS_FK_RESTRICT, DBS_CONS_FK_RESTRICT, "[Kind=2] OwnerId");
    EXPECT_EQ(Pet(10, 99, 3), 1);  // Kind 3: no parent needed
    EXPECT_EQ(Pet(11, 99, 2), 0);  // Kind 2: the parent must exist
    ASSERT_EQ(Owner(99), 1);
    EXPECT_EQ(Pet(11, 99, 2), 1);
    // Restricting on the parent side applies the same filter: only the Kind 2 pet holds the owner.
    trace.Clear();
    EXPECT_EQ(DeleteOwner(99), 0);
    EXPECT_EQ(trace.Texts().front(), "[File=*,Line=*] Child table [achDBName=PET,dwConstraintHandle=30000,"
                                     "achDBNameRelation=OWNER] exist!");
    TupleBuilder gone(pet);
    ASSERT_EQ(DbsSysDeleteTabTuple(pet, gone.D("Id", 11).data()), 1);
    EXPECT_EQ(DeleteOwner(99), 1);  // pet 10 (Kind 3) does not hold it
    ExpectAllConsistent();
}

TEST_F(ForeignKeys, MalformedStringsAreSkippedOnTheChildSide) {
    Family(DBS_CONS_FK_RESTRICT, DBS_CONS_FK_RESTRICT, "[Kind=2 OwnerId");
    EXPECT_EQ(Pet(10, 99, 2), 1);
    EXPECT_EQ(trace.Texts().front(), "[File:* Line*] FkConsValueCheck: Constraint string:[Kind=2 OwnerId error!");
}

TEST_F(ForeignKeys, CascadeDeletesSeveralLevels) {
    Family(DBS_CONS_FK_CASCADE, DBS_CONS_FK_CASCADE);
    ASSERT_EQ(Owner(1, "ann"), 1);
    ASSERT_EQ(Owner(2, "bob"), 1);
    ASSERT_EQ(Pet(10, 1), 1);
    ASSERT_EQ(Pet(11, 1), 1);
    ASSERT_EQ(Pet(12, 2), 1);
    ASSERT_EQ(Toy(100, 10), 1);
    ASSERT_EQ(Toy(101, 11), 1);
    ASSERT_EQ(Toy(102, 12), 1);
    trace.Clear();
    ASSERT_EQ(DeleteOwner(1), 1);
    EXPECT_EQ(DbsGetTupleNumEX(owner), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(pet), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(toy), 1u);
    size_t succ = 0;
    for (const auto& l : trace.Texts()) {
        succ += l == "[File=*,Line=*] DbsSysFkConsDeleteCheck: Cascade delete child table succ!";
    }
    EXPECT_EQ(succ, 4u);  // two pets, each with one toy
    ExpectAllConsistent();
}

TEST_F(ForeignKeys, RestrictBelowACascadeStopsTheDelete) {
    Family(DBS_CONS_FK_CASCADE, DBS_CONS_FK_RESTRICT);
    ASSERT_EQ(Owner(1), 1);
    ASSERT_EQ(Pet(10, 1), 1);
    ASSERT_EQ(Toy(100, 10), 1);
    trace.Clear();
    EXPECT_EQ(DeleteOwner(1), 0);
    EXPECT_EQ(trace.Texts(),
              (std::vector<std::string>{
                  "[File=*,Line=*] Child table [achDBName=TOY,dwConstraintHandle=30001,achDBNameRelation=PET] exist!",
                  "[File=*,Line=*] DbsSysDeleteTabTuple Function,[achDBName=PET] Delete prepare not pass!",
                  "[File=*,Line=*] DbsSysFkConsDeleteCheck: Cascade delete child table fail!",
                  "[File=*,Line=*] Child table [achDBName=PET,dwConstraintHandle=30000,achDBNameRelation=OWNER] delete "
                  "fail!",
                  "[File=*,Line=*] DbsSysDeleteTabTuple Function,[achDBName=OWNER] Delete prepare not pass!"}));
    EXPECT_EQ(DbsGetTupleNumEX(owner), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(pet), 1u);
    ExpectAllConsistent();
}

TEST_F(ForeignKeys, RestrictIsCheckedBeforeAnyCascade) {
    owner = AddTable("OWNER", 4);
    pet = AddTable("PET", 4);
    toy = AddTable("TOY", 4);
    AddColumn(owner, "Id", 'D', 4);
    AddColumn(pet, "Id", 'D', 4);
    AddColumn(pet, "OwnerId", 'D', 4);
    AddColumn(toy, "Id", 'D', 4);
    AddColumn(toy, "OwnerId", 'D', 4);
    AddKey(owner, 0, {"Id"});
    AddKey(pet, 0, {"Id"});
    AddKey(toy, 0, {"Id"});
    AddForeignKey(pet, owner, 0, "OwnerId", DBS_CONS_FK_CASCADE);
    AddForeignKey(toy, owner, 0, "OwnerId", DBS_CONS_FK_RESTRICT);
    Make();
    TupleBuilder o(owner), p(pet), t(toy);
    ASSERT_EQ(DbsSysInsertTabTuple(owner, o.D("Id", 1).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(pet, p.D("Id", 1).D("OwnerId", 1).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(toy, t.D("Id", 1).D("OwnerId", 1).data()), 1);
    EXPECT_EQ(DbsSysDeleteTabTuple(owner, o.data()), 0);
    EXPECT_EQ(DbsGetTupleNumEX(pet), 1u);  // the cascading child was not touched
}

TEST_F(ForeignKeys, CharacterKeysCompareUpToTheirNul) {
    owner = AddTable("OWNER", 4);
    pet = AddTable("PET", 4);
    AddColumn(owner, "Code", 'C', 6);
    AddColumn(pet, "Id", 'D', 4);
    AddColumn(pet, "Code", 'C', 6);
    AddKey(owner, 0, {"Code"});
    AddKey(pet, 0, {"Id"});
    AddForeignKey(pet, owner, 0, "Code", DBS_CONS_FK_CASCADE);
    Make();
    TupleBuilder o(owner), p(pet);
    ASSERT_EQ(DbsSysInsertTabTuple(owner, o.C("Code", "ABCD").data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(owner, o.C("Code", "AB").data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(pet, p.D("Id", 1).C("Code", "ABCD").data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(pet, p.D("Id", 2).C("Code", "AB").data()), 1);
    ASSERT_EQ(DbsSysDeleteTabTuple(owner, o.C("Code", "AB").data()), 1);
    ASSERT_EQ(DbsGetTupleNumEX(pet), 1u);
    DbsSkipToFirstEX(pet);
    uint32_t id = 0;
    DbsGetDomainEX(pet, "Id", &id);
    EXPECT_EQ(id, 1u);  // ABCD's child survives, AB's went
}

// A cascading key of a table onto itself whose tuples form a chain: each delete cascades one level deeper.
TEST_F(ForeignKeys, CascadeDepthIsLimited) {
    const uint32_t node = AddTable("NODE", 64);
    AddColumn(node, "Id", 'D', 4);
    AddColumn(node, "Up", 'D', 4);
    AddKey(node, 0, {"Id"});
    Make();
    TupleBuilder n(node);
    // Id i + 1 hangs below i; the key is installed once the chain stands.
    for (uint32_t i = 1; i <= 40; ++i) ASSERT_EQ(DbsSysInsertTabTuple(node, n.D("Id", i).D("Up", i - 1).data()), 1);
    AddForeignKey(node, node, 0, "Up", DBS_CONS_FK_CASCADE);
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_EQ(DbsSysDeleteTabTuple(node, n.D("Id", 30).data()), 1);  // 11 levels: within the limit
    EXPECT_EQ(DbsGetTupleNumEX(node), 29u);
    ExpectConsistent(node);
    trace.Clear();
    EXPECT_EQ(DbsSysDeleteTabTuple(node, n.D("Id", 2).data()), 0);  // 28 levels: refused, no stack exhaustion
    EXPECT_EQ(trace.Texts().front(),
              "[File=*,Line=*] DbsSysFkConsDeleteCheck: Cascade delete deeper than 16 levels, delete refused!");
    ExpectConsistent(node);
}

TEST_F(ForeignKeys, ATupleReferringToItselfIsNotItsOwnChild) {
    for (uint8_t type : {DBS_CONS_FK_RESTRICT, DBS_CONS_FK_CASCADE}) {
        SCOPED_TRACE(type);
        DbsCoreRelease();
        ASSERT_EQ(DbsCoreInit(), 1);
        tables.clear();
        columns.clear();
        keys.clear();
        foreignKeys.clear();
        const uint32_t node = AddTable("NODE", 8);
        AddColumn(node, "Id", 'D', 4);
        AddColumn(node, "Up", 'D', 4);
        AddKey(node, 0, {"Id"});
        Make();
        TupleBuilder n(node);
        ASSERT_EQ(DbsSysInsertTabTuple(node, n.D("Id", 1).D("Up", 1).data()), 1);
        ASSERT_EQ(DbsSysInsertTabTuple(node, n.D("Id", 2).D("Up", 1).data()), 1);
        AddForeignKey(node, node, 0, "Up", type);
        ASSERT_TRUE(Install());
        const uint8_t expected = type == DBS_CONS_FK_CASCADE ? 1 : 0;  // tuple 2 still refers to 1
        EXPECT_EQ(DbsSysDeleteTabTuple(node, n.D("Id", 1).data()), expected);
        EXPECT_EQ(DbsGetTupleNumEX(node), expected ? 0u : 2u);
        if (!expected) {
            ASSERT_EQ(DbsSysDeleteTabTuple(node, n.D("Id", 2).data()), 1);
            EXPECT_EQ(DbsSysDeleteTabTuple(node, n.D("Id", 1).data()), 1);
        }
        ExpectConsistent(node);
    }
}

TEST_F(ForeignKeys, CycleBetweenTablesEndsAtTheDepthLimit) {
    const uint32_t a = AddTable("A", 4);
    const uint32_t b = AddTable("B", 4);
    for (uint32_t h : {a, b}) {
        AddColumn(h, "Id", 'D', 4);
        AddColumn(h, "Ref", 'D', 4);
        AddKey(h, 0, {"Id"});
    }
    AddForeignKey(b, a, 0, "Ref", DBS_CONS_FK_CASCADE);
    AddForeignKey(a, b, 0, "Ref", DBS_CONS_FK_CASCADE);
    ASSERT_EQ(Install(), true);
    ASSERT_EQ(DbsInitSysManageTable(), 1);
    // Inserted before the keys are installed, so the cycle can be closed.
    const auto saved = foreignKeys;
    foreignKeys.clear();
    ASSERT_TRUE(Install());
    TupleBuilder ra(a), rb(b);
    ASSERT_EQ(DbsSysInsertTabTuple(a, ra.D("Id", 1).D("Ref", 1).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(b, rb.D("Id", 1).D("Ref", 1).data()), 1);
    foreignKeys = saved;
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_EQ(DbsSysDeleteTabTuple(a, ra.data()), 0);
    EXPECT_EQ(DbsGetTupleNumEX(a), 1u);
    EXPECT_EQ(DbsGetTupleNumEX(b), 1u);
    ExpectConsistent(a);
    ExpectConsistent(b);
}

TEST_F(ForeignKeys, ParentSideConfigurationErrors) {
    Family(DBS_CONS_FK_RESTRICT, DBS_CONS_FK_RESTRICT, "Nope");
    // The child pass refuses a child with an unknown column...
    EXPECT_EQ(Pet(10, 1), 0);
    EXPECT_EQ(trace.Texts()[1], "[File=*,Line=*] R_SYSCONSTRAINTS config error:Nope, Insert fail!");
    // ...and the parent pass refuses to decide.
    foreignKeys[0].achSearchCondition[0] = 'O';
    std::strcpy(foreignKeys[0].achSearchCondition, "OwnerId");
    ASSERT_TRUE(Install());
    ASSERT_EQ(Owner(1), 1);
    ASSERT_EQ(Pet(10, 1), 1);
    std::strcpy(foreignKeys[0].achSearchCondition, "Nope");
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_EQ(DeleteOwner(1), 0);
    EXPECT_EQ(trace.Texts()[1], "[File=*,Line=*] R_SYSCONSTRAINTS config error: Nope!");
    std::strcpy(foreignKeys[0].achSearchCondition, "[Kind=1]");
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_EQ(DeleteOwner(1), 0);
    EXPECT_EQ(trace.Texts()[0], "[File=*,Line=*] GetFkConsString Fail !");
}

TEST_F(ForeignKeys, KeyLimitsAreEnforced) {
    owner = AddTable("OWNER", 4);
    pet = AddTable("PET", 4);
    AddColumn(owner, "Id", 'D', 4);
    AddColumn(pet, "Id", 'D', 4);
    AddColumn(pet, "Big", 'W', 120);
    AddKey(owner, 0, {"Id"});
    AddKey(pet, 0, {"Id"});
    AddForeignKey(pet, owner, 0, "Big", DBS_CONS_FK_RESTRICT);
    Make();
    TupleBuilder p(pet);
    EXPECT_EQ(DbsSysInsertTabTuple(pet, p.D("Id", 1).data()), 0);
    EXPECT_EQ(trace.Texts()[0],
              "[File=*,Line=*] R_SYSCONSTRAINTS config error:Big, more than 10 columns or 100 key bytes, Insert fail!");
    std::strcpy(foreignKeys[0].achSearchCondition, "Id,Id,Id,Id,Id,Id,Id,Id,Id,Id,Id");
    ASSERT_TRUE(Install());
    trace.Clear();
    EXPECT_EQ(DbsSysInsertTabTuple(pet, p.D("Id", 1).data()), 0);
    EXPECT_EQ(trace.Texts()[0], "[File=*,Line=*] R_SYSCONSTRAINTS config error:Id,Id,Id,Id,Id,Id,Id,Id,Id,Id,Id, more "
                                "than 10 columns or 100 key bytes, Insert fail!");
}

TEST_F(ForeignKeys, DeletePrepareExportedChecks) {
    Family(DBS_CONS_FK_RESTRICT, DBS_CONS_FK_RESTRICT);
    EXPECT_EQ(DbsDeleteTabPrepare(0x10070, nullptr), 0);
    EXPECT_EQ(DbsDeleteTabPrepare(owner, nullptr), 0);
    EXPECT_EQ(DbsUpdateTabPrepare(0x10070, nullptr), 0);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "[File=*,Line=*] DbsDeleteTabPrepare Function,TableHandle = 10070 is error!",
                                 "[File=*,Line=*] pbyTuple is NULL!",
                                 "[File=*,Line=*] DbsUpdateTabPrepare Function,TableHandle = 10070 is error!"}));
}

}  // namespace
