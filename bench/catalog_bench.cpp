// Checked operations at full table size: 65,535 tuples in a table with a primary key (Id) and a secondary key
// (Code), inserted in key order and in random key order, then every tuple updated (with and without a change of
// its secondary key) and deleted. Reported per operation.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#include "catalog/catalog_lists.h"

namespace {

constexpr uint32_t kTuples = 65535;

#pragma pack(push, 1)
struct Row {  // the tuple layout of the ROWS table below
    uint32_t id;
    char code[12];
    uint32_t qty;
};
#pragma pack(pop)

void QuietSink(void*, int, const char*, int, const char*) {}

// Starts a fresh core with the one table built through the catalogue.
uint32_t BuildStore() {
    DbsCoreRelease();
    DbsCoreInit();
    TagSYSTABTuple tab{};
    tab.dwTableHandle = DBS_TABLE_HANDLE(0);
    std::memcpy(tab.achDBName, "ROWS", 5);
    tab.wMaxRecNum = kTuples;
    tab.byTableType = DBS_TABLE_TYPE_FIRST;
    TagSYSCOLUMNTuple cols[3] = {};
    const struct {
        const char* name;
        char type;
        uint16_t len;
    } defs[3] = {{"Id", 'D', 4}, {"Code", 'C', 12}, {"Qty", 'D', 4}};
    for (int i = 0; i < 3; ++i) {
        cols[i].dwTableHandle = tab.dwTableHandle;
        std::memcpy(cols[i].achDMName, defs[i].name, std::strlen(defs[i].name));
        cols[i].chDMType = defs[i].type;
        cols[i].wDMLen = defs[i].len;
        cols[i].bySaveFlag = 1;
    }
    TagSYSCONSCOLUMNTuple keys[2] = {};
    keys[0] = {tab.dwTableHandle, DBS_INDEX_HANDLE(0, 0), "Id", 0};
    keys[1] = {tab.dwTableHandle, DBS_INDEX_HANDLE(0, 1), "Code", 1};
    dbs::catalog::InstallLists({{&tab, 1}, cols, keys, {}, {}, {}, {}});
    DbsInitSysManageTable();
    return tab.dwTableHandle;
}

Row MakeRow(uint32_t id, uint32_t codeSeed, uint32_t qty) {
    Row r{};
    r.id = id;
    std::snprintf(r.code, sizeof r.code, "C%09u", codeSeed);
    r.qty = qty;
    return r;
}

std::vector<uint32_t> Order(bool random) {
    std::vector<uint32_t> ids(kTuples);
    std::iota(ids.begin(), ids.end(), 1u);
    if (random) std::shuffle(ids.begin(), ids.end(), std::mt19937(12345));
    return ids;
}

// Times one phase over all ids; the setup runs untimed.
template <typename Setup, typename Op>
void RunPhase(benchmark::State& state, bool random, Setup setup, Op op) {
    TraceSetSink(&QuietSink, nullptr);
    const auto ids = Order(random);
    for (auto _ : state) {
        state.PauseTiming();
        const uint32_t h = BuildStore();
        setup(h, ids);
        state.ResumeTiming();
        for (uint32_t id : ids) {
            if (op(h, id) != 1) state.SkipWithError("checked operation refused");
        }
    }
    state.counters["ns/op"] = benchmark::Counter(static_cast<double>(kTuples) * state.iterations(),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    DbsCoreRelease();
    dbs::catalog::ReleaseLists();
    TraceSetSink(nullptr, nullptr);
}

void InsertAll(uint32_t h, const std::vector<uint32_t>& ids) {
    for (uint32_t id : ids) {
        const Row r = MakeRow(id, id, 0);
        DbsSysInsertTabTuple(h, &r);
    }
}

void BM_Insert(benchmark::State& state) {
    RunPhase(state, state.range(0) != 0, [](uint32_t, const std::vector<uint32_t>&) {},
             [](uint32_t h, uint32_t id) {
                 const Row r = MakeRow(id, id, 0);
                 return DbsSysInsertTabTuple(h, &r);
             });
}

void BM_UpdateSameKeys(benchmark::State& state) {
    RunPhase(state, state.range(0) != 0, InsertAll, [](uint32_t h, uint32_t id) {
        const Row r = MakeRow(id, id, id * 3);
        return DbsSysUpdateTabTuple(h, &r);
    });
}

void BM_UpdateSecondaryKey(benchmark::State& state) {
    RunPhase(state, state.range(0) != 0, InsertAll, [](uint32_t h, uint32_t id) {
        const Row r = MakeRow(id, id + kTuples, id);
        return DbsSysUpdateTabTuple(h, &r);
    });
}

void BM_Delete(benchmark::State& state) {
    RunPhase(state, state.range(0) != 0, InsertAll, [](uint32_t h, uint32_t id) {
        const Row r = MakeRow(id, 0, 0);
        return DbsSysDeleteTabTuple(h, &r);
    });
}

}  // namespace

// Argument: 0 = key order, 1 = random key order.
BENCHMARK(BM_Insert)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateSameKeys)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateSecondaryKey)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delete)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
