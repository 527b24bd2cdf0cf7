// The example database: examples/build_data.sh builds it with the shell from the CSV files, and the shell then
// answers the queries of the quick start from it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "dbsql_runner.h"

namespace dbsql::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ShellTest, ExampleDatabaseBuildsAndAnswers) {
    fs::path examples = fs::path(DBS_SOURCE_DIR) / "examples";
    fs::path db = dir / "db";
    std::string command = "DBSQL='" DBSQL_PATH "' '" + (examples / "build_data.sh").string() + "' '" + db.string() +
                          "' > '" + (dir / "build.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir / "build.log");
    EXPECT_FALSE(fs::exists(dir / "db.new"));

    std::vector<std::string> open = {"-s", (examples / "schema/shop.xml").string(), "--schema2",
                                     (examples / "schema/shop_optional.xml").string(), "-d", db.string(),
                                     "--mode", "csv"};
    auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> args = open;
        args.insert(args.end(), more.begin(), more.end());
        return RunDbsql(args, "", dir);
    };
    auto tables = run({"-c", ".tables"});
    EXPECT_EQ(tables.status, 0) << tables.err;
    EXPECT_EQ(tables.out,
              "name,type,records,capacity\r\nCustomer,1,60,1000\r\nStore,1,5,50\r\nProduct,1,50,2000\r\n"
              "Orders,1,300,5000\r\nOrderLine,1,860,20000\r\nSupplier,1,8,200\r\nSupply,1,92,4000\r\n"
              "Sale,1,6,500\r\nStocktake,1,0,2000\r\nReview,3,80,5000\r\nWishlist,3,60,5000\r\n");

    auto query = run({"-c", "SELECT Title, Price FROM Product WHERE Price > 4000 ORDER BY 2 DESC", "-c",
                      "SELECT Name FROM Orders, Customer WHERE Orders.CustId = Customer.CustId AND OrderId = 1"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "Title,Price\r\nChef knife,5999\r\nGrinder,4599\r\nWok,4299\r\nName\r\nInes Ortiz\r\n");

    // The constraints of the example hold: a customer with orders stays, an order takes its lines with it.
    auto change = run({"-c", "DELETE FROM Customer WHERE CustId = 34", "-c", "DELETE FROM Orders WHERE OrderId = 1",
                       "-c", "SELECT n = COUNT(*) FROM OrderLine WHERE OrderId = 1"});
    EXPECT_EQ(change.status, 1);
    EXPECT_NE(change.err.find("achDBNameRelation=Customer] exist!"), std::string::npos) << change.err;
    EXPECT_EQ(change.out, "n\r\n0\r\n");
}

}  // namespace
}  // namespace dbsql::test
