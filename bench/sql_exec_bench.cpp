// Statement execution over a table of 65,535 records: a full-scan SELECT whose WHERE keeps 1%, COUNT(*) with a
// WHERE, an UPDATE of 1% (with the copy and swap of a statement outside a transaction), and a two-table join of
// 256 x 256 records. Each reports the record combinations scanned per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <dbs/dbs.h>
#include <dbs/traceprint.h>

#include "catalog/catalog_lists.h"

namespace {

constexpr uint32_t kRows = 65535;
constexpr uint32_t kSide = 256;

#pragma pack(push, 1)
struct Row {  // T: ID D4 key, NAME C12, GRP W2 (ID % 100), AGE N1
    uint32_t id;
    char name[12];
    uint16_t grp;
    uint8_t age;
};
struct Side {  // A and B: K D4 key, V D4
    uint32_t k;
    uint32_t v;
};
#pragma pack(pop)

void QuietSink(void*, int, const char*, int, const char*) {}

struct ColumnDef {
    const char* name;
    char type;
    uint16_t len;
};

void AddTable(std::vector<TagSYSTABTuple>& tabs, std::vector<TagSYSCOLUMNTuple>& cols,
              std::vector<TagSYSCONSCOLUMNTuple>& keys, const char* name, uint16_t capacity,
              std::initializer_list<ColumnDef> defs) {
    TagSYSTABTuple t{};
    t.dwTableHandle = DBS_TABLE_HANDLE(tabs.size());
    std::memcpy(t.achDBName, name, std::strlen(name));
    t.wMaxRecNum = capacity;
    t.byTableType = DBS_TABLE_TYPE_FIRST;
    tabs.push_back(t);
    for (const ColumnDef& d : defs) {
        TagSYSCOLUMNTuple c{};
        c.dwTableHandle = t.dwTableHandle;
        std::memcpy(c.achDMName, d.name, std::strlen(d.name));
        c.chDMType = d.type;
        c.wDMLen = d.len;
        c.bySaveFlag = 1;
        cols.push_back(c);
    }
    TagSYSCONSCOLUMNTuple k{};
    k.dwTableHandle = t.dwTableHandle;
    k.dwConstraintHandle = DBS_INDEX_HANDLE(DBS_HANDLE_NO(t.dwTableHandle), 0);
    std::memcpy(k.achDMName, defs.begin()->name, std::strlen(defs.begin()->name));
    keys.push_back(k);
}

// Builds T (65,535 records) and A, B (256 records each) once, and publishes them.
void BuildStore() {
    static bool built = false;
    if (built) return;
    built = true;
    TraceSetSink(QuietSink, nullptr);
    DbsCoreRelease();
    DbsCoreInit();
    std::vector<TagSYSTABTuple> tabs;
    std::vector<TagSYSCOLUMNTuple> cols;
    std::vector<TagSYSCONSCOLUMNTuple> keys;
    AddTable(tabs, cols, keys, "T", kRows, {{"ID", 'D', 4}, {"NAME", 'C', 12}, {"GRP", 'W', 2}, {"AGE", 'N', 1}});
    AddTable(tabs, cols, keys, "A", kSide, {{"K", 'D', 4}, {"V", 'D', 4}});
    AddTable(tabs, cols, keys, "B", kSide, {{"K", 'D', 4}, {"V", 'D', 4}});
    dbs::catalog::InstallLists({tabs, cols, keys, {}, {}, {}, {}});
    DbsInitSysManageTable();
    for (uint32_t i = 0; i < kRows; ++i) {
        Row r{};
        r.id = i;
        std::memcpy(r.name, "name", 4);
        r.grp = static_cast<uint16_t>(i % 100);
        r.age = static_cast<uint8_t>(i % 90);
        DbsSysInsertTabTuple(DBS_TABLE_HANDLE(0), &r);
    }
    for (uint32_t i = 0; i < kSide; ++i) {
        Side s{i, i * 7};
        DbsSysInsertTabTuple(DBS_TABLE_HANDLE(1), &s);
        DbsSysInsertTabTuple(DBS_TABLE_HANDLE(2), &s);
    }
    DbsChangeOverAddr();
    DbsAllCopyData();
}

void RunStatement(benchmark::State& state, const char* text, double combinations) {
    BuildStore();
    hSqlParser sql = SQLCreate();
    int rows = 0;
    for (auto _ : state) {
        TagSqlRst* rst = nullptr;
        if (SQLExecute(sql, text, &rst) != 0) {
            state.SkipWithError("statement failed");
            break;
        }
        if (rst != nullptr) {
            rows = RstGetRecordNum(rst);
            RstDestroy(rst);
        }
    }
    SQLDestory(sql);
    state.counters["rows_out"] = rows;
    state.counters["scanned/s"] =
        benchmark::Counter(combinations * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SelectOnePercent(benchmark::State& state) {
    RunStatement(state, "SELECT ID, NAME, AGE FROM T WHERE GRP = 7", kRows);
}
BENCHMARK(BM_SelectOnePercent)->Unit(benchmark::kMillisecond);

void BM_CountWhere(benchmark::State& state) {
    RunStatement(state, "SELECT COUNT(*) FROM T WHERE AGE > 44", kRows);
}
BENCHMARK(BM_CountWhere)->Unit(benchmark::kMillisecond);

void BM_UpdateOnePercent(benchmark::State& state) {
    RunStatement(state, "UPDATE T SET AGE = AGE + 1 WHERE GRP = 3", kRows);
}
BENCHMARK(BM_UpdateOnePercent)->Unit(benchmark::kMillisecond);

void BM_Join256x256(benchmark::State& state) {
    RunStatement(state, "SELECT A.K, B.V FROM A, B WHERE A.K = B.K", static_cast<double>(kSide) * kSide);
}
BENCHMARK(BM_Join256x256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
