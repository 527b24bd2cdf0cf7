// End to end from the example shop schema: initialise from both files, then insert, update and delete through
// the checked operations, with every kind of constraint the schema declares refusing what it must.
#include <gtest/gtest.h>

#include <string>

#include "schema/lifecycle_fixture.h"

namespace dbs::test {
namespace {

class ExampleShopTest : public LifecycleFixture {
protected:
    void SetUp() override {
        LifecycleFixture::SetUp();
        ASSERT_EQ(DbsInitialize(ExampleSchema("shop.xml"), ExampleSchema("shop_optional.xml")), 1)
            << ::testing::PrintToString(trace.Texts());
        // A small shop: two customers, one store, two products, one order of customer 1 with two lines.
        ASSERT_EQ(Customer(1, "Ada", "Rome", 3).Insert(), 1);
        ASSERT_EQ(Customer(2, "Bob", "Oslo", 1).Insert(), 1);
        ASSERT_EQ(Row("Store").Set("StoreId", 10).Set("City", "Rome").Insert(), 1);
        ASSERT_EQ(Product(100, "SKU-100", 250).Insert(), 1);
        ASSERT_EQ(Product(200, "SKU-200", 990).Insert(), 1);
        ASSERT_EQ(Order(1000, 1, 1, 10).Insert(), 1);
        ASSERT_EQ(Line(1000, 1, 100, 2).Insert(), 1);
        ASSERT_EQ(Line(1000, 2, 200, 1).Insert(), 1);
        ASSERT_EQ(trace.Count(), 0u) << ::testing::PrintToString(trace.Texts());
    }

    static Row Customer(uint32_t id, const char* name, const char* city, uint32_t level) {
        Row row("Customer");
        row.Set("CustId", id).Set("Name", name).Set("City", city).Set("Level", level);
        return row;
    }
    static Row Product(uint32_t id, const char* sku, uint32_t price) {
        Row row("Product");
        row.Set("ProdId", id).Set("Sku", sku).Set("Title", "thing").Set("Price", price).Set("Stock", 5);
        return row;
    }
    static Row Order(uint32_t id, uint32_t customer, uint32_t kind, uint32_t store) {
        Row row("Orders");
        row.Set("OrderId", id).Set("CustId", customer).Set("Day", 20261208).Set("Kind", kind).Set("StoreId", store);
        return row;
    }
    static Row Line(uint32_t order, uint32_t lineNo, uint32_t product, uint32_t qty) {
        Row row("OrderLine");
        row.Set("OrderId", order).Set("LineNo", lineNo).Set("ProdId", product).Set("Qty", qty);
        return row;
    }
    static uint32_t Count(const char* table) { return DbsGetTupleNumEX(DbsGetTableHandle(table)); }
};

TEST_F(ExampleShopTest, KeysMustBeUnique) {
    EXPECT_EQ(Customer(1, "Ada again", "Pisa", 2).Insert(), 0);
    EXPECT_TRUE(Traced("Table[Customer] tuple already exist!"));
    EXPECT_TRUE(Traced("Insert table [achDBName=Customer] Record prepare check not pass!"));
    trace.Clear();
    EXPECT_EQ(Product(300, "SKU-100", 1).Insert(), 0);  // new primary key, Sku taken
    EXPECT_TRUE(Traced("Slave Index locate tuple!"));
    EXPECT_EQ(Count("Customer"), 2u);
    EXPECT_EQ(Count("Product"), 2u);
}

TEST_F(ExampleShopTest, CheckConstraintsRefuseValuesOutsideTheirConditions) {
    struct Case { const char* what; Row row; const char* line; };
    const Case cases[] = {
        {"level above 5", Customer(3, "Cy", "Rome", 6),
         "Check Constraints[achDBName=Customer,achCheckColumnName=Level,dwValue = 6,"
         "achSearchCondition = 1-5] not pass !"},
        {"level 0", Customer(3, "Cy", "Rome", 0), "achCheckColumnName=Level,dwValue = 0"},
        {"stock over 10000", Product(300, "SKU-300", 1).Set("Stock", 10001), "achCheckColumnName=Stock"},
        {"order kind 3", Order(1001, 1, 3, 10), "achCheckColumnName=Kind"},
        {"quantity 0", Line(1000, 3, 100, 0), "achCheckColumnName=Qty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        trace.Clear();
        EXPECT_EQ(c.row.Insert(), 0);
        EXPECT_TRUE(Traced(c.line)) << ::testing::PrintToString(trace.Texts());
    }
    EXPECT_EQ(Customer(3, "Cy", "Rome", 5).Insert(), 1);
    EXPECT_EQ(Product(300, "SKU-300", 1).Set("Stock", 10000).Insert(), 1);

    // An update is checked too, and a refused one leaves the stored tuple as it was.
    Row line = Line(1000, 1, 100, 1000);
    trace.Clear();
    EXPECT_EQ(line.Update(), 0);
    EXPECT_TRUE(Traced("achCheckColumnName=Qty,dwValue = 1000"));
    ASSERT_TRUE(line.Reload());
    EXPECT_EQ(line.Get("Qty"), 2u);
}

TEST_F(ExampleShopTest, ChildrenNeedTheirParents) {
    EXPECT_EQ(Order(1001, 99, 2, 0).Insert(), 0);  // no customer 99
    EXPECT_TRUE(Traced("Foreign Key[achDBName=Orders,dwConstraintHandle=3000"));
    EXPECT_TRUE(Traced("achDBNameRelation=Customer] check not pass!"));

    // The store is only required of pick-up orders (Kind=1).
    EXPECT_EQ(Order(1002, 2, 2, 999).Insert(), 1);
    trace.Clear();
    EXPECT_EQ(Order(1003, 2, 1, 999).Insert(), 0);
    EXPECT_TRUE(Traced("achDBNameRelation=Store] check not pass!"));

    EXPECT_EQ(Line(1000, 3, 555, 1).Insert(), 0);  // no product 555
    EXPECT_TRUE(Traced("achDBNameRelation=Product] check not pass!"));

    // Moving a line to an order that does not exist is refused by the update as well.
    trace.Clear();
    Row line = Line(1000, 1, 100, 2);
    EXPECT_EQ(line.Set("ProdId", 555).Update(), 0);
    EXPECT_TRUE(Traced("Foreign Key check not pass!"));
}

TEST_F(ExampleShopTest, ParentsWithRestrictingChildrenStay) {
    EXPECT_EQ(Customer(1, "", "", 1).Delete(), 0);
    EXPECT_TRUE(Traced("Child table [achDBName=Orders,"));
    EXPECT_TRUE(Traced("achDBNameRelation=Customer] exist!"));
    EXPECT_EQ(Count("Customer"), 2u);

    trace.Clear();
    EXPECT_EQ(Product(100, "", 0).Delete(), 0);  // ordered in line 1000/1
    EXPECT_TRUE(Traced("Child table [achDBName=OrderLine,"));
    EXPECT_EQ(Count("Product"), 2u);

    EXPECT_EQ(Customer(2, "", "", 1).Delete(), 1);  // Bob has no orders
    EXPECT_EQ(Count("Customer"), 1u);
}

TEST_F(ExampleShopTest, CascadesTakeChildrenWithTheParent) {
    ASSERT_EQ(Row("Supplier").Set("SupId", 7).Set("Name", "Acme").Insert(), 1);
    ASSERT_EQ(Row("Supply").Set("SupId", 7).Set("ProdId", 100).Set("Cost", 90).Insert(), 1);
    ASSERT_EQ(Row("Supply").Set("SupId", 7).Set("ProdId", 200).Set("Cost", 80).Insert(), 1);
    ASSERT_EQ(Row("Review").Set("CustId", 1).Set("Sku", "SKU-100").Set("Stars", 5).Insert(), 1);
    ASSERT_EQ(Row("Wishlist").Set("CustId", 2).Set("ProdId", 200).Insert(), 1);

    // An order takes its lines with it; then the product may go, taking its supply and review rows.
    EXPECT_EQ(Order(1000, 0, 0, 0).Delete(), 1);
    EXPECT_EQ(Count("Orders"), 0u);
    EXPECT_EQ(Count("OrderLine"), 0u);
    EXPECT_TRUE(Traced("Cascade delete child table succ!"));

    // The delete matches children by the keys of the tuple it is given, so it is given the stored tuple.
    Row product = Product(100, "", 0);
    ASSERT_TRUE(product.Reload());
    EXPECT_EQ(product.Delete(), 1);
    EXPECT_EQ(Count("Supply"), 1u);
    EXPECT_EQ(Count("Review"), 0u);  // reached through the product's second key (Sku)

    EXPECT_EQ(Row("Supplier").Set("SupId", 7).Delete(), 1);
    EXPECT_EQ(Count("Supply"), 0u);
    EXPECT_EQ(Customer(2, "", "", 1).Delete(), 1);
    EXPECT_EQ(Count("Wishlist"), 0u);
}

TEST_F(ExampleShopTest, ReviewsInTheOptionalFileFindProductsBySku) {
    EXPECT_EQ(Row("Review").Set("CustId", 2).Set("Sku", "SKU-200").Set("Stars", 4).Insert(), 1);
    EXPECT_EQ(Row("Review").Set("CustId", 2).Set("Sku", "SKU-999").Set("Stars", 4).Insert(), 0);
    EXPECT_TRUE(Traced("achDBName=Review,"));
    EXPECT_EQ(Row("Review").Set("CustId", 1).Set("Sku", "SKU-200").Set("Stars", 9).Insert(), 0);
    EXPECT_TRUE(Traced("achCheckColumnName=Stars"));
}

TEST_F(ExampleShopTest, SaleAndStocktakeExcludeEachOther) {
    ASSERT_EQ(Row("Stocktake").Set("ProdId", 100).Set("Counted", 4).Insert(), 1);
    Row sale("Sale");
    sale.Set("SaleId", 1).Set("ProdId", 200).Set("Percent", 20);
    EXPECT_EQ(sale.Insert(), 0);
    EXPECT_TRUE(Traced("Mutex Table[Stocktake] is not empty!"));

    ASSERT_EQ(Row("Stocktake").Set("ProdId", 100).Delete(), 1);
    EXPECT_EQ(sale.Insert(), 1);
    trace.Clear();
    EXPECT_EQ(Row("Stocktake").Set("ProdId", 200).Set("Counted", 1).Insert(), 0);
    EXPECT_TRUE(Traced("Mutex Table[Sale] is not empty!"));
}

TEST_F(ExampleShopTest, FixedKeysCannotChangeOtherFieldsCan) {
    Row product = Product(100, "SKU-100", 250);
    EXPECT_EQ(product.Set("Price", 199).Update(), 1);
    ASSERT_TRUE(product.Reload());
    EXPECT_EQ(product.Get("Price"), 199u);

    EXPECT_EQ(product.Set("Sku", "SKU-101").Update(), 0);
    EXPECT_TRUE(Traced("The 1th index of Product is not updatable, update tuple fail!"));
    ASSERT_TRUE(product.Reload());
    EXPECT_EQ(product.Get("Price"), 199u);

    // A key that is not fixed may move: the order changes hands to customer 2.
    Row order = Order(1000, 2, 1, 10);
    EXPECT_EQ(order.Update(), 1);
    EXPECT_EQ(Customer(1, "", "", 1).Delete(), 1);
}

}  // namespace
}  // namespace dbs::test
