// Inputs the fuzzers found, kept as tests: each once crashed, hung or tripped a sanitizer (the sanitizer cases
// fail only in the sanitizer build, which CI runs).
#include <string>
#include <vector>

#include "fault_fixture.h"

namespace dbs::test {
namespace {

class FuzzRegressionTest : public ShopFixture {
protected:
    void SetUp() override {
        ShopFixture::SetUp();
        ASSERT_TRUE(Start());
        Fill();
        sql = SQLCreate();
        ASSERT_NE(sql, nullptr);
    }
    void TearDown() override {
        SQLDestory(sql);
        ShopFixture::TearDown();
    }
    int Run(const std::string& text) {
        TagSqlRst* rst = nullptr;
        const int r = SQLExecute(sql, text.c_str(), &rst);
        if (rst != nullptr) RstDestroy(rst);
        return r;
    }
    // The published level of a customer (main memory).
    uint32_t Level(uint32_t custId) const {
        const uint32_t h = DbsGetTableHandle("Customer");
        const std::vector<uint8_t> key = Tuple("Customer", {{"CustId", custId}});
        std::vector<uint8_t> row(key.size());
        if (DbsSysLocateTuple(h, 0, key.data()) == 0 || DbsGetTuple(h, row.data()) == 0) return 0;
        uint8_t level = 0;
        DbsGetDomain(h, "Level", &level);
        return level;
    }

    hSqlParser sql = nullptr;
};

// Statements of the sanitizer findings: an EXISTS (an empty name copied from a null pointer), and statements
// that copy all tables between the memories (index slots of the packed table form read through a misaligned
// reference).
TEST_F(FuzzRegressionTest, StatementsThatTrippedTheSanitizers) {
    EXPECT_EQ(Run("EXISTS FROM Orders WHERE CustId = 2"), 0);
    EXPECT_EQ(Run("UPDATE Product SET Price = Price + 1 WHERE ProdId = 1"), 0);
    EXPECT_EQ(Run("DELETE FROM Sale WHERE SaleId = 1"), 0);
}

// Inside a transaction the scan walks secondary memory, where the checked update moves the table's cursor to
// the record it locates by key. Giving every record an existing key made the scan step between two records
// for ever.
TEST_F(FuzzRegressionTest, AnUpdateInATransactionThatLocatesAnotherRecordEnds) {
    const StoreImage before = Image();
    ASSERT_EQ(TransBegin(), 0);
    Run("UPDATE Customer SET CustId = 2");
    ASSERT_EQ(TransRollback(), 0);
    EXPECT_EQ(Image().main, before.main);
}

// The same cursor rule, seen from its result: each record is visited exactly once.
TEST_F(FuzzRegressionTest, AnUpdateInATransactionChangesEachRecordOnce) {
    ASSERT_EQ(TransBegin(), 0);
    ASSERT_EQ(Run("UPDATE Customer SET Level = Level + 1 WHERE CustId < 3"), 0);
    ASSERT_EQ(Run("DELETE FROM Supply WHERE Cost > 0"), 0);
    ASSERT_EQ(TransCommit(), 0);
    EXPECT_EQ(Level(1), 2u);
    EXPECT_EQ(Level(2), 3u);
    EXPECT_EQ(Level(3), 3u);
    EXPECT_TRUE(Image().main.at("Supply").empty());
}

}  // namespace
}  // namespace dbs::test
