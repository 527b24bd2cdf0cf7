// End to end from a schema file: the example shop initialised through DbsInitialize, then queried and changed
// through SQLExecute and the record-set calls, with the schema's constraints refusing what they must.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schema/lifecycle_fixture.h"
#include "sql/transaction.h"

namespace dbs::test {
namespace {

class ShopSqlTest : public LifecycleFixture {
protected:
    void SetUp() override {
        LifecycleFixture::SetUp();
        ASSERT_EQ(DbsInitialize(ExampleSchema("shop.xml"), ExampleSchema("shop_optional.xml")), 1)
            << ::testing::PrintToString(trace.Texts());
        ASSERT_EQ(Row("Customer").Set("CustId", 1).Set("Name", "Ada").Set("City", "Rome").Set("Level", 3).Insert(), 1);
        ASSERT_EQ(Row("Customer").Set("CustId", 2).Set("Name", "Bob").Set("City", "Oslo").Set("Level", 1).Insert(), 1);
        ASSERT_EQ(Row("Store").Set("StoreId", 10).Set("City", "Rome").Insert(), 1);
        for (uint32_t id : {100u, 200u}) {
            ASSERT_EQ(Row("Product").Set("ProdId", id).Set("Sku", id == 100 ? "SKU-100" : "SKU-200")
                          .Set("Title", "thing").Set("Price", id + 50).Set("Stock", 5).Insert(), 1);
        }
        ASSERT_EQ(Row("Orders").Set("OrderId", 1000).Set("CustId", 1).Set("Day", 20261208).Set("Kind", 1)
                      .Set("StoreId", 10).Insert(), 1);
        ASSERT_EQ(Row("OrderLine").Set("OrderId", 1000).Set("LineNo", 1).Set("ProdId", 100).Set("Qty", 2).Insert(), 1);
        ASSERT_EQ(Row("OrderLine").Set("OrderId", 1000).Set("LineNo", 2).Set("ProdId", 200).Set("Qty", 1).Insert(), 1);
        ASSERT_EQ(DbsChangeOverAddr(), 1);
        sql = SQLCreate();
        trace.Clear();
    }
    void TearDown() override {
        SQLDestory(sql);
        dbs::sql::ResetTransactionState();
        LifecycleFixture::TearDown();
    }

    std::vector<std::string> Query(const char* text) {
        std::vector<std::string> rows;
        TagSqlRst* rst = nullptr;
        EXPECT_EQ(SQLExecute(sql, text, &rst), 0) << text << ::testing::PrintToString(trace.Texts());
        if (rst == nullptr) return rows;
        while (RstMoveNext(rst) == 0 && !IsEOF(rst)) {
            std::string row;
            for (int i = 0; i < RstGetFieldNum(rst); ++i) {
                TagSqlValue v{};
                EXPECT_EQ(RstGetFieldValue(rst, i, &v), 0);
                if (i) row += '|';
                if (v.chType == DB_STRING) {
                    row += std::string(static_cast<const char*>(v.pData), strnlen(static_cast<const char*>(v.pData), v.dwLength));
                } else {
                    uint32_t x = 0;
                    const uint32_t len = v.dwLength;
                    std::memcpy(&x, v.pData, len < 4 ? len : 4);
                    row += std::to_string(x);
                }
            }
            rows.push_back(row);
        }
        RstDestroy(rst);
        return rows;
    }

    hSqlParser sql = nullptr;
};

using Rows = std::vector<std::string>;

TEST_F(ShopSqlTest, JoinsAndAggregatesOverTheSchema) {
    EXPECT_EQ(Query("SELECT Name, LineNo, Title, total = Qty * Price FROM Customer, Orders, OrderLine, Product "
                    "WHERE Customer.CustId = Orders.CustId AND Orders.OrderId = OrderLine.OrderId "
                    "AND OrderLine.ProdId = Product.ProdId ORDER BY total DESC"),
              (Rows{"Ada|1|thing|300", "Ada|2|thing|250"}));
    EXPECT_EQ(Query("SELECT COUNT(*), SUM(Qty), MAX(Sku) FROM OrderLine, Product "
                    "WHERE OrderLine.ProdId = Product.ProdId"),
              Rows{"2|3|SKU-200"});
    EXPECT_EQ(Query("EXISTS FROM Orders WHERE CustId = 2"), Rows{"0"});
}

TEST_F(ShopSqlTest, ConstraintsRefuseChangesAndMainMemoryStays) {
    // a customer with orders stays; the Level check refuses 9
    EXPECT_EQ(SQLExecute(sql, "DELETE FROM Customer", nullptr), -1);
    EXPECT_EQ(SQLExecute(sql, "UPDATE Customer SET Level = Level * 3", nullptr), -1);
    EXPECT_EQ(Query("SELECT CustId, Level FROM Customer"), (Rows{"1|3", "2|1"}));
    // a cascading delete takes the order's lines along
    EXPECT_EQ(SQLExecute(sql, "DELETE FROM Orders WHERE OrderId = 1000", nullptr), 0);
    EXPECT_EQ(Query("SELECT COUNT(*) FROM OrderLine"), Rows{"0"});
    EXPECT_EQ(SQLExecute(sql, "DELETE FROM Customer WHERE Name LIKE 'A*'", nullptr), 0);
    EXPECT_EQ(Query("SELECT Name FROM Customer"), Rows{"Bob"});
}

}  // namespace
}  // namespace dbs::test
