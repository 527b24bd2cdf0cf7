// The whole life of a store built from the example schema: initialise, change through the checked operations,
// save, shut down, initialise again and load. Loading goes through the checked insert, so a file that breaks a
// key or a foreign key fails its table.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "storage_fixture.h"

namespace dbs::test {
namespace {

class StoreRoundTripTest : public StorageFixture {
protected:
    void SetUp() override {
        StorageFixture::SetUp();
        DbsUninitialize();
    }
    void TearDown() override {
        DbsUninitialize();
        StorageFixture::TearDown();
    }
    static void Init() {
        const std::string dir = std::string(DBS_SOURCE_DIR) + "/examples/schema/";
        ASSERT_EQ(DbsInitialize(dir + "shop.xml", dir + "shop_optional.xml"), 1);
    }
    static std::vector<uint8_t> Customer(uint32_t id, const char* name, const char* city, uint8_t level) {
        std::vector<uint8_t> t(4 + 24 + 16 + 1, 0);
        std::memcpy(t.data(), &id, 4);
        std::memcpy(t.data() + 4, name, std::strlen(name));
        std::memcpy(t.data() + 28, city, std::strlen(city));
        t[44] = level;
        return t;
    }
    static std::vector<uint8_t> Order(uint32_t id, uint32_t cust, uint32_t day, uint8_t kind, uint32_t store) {
        std::vector<uint8_t> t(17, 0);
        std::memcpy(t.data(), &id, 4);
        std::memcpy(t.data() + 4, &cust, 4);
        std::memcpy(t.data() + 8, &day, 4);
        t[12] = kind;
        std::memcpy(t.data() + 13, &store, 4);
        return t;
    }
};

TEST_F(StoreRoundTripTest, SaveShutDownAndLoadAgain) {
    Init();
    const uint32_t customer = DbsGetTableHandle("Customer");
    const uint32_t orders = DbsGetTableHandle("Orders");
    ASSERT_NE(customer, 0u);
    ASSERT_NE(orders, 0u);
    ASSERT_EQ(DbsSysInsertTabTuple(customer, Customer(1, "Ada", "Leeds", 3).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(customer, Customer(2, "Bo", "York", 5).data()), 1);
    ASSERT_EQ(DbsSysInsertTabTuple(orders, Order(10, 2, 20260101, 2, 0).data()), 1);
    ASSERT_EQ(DbsChangeOverAddr(), 1);
    const std::string temp = (root / "temp").string() + "/";
    ASSERT_EQ(DbsSaveDataToQDB(temp.c_str(), DBS_SAVE_TO_TEMP), 1) << ::testing::PrintToString(trace.Texts());
    ASSERT_EQ(DbsUninitialize(), 1);

    Init();
    ASSERT_EQ(DbsLoadData(), 1) << ::testing::PrintToString(trace.Texts());
    EXPECT_EQ(DbsGetTupleNum(customer), 2u);
    EXPECT_EQ(DbsGetTupleNum(orders), 1u);
    std::vector<uint8_t> got(17);
    ASSERT_EQ(DbsSkipToFirst(orders), 1);
    ASSERT_EQ(DbsGetTuple(orders, got.data()), 1);
    EXPECT_EQ(got, Order(10, 2, 20260101, 2, 0));

    // A customer file holding the same key twice is refused by the checked insert; the order that refers to
    // the customer then has no parent and fails too. Tables without files of their own stay empty.
    ASSERT_EQ(DbsUninitialize(), 1);
    const std::string file = temp + "/Customer.QDB";
    std::vector<uint8_t> bytes = ReadFile(file);
    ASSERT_GE(bytes.size(), 2 * 46u);
    std::copy(bytes.end() - 46, bytes.end(), bytes.end() - 92);  // the second record over the first
    WriteFile(file, bytes);
    Init();
    trace.Clear();
    EXPECT_EQ(DbsLoadData(), 0);
    const auto texts = trace.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "[File:* Line*] Load table Customer ERROR!"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "[File:* Line*] Load table Orders ERROR!"), texts.end());
    EXPECT_EQ(DbsGetTupleNum(customer), 0u);
    EXPECT_EQ(DbsGetTupleNum(orders), 0u);
}

}  // namespace
}  // namespace dbs::test
