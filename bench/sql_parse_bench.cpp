// Parse rate of the SQL front end: statements per second for typical statements, parsed again and again on one
// parser context (as a host that runs the same kinds of statement over and over would).
#include <benchmark/benchmark.h>

#include <memory>

#include <dbs/dbs.h>

#include "sql/parser.h"
#include "sql/parser_context.h"

namespace {

struct Store {
    Store() {
        DbsCoreRelease();
        DbsCoreInit();
        DbsCreateTableBySpec(1, "orders", 0, 100, "ID D(4) SAVE", "CUSTOMER C(16) SAVE", "AMOUNT D(4) SAVE",
                             "STATE W(2) SAVE", "");
    }
    ~Store() { DbsCoreRelease(); }
};

void Run(benchmark::State& state, const char* sql) {
    static Store store;
    auto ctx = std::make_unique<TagSqlParser>();
    for (auto _ : state) {
        int rc = dbs::sql::Parse(*ctx, sql);
        benchmark::DoNotOptimize(rc);
        if (rc != 0) {
            state.SkipWithError("parse failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SelectWhereOrderBy(benchmark::State& state) {
    Run(state,
        "SELECT ID, CUSTOMER, total = AMOUNT * 2 FROM orders "
        "WHERE AMOUNT >= 100 AND STATE IN (1, 2, 3) OR CUSTOMER LIKE 'A*' ORDER BY 3 DESC, ID");
}
BENCHMARK(BM_SelectWhereOrderBy);

void BM_SelectStar(benchmark::State& state) { Run(state, "SELECT * FROM orders WHERE ID = 42"); }
BENCHMARK(BM_SelectStar);

void BM_Update(benchmark::State& state) {
    Run(state, "UPDATE orders SET AMOUNT = AMOUNT + 1, STATE = 2 WHERE ID BETWEEN 10 AND 20");
}
BENCHMARK(BM_Update);

}  // namespace

BENCHMARK_MAIN();
