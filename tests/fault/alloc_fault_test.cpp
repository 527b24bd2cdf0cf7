// Every allocation of a call made to fail in turn (DbsMalloc and the library's C++ allocations alike): the call
// fails with a trace line, no exception leaves the library, nothing leaks (run under LeakSanitizer), the store
// is as it was, and the same call succeeds once memory is there again.
#include <string>
#include <vector>

#include "core/core_state.h"
#include "fault_fixture.h"

namespace dbs::test {
namespace {

class AllocFaultTest : public ShopFixture {};

TEST_F(AllocFaultTest, InitialisationFromTheExampleSchema) {
    const long failures = WalkAllocFailures(
        [&] {
            if (gbDbsInit != 0) DbsUninitialize();
            trace.Clear();
        },
        [&] { return Start(); },
        [&](bool ok, long n) {
            if (ok) return;
            EXPECT_FALSE(trace.Lines().empty()) << "allocation " << n << " failed without a trace line";
            // A failure while the tables are built leaves the core started with what was built so far;
            // DbsUninitialize is the way back. Any earlier failure leaves the library as it was.
            if (gbDbsInit != 0) {
                EXPECT_TRUE(trace.Contains("DbsMakeAllRTable Error, DBS Init Fail!")) << trace.Joined();
                EXPECT_EQ(DbsUninitialize(), 1);
            }
            EXPECT_EQ(DbsGetTableNum(), 0);
            ASSERT_TRUE(Start()) << "allocation " << n << "\n" << trace.Joined();
            EXPECT_EQ(DbsGetTableNum(), 11);
        });
    EXPECT_GT(failures, 10);
}

TEST_F(AllocFaultTest, SavingAndLoadingTheTables) {
    ASSERT_TRUE(Start());
    Fill();
    // Saving writes through the work area allocated at start: no memory of its own either.
    EXPECT_EQ(WalkAllocFailures([&] { trace.Clear(); }, [&] { return SaveAll(); }, [](bool, long) {}), 0);
    const StoreImage saved = Image();
    // Loading works in the work area allocated at start and inserts through the checked insert; it takes memory
    // only for the sorted runs in which it collects new keys, and inserts key by key when it cannot get it, so a
    // failed allocation never fails the load nor changes what it loads.
    WalkAllocFailures(
        [&] {
            for (uint16_t t = 0; t < DbsGetTableNum(); ++t) DbsClrSecondaryMem(DbsGetDBHandle(t));
            trace.Clear();
        },
        [&] { return DbsLoadData() == 1; },
        [&](bool ok, long n) {
            EXPECT_TRUE(ok) << "allocation " << n << "\n" << trace.Joined();
            if (!ok) {
                ASSERT_EQ(Reload(), 1) << "allocation " << n << "\n" << trace.Joined();
            }
            EXPECT_EQ(Image().main, saved.main) << "allocation " << n;
        });
    EXPECT_EQ(Image().main, saved.main);
}

struct CheckedCase {
    const char* what;
    const char* table;
    uint8_t (*call)(uint32_t, const void*);
    std::map<std::string, uint32_t> numbers;
    std::map<std::string, std::string> texts;
};

TEST_F(AllocFaultTest, CheckedInsertUpdateDelete) {
    ASSERT_TRUE(Start());
    Fill();
    const std::vector<CheckedCase> cases = {
        {"insert with a foreign key", "OrderLine", DbsSysInsertTabTuple,
         {{"OrderId", 2}, {"LineNo", 2}, {"ProdId", 1}, {"Qty", 3}}, {}},
        {"insert refused by a mutex", "Stocktake", DbsSysInsertTabTuple, {{"ProdId", 1}, {"Counted", 3}}, {}},
        {"update of a key", "Customer", DbsSysUpdateTabTuple, {{"CustId", 3}, {"Level", 5}},
         {{"Name", "new"}, {"City", "Bonn"}}},
        {"delete that cascades", "Orders", DbsSysDeleteTabTuple, {{"OrderId", 1}}, {}},
        {"delete that cascades to two records", "Supplier", DbsSysDeleteTabTuple, {{"SupId", 1}}, {}},
        {"delete refused by a child", "Customer", DbsSysDeleteTabTuple, {{"CustId", 1}}, {}},
    };
    const StoreImage before = Image();
    for (const CheckedCase& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t h = DbsGetTableHandle(c.table);
        std::vector<uint8_t> tuple = Tuple(c.table, c.numbers, c.texts);
        if (c.call == DbsSysUpdateTabTuple || c.call == DbsSysDeleteTabTuple) {
            // Start from the stored record, with the given fields changed.
            std::vector<uint8_t> stored(tuple.size());
            ASSERT_EQ(DbsSysLocateTupleEX(h, 0, tuple.data()), 1);
            ASSERT_EQ(DbsGetTupleEX(h, stored.data()), 1);
            const std::vector<uint8_t> wanted = tuple;
            tuple = stored;
            for (uint8_t i = 0; i < DbsGetDomainNum(h); ++i) {
                const TagDMForm* f = DbsGetDomainName(h, i);
                if (c.numbers.count(f->achDMName) + c.texts.count(f->achDMName) == 0) continue;
                std::copy_n(wanted.begin() + f->wDMOffset - 1, f->wDMLen, tuple.begin() + f->wDMOffset - 1);
            }
        }
        const bool refused = std::string(c.what).find("refused") != std::string::npos;
        // The checked operations work in the store's own buffers: the walk shows that they need no memory.
        const long failures = WalkAllocFailures(
            [&] {
                ASSERT_EQ(DbsAllCopyData(), 1);
                trace.Clear();
            },
            [&] { return c.call(h, tuple.data()) == (refused ? 0 : 1); },
            [&](bool ok, long n) {
                EXPECT_EQ(Image().main, before.main) << "allocation " << n;
                if (!ok) {
                    EXPECT_FALSE(trace.Lines().empty()) << "allocation " << n << " failed without a trace line";
                    if (!refused) {
                        EXPECT_EQ(Image().secondary, before.secondary) << "allocation " << n;
                    }
                }
                ExpectIndexesAgree();
                ASSERT_EQ(DbsAllCopyData(), 1);
                ASSERT_EQ(c.call(h, tuple.data()), refused ? 0 : 1) << "allocation " << n << "\n" << trace.Joined();
            });
        EXPECT_EQ(failures, 0);
        ASSERT_EQ(DbsAllCopyData(), 1);
    }
}

TEST_F(AllocFaultTest, SqlStatementsAndTransactions) {
    ASSERT_TRUE(Start());
    Fill();
    ASSERT_TRUE(SaveAll()) << trace.Joined();
    hSqlParser sql = SQLCreate();
    ASSERT_NE(sql, nullptr);
    const std::vector<std::vector<std::string>> scripts = {
        {"SELECT * FROM Customer"},
        {"SELECT Customer.Name, Orders.OrderId FROM Customer, Orders WHERE Customer.CustId = Orders.CustId "
         "ORDER BY 2 DESC"},
        {"SELECT COUNT(*), SUM(Price), MAX(Title), UPPER(Sku) FROM Product WHERE Stock > 5 AND Sku LIKE 'SKU%'"},
        {"EXISTS FROM Orders WHERE CustId = 2"},
        {"UPDATE Product SET Price = Price + 1, Title = 'dear' WHERE ProdId < 3"},
        {"DELETE FROM Orders WHERE OrderId = 1"},
        {"TRANSBEGIN", "UPDATE Customer SET Level = 2 WHERE CustId = 3", "DELETE FROM Supply WHERE Cost > 55",
         "TRANSCOMMIT"},
        {"TRANSBEGIN", "DELETE FROM Supplier WHERE SupId = 1", "TRANSROLLBACK"},
    };
    const StoreImage before = Image();
    auto runScript = [&](const std::vector<std::string>& script) {
        for (const std::string& step : script) {
            if (step == "TRANSBEGIN") {
                if (TransBegin() != 0) return false;
            } else if (step == "TRANSCOMMIT") {
                if (TransCommit() != 0) return false;
            } else if (step == "TRANSROLLBACK") {
                if (TransRollback() != 0) return false;
            } else {
                TagSqlRst* rst = nullptr;
                const int r = SQLExecute(sql, step.c_str(), &rst);
                if (rst != nullptr) {
                    for (int row = RstMoveFirst(rst); row == 0; row = RstMoveNext(rst)) {
                        TagSqlValue v{};
                        for (int f = 0; f < RstGetFieldNum(rst); ++f) RstGetFieldValue(rst, f, &v);
                    }
                    RstDestroy(rst);
                }
                if (r != 0) return false;
            }
        }
        return true;
    };
    long failures = 0;
    for (const auto& script : scripts) {
        SCOPED_TRACE(script.size() > 1 ? script[1] : script[0]);
        failures += WalkAllocFailures(
            [&] {
                TransRollback();
                trace.Clear();
            },
            [&] { return runScript(script); },
            [&](bool ok, long n) {
                TransRollback();
                if (ok) return;
                EXPECT_FALSE(trace.Lines().empty()) << "allocation " << n << " failed without a trace line";
                EXPECT_EQ(Image().main, before.main) << "allocation " << n << "\n" << trace.Joined();
                ASSERT_TRUE(runScript(script)) << "allocation " << n << "\n" << trace.Joined();
                // Undo a change that went through, so that every try starts from the same data.
                ASSERT_EQ(Reload(), 1);
            });
        // The walk ends with a successful run; put the published data back for the next script.
        ASSERT_EQ(Reload(), 1);
    }
    SQLDestory(sql);
    EXPECT_GT(failures, 0) << "no statement met an allocation";
}

}  // namespace
}  // namespace dbs::test
