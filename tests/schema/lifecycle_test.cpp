// DbsInitialize and DbsUninitialize: every state of the library's life, their lines, the catalogue lists they
// fill, and repeated cycles (the sanitizer build checks that nothing leaks).
#include <gtest/gtest.h>

#include <string>

#include "catalog/catalog_lists.h"
#include "schema/lifecycle_fixture.h"

namespace dbs::test {
namespace {

class LifecycleTest : public LifecycleFixture {};

const std::string kShop = ExampleSchema("shop.xml");
const std::string kShopOptional = ExampleSchema("shop_optional.xml");

TEST_F(LifecycleTest, EmptyPathsStartTheLibraryWithoutTables) {
    ASSERT_EQ(DbsInitialize("", ""), 1);
    EXPECT_EQ(gbDbsInit, 1u);
    EXPECT_EQ(gwTableNum, 0);
    EXPECT_EQ(gwIdxNum, 0);
    EXPECT_EQ(gdwSysTabNum, 0u);
    EXPECT_EQ(DbsGetTableHandle("Customer"), 0u);
    EXPECT_EQ(DbsUninitialize(), 1);
    EXPECT_EQ(gbDbsInit, 0u);
}

TEST_F(LifecycleTest, BothFilesBuildEveryTableAndFillEveryList) {
    ASSERT_EQ(DbsInitialize(kShop, kShopOptional), 1) << ::testing::PrintToString(trace.Texts());
    EXPECT_EQ(gwTableNum, 11);
    EXPECT_EQ(gwIdxNum, 44);
    EXPECT_EQ(DbsGetTableHandle("Customer"), 0x10000u);
    EXPECT_EQ(DbsGetTableHandle("Review"), 0x10009u);
    EXPECT_EQ(DbsGetTableType(0x10000), DBS_TABLE_TYPE_FIRST);
    EXPECT_EQ(DbsGetTableType(0x1000A), DBS_TABLE_TYPE_SECOND);
    EXPECT_EQ(DbsGetTupleLen(DbsGetTableHandle("Orders")), 17);

    // Every key of the schema is a valid index of its table, in its slot.
    for (uint32_t i = 0; i < gdwSysConsColumnNum; ++i) {
        uint32_t index = gptSysConsColumn[i].dwConstraintHandle;
        TagDBForm form = DbsGetDBForm(static_cast<uint16_t>(DBS_HANDLE_NO(gptSysConsColumn[i].dwTableHandle)));
        EXPECT_EQ(+form.adwIdxHandle[gptSysConsColumn[i].byIdxNo], index);
    }
    EXPECT_EQ(gdwSysConstraintsNum, 12u);  // foreign keys
    EXPECT_EQ(gdwSysCheckConsNum, 6u);
    EXPECT_EQ(gdwSysMutexTabNum, 2u);
    ASSERT_EQ(gdwSysFixedIdxNum, 1u);
    EXPECT_EQ(+gptSysFixedIdx[0].dwConstraintHandle, DBS_INDEX_HANDLE(2, 1));  // Product, by Sku
    for (uint32_t i = 0; i < gdwSysConstraintsNum; ++i) {
        EXPECT_TRUE(gptSysConstraints[i].byConsType == DBS_CONS_FK_RESTRICT ||
                    gptSysConstraints[i].byConsType == DBS_CONS_FK_CASCADE);
    }
    EXPECT_EQ(+gptIdx_Form[DBS_HANDLE_NO(DBS_INDEX_HANDLE(2, 1))].byIdxUpdatable, 0);  // fixed
    EXPECT_EQ(+gptIdx_Form[DBS_HANDLE_NO(DBS_INDEX_HANDLE(3, 1))].byIdxUpdatable, 1);  // Orders by customer
}

TEST_F(LifecycleTest, SecondInitialiseIsRefusedAndTheFirstSchemaStays) {
    ASSERT_EQ(DbsInitialize(kShop, ""), 1);
    std::string other = folder.Write("other.xml", R"(<DBDef><Table Name="Other" MaxRecNum="2">
        <Field Name="A" DataType="BYTE"/></Table></DBDef>)");
    trace.Clear();
    EXPECT_EQ(DbsInitialize(other, ""), 0);
    EXPECT_EQ(trace.Texts(), std::vector<std::string>{"FILE *, Line *, DBS already Init!"});
    EXPECT_EQ(DbsGetTableHandle("Other"), 0u);
    EXPECT_EQ(DbsGetTableHandle("Customer"), 0x10000u);
    EXPECT_EQ(gdwSysTabNum, 9u);
    EXPECT_EQ(gwTableNum, 9);
}

TEST_F(LifecycleTest, UninitialiseTwiceReportsTheSecond) {
    EXPECT_EQ(DbsUninitialize(), 0);
    EXPECT_EQ(trace.Last(), "FILE *, Line *, DBS is already in uninitialized state!");
    ASSERT_EQ(DbsInitialize(kShop, ""), 1);
    EXPECT_EQ(DbsUninitialize(), 1);
    EXPECT_EQ(gptSysTab, nullptr);
    EXPECT_EQ(gdwSysTabNum, 0u);
    EXPECT_EQ(gptSysCheckCons, nullptr);
    trace.Clear();
    EXPECT_EQ(DbsUninitialize(), 0);
    EXPECT_EQ(trace.Texts(), std::vector<std::string>{"FILE *, Line *, DBS is already in uninitialized state!"});
}

TEST_F(LifecycleTest, SchemaErrorsLeaveTheLibraryUninitialised) {
    std::string bad = folder.Write("bad.xml", "<DBDef><Table Name=\"T\" MaxRecNum=\"1\"/></DBDef>");
    std::string missing = folder.PathOf("missing.xml");
    struct Case { const char* what; std::string first, second, failing; };
    const Case cases[] = {
        {"first file refused", bad, kShopOptional, bad},
        {"first file missing", missing, "", missing},
        {"second file refused", kShop, bad, bad},
        {"second file names a parent it cannot see", kShopOptional, "", kShopOptional},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        trace.Clear();
        EXPECT_EQ(DbsInitialize(c.first, c.second), 0);
        EXPECT_EQ(trace.Last(), "FILE *, Line *, DbsLoadDBDefXml " + c.failing + " Error, DBS Init Fail!");
        EXPECT_EQ(gbDbsInit, 0u);
        EXPECT_EQ(gptSysTab, nullptr);
        EXPECT_EQ(gwTableNum, 0);
    }
}

TEST_F(LifecycleTest, StoreThatCannotBeBuiltLeavesAnInitialisedLibraryToUninitialise) {
    // "Word" gives the type letter but no width, which table creation refuses.
    std::string path = folder.Write("zero.xml", R"(<DBDef><Table Name="T" MaxRecNum="2">
        <Field Name="A" DataType="Word"/></Table></DBDef>)");
    EXPECT_EQ(DbsInitialize(path, ""), 0);
    EXPECT_TRUE(Traced("field A length is 0."));
    EXPECT_TRUE(Traced("DbsInitSysManageTable Function,Create table Fail!"));
    EXPECT_EQ(trace.Last(), "FILE *, Line *, DbsMakeAllRTable Error, DBS Init Fail!");
    EXPECT_EQ(gbDbsInit, 1u);
    trace.Clear();
    EXPECT_EQ(DbsInitialize(kShop, ""), 0);
    EXPECT_EQ(trace.Last(), "FILE *, Line *, DBS already Init!");
    EXPECT_EQ(DbsUninitialize(), 1);
    EXPECT_EQ(DbsInitialize(kShop, ""), 1);
}

TEST_F(LifecycleTest, MoreTablesThanTheFormHoldsAreRefusedBeforeAnythingStarts) {
    std::string xml = "<DBDef>";
    for (int i = 0; i <= DBS_MAX_TABLES; ++i) {
        xml += "<Table Name=\"T" + std::to_string(i) + "\" MaxRecNum=\"1\">"
               "<Field Name=\"A\" DataType=\"BYTE\"/></Table>";
    }
    xml += "</DBDef>";
    EXPECT_EQ(DbsInitialize(folder.Write("many.xml", xml), ""), 0);
    EXPECT_EQ(trace.Last(), "FILE *, Line *, the schema holds 129 tables, more than 128, DBS Init Fail!");
    EXPECT_EQ(gbDbsInit, 0u);
    EXPECT_EQ(gptSysTab, nullptr);
}

TEST_F(LifecycleTest, RepeatedCyclesRebuildTheSameStore) {
    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(DbsInitialize(kShop, cycle % 2 ? kShopOptional : ""), 1);
        EXPECT_EQ(gwTableNum, cycle % 2 ? 11 : 9);
        Row customer("Customer");
        EXPECT_EQ(customer.Set("CustId", 7).Set("Name", "Ada").Set("Level", 1).Insert(), 1);
        ASSERT_EQ(DbsUninitialize(), 1);
    }
}

// Every allocation of a start-up may fail: each failure is a clean refusal, and the next start works.
TEST_F(LifecycleTest, AllocationFailuresDuringStartUpFailCleanly) {
    for (long n = 1; n < 500; ++n) {
        SCOPED_TRACE(n);
        dbs::fault::FailAllocAt(n);
        uint8_t started = DbsInitialize(kShop, kShopOptional);
        dbs::fault::ResetAll();
        if (started == 1) {
            EXPECT_EQ(DbsUninitialize(), 1);
            return;
        }
        if (gbDbsInit != 0) {
            EXPECT_EQ(DbsUninitialize(), 1);
        } else {
            EXPECT_EQ(gptSysTab, nullptr);
        }
        ASSERT_EQ(DbsInitialize(kShop, ""), 1);
        ASSERT_EQ(DbsUninitialize(), 1);
    }
    FAIL() << "start-up never succeeded";
}

}  // namespace
}  // namespace dbs::test
